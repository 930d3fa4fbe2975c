#!/usr/bin/env bash
# Builds the page that runs Rowsmith in a browser: the core compiled with
# Debian's emscripten into build-web/, put together with the page's script,
# style and language texts into one file, build-web/page/index.html.
#   tools/web.sh           build and print where the page is
#   tools/web.sh test      also compare the module's export with the converter
#                          for every public file and drive the page in
#                          headless Chromium (needs build/src/rowsmith-convert)
#   tools/web.sh shot      also make docs/web.png
#   tools/web.sh bench     time 100,000 and 1,000,000 persons in headless
#                          Chromium beside the converter (files made with
#                          ../shared/tools/gen_gedcom.py in a temporary folder)
# As root it installs what is missing (emscripten, chromium, node, npm).
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-build}

need=()
for tool in emcc:emscripten node:nodejs npm:npm cmake:cmake; do
  command -v "${tool%%:*}" > /dev/null || need+=("${tool#*:}")
done
if [[ $mode != build ]] && ! command -v chromium > /dev/null; then need+=(chromium); fi
if ((${#need[@]})); then
  sudo=""
  [[ $(id -u) == 0 ]] || sudo=sudo
  $sudo apt-get update -qq >&2
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}" >&2
fi
# Where node is not Debian's, this emscripten's optimizer finds its modules here.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

# Workbooks need zlib and libxlsxwriter, built for the module from Debian's
# own source packages; where they cannot be had, the page writes text only.
sources=build-web/debian-src
if ! compgen -G "$sources/libxlsxwriter-*/src" > /dev/null || ! compgen -G "$sources/zlib-*/deflate.c" > /dev/null; then
  if [[ $(id -u) == 0 ]] && ! grep -rqs '^Types: deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    # The main archive of the binary packages, for their source (the security
    # archive's mirror may hold no sources).
    awk 'BEGIN { RS = ""; ORS = "\n\n" } /Types: deb\n/ && !/security/ { sub(/Types: deb\n/, "Types: deb-src\n"); print }' \
      /etc/apt/sources.list.d/debian.sources > /etc/apt/sources.list.d/rowsmith-web-src.sources 2>/dev/null || true
    apt-get update -qq >&2 || true
  fi
  command -v dpkg-source > /dev/null || { [[ $(id -u) == 0 ]] && apt-get install -y -qq dpkg-dev >&2; } || true
  mkdir -p "$sources"
  (cd "$sources" && apt-get source -qq zlib libxlsxwriter > /dev/null 2>&1) ||
    echo "tools/web.sh: no zlib and libxlsxwriter sources; the page will write no workbooks" >&2
fi
xlsx=0
compgen -G "$sources/libxlsxwriter-*/src" > /dev/null && xlsx=1

launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
emcmake cmake -S web -B build-web -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
  -DROWSMITH_WEB_SOURCES="$( ((xlsx)) && echo "$PWD/$sources")" > /dev/null
# A failed build must not leave the page on an older module.
cmake --build build-web -j 2 2>&1 | { grep -v '^\[' || true; }
test "${PIPESTATUS[0]}" = 0
test -f build-web/rowsmith-core.wasm
python3 web/texts.py . build-web/texts.json 2> /dev/null
node web/build-page.js build-web build-web/texts.json build-web/page/index.html

if [[ $mode == bench ]]; then
  (cd web && npm ci --no-audit --no-fund --loglevel=error)
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  for n in 100000 1000000; do
    python3 ../shared/tools/gen_gedcom.py --persons $n --seed 11 -o "$work/persons-$n.ged" > /dev/null
  done
  node web/test/bench.js build-web/page/index.html build/src/rowsmith-convert "$work"/persons-100000.ged "$work"/persons-1000000.ged
fi
if [[ $mode == test || $mode == shot ]]; then
  (cd web && npm ci --no-audit --no-fund --loglevel=error)
  converter=build/src/rowsmith-convert
  data=${ROWSMITH_TESTDATA_DIR:-../shared/testdata}/gedcom
  if [[ $mode == test && -d $data ]]; then
    WITH_XLSX=$xlsx node web/test/samebytes.js "$converter" build-web "$data" 2>&1 | tail -n 40
    test "${PIPESTATUS[0]}" = 0
  elif [[ $mode == test ]]; then
    echo "tools/web.sh: no test files in $data; the export comparison is skipped" >&2
  fi
  shot=()
  [[ $mode == shot ]] && shot=(docs/web.png)
  node web/test/page.js build-web/page/index.html "$converter" "${shot[@]}"
fi
echo "The page: file://$PWD/build-web/page/index.html (open it in a browser; it needs no server)"
