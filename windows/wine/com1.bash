# For the scripts that run a Windows program on COM1 with a counting line
# behind it; sourced. The feeder (counting_feeder) makes a pseudo-terminal,
# prints its path, then feeds it and reports once a second how much of the
# count the reader took.

# start_feeder FEEDER: starts it; sets feeder_pid, feeder_log (its output) and
# feeder_device (the terminal).
start_feeder() {
  feeder_log=$(mktemp)
  "$1" >"$feeder_log" &
  feeder_pid=$!
  for _ in $(seq 100); do
    [ -s "$feeder_log" ] && break
    sleep 0.05
  done
  feeder_device=$(head -n 1 "$feeder_log")
  [ -c "$feeder_device" ] || { echo "$0: the feeder gave no terminal" >&2; return 1; }
}

# Safe to call before start_feeder, as from a trap.
stop_feeder() {
  [ -z "${feeder_pid:-}" ] || kill "$feeder_pid" 2>/dev/null || true
  rm -f "${feeder_log:-}"
}

# start_on_com1 WINE-RUN-COMMAND... PROGRAM [ARGUMENT]...: runs the program in
# the background with COM1 mapped to the feeder's terminal, in a process group
# of its own, so that stop_on_com1 ends it and the Wine processes it started.
# The port goes right after the run command (windows/wine/run), before its
# other options.
start_on_com1() {
  setsid "$1" --port "COM1=$feeder_device" "${@:2}" &
  program_group=$!
}

stop_on_com1() {
  [ -n "${program_group:-}" ] || return 0
  kill -TERM -- "-$program_group" 2>/dev/null || true
  wait "$program_group" 2>/dev/null || true
}

# The feeder's last report as "SECONDS DUE TAKEN", or nothing before the first.
feeder_report() {
  sed -n 's/^\([0-9]*\) s: \([0-9]*\) due, \([0-9]*\) taken$/\1 \2 \3/p' "$feeder_log" | tail -n 1
}
