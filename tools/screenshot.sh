#!/usr/bin/env bash
# Makes docs/window.png: the window with the example imported, in a virtual
# X server (xvfb-run), grabbed with ImageMagick's import. Needs build/src/rowsmith.
set -euo pipefail
cd "$(dirname "$0")/.."

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# A fresh settings folder, so the shot shows the defaults.
ROWSMITH_HOME="$home" xvfb-run -a -s "-screen 0 1024x700x24" bash -c '
  build/src/rowsmith examples/familie.ged &
  app=$!
  # The import ends with the count message; Return closes it.
  xdotool search --sync --onlyvisible --name "^Information$|Rowsmith" > /dev/null
  sleep 2
  xdotool key Return
  sleep 1
  window=$(xdotool search --onlyvisible --name "GedCom|Rowsmith" | head -n 1)
  import -window "$window" docs/window.png
  kill $app
'
echo "docs/window.png: $(identify -format "%wx%h" docs/window.png)"
