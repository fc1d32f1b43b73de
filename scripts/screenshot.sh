#!/usr/bin/env bash
# Makes docs/screenshot.png: the dialog of vireno.exe under Wine (with Wine's
# own frame) beside that of the native program (with openbox's), both from
# the real programs on a demo set-up in a throw-away prefix, in Xvfb.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)
source scripts/xvfb.sh

bash scripts/deps.sh
for preset in native windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target vireno >/dev/null
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vireno-screenshot.XXXXXX")
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" NO_AT_BRIDGE=1
pids=()
xvfb_pid=""
# errexit holds in the trap too: nothing in it may stop it before the end.
trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wineserver -k 2>/dev/null || true; stop_xvfb; rm -rf "$work"' EXIT
scripts/wine-prefix "$WINEPREFIX"
mkdir -p "$WINEPREFIX/drive_c/progdvb"
printf 'x\r\nDIR=c:\\progdvb\\\r\nSCT_FILE   = sct.txt\r\nEXTASI_FILE    =extasi.txt\r\n' \
  >"$WINEPREFIX/drive_c/progdvb/vireno.ini"
start_xvfb 1024x768

wait_for() {  # wait_for TITLE -> X window id
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "no window \"$1\"" >&2
  return 1
}

# GNOME and KDE give a fixed dialog a close button only; openbox's default
# layout shows all its buttons whatever the window asks for.
sed 's|<titleLayout>[A-Z]*</titleLayout>|<titleLayout>NLC</titleLayout>|' /etc/xdg/openbox/rc.xml \
  >"$work/openbox.xml"
openbox --sm-disable --config-file "$work/openbox.xml" >/dev/null 2>&1 &
pids+=($!)
sleep 1
build/native/window/gtk/vireno >/dev/null 2>&1 &
native=$!
pids+=("$native")
window=$(wait_for "Cambio SCT/Extasi")
sleep 2
import -frame -window "$window" "$work/native.png"
kill "$native"

wine explorer /desktop=shot,420x280 build/windows/window/win32/vireno.exe >/dev/null 2>&1 &
pids+=($!)
window=$(wait_for "shot - Wine desktop")
sleep 3
import -window "$window" "$work/windows.png"

mkdir -p docs
convert "$work/windows.png" "$work/native.png" -background white -gravity center \
  -bordercolor white -border 12 +append "$root/docs/screenshot.png"
echo "docs/screenshot.png: vireno.exe under Wine (left), the native program (right)"
