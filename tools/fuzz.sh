#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in fuzz-build/ and runs each for the
# given number of seconds (default 60). Usage: tools/fuzz.sh [SECONDS] [TARGET...]
# Crashes, hangs and leaks land in fuzz-build/findings/<target>/, and the
# script then ends with status 1 (.ci/run runs every target briefly).
# tools/fuzz.sh --minimize TARGET FILE shrinks a finding to the smallest input
# that still fails (written beside it as FILE.min).
set -euo pipefail
cd "$(dirname "$0")/.."
minimize=""
if [ "${1:-}" = "--minimize" ]; then
  [ $# -eq 3 ] || { echo "usage: $0 --minimize TARGET FILE" >&2; exit 2; }
  minimize=$3
  set -- 0 "$2"
fi
seconds=${1:-60}
shift || true

missing=()
for p in clang libclang-rt-14-dev cmake; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

CC=clang CXX=clang++ cmake -S . -B fuzz-build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_COMPILE_WARNING_AS_ERROR="${ROWSMITH_WARNINGS_AS_ERRORS:-OFF}" \
  -DROWSMITH_FUZZ=ON -DROWSMITH_GUI=OFF -DBUILD_TESTING=OFF -DROWSMITH_BENCH=OFF > /dev/null
cmake --build fuzz-build -j "$(nproc)" > /dev/null

if [ -n "$minimize" ]; then
  ./fuzz-build/fuzz/"$1" "$minimize" -minimize_crash=1 -max_total_time=120 -timeout=10 \
    -exact_artifact_path="$minimize.min" 2>&1 | grep -E "^(CRASH_MIN|INFO: Done)" || true
  ls -l "$minimize.min"
  exit 0
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

failed=()
for t in "${targets[@]}"; do
  corpus=fuzz-build/corpus/$t
  findings=fuzz-build/findings/$t
  mkdir -p "$corpus" "$findings"
  # Seeds: the project's own inputs, and for the import the public test files.
  [ -d "fuzz/seeds/$t" ] && cp -n fuzz/seeds/"$t"/* "$corpus"/ 2>/dev/null || true
  if [ "$t" = fuzz_import ]; then
    cp -n examples/*.ged tests/data/regressions/*.ged "$corpus"/ 2>/dev/null || true
    if [ -d ../shared/testdata/gedcom ]; then
      i=0
      while IFS= read -r -d '' g; do
        i=$((i + 1)); cp -n "$g" "$corpus/testdata-$i.ged" 2>/dev/null || true
      done < <(find ../shared/testdata/gedcom -iname '*.ged' -size -200k -print0)
    fi
  fi
  echo "== $t: ${seconds}s"
  set +e
  # A fixed seed (ROWSMITH_FUZZ_SEED, as .ci/run sets it) makes a run repeat
  # the inputs of the one before, so a finding is news, not luck.
  seed=()
  [ -n "${ROWSMITH_FUZZ_SEED:-}" ] && seed=(-seed="$ROWSMITH_FUZZ_SEED")
  ASAN_OPTIONS=detect_leaks=1 ./fuzz-build/fuzz/"$t" "$corpus" "${seed[@]}" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=4096 -max_len=65536 -artifact_prefix="$findings/" -print_final_stats=1 \
    2>&1 | grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY|Done|INFO: -max_total_time)"
  status=${PIPESTATUS[0]}
  set -e
  ls "$findings" | sed "s/^/   finding: /"
  # libFuzzer ends with a non-zero status on a crash, a leak, a hang or running out of memory.
  [ "$status" -eq 0 ] || { echo "   $t failed (status $status)"; failed+=("$t"); }
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}" >&2
  exit 1
fi
