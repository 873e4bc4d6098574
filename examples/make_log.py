#!/usr/bin/python3
"""Writes station.log, the example log for recmat.

A record is seven lines, one record every ten minutes from a buoy station:
  1  date and time           1998:05:12:10:30:15.5
  2  day of year and time    132:10:30:15.5
  3  depth, latitude N, longitude
                             12.5 41.5230 N 70.6710
  4  water temperature       14.82
  5  three sensor readings, two status integers, two more readings
                             1.25 -0.34 9.81 3 7 22.4 1013.2
  6  five channel readings   0.12 0.08 0.31 0.02 0.05
  7  free text               ok

Every line ends with a newline followed by a carriage return, the log's classic line end.
One record's last line begins with "1997:": it marks the record after it as one that
recmat must not take.

    /usr/bin/python3 examples/make_log.py [OUTPUT_DIR]
"""
import os
import sys

import numpy as np

SEED = 19980512
RECORDS = 24
MARKED = 9          # the last line of this record (counted from 1) carries the marker


def record(k, rng):
    minutes = 10 * 60 + 30 + 10 * k
    hh, mm = divmod(minutes, 60)
    ss = 15.5 + float(rng.integers(0, 4)) * 0.25
    depth = 12.5 + 0.1 * np.sin(k / 3.0)
    lat = 41.523 + 0.0004 * k + rng.normal(0, 0.0001)
    lon = 70.671 - 0.0003 * k + rng.normal(0, 0.0001)
    temp = 14.8 + 0.05 * k + rng.normal(0, 0.02)
    ax, ay, az = rng.normal(1.2, 0.1), rng.normal(-0.3, 0.05), rng.normal(9.81, 0.01)
    status, mode = int(rng.integers(0, 4)), 7
    wind, pressure = 20.0 + rng.normal(0, 2), 1013.2 - 0.1 * k
    channels = rng.uniform(0.0, 0.4, 5)
    text = "ok"
    if k + 1 == MARKED:
        text = "1997: sensor check follows, not a measurement"
    return [
        f"1998:05:12:{hh:02d}:{mm:02d}:{ss:.2f}",
        f"132:{hh:02d}:{mm:02d}:{ss:.2f}",
        f"{depth:.1f} {lat:.4f} N {lon:.4f}",
        f"{temp:.2f}",
        f"{ax:.2f} {ay:.2f} {az:.2f} {status} {mode} {wind:.1f} {pressure:.1f}",
        " ".join(f"{c:.2f}" for c in channels),
        text,
    ]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    rng = np.random.default_rng(SEED)
    with open(os.path.join(out, "station.log"), "w", newline="") as f:
        for k in range(RECORDS):
            for line in record(k, rng):
                f.write(line + "\n\r")


if __name__ == "__main__":
    main()
