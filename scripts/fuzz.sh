#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each for the given number of
# seconds (default 60), two at a time (one a core): first every input of
# fuzz/regressions/<target>/ once, then fuzzing from the seeds fuzz/make_seeds.py writes, the
# regression inputs and the corpus earlier runs kept in build/fuzz/corpus.
# A failing input is left in build/fuzz/artifacts/; copy it to fuzz/regressions/<target>/ once
# the fault is mended so every later run checks it again.
# Usage: scripts/fuzz.sh [seconds] [target...]
#        (targets: datafile profile bmp ico wmf wave midi; PIKORO_FUZZ_JOBS=1 runs one at a time)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(datafile profile bmp ico wmf wave midi)
jobs=${PIKORO_FUZZ_JOBS:-2}

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

# Runs one target; its report goes to $dir/<target>.result, its status is the exit code.
run_target() {
  local target=$1 binary=$dir/fuzz/fuzz_$1 corpus=$dir/corpus/$1 result=$dir/$1.result
  local regressions=(fuzz/regressions/"$target"/*) extra=()
  if [ -e "${regressions[0]}" ]; then
    extra=(fuzz/regressions/"$target")
    if ! "$binary" -runs=1 "${regressions[@]}" >"$dir/$target-replay.log" 2>&1; then
      { echo "== fuzz_$target: a regression input fails"; tail -40 "$dir/$target-replay.log"; } >"$result"
      return 1
    fi
  fi
  mkdir -p "$corpus"
  if ! "$binary" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$dir/artifacts/$target-" \
      "$corpus" "$dir/seeds/$target" "${extra[@]}" >"$dir/$target.log" 2>&1; then
    { echo "== fuzz_$target: ${seconds}s, failed"; tail -60 "$dir/$target.log"; } >"$result"
    return 1
  fi
  {
    echo -n "== fuzz_$target: ${seconds}s: "
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' \
      "$dir/$target.log" | tr '\n' ' '
    grep -oE 'cov: [0-9]+ ft: [0-9]+' "$dir/$target.log" | tail -1
  } >"$result"
}

status=0
pids=()
for target in "${targets[@]}"; do
  run_target "$target" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$jobs" ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
for target in "${targets[@]}"; do
  cat "$dir/$target.result"
done
exit $status
