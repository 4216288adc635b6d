#!/usr/bin/env bash
# Sets up, builds and runs every test (unit, widget and end-to-end), headless.
# With PIKORO_SANITIZE=1 it builds in build/sanitize with AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh

dir=build/debug
extra=()
if [ "${PIKORO_SANITIZE:-0}" = 1 ]; then
  dir=build/sanitize
  extra+=(-DPIKORO_SANITIZE=ON)
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
fi
# Rebuilds of the same sources (another checkout, the other build type) come from the cache.
if command -v ccache >/dev/null; then
  extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
fi
werror=OFF
[ "${CI:-}" = true ] && werror=ON
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPIKORO_WERROR=$werror "${extra[@]}" >/dev/null
cmake --build "$dir"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
# The end-to-end runs time a real program on the screen: they run alone, after the others, so
# that no unit test takes their processor. The sanitized program is several times slower; a
# sanitized end-to-end run that misses a deadline is tried once more (a sanitizer's report fails
# both tries), the plain run above it is never retried.
ctest --test-dir "$dir" --output-on-failure -j2 -LE e2e
retry=()
[ "${PIKORO_SANITIZE:-0}" = 1 ] && retry=(--repeat until-pass:2)
ctest --test-dir "$dir" --output-on-failure -L e2e "${retry[@]}"
