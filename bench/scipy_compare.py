#!/usr/bin/env python3
"""Runs brixel's numerics benchmarks and the same problems with scipy, and prints the time
per function evaluation of both, their ratio, and the evaluation counts side by side.

Build the benchmarks first:
    cmake --preset bench && cmake --build --preset bench

Each entry of PROBLEMS is a function that returns one Row; add a problem by writing such a
function (it may run any benchmark program of build/bench/bin through `ours`).
TIMED_PROBLEMS work the same way with TimedRow: the time of one whole call, for problems
that have no function evaluations to count. The multi-dimensional minimizers follow, from
scipy_compare_nd.py.
"""

import json
import math
import os
import pathlib
import shutil
import subprocess
import sys
import time
import timeit
from dataclasses import dataclass
from typing import Callable, Dict, List

ROOT = pathlib.Path(__file__).resolve().parent.parent
# BRIXEL_BENCH_BIN compares another build (say, of the base commit) against the same peer.
BENCH_BIN = pathlib.Path(os.environ.get("BRIXEL_BENCH_BIN", ROOT / "build" / "bench" / "bin"))
SYSTEM_PYTHON = "/usr/bin/python3"
# One thread for numpy's BLAS, as ours runs on one.
os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")


def ensure_scipy() -> None:
    """Imports scipy; switches to the system Python or installs python3-scipy when missing."""
    try:
        import scipy  # noqa: F401
        return
    except ImportError:
        pass
    if os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON) and os.path.exists(
        SYSTEM_PYTHON
    ):
        probe = subprocess.run([SYSTEM_PYTHON, "-c", "import scipy"], capture_output=True)
        if probe.returncode == 0:
            os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON, *sys.argv])
    if shutil.which("apt-get") is None or os.geteuid() != 0:
        sys.exit("scipy is missing: install python3-scipy")
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(["apt-get", "update", "-qq"], check=True, env=env)
    subprocess.run(
        ["apt-get", "install", "-y", "-qq", "--no-install-recommends", "python3-scipy"],
        check=True,
        env=env,
    )
    os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON, *sys.argv])


_benchmark_results: Dict[str, Dict[str, dict]] = {}


def ours(program: str, name: str) -> dict:
    """The JSON entry of benchmark `name` of `program`; each program runs once."""
    if program not in _benchmark_results:
        binary = BENCH_BIN / program
        if not binary.exists():
            sys.exit(f"{binary} is missing: cmake --build --preset bench --target {program}")
        run = subprocess.run(
            [str(binary), "--benchmark_format=json"], check=True, capture_output=True, text=True
        )
        entries = json.loads(run.stdout)["benchmarks"]
        _benchmark_results[program] = {entry["name"]: entry for entry in entries}
    return _benchmark_results[program][name]


def wall_ns_per_iteration(entry: dict) -> float:
    """Wall time of one benchmark iteration in ns (timeit measures wall time too)."""
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[entry["time_unit"]]
    return entry["real_time"] * scale


def seconds_per_call(
    call: Callable[[], object], minimum_seconds: float = 0.2, clock=timeit.default_timer
) -> float:
    """Best of five timings of `call`, each repeated long enough to be measurable."""
    timer = timeit.Timer(call, timer=clock)
    number, _ = timer.autorange()
    while number * timer.timeit(1) < minimum_seconds and number < 1 << 24:
        number *= 2
    return min(timer.repeat(repeat=5, number=number)) / number


@dataclass
class Row:
    problem: str
    ours_ns_per_evaluation: float
    scipy_ns_per_evaluation: float
    ours_evaluations: float
    scipy_evaluations: float


# ---- One-dimensional minimizers (bench/solver_1d_bench.cpp) ----------------------------------
# Same objectives, intervals and relative tolerance 1e-6. scipy gets the bracket (a, x0, b),
# which holds the minimum, so that it spends no evaluations on bracketing; our Brent makes
# golden-section steps only, scipy's also parabolic ones, so its count is lower.

TOLERANCE = 1e-6


def quadratic(x: float) -> float:
    return (x - 2.0) ** 2 + 1.0


def cosh_at_one(x: float) -> float:
    return math.cosh(x - 1.0)


def minimizer_row(label: str, benchmark: str, method: str, f, bracket) -> Row:
    from scipy.optimize import minimize_scalar

    entry = ours("solver_1d_bench", benchmark)
    result = minimize_scalar(f, bracket=bracket, method=method, tol=TOLERANCE)
    per_call = seconds_per_call(
        lambda: minimize_scalar(f, bracket=bracket, method=method, tol=TOLERANCE)
    )
    return Row(
        problem=label,
        ours_ns_per_evaluation=wall_ns_per_iteration(entry) / entry["evaluations"],
        scipy_ns_per_evaluation=per_call / result.nfev * 1e9,
        ours_evaluations=entry["evaluations"],
        scipy_evaluations=result.nfev,
    )


def golden_quadratic() -> Row:
    return minimizer_row(
        "golden (x-2)^2+1 [0,5]", "BM_GoldenSection/quadratic", "golden", quadratic, (0, 2.5, 5)
    )


def golden_cosh() -> Row:
    return minimizer_row(
        "golden cosh(x-1) [-2,3]", "BM_GoldenSection/cosh", "golden", cosh_at_one, (-2, 0, 3)
    )


def brent_quadratic() -> Row:
    return minimizer_row(
        "brent (x-2)^2+1 [0,5]", "BM_Brent/quadratic", "brent", quadratic, (0, 2.5, 5)
    )


def brent_cosh() -> Row:
    return minimizer_row("brent cosh(x-1) [-2,3]", "BM_Brent/cosh", "brent", cosh_at_one, (-2, 0, 3))


PROBLEMS: List[Callable[[], Row]] = [golden_quadratic, golden_cosh, brent_quadratic, brent_cosh]


# ---- Dense solves, inversion and natural splines (bench/matrix_bench.cpp) ----------------------
# Same matrices and spline data as the C++ benchmark; the time is per whole call. numpy calls
# LAPACK (partial pivoting); our Gauss exchanges rows only on exact zero pivots. CubicSpline
# continues the end cubics where ours extrapolates linearly (one abscissa of n).


@dataclass
class TimedRow:
    problem: str
    ours_ns_per_call: float
    scipy_ns_per_call: float


def ours_ns(program: str, name: str) -> float:
    entry = ours(program, name)
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[entry["time_unit"]]
    return entry["cpu_time"] * scale


def dense_test_matrix(n: int):
    import numpy

    i = numpy.arange(n, dtype=float)[:, None]
    j = numpy.arange(n, dtype=float)[None, :]
    a = 1.0 / (1.0 + i + 2.0 * j) + n * numpy.eye(n)
    a[0, 0] = 0.0
    return a


def spline_test_data(n: int):
    import numpy

    x = numpy.arange(n, dtype=float) + 0.3 * numpy.sin(numpy.arange(n, dtype=float))
    y = numpy.exp(-0.01 * x) * numpy.cos(0.2 * x)
    at = numpy.append(0.5 * (x[:-1] + x[1:]), x[-1] + 1.0)
    return x, y, at


def gauss_row(n: int) -> TimedRow:
    import numpy

    a = dense_test_matrix(n)
    b = numpy.sin(1.0 + numpy.arange(n, dtype=float))
    return TimedRow(
        f"Gauss n={n} / linalg.solve",
        ours_ns("matrix_bench", f"BM_Gauss/{n}"),
        seconds_per_call(lambda: numpy.linalg.solve(a, b)) * 1e9,
    )


def invert_row(n: int) -> TimedRow:
    import numpy

    a = dense_test_matrix(n)
    return TimedRow(
        f"Invert n={n} / linalg.inv",
        ours_ns("matrix_bench", f"BM_Invert/{n}"),
        seconds_per_call(lambda: numpy.linalg.inv(a)) * 1e9,
    )


def spline_row(benchmark: str, label: str, n: int) -> TimedRow:
    from scipy.interpolate import CubicSpline

    x, y, at = spline_test_data(n)
    return TimedRow(
        f"{label} n={n} / CubicSpline",
        ours_ns("matrix_bench", f"{benchmark}/{n}"),
        seconds_per_call(lambda: CubicSpline(x, y, bc_type="natural")(at)) * 1e9,
    )


TIMED_PROBLEMS: List[Callable[[], TimedRow]] = (
    [lambda n=n: gauss_row(n) for n in (5, 10, 20, 50)]
    + [lambda n=n: invert_row(n) for n in (5, 10, 20, 50)]
    + [
        lambda n=n: spline_row("BM_SplineSmoothing", "SplineSmoothing", n)
        for n in (10, 100, 1000, 5000)
    ]
    + [
        lambda n=n: spline_row("BM_HostSpline", "host spline (GSL)", n)
        for n in (10, 100, 1000, 5000)
    ]
)


# ---- Separator block with classification (bench/separator_bench.cpp) -------------------------
# The same PSD (log-spaced mesh from 0.5 um to 500 um below a first boundary at 0, log-normal
# fractions around 20 um), sharpness 0.6, no offset, solid split 0.9. The peer does what the
# block does for the classes: class values (mid sizes, or terminal settling velocities of
# calcite in water by the same drag-law iteration), the cut-value search for the split (brentq
# on the signed split difference, relative tolerance 1e-4; our Brent minimizes its absolute
# value by golden-section steps and needs about three times as many evaluations), the
# efficiency curve and the class fractions of both outlets. Ours is one whole block, flashes
# of the inlet and outlets included. Both sides are timed in CPU time of the process, which
# other work on a shared machine disturbs less than wall time.

SEPARATOR_CLASSES = (20, 100, 500, 1000, 2000)
SHARPNESS = 0.6
SOLID_SPLIT = 0.9
CALCITE_DENSITY = 2710.0  # kg/m3
# Water at 300 K (kg/m3, Pa s): the fluid of the hydrocyclone case.
WATER_DENSITY = 996.5
WATER_VISCOSITY = 8.5e-4
GRAVITY = 9.80665


def separator_psd(classes: int):
    import numpy

    mesh = numpy.concatenate(
        ([0.0], 0.5e-6 * numpy.power(1000.0, numpy.arange(1, classes + 1) / classes))
    )
    x = numpy.log(0.5 * (mesh[:-1] + mesh[1:]) / 20e-6)
    fractions = numpy.exp(-x * x / 2.0)
    return mesh, fractions / fractions.sum()


def sharpness_exponent(s: float) -> float:
    return (
        2.6637959340442 * math.exp(0.9504665299537 * s**1.8002889456193)
        - 4.7441020747193
        + 2.0803061406751 * math.exp(3.101321659413 * s**10.9119070049961)
        + 1e100 * s**10000
    )


def settling_velocities(diameters):
    """Terminal velocities by the iteration of CalcTVD, all classes at once."""
    import numpy

    drive = (CALCITE_DENSITY / WATER_DENSITY - 1.0) * diameters * 4.0 / 3.0 * GRAVITY
    v = diameters**2 * (CALCITE_DENSITY - WATER_DENSITY) * GRAVITY / (18.0 * WATER_VISCOSITY)
    per_velocity = diameters * WATER_DENSITY / WATER_VISCOSITY
    active = numpy.ones(v.shape, dtype=bool)
    for _ in range(10000):
        re = per_velocity[active] * v[active]
        drag = 24.0 / re + 4.0 / numpy.sqrt(re) + 0.4
        new = numpy.sqrt(drive[active] / drag)
        done = numpy.abs(v[active] - new) < 0.001 * numpy.minimum(v[active], new)
        v[active] = new
        active[numpy.flatnonzero(active)[done]] = False
        if not active.any():
            break
    return v


def classify(mesh, fractions, by_velocity: bool):
    """One classification as the block does it; returns the number of evaluations."""
    import numpy
    from scipy.optimize import brentq

    sizes = 0.5 * (mesh[:-1] + mesh[1:])
    values = settling_velocities(sizes) if by_velocity else sizes
    alpha = sharpness_exponent(SHARPNESS)
    positive = values > 0

    def separation(d50):
        t = numpy.zeros_like(values)
        x = values[positive]
        with numpy.errstate(over="ignore"):
            t[positive] = 1.0 / (1.0 + d50 / x * numpy.exp(alpha * (1.0 - (x / d50) ** 3)))
        return t

    def split_difference(d50):
        if d50 <= 0.0:
            return 1.0 - SOLID_SPLIT
        return float(separation(d50) @ fractions) - SOLID_SPLIT

    upper = 2.0 * values.max() / SHARPNESS
    d50, result = brentq(split_difference, 0.0, upper, rtol=1e-4, full_output=True)
    t = separation(d50)
    order = numpy.argsort(-values, kind="stable") if by_velocity else numpy.arange(values.size)
    curve = numpy.column_stack((values[order], 100.0 * t[order]))
    solid = t * fractions
    fluid = (1.0 - t) * fractions
    solid /= solid.sum()
    fluid /= fluid.sum()
    return result.function_calls, curve


def separator_row(classes: int, by_velocity: bool) -> TimedRow:
    mesh, fractions = separator_psd(classes)
    evaluations, _ = classify(mesh, fractions, by_velocity)
    benchmark = "BM_HydrocycloneBySettlingVelocity" if by_velocity else "BM_CycloneBySize"
    return TimedRow(
        f"separator n={classes} {'velocity' if by_velocity else 'size'} ({evaluations} evals)",
        ours_ns("separator_bench", f"{benchmark}/{classes}"),
        seconds_per_call(lambda: classify(mesh, fractions, by_velocity), clock=time.process_time)
        * 1e9,
    )


SEPARATOR_PROBLEMS: List[Callable[[], TimedRow]] = [
    lambda n=n, v=v: separator_row(n, v) for v in (False, True) for n in SEPARATOR_CLASSES
]


def fitted_exponent(rows: List[TimedRow], first: int, last: int) -> float:
    """Exponent of the block time in the class count between two rows."""
    return math.log(rows[last].ours_ns_per_call / rows[first].ours_ns_per_call) / math.log(
        SEPARATOR_CLASSES[last] / SEPARATOR_CLASSES[first]
    )


def print_timed(rows: List[TimedRow]) -> None:
    header = f"{'problem':<46} {'ours ns/call':>13} {'scipy ns/call':>13} {'ratio':>8}"
    print(header)
    print("-" * len(header))
    for row in rows:
        print(
            f"{row.problem:<46} {row.ours_ns_per_call:>13.0f} {row.scipy_ns_per_call:>13.0f} "
            f"{row.ours_ns_per_call / row.scipy_ns_per_call:>8.3f}"
        )


GNU_TIME = "/usr/bin/time"


def peak_rss_kib(command: List[str]) -> int:
    """Peak resident set of one run of `command`, in KiB, as GNU time reports it.

    Not os.wait4 from here: the kernel's peak for a child includes the image it was forked
    from, so every child of this Python would report at least this Python's size."""
    run = subprocess.run(
        [GNU_TIME, "-f", "%M", *command],
        stdout=subprocess.DEVNULL,
        stderr=subprocess.PIPE,
        text=True,
    )
    if run.returncode != 0:
        sys.exit(f"{command[0]} failed with {run.returncode}: {run.stderr}")
    return int(run.stderr.strip().splitlines()[-1])


def print_command_memory() -> None:
    """The command on its default case beside a Python that has loaded what the peer uses."""
    if not os.path.exists(GNU_TIME):
        print("peak RSS not measured: GNU time is missing (Debian package time)")
        return
    command = BENCH_BIN / "brixel"
    if not command.exists():
        sys.exit(f"{command} is missing: cmake --build --preset bench --target brixel_cli")
    ours_kib = min(peak_rss_kib([str(command)]) for _ in range(3))
    peer_kib = min(
        peak_rss_kib([SYSTEM_PYTHON, "-c", "import numpy, scipy.optimize"]) for _ in range(3)
    )
    print(f"{'peak RSS':<46} {'ours KiB':>13} {'peer KiB':>13} {'ratio':>8}")
    print(
        f"{'default case / numpy + scipy.optimize loaded':<46} {ours_kib:>13} {peer_kib:>13} "
        f"{ours_kib / peer_kib:>8.3f}"
    )
    print(f"default case peak RSS {ours_kib / 1024:.2f} MiB (target <= 6 MB)")


def main() -> None:
    ensure_scipy()
    print_command_memory()
    print()
    rows = [problem() for problem in PROBLEMS]
    header = (
        f"{'problem':<28} {'ours ns/eval':>12} {'scipy ns/eval':>13} {'ratio':>8} "
        f"{'ours evals':>10} {'scipy evals':>11}"
    )
    print(header)
    print("-" * len(header))
    worst = 0.0
    for row in rows:
        ratio = row.ours_ns_per_evaluation / row.scipy_ns_per_evaluation
        worst = max(worst, ratio)
        print(
            f"{row.problem:<28} {row.ours_ns_per_evaluation:>12.2f} "
            f"{row.scipy_ns_per_evaluation:>13.1f} {ratio:>8.4f} "
            f"{row.ours_evaluations:>10.0f} {row.scipy_evaluations:>11.0f}"
        )
    print(f"\nlargest ratio ours/scipy per evaluation: {worst:.4f} (target <= 0.05)")
    print()
    print_timed([problem() for problem in TIMED_PROBLEMS])
    print()
    separator = [problem() for problem in SEPARATOR_PROBLEMS]
    print_timed(separator)
    per_attribute = len(SEPARATOR_CLASSES)
    for name, offset in (("size", 0), ("settling velocity", per_attribute)):
        exponent = fitted_exponent(separator[offset : offset + per_attribute], 2, 4)
        print(f"block time ~ n^{exponent:.2f} by {name} from n=500 to 2000 (target <= 1.1)")
    print()
    import scipy_compare_nd

    scipy_compare_nd.main()
    print()
    import scipy_compare_fit_ode

    scipy_compare_fit_ode.main()
    print()
    import efficiency_fit_compare

    efficiency_fit_compare.main()


if __name__ == "__main__":
    main()
