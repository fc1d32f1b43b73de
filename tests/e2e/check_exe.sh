#!/usr/bin/env bash
# vireno.exe must stand alone: no DLL beyond those every Windows has, no
# function that Windows 7 lacks, no larger than 256 KB, with the version resource users see in its properties
# and its icon; its header names Windows 7 and carries no time stamp.
set -uo pipefail
exe="$1"
objdump=x86_64-w64-mingw32-objdump
allowed='^(KERNEL32|USER32|GDI32|msvcrt|COMCTL32|ADVAPI32)\.dll$'
failed=0

imports=$($objdump -p "$exe" | awk '/DLL Name:/ {print $3}')
echo "imports: $(echo $imports)"
for dll in $imports; do
  if ! grep -Eiq "$allowed" <<<"$dll"; then
    echo "FAIL  imports $dll, which does not ship with Windows"
    failed=1
  fi
done

# Every function imported must be on the list of those Windows 7 SP1 has.
known="$(dirname "${BASH_SOURCE[0]}")/windows7-imports.txt"
functions=$($objdump -p "$exe" | awk '/DLL Name:/ {dll = toupper($3); next}
  /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ && dll != "" {print dll " " $3} /^$/ {dll = ""}')
echo "imported functions: $(wc -l <<<"$functions")"
[ -n "$functions" ] || { echo "FAIL  no imported function found"; failed=1; }
while read -r function; do
  if ! grep -qxF "$function" "$known"; then
    echo "FAIL  imports $function, which is not on the Windows 7 list ($known)"
    failed=1
  fi
done <<<"$functions"

size=$(stat -c %s "$exe")
echo "size: $size bytes"
if [ "$size" -gt 262144 ]; then
  echo "FAIL  larger than 256 KB"
  failed=1
fi

# The version strings are stored as UTF-16 in the resource section.
for text in "1.00" "vireno.exe" "The vireno authors" "Copyright (c) 2026 The vireno authors"; do
  if ! iconv -f utf-8 -t utf-16le <<<"$text" | head -c $((${#text} * 2)) | grep -qaF -f - "$exe"; then
    echo "FAIL  no version string \"$text\""
    failed=1
  fi
done
header=$($objdump -p "$exe")
for field in "MajorOSystemVersion	6" "MinorOSystemVersion	1" \
  "MajorSubsystemVersion	6" "MinorSubsystemVersion	1" "Time/Date		Thu Jan  1 00:00:00 1970"; do
  if ! grep -qF "$field" <<<"$header"; then
    echo "FAIL  header lacks \"$field\""
    failed=1
  fi
done
# The first icon group is what Explorer shows for the file.
if ! wrestool -l "$exe" | grep -- "--type=14 " | head -n 1 | grep -q -- "--name=1 "; then
  echo "FAIL  no icon group as the first icon resource"
  failed=1
fi
[ "$failed" -eq 0 ] && echo "ok    vireno.exe stands alone"
exit "$failed"
