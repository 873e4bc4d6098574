#!/usr/bin/python3
"""Tests of tools/plotgrid: grid and transcript parsing, geometry, the PNG it writes, its
one-line refusals and how it replaces an existing picture.

    test_plotgrid.py PATH_TO_PLOTGRID
"""
import importlib.machinery
import importlib.util
import math
import os
import signal
import stat
import subprocess
import sys
import tempfile
import threading
import unittest

PLOTGRID = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), "../../tools/plotgrid"))


def load_module():
    loader = importlib.machinery.SourceFileLoader("plotgrid", PLOTGRID)
    found = importlib.util.spec_from_loader("plotgrid", loader)
    module = importlib.util.module_from_spec(found)
    loader.exec_module(module)
    return module


pg = load_module()


def e15(v):
    """An E15.7 field as plaxen writes it (values here are exact in 7 digits)."""
    if v == 0:
        return "  0.0000000E+00"
    mant, exp = f"{abs(v):.6E}".split("E")
    text = "0." + mant.replace(".", "") + f"E{int(exp) + 1:+03d}"
    return (" -" if v < 0 else "  ") + text


def grid_text(rows):
    return "".join("".join(e15(v) for v in row) + "\n" for row in rows)


class GridParsing(unittest.TestCase):
    def test_fields_are_split_by_width_not_by_blanks(self):
        # Full-width negative fields touch their neighbours without any blank.
        line = "-0.12345678E+01-0.25000000E+02  0.1500000E+01 -0.9990000E+03"
        rows = pg.read_grid(line + "\n", 4, 1)
        self.assertEqual(rows, [[-1.2345678, -25.0, 1.5, -999.0]])

    def test_rows_in_file_order_and_formatted_values(self):
        text = "  0.1500000E+01 -0.2250000E+01 -0.9990000E+03\n" \
               "  0.0000000E+00  0.9900000E+35            INF\n"
        rows = pg.read_grid(text, 3, 2)
        self.assertEqual(rows[0], [1.5, -2.25, -999.0])
        self.assertEqual(rows[1][:2], [0.0, 0.99e35])
        self.assertEqual(rows[1][2], float("inf"))

    def test_long_rows_continue_over_lines_of_3000(self):
        nx, ny = 3001, 2
        rows = [[float(i % 7) for i in range(nx)], [-float(i % 5) for i in range(nx)]]
        rows[1][3000] = 42.0
        text = ""
        for row in rows:
            text += "".join(e15(v) for v in row[:3000]) + "\n" + e15(row[3000]) + "\n"
        self.assertEqual(text.count("\n"), 4)
        self.assertEqual(pg.read_grid(text, nx, ny), rows)

    def test_crlf_line_ends_are_accepted(self):
        self.assertEqual(pg.read_grid("  0.1000000E+01  0.2000000E+01\r\n", 2, 1), [[1.0, 2.0]])

    def test_wrong_sizes_are_explained(self):
        text = grid_text([[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]])
        with self.assertRaisesRegex(pg.GridError, r"2 lines.*nx = 3 by ny = 3 has 3"):
            pg.read_grid(text, 3, 3)
        with self.assertRaisesRegex(pg.GridError, r"line 1: 45 characters, expected 4 values"):
            pg.read_grid(text, 4, 2)
        with self.assertRaisesRegex(pg.GridError, r"line 2: field 2 'x' is not a number"):
            pg.read_grid(text.replace("  0.5000000E+01", "              x"), 3, 2)


TRANSCRIPT = (" data limits: xmin,xmax,ymin,ymax=\n"
              " -0.1250E+01  0.8750E+01 -0.5000E+00  0.3500E+01\n"
              " 5 3\n"
              " point out of range k,x,y,z =    12     0.1000E+03     0.2000E+01     0.5000E+01\n")


class TranscriptAndGeometry(unittest.TestCase):
    def opts(self, **kw):
        keys = ("nx", "ny", "xmin", "xmax", "ymin", "ymax", "dx", "dy")
        return type("Opts", (), {k: kw.get(k) for k in keys})()

    def test_limits_and_echo_are_found(self):
        t = pg.read_transcript(TRANSCRIPT)
        self.assertEqual(t, dict(xmin=-1.25, xmax=8.75, ymin=-0.5, ymax=3.5, nx=5, ny=3))
        geo = pg.geometry(self.opts(), t)
        self.assertEqual(geo, dict(nx=5, ny=3, xmin=-1.25, ymin=-0.5, dx=2.5, dy=2.0))

    def test_blanking_dialogue_lines_do_not_disturb_the_parse(self):
        text = TRANSCRIPT.replace(" 5 3\n", " 5 3\n  you should have a blanking file.... \n"
                                  " enter name of file ... default extent = .bln:  \n")
        self.assertEqual(pg.read_transcript(text)["nx"], 5)

    def test_refused_run_has_no_echo_to_use(self):
        text = " data limits: xmin,xmax,ymin,ymax=\n" \
               "  0.0000E+00  0.1000E+02  0.0000E+00  0.5000E+01\n"
        t = pg.read_transcript(text)
        self.assertNotIn("nx", t)
        with self.assertRaisesRegex(pg.GridError, "nx unknown"):
            pg.geometry(self.opts(), t)
        self.assertEqual(pg.geometry(self.opts(nx=11, ny=6), t)["dx"], 1.0)

    def test_options_override_and_must_agree_with_the_echo(self):
        t = pg.read_transcript(TRANSCRIPT)
        geo = pg.geometry(self.opts(xmin=-1.2, dy=0.5), t)
        self.assertEqual((geo["xmin"], geo["dx"], geo["dy"]), (-1.2, (8.75 + 1.2) / 4, 0.5))
        with self.assertRaisesRegex(pg.GridError, "contradicts"):
            pg.geometry(self.opts(nx=6), t)

    def test_bad_transcripts(self):
        with self.assertRaisesRegex(pg.GridError, "no line"):
            pg.read_transcript(" 5 3\n")
        with self.assertRaisesRegex(pg.GridError, "four 12-character"):
            pg.read_transcript(" data limits: xmin,xmax,ymin,ymax=\n 0 10 0 5\n")

    def test_geometry_needs_a_spacing(self):
        with self.assertRaisesRegex(pg.GridError, "give --dx or --xmax"):
            pg.geometry(self.opts(nx=3, ny=3, xmin=0.0, ymin=0.0, dy=1.0), {})
        with self.assertRaisesRegex(pg.GridError, "not a positive spacing"):
            pg.geometry(self.opts(nx=3, ny=3, xmin=0.0, ymin=0.0, xmax=0.0, dy=1.0), {})
        with self.assertRaisesRegex(pg.GridError, "at least 2"):
            pg.geometry(self.opts(nx=1, ny=3, xmin=0.0, ymin=0.0, dx=1.0, dy=1.0), {})

    def test_exact_geometry_of_data_wins_over_the_transcript(self):
        t = pg.read_transcript(TRANSCRIPT)
        exact = dict(xmin=-1.2345, ymin=-0.5, dx=2.5, dy=1.9)
        self.assertEqual(pg.geometry(self.opts(), t, exact), dict(nx=5, ny=3, **exact))
        # An option still overrides; an explicit --xmax derives dx again.
        self.assertEqual(pg.geometry(self.opts(xmin=0.0), t, exact)["dx"], 2.5)
        self.assertEqual(pg.geometry(self.opts(xmax=10.0), t, exact)["dx"], (10.0 + 1.2345) / 4)

    def test_blanking_polygons(self):
        # Every read starts on a new line: the 9 9 after a header is not a vertex; a record
        # may continue on the next line.
        polygons = pg.read_bln("4 1\n0 0\n1,0\n1 1\n0 1 7\n0 0\n3 0 9 9\n5\n5\n6 5\n6 6\n2")
        self.assertEqual(polygons, [([0, 1, 1, 0], [0, 0, 1, 1], 1), ([], [], 0),
                                    ([5, 6, 6], [5, 5, 6], 0)])
        with self.assertRaisesRegex(pg.GridError, "ends inside polygon 1"):
            pg.read_bln("4 1\n0 0\n1 0\n")
        with self.assertRaisesRegex(pg.GridError, "line 2: 'x' is not a number"):
            pg.read_bln("1 1\nx 0\n")
        with self.assertRaisesRegex(pg.GridError, "2001 vertices, more than the 2000"):
            pg.read_bln("2001 1\n")

    def test_points_records(self):
        xs, ys = pg.read_points("1 2 3\n4,5,6 7\n8 9\n10\n\n11\t12 13\n")
        self.assertEqual((xs, ys), ([1.0, 4.0, 8.0, 11.0], [2.0, 5.0, 9.0, 12.0]))
        with self.assertRaisesRegex(pg.GridError, "line 2: 'abc'"):
            pg.read_points("1 2 3\nabc 2 3\n")


class Picture(unittest.TestCase):
    # Row j = 1 (y = ymin) first; undefined nodes placed asymmetrically so that a picture
    # drawn upside down or mirrored shows opaque cells where transparent ones belong.
    ROWS = [[1.0, -999.0, 2.0, 3.0],
            [4.0, 5.0, 6.0, 7.0],
            [-999.0, 8.0, 9.0, -999.0]]
    GEO = dict(nx=4, ny=3, xmin=100.0, ymin=50.0, dx=10.0, dy=20.0)

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def test_undefined_nodes_take_their_own_colour(self):
        import matplotlib.image
        out = os.path.join(self.dir.name, "g.png")
        pixel = pg.render(self.ROWS, self.GEO, out, size=(400, 300),
                          style=pg.Style(undefined_colour="#ff00ff"))
        image = matplotlib.image.imread(out)
        self.assertEqual(image.shape, (300, 400, 4))
        for j, row in enumerate(self.ROWS):
            for i, v in enumerate(row):
                x = self.GEO["xmin"] + i * self.GEO["dx"]
                y = self.GEO["ymin"] + j * self.GEO["dy"]
                col, line = (int(round(c)) for c in pixel(x, y))
                magenta = list(image[line, col]) == [1.0, 0.0, 1.0, 1.0]
                self.assertEqual(magenta, v == -999.0, f"node ({i + 1}, {j + 1})")

    def test_command_line_with_transcript_and_points(self):
        import matplotlib.image
        d = self.dir.name
        with open(os.path.join(d, "g.grd"), "w") as f:
            f.write(grid_text(self.ROWS))
        with open(os.path.join(d, "run.out"), "w") as f:
            f.write(" data limits: xmin,xmax,ymin,ymax=\n"
                    "  0.1000E+03  0.1300E+03  0.5000E+02  0.9000E+02\n 4 3\n")
        with open(os.path.join(d, "p.dat"), "w") as f:
            f.write("100 50 1\n130 90 9\n")
        r = subprocess.run([PLOTGRID, "g.grd", "--transcript", "run.out", "--points", "p.dat",
                            "--size", "320x240"], cwd=d, capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, "g.grd.png\n")
        self.assertEqual(matplotlib.image.imread(os.path.join(d, "g.grd.png")).shape,
                         (240, 320, 4))

    def write_raster(self, name, rows_north_first, nodata):
        from osgeo import gdal
        gdal.UseExceptions()
        ny, nx = len(rows_north_first), len(rows_north_first[0])
        ds = gdal.GetDriverByName("GTiff").Create(os.path.join(self.dir.name, name), nx, ny, 1,
                                                  gdal.GDT_Float32)
        ds.SetGeoTransform((95.0, 10.0, 0.0, 100.0, 0.0, -20.0))
        ds.GetRasterBand(1).SetNoDataValue(nodata)
        ds.GetRasterBand(1).WriteArray(__import__("numpy").array(rows_north_first))
        ds = None

    def test_rasters_carry_their_geometry_and_must_match_the_transcript(self):
        nan = float("nan")
        self.write_raster("g.tif", [[-5.0, 8.0, 9.0, -5.0], [4.0, 5.0, 6.0, 7.0]], -5.0)
        rows, geo = pg.read_raster(os.path.join(self.dir.name, "g.tif"))
        self.assertEqual(geo, dict(nx=4, ny=2, xmin=100.0, ymin=70.0, dx=10.0, dy=20.0))
        self.assertEqual(rows, [[4.0, 5.0, 6.0, 7.0], [-999.0, 8.0, 9.0, -999.0]])
        with open(os.path.join(self.dir.name, "run.out"), "w") as f:
            f.write(TRANSCRIPT)  # says 5 x 3
        r = subprocess.run([PLOTGRID, "g.tif", "--transcript", "run.out"], cwd=self.dir.name,
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr, "plotgrid: g.tif has nx = 4, but the transcript says nx = 5\n")
        self.write_raster("n.tif", [[nan, 1.0], [2.0, 3.0]], nan)
        rows, _ = pg.read_raster(os.path.join(self.dir.name, "n.tif"))
        self.assertTrue(math.isnan(rows[1][0]))  # NaN nodata stays NaN: drawn as undefined

    def test_data_geometry_comes_from_plaxen_info(self):
        d = self.dir.name
        info = os.path.join(d, "plaxen-info")
        with open(info, "w") as f:
            f.write("#!/bin/sh\n"
                    "[ \"$*\" = \"--json p.dat 4 3\" ] || "
                    "{ echo \"plaxen-info: $*\" >&2; exit 1; }\n"
                    "echo '{\"grid\":{\"accepted\":true,\"xmin\":100.1,\"ymin\":50,"
                    "\"dx\":0.1,\"dy\":20}}'\n")
        os.chmod(info, 0o755)
        with open(os.path.join(d, "g.grd"), "w") as f:
            f.write(grid_text(self.ROWS))
        import numpy as np
        geo = pg.data_geometry(info, "p.dat", 4, 3)
        # The single reals plaxen uses, not the doubles nearest to their shortest texts.
        self.assertEqual(geo, dict(xmin=float(np.float32(100.1)), ymin=50.0,
                                   dx=float(np.float32(0.1)), dy=20.0))
        self.assertNotEqual(geo["dx"], 0.1)
        r = subprocess.run([PLOTGRID, "g.grd", "--nx", "4", "--ny", "3", "--data", "p.dat",
                            "--info", info, "--bln", "none.bln", "-o", "x.png"], cwd=d,
                           capture_output=True, text=True)
        self.assertEqual(r.stderr, "plotgrid: cannot read blanking file none.bln: "
                                   "No such file or directory\n")
        r = subprocess.run([PLOTGRID, "g.grd", "--nx", "5", "--ny", "3", "--data", "p.dat",
                            "--info", info], cwd=d, capture_output=True, text=True)
        self.assertEqual(r.stderr, "plotgrid: plaxen-info: --json p.dat 5 3\n")

    def test_command_line_errors_write_no_picture(self):
        d = self.dir.name
        with open(os.path.join(d, "g.grd"), "w") as f:
            f.write(grid_text(self.ROWS))
        for args, message in (
                (["--nx", "3", "--ny", "3", "--xmin", "0", "--ymin", "0", "--dx", "1",
                  "--dy", "1"], "line 1: 60 characters, expected 3 values"),
                (["--transcript", "missing.out"], "cannot read transcript missing.out")):
            r = subprocess.run([PLOTGRID, "g.grd", "-o", "x.png"] + args, cwd=d,
                               capture_output=True, text=True)
            self.assertEqual(r.returncode, 1)
            self.assertIn(message, r.stderr)
            self.assertTrue(r.stderr.startswith("plotgrid: "))
            self.assertFalse(os.path.exists(os.path.join(d, "x.png")))


def snapshot(top):
    """Every entry under `top`: a file's bytes, a link's target, or "folder"."""
    found = {}
    for folder, names, files in os.walk(top):
        for name in names + files:
            path = os.path.join(folder, name)
            if os.path.islink(path):
                found[path] = "-> " + os.readlink(path)
            elif os.path.isdir(path):
                found[path] = "folder"
            else:
                with open(path, "rb") as f:
                    found[path] = f.read()
    return found


def write_fake_info(path, expected_args, json_text):
    """A plaxen-info that answers `json_text` to exactly `expected_args` (bytes), and
    otherwise fails naming what it got."""
    with open(path, "wb") as f:
        f.write(b"#!/bin/sh\n[ \"$*\" = '" + b" ".join(expected_args) + b"' ] || "
                b"{ echo \"plaxen-info: $*\" >&2; exit 1; }\necho '" + json_text + b"'\n")
    os.chmod(path, 0o755)


GOOD_GRID = b'{"grid":{"accepted":true,"xmin":100,"ymin":50,"dx":10,"dy":20}}'
OLD_PICTURE = b"an older picture"
BASE = ["g.grd", "--transcript", "run.out", "-o", "old.png"]
LONG = "x" * 100


class Refusals(unittest.TestCase):
    """Each bad invocation: one line on standard error, status 1, nothing written."""
    ROWS = (  # what, arguments, environment, the line after "plotgrid: "
        ("zero dpi", BASE + ["--dpi", "0"], {}, "--dpi 0: expected from 1 to 1000"),
        ("opacity above 1", BASE + ["--point-alpha", "5"], {},
         "--point-alpha 5: expected from 0 to 1"),
        ("marker area not a number", BASE + ["--point-size", "nan"], {},
         "--point-size nan: expected from 0 to 10000"),
        ("no reading drawn", BASE + ["--point-every", "0"], {},
         "--point-every 0: expected at least 1"),
        ("unknown extension", BASE + ["-o", "x.jpgx"], {},
         "-o x.jpgx: unknown picture format 'jpgx' (known: png, pdf, svg, svgz, eps, ps, jpg, "
         "jpeg, tif, tiff, webp, raw, rgba)"),
        ("an extension that needs LaTeX", BASE + ["-o", "x.pgf"], {},
         "-o x.pgf: unknown picture format 'pgf' (known: png, pdf, svg, svgz, eps, ps, jpg, "
         "jpeg, tif, tiff, webp, raw, rgba)"),
        ("beyond Agg", BASE + ["--size", "70000x100"], {},
         "a picture of 70000x100 pixels is too large: at most 65535 pixels each way and "
         "67108864 in all"),
        ("too many pixels", BASE + ["--size", "9000x9000"], {},
         "a picture of 9000x9000 pixels is too large: at most 65535 pixels each way and "
         "67108864 in all"),
        ("no room for the map", BASE + ["--size", "200x100"], {},
         "a picture of 200x100 pixels is too small"),
        ("origin not a number", BASE + ["--xmin", "nan"], {},
         "--xmin nan: expected a finite number"),
        ("cells lost in the origin's rounding", BASE + ["--xmin", "1e20", "--dx", "1"], {},
         "4 nodes 1 apart from xmin = 1e+20 do not span a drawable extent in double precision"),
        ("edges beyond the largest double", BASE + ["--dx", "1e308"], {},
         "4 nodes 1e+308 apart from xmin = 100 do not span a drawable extent in double "
         "precision"),
        ("empty colour map", BASE + ["--cmap", ""], {}, "unknown colour map ''"),
        ("unknown colour", BASE + ["--undefined-colour", "nocolour"], {},
         "--undefined-colour 'nocolour' is not a colour"),
        ("mathematics matplotlib rejects", BASE + ["--title", r"$\foo$"], {},
         r"--title '$\foo$' cannot be typeset: Unknown symbol: \foo, found '\'  (at char 0), "
         "(line:1, col:1)"),
        ("usage error", BASE + ["--dpi", "x"], {}, "argument --dpi: invalid int value: 'x'"),
        ("unknown option", BASE + ["--frob"], {}, "unrecognized arguments: --frob"),
        ("empty output name", BASE + ["-o", ""], {}, "-o needs a file name"),
        ("unknown backend", BASE, {"MPLBACKEND": "nosuch"},
         "MPLBACKEND=nosuch is no matplotlib backend: unset it (plotgrid draws with Agg)"),
        ("missing grid", ["none.grd"] + BASE[1:], {},
         "cannot read grid file none.grd: No such file or directory"),
        ("a folder as input", BASE + ["--points", "adir"], {},
         "cannot read points file adir: Is a directory"),
        ("a folder as output", BASE + ["-o", "adir"], {}, "cannot write adir: Is a directory"),
        ("no folder for the output", BASE + ["-o", "none/x.png"], {},
         "cannot write none/x.png: No such file or directory"),
        ("output is an input, spelt otherwise", BASE + ["--points", "pts", "-o", "./adir/../pts"],
         {}, "-o ./adir/../pts is the points file pts: refused, it would be overwritten"),
        ("output is an input through a link", BASE + ["--points", "pts", "-o", "lnk.png"], {},
         "-o lnk.png is the points file pts: refused, it would be overwritten"),
        ("terminal controls and bytes not UTF-8 in a grid field",
         ["bad.grd"] + BASE[1:] + ["--nx", "4"], {},
         "bad.grd, line 1: field 1 '?[2J?0000E+01' is not a number"),
        ("a long field cut", BASE[:2] + ["long.out"] + BASE[3:], {},
         f"long.out, line 2: expected four 12-character fields, found '{LONG[:80]}...'"),
        ("terminal controls and bytes not UTF-8 in a name",
         BASE + [b"--points", b"\x1b[31m\xff"], {},
         "cannot read points file ?[31m?: No such file or directory"),
    )

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        d = self.dir.name
        for name, content in (("g.grd", grid_text(Picture.ROWS)), ("old.png", OLD_PICTURE),
                              ("run.out", " data limits: xmin,xmax,ymin,ymax=\n"
                                          "  0.1000E+03  0.1300E+03  0.5000E+02  0.9000E+02\n"
                                          " 4 3\n"),
                              ("long.out", f" data limits: xmin,xmax,ymin,ymax=\n{LONG}\n"),
                              ("pts", "100 50 1\n"),
                              ("bad.grd", b"  \x1b[2J\xff" + grid_text(Picture.ROWS)[7:].encode())):
            with open(os.path.join(d, name), "wb") as f:
                f.write(content if isinstance(content, bytes) else content.encode())
        os.mkdir(os.path.join(d, "adir"))
        os.symlink("pts", os.path.join(d, "lnk.png"))

    def tearDown(self):
        self.dir.cleanup()

    def test_each_refusal_is_one_line(self):
        before = snapshot(self.dir.name)
        for what, args, env, line in self.ROWS:
            with self.subTest(what):
                r = subprocess.run([PLOTGRID] + args, cwd=self.dir.name, capture_output=True,
                                   env=dict(os.environ, **env))
                self.assertEqual(r.stderr.decode(), f"plotgrid: {line}\n")
                self.assertEqual(r.returncode, 1)
                self.assertEqual(r.stdout, b"")
                self.assertEqual(snapshot(self.dir.name), before)


class Output(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        with open(os.path.join(self.dir.name, "g.grd"), "w") as f:
            f.write(grid_text(Picture.ROWS))

    def tearDown(self):
        self.dir.cleanup()

    def plot(self, out, **kw):
        return subprocess.run([PLOTGRID, "g.grd", "--nx", "4", "--ny", "3", "--xmin", "0",
                               "--ymin", "0", "--dx", "1", "--dy", "1", "-o", out],
                              cwd=self.dir.name, capture_output=True, **kw)

    def test_an_existing_picture_is_replaced_whole(self):
        d = self.dir.name
        old = os.path.join(d, "old.png")
        with open(old, "wb") as f:
            f.write(OLD_PICTURE)
        os.chmod(old, 0o604)
        inode = os.stat(old).st_ino
        os.symlink("old.png", os.path.join(d, "link.png"))
        long_name = "n" * 251 + ".png"  # 255 bytes, the most a name can have
        for out, mode, umask in (("link.png", 0o604, 0o022), ("new.png", 0o640, 0o027),
                                 (long_name, 0o644, 0o022)):
            with self.subTest(out[:20]):
                r = self.plot(out, preexec_fn=lambda: os.umask(umask))
                self.assertEqual((r.returncode, r.stderr, r.stdout), (0, b"", out.encode() + b"\n"))
                with open(os.path.join(d, out), "rb") as f:
                    self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")
                self.assertEqual(stat.S_IMODE(os.stat(os.path.join(d, out)).st_mode), mode)
        self.assertEqual(os.readlink(os.path.join(d, "link.png")), "old.png")
        self.assertNotEqual(os.stat(old).st_ino, inode)  # a new file renamed over the old
        self.assertEqual(sorted(os.listdir(d)),
                         sorted(["g.grd", "old.png", "link.png", "new.png", long_name]))

    def test_fifos_and_standard_output_are_written_into(self):
        fifo = os.path.join(self.dir.name, "f.png")
        os.mkfifo(fifo)
        read = []

        def read_all():
            with open(fifo, "rb") as f:
                read.append(f.read())

        reader = threading.Thread(target=read_all)
        reader.start()
        r = self.plot("f.png")
        reader.join()
        self.assertEqual((r.returncode, r.stderr, r.stdout), (0, b"", b"f.png\n"))
        self.assertEqual(read[0][:8], b"\x89PNG\r\n\x1a\n")
        self.assertTrue(stat.S_ISFIFO(os.stat(fifo).st_mode))
        # Through a pipe on standard output: the picture, and no name mixed into it.
        r = self.plot("/dev/stdout")
        self.assertEqual((r.returncode, r.stderr), (0, b""))
        self.assertEqual(r.stdout[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual(r.stdout[-8:], b"IEND\xaeB`\x82")  # the picture's last chunk
        self.assertEqual(sorted(os.listdir(self.dir.name)), ["f.png", "g.grd"])

    def test_a_signal_removes_the_temporary_picture(self):
        # A child writes part of a picture, names its temporary file and waits; the signal
        # comes while the temporary file exists.
        child = ("import importlib.machinery, importlib.util, sys\n"
                 "loader = importlib.machinery.SourceFileLoader('pg', sys.argv[1])\n"
                 "pg = importlib.util.module_from_spec("
                 "importlib.util.spec_from_loader('pg', loader))\n"
                 "loader.exec_module(pg)\n"
                 "def save(f):\n"
                 "    f.write(b'part of a picture')\n"
                 "    print(pg.pending_temporary, flush=True)\n"
                 "    sys.stdin.read()\n"
                 "pg.watch_signals()\n"
                 "pg.replace_file(sys.argv[2], 0o644, save)\n")
        out = os.path.join(self.dir.name, "p.png")
        for signum, ignored in ((signal.SIGINT, False), (signal.SIGTERM, False),
                                (signal.SIGHUP, False), (signal.SIGQUIT, False),
                                (signal.SIGHUP, True)):
            with self.subTest(f"{signal.Signals(signum).name}{' ignored' if ignored else ''}"):
                p = subprocess.Popen(
                    [sys.executable, "-c", child, PLOTGRID, out], stdin=subprocess.PIPE,
                    stdout=subprocess.PIPE, preexec_fn=lambda: signal.signal(
                        signum, signal.SIG_IGN if ignored else signal.SIG_DFL))
                temporary = p.stdout.readline().decode().strip()
                self.assertEqual(os.path.dirname(temporary), self.dir.name)
                self.assertEqual(len(os.path.basename(temporary)), 18)
                self.assertTrue(os.path.exists(temporary))
                p.send_signal(signum)
                p.stdin.close()  # an ignored signal: the picture completes
                self.assertEqual(p.wait(), 0 if ignored else -signum)
                p.stdout.close()
                self.assertFalse(os.path.exists(temporary))
                self.assertEqual(os.path.exists(out), ignored)

    def test_names_that_are_not_utf8(self):
        # The data file's name reaches plaxen-info as its bytes and comes back escaped in its
        # JSON; the picture's name is printed as the bytes it has.
        d = os.fsencode(self.dir.name)
        os.rename(os.path.join(d, b"g.grd"), os.path.join(d, b"g\xfe.grd"))
        info = os.path.join(d, b"plaxen-info")
        write_fake_info(info, [b"--json", b"d\xff.dat", b"4", b"3"],
                        b'{"data_file":"d\\udcff.dat",' + GOOD_GRID[1:])
        r = subprocess.run([os.fsencode(PLOTGRID), b"g\xfe.grd", b"--nx", b"4", b"--ny", b"3",
                            b"--data", b"d\xff.dat", b"--info", info], cwd=d,
                           capture_output=True)
        self.assertEqual((r.returncode, r.stderr, r.stdout), (0, b"", b"g\xfe.grd.png\n"))
        self.assertTrue(os.path.exists(os.path.join(d, b"g\xfe.grd.png")))
        r = subprocess.run([os.fsencode(PLOTGRID), b"g\xfe.grd", b"--nx", b"5", b"--ny", b"3",
                            b"--data", b"d\xff.dat", b"--info", info], cwd=d,
                           capture_output=True)
        self.assertEqual(r.stderr, b"plotgrid: plaxen-info: --json d?.dat 5 3\n")

    def test_from_a_checkout_plaxen_info_comes_from_its_build(self):
        checkout = self.dir.name
        os.mkdir(os.path.join(checkout, "tools"))
        program = os.path.join(checkout, "tools", "plotgrid")
        with open(PLOTGRID, "rb") as f, open(program, "wb") as g:
            g.write(f.read())
        os.chmod(program, 0o755)
        built = os.path.join(checkout, "build", "plaxen", "plaxen-info")
        run = [program, "g.grd", "--nx", "4", "--ny", "3", "--data", "d.dat"]
        env = dict(os.environ, PATH=os.path.join(checkout, "tools"))
        r = subprocess.run(run, cwd=checkout, capture_output=True, text=True, env=env)
        self.assertEqual(r.stderr, f"plotgrid: --data needs plaxen-info, found neither in "
                                   f"{checkout}/tools/plaxen-info, {built} nor on PATH: build "
                                   "it (make) or give its path with --info\n")
        os.makedirs(os.path.dirname(built))
        write_fake_info(built, [b"--json", b"d.dat", b"4", b"3"], GOOD_GRID)
        r = subprocess.run(run, cwd=checkout, capture_output=True, text=True, env=env)
        self.assertEqual((r.returncode, r.stderr, r.stdout), (0, "", "g.grd.png\n"))


if __name__ == "__main__":
    unittest.main(verbosity=1)
