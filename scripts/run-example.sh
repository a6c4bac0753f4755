#!/usr/bin/env bash
# The main job on the bundled example: installs what is missing, builds the
# release preset, copies examples/ to a fresh temporary folder (so the
# example stays as it is), runs Quillet unattended over the copy and shows
# two files before and after: app.log with CR LF line ends and service.log
# with LF line ends, as Linux programs write them.
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

# A Shift-JIS file as UTF-8 on the terminal, each line marked with its line
# end: every line keeps its own.
show() {
  echo "=== $1: $2 ($(wc -c <"$work/logs/$2") bytes)"
  iconv -f CP932 -t UTF-8 "$work/logs/$2" | sed 's/\r$/ [CR LF]/; /\[CR LF\]$/!s/$/ [LF]/; s/^/    /'
}

show before app.log
show before service.log
echo
echo "=== QUILLET_HEADLESS=1 quillet /A /R '$work/logs/*.log'"
status=0
QUILLET_HEADLESS=1 QUILLET_HOME="$work/home" build/release/ui/quillet /A /R "$work/logs/*.log" ||
  status=$?
echo "=== exit status $status"
echo
show after app.log
show after service.log
echo
echo "The processed copy stays in $work/logs."
echo "The window: build/release/ui/quillet (on a desktop; QUILLET_HEADLESS=0 forces it)."
exit "$status"
