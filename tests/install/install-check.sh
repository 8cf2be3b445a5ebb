#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that the programs, the
# menu entry and its icon land where desktops look for them, and that the
# menu entry is valid.
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/corvane-dvr bin/corvane-cli bin/capsift.dll share/applications/corvane-dvr.desktop \
         share/icons/hicolor/scalable/apps/corvane-dvr.svg; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
desktop-file-validate "$prefix/share/applications/corvane-dvr.desktop"
grep -qx 'Exec=corvane-dvr' "$prefix/share/applications/corvane-dvr.desktop"
