# Sourced by the benchmark scripts, which set `runs`.
# median_ms COMMAND...: the median wall time in milliseconds of `runs` runs of the command, after
# one untimed run that warms the caches. A function `before_run`, where the script defines one,
# runs before each run, untimed.
median_ms() {
  local times=() r start end
  for ((r = 0; r <= runs; r++)); do
    if declare -F before_run >/dev/null; then
      before_run
    fi
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    ((r == 0)) || times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.1f", a[int((NR+1)/2)]/1000}'
}
