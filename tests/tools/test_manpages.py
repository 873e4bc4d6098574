#!/usr/bin/python3
"""Checks the manual pages: they render without a single warning, their sections come in
order, and every session in their EXAMPLE sections still gives exactly the output shown.

    test_manpages.py MAN_DIR EXAMPLES_DIR PLAXEN PLAXEN_BLANKING RECMAT PLOTGRID PLAXEN_INFO
                     PLAXEN_EXPORT PLAXEN_GRID

The sessions are run with bash in a scratch directory holding copies of the example files,
with the programs first on PATH under their installed names. A session line starts with
"$ "; the lines after it, up to the next "$ " line, are its expected standard output and
standard error together. The line in which bash itself reports a program ended by a
signal ("bash: line 1: 4711 Aborted ...") carries a process number and is not compared.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

(MAN_DIR, EXAMPLES, PLAXEN, PLAXEN_BLANKING, RECMAT, PLOTGRID, PLAXEN_INFO, PLAXEN_EXPORT,
 PLAXEN_GRID) = (os.path.abspath(a) for a in sys.argv[1:10])
del sys.argv[1:10]
PAGES = ("plaxen.1", "recmat.1", "plaxen-info.1", "plaxen-export.1", "plaxen-grid.1",
         "plotgrid.1")
SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", "FILES", "EXIT STATUS",
            "LIMITS AND CAPACITIES", "EXAMPLE", "KNOWN LIMITATIONS", "SEE ALSO"]
SHELL_JOB_REPORT = re.compile(r"^bash: (line \d+: +)? *\d+ +(Aborted|Quit|Killed|Interrupt).*\n",
                              re.M)
EXAMPLE_FILES = ("points.dat", "points.dialogue", "masked.dialogue", "survey.bln",
                 "station.log")


def source(page):
    with open(os.path.join(MAN_DIR, page)) as f:
        return f.read()


def unescape(line):
    for escape, text in (("\\-", "-"), ("\\(aq", "'"), ("\\(dq", '"'), ("\\&", ""),
                         ("\\e", "\\")):
        line = line.replace(escape, text)
    return line


def sessions(page):
    """The (command, expected output) pairs of the page's EXAMPLE section, in order."""
    text = source(page)
    example = text.split(".SH EXAMPLE\n", 1)[1].split("\n.SH ", 1)[0]
    found = []
    for block in re.findall(r"^\.EX\n(.*?)^\.EE$", example, re.S | re.M):
        command = None
        for line in block.split("\n")[:-1]:
            line = unescape(line)
            if line.startswith("$ "):
                command = line[2:]
                found.append((command, []))
            elif command is not None:
                found[-1][1].append(line)
    return [(c, "".join(l + "\n" for l in out)) for c, out in found]


class Rendering(unittest.TestCase):
    def test_groff_gives_no_warning(self):
        for page in PAGES:
            r = subprocess.run(["groff", "-t", "-man", "-Tutf8", "-ww", "-z",
                                os.path.join(MAN_DIR, page)], capture_output=True, text=True)
            self.assertEqual((r.returncode, r.stderr), (0, ""), page)

    @unittest.skipIf(shutil.which("man") is None, "man (Debian man-db) is not installed")
    def test_man_gives_no_warning(self):
        env = dict(os.environ, MANWIDTH="80", MAN_KEEP_FORMATTING="0")
        for page in PAGES:
            r = subprocess.run(["man", "--warnings=w", "-l", os.path.join(MAN_DIR, page)],
                               capture_output=True, text=True, env=env)
            self.assertEqual((r.returncode, r.stderr), (0, ""), page)
            name = "plaxen-plotgrid" if page == "plotgrid.1" else page.split(".")[0]
            self.assertIn(name.upper() + "(1)", r.stdout)

    def test_sections_in_order_and_nothing_left_to_do(self):
        for page in PAGES:
            text = source(page)
            found = re.findall(r"^\.SH (.*)$", text, re.M)
            self.assertEqual([s.strip('"') for s in found], SECTIONS, page)
            self.assertNotIn("TODO", text, page)
            self.assertTrue(sessions(page), f"{page} shows no session")


class ExampleSessions(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        d = self.dir.name
        bin_dir = os.path.join(d, "bin")
        os.mkdir(bin_dir)
        for name, target in (("plaxen", PLAXEN), ("plaxen_blanking", PLAXEN_BLANKING),
                             ("recmat", RECMAT), ("plaxen-plotgrid", PLOTGRID),
                             ("plaxen-info", PLAXEN_INFO), ("plaxen-export", PLAXEN_EXPORT),
                             ("plaxen-grid", PLAXEN_GRID)):
            os.symlink(target, os.path.join(bin_dir, name))
        self.work = os.path.join(d, "work")
        os.mkdir(self.work)
        for name in EXAMPLE_FILES:
            shutil.copy(os.path.join(EXAMPLES, name), self.work)
        self.env = dict(os.environ, PATH=bin_dir + ":/usr/bin:/bin", LC_ALL="C")

    def tearDown(self):
        self.dir.cleanup()

    def check_page(self, page):
        for command, expected in sessions(page):
            r = subprocess.run(["bash", "-c", command], cwd=self.work, env=self.env,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            out = SHELL_JOB_REPORT.sub("", r.stdout)
            self.assertEqual(out, expected, f"{page}: $ {command}")

    def test_plaxen_sessions(self):
        self.check_page("plaxen.1")

    def test_recmat_sessions(self):
        self.check_page("recmat.1")

    def test_companion_sessions(self):
        for page in ("plaxen-info.1", "plaxen-export.1", "plotgrid.1"):
            self.check_page(page)


if __name__ == "__main__":
    unittest.main(verbosity=1)
