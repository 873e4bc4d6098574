"""plaxen from Python against the programs: plaxen.grid bit for bit as plaxen-grid,
plaxen.load as plaxen reads odd files, plaxen.read_grid as plaxen-export places a grid file,
every refusal with its line, and any number of threads with the same arrays.

Run by ctest (tests/python/CMakeLists.txt) through pytest, with the built package on
PYTHONPATH and the programs in PLAXEN_GRID, PLAXEN_INFO and PLAXEN_EXPORT.
"""
import json
import os
import pathlib
import re
import subprocess
import sys
import tracemalloc

import numpy as np
import pytest
import xarray
from osgeo import gdal

import plaxen

gdal.UseExceptions()
PLAXEN_GRID = os.environ["PLAXEN_GRID"]
PLAXEN_INFO = os.environ["PLAXEN_INFO"]
PLAXEN_EXPORT = os.environ["PLAXEN_EXPORT"]
SURVEY = os.path.join(os.environ["PLAXEN_EXAMPLES"], "points.dat")


def survey(folder):
    return SURVEY


def shuffled(folder):
    """The survey as "value x y station" records under two header lines."""
    x, y, z, _ = plaxen.load(SURVEY)
    path = os.path.join(folder, "shuffled.dat")
    with open(path, "w") as f:
        f.write("survey of 2026\nvalue easting northing station\n")
        f.writelines(f"{c:.4f},{a:.3f}\t{b:.3f} S{k}\n" for k, (a, b, c) in enumerate(zip(x, y, z)))
    return path


def sparse(folder):
    """300 readings over a wide area: most nodes of a fine grid are filled by relaxation."""
    rng = np.random.default_rng(20261209)
    path = os.path.join(folder, "sparse.dat")
    np.savetxt(path, np.column_stack([rng.uniform(0, 6000, 300), rng.uniform(-2000, 2500, 300),
                                      rng.normal(10, 3, 300)]), fmt="%.3f")
    return path


REGION = (521500, 523500, 4631200, 4632800)


def load(path):
    return plaxen.load(path)[:3]


def load_shuffled(path):
    return plaxen.load(path, columns=(2, 3, 1), skip_lines=2)[:3]


def numpy_text(path):
    """The records as float64, read by numpy: plaxen.grid rounds them as plaxen reads text."""
    return np.loadtxt(path, unpack=True)


# One job a row: its name, the data, plaxen-grid's options, how Python reads the data, and
# plaxen.grid's arguments for the same job.
JOBS = [
    ("survey 61 x 41", survey, ["-n", "61", "41"], load, dict(nx=61, ny=41)),
    ("crowded nodes drop readings", survey, ["-n", "7", "5"], load, dict(nx=7, ny=5)),
    ("spacing dx/dy", survey, ["-I", "37.5/41"], load, dict(spacing=(37.5, 41))),
    ("one spacing on 2 threads", survey, ["-I", "25", "--threads", "2"], numpy_text,
     dict(spacing=25, threads=2)),
    ("region with readings outside", survey, ["-n", "90", "70", "-R", "/".join(map(str, REGION))],
     load, dict(nx=90, ny=70, region=REGION)),
    ("columns after a header", shuffled, ["-n", "40", "30", "--columns", "2,3,1",
                                          "--skip-lines", "2"], load_shuffled, dict(nx=40, ny=30)),
    ("relaxed fine grid", sparse, ["-n", "600", "450", "--threads", "1"], numpy_text,
     dict(nx=600, ny=450, threads=3)),
]


def run(*command):
    r = subprocess.run(command, capture_output=True, text=True)
    return r.returncode, r.stdout, r.stderr


def bits(values):
    """The bit patterns of an array, for comparisons that NaN and -0.0 cannot fool."""
    a = np.ascontiguousarray(values)
    return a.view({4: np.uint32, 8: np.uint64}[a.dtype.itemsize])


def single(text):
    return np.float32(float(text))


@pytest.mark.parametrize("name, data, options, read, grid_args", JOBS, ids=[j[0] for j in JOBS])
def test_grid_is_plaxen_grid_bit_for_bit(tmp_path, name, data, options, read, grid_args):
    path = data(tmp_path)
    out = {f: str(tmp_path / f) for f in ("grid.nc", "counts.nc", "residuals.txt")}
    status, stdout, stderr = run(PLAXEN_GRID, path, out["grid.nc"], *options, "--json",
                                 "--quiet", "--counts", out["counts.nc"], "--residuals",
                                 out["residuals.txt"])
    assert (status, stderr) == (0, "")
    report = json.loads(stdout)
    made = xarray.open_dataset(out["grid.nc"], mask_and_scale=False)
    made_counts = xarray.open_dataset(out["counts.nc"], mask_and_scale=False)

    x, y, z = read(path)
    g, counts = plaxen.grid(x, y, z, counts=True, **grid_args)
    assert g.dims == ("y", "x") and g.dtype == np.float32 and counts.dtype == np.uint32
    assert (bits(g.values) == bits(made.z.values)).all()
    assert (bits(g.x.values) == bits(made.x.values)).all()
    assert (bits(g.y.values) == bits(made.y.values)).all()
    assert (counts.values == made_counts.z.values).all()

    r, grid = report, report["grid"]
    expected = {"records": r["records"], "data_nodes": grid["data_nodes"],
                "defined_nodes": grid["defined_nodes"],
                "undefined_nodes": grid["undefined_nodes"], "sweeps": grid["sweeps"],
                "dropped_readings": r["dropped_readings"],
                "outside_readings": r["outside_readings"],
                "residual_count": r["residuals"]["count"],
                "residual_mean": r["residuals"]["mean"], "residual_rms": r["residuals"]["rms"],
                "residual_largest": r["residuals"]["largest"],
                "residual_largest_index": r["residuals"]["largest_reading"] - 1}
    assert {k: g.attrs[k] for k in expected} == expected
    for k in ("xmin", "ymin", "xmax", "ymax", "dx", "dy"):
        assert np.float32(g.attrs[k]) == single(grid[k]), k
    assert (single(g.attrs["value_min"]), single(g.attrs["value_max"])) == (
        single(r["values"]["min"]), single(r["values"]["max"]))

    # The residual of every reading, as the residuals file has it ("nan" where none).
    with open(out["residuals.txt"]) as f:
        column = np.array([float(line.split()[3]) for line in f])
    assert (bits(plaxen.residuals(g, x, y, z)) == bits(column)).all()

    # Written by xarray, the grid is placed by GDAL exactly as plaxen-grid's own netCDF.
    g.to_netcdf(tmp_path / "python.nc")
    ours, theirs = gdal.Open(str(tmp_path / "python.nc")), gdal.Open(out["grid.nc"])
    assert ours.GetGeoTransform() == theirs.GetGeoTransform()
    assert (bits(ours.ReadAsArray()) == bits(theirs.ReadAsArray())).all()


def test_thread_counts_give_the_same_arrays():
    # The survey 20 times over, 108,440 readings: more than one segment of readings (32,768
    # held, 65,536 for residuals), so the threads' segments are combined.
    x, y, z = (np.tile(column, 20) for column in plaxen.load(SURVEY)[:3])
    runs = []
    for threads in (1, 2, 3, 8, 64):
        g, counts = plaxen.grid(x.astype(np.float64), y, z, 250, 180, threads=threads,
                                counts=True)
        # Only the arrays are kept: they must outlive their DataArrays.
        residuals = plaxen.residuals(g, x, y, z, threads=threads)
        runs.append((threads, g.values, counts.values, residuals, g.attrs))
        del g, counts
    for threads, values, counts, residuals, attrs in runs[1:]:
        assert (bits(values) == bits(runs[0][1])).all(), threads
        assert (counts == runs[0][2]).all(), threads
        assert (bits(residuals) == bits(runs[0][3])).all(), threads
        assert attrs == runs[0][4], threads


# Odd files: the text, plaxen.load's arguments, and the records plaxen reads from it.
ODD_FILES = [
    ("commas, tabs and CRLF", b"1,2,3\n\t4\t5\t6\r\n", {}, [(1, 2, 3), (4, 5, 6)]),
    ("the rest of a line ignored", b"1 2 3 4 five\n", {}, [(1, 2, 3)]),
    ("a record over three lines", b"1\n2\n3\n", {}, [(1, 2, 3)]),
    ("exponent forms", b"2.5d1 1.0+2 -3E0\n", {}, [(25, 100, -3)]),
    ("an empty y keeps the last", b"1 2 3\n4,,5\n", {}, [(1, 2, 3), (4, 2, 5)]),
    ("an empty value reads 0", b"1 2 3\n4,5,,\n", {}, [(1, 2, 3), (4, 5, 0)]),
    ("a repeat count", b"2*5 6\n", {}, [(5, 5, 6)]),
    ("a slash ends the record", b"1 2 3\n7 8 /\n", {}, [(1, 2, 3), (7, 8, 0)]),
    ("no newline at the end", b"1 2 3\n4 5 6", {}, [(1, 2, 3), (4, 5, 6)]),
    ("a record cut by the end", b"1 2 3\n4 5", {}, [(1, 2, 3)]),
    ("rounded once to single", b"0.1 16777217 -0\n1e-46 2.5e-45 3.4028236e38\n", {},
     [(np.float32(0.1), 16777216, -0.0), (0, np.float32(2.8e-45), np.inf)]),
    ("an empty file", b"", {}, []),
    ("columns after a header", b"x,y\nskipped too\n9 1 2 3\n", dict(columns=(2, 3, 4),
                                                                skip_lines=2), [(1, 2, 3)]),
]


@pytest.mark.parametrize("name, text, args, records", ODD_FILES, ids=[f[0] for f in ODD_FILES])
def test_load_reads_as_plaxen_reads(tmp_path, name, text, args, records):
    path = tmp_path / "odd.dat"
    path.write_bytes(text)
    x, y, z, limits = plaxen.load(path, **args)
    expected = np.array(records, dtype=np.float32).reshape(-1, 3)
    assert x.dtype == y.dtype == z.dtype == np.float32
    assert (bits(np.column_stack([x, y, z])) == bits(expected)).all()
    if args or not records:
        return
    # plaxen's own loader (plaxen-info) finds the same records, limits and values.
    status, stdout, _ = run(PLAXEN_INFO, str(path), "--json")
    info = json.loads(stdout)
    assert (status, info["records"]) == (0, len(x))
    assert [np.float32(v) for v in limits] == [single(info["limits"][k]) for k in limits._fields]
    assert (single(info["values"]["min"]), single(info["values"]["max"])) == (z.min(), z.max())


def test_read_grid_is_placed_as_plaxen_export_places_it(tmp_path):
    grd, nc = str(tmp_path / "points.grd"), str(tmp_path / "points.nc")
    assert run(PLAXEN_GRID, SURVEY, grd, "-n", "61", "41", "--quiet")[0] == 0
    assert run(PLAXEN_EXPORT, SURVEY, grd, "61", "41", nc) == (0, "", "")
    exported = xarray.open_dataset(nc, mask_and_scale=False)
    g = plaxen.read_grid(grd, 61, 41, data=SURVEY)
    assert (bits(g.values) == bits(exported.z.values)).all()
    assert (bits(g.x.values) == bits(exported.x.values)).all()
    assert (bits(g.y.values) == bits(exported.y.values)).all()
    assert g.attrs["records"] == 5422


def files(folder):
    """The files the refusals below name, in `folder`."""
    for name, text in (("bad.dat", "1 2 3\n4 5 x6\n"), ("flat.dat", "1 0 1\n1 5 2\n"),
                       ("d.dat", "0 0 1\n10 0 2\n0 5 3\n10 5 4\n"), ("short.grd", "1 2 3\n")):
        (folder / name).write_text(text)
    return folder


X, Y, Z = [0, 10, 0], [0, 0, 5], [1, 2, 3]

# One refusal a row: its name, the call (given the folder of its files), the exception, and
# its whole message: the text, a pattern where it tells the memory available, or the command
# of the program whose line (without its name) it must be, run in the same folder.
REFUSALS = [
    ("lengths differ", lambda d: plaxen.grid(X, Y, [1, 2], 2, 2), ValueError,
     "x, y and z must have one length, not 3, 3 and 2"),
    ("a NaN coordinate", lambda d: plaxen.grid([0, np.nan, 1], Y, Z, 2, 2), ValueError,
     "x[1] is nan: coordinates must be finite single-precision numbers"),
    ("an infinite y", lambda d: plaxen.grid(X, [0, 0, -np.inf], Z, 2, 2), ValueError,
     "y[2] is -inf: coordinates must be finite single-precision numbers"),
    ("beyond single precision", lambda d: plaxen.grid([1e300, 0, 1], Y, Z, 2, 2), ValueError,
     "x[0] is 1e+300: coordinates must be finite single-precision numbers"),
    ("a NaN value", lambda d: plaxen.grid(X, Y, np.array([1, np.nan, 3], np.float32), 2, 2),
     ValueError, "z[1] is nan: values must be numbers"),
    ("text for numbers", lambda d: plaxen.grid(["0", "1", "2"], Y, Z, 2, 2), ValueError,
     "x must hold real numbers, not <U1"),
    ("no readings", lambda d: plaxen.grid([], [], [], 2, 2), ValueError, "no records"),
    ("no extent along x", lambda d: plaxen.grid([1, 1, 1], Y, Z, 2, 2), ValueError,
     "the data have no extent along x"),
    ("nx below 2", lambda d: plaxen.grid(X, Y, Z, 1, 5), ValueError,
     "the grid needs at least 2 nodes along x and along y"),
    ("ny far below 2", lambda d: plaxen.grid(X, Y, Z, 5, -10**20), ValueError,
     "the grid needs at least 2 nodes along x and along y"),
    ("nx beyond 32 bits", lambda d: plaxen.grid(X, Y, Z, 2**31, 2), ValueError,
     "nx = 2147483648 is more than the 2147483647 nodes a grid can have along an axis"),
    ("a grid beyond memory", lambda d: plaxen.grid(X, Y, Z, 10**6, 10**6), ValueError,
     re.compile(re.escape("a grid of 1000000 x 1000000 nodes needs 4125.0 GB of memory; ") +
                r"[0-9]+\.[0-9] GB are available")),
    ("values that span too much", lambda d: plaxen.grid(X, Y, [-1e32, 0, 1e32], 2, 2),
     ValueError, "the data values span 1.0e32 or more, too much to grid"),
    ("neither size nor spacing", lambda d: plaxen.grid(X, Y, Z, 5), ValueError,
     "give the grid either as nx, ny or as spacing"),
    ("size and spacing", lambda d: plaxen.grid(X, Y, Z, 5, 5, spacing=1), ValueError,
     "give the grid either as nx, ny or as spacing"),
    ("a spacing of 0", lambda d: plaxen.grid(X, Y, Z, spacing=(1, 0)), ValueError,
     "the grid spacing is 0 or not finite"),
    ("a spacing too fine", lambda d: plaxen.grid(X, Y, Z, spacing=1e-30), ValueError,
     "spacing 1e-30/1e-30 asks for more than 2147483647 nodes along an axis"),
    ("a spacing too coarse", lambda d: plaxen.grid(X, Y, Z, spacing=20), ValueError,
     "the grid needs at least 2 nodes along x and along y (spacing 20/20 gives 2 x 1)"),
    ("a region of three", lambda d: plaxen.grid(X, Y, Z, 2, 2, region=(0, 1, 2)), ValueError,
     "region takes four numbers, (xmin, xmax, ymin, ymax)"),
    ("no threads", lambda d: plaxen.grid(X, Y, Z, 2, 2, threads=0), ValueError,
     "threads takes a number of threads from 1 to 4096, not 0"),
    ("load: an unreadable record", lambda d: plaxen.load(d / "bad.dat"), ValueError,
     [PLAXEN_INFO, "bad.dat"]),
    ("load: no such file", lambda d: plaxen.load(d / "nofile.dat"), ValueError,
     [PLAXEN_INFO, "nofile.dat"]),
    ("load: a directory", lambda d: plaxen.load(d), ValueError, [PLAXEN_INFO, "."]),
    ("load: one column twice", lambda d: plaxen.load(d / "d.dat", columns=(1, 2, 1)),
     ValueError, "columns takes three different field numbers from 1 to 64 (x, y, value), "
                 "not (1, 2, 1)"),
    ("load: a NUL in the name", lambda d: plaxen.load("d.dat\0x"), ValueError,
     "embedded null character in the file name"),
    ("read_grid: a short grid file",
     lambda d: plaxen.read_grid(d / "short.grd", 3, 2, data=d / "d.dat"), ValueError,
     [PLAXEN_EXPORT, "d.dat", "short.grd", "3", "2", "out.xyz"]),
    ("read_grid: a grid beyond 2^63 bytes",
     lambda d: plaxen.read_grid(d / "short.grd", 2**31 - 1, 2**31 - 1, data=d / "d.dat"),
     ValueError, re.compile(re.escape("a grid of 2147483647 x 2147483647 nodes needs more than "
                                      "9223372036 GB of memory; ") +
                            r"[0-9]+\.[0-9] GB are available")),
    ("read_grid: ny below 2",
     lambda d: plaxen.read_grid(d / "short.grd", 3, 1, data=d / "flat.dat"), ValueError,
     "the grid needs at least 2 nodes along x and along y"),
    ("read_grid: data without extent",
     lambda d: plaxen.read_grid(d / "short.grd", 3, 2, data=d / "flat.dat"), ValueError,
     [PLAXEN_EXPORT, "flat.dat", "short.grd", "3", "2", "out.xyz"]),
    ("residuals: no plaxen grid",
     lambda d: plaxen.residuals(xarray.DataArray(np.zeros((2, 2)), dims=("y", "x")), X, Y, Z),
     ValueError, "grid must be a DataArray of plaxen.grid or plaxen.read_grid, with dims y and "
                 "x and the attributes xmin, ymin, dx and dy (KeyError('xmin'))"),
    ("residuals: a part of a grid",
     lambda d: plaxen.residuals(plaxen.grid(X, Y, Z, 5, 5)[1:], X, Y, Z), ValueError,
     "grid's coordinates are not the nodes its attributes place; give the whole grid, as "
     "plaxen made it"),
]


@pytest.mark.parametrize("name, call, error, message", REFUSALS, ids=[r[0] for r in REFUSALS])
def test_refusals_say_why_in_one_line(tmp_path, monkeypatch, name, call, error, message):
    monkeypatch.chdir(files(tmp_path))
    if isinstance(message, list):
        status, _, stderr = run(*message)
        program = os.path.basename(message[0]) + ": "
        assert status == 1 and stderr.startswith(program) and stderr.count("\n") == 1
        message = stderr[len(program):-1]
    with pytest.raises(error) as raised:
        call(pathlib.Path("."))
    if isinstance(message, re.Pattern):
        assert message.fullmatch(str(raised.value)), str(raised.value)
    else:
        assert str(raised.value) == message


def test_float32_readings_are_used_where_they_lie():
    x, y, z, _ = plaxen.load(SURVEY)
    x, y, z = (np.tile(a, 200) for a in (x, y, z))  # 4.3 MB a column
    tracemalloc.start()
    plaxen.grid(x, y, z, 61, 41)
    _, peak = tracemalloc.get_traced_memory()
    tracemalloc.stop()
    assert peak < x.nbytes // 4


def test_only_the_dataarrays_need_xarray():
    script = ("import sys; sys.modules['xarray'] = None\n"
              "import plaxen\n"
              f"x, y, z, _ = plaxen.load({SURVEY!r})\n"
              "try:\n"
              "    plaxen.grid(x, y, z, 61, 41)\n"
              "except ImportError as e:\n"
              "    print(len(x), e)\n")
    assert run(sys.executable, "-c", script) == (
        0, "5422 plaxen.grid returns an xarray.DataArray and needs the package xarray "
           "(Debian: python3-xarray; pip: xarray)\n", "")
