#!/usr/bin/env bash
# Fails when a C++ file of the tree does not match .clang-format; `clang-format -i FILE` fixes it.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
