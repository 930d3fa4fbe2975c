#!/usr/bin/env bash
# Installs what the build needs (Debian 12, as root or through sudo) and builds
# a Release tree in build/. Safe to run again: it only installs what is missing.
# With ROWSMITH_WARNINGS_AS_ERRORS=ON in the environment (as .ci/run sets it),
# every compiler warning is an error; tools/sanitize.sh, tsan.sh, fuzz.sh and
# windows.sh read the same variable.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake pkg-config libgtest-dev libicu-dev qt6-base-dev libxlsxwriter-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "setup: installing ${missing[*]}" >&2
  $sudo apt-get update -qq >&2
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >&2
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_COMPILE_WARNING_AS_ERROR="${ROWSMITH_WARNINGS_AS_ERRORS:-OFF}" > build.log 2>&1 || { cat build.log >&2; exit 1; }
cmake --build build -j "$(nproc)" >> build.log 2>&1 || { tail -n 60 build.log >&2; exit 1; }
