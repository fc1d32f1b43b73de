# shellcheck shell=bash
# Sourced by the scripts that check things one line at a time. Set
# check_label first; check prints "ok    LABEL: WHAT" or "FAIL  LABEL: WHAT"
# and counts it, check_summary prints "N passed, N failed" and fails when any
# check did.
passed=0
failed=0

check() {  # check WHAT COMMAND...
  local what="$1"
  shift
  if "$@"; then
    echo "ok    ${check_label:?}: $what"
    passed=$((passed + 1))
  else
    echo "FAIL  $check_label: $what"
    failed=$((failed + 1))
  fi
}

check_summary() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
