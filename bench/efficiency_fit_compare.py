#!/usr/bin/env python3
"""Fits each separation-function model to the 9 points of bench/efficiency_fit_bench.cpp with
brixel (Powell's method on the sum of absolute deviations, from the library's start vector
and bounds) and with scipy.optimize.curve_fit (least squares, same start and bounds), and
prints evaluations, both residuals and the time of one fit, with the ratios ours/scipy.

Run by scipy_compare.py; alone: build the benchmarks (cmake --build --preset bench --target
efficiency_fit_bench), then python3 bench/efficiency_fit_compare.py.
"""

import math

import numpy as np

from scipy_compare import ensure_scipy, ours, seconds_per_call, wall_ns_per_iteration

# Keep in step with kProblems in efficiency_fit_bench.cpp: name, bit, parameters.
MODELS = [
    ("rrsb", 1, [1.1e-5, 1.8, 0.05]),
    ("rogers", 2, [8e-6, 2.5, 0.1]),
    ("whiten", 4, [1.2e-5, 3.0, 0.1, 0.5]),
    ("square", 8, [1.5e-5, 1.2, 0.0]),
    ("exponential", 16, [6e6, 2.5, 0.12]),
]
R_MIN = 1e-35


def sizes():
    x, v = [], 1e-6
    while v < 6.5e-5:
        x.append(v)
        v *= 1.6
    return np.array(x)


def curve(bit):
    if bit == 1:
        return lambda x, a, m, o: o + (1 - o) * (1 - np.exp(-0.693 * (x / a) ** m))
    if bit == 2:
        return lambda x, a, m, o: o + (1 - o) / (1 + a / x * np.exp(m * (1 - (x / a) ** 3)))
    if bit == 8:
        return lambda x, a, m, o: o + (1 - o) / (1 + (a / x) ** 2 * np.exp(m * (1 - (x / a) ** 2)))
    if bit == 4:
        return lambda x, a, al, o, b: 1 - (1 - o) * (1 + b * x / a) * (np.exp(al) - 1) / (
            np.exp(al * x / a) + np.exp(al) - 2
        )
    return lambda x, a, b, c: 1 - np.exp(-((a * x + b / x) ** c))


def start_and_bounds(bit, x, t):
    if bit == 16:
        return [6500000.0, 3.0, 0.1], (-np.inf, np.inf)
    slope = (t[-1] - t[0]) / (x[-1] - x[0])
    x50 = (0.5 - t[0]) / slope + x[0]
    if not (math.isfinite(x50) and x50 > R_MIN):
        x50 = 0.5 * (x[0] + x[-1])
    lower, upper = [R_MIN, R_MIN, 0.0, 0.0], [10.0, 10.0, 1.0, 10.0]
    count = 4 if bit == 4 else 3
    start = [x50, 2.0, 0.0, 0.0][:count]
    # curve_fit needs a start strictly inside the bounds.
    start = [min(max(s, lo + 1e-12), hi - 1e-12) for s, lo, hi in zip(start, lower, upper)]
    return start, (lower[:count], upper[:count])


def main():
    ensure_scipy()
    import warnings

    from scipy.optimize import OptimizeWarning, curve_fit

    x = sizes()
    header = (
        f"{'model':<12} {'ours evals':>10} {'scipy evals':>11} {'ours L1':>10} {'scipy L1':>10} "
        f"{'ours SSQ':>10} {'scipy SSQ':>10} {'ours us':>9} {'scipy us':>9} {'time ratio':>10}"
    )
    print("Separation-function fits, 9 points each (ours: Powell on sum |dev|; scipy: curve_fit)")
    print(header)
    print("-" * len(header))
    for index, (name, bit, parameters) in enumerate(MODELS):
        f = curve(bit)
        t = f(x, *parameters)
        entry = ours("efficiency_fit_bench", f"BM_FitModel/{index}")
        start, bounds = start_and_bounds(bit, x, t)
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", OptimizeWarning)
            warnings.simplefilter("ignore", RuntimeWarning)

            def fit():
                return curve_fit(f, x, t, p0=start, bounds=bounds, full_output=True, maxfev=5000)

            try:
                popt, _, info, _, _ = fit()
                evaluations = info["nfev"]
                residual = f(x, *popt) - t
                per_call = seconds_per_call(fit, minimum_seconds=0.1)
                scipy_l1 = float(np.sum(np.abs(residual)))
                scipy_ssq = float(np.sum(residual**2))
            except (RuntimeError, ValueError):
                evaluations, scipy_l1, scipy_ssq, per_call = float("nan"), float("nan"), float("nan"), float("nan")
        ours_us = wall_ns_per_iteration(entry) / 1e3
        print(
            f"{name:<12} {entry['evaluations']:>10.0f} {evaluations:>11} "
            f"{entry['deviation']:>10.2e} {scipy_l1:>10.2e} {entry['squares']:>10.2e} "
            f"{scipy_ssq:>10.2e} {ours_us:>9.1f} {per_call * 1e6:>9.1f} "
            f"{ours_us / (per_call * 1e6):>10.3f}"
        )


if __name__ == "__main__":
    main()
