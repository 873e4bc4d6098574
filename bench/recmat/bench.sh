#!/bin/bash
# Times recmat on a log of 50,000 records with step 1 and prints the median of several runs.
# Usage: bench/recmat/bench.sh <build-dir>
set -euo pipefail

build=${1:?usage: bench.sh <build-dir>}
program=$(realpath "$build/recmat/recmat")
records=50000
runs=9

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$(dirname "$0")/make_log.py" "$records" > "$work/station.log"
cd "$work"

times=()
for ((i = 0; i < runs; i++)); do
  start=$EPOCHREALTIME
  "$program" station.log "$records" 1
  end=$EPOCHREALTIME
  times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')")
done
[ -s temp.mat ] || { echo "recmat wrote no temp.mat" >&2; exit 1; }

printf '%s\n' "${times[@]}" | sort -n | awk -v n="$records" '
  { t[NR] = $1 }
  END { printf "recmat %d records: median %.3f s (min %.3f, max %.3f)\n", n, t[int((NR + 1) / 2)], t[1], t[NR] }'
