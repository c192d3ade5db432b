#!/usr/bin/env bash
# Time from launching the process to the window shown (and, for the wizard, the form built), for
# the wizard on an installation of 10,000 groups and a record of 20 categories, beside an empty Qt
# window started the same way; the tearing down after that is not counted. Goal: the wizard within
# 1.5 times the empty window. For reference, also a window with the same widgets, filled alike,
# without the wizard behind them.
# Usage: bench/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build/dev}
runs=${2:-30}
probe="$build/bench/startup_probe"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$probe" --make "$work/install"
[[ -n "${DISPLAY:-}" ]] || export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

source "$(dirname "$0")/timing.sh"

empty=$(median_ms_to_report "$probe" --empty-window)
same=$(median_ms_to_report "$probe" --same-widgets)
wizard=$(median_ms_to_report env VELLUMTIDE_HOME="$work/install" "$probe" 1)
ratio() { awk -v a="$1" -v b="$empty" 'BEGIN {printf "%.2f", a/b}'; }
echo "empty window: ${empty} ms   wizard: ${wizard} ms   ratio: $(ratio "$wizard") (goal 1.5)"
echo "the same widgets alone: ${same} ms   ratio: $(ratio "$same")"
