#!/usr/bin/env bash
# make bench: loading and gridding 1,000,000 records against the exact floor, plaxen-grid on
# the same job and on 10,000,000 records, plaxen.grid from Python against plaxen-grid, then
# recmat.
# floor: bench/mapped_floor, the file mapped and three numbers a line parsed with fast_float
#        into double and rounded once to float (no list-directed rules): what loading is held to.
# read:  bench/floor_reader, the earlier floor: the file read into memory, fast_float to float.
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(cd "$(dirname "$0")" && pwd)
data="$build/bench-data"
mkdir -p "$data"

if [ ! -s "$data/points-1m.dat" ]; then
  echo "generating 1,000,000 records..."
  "$build/bench/make_points" 1000000 20261209 > "$data/points-1m.dat"
fi
# Load only: a grid of 250 x 201 nodes is refused right after loading and the data limits.
printf 'points-1m.dat\ngrid.out\n250 201\n' > "$data/load.dialogue"
# Full run: 250 x 200 nodes, exactly the capacity.
printf 'points-1m.dat\ngrid.out\n250 200\n' > "$data/full.dialogue"

# The grid file the exports read: the full run's own.
(cd "$data" && "$build/plaxen/plaxen" < full.dialogue > /dev/null)

echo "plaxen on $(wc -l < "$data/points-1m.dat") records ($(du -m "$data/points-1m.dat" | cut -f1) MB),"
echo "then plaxen-export of its 250 x 200 grid (reloading the records) to GeoTIFF and netCDF:"
echo "machine load: $(uptime | sed 's/.*load average/load average/')"
/usr/bin/python3 "$here/compare_runs.py" --dir "$data" --runs "${RUNS:-21}" \
  --ratio load/floor --ratio full/floor --ratio full/load --ratio tif/full --ratio nc/full \
  "floor=$build/bench/mapped_floor points-1m.dat" \
  "read=$build/bench/floor_reader points-1m.dat" \
  "load=$build/plaxen/plaxen <load.dialogue" \
  "full=$build/plaxen/plaxen <full.dialogue" \
  "tif=$build/plaxen/plaxen-export points-1m.dat grid.out 250 200 grid.tif" \
  "nc=$build/plaxen/plaxen-export points-1m.dat grid.out 250 200 grid.nc"

echo "plaxen-grid on the same job, one program from the records to the GeoTIFF, against"
echo "plaxen-export's run (which reads plaxen's grid file):"
/usr/bin/python3 "$here/compare_runs.py" --dir "$data" --runs "${RUNS:-21}" --ratio grid/tif \
  "tif=$build/plaxen/plaxen-export points-1m.dat grid.out 250 200 grid.tif" \
  "grid=$build/plaxen/plaxen-grid points-1m.dat grid1m.tif -n 250 200 --quiet"

# 10,000,000 records onto 2000 x 2000 nodes: plaxen-grid held to 1.5 times the floor of
# parsing the file once, in at most 64 MB + 12 bytes a record + 10 bytes a node (224 MB),
# and in passes (--low-memory) in at most 64 MB + 10 bytes a node (104 MB).
if [ ! -s "$data/points-10m.dat" ]; then
  echo "generating 10,000,000 records..."
  "$build/bench/make_points" 10000000 20261209 > "$data/points-10m.dat"
fi
echo "plaxen-grid on $(du -m "$data/points-10m.dat" | cut -f1) MB of 10,000,000 records onto 2000 x 2000 nodes, as GeoTIFF:"
/usr/bin/python3 "$here/compare_runs.py" --dir "$data" --runs "${RUNS10:-7}" \
  --ratio grid10/floor10 --ratio passes10/floor10 \
  "floor10=$build/bench/mapped_floor points-10m.dat" \
  "grid10=$build/plaxen/plaxen-grid points-10m.dat grid10m.tif -n 2000 2000 --quiet" \
  "passes10=$build/plaxen/plaxen-grid points-10m.dat grid10m.tif -n 2000 2000 --quiet --low-memory"

echo "records read from the text in memory: the plain-record scan and the list reader"
echo "against the floor's loop on the same bytes (fastest of 7 rounds each):"
"$build/bench/text_scan" "$data/points-1m.dat"

# plaxen.grid from Python on 10,000,000 float64 points, against plaxen-grid's gridding and
# residuals of the same records (its parsing left out): the two compared, nothing asserted.
if compgen -G "$build/python/plaxen/_core*.so" >/dev/null; then
  echo "plaxen.grid (Python) and plaxen-grid, 10,000,000 records onto 2000 x 2000 nodes:"
  PYTHONPATH="$build/python" /usr/bin/python3 "$here/python_grid.py" \
    "$build/plaxen/plaxen-grid" "$data/points-10m.dat" 2000 2000 "${PYTHON_RUNS:-7}"
fi

if [ -f "$here/recmat/bench.sh" ]; then
  bash "$here/recmat/bench.sh" "$build"
fi
