#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine, only where it
# is missing. Usage: scripts/deps.sh native|windows|gui|all
set -euo pipefail

want=${1:-all}
native=(cmake ninja-build g++ googletest libgtest-dev nettle-dev zlib1g-dev)
# The tests that load mirrored pages in a real browser.
browser=(chromium)
windows=(g++-mingw-w64-x86-64 wine64 wine locales fonts-ipafont-gothic xvfb)
# The GUI tests: a virtual display, clicks and keys, screenshots.
gui=(xvfb xdotool x11-apps x11-utils imagemagick fonts-wine xterm fonts-dejavu-core)
# The fuzz targets: clang with libFuzzer; its runtime package follows below.
fuzz=(clang)

packages=()
case "$want" in
  native) packages=("${native[@]}") ;;
  windows) packages=("${native[@]}" "${windows[@]}") ;;
  gui) packages=("${native[@]}" "${windows[@]}" "${gui[@]}") ;;
  fuzz) packages=("${native[@]}" "${fuzz[@]}") ;;
  all) packages=("${native[@]}" "${browser[@]}" "${windows[@]}" "${gui[@]}" "${fuzz[@]}") ;;
  *) echo "usage: $0 native|windows|gui|fuzz|all" >&2; exit 2 ;;
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

# libFuzzer and the sanitizer runtimes come in a package of clang's own
# version (e.g. libclang-rt-14-dev), only recommended by clang.
if { [ "$want" = fuzz ] || [ "$want" = all ]; } &&
  [ ! -f "$(clang -print-file-name=libclang_rt.fuzzer-x86_64.a)" ]; then
  rt="libclang-rt-$(clang -dumpversion | cut -d. -f1)-dev"
  if apt-cache show "$rt" >/dev/null 2>&1; then
    echo "Installing: $rt"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$rt" >/dev/null
  else
    echo "deps.sh: no package $rt for clang's libFuzzer" >&2
  fi
fi

# The independent reader of the WARC export's test: the npm package warcio,
# with node and npm from Debian where the machine has none of its own.
if [ "$want" = native ] || [ "$want" = all ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  node_packages=()
  command -v node >/dev/null 2>&1 || node_packages+=(nodejs)
  command -v npm >/dev/null 2>&1 || node_packages+=(npm)
  if [ ${#node_packages[@]} -gt 0 ]; then
    echo "Installing: ${node_packages[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${node_packages[@]}" >/dev/null
  fi
  if ! command -v warcio >/dev/null 2>&1; then
    echo "Installing: warcio (npm)"
    $sudo npm install -g --no-fund --no-audit warcio >/dev/null
  fi
fi

# Japanese under Wine needs the ja_JP.UTF-8 locale.
if [ "$want" != native ] && ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
