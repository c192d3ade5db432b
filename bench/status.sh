#!/usr/bin/env bash
# The organiser's overview of a school of 10,000 persons: `vellumtide-admin status` as a table,
# CSV and JSON, and `export` to CSV and JSON, each timed as a whole process with a warm cache.
# Goal: status within 2 s.
# Usage: bench/status.sh [BUILD_DIR] [PERSONS] [RUNS]
set -euo pipefail
build=${1:-build/dev}
persons=${2:-10000}
runs=${3:-5}
admin="$build/tools/vellumtide-admin"
source "$(dirname "$0")/timing.sh"
make_work_dir status

"$build/bench/roster_make" "$work/school" "$persons"
for format in table csv json; do
  echo "status --format $format: $(median_ms "$admin" status "$work/school" --format "$format") ms"
done
for extension in csv json; do
  echo "export to .$extension: $(median_ms "$admin" export "$work/school" "$work/out.$extension") ms"
done
