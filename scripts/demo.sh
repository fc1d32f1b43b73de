#!/usr/bin/env bash
# Builds the program and runs it on a demo set-up in a throw-away Wine prefix,
# far from any real files, printing the target file each time it changes
# until the window is closed.
#
#   scripts/demo.sh            the native Linux program (GTK)
#   scripts/demo.sh --windows  vireno.exe under Wine
#
# Without a display it starts Xvfb, makes one scripted choice, saves a
# screenshot and closes the window.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)
source scripts/xvfb.sh

kind=native
[ "${1:-}" = "--windows" ] && kind=windows

bash scripts/deps.sh
cmake --preset "$kind" >/dev/null
cmake --build --preset "$kind" --target vireno
if [ "$kind" = windows ]; then
  program=(wine "$root/build/windows/window/win32/vireno.exe")
else
  program=("$root/build/native/window/gtk/vireno")
fi

demo=$(mktemp -d "${TMPDIR:-/tmp}/vireno-demo.XXXXXX")
export WINEPREFIX="$demo/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""
trap '[ "$kind" = windows ] && wineserver -k 2>/dev/null; stop_xvfb; rm -rf "$demo"' EXIT

echo "Demo prefix: $WINEPREFIX (removed at the end)"
if [ "$kind" = windows ]; then
  scripts/wine-prefix "$WINEPREFIX"
else
  scripts/wine-prefix "$WINEPREFIX" --drive-only
fi
progdvb="$WINEPREFIX/drive_c/progdvb"
mkdir -p "$progdvb"
printf 'vireno demo settings\r\nDIR=c:\\progdvb\\\r\nSCT_FILE   = sct.txt\r\nEXTASI_FILE    =extasi.txt\r\n' \
  >"$progdvb/vireno.ini"
printf 'SCT 11766 H 27500 (the Sct profile)\r\nnot copied\r\n' >"$progdvb/sct.txt"
printf 'EXTASI 12226 V 27500 (the Extasi profile)\r\n' >"$progdvb/extasi.txt"

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  start_xvfb 800x600
  if [ "$kind" = native ]; then
    openbox --sm-disable >/dev/null 2>&1 &  # draws the frame and handles Alt+F4
  fi
  echo "No display: running under Xvfb on $DISPLAY with one scripted click."
fi

"${program[@]}" &
pid=$!
echo "Running. Choose Sct or Extasi in the window \"Cambio SCT/Extasi\"; close it to end."

if [ "$headless" -eq 1 ]; then
  (
    for _ in $(seq 300); do
      window=$(xdotool search --onlyvisible --name '^Cambio SCT/Extasi$' 2>/dev/null | head -n 1 || true)
      [ -n "$window" ] && break
      sleep 0.1
    done
    [ -n "$window" ] || exit 0
    sleep 1
    origin=$(client_origin "$window")
    xdotool mousemove $((${origin% *} + 72)) $((${origin#* } + 40)) click 1  # the middle of "Sct"
    sleep 2
    import -window root "$root/build/demo-screenshot.png"
    echo "Screenshot after clicking Sct: $root/build/demo-screenshot.png"
    xdotool windowfocus "$window" 2>/dev/null
    sleep 0.3
    xdotool key alt+F4
  ) &
fi

last=""
while kill -0 "$pid" 2>/dev/null; do
  now=$(cat "$progdvb/vireno.txt" 2>/dev/null || true)
  if [ "$now" != "$last" ]; then
    echo "vireno.txt now holds: $(tr -d '\r' <<<"$now")"
    last="$now"
  fi
  sleep 0.2
done
wait "$pid" && code=0 || code=$?
echo "The program ended with exit code $code."
