#!/usr/bin/env bash
# The demonstration behind `make demo`: grids the example survey with plaxen, draws the
# grid, grids it again with the blanking build and the example .bln file, and extracts the
# example station log with recmat.
#
#   bash examples/demo.sh BUILD_DIR [OUTPUT_DIR]
#
# BUILD_DIR is a configured and built tree (default: build). Everything is written into
# OUTPUT_DIR (default: out/demo at the top of the source tree), where the example files are
# copied first, so the dialogue files name plain file names.
set -euo pipefail
trap 'echo "demo: FAILED (exit status $?) at line $LINENO: $BASH_COMMAND" >&2' ERR

examples=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(dirname "$examples")
build=$(cd "${1:-build}" && pwd)
out=${2:-$top/out/demo}
python=/usr/bin/python3
plaxen=$build/plaxen/plaxen
plaxen_blanking=$build/plaxen/plaxen_blanking
recmat=$build/recmat/recmat

for program in "$plaxen" "$recmat"; do
  if [ ! -x "$program" ]; then
    echo "demo: $program does not exist; build the project first (make build)" >&2
    exit 1
  fi
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
cp "$examples"/points.dat "$examples"/points.dialogue "$examples"/masked.dialogue \
   "$examples"/survey.bln "$examples"/station.log "$out"/
cd "$out"

section() { printf '\n=== %s\n' "$*"; }
show_input() { sed 's/^/    < /' "$1"; }

section "plaxen: $(wc -l < points.dat) scattered readings onto a 61 x 41 grid"
echo "  \$ plaxen < points.dialogue > points.out"
echo "  standard input (points.dialogue):"
show_input points.dialogue
"$plaxen" < points.dialogue > points.out
echo "  standard output (points.out):"
sed 's/^/    | /' points.out
undefined=$(grep -o -e ' -0.9990000E+03' points.grd | wc -l)
echo "  grid file points.grd: $(wc -l < points.grd) rows of $(head -n 1 points.grd | tr -d '\n' | wc -c) characters," \
     "$undefined of 2501 nodes undefined (-999.0)"

section "plotgrid: a picture of the grid"
echo "  \$ plotgrid points.grd --transcript points.out --points points.dat -o points.png"
png=$("$python" "$top"/tools/plotgrid points.grd --transcript points.out --points points.dat \
        -o points.png)
echo "  picture: $out/$png"

if [ -x "$plaxen_blanking" ]; then
  section "plaxen with blanking: the same survey masked by survey.bln"
  echo "  survey.bln: the outside of the survey boundary (inout 0) and the lake (inout 1)"
  echo "  \$ plaxen_blanking < masked.dialogue > masked.out"
  echo "  standard input (masked.dialogue; the last line answers the prompt for the .bln file):"
  show_input masked.dialogue
  "$plaxen_blanking" < masked.dialogue > masked.out
  echo "  standard output (masked.out):"
  sed 's/^/    | /' masked.out
  undefined=$(grep -o -e ' -0.9990000E+03' masked.grd | wc -l)
  echo "  grid file masked.grd: $undefined of 2501 nodes undefined (-999.0)"
  png=$("$python" "$top"/tools/plotgrid masked.grd --transcript masked.out --points points.dat \
          -o masked.png --title "masked.grd: survey.bln applied before gridding")
  echo "  picture: $out/$png"
else
  section "plaxen with blanking: skipped ($plaxen_blanking was not built)"
fi

section "recmat: 23 rows of 23 values from the station log"
echo "  \$ recmat station.log 23 1"
rm -f temp.mat
"$recmat" station.log 23 1
"$python" - <<'EOF'
import scipy.io
m = scipy.io.loadmat("temp.mat")
k = m["kvodata"]
print(f"  temp.mat: variable kvodata, {k.dtype}, {k.shape[0]} x {k.shape[1]}")
groups = ((0, 6), (6, 10), (10, 12), (12, 13), (13, 18), (18, 23))
print("  row  line 1 (cols 1-6)               line 2 (7-10)        line 3 (11-12)"
      "     4 (13)  line 5 (14-18)                    line 6 (19-23)")
def text(v):
    return f"{v:.6g}"
for r in list(range(3)) + [8, 9]:
    cells = ["  ".join(text(v) for v in k[r, a:b]) for a, b in groups]
    print(f"  {r + 1:3d}  " + " | ".join(cells))
print("  (row 10 holds record 11: record 10 follows a line that begins with 1997: and is refused)")
EOF

section "done"
echo "  all files are in $out"
