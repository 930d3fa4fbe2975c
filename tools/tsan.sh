#!/usr/bin/env bash
# Builds the core and its tests with the thread sanitizer in build-tsan/ and
# runs them, then converts a generated tree of 100,000 persons, which takes
# every two-thread path; the project's own generator (bench/gengedcom) makes
# that tree. Expects tools/setup.sh to have installed the build
# dependencies.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROWSMITH_TSAN=ON \
  -DCMAKE_COMPILE_WARNING_AS_ERROR="${ROWSMITH_WARNINGS_AS_ERRORS:-OFF}" \
  -DROWSMITH_GUI=OFF -DROWSMITH_BENCH=OFF > build-tsan.log 2>&1 || { cat build-tsan.log >&2; exit 1; }
cmake --build build-tsan -j "$(nproc)" >> build-tsan.log 2>&1 || { tail -n 60 build-tsan.log >&2; exit 1; }
cmake --build build-tsan -j "$(nproc)" --target gengedcom >> build-tsan.log 2>&1 || { tail -n 60 build-tsan.log >&2; exit 1; }
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tools/tsan.supp"
ctest --test-dir build-tsan --output-on-failure -j 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build-tsan/bench/gengedcom 100000 "$work/100k.ged"
build-tsan/src/rowsmith-convert -q "$work/100k.ged" -o "$work/100k.csv"
echo "tsan: 100k conversion clean ($(wc -c < "$work/100k.csv") bytes)"
