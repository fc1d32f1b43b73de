#!/usr/bin/env bash
# Checks the release as users get it: builds it (scripts/release.sh), runs the
# validators over what the packages hold, installs the .deb with apt and runs
# the native end-to-end suite against /usr/bin/vireno, removes it again and
# looks for leftovers, runs the Windows suite against vireno.exe unpacked from
# the zip with its example settings file, and builds the release twice more
# from clean clones in two other folders to compare the checksums.
# Needs the windows preset built (its helper programs) and root or sudo.
# Ends with "N passed, N failed".
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 2
root=$(pwd)
source scripts/checks.sh
check_label=release
work=$(mktemp -d "${TMPDIR:-/tmp}/vireno-check-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)


bash scripts/release.sh || { echo "0 passed, 1 failed"; exit 1; }
version=$(sed -n 's/^#define VIRENO_VERSION_TEXT "\(.*\)"$/\1/p' window/version.h)
deb="$root/dist/vireno_$version-1_amd64.deb"
zip="$root/dist/vireno-$version-windows-x64.zip"
check "dist holds the zip, the package and their checksums" \
  bash -c "cd dist && sha256sum --quiet -c SHA256SUMS && [ \$(wc -l <SHA256SUMS) -eq 2 ]"

# What the package holds, checked by the desktop's own validators.
contents="$work/contents"
dpkg-deb -x "$deb" "$contents"
app="org.vireno.Vireno"
silent() { local out; out=$("$@" 2>&1); [ -z "$out" ] || { echo "$out"; return 1; }; }
check "desktop-file-validate: no error, no warning" \
  silent desktop-file-validate "$contents/usr/share/applications/$app.desktop"
# Pedantic remarks (upper case in the ID, as desktop IDs have) are no warnings.
appstream_report=$(appstreamcli validate --no-net "$contents/usr/share/metainfo/$app.metainfo.xml" 2>&1)
echo "$appstream_report"
check "appstreamcli validate: no error, no warning" \
  bash -c '! grep -qE "^[EW]:" <<<"$1" && grep -q "^✔" <<<"$1"' _ "$appstream_report"
check "mandoc -Tlint: the manual page is clean" \
  bash -c "zcat '$contents/usr/share/man/man1/vireno.1.gz' | mandoc -Tlint -W warning"
lintian_report=$(lintian --display-info "$deb" 2>&1 | grep -v 'running with root privileges')
[ -n "$lintian_report" ] && echo "$lintian_report"
check "lintian --display-info: silent (no error, warning or information)" [ -z "$lintian_report" ]
for size in 16 24 32 48 64 128 256; do
  [ -s "$contents/usr/share/icons/hicolor/${size}x$size/apps/$app.png" ] || check "icon $size px" false
done

# The version is written once, in window/version.h; the files that keep a
# dated entry per release must have one for it, the newest.
check "the Debian changelog's newest entry is $version" \
  [ "$(sed -n '1s/^vireno (\([^-]*\)-[0-9]*).*/\1/p' packaging/changelog.Debian)" = "$version" ]
check "the metadata's newest release is $version" \
  [ "$(grep -o '<release version="[^"]*"' packaging/$app.metainfo.xml | head -n 1 | cut -d'"' -f2)" = "$version" ]

# Installed as a user installs it, tested there, removed without a trace; a
# vireno the machine already had is left as it was, and the step skipped.
package_state() {
  local state
  state=$(dpkg-query -W -f='${Status} ${Version}' vireno 2>/dev/null)
  case "$state" in
    "install ok installed "*) echo "installed ${state##* }" ;;
    *) echo "not installed" ;;
  esac
}
state_before=$(package_state)
mapfile -t files < <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {sub(/^\./, "", $6); print $6}')
if [ "$state_before" != "not installed" ]; then
  echo "SKIP  $check_label: install, e2e and removal of the package: vireno is installed here ($state_before)"
elif "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >"$work/apt.log" 2>&1; then
  check "apt-get install: /usr/bin/vireno from the package" \
    bash -c '[ "$(dpkg-query -S /usr/bin/vireno)" = "vireno: /usr/bin/vireno" ]'
  check "the native e2e suite passes on /usr/bin/vireno" \
    bash tests/e2e/run.sh native build/native /usr/bin/vireno
  "${as_root[@]}" apt-get remove --purge -y -q vireno >>"$work/apt.log" 2>&1
  left=()
  for file in "${files[@]}"; do [ -e "$file" ] && left+=("$file"); done
  check "apt-get remove --purge: none of its ${#files[@]} files left (${left[*]:-none})" [ ${#left[@]} -eq 0 ]
else
  cat "$work/apt.log"
  check "apt-get install ./dist/$(basename "$deb")" false
fi
check "the machine's vireno package is as it was ($state_before)" [ "$(package_state)" = "$state_before" ]

# The zip as a Windows user unpacks it, with its example settings unchanged.
unzip -q "$zip" -d "$work/unzipped"
check "the released vireno.exe: its DLLs, Windows 7 imports, size, version strings and icon" \
  bash tests/e2e/check_exe.sh "$work/unzipped/vireno.exe"
check "the Windows e2e suite passes on the unpacked vireno.exe with vireno.ini.example" \
  bash tests/e2e/run.sh windows build/windows "$work/unzipped/vireno.exe" "$work/unzipped/vireno.ini.example"

# Byte for byte the same from two clean clones in two other folders.
for clone in "$work/a/vireno" "$work/b/elsewhere/src"; do
  git clone -q "$root" "$clone"
  bash "$clone/scripts/release.sh" >"$clone.log" 2>&1 || { tail -20 "$clone.log"; }
done
sums_a=$(cat "$work/a/vireno/dist/SHA256SUMS" 2>/dev/null)
sums_b=$(cat "$work/b/elsewhere/src/dist/SHA256SUMS" 2>/dev/null)
echo "$sums_a"
check "two clean clones in two folders build identical SHA256SUMS" \
  bash -c '[ -n "$1" ] && [ "$1" = "$2" ]' _ "$sums_a" "$sums_b"
if [ "$sums_a" != "$(cat dist/SHA256SUMS)" ]; then
  echo "note: this tree's dist/ differs from its last commit's (uncommitted changes?)"
fi

check_summary
