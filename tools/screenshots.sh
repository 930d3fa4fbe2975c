#!/usr/bin/env bash
# Screenshots of the desktop program for a person to look at, made in a
# virtual X server (xvfb-run), driven with xdotool and grabbed with
# ImageMagick's import. Needs build/src/rowsmith.
#   tools/screenshots.sh OUTDIR [GEDCOM_WITH_MANY_PERSONS]
# Writes open-dialog-de.png, context-menu-de.png, note-grid.png, note-details.png, find.png,
# filter.png, tab-focus.png, recent-menu.png, main-en.png, export-en.png, export-de.png, sort-keys-de.png,
# export-error-de.png, focus-after-export-de.png and, with a big file, status-big-de.png; each run starts from fresh settings
# (SETTINGS adds lines to DEFAULTS.INI, WAIT the seconds the import of FILE may take).
# Mouse positions assume the window's default size and font.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:?usage: tools/screenshots.sh OUTDIR [GEDCOM]}")
big=${2:-}
mkdir -p "$out"
program=$PWD/build/src/rowsmith
example=$PWD/examples/familie.ged

# shot NAME LANGUAGE FILE KEYS...: starts the program on FILE (none when
# empty), closes the count message, sends the keys ("type:TEXT" types,
# "sleep:N" waits), grabs the screen.
shot() {
  local name=$1 language=$2 file=$3
  shift 3
  # SHOTS="find filter" makes only those.
  if [ -n "${SHOTS:-}" ] && [[ " $SHOTS " != *" $name "* ]]; then return; fi
  local home
  home=$(mktemp -d)
  mkdir -p "$home/NLS" "$home/Quillmere/Sysdata"
  if [ "$language" = en ]; then
    cp data/nls/NLS.44 "$home/NLS/"
    printf '[Language]\r\nMain=English\r\nID=44\r\n' > "$home/Quillmere/Sysdata/DEFAULTS.INI"
  else
    # The English file beside the program would win in an English locale.
    printf '[Language]\r\nMain=Deutsch\r\nID=49\r\n' > "$home/Quillmere/Sysdata/DEFAULTS.INI"
  fi
  if [ -n "${SETTINGS:-}" ]; then printf '%b' "$SETTINGS" >> "$home/Quillmere/Sysdata/DEFAULTS.INI"; fi
  ROWSMITH_HOME=$home WAIT=${WAIT:-2} xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    program=$1 file=$2 out=$3
    shift 3
    if [ -n "$file" ]; then "$program" "$file" & else "$program" & fi
    app=$!
    xdotool search --sync --onlyvisible --name "Rowsmith" > /dev/null
    sleep "$WAIT"
    if [ -n "$file" ]; then xdotool key Return; sleep 1; fi
    # Without a window manager nothing gives the window the keyboard.
    xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "Rowsmith V" | head -n 1)"
    for step in "$@"; do
      case $step in
        type:*) xdotool type --delay 60 "${step#type:}" ;;
        sleep:*) sleep "${step#sleep:}" ;;
        mouse:*) xdotool mousemove ${step#mouse:} ;;
        click:*) xdotool click "${step#click:}" ;;
        down:*) xdotool keydown "${step#down:}" ;;
        up:*) xdotool keyup "${step#up:}" ;;
        *) xdotool key $step ;;
      esac
      sleep 0.4
    done
    sleep 1
    import -window root "$out"
    kill $app
  ' shot "$program" "$file" "$out/$name.png" "$@"
  rm -rf "$home"
  echo "$out/$name.png"
}

shot open-dialog-de de "" ctrl+o sleep:1
shot context-menu-de de "" "mouse:300 60" "click:3" sleep:1
# Column 15 holds the notes of the first person.
rights=()
for _ in $(seq 15); do rights+=(Right); done
# Rests the mouse on the note for its tooltip.
shot note-grid de "$example" "${rights[@]}" "mouse:680 221" sleep:3
shot note-details de "$example" "${rights[@]}" Return sleep:1
shot find de "$example" ctrl+f type:gereon
if [ -n "$big" ]; then shot filter de "$big" alt+f type:lincoln sleep:1; fi
shot tab-focus de "$example" Tab Tab Tab
shot recent-menu de "$example" alt+l sleep:1
shot main-en en "$example"
shot export-en en "$example" ctrl+e sleep:1
shot export-de de "$example" ctrl+e sleep:1
# Shift-clicks on the headers of surname, given name and birth date.
shot sort-keys-de de "$example" down:shift "mouse:${SURNAME_X:-420} ${HEADER_Y:-262}" click:1 \
  "mouse:${GIVEN_X:-300} ${HEADER_Y:-262}" click:1 "mouse:${BIRTH_X:-600} ${HEADER_Y:-262}" click:1 up:shift \
  "mouse:${GIVEN_X:-300} ${HEADER_Y:-262}" sleep:2
SETTINGS='[SaveToForm]\r\nSaveToClipboard=0\r\nSaveToFile=1\r\nSaveToFileSTR=/nonexistent/folder/familie.csv\r\n' \
  shot export-error-de de "$example" ctrl+e sleep:1 Return sleep:1
# After the message and the dialog have closed, Ctrl+O works in the window at once.
SETTINGS='[SaveToForm]\r\nSaveToClipboard=0\r\nSaveToFile=1\r\nSaveToFileSTR=/nonexistent/folder/familie.csv\r\n' \
  shot focus-after-export-de de "$example" ctrl+e sleep:1 Return sleep:1 Return sleep:1 Escape sleep:1 ctrl+o sleep:2
if [ -n "$big" ]; then WAIT=${BIG_WAIT:-90} shot status-big-de de "$big" sleep:1; fi
