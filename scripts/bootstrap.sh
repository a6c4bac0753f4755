#!/usr/bin/env bash
# Installs what Quillet needs to build and test on Debian 12, and nothing
# when everything is already there. Safe to run any number of times.
set -euo pipefail

packages=(
  cmake            # build system (3.25)
  ninja-build      # build tool
  g++              # compiler
  libgtest-dev     # GoogleTest
  libc6-dev        # glibc headers; libc6 brings the iconv CP932 module
  python3          # scripts/sjis_escape.py, bench/gen_workload.py
  time             # /usr/bin/time: peak memory in bench/run.sh
  qt6-base-dev     # Qt 6 Widgets
  qt6-qpa-plugins  # Qt platform plugins (xcb for a display, offscreen without)
  qt6-translations-l10n  # Qt's own dialogs and buttons in Japanese
  xvfb             # a virtual display for screenshots
  xauth            # xvfb-run needs it
  fonts-ipafont-gothic  # a Japanese font for the windows
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "bootstrap: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
