#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine, only where it
# is missing. Usage: scripts/deps.sh native|windows|gui|all
set -euo pipefail

want=${1:-all}
native=(cmake ninja-build g++ googletest libgtest-dev)
# The tests that load mirrored pages in a real browser.
browser=(chromium)
windows=(g++-mingw-w64-x86-64 wine64 wine locales fonts-ipafont-gothic xvfb)
# The GUI tests: a virtual display, clicks and keys, screenshots.
gui=(xvfb xdotool x11-apps x11-utils imagemagick fonts-wine xterm fonts-dejavu-core)

packages=()
case "$want" in
  native) packages=("${native[@]}") ;;
  windows) packages=("${native[@]}" "${windows[@]}") ;;
  gui) packages=("${native[@]}" "${windows[@]}" "${gui[@]}") ;;
  all) packages=("${native[@]}" "${browser[@]}" "${windows[@]}" "${gui[@]}") ;;
  *) echo "usage: $0 native|windows|gui|all" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Japanese under Wine needs the ja_JP.UTF-8 locale.
if [ "$want" != native ] && ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
