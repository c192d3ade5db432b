#!/usr/bin/env bash
# The photographer's pictures in one go: `vellumtide-admin photos` on 200 pictures of 24
# megapixels (6000 x 4000 JPEG, each a file of its own) for as many persons, with one job and with
# two, timed as whole processes; the speed-up is one job's time over two jobs'. Goal: at least 1.8
# on a machine of 2 cores.
# Usage: bench/photos.sh [BUILD_DIR]   (RUNS=3 timed runs each, the median counts; PICTURES=200)
set -euo pipefail
build=${1:-build/dev}
runs=${RUNS:-3}
pictures=${PICTURES:-200}
admin="$build/tools/vellumtide-admin"
source "$(dirname "$0")/timing.sh"
make_work_dir photos

# An installation of a person with a profile folder for each picture.
"$admin" init "$work/in" >/dev/null
ids=$(seq $((100001)) $((100000 + pictures)))
{
  echo "PRAGMA key = 'Quiet river stone'; PRAGMA cipher_compatibility = 3; BEGIN;"
  for id in $ids; do
    echo "INSERT INTO persons VALUES ('$id', 'First $id', 'Last $id');"
  done
  echo "COMMIT;"
} | sqlcipher "$work/in/pf.db" >/dev/null
mkdir "$work/pictures"
"$build/bench/photo_bench" make 6000 4000 "$work/picture.jpg"
for id in $ids; do
  mkdir "$work/in/Profile/$id"
  cp "$work/picture.jpg" "$work/pictures/$id.jpg"
done
sync
"$admin" photos "$work/in" "$work/pictures" | tail -n 1  # every picture taken, or the script stops

echo "load before: $(cut -d ' ' -f 1-3 /proc/loadavg)"
one=$(median_ms "$admin" photos "$work/in" "$work/pictures" --jobs 1)
two=$(median_ms "$admin" photos "$work/in" "$work/pictures" --jobs 2)
echo "load after: $(cut -d ' ' -f 1-3 /proc/loadavg)"
printf '%s pictures: 1 job %s ms, 2 jobs %s ms, speed-up %s (median of %s runs; goal 1.8)\n' \
  "$pictures" "$one" "$two" "$(awk -v a="$one" -v b="$two" 'BEGIN {printf "%.2f", a/b}')" "$runs"
