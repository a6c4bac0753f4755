#!/usr/bin/env bash
# Starts the windowed program under a virtual X display, runs it over a copy
# of examples/ and saves main.png (the main window), status.png (the status
# dialog after the run), options-1.png .. options-5.png (the pages of the
# options dialog), about.png (the About box) and file-dialog.png (the file
# dialog of the file browse button), under a Japanese locale so that Qt's
# own dialogs and buttons are Japanese too.
# Usage: scripts/screenshots.sh [output folder]   (default: build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" >/dev/null

out=$(realpath -m "${1:-build/screenshots}")
mkdir -p "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/quillet-shots-XXXXXX")
trap 'rm -rf "$work"' EXIT
cp -r examples "$work/logs"
mkdir "$work/home"

# QUILLET_SCREENSHOT_DIR makes the program grab its windows once the run of
# /S has finished, and then close.
LANG=ja_JP.UTF-8 LC_ALL= LANGUAGE= \
QUILLET_HEADLESS=0 QUILLET_HOME="$work/home" QUILLET_SCREENSHOT_DIR="$out" \
  timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" \
  build/release/ui/quillet /S "$work/logs/*.log"
ls -l "$out"/main.png "$out"/status.png "$out"/options-{1,2,3,4,5}.png "$out"/about.png \
  "$out"/file-dialog.png
