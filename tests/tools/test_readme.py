#!/usr/bin/python3
"""Follows the README as a newcomer would: `make demo`, then every session of it as written,
in order, in one shell, each command's output compared with the lines shown under it.

    test_readme.py SOURCE_DIR BUILD_DIR

A session is a fenced block whose first line starts with "$ ": a line starting with "$ " is
a command, the lines after it, up to the next command, its standard output and standard
error together, as in the manual pages' EXAMPLE sections. Every command must end with exit
status 0 (a failure shown on purpose ends with `; echo "exit status $?"`). A ```python block
is run as written by /usr/bin/python3 in the shell's folder and environment at that point,
and must succeed. A block whose first line starts with "=== " shows how the demo's output
starts, up to its line "  ...".

The checkout is laid out in a scratch folder: copies of the folders the README's commands
use, this build as build/, and out/demo made by examples/demo.sh as `make demo` makes it.
The shell starts there, with the PATH of a fresh system (/usr/bin:/bin) and HOME and TMPDIR
in the scratch folder. A command of an optional viewing tool that is not installed is
skipped with a note on standard error, as a newcomer without the tool would skip it.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE, BUILD = (os.path.abspath(a) for a in sys.argv[1:3])
del sys.argv[1:3]
CHECKOUT_FOLDERS = ("examples", "tools", "man")
SESSION_PATH = "/usr/bin:/bin"
# The optional viewing tools: a command that starts with the text needs the programs, which
# the Debian packages give. The first row that matches a command counts.
OPTIONAL_TOOLS = (("gmt end", ("gmt", "gs"), ("gmt", "ghostscript")),
                  ("gmt ", ("gmt",), ("gmt",)),
                  ("gdalinfo ", ("gdalinfo",), ("gdal-bin",)),
                  ("ncdump ", ("ncdump",), ("netcdf-bin",)))
FENCE = re.compile(r"^```(\w*)\n(.*?)^```$", re.S | re.M)
DEMO_SHOWN_END = "  ..."


def readme():
    with open(os.path.join(SOURCE, "README.md")) as f:
        return f.read()


def readme_steps(text):
    """The README's steps in order, as (kind, text, expected output): kind "shell" for a
    session's command, "python" for a Python block (expected None); and the lines of the
    demo's output that it shows (None when it shows none)."""
    steps, demo_shown = [], None
    for language, body in FENCE.findall(text):
        lines = body.split("\n")[:-1]
        if language == "python":
            steps.append(("python", body, None))
        elif lines and lines[0].startswith("$ "):
            for line in lines:
                if line.startswith("$ "):
                    steps.append(("shell", line[2:], []))
                else:
                    steps[-1][2].append(line)
        elif lines and lines[0].startswith("=== "):
            demo_shown = lines[:lines.index(DEMO_SHOWN_END)]
    return [(kind, text, None if out is None else "".join(l + "\n" for l in out))
            for kind, text, out in steps], demo_shown


def optional_tool(command):
    """(programs, Debian packages) of the optional tool a command needs, else None."""
    for start, programs, packages in OPTIONAL_TOOLS:
        if command.startswith(start):
            return programs, packages
    return None


def missing_programs(command):
    tool = optional_tool(command)
    programs = tool[0] if tool else ()
    return [p for p in programs if shutil.which(p, path=SESSION_PATH) is None]


def files_under(top, leaving_out):
    return sorted(os.path.relpath(os.path.join(d, f), top)
                  for d, folders, names in os.walk(top)
                  for f in names + [n for n in folders if os.path.islink(os.path.join(d, n))]
                  if os.path.relpath(os.path.join(d, f), top).split(os.sep)[0] not in leaving_out)


def shell_step(step, results, k):
    """The step as bash runs it in the session: its output and exit status kept in files."""
    kind, text, _ = step
    body = text + "\n" if kind == "shell" else \
        f"/usr/bin/python3 - <<'README_PYTHON_BLOCK'\n{text}README_PYTHON_BLOCK\n"
    out, status = (shlex.quote(os.path.join(results, f"{k}.{n}")) for n in ("out", "status"))
    return f"{{\n{body}}} > {out} 2>&1 < /dev/null; echo $? > {status}\n"


def step_result(results, k):
    """(exit status, output) of step k; (None, "") when the shell stopped before it."""
    try:
        with open(os.path.join(results, f"{k}.status")) as f:
            status = int(f.read())
        with open(os.path.join(results, f"{k}.out")) as f:
            return status, f.read()
    except FileNotFoundError:
        return None, ""


def lay_out_checkout(scratch):
    """A checkout in scratch/checkout as a newcomer has it: the source folders the README's
    commands use, and this build as build/. Returns its path."""
    top = os.path.join(scratch, "checkout")
    os.mkdir(top)
    for folder in CHECKOUT_FOLDERS:
        shutil.copytree(os.path.join(SOURCE, folder), os.path.join(top, folder))
    os.symlink(BUILD, os.path.join(top, "build"))
    return top


def newcomer_environment(scratch):
    """This environment as a fresh system's shell has it, home and temporary files in
    scratch; the Python module is found only where the README says so."""
    env = {name: value for name, value in os.environ.items()
           if name not in ("PYTHONPATH", "MANPATH")}
    for folder in ("home", "tmp"):
        os.mkdir(os.path.join(scratch, folder))
    env.update(PATH=SESSION_PATH, HOME=os.path.join(scratch, "home"),
               TMPDIR=os.path.join(scratch, "tmp"), LC_ALL="C", PYTHONDONTWRITEBYTECODE="1")
    return env


class Readme(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="readme-")
        cls.keep = False
        cls.top = lay_out_checkout(cls.scratch)
        env = newcomer_environment(cls.scratch)
        cls.before = files_under(cls.top, ("build", "out"))
        # make demo: the build is there, the demonstration runs from the checkout.
        cls.demo = subprocess.run(["bash", "examples/demo.sh", "build"], cwd=cls.top, env=env,
                                  capture_output=True, text=True, timeout=240)
        cls.steps, cls.demo_shown = readme_steps(readme())
        cls.skipped = [k for k, (kind, text, _) in enumerate(cls.steps)
                       if kind == "shell" and missing_programs(text)]
        results = os.path.join(cls.scratch, "results")
        os.mkdir(results)
        script = "".join(shell_step(step, results, k) for k, step in enumerate(cls.steps)
                         if k not in cls.skipped)
        cls.session = subprocess.run(["bash", "-c", script], cwd=cls.top, env=env,
                                     capture_output=True, text=True, timeout=600)
        cls.results = {k: step_result(results, k) for k in range(len(cls.steps))}

    @classmethod
    def tearDownClass(cls):
        if cls.keep:
            print(f"the scratch checkout is kept in {cls.scratch}", file=sys.stderr)
        else:
            shutil.rmtree(cls.scratch)

    def check(self, condition, message):
        if not condition:
            type(self).keep = True
            self.fail(message)

    def test_demo_output_starts_as_shown(self):
        self.check(self.demo.returncode == 0, self.demo.stdout + self.demo.stderr)
        self.assertIsNotNone(self.demo_shown, "the README shows no output of the demo")
        shown = "".join(line + "\n" for line in self.demo_shown)
        self.check(self.demo.stdout.lstrip("\n").startswith(shown),
                   f"the demo's output starts\n{self.demo.stdout[:len(shown) + 40]}")

    def test_every_step_gives_what_the_readme_shows(self):
        self.check(self.demo.returncode == 0, "the demo failed: " + self.demo.stderr)
        self.assertEqual((self.session.returncode, self.session.stderr), (0, ""))
        self.assertTrue(self.steps, "the README shows no session")
        for k, (kind, text, expected) in enumerate(self.steps):
            if k in self.skipped:
                print(f"skipped, {' and '.join(missing_programs(text))} not installed "
                      f"(Debian: {' '.join(optional_tool(text)[1])}): $ {text}", file=sys.stderr)
                continue
            status, out = self.results[k]
            shown = f"$ {text}" if kind == "shell" else f"the Python block\n{text}"
            self.check(status is not None, f"{shown}\ndid not run: the shell stopped before it")
            self.check(status == 0, f"{shown}\nended with exit status {status}:\n{out}")
            if kind == "shell":
                self.check(out == expected, f"{shown}\ngave\n{out}\nwhere the README shows\n"
                           f"{expected}")

    def test_the_checkout_keeps_only_build_and_out(self):
        self.check(files_under(self.top, ("build", "out")) == self.before,
                   "the README's commands left files in the checkout outside out/: " +
                   ", ".join(sorted(set(files_under(self.top, ("build", "out"))) -
                                    set(self.before))))

    def test_each_optional_tool_used_names_its_packages(self):
        text = readme()
        for kind, command, _ in self.steps:
            for package in (optional_tool(command) or ((), ()))[1]:
                self.assertIn(f"`{package}`", text, f"$ {command}")


if __name__ == "__main__":
    unittest.main(verbosity=1)
