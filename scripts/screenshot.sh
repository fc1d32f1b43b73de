#!/usr/bin/env bash
# Makes docs/screenshot.png: the dialog of vireno.exe under Wine (with Wine's
# own frame) beside that of the native program (with openbox's), each just
# after Sct was chosen, from the real programs on a demo set-up in a
# throw-away prefix, in Xvfb.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)
# shellcheck source=scripts/harness.sh
source scripts/harness.sh

bash scripts/deps.sh
for preset in native windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target vireno >/dev/null
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vireno-screenshot.XXXXXX")
log="$work/program.log"
# errexit holds in the trap too: nothing in it may stop it before the end.
trap 'stop_all; rm -rf "$work"' EXIT
sct_chosen() { target_holds "$sct_line\r\n"; }

# GNOME and KDE give a fixed dialog a close button only; openbox's default
# layout shows all its buttons whatever the window asks for.
sed 's|<titleLayout>[A-Z]*</titleLayout>|<titleLayout>NLC</titleLayout>|' /etc/xdg/openbox/rc.xml \
  >"$work/openbox.xml"
harness_init native "$work/native"
make_prefix
write_settings
start_display 1024x768 "$work/openbox.xml"
program=build/native/window/gtk/vireno
launch
window=$(find_window "$caption")
click_sct "$window"
wait_until 10 sct_chosen
settle  # the option is drawn chosen once the copy has returned
shoot "$window" "$work/native.png" -frame
stop_all

# In a Wine desktop the dialog is drawn inside one X window: it is found in a
# screenshot as what is not the desktop's background, and Sct is clicked at
# its place in the client area, below Wine's caption.
harness_init windows "$work/windows"
make_prefix
write_settings
start_display
wine explorer /desktop=shot,420x280 build/windows/window/win32/vireno.exe >/dev/null 2>&1 &
program_pid=$!
window=$(find_window "shot - Wine desktop")
dialog_drawn() {
  shoot "$window" "$work/desktop.png" &&
    [ "$(convert "$work/desktop.png" -fuzz 5% -format %@ info:)" != "420x280+0+0" ]
}
wait_until 20 dialog_drawn
settle
shoot "$window" "$work/desktop.png"
read -r width height left top <<<"$(convert "$work/desktop.png" -fuzz 5% -format '%@' info: |
  tr 'x+' '  ')"
origin=$(client_origin "$window")
# The client area is 363 x 202 inside the frame's border and caption.
client_left=$((left + (width - 363) / 2))
client_top=$((top + height - 202 - (width - 363) / 2))
xdotool mousemove $((${origin% *} + client_left + 8 + 64)) $((${origin#* } + client_top + 24 + 16)) click 1
wait_until 10 sct_chosen
settle
shoot "$window" "$work/windows.png"
# The desktop's own background goes; both dialogs stand on one background.
convert "$work/windows.png" -fuzz 5% -trim +repage "$work/windows-dialog.png"

mkdir -p docs
convert "$work/windows-dialog.png" "$work/native.png" -background white -gravity center \
  -bordercolor white -border 12 +append +repage -strip "$root/docs/screenshot.png"
echo "docs/screenshot.png: vireno.exe under Wine (left), the native program (right), Sct chosen"
