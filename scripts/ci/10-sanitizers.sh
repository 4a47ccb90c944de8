#!/usr/bin/env bash
# The whole test suite again, built with AddressSanitizer and
# UndefinedBehaviorSanitizer. A report fails the test that made it: ASan and
# LSan end the process with an error, UBSan aborts (no recovery).
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib.sh
need_packages g++ cmake make pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev fonts-dejavu-core

build=build-sanitize
# -O1 keeps the build and the run quick and the reports exact; no benchmarks
cmake -S . -B "$build" -DDX410_SANITIZE=ON -DDX410_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1"
cmake --build "$build" -j2

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j2 --timeout 300 -LE link
# The line tests pace bytes to a fraction of a character time; two
# instrumented processes at once can starve a pacing thread for longer.
ctest --test-dir "$build" --output-on-failure -j1 --timeout 300 -L link
