#!/usr/bin/env bash
# Builds the Debian package from the Release tree in build/ (made by
# tools/setup.sh), installs it on this machine and converts the example with
# the installed converter. As root or through sudo.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! dpkg-query -W -f='${Status}' dpkg-dev 2>/dev/null | grep -q "install ok installed"; then
  # dpkg-shlibdeps, which reads the package's library dependencies, is in dpkg-dev.
  $sudo apt-get update -qq >&2
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq dpkg-dev >&2
fi

rm -f build/rowsmith_*.deb
(cd build && cpack -G DEB > cpack.log 2>&1) || { cat build/cpack.log >&2; exit 1; }
deb=$(ls build/rowsmith_*_amd64.deb)
echo "package: $deb" >&2
dpkg-deb -I "$deb" | grep -E "^ (Package|Version|Depends):" >&2

DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --reinstall "./$deb" >&2

/usr/bin/rowsmith-convert --version
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/rowsmith-convert -q -o "$work/familie.csv" examples/familie.ged
cmp "$work/familie.csv" tests/data/familie.expected
/usr/bin/rowsmith-convert -q --format xlsx -o "$work/familie.xlsx" examples/familie.ged
python3 tests/export/readxlsx.py "$work/familie.xlsx" > "$work/sheet.txt"
grep -qx "rows 6" "$work/sheet.txt"
man -w rowsmith-convert > /dev/null
echo "package: installed; the installed converter converts the example" >&2
