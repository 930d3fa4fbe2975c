#!/usr/bin/env bash
# Makes docs/window.png: the window with the example imported, in a virtual
# X server (xvfb-run), grabbed with ImageMagick's import. Needs build/src/rowsmith.
set -euo pipefail
cd "$(dirname "$0")/.."

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# A fresh settings folder, so the shot shows the defaults; a German locale,
# so it shows the window in its own language whatever this machine's is.
ROWSMITH_HOME="$home" LANG=de_DE.UTF-8 LANGUAGE=de xvfb-run -a -s "-screen 0 1024x700x24" bash -c '
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

# docs/workbook.png: a workbook of the example in LibreOffice Calc, when installed.
if command -v soffice > /dev/null; then
  build/src/rowsmith-convert -q --format xlsx --no-rowcount --columns ID,Name,Geburtsdatum,Sterbedatum,Heiratsdatum \
    -o "$home/familie.xlsx" examples/familie.ged
  xvfb-run -a -s "-screen 0 1200x560x24" bash -c '
    soffice --calc --norestore --nologo "-env:UserInstallation=file://$1/profile" "$1/familie.xlsx" > /dev/null 2>&1 &
    office=$!
    xdotool search --sync --onlyvisible --name "familie.xlsx" > /dev/null
    sleep 5
    import -window root -crop 800x220+0+0 docs/workbook.png
    kill $office
  ' _ "$home"
  echo "docs/workbook.png: $(identify -format "%wx%h" docs/workbook.png)"
fi
