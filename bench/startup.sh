#!/usr/bin/env bash
# Start-up time to a visible window: the program against its yardstick (the
# plainest program that shows the same dialog), alternating runs in one Xvfb
# session; the median of each with its spread, their ratio, and the peak
# memory of each. Ends only the processes it starts, by process id.
#
#   bench/startup.sh windows|native [RUNS]     (RUNS: 15 unless given)
set -uo pipefail
kind="$1"
runs="${2:-15}"
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/$kind"
work=$(mktemp -d)
# shellcheck source=scripts/harness.sh
source "$root/scripts/harness.sh"
harness_init "$kind" "$work"

if [ "$kind" = windows ]; then
  program=(wine "$build/window/win32/vireno.exe")
  yardstick=(wine "$build/bench/yardstick.exe")
else
  program=("$build/window/gtk/vireno")
  yardstick=("$build/bench/yardstick")
fi
export WINEDEBUG=-all
make_prefix  # for vireno.exe, a wineserver kept up, as on a running desktop
write_settings
# No window manager: both programs map their windows the same way.
start_xvfb || exit 2
trap 'stop_all; rm -rf "$work"' EXIT

# time_to_window TITLE COMMAND... sets ms and kib: the time until the window
# is visible, then the peak memory of the process once it is. Fails, with
# nothing set, when the program ends or shows no window within 30 s (an X
# connection refused by a busy Xvfb, for one).
time_to_window() {
  local title="$1" start end pid peak
  shift
  ms="" kib=""
  # The window of the previous run may outlive its process for a moment.
  for _ in $(seq 500); do
    xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1 || break
    sleep 0.01
  done
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 &
  pid=$!
  local deadline=$((start + 30000000000))
  until xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; do
    if ! kill -0 "$pid" 2>/dev/null || [ "$(date +%s%N)" -ge "$deadline" ]; then
      kill "$pid" 2>/dev/null
      wait "$pid" 2>/dev/null
      return 1
    fi
    sleep 0.005
  done
  end=$(date +%s%N)
  settle  # drawn and idle: what it holds with its window open
  peak=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null)
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  [ -n "$peak" ] || return 1
  ms=$(((end - start) / 1000000)) kib="$peak"
}

# measure TITLE COMMAND...: time_to_window, tried again after a failed run
# (never counted) up to three times; counts the retries.
retries=0
measure() {
  local attempt
  for attempt in 1 2 3 4; do
    time_to_window "$@" && return 0
    [ "$attempt" -lt 4 ] && retries=$((retries + 1))
  done
  echo "startup: no window \"$1\" from ${*:2} in four tries" >&2
  exit 1
}

# summary VALUES... -> "median (min-max)"
summary() {
  printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END{printf "%d (%d-%d)", a[int((NR+1)/2)], a[1], a[NR]}'
}

measure "yardstick SCT/Extasi" "${yardstick[@]}"  # warm the caches
retries=0
p=() y=() pm=() ym=()
for _ in $(seq "$runs"); do
  measure "Cambio SCT/Extasi" "${program[@]}"
  p+=("$ms") pm+=("$kib")
  measure "yardstick SCT/Extasi" "${yardstick[@]}"
  y+=("$ms") ym+=("$kib")
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END{print a[int((NR+1)/2)]}'; }
echo "$kind start-up to a visible window, median (min-max) of $runs runs:" \
  "vireno $(summary "${p[@]}") ms, yardstick $(summary "${y[@]}") ms," \
  "ratio $(awk -v a="$(median "${p[@]}")" -v b="$(median "${y[@]}")" 'BEGIN{printf "%.2f", a/b}')"
echo "$kind peak memory (VmHWM) with the window open, median: vireno $(median "${pm[@]}") KiB," \
  "yardstick $(median "${ym[@]}") KiB"
echo "$kind runs retried after a failed start (not counted): $retries"
