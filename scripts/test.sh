#!/usr/bin/env bash
# The whole test suite from a fresh Debian 12 machine: installs what is
# missing, builds both programs with warnings as errors, and runs every unit
# and end-to-end test natively and under Wine, then the unit suite and the
# fuzzers under AddressSanitizer and UndefinedBehaviorSanitizer; then builds
# the release and checks it as installed.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/deps.sh

for preset in native windows sanitize; do
  echo "=== $preset: configure, build, test"
  cmake --preset "$preset" -DVIRENO_WERROR=ON
  cmake --build --preset "$preset"
  ctest --preset "$preset"
  if [ "$preset" = native ]; then
    bash scripts/lint.sh
  fi
done

echo "=== release: build, validate, install, reproduce"
bash scripts/check-release.sh

# Both dialogs side by side, for people to compare.
if [ -s build/windows/vireno-window.png ] && [ -s build/native/vireno-window.png ]; then
  convert build/windows/vireno-window.png build/native/vireno-window.png -gravity center \
    -background white +append build/vireno-windows-and-native.png
  echo "Screenshots side by side: build/vireno-windows-and-native.png"
fi
