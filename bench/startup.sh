#!/usr/bin/env bash
# Start-up time to a visible window: the program against a minimal one that
# opens an empty window, alternating runs in one Xvfb session, with the
# median of each and their ratio. Also the program's peak memory.
#
#   bench/startup.sh windows|native [RUNS]
set -uo pipefail
kind="$1"
runs="${2:-9}"
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/$kind"
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# No accessibility bus in a bare X session: GTK would wait for one.
export NO_AT_BRIDGE=1

if [ "$kind" = windows ]; then
  "$root/scripts/wine-prefix" "$WINEPREFIX"
  program=(wine "$build/window/win32/vireno.exe")
  minimal=(wine "$build/bench/minimal_window.exe")
else
  "$root/scripts/wine-prefix" "$WINEPREFIX" --drive-only
  program=("$build/window/gtk/vireno")
  minimal=("$build/bench/minimal_window")
fi
mkdir -p "$WINEPREFIX/drive_c/progdvb"
printf 'x\r\nDIR=c:\\progdvb\\\r\nSCT_FILE   = sct.txt\r\nEXTASI_FILE    =extasi.txt\r\n' \
  >"$WINEPREFIX/drive_c/progdvb/vireno.ini"

source "$root/scripts/xvfb.sh"
start_xvfb || exit 2
[ "$kind" = windows ] && wineserver -p  # keep the server up, as on a running desktop

time_to_window() {  # time_to_window TITLE COMMAND... -> milliseconds
  local title="$1" start end pid
  shift
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 &
  pid=$!
  local deadline=$((start + 30000000000))
  until xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; do
    [ "$(date +%s%N)" -lt "$deadline" ] || { echo "no window \"$title\" from $*" >&2; exit 1; }
    sleep 0.01
  done
  end=$(date +%s%N)
  kill "$pid" 2>/dev/null
  [ "$kind" = windows ] && pkill -f 'vireno.exe|minimal_window.exe'
  wait "$pid" 2>/dev/null
  echo $(((end - start) / 1000000))
}

median() { sort -n | awk '{a[NR]=$1} END{print a[int((NR+1)/2)]}'; }

time_to_window "minimal window" "${minimal[@]}" >/dev/null  # warm the caches
p=()
m=()
for _ in $(seq "$runs"); do
  p+=("$(time_to_window "Cambio SCT/Extasi" "${program[@]}")")
  m+=("$(time_to_window "minimal window" "${minimal[@]}")")
done
pm=$(printf '%s\n' "${p[@]}" | median)
mm=$(printf '%s\n' "${m[@]}" | median)
echo "$kind start-up to a visible window, median of $runs: vireno ${pm} ms, minimal ${mm} ms, ratio $(awk -v a="$pm" -v b="$mm" 'BEGIN{printf "%.2f", a/b}')"

peak_kib() {  # peak_kib COMMAND... -> max RSS after 3 s with the window open
  /usr/bin/time -f '%M' -o "$work/peak" "$@" >/dev/null 2>&1 &
  local timed=$!
  sleep 3
  pkill -f "^$1"
  wait "$timed"
  tail -n 1 "$work/peak"
}
if [ "$kind" = native ]; then
  echo "native peak memory (max RSS): vireno $(peak_kib "${program[@]}") KiB, minimal $(peak_kib "${minimal[@]}") KiB"
fi

[ "$kind" = windows ] && wineserver -k
stop_xvfb
rm -rf "$work"
