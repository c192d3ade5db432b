#!/usr/bin/env bash
# Time of attaching a large file (a whole attach_copy process: kernel copy, flushed, renamed into
# place) beside `cp` of the same file into the same folder followed by `sync` of the copy. Goal:
# the attachment within 1.1 times `cp` + `sync`.
# Usage: bench/attach_copy.sh [BUILD_DIR] [SIZE_MB] [RUNS]
set -euo pipefail
build=${1:-build/dev}
size_mb=${2:-2000}
runs=${3:-5}
attach="$build/bench/attach_copy"
source "$(dirname "$0")/timing.sh"
make_work_dir attach
mkdir "$work/profile"
head -c "${size_mb}M" /dev/urandom >"$work/Clip.avi"  # real data: a sparse file copies no bytes

# Milliseconds of one run of the command; the previous copy is removed and written back first, so
# each run starts from the same state.
time_ms() {
  rm -f "$work/profile/"*
  sync
  local start end
  start=$(date +%s%N)
  "$@"
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

copy_and_sync() {
  cp "$work/Clip.avi" "$work/profile/mov.avi" && sync "$work/profile/mov.avi" "$work/profile"
}

time_ms copy_and_sync >/dev/null  # warm the cache for both
time_ms "$attach" "$work/Clip.avi" "$work/profile" >/dev/null
cp_times=() attach_times=()
for ((i = 0; i < runs; i++)); do
  cp_times+=("$(time_ms copy_and_sync)")
  attach_times+=("$(time_ms "$attach" "$work/Clip.avi" "$work/profile")")
done
cp_ms=$(printf '%s\n' "${cp_times[@]}" | median)
attach_ms=$(printf '%s\n' "${attach_times[@]}" | median)
echo "${size_mb} MB, median of ${runs}: cp + sync ${cp_ms} ms   attach ${attach_ms} ms   ratio:" \
  "$(awk -v a="$attach_ms" -v b="$cp_ms" 'BEGIN {printf "%.2f", a/b}') (goal 1.1)"
