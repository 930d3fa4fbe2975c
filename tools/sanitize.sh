#!/usr/bin/env bash
# Builds the tests with the address and undefined-behaviour sanitizers in
# build-asan/ and runs them. Expects tools/setup.sh to have installed the build
# dependencies.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROWSMITH_SANITIZE=ON \
  -DCMAKE_COMPILE_WARNING_AS_ERROR="${ROWSMITH_WARNINGS_AS_ERRORS:-OFF}" \
  -DROWSMITH_BENCH=OFF > build-asan.log 2>&1 || { cat build-asan.log >&2; exit 1; }
cmake --build build-asan -j "$(nproc)" >> build-asan.log 2>&1 || { tail -n 60 build-asan.log >&2; exit 1; }
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j 2
