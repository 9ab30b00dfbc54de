#!/usr/bin/env python3
"""The multi-dimensional minimizers of bench/solver_nd_bench.cpp against their scipy peers on
the same problems, boxes and start points: evaluations, final value and time per evaluation
side by side. scipy_compare.py runs this after its own tables; it also runs alone.

Pairs: Powell / minimize(method="Powell", bounds), genetic algorithm /
differential_evolution, simulated annealing / dual_annealing, complex method /
minimize(method="COBYLA") with the same feasibility constraint x0 + x1 <= 0 (and the box as
constraints where COBYLA takes no bounds). Both sides run with their default settings; the
stochastic ones with a fixed seed.
"""

import math
import sys
from dataclasses import dataclass
from typing import List

import scipy_compare as common


def quadratic2d(x) -> float:
    return (x[0] - 1.0) ** 2 + 2.0 * (x[1] + 0.5) ** 2 + 3.0


CENTRE5 = (0.5, -1.0, 1.5, 2.0, -0.25)


def quadratic5d(x) -> float:
    return sum((j + 1) * (x[j] - CENTRE5[j]) ** 2 for j in range(5))


def rosenbrock(x) -> float:
    return 100.0 * (x[1] - x[0] * x[0]) ** 2 + (1.0 - x[0]) ** 2


def rastrigin(x) -> float:
    return 20.0 + sum(x[j] * x[j] - 10.0 * math.cos(2.0 * math.pi * x[j]) for j in range(2))


PROBLEMS = {
    "quadratic2d": (quadratic2d, [(-2, 3), (-2, 2)], [0.0, 0.0]),
    "quadratic5d": (quadratic5d, [(-3, 3)] * 5, [0.0] * 5),
    "rosenbrock": (rosenbrock, [(-2, 2), (-2, 2)], [-1.2, 1.0]),
    "rastrigin": (rastrigin, [(-5.12, 5.12), (-5.12, 5.12)], [2.5, 2.5]),
}


@dataclass
class NdRow:
    label: str
    ours_evaluations: float
    scipy_evaluations: float
    ours_value: float
    scipy_value: float
    ours_ns_per_evaluation: float
    scipy_ns_per_evaluation: float


def cobyla_constraints(bounds):
    constraints = [{"type": "ineq", "fun": lambda x: -x[0] - x[1]}]
    for j, (low, high) in enumerate(bounds):
        constraints.append({"type": "ineq", "fun": lambda x, j=j, low=low: x[j] - low})
        constraints.append({"type": "ineq", "fun": lambda x, j=j, high=high: high - x[j]})
    return constraints


def scipy_call(method: str, problem: str):
    import numpy
    from scipy.optimize import differential_evolution, dual_annealing, minimize

    f, bounds, start = PROBLEMS[problem]
    x0 = numpy.array(start)
    if method == "powell":
        return lambda: minimize(f, x0, method="Powell", bounds=bounds)
    if method == "genetic":
        return lambda: differential_evolution(f, bounds, seed=1, polish=False)
    if method == "annealing":
        return lambda: dual_annealing(f, bounds, seed=1, x0=x0)
    constraints = cobyla_constraints(bounds)
    return lambda: minimize(f, x0, method="COBYLA", constraints=constraints)


PEERS = {
    "powell": "Powell",
    "genetic": "differential_evolution",
    "annealing": "dual_annealing",
    "complex": "COBYLA",
}


def row(method: str, problem: str) -> NdRow:
    entry = common.ours("solver_nd_bench", f"BM_Minimize/{method}_{problem}")
    call = scipy_call(method, problem)
    result = call()
    # The stochastic peers take long per call: time them over fewer repetitions.
    per_call = common.seconds_per_call(call, minimum_seconds=0.05)
    return NdRow(
        label=f"{method} / {PEERS[method]} {problem}",
        ours_evaluations=entry["evaluations"],
        scipy_evaluations=result.nfev,
        ours_value=entry["value"],
        scipy_value=float(result.fun),
        ours_ns_per_evaluation=common.wall_ns_per_iteration(entry) / entry["evaluations"],
        scipy_ns_per_evaluation=per_call / result.nfev * 1e9,
    )


def main() -> None:
    common.ensure_scipy()
    rows: List[NdRow] = [row(m, p) for m in PEERS for p in PROBLEMS]
    header = (
        f"{'method / peer, problem':<46} {'evals':>7} {'scipy':>7} {'value':>10} "
        f"{'scipy':>10} {'ns/eval':>8} {'scipy':>8} {'ratio':>7}"
    )
    print(header)
    print("-" * len(header))
    worst = 0.0
    for r in rows:
        ratio = r.ours_ns_per_evaluation / r.scipy_ns_per_evaluation
        worst = max(worst, ratio)
        print(
            f"{r.label:<46} {r.ours_evaluations:>7.0f} {r.scipy_evaluations:>7.0f} "
            f"{r.ours_value:>10.3g} {r.scipy_value:>10.3g} {r.ours_ns_per_evaluation:>8.1f} "
            f"{r.scipy_ns_per_evaluation:>8.0f} {ratio:>7.4f}"
        )
    print(f"\nlargest ratio ours/scipy per evaluation: {worst:.4f} (target <= 0.05)")


if __name__ == "__main__":
    sys.path.insert(0, str(common.ROOT / "bench"))
    main()
