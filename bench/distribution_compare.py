#!/usr/bin/env python3
"""Times brixel's closed-form distributions against fluids' PSD functions, scipy.stats and a
bare loop of the same arithmetic, on meshes of 20, 200 and 2000 intervals, in one run, and
prints the time per evaluation (parameters to normalized interval fractions) and the ratios.

Build first:  cmake --preset bench && cmake --build --preset bench --target distribution_bench
Needs the Debian packages python3-fluids and python3-scipy (run with /usr/bin/python3).
"""

import json
import math
import pathlib
import subprocess
import sys
import timeit

import numpy as np
from fluids.particle_size_distribution import (
    cdf_Gates_Gaudin_Schuhman,
    cdf_lognormal,
    cdf_Rosin_Rammler,
)
from scipy import stats

ROOT = pathlib.Path(__file__).resolve().parent.parent
PROGRAM = ROOT / "build" / "bench" / "bin" / "distribution_bench"
SIZES = (20, 200, 2000)
# The parameters of bench/distribution_bench.cpp.
N, D63, M, XMAX, LN_D50, LN_SIGMA, D50, SIGMA = 1.4, 3e-5, 0.8, 4e-4, 2.5e-5, 0.6, 6e-5, 2e-5


def mesh(intervals):
    return [0.0] + [0.5e-6 * 1000.0 ** (i / intervals) for i in range(1, intervals + 1)]


def fractions(q3):
    q3 = np.asarray(q3)
    return np.diff(np.concatenate(([0.0], q3[1:]))) / q3[-1]


FLUIDS = {
    "rrsb": lambda x: fractions([cdf_Rosin_Rammler(d, D63 ** -N, N) for d in x]),
    "ggs": lambda x: fractions([cdf_Gates_Gaudin_Schuhman(d, XMAX, M) for d in x]),
    "lognormal": lambda x: fractions([cdf_lognormal(d, LN_D50, LN_SIGMA) for d in x]),
}
SCIPY = {
    "rrsb": lambda x: fractions(stats.weibull_min.cdf(x, N, scale=D63)),
    "ggs": lambda x: fractions(stats.powerlaw.cdf(x, M, scale=XMAX)),
    "lognormal": lambda x: fractions(stats.lognorm.cdf(x, LN_SIGMA, scale=LN_D50)),
    "normal": lambda x: fractions(stats.norm.cdf(x, D50, SIGMA)),
}


def python_time(function, x):
    timer = timeit.Timer(lambda: function(x))
    loops, _ = timer.autorange()
    return min(timer.repeat(3, loops)) / loops * 1e9  # ns


def main():
    if not PROGRAM.exists():
        sys.exit(f"{PROGRAM} is missing: build the bench preset first")
    out = subprocess.run(
        [str(PROGRAM), "--benchmark_format=json", "--benchmark_min_time=0.2"],
        check=True,
        capture_output=True,
        text=True,
    ).stdout
    ours = {b["name"]: b["real_time"] for b in json.loads(out)["benchmarks"]}
    print(f"{'curve':10} {'N':>5} {'bare ns':>10} {'Curve':>7} {'Class':>7} {'Eval':>7}"
          f" {'fluids/Curve':>13} {'scipy/Curve':>12}")
    for curve in ("rrsb", "ggs", "lognormal", "normal"):
        for n in SIZES:
            bare = ours[f"Bare/{curve}/{n}"]
            curve_ns = ours[f"Curve/{curve}/{n}"]
            row = [curve_ns / bare, ours[f"Class/{curve}/{n}"] / bare, ours[f"Eval/{curve}/{n}"] / bare]
            x = mesh(n)
            peers = []
            for table in (FLUIDS, SCIPY):
                peers.append(python_time(table[curve], x) / curve_ns if curve in table else math.nan)
            print(f"{curve:10} {n:5d} {bare:10.0f} {row[0]:7.2f} {row[1]:7.2f} {row[2]:7.2f}"
                  f" {peers[0]:13.0f} {peers[1]:12.0f}")
    print("Curve, Class, Eval: time relative to the bare loop; fluids/Curve, scipy/Curve: how many"
          " times slower the peer is (fluids has no normal distribution).")


if __name__ == "__main__":
    main()
