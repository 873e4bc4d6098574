#!/usr/bin/python3
"""Writes the example survey: scattered x, y, value records for plaxen.

The survey covers x 521000..524000 and y 4631000..4633000 (metres). It is made of
north-south survey lines every 100 m sampled every 20 m, four east-west tie lines,
four dense clusters and some isolated readings. All of it lies inside an eight-sided
survey boundary; nothing was measured on the lake in the north-east, so the grid keeps
a gap there. The measured surface is a gentle trend plus four smooth hills and hollows,
with a little measurement noise.

The extreme coordinates are round numbers (the survey boundary touches the four sides of
the rectangle), so plaxen's data-limits line, printed with four significant digits,
gives the grid origin exactly.

The same boundary and lake are written to survey.bln by this script, so the blanking
example masks what the data leave out.

    /usr/bin/python3 examples/make_points.py [OUTPUT_DIR]

writes points.dat and survey.bln into OUTPUT_DIR (default: the directory of this script).
"""
import math
import os
import sys

import numpy as np

SEED = 20260512
X0, Y0 = 521000.0, 4631000.0          # south-west corner of the survey rectangle
WIDTH, HEIGHT = 3000.0, 2000.0        # metres

# Survey boundary (local metres, counter-clockwise). Each side of the rectangle is touched.
BOUNDARY = [(0, 200), (400, 0), (2600, 0), (3000, 500),
            (3000, 1700), (2700, 2000), (300, 2000), (0, 1600)]
# The lake: an ellipse with no readings.
LAKE_CENTRE, LAKE_AXES, LAKE_ANGLE = (2050.0, 1250.0), (400.0, 240.0), math.radians(25)

HILLS = [  # (amplitude, centre u, centre v, sigma) in value units and metres
    (70.0, 800.0, 1300.0, 380.0),
    (-55.0, 2100.0, 600.0, 420.0),
    (38.0, 2500.0, 1650.0, 260.0),
    (-30.0, 1300.0, 350.0, 300.0),
]


def surface(u, v):
    """The measured quantity at local coordinates u, v (metres)."""
    z = -118.0 + 0.011 * u - 0.0085 * v
    for amp, cu, cv, sig in HILLS:
        z = z + amp * np.exp(-((u - cu) ** 2 + (v - cv) ** 2) / (2.0 * sig * sig))
    return z


def in_lake(u, v, margin=0.0):
    cu, cv = LAKE_CENTRE
    a, b = LAKE_AXES[0] + margin, LAKE_AXES[1] + margin
    c, s = math.cos(LAKE_ANGLE), math.sin(LAKE_ANGLE)
    du, dv = u - cu, v - cv
    p, q = du * c + dv * s, -du * s + dv * c
    return (p / a) ** 2 + (q / b) ** 2 <= 1.0


def inside_boundary(u, v):
    """True where (u, v) lies inside or on the convex survey boundary."""
    ok = np.ones(np.shape(u), dtype=bool)
    n = len(BOUNDARY)
    for k in range(n):
        (x1, y1), (x2, y2) = BOUNDARY[k], BOUNDARY[(k + 1) % n]
        ok &= (x2 - x1) * (v - y1) - (y2 - y1) * (u - x1) >= -1e-9
    return ok


def chord(axis_value, vertical):
    """The interval of a vertical (x fixed) or horizontal line inside the boundary."""
    hits = []
    n = len(BOUNDARY)
    for k in range(n):
        (x1, y1), (x2, y2) = BOUNDARY[k], BOUNDARY[(k + 1) % n]
        if not vertical:
            x1, y1, x2, y2 = y1, x1, y2, x2
        if min(x1, x2) <= axis_value <= max(x1, x2):
            if x1 == x2:
                hits += [y1, y2]
            else:
                hits.append(y1 + (y2 - y1) * (axis_value - x1) / (x2 - x1))
    return min(hits), max(hits)


def survey(rng):
    us, vs = [], []
    # North-south lines every 100 m, a reading every 20 m, with a slight wobble of the
    # track. The two outermost lines run exactly along the boundary.
    for k in range(31):
        x = 100.0 * k
        lo, hi = chord(x, vertical=True)
        n = int(round((hi - lo) / 20.0))
        v = np.linspace(lo, hi, n + 1)
        v[1:-1] += rng.normal(0.0, 2.0, n - 1)
        u = np.full_like(v, x)
        if 0 < k < 30:
            u += 4.0 * np.sin(v / 170.0 + k) + rng.normal(0.0, 1.5, v.size)
        us.append(u)
        vs.append(v)
    # East-west tie lines.
    for y in (250.0, 750.0, 1250.0, 1750.0):
        lo, hi = chord(y, vertical=False)
        n = int(round((hi - lo) / 20.0))
        u = np.linspace(lo, hi, n + 1)
        v = np.full_like(u, y) + 3.0 * np.sin(u / 230.0) + rng.normal(0.0, 1.5, u.size)
        us.append(u)
        vs.append(v)
    # Dense clusters around sites of interest.
    for cu, cv, sig, count in ((800, 1300, 110, 450), (2150, 600, 140, 500),
                               (1300, 350, 80, 300), (2550, 1700, 90, 350)):
        us.append(rng.normal(cu, sig, count))
        vs.append(rng.normal(cv, sig, count))
    # Isolated readings.
    us.append(rng.uniform(0.0, WIDTH, 500))
    vs.append(rng.uniform(0.0, HEIGHT, 500))
    u, v = np.concatenate(us), np.concatenate(vs)
    keep = inside_boundary(u, v) & ~np.array([in_lake(a, b) for a, b in zip(u, v)])
    u, v = u[keep], v[keep]
    u = np.clip(u, 0.0, WIDTH)
    v = np.clip(v, 0.0, HEIGHT)
    z = surface(u, v) + rng.normal(0.0, 0.25, u.size)
    return u, v, z


def lake_polygon(vertices=32, margin=0.0):
    cu, cv = LAKE_CENTRE
    a, b = LAKE_AXES[0] + margin, LAKE_AXES[1] + margin
    c, s = math.cos(LAKE_ANGLE), math.sin(LAKE_ANGLE)
    pts = []
    for k in range(vertices):
        t = 2.0 * math.pi * k / vertices
        p, q = a * math.cos(t), b * math.sin(t)
        pts.append((cu + p * c - q * s, cv + p * s + q * c))
    return pts


def write_points(path, u, v, z):
    with open(path, "w") as f:
        for a, b, c in zip(u, v, z):
            f.write(f"{X0 + a:.3f} {Y0 + b:.3f} {c:.4f}\n")


def write_bln(path):
    # Block 1 blanks everything outside the survey boundary, drawn 25 m outside it so that
    # the nodes along the boundary itself keep their data. Block 2 blanks the lake, drawn
    # 15 m inside its shore.
    cu, cv = WIDTH / 2, HEIGHT / 2
    outer = []
    for x, y in BOUNDARY:
        d = math.hypot(x - cu, y - cv)
        outer.append((x + 25.0 * (x - cu) / d, y + 25.0 * (y - cv) / d))
    lake = lake_polygon(margin=-15.0)
    with open(path, "w") as f:
        f.write(f"{len(outer)} 0\n")
        for x, y in outer:
            f.write(f"{X0 + x:.1f} {Y0 + y:.1f}\n")
        f.write(f"{len(lake)} 1\n")
        for x, y in lake:
            f.write(f"{X0 + x:.1f} {Y0 + y:.1f}\n")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    rng = np.random.default_rng(SEED)
    u, v, z = survey(rng)
    write_points(os.path.join(out, "points.dat"), u, v, z)
    write_bln(os.path.join(out, "survey.bln"))
    print(f"{u.size} points, values {z.min():.4f} .. {z.max():.4f}", file=sys.stderr)


if __name__ == "__main__":
    main()
