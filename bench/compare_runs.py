#!/usr/bin/python3
"""Times whole commands, alternating between them in the same run, and prints medians.

Usage: compare_runs.py --dir DIR --runs N [--ratio A/B ...] NAME=COMMAND [NAME=COMMAND ...]
A COMMAND is a program with its arguments, optionally ending in "<FILE" for standard input;
it runs in DIR. For each command the wall time (median, min, max over N runs) and the peak
resident memory are printed, then each requested ratio of medians.
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
        print(f"{name:>8}: median {medians[name]:.4f} s  (min {min(values):.4f}, "
              f"max {max(values):.4f}, {len(values)} runs)  peak memory {peaks[name]:.1f} MB  "
              f"exit status {sorted(statuses[name])}")
    for ratio in args.ratio:
        top, _, bottom = ratio.partition("/")
        print(f"{ratio:>17}: {medians[top] / medians[bottom]:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
