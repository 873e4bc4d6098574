#!/usr/bin/python3
"""Tests of tools/plotgrid: grid and transcript parsing, geometry, and the PNG it writes.

    test_plotgrid.py PATH_TO_PLOTGRID
"""
import importlib.machinery
import importlib.util
import math
import os
import subprocess
import sys
import tempfile
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


if __name__ == "__main__":
    unittest.main(verbosity=1)
