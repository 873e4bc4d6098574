#!/usr/bin/python3
"""Writes a station log of N seven-line records (default 50,000) to standard output.

Seeded, so every run gives the same log. Each line is followed by a carriage return after
its newline, as the station software writes its logs.
"""
import random
import sys


def record(rng, k):
    seconds = k * 30
    day, rest = divmod(seconds, 86400)
    hour, rest = divmod(rest, 3600)
    minute, second = divmod(rest, 60)
    month, day = divmod(day % 360, 30)
    return [
        "1997:%02d:%02d:%02d:%02d:%04.1f" % (month + 1, day + 1, hour, minute, second + rng.random()),
        "%.2f:%.2f:%.1f:%.2f" % (rng.uniform(0, 30), rng.uniform(0, 10), rng.uniform(900, 1100),
                                 rng.uniform(0, 360)),
        "%.4f %.5f N %.5f" % (rng.uniform(0, 86400), rng.uniform(54, 60), rng.uniform(5, 12)),
        "%.2f" % rng.uniform(-5, 35),
        "%.3f %.3f %.3f %d %d %.2f %.2f" % (rng.uniform(0, 10), rng.uniform(0, 10), rng.uniform(0, 10),
                                            rng.randrange(0, 100), rng.randrange(0, 10),
                                            rng.uniform(0, 1), rng.uniform(0, 1)),
        " ".join("%.1f" % rng.uniform(0, 50) for _ in range(5)),
        "status OK %d" % rng.randrange(1000),
    ]


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 50000
    rng = random.Random(1997)
    out = sys.stdout
    for k in range(count):
        out.write("".join(line + "\n\r" for line in record(rng, k)))


if __name__ == "__main__":
    main()
