# shellcheck shell=bash
# Sourced by the scripts that run the programs on a set-up of their own: the
# end-to-end tests, the demo, the screenshot and the start-up benchmark.
# harness_init picks the program's kind and a throw-away Wine prefix; the rest
# writes the files, starts and finds the program, drives it as a user does and
# reads its report. Every wait polls until a deadline; only a check that
# nothing happened waits a fixed time (settle), since no poll can prove it.

# shellcheck source=scripts/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
harness_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# shellcheck disable=SC2034  # for the scripts that source this file
caption="Cambio SCT/Extasi"
sct_line='SCT 11766 H 27500'
extasi_line='EXTASI 12226 V 27500'

harness_init() {  # harness_init windows|native WORK_FOLDER
  kind="$1"
  export WINEPREFIX="$2/prefix"
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # No accessibility bus in a bare X session: GTK would wait for one.
  export NO_AT_BRIDGE=1
  progdvb="$WINEPREFIX/drive_c/progdvb"
  wm_pid=""
  xvfb_pid=""
  program_pid=""
}

make_prefix() {
  if [ "$kind" = windows ]; then
    "$harness_scripts/wine-prefix" "$WINEPREFIX"
    # Kept up between programs, as on a running desktop, until stop_all.
    wineserver -p
  else
    "$harness_scripts/wine-prefix" "$WINEPREFIX" --drive-only
  fi
}

# wait_until SECONDS COMMAND...: runs COMMAND until it succeeds, every 50 ms,
# and fails when it has not by then.
wait_until() {
  local deadline=$(($(date +%s%N) + $1 * 1000000000))
  shift
  until "$@"; do
    [ "$(date +%s%N)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# Long enough for a key or a window's start to have written what it would.
settle() { sleep 0.5; }

window_manager_runs() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# start_display [SIZE [OPENBOX_CONFIG]]: Xvfb and, for the native program, a
# window manager: Linux programs leave closing, moving and Alt+F4 to one,
# while Wine draws and handles its own frames.
start_display() {
  start_xvfb "${1:-1024x768}" || return 1
  if [ "$kind" = native ]; then
    openbox --sm-disable ${2:+--config-file "$2"} >/dev/null 2>&1 &
    wm_pid=$!
    wait_until 10 window_manager_runs
  fi
}

# Ends what the harness started, by process id. Safe in a trap.
stop_all() {
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
  fi
  program_pid=""
  if [ -n "$wm_pid" ]; then
    kill "$wm_pid" 2>/dev/null || true
    wait "$wm_pid" 2>/dev/null || true
  fi
  wm_pid=""
  [ "$kind" = windows ] && { wineserver -k 2>/dev/null || true; }
  stop_xvfb
}

# write_settings [SCTFILE [BASEDIR]]: the settings file with its values in
# their columns, and the two sources; no target.
write_settings() {
  mkdir -p "$progdvb"
  printf 'vireno settings\r\nDIR=%s\r\nSCT_FILE   = %s\r\nEXTASI_FILE    =extasi.txt\r\n' \
    "${2:-c:\\progdvb\\}" "${1-sct.txt}" >"$progdvb/vireno.ini"
  printf '%s\r\nsecond line\r\n' "$sct_line" >"$progdvb/sct.txt"
  printf '%s' "$extasi_line" >"$progdvb/extasi.txt"
}

# launch [LOCALE]: starts $program in the background (program_pid), its
# output and, for vireno.exe, the text of its message boxes in $log.
launch() {
  log="${log:-$WINEPREFIX.log}"
  local env_locale=()
  [ -n "${1:-}" ] && env_locale=("LC_ALL=$1" "LANG=$1")
  if [ "$kind" = windows ]; then
    env "${env_locale[@]}" WINEDEBUG=-all,trace+msgbox wine "${program:?}" >"$log" 2>&1 &
  else
    env "${env_locale[@]}" "${program:?}" >"$log" 2>&1 &
  fi
  program_pid=$!
}

visible_window() {  # visible_window NAME -> its X window id
  local id
  id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
  [ -n "$id" ] && echo "$id"
}

find_window() {  # find_window NAME [SECONDS] -> prints the X window id
  local deadline=$(($(date +%s%N) + ${2:-30} * 1000000000))
  until visible_window "$1"; do
    [ "$(date +%s%N)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

program_ended() { ! kill -0 "$program_pid" 2>/dev/null; }
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }

# shellcheck disable=SC2034  # exit_code is the caller's
wait_exit() {  # wait_exit SECONDS -> sets exit_code (999, and ended, when still running)
  if wait_until "$1" program_ended; then
    wait "$program_pid"
    exit_code=$?
  else
    kill "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
    exit_code=999
  fi
  program_pid=""
}

press() {  # press WINDOW KEY
  xdotool windowfocus --sync "$1" 2>/dev/null
  xdotool key "$2"
}

# Clicks the middle of a control given in twips within the client area.
click_at_twips() {  # WINDOW LEFT TOP WIDTH HEIGHT
  local x y origin
  # Absolute position of the client area, whether or not a frame surrounds it.
  origin=$(client_origin "$1")
  x=$((${origin% *} + ($2 + $4 / 2) / 15))
  y=$((${origin#* } + ($3 + $5 / 2) / 15))
  xdotool mousemove "$x" "$y" click 1
}
click_sct() { click_at_twips "$1" 120 360 1935 495; }
click_extasi() { click_at_twips "$1" 120 1080 2055 495; }

report_says() { grep -q "$1" "$log"; }

# target_holds_file NAME TEXT: the file NAME beside the settings file
# holds TEXT, a printf format for its CR LF.
target_holds_file() {
  local expected file="$progdvb/$1"
  # shellcheck disable=SC2059  # TEXT is a format on purpose
  expected=$(printf "$2" | od -An -c)
  [ -f "$file" ] && [ "$(od -An -c <"$file")" = "$expected" ]
}
target_holds() { target_holds_file vireno.txt "$1"; }
target_is() { wait_until 5 target_holds "$1"; }

# painted IMAGE: a screenshot with more than a few colours, text and frame
# drawn, not a window still blank.
painted() { [ -s "$1" ] && [ "$(convert "$1" -format %k info: 2>/dev/null || echo 0)" -gt 8 ]; }

# shoot WINDOW IMAGE [import options]: a screenshot once the window is drawn.
shoot() {
  local window="$1" image="$2"
  shift 2
  shot_drawn() { import "$@" -window "$window" "$image" 2>/dev/null && painted "$image"; }
  wait_until 20 shot_drawn "$@"
}
