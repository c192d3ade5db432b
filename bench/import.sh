#!/usr/bin/env bash
# The slideshow import (ExtractSlideshow) of a package of 50 files beside `cp -r` of the same
# files and, where the tools are there, bsdtar and unzip on a stored zip of them; and the import's
# peak memory for a 100 MB package and the full one. Goals: the import within 1.1 times `cp -r`;
# peak memory at most 32 MB, the two packages within 2 MB of each other.
# Usage: bench/import.sh [BUILD_DIR] [TOTAL_MB]   (RUNS=5 timed runs each, the median counts)
set -euo pipefail
build=${1:-build/dev}
total_mb=${2:-1000}
runs=${RUNS:-5}
bench="$build/bench/import_bench"
files=50
work=$(mktemp -d "${TMPDIR:-/tmp}/vt-import-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

file_kb=$((total_mb * 1024 / files))
mkdir "$work/files"
for ((i = 1; i <= files; i++)); do
  head -c "${file_kb}K" /dev/urandom >"$work/files/$(printf 'slide%02d.jpg' "$i")"
done
all=("$work"/files/*)
small=$(((100 * 1024 + file_kb - 1) / file_kb))
((small <= files)) || small=$files
"$bench" pack "$work/big.kvs" "$work/big.hdr" "${all[@]}"
"$bench" pack "$work/small.kvs" "$work/small.hdr" "${all[@]:0:small}"
if command -v zip >/dev/null; then
  (cd "$work" && zip -q -0 -r files.zip files)
elif command -v bsdtar >/dev/null; then
  (cd "$work" && bsdtar --format zip --options zip:compression=store -cf files.zip files)
fi
cat "$work"/big.kvs "$work"/files/* "$work"/*.zip >/dev/null 2>&1 || true  # warm the cache for all

source "$(dirname "$0")/timing.sh"
before_run() {
  rm -rf "$work/out" && mkdir "$work/out" && sync
}

import=$(median_ms "$bench" import "$work/big.kvs" "$work/big.hdr" "$work/out")
copy=$(median_ms cp -r "$work/files" "$work/out/files")
echo "package of $files files, $(du -m "$work/big.kvs" | cut -f1) MB"
echo "import: ${import} ms   cp -r: ${copy} ms   ratio: $(awk -v a="$import" -v b="$copy" 'BEGIN {printf "%.2f", a/b}') (goal 1.1)"
if [[ -f "$work/files.zip" ]] && command -v bsdtar >/dev/null; then
  echo "bsdtar, stored zip: $(median_ms bsdtar -xf "$work/files.zip" -C "$work/out") ms"
fi
if [[ -f "$work/files.zip" ]] && command -v unzip >/dev/null; then
  echo "unzip, stored zip: $(median_ms unzip -q "$work/files.zip" -d "$work/out") ms"
fi

peak_kb() {
  rm -rf "$work/out" && mkdir "$work/out"
  "$bench" import "$work/$1.kvs" "$work/$1.hdr" "$work/out" | sed 's/.*peak_kb=//'
}
small_kb=$(peak_kb small)
big_kb=$(peak_kb big)
echo "peak memory of the import: $(du -m "$work/small.kvs" | cut -f1) MB package ${small_kb} kB," \
  "$(du -m "$work/big.kvs" | cut -f1) MB package ${big_kb} kB (goal: at most 32 MB, within 2 MB)"
