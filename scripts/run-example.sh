#!/usr/bin/env bash
# The main job on the bundled example: installs what is missing, builds the
# release preset, copies examples/ to a fresh temporary folder (so the
# example stays as it is), runs Quillet unattended over the copy and shows
# one file before and after.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/quillet-example-XXXXXX")
cp -r examples "$work/logs"
# A program folder of its own: Quillet.ini is written there, and the
# example folder's own Quillet.def is the one that applies.
mkdir "$work/home"

show() {  # a Shift-JIS file with CR LF lines, as UTF-8 on the terminal
  iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | sed 's/^/    /'
}

echo "=== before: app.log"
show "$work/logs/app.log"
echo
echo "=== QUILLET_HEADLESS=1 quillet /A /R '$work/logs/*.log'"
status=0
QUILLET_HEADLESS=1 QUILLET_HOME="$work/home" build/release/ui/quillet /A /R "$work/logs/*.log" ||
  status=$?
echo "=== exit status $status"
echo
echo "=== after: app.log"
show "$work/logs/app.log"
echo
echo "The processed copy stays in $work/logs."
echo "The window: build/release/ui/quillet (on a desktop; QUILLET_HEADLESS=0 forces it)."
exit "$status"
