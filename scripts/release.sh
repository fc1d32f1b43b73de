#!/usr/bin/env bash
# Builds the release into dist/, in build folders of its own made afresh:
#
#   dist/vireno-VERSION-windows-x64.zip   vireno.exe, README.txt, vireno.ini.example, LICENSE.txt
#   dist/vireno_VERSION-1_amd64.deb       the native program, its desktop entry, icons,
#                                         metadata, manual page and copyright
#   dist/SHA256SUMS                       of both
#
# Two runs on one commit give the same bytes wherever the tree lies: every
# time stamp is the last commit's (SOURCE_DATE_EPOCH), files go in in a fixed
# order with fixed owners and modes, and no build path reaches a binary.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)

bash scripts/deps.sh
version=$(sed -n 's/^#define VIRENO_VERSION_TEXT "\(.*\)"$/\1/p' window/version.h)
revision=1
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}"
export TZ=UTC LC_ALL=C.UTF-8
umask 022

rm -rf build/release-native build/release-windows dist
for preset in release-native release-windows; do
  cmake --preset "$preset" -DVIRENO_WERROR=ON >/dev/null
  cmake --build --preset "$preset"
done

stage=$(mktemp -d "${TMPDIR:-/tmp}/vireno-release.XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir -p dist

# Gives every file below $1 the commit's time and plain modes.
settle() {
  find "$1" -type d -exec chmod 0755 {} +
  find "$1" -type f -exec chmod 0644 {} +
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# The Windows zip: text files with CR LF, for Notepad.
zip_name="vireno-$version-windows-x64.zip"
mkdir "$stage/zip"
cp build/release-windows/window/win32/vireno.exe "$stage/zip/"
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' packaging/README.windows.txt >"$stage/zip/README.txt"
sed 's/$/\r/' packaging/vireno.ini.example >"$stage/zip/vireno.ini.example"
sed 's/$/\r/' LICENSE >"$stage/zip/LICENSE.txt"
settle "$stage/zip"
chmod 0755 "$stage/zip/vireno.exe"
(cd "$stage/zip" && zip -X -D -9 -q "$root/dist/$zip_name" \
  vireno.exe README.txt vireno.ini.example LICENSE.txt)

# The Debian package, from the install rules.
deb_name="vireno_$version-${revision}_amd64.deb"
# Laid out as a Debian source tree would be, where dpkg-shlibdeps looks.
package="$stage/source/debian/vireno"
DESTDIR="$package" cmake --install build/release-native --prefix /usr --strip >/dev/null
# As dh_strip does: the compiler's notes are of no use in a package.
objcopy --remove-section=.comment --remove-section=.note "$package/usr/bin/vireno"
gzip -9nc packaging/changelog.Debian >"$stage/changelog.Debian.gz"
install -D -m 0644 "$stage/changelog.Debian.gz" "$package/usr/share/doc/vireno/changelog.Debian.gz"
install -D -m 0644 packaging/lintian-overrides "$package/usr/share/lintian/overrides/vireno"
settle "$package"
chmod 0755 "$package/usr/bin/vireno"

# The dependencies, from the libraries the binary links and their symbols.
printf 'Source: vireno\n\nPackage: vireno\nArchitecture: amd64\n' >"$stage/source/debian/control"
depends=$(cd "$stage/source" && dpkg-shlibdeps -O -e"$package/usr/bin/vireno" |
  sed -n 's/^shlibs:Depends=//p')
installed_size=$(find "$package" -type f -printf '%s\n' | awk '{kib += int(($1 + 1023) / 1024)} END {print kib}')

mkdir "$package/DEBIAN"
cat >"$package/DEBIAN/control" <<CONTROL
Package: vireno
Version: $version-$revision
Architecture: amd64
Maintainer: The vireno authors <authors@vireno.org>
Installed-Size: $installed_size
Depends: $depends
Suggests: wine
Section: utils
Priority: optional
Description: make the Sct or the Extasi profile the active one
 vireno shows one small dialog with two radio buttons, Sct and Extasi. A
 click on one of them copies the first line of that profile's source file
 into the shared target file vireno.txt, replacing it in one step.
 .
 It reads the folder and the two file names from fixed columns of
 c:\\progdvb\\vireno.ini, with the c: drive mapped as Wine maps it, so that it
 acts on the same files as the Windows program under Wine.
CONTROL
(cd "$package" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$package/DEBIAN/md5sums"
settle "$package/DEBIAN"
dpkg-deb --root-owner-group -Zxz --build "$package" "dist/$deb_name" >/dev/null

(cd dist && sha256sum "$zip_name" "$deb_name" >SHA256SUMS)
echo "Release $version in $root/dist:"
(cd dist && ls -l "$zip_name" "$deb_name" && cat SHA256SUMS)
