#!/usr/bin/python3
"""Times whole commands, alternating between them in the same run, and prints medians.

Usage: compare_runs.py --dir DIR --runs N [--ratio A/B ...] NAME=COMMAND [NAME=COMMAND ...]
A COMMAND is a program with its arguments, optionally ending in "<FILE" for standard input;
it runs in DIR. For each command the wall time (median, interquartile range, min and max over
N runs) and the peak resident memory are printed, then each requested ratio of medians with
the range of the ratios of its runs paired by round (each round runs every command once).
"""
import argparse
import os
import shlex
import statistics
import subprocess
import sys
import time


def parse_command(text):
    words = shlex.split(text)
    stdin = None
    if words and words[-1].startswith("<"):
        stdin = words.pop()[1:]
    return words, stdin


def run_once(words, stdin, cwd):
    with open(os.path.join(cwd, stdin) if stdin else os.devnull, "rb") as feed:
        start = time.perf_counter()
        child = subprocess.Popen(words, cwd=cwd, stdin=feed,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        elapsed = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    return elapsed, usage.ru_maxrss / 1024.0, child.returncode


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--ratio", action="append", default=[])
    parser.add_argument("commands", nargs="+")
    args = parser.parse_args()

    commands = {}
    for item in args.commands:
        name, _, text = item.partition("=")
        commands[name] = parse_command(text)
    times = {name: [] for name in commands}
    peaks = {name: 0.0 for name in commands}
    statuses = {name: set() for name in commands}
    for _ in range(args.runs):
        for name, (words, stdin) in commands.items():
            elapsed, peak, status = run_once(words, stdin, args.dir)
            times[name].append(elapsed)
            peaks[name] = max(peaks[name], peak)
            statuses[name].add(status)

    medians = {}
    for name, values in times.items():
        medians[name] = statistics.median(values)
        q1, _, q3 = quartiles(values)
        print(f"{name:>8}: median {medians[name]:.4f} s  (quartiles {q1:.4f} {q3:.4f}, "
              f"min {min(values):.4f}, max {max(values):.4f}, {len(values)} runs)  "
              f"peak memory {peaks[name]:.1f} MB  exit status {sorted(statuses[name])}")
    for ratio in args.ratio:
        top, _, bottom = ratio.partition("/")
        paired = [a / b for a, b in zip(times[top], times[bottom])]
        q1, _, q3 = quartiles(paired)
        print(f"{ratio:>17}: {medians[top] / medians[bottom]:.2f}  "
              f"(paired runs: quartiles {q1:.2f} {q3:.2f}, min {min(paired):.2f}, "
              f"max {max(paired):.2f})")
    return 0


def quartiles(values):
    """The first quartile, the median and the third quartile (a single value: itself)."""
    if len(values) < 2:
        return values[0], values[0], values[0]
    return statistics.quantiles(values, n=4, method="inclusive")


if __name__ == "__main__":
    sys.exit(main())
