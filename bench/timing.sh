# Sourced by the benchmark scripts, which set `build` and `runs`.
# Each timing below is the median in milliseconds of `runs` runs of the command, after one untimed
# run that warms the caches. A function `before_run`, where the script defines one, runs before
# each run, untimed.

# make_work_dir NAME: sets `work` to a new scratch folder beside the build in `build`, removed on
# exit, as an absolute path (some tools write beside their input otherwise). Not in /tmp: that may
# be a RAM disk, where copies time memory and flushing costs nothing.
make_work_dir() {
  work=$(realpath "$(mktemp -d "$build/$1-bench.XXXXXX")")
  trap 'rm -rf "$work"' EXIT
}

# median_ms COMMAND...: the command's wall time.
median_ms() {
  timed_runs whole "$@"
}

# median_ms_to_report COMMAND...: the time up to the moment the command reports it is done, by
# printing the clock (nanoseconds since the epoch) on its standard output; what it does after
# that, such as tearing down, is not counted.
median_ms_to_report() {
  timed_runs report "$@"
}

timed_runs() {
  local until=$1 times=() r start end
  shift
  for ((r = 0; r <= runs; r++)); do
    if declare -F before_run >/dev/null; then
      before_run
    fi
    start=$(date +%s%N)
    if [[ $until == report ]]; then
      end=$("$@" 2>/dev/null | tail -n 1)
      if [[ ! $end =~ ^[0-9]+$ ]]; then
        echo "$1 reported no time" >&2
        return 1
      fi
    else
      "$@" >/dev/null 2>&1
      end=$(date +%s%N)
    fi
    ((r == 0)) || times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.1f", a[int((NR+1)/2)]/1000}'
}
