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
# shellcheck source=scripts/harness.sh
source scripts/harness.sh

kind=native
[ "${1:-}" = "--windows" ] && kind=windows

bash scripts/deps.sh
cmake --preset "$kind" >/dev/null
cmake --build --preset "$kind" --target vireno
if [ "$kind" = windows ]; then
  program="$root/build/windows/window/win32/vireno.exe"
else
  program="$root/build/native/window/gtk/vireno"
fi

demo=$(mktemp -d "${TMPDIR:-/tmp}/vireno-demo.XXXXXX")
harness_init "$kind" "$demo"
log="$demo/program.log"
trap 'stop_all; rm -rf "$demo"' EXIT

echo "Demo prefix: $WINEPREFIX (removed at the end)"
make_prefix
sct_line="$sct_line (the Sct profile)"
extasi_line="$extasi_line (the Extasi profile)"
write_settings

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  start_display 800x600
  echo "No display: running under Xvfb on $DISPLAY with one scripted click."
fi

launch
echo "Running. Choose Sct or Extasi in the window \"$caption\"; close it to end."

if [ "$headless" -eq 1 ]; then
  window=$(find_window "$caption" 30) || window=""
  if [ -n "$window" ]; then
    click_sct "$window"
    sct_chosen() { grep -q "(the Sct profile)" "$progdvb/vireno.txt" 2>/dev/null; }
    wait_until 5 sct_chosen || true
    settle  # the window redraws the option once the copy has returned
    shoot root "$root/build/demo-screenshot.png" || true
    echo "Screenshot after clicking Sct: $root/build/demo-screenshot.png"
  fi
fi

last=""
while kill -0 "$program_pid" 2>/dev/null; do
  now=$(cat "$progdvb/vireno.txt" 2>/dev/null || true)
  if [ "$now" != "$last" ]; then
    echo "vireno.txt now holds: $(tr -d '\r' <<<"$now")"
    last="$now"
  fi
  if [ "$headless" -eq 1 ] && [ -n "$now" ] && [ -n "${window:-}" ]; then
    press "$window" alt+F4
    window=""
  fi
  sleep 0.2
done
wait "$program_pid" && code=0 || code=$?
program_pid=""
echo "The program ended with exit code $code."
