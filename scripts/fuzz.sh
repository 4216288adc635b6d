#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each for the given number of
# seconds (default 60): first every input of fuzz/regressions/<target>/ once, then fuzzing from
# the seeds fuzz/make_seeds.py writes plus the corpus earlier runs kept in build/fuzz/corpus.
# A failing input is left in build/fuzz/artifacts/; copy it to fuzz/regressions/<target>/ once
# the fault is mended so every later run checks it again.
# Usage: scripts/fuzz.sh [seconds] [target...]   (targets: datafile profile bmp ico wmf)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(datafile profile bmp ico wmf)

dir=build/fuzz
CC=clang-14 CXX=clang++-14 cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPIKORO_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$dir" -j2 --target "${targets[@]/#/fuzz_}"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
python3 fuzz/make_seeds.py "$dir/seeds"
mkdir -p "$dir/artifacts"
status=0
for target in "${targets[@]}"; do
  binary=$dir/fuzz/fuzz_$target
  regressions=(fuzz/regressions/"$target"/*)
  if [ -e "${regressions[0]}" ]; then
    echo "== fuzz_$target: replaying ${#regressions[@]} regression inputs"
    "$binary" -runs=1 "${regressions[@]}" >"$dir/$target-replay.log" 2>&1 ||
      { tail -40 "$dir/$target-replay.log"; status=1; continue; }
  fi
  corpus=$dir/corpus/$target
  mkdir -p "$corpus"
  echo "== fuzz_$target: ${seconds}s"
  if ! "$binary" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$dir/artifacts/$target-" \
      "$corpus" "$dir/seeds/$target" >"$dir/$target.log" 2>&1; then
    tail -60 "$dir/$target.log"
    status=1
  else
    grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$dir/$target.log" |
      tr '\n' ' '
    echo
  fi
done
exit $status
