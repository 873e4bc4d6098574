#!/usr/bin/env bash
# The demonstration behind `make demo`: grids the example survey with plaxen, shows what
# plaxen-info tells of it, exports the grid as GeoTIFF and netCDF with plaxen-export, grids
# the survey again with plaxen-grid in one command, draws it, grids it with the blanking
# build and the example .bln file and from Python (examples/grid_survey.py with the module
# plaxen), and extracts the example station log with recmat.
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
plaxen_info=$build/plaxen/plaxen-info
plaxen_export=$build/plaxen/plaxen-export
plaxen_grid=$build/plaxen/plaxen-grid
recmat=$build/recmat/recmat

for program in "$plaxen" "$plaxen_info" "$plaxen_export" "$plaxen_grid" "$recmat"; do
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

section "plaxen-info: the same job checked without gridding, as it can be before a run"
echo "  \$ plaxen-info points.dat 61 41"
"$plaxen_info" points.dat 61 41 | sed 's/^/    | /'

section "plaxen-export: the grid as GeoTIFF (GDAL, QGIS) and netCDF (GMT), placed exactly"
echo "  (the survey's metres taken as UTM zone 19N for the demonstration)"
for file in points.tif points.nc; do
  echo "  \$ plaxen-export points.dat points.grd 61 41 $file --a_srs EPSG:32619"
  "$plaxen_export" points.dat points.grd 61 41 "$file" --a_srs EPSG:32619
done
# How GDAL places and reads rasters: driver, cells, corner, nodata count, reference system.
describe_rasters() {
  "$python" - "$@" <<'EOF'
import math
import sys
from osgeo import gdal
gdal.UseExceptions()
for name in sys.argv[1:]:
    ds = gdal.Open(name)
    left, dx, _, top, _, dy = ds.GetGeoTransform()
    values = ds.GetRasterBand(1).ReadAsArray()
    nodata = sum(1 for row in values for v in row if math.isnan(v))
    srs = ds.GetSpatialRef()
    print(f"  {name}: {ds.GetDriver().ShortName}, {ds.RasterXSize} x {ds.RasterYSize} cells of "
          f"{dx:g} x {-dy:g}, upper-left corner ({left:.10g}, {top:.10g}), {nodata} nodata"
          + (f", {srs.GetName()}" if srs else ""))
EOF
}
describe_rasters points.tif points.nc

section "plaxen-grid: the same job in one command, with how well the grid honours the readings"
echo "  \$ plaxen-grid points.dat grid.tif -n 61 41 --a_srs EPSG:32619"
"$plaxen_grid" points.dat grid.tif -n 61 41 --a_srs EPSG:32619 --quiet 2>&1 | grep -v '^time' |
  sed 's/^/    | /'
"$plaxen_grid" points.dat grid.grd -n 61 41 -of plaxen --quiet 2> /dev/null
if cmp -s grid.grd points.grd; then
  echo "  its grid file (-of plaxen) is plaxen's points.grd, byte for byte"
else
  echo "demo: plaxen-grid's grid differs from plaxen's" >&2
  exit 1
fi

section "plotgrid: a picture of the grid"
echo "  \$ plotgrid points.grd --transcript points.out --data points.dat --points points.dat -o points.png"
png=$("$python" "$top"/tools/plotgrid points.grd --transcript points.out --data points.dat \
        --info "$plaxen_info" --points points.dat -o points.png)
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
  png=$("$python" "$top"/tools/plotgrid masked.grd --transcript masked.out --data points.dat \
          --info "$plaxen_info" --bln survey.bln -o masked.png \
          --title "masked.grd: survey.bln applied before gridding")
  echo "  picture: $out/$png"
else
  section "plaxen with blanking: skipped ($plaxen_blanking was not built)"
fi

# Configuring alone makes the folder build/python/plaxen: the built extension tells.
if compgen -G "$build/python/plaxen/_core*.so" >/dev/null; then
  section "plaxen from Python: the survey on numpy arrays, drawn and written as netCDF"
  echo "  \$ PYTHONPATH=build/python python3 grid_survey.py   (examples/grid_survey.py)"
  PYTHONPATH=$build/python "$python" "$examples"/grid_survey.py | sed 's/^/    | /'
  describe_rasters points-python.nc
  echo "  picture: $out/points-python.png"
else
  section "plaxen from Python: skipped (the module plaxen was not built in $build/python)"
fi

section "recmat: 23 rows of 23 values from the station log"
echo "  \$ recmat station.log 23 1"
rm -f temp.mat
"$recmat" station.log 23 1
"$python" - <<'EOF'
import scipy.io
k = scipy.io.loadmat("temp.mat")["kvodata"]
print(f"  temp.mat: variable kvodata, {k.dtype}, {k.shape[0]} rows x {k.shape[1]} columns")
print("  row 1, by record line:")
for line, (a, b) in enumerate(((0, 6), (6, 10), (10, 12), (12, 13), (13, 18), (18, 23)), 1):
    print(f"    line {line}, columns {a + 1:2d}-{b:2d}: " + "  ".join(f"{v:g}" for v in k[0, a:b]))
times = [f"{int(r[3]):02d}:{int(r[4]):02d}" for r in k]
print("  times (columns 4 and 5) of all rows; 12:00 is missing, its record follows a line")
print("  that begins with 1997: and is refused:")
for n in range(0, len(times), 12):
    print("    " + " ".join(times[n:n + 12]))
EOF

section "done"
echo "  all files are in $out"
