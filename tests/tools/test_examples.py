#!/usr/bin/python3
"""The example files are what their scripts make, and the demo runs from end to end.

    test_examples.py SOURCE_DIR [BUILD_DIR]

With BUILD_DIR the demo is run on that build into a scratch directory.
"""
import filecmp
import glob
import os
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.path.abspath(sys.argv[1])
BUILD = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else None
del sys.argv[1:]
EXAMPLES = os.path.join(SOURCE, "examples")
PYTHON = "/usr/bin/python3"


class ExampleFiles(unittest.TestCase):
    def test_scripts_remake_the_committed_files(self):
        with tempfile.TemporaryDirectory() as d:
            for script in ("make_points.py", "make_log.py"):
                r = subprocess.run([PYTHON, os.path.join(EXAMPLES, script), d],
                                   capture_output=True, text=True)
                self.assertEqual(r.returncode, 0, r.stderr)
            for name in ("points.dat", "survey.bln", "station.log"):
                self.assertTrue(filecmp.cmp(os.path.join(d, name), os.path.join(EXAMPLES, name),
                                            shallow=False), f"{name} differs from its script's output")

    def test_readme_python_example_is_the_script_the_demo_runs(self):
        with open(os.path.join(SOURCE, "README.md")) as f:
            readme = f.read()
        section = readme[readme.index("\n## From Python\n"):readme.index("\n# Reference\n")]
        block = section[section.index("```python\n") + len("```python\n"):]
        with open(os.path.join(EXAMPLES, "grid_survey.py")) as f:
            self.assertEqual(block[:block.index("```")], f.read())

    def test_log_is_seven_line_records_with_lf_cr_ends(self):
        with open(os.path.join(EXAMPLES, "station.log"), "rb") as f:
            data = f.read()
        lines = data.split(b"\n\r")
        self.assertEqual(lines[-1], b"")
        lines.pop()
        self.assertEqual(len(lines) % 7, 0)
        self.assertFalse(any(b"\n" in l or b"\r" in l for l in lines))
        marked = [k for k, l in enumerate(lines) if l.startswith(b"1997:")]
        self.assertEqual([k % 7 for k in marked], [6] * len(marked))
        self.assertTrue(marked, "no record is marked")


@unittest.skipIf(BUILD is None, "no build to run the demo on")
class Demo(unittest.TestCase):
    def test_demo_makes_grids_exports_pictures_and_the_mat_file(self):
        import matplotlib.image
        import scipy.io
        from osgeo import gdal
        with tempfile.TemporaryDirectory() as d:
            r = subprocess.run(["bash", os.path.join(EXAMPLES, "demo.sh"), BUILD, d],
                               capture_output=True, text=True)
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
            for png in ("points.png", "masked.png"):
                self.assertIn(f"picture: {d}/{png}\n", r.stdout)
                self.assertEqual(matplotlib.image.imread(os.path.join(d, png)).shape[2], 4)
            with open(os.path.join(d, "points.grd")) as f:
                rows = f.read().split("\n")
            self.assertEqual(len(rows), 42)
            self.assertTrue(all(len(row) == 61 * 15 for row in rows[:-1]))
            # The check before gridding and the exports after it, placed on the nodes.
            self.assertIn("    | defined nodes:   2333 of 2501; 168 undefined", r.stdout)
            rasters = ["points.tif", "points.nc"]
            if glob.glob(os.path.join(BUILD, "python", "plaxen", "_core*.so")):
                # The README's Python example on the module of this build (its summary line
                # is checked where test_readme runs the README as written).
                self.assertIn(f"picture: {d}/points-python.png\n", r.stdout)
                rasters.append("points-python.nc")
            for name in rasters:
                ds = gdal.Open(os.path.join(d, name))
                self.assertEqual(ds.GetGeoTransform(), (520975.0, 50.0, 0.0, 4633025.0, 0.0, -50.0))
            kvodata = scipy.io.loadmat(os.path.join(d, "temp.mat"))["kvodata"]
            self.assertEqual(kvodata.shape, (23, 23))
            # The demo's log has 24 records, one refused: every row is a real record.
            self.assertTrue((kvodata[:, 0] == 1998).all())

    def test_demo_fails_loudly(self):
        with tempfile.TemporaryDirectory() as d:
            r = subprocess.run(["bash", os.path.join(EXAMPLES, "demo.sh"), d, d],
                               capture_output=True, text=True)
            self.assertNotEqual(r.returncode, 0)
            self.assertIn("does not exist; build the project first", r.stderr)
            # A build whose plaxen fails: the demo stops at that step and names it.
            for part, name, program in (("plaxen", "plaxen", "/bin/false"),
                                        ("plaxen", "plaxen-info", "/bin/true"),
                                        ("plaxen", "plaxen-export", "/bin/true"),
                                        ("plaxen", "plaxen-grid", "/bin/true"),
                                        ("recmat", "recmat", "/bin/true")):
                os.makedirs(os.path.join(d, part), exist_ok=True)
                os.symlink(program, os.path.join(d, part, name))
            r = subprocess.run(["bash", os.path.join(EXAMPLES, "demo.sh"), d,
                                os.path.join(d, "out")], capture_output=True, text=True)
            self.assertNotEqual(r.returncode, 0)
            self.assertIn('demo: FAILED (exit status 1) at line', r.stderr)
            self.assertIn('"$plaxen" < points.dialogue', r.stderr)
            self.assertNotIn("=== recmat", r.stdout)

if __name__ == "__main__":
    unittest.main(verbosity=1)
