#!/usr/bin/env bash
# Formatting and clang-tidy over the sources the native build compiles, and
# the warnings and errors shellcheck finds in the shell scripts: all must be
# silent.
# Needs a configured native build (build/native).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
mapfile -t scripts < <(git ls-files '*.sh' .ci/run scripts/wine-prefix scripts/wine-run)
shellcheck -x -S warning "${scripts[@]}"

mapfile -t sources < <(git ls-files 'profile/*.cpp' 'window/*.cpp' 'tests/*.cpp' 'bench/*.cpp' |
  grep -v -e '_win32' -e '/win32/' -e 'dump_window' -e 'hold_open' -e 'take_foreground' -e '/fuzz/')
# One clang-tidy per core: each file is checked on its own.
report=$(printf '%s\n' "${sources[@]}" |
  xargs -P "$(nproc)" -n 4 clang-tidy -p build/native --quiet 2>/dev/null |
  grep -E 'warning:|error:' || true)
if [ -n "$report" ]; then
  echo "$report"
  exit 1
fi
echo "lint: clang-format and clang-tidy clean (${#sources[@]} files), shellcheck clean (${#scripts[@]} scripts)"
