#!/usr/bin/env bash
# libFuzzer on every target under tests/fuzz for a bounded time, two at a
# time. A crash, a failed check, a leak or an input slower than the time-out
# fails the stage; its input is kept in build-fuzz/runs/<target>/crash/ and
# shown below. DX410_FUZZ_SECONDS sets the time per target.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib.sh
need_packages clang libclang-rt-14-dev llvm-14 cmake make

build=build-fuzz
targets=(profile reply command_text sim_frames dump_file setting_file)
seconds=${DX410_FUZZ_SECONDS:-30}

# only the plain layers, and of those only what the targets link
CXX=clang++ cmake -S . -B "$build" -DDX410_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only"
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer
export UBSAN_OPTIONS=print_stacktrace=1

fuzz() {
  local t=$1 run="$build/runs/$1"
  rm -rf "$run"
  mkdir -p "$run/corpus" "$run/crash"
  # new inputs go to the first folder, so the seeds in the tree stay as they are
  if "$build/bin/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$run/crash/" "$run/corpus" "tests/fuzz/corpus/$t" > "$run/log" 2>&1; then
    echo "fuzz_$t: $(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log") executions," \
         "$(sed -n 's/^stat::new_units_added: *//p' "$run/log") new inputs"
    return 0
  fi
  echo "fuzz_$t FAILED"
  grep -v "^#" "$run/log" | tail -n 80 || true
  for f in "$run"/crash/*; do
    [ -e "$f" ] || continue
    echo "input $f:"
    od -A x -t x1z -v "$f" | head -n 40
  done
  return 1
}

failed=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  for t in "${targets[@]:i:2}"; do
    fuzz "$t" &
    pids+=($!)
  done
  for p in "${pids[@]}"; do wait "$p" || failed=1; done
done
exit $failed
