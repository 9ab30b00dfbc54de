#!/usr/bin/env python3
"""LeastSquaresFit and CODESolve (bench/fit_ode_bench.cpp) against their scipy peers on the
same problems: whole evaluations, the difference of the results, the time of one run and the
ratio. scipy_compare.py runs this after its own tables; it also runs alone.

Fit: y = a exp(-b x) + c to the same 50 disturbed points from the same start, within the same
bounds; scipy.optimize.least_squares (trf, 2-point Jacobian), its model calls counted whole as
ours are (Jacobian differences included). ODE: two coupled oscillators over 0 ... 10;
solve_ivp RK45 with rtol 1e-4 and atol 1e-4 (ours: relative 1e-4 of max(|y|, 1)); both are
compared with a solve_ivp DOP853 reference at rtol 1e-12.
"""

import math
from dataclasses import dataclass
from typing import List

import scipy_compare as common


@dataclass
class PeerRow:
    problem: str
    ours_evaluations: float
    scipy_evaluations: float
    ours_ns_per_run: float
    scipy_ns_per_run: float
    difference: float  # largest difference of the results, ours - scipy
    note: str


def fit_row() -> PeerRow:
    import numpy
    from scipy.optimize import least_squares

    entry = common.ours("fit_ode_bench", "BM_LeastSquares3Parameters")
    i = numpy.arange(50)
    x = 0.1 * i
    y = 2.5 * numpy.exp(-1.3 * x) + 0.4 + 0.01 * numpy.sin(7.0 * i)
    calls = [0]

    def residuals(p):
        calls[0] += 1
        return p[0] * numpy.exp(-p[1] * x) + p[2] - y

    bounds = ([0.0, 0.0, -1.0], [10.0, 5.0, 1.0])
    result = least_squares(residuals, [1.0, 1.0, 0.0], bounds=bounds)
    evaluations = calls[0]
    seconds = common.seconds_per_call(
        lambda: least_squares(residuals, [1.0, 1.0, 0.0], bounds=bounds)
    )
    ours = [entry[f"p{k}"] for k in range(3)]
    difference = max(abs(a - b) for a, b in zip(ours, result.x))
    return PeerRow(
        "fit 3 parameters, 50 points",
        entry["evaluations"],
        evaluations,
        common.wall_ns_per_iteration(entry),
        seconds * 1e9,
        difference,
        f"ours {ours[0]:.6f} {ours[1]:.6f} {ours[2]:.6f}",
    )


def oscillators(_t, y):
    return [y[1], -y[0] + 0.5 * (y[2] - y[0]), y[3], -2.0 * y[2] - 0.5 * (y[2] - y[0])]


def ode_row() -> PeerRow:
    from scipy.integrate import solve_ivp

    entry = common.ours("fit_ode_bench", "BM_Ode4Variables")
    start = [1.0, 0.0, 0.0, 0.0]
    result = solve_ivp(oscillators, (0.0, 10.0), start, method="RK45", rtol=1e-4, atol=1e-4)
    seconds = common.seconds_per_call(
        lambda: solve_ivp(oscillators, (0.0, 10.0), start, method="RK45", rtol=1e-4, atol=1e-4)
    )
    exact = solve_ivp(
        oscillators, (0.0, 10.0), start, method="DOP853", rtol=1e-12, atol=1e-12
    ).y[:, -1]
    ours = [entry[f"y{k}"] for k in range(4)]
    theirs = result.y[:, -1]
    ours_error = max(abs(a - b) for a, b in zip(ours, exact))
    scipy_error = max(abs(a - b) for a, b in zip(theirs, exact))
    return PeerRow(
        "ODE 4 variables, RK45 1e-4",
        entry["evaluations"],
        result.nfev,
        common.wall_ns_per_iteration(entry),
        seconds * 1e9,
        max(abs(a - b) for a, b in zip(ours, theirs)),
        f"error vs reference: ours {ours_error:.2e}, scipy {scipy_error:.2e}",
    )


def main() -> None:
    common.ensure_scipy()
    rows: List[PeerRow] = [fit_row(), ode_row()]
    header = (
        f"{'problem':<28} {'ours evals':>10} {'scipy evals':>11} {'ours us/run':>11} "
        f"{'scipy us/run':>12} {'ratio':>7} {'max |diff|':>10}  note"
    )
    print(header)
    print("-" * len(header))
    for row in rows:
        ratio = row.ours_ns_per_run / row.scipy_ns_per_run
        print(
            f"{row.problem:<28} {row.ours_evaluations:>10.0f} {row.scipy_evaluations:>11.0f} "
            f"{row.ours_ns_per_run / 1e3:>11.1f} {row.scipy_ns_per_run / 1e3:>12.1f} "
            f"{ratio:>7.3f} {row.difference:>10.2e}  {row.note}"
        )
    assert all(math.isfinite(row.difference) for row in rows)


if __name__ == "__main__":
    main()
