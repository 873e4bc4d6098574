#!/usr/bin/python3
"""Times plaxen.grid on float64 arrays against plaxen-grid's own run on the same records,
alternating between the two round by round.

Usage: python_grid.py PLAXEN_GRID DATA NX NY [RUNS]     (the module on PYTHONPATH)

The records of DATA are loaded once with plaxen.load and handed to plaxen.grid as float64
arrays, which it rounds to single precision, checks and scans before it lays, fills and
honours the grid: the whole call is timed. plaxen-grid grids DATA onto the same nodes and
reports its own seconds; its run less its parsing is the gridding and the residuals (its
reading and parsing of the text, and the writing of its output, which plaxen.grid does not
do, are left out). Prints the medians with their quartiles and range, the ratio of the
medians and the range of the ratios of the rounds, and whether both reported the same
defined nodes and residual sums (the tests compare the grids bit for bit).
"""
import json
import statistics
import subprocess
import sys
import time

import numpy as np
import xarray  # noqa: F401 (imported once by the first plaxen.grid of a process: not timed)

import plaxen


def spread(values):
    q = statistics.quantiles(values, n=4)
    return (f"median {statistics.median(values):.3f} s  (quartiles {q[0]:.3f} {q[2]:.3f}, "
            f"min {min(values):.3f}, max {max(values):.3f}, {len(values)} runs)")


def plaxen_grid_report(program, data, nx, ny):
    """plaxen-grid's report of a run whose grid goes nowhere."""
    r = subprocess.run([program, data, "/dev/null", "-of", "plaxen", "-n", str(nx), str(ny),
                        "--json", "--quiet"], capture_output=True, text=True, check=True)
    return json.loads(r.stdout)


def main():
    program, data, nx, ny = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    runs = int(sys.argv[5]) if len(sys.argv) > 5 else 7
    x, y, z, _ = plaxen.load(data)
    x, y, z = (a.astype(np.float64) for a in (x, y, z))
    print(f"{len(x):,} records of {data} as float64 arrays onto {nx} x {ny} nodes, "
          f"{plaxen._core.available_cores()} threads")
    ours, theirs, reads = [], [], []
    for _ in range(runs):
        start = time.perf_counter()
        g = plaxen.grid(x, y, z, nx, ny)
        ours.append(time.perf_counter() - start)
        report = plaxen_grid_report(program, data, nx, ny)
        theirs.append(report["seconds"]["grid"] + report["seconds"]["residuals"])
        reads.append(report["seconds"]["read"])
    ratios = sorted(a / b for a, b in zip(ours, theirs))
    print(f"  plaxen.grid: {spread(ours)}")
    print(f"  plaxen-grid: {spread(theirs)}  gridding and residuals, without its reading "
          f"(median {statistics.median(reads):.3f} s)")
    print(f"  plaxen.grid / plaxen-grid: {statistics.median(ours) / statistics.median(theirs):.2f}"
          f"  (rounds: min {ratios[0]:.2f}, median {statistics.median(ratios):.2f}, "
          f"max {ratios[-1]:.2f})")
    same = (g.attrs["defined_nodes"], g.attrs["residual_count"], g.attrs["residual_rms"]) == (
        report["grid"]["defined_nodes"], report["residuals"]["count"], report["residuals"]["rms"])
    print(f"  defined nodes {g.attrs['defined_nodes']} of {g.size}, residual rms "
          f"{g.attrs['residual_rms']!r}: {'the same as' if same else 'NOT THE SAME AS'} "
          "plaxen-grid's")


if __name__ == "__main__":
    main()
