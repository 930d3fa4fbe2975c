#!/usr/bin/env bash
# Every option that rowsmith-convert --help lists is described in the manual
# page, and the page quotes the help's description line as it is.
set -euo pipefail
convert=$1
page=$2
status=0
help=$("$convert" --help)
for option in $(printf '%s\n' "$help" | grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,' | sort -u); do
  escaped=${option//-/\\-}
  if ! grep -qF -- ".B$escaped" "$page" && ! grep -qF -- " $escaped" "$page" && ! grep -qF -- "\"$escaped" "$page"; then
    echo "manual page lacks $option" >&2
    status=1
  fi
done
description=$(printf '%s\n' "$help" | sed -n 2p)
grep -qxF -- "$description" "$page" || { echo "manual page lacks the line: $description" >&2; status=1; }
exit $status
