# shellcheck shell=bash
# Sourced by the scripts that need an X server. start_xvfb starts Xvfb on a
# free display, exports DISPLAY and sets xvfb_pid; stop_xvfb ends it.

start_xvfb() {  # start_xvfb [WIDTHxHEIGHT]
  local size="${1:-1024x768}" number_file display=""
  number_file=$(mktemp)
  # Xvfb takes the first display no other server holds and says which: two
  # scripts starting at once never share one.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    display=$(tr -d '[:space:]' <"$number_file")
    [ -n "$display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$number_file"
  if [ -n "$display" ]; then
    export DISPLAY=":$display"
    for _ in $(seq 100); do
      xdpyinfo >/dev/null 2>&1 && return 0
      sleep 0.1
    done
  fi
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
