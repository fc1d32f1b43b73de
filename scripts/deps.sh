#!/usr/bin/env bash
# Installs, from Debian's archive, whatever the build and the tests need and
# this machine lacks. Quiet and quick when everything is there.
set -euo pipefail
packages=(
  cmake make g++ libgtest-dev googletest libbenchmark-dev pkg-config
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xdotool x11-utils imagemagick inotify-tools
  libgtk-3-dev openbox e2fsprogs util-linux procps strace time clang shellcheck
  dpkg-dev desktop-file-utils appstream lintian mandoc icoutils librsvg2-bin zip unzip
  gettext locales fonts-dejavu-core fonts-droid-fallback fonts-wqy-microhei
)
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q \
    "${missing[@]}"
fi
# The locales the tests start the programs in: the report's languages, a
# double-byte code page, and Turkish, whose case rules differ. Without them
# both programs would speak English, and those tests would prove nothing.
for locale in it_IT ar_EG pt_PT ja_JP tr_TR; do
  if ! locale -a | grep -qx "$locale.utf8"; then
    "${sudo_cmd[@]}" localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
  fi
done
