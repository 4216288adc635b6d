#!/usr/bin/env bash
# Sets up, builds and starts PIKORO.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/release --target pikoro pikoro_content
exec build/release/pikoro "$@"
