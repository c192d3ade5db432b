#!/usr/bin/env bash
# The slideshow import as the wizard runs it (unpacked beside the old slideshow, every file
# flushed, swapped in) of a package of 7 members, beside `cp -r` of the same 7 files followed by
# `sync` of the copies; the flush is reported apart. Then a package whose description holds a
# million lines. Goals: the import within 1.1 times `cp -r` + `sync`, peak memory at most 32 MB;
# the million-line description within 1 s and 64 MB.
# Usage: bench/import.sh [BUILD_DIR] [TOTAL_MB]   (RUNS=5 timed runs each, the median counts)
set -euo pipefail
build=${1:-build/dev}
total_mb=${2:-1000}
runs=${RUNS:-5}
bench="$build/bench/import_bench"
files=7
source "$(dirname "$0")/timing.sh"
make_work_dir import

file_kb=$((total_mb * 1024 / files))
mkdir "$work/files"
for ((i = 1; i <= files; i++)); do
  head -c "${file_kb}K" /dev/urandom >"$work/files/$(printf 'slide%02d.jpg' "$i")"
done
all=("$work"/files/*)
"$bench" pack "$work/big.kvs" "$work/big.hdr" 0 "${all[@]}"
head -c 100K /dev/urandom >"$work/small.jpg"
"$bench" pack "$work/lines.kvs" "$work/lines.hdr" 1000000 "$work/small.jpg"
cat "$work"/*.kvs "$work"/files/* >/dev/null  # warm the cache for all

before_run() {
  rm -rf "$work/out" && mkdir "$work/out" && sync
}
copy_and_sync() {
  cp -r "$work/files" "$work/out/files" && sync "$work/out/files" "$work/out/files"/*
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a/b}'; }
peak_mb() {
  before_run
  "$bench" import "$work/$1.kvs" "$work/$1.hdr" "$work/out" |
    sed 's/.*peak_kb=//' | awk '{printf "%.1f", $1/1024}'
}

import=$(median_ms "$bench" import "$work/big.kvs" "$work/big.hdr" "$work/out")
synced=$(median_ms copy_and_sync)
copy=$(median_ms cp -r "$work/files" "$work/out/files")
echo "package of $files files, $(du -m "$work/big.kvs" | cut -f1) MB, median of $runs"
echo "import: ${import} ms   cp -r + sync: ${synced} ms   ratio: $(ratio "$import" "$synced")" \
  "(goal 1.1)"
echo "cp -r alone: ${copy} ms, so the flush costs $(awk -v a="$synced" -v b="$copy" \
  'BEGIN {printf "%.0f", a-b}') ms; peak memory of the import: $(peak_mb big) MB (goal 32)"

lines=$(median_ms "$bench" import "$work/lines.kvs" "$work/lines.hdr" "$work/out")
echo "description of a million lines ($(du -k "$work/lines.kvs" | cut -f1) kB package):" \
  "${lines} ms (goal 1000), peak memory $(peak_mb lines) MB (goal 64)"
