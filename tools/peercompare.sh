#!/usr/bin/env bash
# Compares the converter's table with Gramps' reading of the same GEDCOM files
# (tools/peercompare.py; all public test files when none are named). Installs
# Debian's gramps first if it is missing (as root or through sudo) and builds
# the converter if build/ lacks it. Not part of .ci/run: Gramps is large.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! dpkg-query -W -f='${Status}' gramps 2>/dev/null | grep -q "install ok installed"; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq >&2
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq gramps >&2
fi
if [ ! -x build/src/rowsmith-convert ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release > /dev/null
  cmake --build build -j "$(nproc)" --target rowsmith-convert > /dev/null
fi
# Debian's gramps is built for the system's Python, whatever python3 comes first on PATH.
# Its window toolkit, loaded but unused, warns about the locale unless it has one.
LANG=C.UTF-8 exec /usr/bin/python3 tools/peercompare.py "$@"
