#!/usr/bin/env bash
# End-to-end tests: the real program in a real X server, driven with xdotool
# the way a user drives it, on real files in a throw-away Wine prefix.
#
#   run.sh windows BUILD_DIR [PROGRAM [SETTINGS]]   vireno.exe under Wine
#   run.sh native  BUILD_DIR [PROGRAM [SETTINGS]]   the native program
#
# BUILD_DIR is that of the matching preset, which holds the helper programs.
# PROGRAM, when given, is tested instead of the one built there (an installed
# or unpacked copy); SETTINGS, when given, is the settings file of the normal
# runs instead of the suite's own.
#
# Prints one line per check and ends with "N passed, N failed".
set -uo pipefail

kind="$1"
build=$(cd "$2" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
scripts="$here/../../scripts"
# shellcheck source=scripts/harness.sh
source "$scripts/harness.sh"
# shellcheck source=scripts/checks.sh
source "$scripts/checks.sh"

case "$kind" in
  windows)
    program="${3:-$build/window/win32/vireno.exe}"
    window_dump="$build/tests/e2e/dump_window.exe"
    hold_open=(wine "$build/tests/e2e/hold_open.exe")
    take_foreground=(wine "$build/tests/e2e/take_foreground.exe")
    ;;
  native)
    program="${3:-$build/window/gtk/vireno}"
    window_dump=""
    hold_open=()
    take_foreground=()
    ;;
  *)
    echo "usage: $0 windows|native BUILD_DIR" >&2
    exit 2
    ;;
esac
[ -x "$program" ] || { echo "no program at $program" >&2; exit 2; }
settings_file="${4:-}"
echo "e2e: testing $program${settings_file:+ with the settings file $settings_file}"

check_label="$kind"
work=$(mktemp -d "${TMPDIR:-/tmp}/vireno-e2e.XXXXXX")
harness_init "$kind" "$work"
log="$work/program.log"
holder_pid=""
small=""

cleanup() {
  [ -n "$holder_pid" ] && kill "$holder_pid" 2>/dev/null
  [ -n "$small" ] && umount "$small" 2>/dev/null
  stop_all
  rm -rf "$work"
}
trap cleanup EXIT

# A fresh set of files: settings, the two sources, no target. Without
# arguments the settings are SETTINGS where one was given.
set_up_files() {
  rm -rf "$progdvb"
  write_settings "$@"
  if [ $# -eq 0 ] && [ -n "$settings_file" ]; then
    cp "$settings_file" "$progdvb/vireno.ini"
  fi
}

# The target still holds TEXT once the program had time to write.
target_stays() {
  settle
  target_holds "$1"
}
no_target() { [ ! -e "$progdvb/vireno.txt" ]; }
untouched() { settle && no_target; }
no_window() { ! visible_window "$caption" >/dev/null; }
no_report() { ! grep -q "Run-time error" "$log"; }
no_report_says() { ! report_says "$1"; }
files_are() { [ "$(cd "${2:-$progdvb}" && ls -A | tr '\n' ' ')" = "$1" ]; }  # hidden ones too

# The window as Windows sees it, compared with the layout number for number.
dump_and_compare() {
  [ -n "$window_dump" ] || return 0
  local facts
  facts=$(wine "$window_dump" 2>/dev/null | tr -d '\r')
  check "client area 363 x 202" grep -q "client_width=363 client_height=202" <<<"$facts"
  check "fixed dialog frame, close box only" grep -q \
    "caption_bar=1 sysmenu=1 thickframe=0 minimizebox=0 maximizebox=0 dlgmodalframe=1" <<<"$facts"
  check "owned by a hidden window, so no taskbar button" grep -q \
    "appwindow=0 owned=1 owner_visible=0" <<<"$facts"
  check "Option1 \"Sct\" at 8,24 129x33, first in tab order, starts a group, unchecked" \
    grep -q "^child class=Button caption=Sct left=8 top=24 width=129 height=33 type=9 tabstop=1 group=1 checked=0$" \
    <<<"$(sed -n 2p <<<"$facts")"
  check "Option2 \"Extasi\" at 8,72 137x33, second in tab order, unchecked" \
    grep -q "^child class=Button caption=Extasi left=8 top=72 width=137 height=33 type=9 tabstop=1 group=0 checked=0$" \
    <<<"$(sed -n 3p <<<"$facts")"
  check "two controls and nothing else" [ "$(grep -c '^child' <<<"$facts")" -eq 2 ]
}

client_size_is() {  # X's view of the window's client area
  local geometry
  geometry=$(xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
  [ "$geometry" = "$2" ]
}

motif_hints_move_close() {
  # functions: MWM_FUNC_MOVE | MWM_FUNC_CLOSE only.
  xprop -id "$1" _MOTIF_WM_HINTS | grep -q "= 0x[0-9a-f]*, 0x24,"
}
skips_taskbar() { xprop -id "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR; }

scenario_missing_settings() {
  set_up_files
  rm "$progdvb/vireno.ini"
  launch
  local box
  box=$(find_window vireno 60)
  check "missing settings: an error report appears" [ -n "$box" ]
  check "missing settings: no Cambio window" no_window
  check "missing settings: the report says 53 File not found" report_says "Run-time error 53: File not found"
  check "missing settings: the report names the file" report_says 'c:\\\\progdvb\\\\vireno.ini\|c:\\progdvb\\vireno.ini'
  [ -n "$box" ] && press "$box" Return
  wait_exit 20
  check "missing settings: the program ends with exit code 53 (got $exit_code)" [ "$exit_code" -eq 53 ]
  check "missing settings: nothing written" no_target
}

# The report speaks the user's language; the number, the file and the exit
# code stay as they are. (Wine's trace writes the text as UTF-16 escapes.)
scenario_report_language() {  # LOCALE WORDS-NATIVE WORDS-WINE
  local locale="$1" words="$2" box
  [ "$kind" = windows ] && words="$3"
  set_up_files
  rm "$progdvb/vireno.ini"
  launch "$locale"
  box=$(find_window vireno 60)
  check "report in $locale: it appears" [ -n "$box" ]
  check "report in $locale: 53 in the language's words" grep -qF "$words" "$log"
  check "report in $locale: not in English" no_report_says "File not found"
  check "report in $locale: the file is named" report_says 'c:\\\\progdvb\\\\vireno.ini\|c:\\progdvb\\vireno.ini'
  [ -n "$box" ] && press "$box" Return
  wait_exit 20
  check "report in $locale: exit code 53 (got $exit_code)" [ "$exit_code" -eq 53 ]
}

scenario_normal_run() {
  set_up_files
  launch
  local window
  window=$(find_window "$caption" 60)
  check "start: one window titled \"$caption\"" [ -n "$window" ]
  [ -n "$window" ] || return
  check "start: the X window's client area is 363 x 202" client_size_is "$window" 363x202
  check "start: the window manager may only move and close it" motif_hints_move_close "$window"
  check "start: the taskbar skips it" skips_taskbar "$window"
  dump_and_compare
  check "start: the target is untouched after start" untouched
  press "$window" Tab
  check "start: Tab selects nothing and writes nothing" untouched

  click_sct "$window"
  check "click Sct: the target is the Sct source's first line" target_is 'SCT 11766 H 27500\r\n'
  click_extasi "$window"
  check "click Extasi: the target is the Extasi source's first line" target_is 'EXTASI 12226 V 27500\r\n'
  click_sct "$window"
  check "click Sct again: back to Sct" target_is 'SCT 11766 H 27500\r\n'
  rm "$progdvb/vireno.txt"
  click_sct "$window"
  check "click the selected Sct: the copy runs again" target_is 'SCT 11766 H 27500\r\n'
  press "$window" Down
  check "arrow key: Extasi chosen from the keyboard" target_is 'EXTASI 12226 V 27500\r\n'
  check "sources unchanged, no stray files" files_are "extasi.txt sct.txt vireno.ini vireno.txt "
  press "$window" alt+F4
  wait_exit 20
  check "Alt+F4: the program ends with exit code 0 (got $exit_code)" [ "$exit_code" -eq 0 ]
}

scenario_failing_copy() {
  set_up_files missing.txt
  printf 'OLD\r\n' >"$progdvb/vireno.txt"
  launch
  local window box
  window=$(find_window "$caption" 60)
  check "failing copy: the window opens" [ -n "$window" ]
  [ -n "$window" ] || return
  click_sct "$window"
  box=$(find_window vireno 20)
  check "failing copy: an error report appears" [ -n "$box" ]
  check "failing copy: the report says 53 File not found" report_says "Run-time error 53: File not found"
  [ -n "$box" ] && press "$box" Return
  wait_exit 20
  check "failing copy: the program ends with exit code 53 (got $exit_code)" [ "$exit_code" -eq 53 ]
  check "failing copy: the target is unchanged" target_is 'OLD\r\n'
}

scenario_close_at_once() {
  set_up_files
  launch
  local window
  window=$(find_window "$caption" 60)
  [ -n "$window" ] && press "$window" alt+F4
  wait_exit 20
  check "close at once: exit code 0 (got $exit_code)" [ "$exit_code" -eq 0 ]
  check "close at once: nothing written" no_target
}

# Esc and Enter belong to a Cancel and a default button, which the window
# has not: they write nothing and leave it open. (In GTK, Enter activates the
# focused option, as a click does.)
scenario_esc_and_enter() {
  set_up_files
  launch
  local window
  window=$(find_window "$caption" 60)
  [ -n "$window" ] || { check "Esc and Enter: the window opens" false; return; }
  click_extasi "$window"
  target_is 'EXTASI 12226 V 27500\r\n'
  printf 'BY HAND\r\n' >"$progdvb/vireno.txt"
  press "$window" Escape
  check "Esc: the target is not rewritten" target_stays 'BY HAND\r\n'
  if [ "$kind" = windows ]; then
    click_sct "$window"
    target_is 'SCT 11766 H 27500\r\n'
    printf 'BY HAND AGAIN\r\n' >"$progdvb/vireno.txt"
    press "$window" Return
    check "Enter: the target is not rewritten" target_stays 'BY HAND AGAIN\r\n'
  fi
  check "Esc and Enter: the window is still open" find_window "$caption" 2
  press "$window" alt+F4
  wait_exit 20
  check "Esc and Enter: Alt+F4 ends with exit code 0 (got $exit_code)" [ "$exit_code" -eq 0 ]
}

# Another program takes the foreground and gives it back, as Alt+Tab does:
# the keyboard works on where the focus was.
scenario_focus_after_switch() {
  set_up_files
  launch
  local window other_pid other
  window=$(find_window "$caption" 60)
  [ -n "$window" ] || { check "switch away and back: the window opens" false; return; }
  click_sct "$window"
  target_is 'SCT 11766 H 27500\r\n'
  if [ "$kind" = windows ]; then
    check "switch away and back: another window took the foreground and gave it back" \
      grep -q back <("${take_foreground[@]}" "$caption" 2>&1)
  else
    xmessage -title "another program" "another program" >/dev/null 2>&1 &
    other_pid=$!
    other=$(find_window "another program" 20)
    [ -n "$other" ] && xdotool windowactivate --sync "$other" 2>/dev/null
    check "switch away and back: another window took the focus" \
      [ "$(xdotool getactivewindow 2>/dev/null)" = "$other" ]
    kill "$other_pid" 2>/dev/null
    wait "$other_pid" 2>/dev/null
    wait_until 5 is_active "$window"
  fi
  # The window gives the focus back to its option as it is activated.
  settle
  xdotool key Down
  check "switch away and back: Down chooses Extasi" target_is 'EXTASI 12226 V 27500\r\n'
  press "$window" alt+F4
  wait_exit 20
  check "switch away and back: Alt+F4 ends with exit code 0 (got $exit_code)" [ "$exit_code" -eq 0 ]
}

# Starts the program, chooses Sct, dismisses the error report that follows and
# waits for the program to end (exit_code).
choose_sct_and_dismiss_report() {
  local window box
  launch
  window=$(find_window "$caption" 60)
  [ -n "$window" ] && click_sct "$window"
  box=$(find_window vireno 20)
  [ -n "$box" ] && press "$box" Return
  wait_exit 20
}

# A copy that fails on the file system: the report with its number, the end
# of the program, and not one user file changed.
scenario_copy_fault() {  # NAME EXPECTED_NUMBER SCTFILE BASEDIR LOCK
  local name="$1" expected="$2" lock="$5" before
  set_up_files "$3" "$4"
  printf 'OLD\r\n' >"$progdvb/vireno.txt"
  case "$lock" in
    immutable) chattr +i "$progdvb/vireno.txt" ;;
    read-only) chmod 444 "$progdvb/vireno.txt" ;;
  esac
  before=$(cd "$progdvb" && sha256sum * | sort)
  choose_sct_and_dismiss_report
  check "$name: the report says $expected" report_says "Run-time error $expected:"
  chattr -i "$progdvb/vireno.txt" 2>/dev/null
  check "$name: exit code $expected (got $exit_code)" [ "$exit_code" -eq "$expected" ]
  check "$name: no user file changed" [ "$before" = "$(cd "$progdvb" && sha256sum * | sort)" ]
}

# Another program keeps the target open, sharing reading and writing but not
# deletion, while the user chooses: the choice still reaches the target.
scenario_target_held_open() {
  set_up_files
  printf 'OLD PROFILE, LONGER THAN ANY NEW ONE\r\n' >"$progdvb/vireno.txt"
  local held="$work/holder.log" window
  if [ "$kind" = windows ]; then
    "${hold_open[@]}" 'c:\progdvb\vireno.txt' 60 >"$held" 2>&1 &
  else
    (echo held; exec sleep 60) <"$progdvb/vireno.txt" >"$held" 2>&1 &
  fi
  holder_pid=$!
  wait_until 10 grep -q held "$held"
  check "target held open: another program holds it" grep -q held "$held"
  launch
  window=$(find_window "$caption" 60)
  [ -n "$window" ] && click_sct "$window"
  check "target held open: the target is the Sct line" target_is 'SCT 11766 H 27500\r\n'
  click_extasi "$window"
  check "target held open: then the Extasi line" target_is 'EXTASI 12226 V 27500\r\n'
  check "target held open: no report" no_report
  check "target held open: no stray files" files_are "extasi.txt sct.txt vireno.ini vireno.txt "
  [ -n "$window" ] && press "$window" alt+F4
  wait_exit 20
  check "target held open: Alt+F4 ends with exit code 0 (got $exit_code)" [ "$exit_code" -eq 0 ]
  kill "$holder_pid" 2>/dev/null
  wait "$holder_pid" 2>/dev/null
  holder_pid=""
}

# The profile folder on a full file system (a 20 KiB tmpfs; root only): the
# report says so, the target keeps the old profile and no temporary file is
# left taking space.
scenario_disk_full() {
  [ "$(id -u)" -eq 0 ] || { echo "skip  $kind: disk full (needs root to mount a tmpfs)"; return 0; }
  set_up_files sct.txt 'c:\small\'
  small="$WINEPREFIX/drive_c/small"
  mkdir -p "$small"
  mount -t tmpfs -o size=20k tmpfs "$small" || { small=""; check "disk full: tmpfs mounted" false; return; }
  printf 'SCT %012000d\r\n' 0 >"$small/sct.txt"
  printf 'EXTASI\r\n' >"$small/extasi.txt"
  printf 'OLD\r\n' >"$small/vireno.txt"
  choose_sct_and_dismiss_report
  check "disk full: the report says 61 Disk full" report_says "Run-time error 61: Disk full"
  check "disk full: exit code 61 (got $exit_code)" [ "$exit_code" -eq 61 ]
  check "disk full: the target keeps the old profile" [ "$(cat "$small/vireno.txt")" = $'OLD\r' ]
  check "disk full: no temporary file left" files_are "extasi.txt sct.txt vireno.txt " "$small"
  umount "$small"
  small=""
}

# A settings file saved with LF line ends is one line to the program: it loads
# without a word, and the first choice's report says which lines gave nothing.
scenario_settings_with_lf() {
  set_up_files
  printf 'vireno settings\nDIR=c:\\progdvb\\\nSCT_FILE   = sct.txt\nEXTASI_FILE    =extasi.txt\n' \
    >"$progdvb/vireno.ini"
  choose_sct_and_dismiss_report
  check "LF line ends: the report says 52" report_says "Run-time error 52: Bad file name or number"
  check "LF line ends: the report names vireno.ini and the lines" report_says \
    'vireno.ini: lines 2 and 3 give no folder and no file name (its lines must end with CR LF)'
  check "LF line ends: exit code 52 (got $exit_code)" [ "$exit_code" -eq 52 ]
}

# A NUL byte in the folder's columns would cut both paths short at c:\d, an
# ordinary file: it is a bad file name, and c:\d stays as it is.
scenario_nul_in_settings() {
  set_up_files
  printf 'vireno settings\r\nDIR=c:\\d\0xxxxxxx\r\nSCT_FILE   = sct.txt\r\n' >"$progdvb/vireno.ini"
  local other="$WINEPREFIX/drive_c/d"
  printf 'first\r\nsecond\r\nthird\r\n' >"$other"
  choose_sct_and_dismiss_report
  check "NUL in the folder: the report says 52" report_says "Run-time error 52: Bad file name or number"
  check "NUL in the folder: exit code 52 (got $exit_code)" [ "$exit_code" -eq 52 ]
  check "NUL in the folder: c:\\d unchanged" [ "$(cat "$other")" = $'first\r\nsecond\r\nthird\r' ]
  rm -f "$other"
}

# "c:\..\..\" stays at the root of c:, as on Windows: nothing above the
# Wine prefix's drive is read or written.
scenario_folder_above_the_drive() {
  set_up_files sct.txt 'c:\..\..\'
  local drive="$WINEPREFIX/drive_c"
  printf 'ROOT SCT\r\n' >"$drive/sct.txt"
  printf 'ABOVE THE DRIVE\r\n' >"$work/sct.txt"
  launch
  local window
  window=$(find_window "$caption" 60)
  [ -n "$window" ] && click_sct "$window"
  progdvb="$drive" check "c:\\..\\..\\: c:\\vireno.txt holds c:\\sct.txt's line" target_is 'ROOT SCT\r\n'
  check "c:\\..\\..\\: nothing written above the drive" [ ! -e "$work/vireno.txt" ]
  check "c:\\..\\..\\: nothing written above it either" [ ! -e "$WINEPREFIX/vireno.txt" ]
  [ -n "$window" ] && press "$window" alt+F4
  wait_exit 20
  rm -f "$drive/sct.txt" "$drive/vireno.txt" "$work/sct.txt"
}

# The target as a Windows program named it, VIRENO.TXT, in Turkish, whose own
# case rules do not pair I with i: it is the file rewritten, not a second one.
scenario_target_in_capitals() {
  set_up_files
  printf 'OLD\r\n' >"$progdvb/VIRENO.TXT"
  local window
  launch tr_TR.UTF-8
  window=$(find_window "$caption" 60)
  [ -n "$window" ] && click_sct "$window"
  target_in_capitals() { target_holds_file VIRENO.TXT "$sct_line\r\n"; }
  check "VIRENO.TXT in tr_TR.UTF-8: it gets the Sct line" wait_until 5 target_in_capitals
  check "VIRENO.TXT in tr_TR.UTF-8: no second vireno.txt" no_target
  [ -n "$window" ] && press "$window" alt+F4
  wait_exit 20
}

take_screenshot() {  # a picture of the dialog, with a frame, for people to look at
  set_up_files
  local shot="$build/vireno-window.png"
  if [ "$kind" = windows ]; then
    wine explorer /desktop=shot,480x300 "$program" >/dev/null 2>&1 &
  else
    "$program" >/dev/null 2>&1 &
  fi
  program_pid=$!
  local window
  if [ "$kind" = windows ]; then
    window=$(find_window "shot - Wine desktop" 60)
  else
    window=$(find_window "$caption" 60)
  fi
  rm -f "$shot"
  if [ "$kind" = windows ]; then
    [ -n "$window" ] && shoot "$window" "$shot"
  else
    [ -n "$window" ] && shoot "$window" "$shot" -frame
  fi
  check "screenshot saved to $shot" painted "$shot"
  kill "$program_pid" 2>/dev/null
  wait "$program_pid" 2>/dev/null
  [ "$kind" = windows ] && wineserver -k 2>/dev/null
}

start_display
make_prefix
scenario_missing_settings
scenario_report_language it_IT.UTF-8 "Errore di run-time 53: Impossibile trovare il file" \
  "Errore di run-time 53: Impossibile trovare il file"
scenario_report_language ar_EG.UTF-8 "53: لم يتم العثور على الملف" \
  '53: \0644\0645 \064a\062a\0645 \0627\0644\0639\062b\0648\0631'
scenario_report_language pt_PT.UTF-8 "Erro de execução 53: Ficheiro não encontrado" \
  'Erro de execu\00e7\00e3o 53: Ficheiro n\00e3o encontrado'
scenario_normal_run
scenario_failing_copy
scenario_close_at_once
scenario_esc_and_enter
scenario_focus_after_switch
scenario_target_held_open
scenario_disk_full
scenario_copy_fault "read-only target (immutable)" 70 sct.txt 'c:\progdvb\' immutable
# No write bit: read-only for Wine, and so for both programs, root included.
scenario_copy_fault "read-only target (no write permission)" 70 sct.txt 'c:\progdvb\' read-only
scenario_copy_fault "missing folder" 76 sct.txt 'c:\nothere\' none
scenario_copy_fault "source is a folder" 75 "" 'c:\progdvb\' none
scenario_nul_in_settings
scenario_settings_with_lf
scenario_folder_above_the_drive
scenario_target_in_capitals
take_screenshot

check_summary
