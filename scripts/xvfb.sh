# shellcheck shell=bash
# Sourced by the scripts that need an X server. start_xvfb starts Xvfb on the
# first free display, exports DISPLAY and sets xvfb_pid; stop_xvfb ends it.

start_xvfb() {  # start_xvfb [WIDTHxHEIGHT]
  local size="${1:-1024x768}" n
  for n in $(seq 90 160); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 100); do
      xdpyinfo >/dev/null 2>&1 && return 0
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "cannot start Xvfb" >&2
  return 1
}

stop_xvfb() {  # safe in a trap under errexit: nothing here fails
  if [ -n "${xvfb_pid:-}" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  xvfb_pid=""
}

client_origin() {  # client_origin WINDOW -> "X Y" of its client area on the screen, frame or not
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END{print x, y}'
}
