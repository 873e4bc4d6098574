#!/usr/bin/python3
"""Installs the build into a scratch prefix and checks what arrived, then removes it again
with `make uninstall` through the install manifest.

    test_install.py BUILD_DIR SOURCE_DIR [PROGRAM ...]

PROGRAM names the programs the build made and must install. The build directory's
install_manifest.txt is put back as it was afterwards, so a real installation can still be
uninstalled.
"""
import filecmp
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

BUILD, SOURCE = (os.path.abspath(a) for a in sys.argv[1:3])
PROGRAMS = sys.argv[3:]
del sys.argv[1:]
MANIFEST = os.path.join(BUILD, "install_manifest.txt")
# The Python module is installed when the build made it (its extension, not just the folder
# configuring makes); python3 loads it in the environment named PYTHON_MODULE_... (a
# sanitizer build's runtime preloaded).
PYTHON_MODULE = bool(glob.glob(os.path.join(BUILD, "python", "plaxen", "_core*.so")))
MODULE_ENVIRONMENT = {name[len("PYTHON_MODULE_"):]: value for name, value in os.environ.items()
                      if name.startswith("PYTHON_MODULE_")}
EXAMPLES = ("points.dat", "points.dialogue", "masked.dialogue", "survey.bln", "station.log",
            "make_points.py", "make_log.py")


def files_under(top):
    return sorted(os.path.join(d, f) for d, _, names in os.walk(top) for f in names)


class Install(unittest.TestCase):
    def setUp(self):
        self.saved = None
        if os.path.exists(MANIFEST):
            with open(MANIFEST, "rb") as f:
                self.saved = f.read()
        self.dir = tempfile.TemporaryDirectory()
        self.prefix = os.path.join(self.dir.name, "usr")

    def tearDown(self):
        if self.saved is None:
            if os.path.exists(MANIFEST):
                os.remove(MANIFEST)
        else:
            with open(MANIFEST, "wb") as f:
                f.write(self.saved)
        self.dir.cleanup()

    def small_job(self, name):
        """A scratch directory `name` holding a data file d.dat and its 3 x 2 grid g.grd."""
        work = os.path.join(self.dir.name, name)
        os.mkdir(work)
        with open(os.path.join(work, "d.dat"), "w") as f:
            f.write("0 0 1\n10 0 2\n0 5 3\n10 5 4\n")
        with open(os.path.join(work, "g.grd"), "w") as f:
            f.write(("  0.1000000E+01" * 3 + "\n") * 2)
        return work

    def test_install_then_uninstall(self):
        p = self.prefix
        r = subprocess.run(["cmake", "--install", BUILD, "--prefix", p],
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)

        for program in PROGRAMS + ["plaxen-plotgrid"]:
            path = os.path.join(p, "bin", program)
            self.assertTrue(os.path.isfile(path) and os.access(path, os.X_OK), path)
        for page, source in (("plaxen.1", "plaxen.1"), ("plaxen-info.1", "plaxen-info.1"),
                             ("plaxen-export.1", "plaxen-export.1"),
                             ("plaxen-grid.1", "plaxen-grid.1"), ("recmat.1", "recmat.1"),
                             ("plaxen-plotgrid.1", "plotgrid.1")):
            self.assertTrue(filecmp.cmp(os.path.join(p, "share/man/man1", page),
                                        os.path.join(SOURCE, "man", source), shallow=False))
        for name in EXAMPLES:
            self.assertTrue(filecmp.cmp(os.path.join(p, "share/doc/fieldtools/examples", name),
                                        os.path.join(SOURCE, "examples", name), shallow=False))

        # The installed tools run under their installed names (plotgrid finds the installed
        # plaxen-info beside it), and man finds the pages there.
        r = subprocess.run([os.path.join(p, "bin", "plaxen-plotgrid"), "--help"],
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(r.stdout.startswith("usage: plaxen-plotgrid"))
        if "plaxen-info" in PROGRAMS:
            work = self.small_job("work")
            r = subprocess.run([os.path.join(p, "bin", "plaxen-plotgrid"), "g.grd", "--nx", "3",
                                "--ny", "2", "--data", "d.dat"], cwd=work, capture_output=True,
                               text=True, env=dict(os.environ, PATH="/usr/bin:/bin"))
            self.assertEqual((r.returncode, r.stdout), (0, "g.grd.png\n"), r.stderr)
            shutil.rmtree(work)
        if "plaxen-export" in PROGRAMS:
            self.check_export_finds_its_gdal_writer(os.path.join(p, "bin", "plaxen-export"))
        if "plaxen-grid" in PROGRAMS:
            work = self.small_job("grid")
            r = subprocess.run([os.path.join(p, "bin", "plaxen-grid"), "d.dat", "g.tif", "-n",
                                "3", "2", "--quiet", "--json"], cwd=work, capture_output=True,
                               text=True)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertTrue(os.path.isfile(os.path.join(work, "g.tif")))
            shutil.rmtree(work)
        if PYTHON_MODULE:
            self.check_python_module_grids(os.path.join(p, "lib/python3/dist-packages"))
        names = ("plaxen", "plaxen-info", "plaxen-export", "plaxen-grid", "plaxen-plotgrid",
                 "recmat")
        for name in names if shutil.which("man") else ():
            r = subprocess.run(["man", "-M", os.path.join(p, "share/man"), name],
                               capture_output=True, text=True, env=dict(os.environ, MANWIDTH="80"))
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertIn(name.upper() + "(1)", r.stdout)
        self.check_man_finds_the_pages(p, names)

        # The manifest names every file installed, and make uninstall removes them all.
        with open(MANIFEST) as f:
            listed = sorted(line.rstrip("\n") for line in f if line.strip())
        self.assertEqual(listed, files_under(p))
        r = subprocess.run(["make", "--no-print-directory", "-C", SOURCE, "uninstall",
                            "BUILD=" + BUILD], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertEqual(files_under(p), [])

    def check_man_finds_the_pages(self, prefix, names):
        """man finds the pages under a PREFIX of their own in each way the README gives."""
        if shutil.which("man") is None:
            return
        plain = {k: v for k, v in os.environ.items() if k != "MANPATH"}
        man_dir = os.path.join(prefix, "share/man")
        ways = (("-M", ["-M", man_dir], {}),
                ("MANPATH", [], {"MANPATH": man_dir + ":"}),
                ("PATH", [], {"PATH": os.path.join(prefix, "bin") + ":" + plain["PATH"]}))
        for way, options, env in ways:
            for name in names:
                r = subprocess.run(["man", "-w", *options, name], capture_output=True,
                                   text=True, env=dict(plain, **env))
                self.assertEqual((r.returncode, r.stdout),
                                 (0, os.path.join(man_dir, "man1", name + ".1") + "\n"),
                                 f"{way}: man {name}: {r.stderr}")

    def check_python_module_grids(self, site):
        """The installed package imports from its own folder and grids as the build's does."""
        work = self.small_job("python")
        script = ("import plaxen; x, y, z, _ = plaxen.load('d.dat')\n"
                  "print(plaxen.__file__); print(plaxen.grid(x, y, z, 5, 3).values.tolist())")
        runs = [subprocess.run(["/usr/bin/python3", "-c", script], cwd=work, capture_output=True,
                               text=True, env=dict(os.environ, PYTHONPATH=path,
                                                   PYTHONDONTWRITEBYTECODE="1",
                                                   **MODULE_ENVIRONMENT))
                for path in (site, os.path.join(BUILD, "python"))]
        for r in runs:
            self.assertEqual((r.returncode, r.stderr), (0, ""))
        installed, built = (r.stdout.split("\n", 1) for r in runs)
        self.assertEqual(installed[0], os.path.join(site, "plaxen", "__init__.py"))
        self.assertEqual(installed[1], built[1])
        shutil.rmtree(work)

    def check_export_finds_its_gdal_writer(self, program):
        """The installed plaxen-export writes GeoTIFF through the GDAL writer it finds in the
        installed library directory; a copy without it still writes the text formats, and
        refuses the rasters in one line."""
        work = self.small_job("export")
        alone = os.path.join(work, "plaxen-export")
        shutil.copy(program, alone)
        missing = os.path.join(self.dir.name, "lib/plaxen/plaxen-export-gdal.so")
        for run, output, status, err in (
                (program, "g.tif", 0, ""),
                (alone, "g.xyz", 0, ""),
                (alone, "h.tif", 1, "plaxen-export: cannot load its GDAL writer: " + missing +
                 ": cannot open shared object file: No such file or directory\n")):
            r = subprocess.run([run, "d.dat", "g.grd", "3", "2", output], cwd=work,
                               capture_output=True, text=True)
            self.assertEqual((r.returncode, r.stdout, r.stderr), (status, "", err), output)
            self.assertEqual(os.path.exists(os.path.join(work, output)), status == 0, output)
        with open(os.path.join(work, "g.tif"), "rb") as f:
            self.assertEqual(f.read(4), b"II*\0")
        shutil.rmtree(work)


if __name__ == "__main__":
    unittest.main(verbosity=1)
