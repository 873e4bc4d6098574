#!/usr/bin/env bash
# make bench-large: plaxen-grid on 100,000,000 records (3.2 GB, generated on demand) onto
# 2000 x 2000 nodes, in memory and in passes, with the peak memory of each run; the bounds
# are 64 MB + 12 bytes a record + 10 bytes a node, and 64 MB + 10 bytes a node in passes.
set -euo pipefail
build=$(realpath "${1:-build}")
data="$build/bench-data"
mkdir -p "$data"
if [ ! -s "$data/points-100m.dat" ]; then
  echo "generating 100,000,000 records (3.2 GB)..."
  "$build/bench/make_points" 100000000 20261209 > "$data/points-100m.dat"
fi
cd "$data"
for mode in "" "--low-memory"; do
  /usr/bin/time -f "plaxen-grid ${mode:-in memory}: %e s, peak memory %M KB, exit status %x" \
    "$build/plaxen/plaxen-grid" points-100m.dat grid100m.tif -n 2000 2000 --quiet $mode
done
/usr/bin/time -f "floor: %e s" "$build/bench/mapped_floor" points-100m.dat
