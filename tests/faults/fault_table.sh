#!/usr/bin/env bash
# Every failure of the profile copy, produced for real on the file system or
# injected with strace, with the error number it gives and a byte-for-byte
# check that no file the user owns changed.
#
#   fault_table.sh PATH/TO/copy_probe
set -uo pipefail
probe="$1"
work=$(mktemp -d /tmp/vireno-faults.XXXXXX)
passed=0
failed=0
trap 'chattr -R -i "$work" 2>/dev/null; umount "$work/small" 2>/dev/null; rm -rf "$work"' EXIT

fresh() {  # a folder with both sources and an old target
  chattr -R -i "$work" 2>/dev/null
  rm -rf "$work/p"
  mkdir -p "$work/p"
  printf 'SCT %05000d\r\nsecond\r\n' 1 >"$work/p/sct.txt"
  printf 'EXTASI line\r\n' >"$work/p/extasi.txt"
  printf 'OLD profile\r\n' >"$work/p/vireno.txt"
}
snapshot() { (cd "$work/p" && find . -printf '%p %y %l\n' | sort && find . -type f -exec sha256sum {} + | sort); }

row() {  # row FAULT EXPECTED_EXIT GOT_EXIT USER_FILES_OK
  local verdict=ok
  [ "$2" = "$3" ] && [ "$4" = yes ] || verdict=FAIL
  printf '%-5s %-48s expected %-4s got %-4s user files unchanged: %s\n' "$verdict" "$1" "$2" "$3" "$4"
  if [ "$verdict" = ok ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

# run_fault NAME EXPECTED SCTFILE [COMMAND PREFIX...]: copies Sct, expecting
# failure EXPECTED and every file as it was.
run_fault() {
  local name="$1" expected="$2" sct="$3" before after got same
  shift 3
  before=$(snapshot)
  "$@" "$probe" "$work/p/" "$sct" extasi.txt sct 2>/dev/null
  got=$?
  chattr -R -i "$work/p" 2>/dev/null
  after=$(snapshot)
  same=no
  [ "$before" = "$after" ] && same=yes
  row "$name" "$expected" "$got" "$same"
}

fresh; run_fault "source missing" 53 gone.txt
fresh; run_fault "source folder missing" 76 'nodir\sct.txt'
fresh; run_fault "source is a folder" 75 ""
fresh; : >"$work/p/sct.txt"; run_fault "source empty" 62 sct.txt
fresh; chattr +i "$work/p/vireno.txt"; run_fault "read-only target (immutable)" 70 sct.txt
# No write bit is Wine's read-only attribute: refused for root too.
fresh; chmod 444 "$work/p/vireno.txt"; run_fault "read-only target (mode 0444)" 70 sct.txt
fresh; rm "$work/p/vireno.txt"; ln -s "$work/p/nodir/vireno.txt" "$work/p/vireno.txt"
run_fault "target folder missing (link into it)" 76 sct.txt
fresh; rm "$work/p/vireno.txt"; mkdir "$work/p/vireno.txt"; run_fault "target is a folder" 75 sct.txt
fresh; run_fault "disk full (RLIMIT_FSIZE 1 KiB)" 61 sct.txt \
  bash -c 'ulimit -f 1; trap "" XFSZ; exec "$@"' limit
fresh; run_fault "strace: write fails with ENOSPC" 61 sct.txt \
  strace -f -qq -o /dev/null -e trace=write -e inject=write:error=ENOSPC
fresh; run_fault "strace: fsync fails with EIO" 57 sct.txt \
  strace -f -qq -o /dev/null -e trace=fsync -e inject=fsync:error=EIO

# Killed before the rename or during the flush: the target is the old one.
for point in rename fsync; do
  fresh
  before=$(cat "$work/p/vireno.txt")
  got=$( (strace -f -qq -o /dev/null -e trace="$point" -e inject="$point:signal=KILL" \
    "$probe" "$work/p/" sct.txt extasi.txt sct 2>/dev/null; echo $?) 2>/dev/null)
  same=no
  [ "$(cat "$work/p/vireno.txt")" = "$before" ] && same=yes
  row "strace: killed at $point (exit 137 = SIGKILL)" 137 "$got" "$same"
done

# run_in_place NAME [COMMAND PREFIX...]: the target cannot be replaced but
# may be written: rewritten in place, with no file left beside it.
run_in_place() {
  local name="$1" got ok=no
  shift
  fresh
  [ "$name" = "locked folder, writable target" ] && chattr +i "$work/p"
  "$@" "$probe" "$work/p/" sct.txt extasi.txt sct 2>/dev/null
  got=$?
  chattr -i "$work/p"
  [ "$(cat "$work/p/vireno.txt")" = "$(printf 'SCT %05000d\r\n' 1)" ] && [ "$(ls -A "$work/p" | wc -l)" -eq 3 ] && ok=yes
  row "$name: rewritten" 0 "$got" "$ok"
}
run_in_place "locked folder, writable target"
# Only the rename over the target is refused: the copy may still rename its
# own file beside it.
run_in_place "strace: rename fails with EACCES (sticky folder)" \
  strace -f -qq -o /dev/null -e trace=rename -e inject=rename:error=EACCES:when=1

# Killed while it rewrites a hard-linked target in place, at the first byte
# that changes; the next start completes the rewrite from the copy's record.
# A kill that missed the rewrite (the copy ended first, or had just ended it)
# is tried again.
linked_crash() {
  local pid first='' got=no-kill ok=no
  for _ in 1 2 3 4 5; do
    fresh
    head -c 33554432 /dev/zero | tr '\0' G >"$work/p/big.txt"
    head -c 33554432 /dev/zero | tr '\0' O >"$work/p/vireno.txt"
    ln "$work/p/vireno.txt" "$work/p/active.txt"
    "$probe" "$work/p/" big.txt extasi.txt sct 2>/dev/null &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
      IFS= read -r -n 1 first <"$work/p/vireno.txt"
      [ "$first" = G ] && break
    done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if [ "$first" != G ] || ! ls "$work/p"/.vireno.txt.*.pending >/dev/null 2>&1; then
      continue
    fi
    "$probe" "$work/p/" big.txt extasi.txt start 2>/dev/null
    got=$?
    [ "$(head -c 33554432 "$work/p/big.txt" | sha256sum)" = "$(head -c 33554432 "$work/p/vireno.txt" | sha256sum)" ] &&
      [ "$(tail -c 2 "$work/p/vireno.txt" | od -An -c | tr -d ' ')" = '\r\n' ] &&
      [ "$(stat -c %s "$work/p/vireno.txt")" -eq 33554434 ] &&
      [ "$work/p/vireno.txt" -ef "$work/p/active.txt" ] &&
      [ "$(ls -A "$work/p" | wc -l)" -eq 5 ] && ok=yes
    break
  done
  row "killed in a linked rewrite, then started: completed" 0 "$got" "$ok"
}
linked_crash

# A really full file system: a tiny tmpfs in a private mount namespace.
if unshare -m true 2>/dev/null; then
  fresh
  got=$(unshare -m bash -c '
    p="$1"; probe="$2"
    mount -t tmpfs -o size=16k tmpfs "$p" || exit 99
    printf "SCT %05000d\r\n" 1 >"$p/sct.txt"
    printf "OLD profile\r\n" >"$p/vireno.txt"
    dd if=/dev/zero of="$p/filler" bs=1k 2>/dev/null
    before=$(sha256sum "$p"/* | sort)
    "$probe" "$p/" sct.txt extasi.txt sct 2>/dev/null
    code=$?
    [ "$before" = "$(sha256sum "$p"/* | sort)" ] && echo "$code yes" || echo "$code no"
  ' tmpfs "$work/p" "$probe")
  row "full tmpfs (16 KiB, filled)" 61 "${got% *}" "${got#* }"
  # A hard-linked target is rewritten in place: the new line, 300 KiB from
  # another folder, finds no room there, and the old profile stays whole.
  fresh
  mkdir -p "$work/big"
  head -c 307200 /dev/zero | tr '\0' N >"$work/big/sct.txt"
  got=$(unshare -m bash -c '
    p="$1"; probe="$2"
    mount -t tmpfs -o size=512k tmpfs "$p" || exit 99
    printf "OLD-PROFILE\r\n" >"$p/vireno.txt"
    ln "$p/vireno.txt" "$p/active.txt"
    "$probe" "$p/" ../big/sct.txt extasi.txt sct 2>/dev/null
    code=$?
    [ "$(cat "$p/vireno.txt" "$p/active.txt")" = "$(printf "OLD-PROFILE\r\nOLD-PROFILE\r\n")" ] &&
      [ "$(ls -A "$p" | tr "\n" " ")" = "active.txt vireno.txt " ] && echo "$code yes" || echo "$code no"
  ' tmpfs "$work/p" "$probe")
  row "full tmpfs (512 KiB), linked target rewritten in place" 61 "${got% *}" "${got#* }"
else
  echo "skip  full tmpfs: unshare -m is not permitted here"
fi

echo "fault table: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
