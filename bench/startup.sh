#!/usr/bin/env bash
# Time from launching the process to the window shown (and, for the wizard, the form built), for
# the wizard on an installation of 10,000 groups and a record of 20 categories, beside an empty Qt
# window started the same way; the tearing down after that is not counted. Goal: the wizard within
# 1.5 times the empty window. For reference, also a window with the same widgets, filled alike,
# without the wizard behind them. Then the wizard on records of 2,000 and 32,766 categories, with
# its peak memory. Goal: 2,000 categories within 0.5 s.
# Usage: bench/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build/dev}
runs=${2:-30}
probe="$build/bench/startup_probe"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[[ -n "${DISPLAY:-}" ]] || export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

source "$(dirname "$0")/timing.sh"

"$probe" --make "$work/install"
empty=$(median_ms_to_report "$probe" --empty-window)
same=$(median_ms_to_report "$probe" --same-widgets)
wizard=$(median_ms_to_report env VELLUMTIDE_HOME="$work/install" "$probe" 1)
ratio() { awk -v a="$1" -v b="$empty" 'BEGIN {printf "%.2f", a/b}'; }
echo "empty window: ${empty} ms   wizard: ${wizard} ms   ratio: $(ratio "$wizard") (goal 1.5)"
echo "the same widgets alone: ${same} ms   ratio: $(ratio "$same")"

for categories in 20 2000 32766; do
  rm -rf "$work/install"
  "$probe" --make "$work/install" "$categories"
  ((categories < 10000)) || runs=3
  ms=$(median_ms_to_report env VELLUMTIDE_HOME="$work/install" "$probe" 1)
  peak=$(env VELLUMTIDE_HOME="$work/install" /usr/bin/time -f %M "$probe" 1 2>&1 >/dev/null |
    tail -n 1)
  echo "wizard, ${categories} categories: ${ms} ms, peak memory $((peak / 1024)) MB"
done
