#!/usr/bin/env bash
# Cross-builds the core, rowsmith-convert and the core tests for 64-bit
# Windows with Debian's mingw-w64 in build-win/ and runs the tests under wine.
# The window needs Qt for Windows, which Debian lacks (see README).
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(g++-mingw-w64-x86-64-posix wine64 googletest)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq >&2
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >&2
fi
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_COMPILE_WARNING_AS_ERROR="${ROWSMITH_WARNINGS_AS_ERRORS:-OFF}" \
  -DROWSMITH_GUI=OFF -DROWSMITH_BENCH=OFF -DROWSMITH_XLSX=OFF -DROWSMITH_ICU=OFF > build-win.log 2>&1 || { cat build-win.log >&2; exit 1; }
cmake --build build-win -j 2 --target rowsmith_tests rowsmith-convert >> build-win.log 2>&1 || { tail -n 60 build-win.log >&2; exit 1; }
export WINEPREFIX="${WINEPREFIX:-$PWD/build-win/wineprefix}" WINEDEBUG=-all
wineboot --init > /dev/null 2>&1 || true
wine build-win/src/rowsmith-convert.exe --version
wine build-win/tests/rowsmith_tests.exe --gtest_brief=1
# The converter's own tests start it as a POSIX process; here one conversion
# is compared byte for byte with the native build's, where there is one.
wine build-win/src/rowsmith-convert.exe -q -o build-win/familie.csv examples/familie.ged
if [ -x build/src/rowsmith-convert ]; then
  build/src/rowsmith-convert -q examples/familie.ged | cmp - build-win/familie.csv
  echo "rowsmith-convert.exe: same table as the native build"
fi
