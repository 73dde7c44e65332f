#!/usr/bin/env bash
# Installs every Debian package Nuvra needs to build, run and test.
# Idempotent and non-interactive: packages already present are left alone.
set -euo pipefail

packages=(
  # build
  g++ cmake pkg-config make
  libsdl2-dev libsdl2-mixer-dev libsdl2-ttf-dev
  libjpeg62-turbo-dev libgif-dev libwmf-dev
  libcdio-dev libcdio-cdda-dev libcdio-paranoia-dev
  libx11-dev libxext-dev libfontconfig-dev
  libxfixes-dev  # the dialog window test reads the pointer back
  libgtest-dev libgmock-dev libbenchmark-dev
  libimagequant-dev  # only the colour reduction bench compares with it
  # run time
  fonts-ipafont-gothic fonts-urw-base35 zenity xdg-utils
  # tests
  xvfb xauth xdotool x11-apps imagemagick sox libsox-fmt-mp3 lame
  clang libclang-rt-dev
  valgrind  # the metafile renderer's callbacks read only what libwmf filled in
  libxml2-utils desktop-file-utils groff-base man-db  # the install test
  xscreensaver xsecurelock util-linux  # the show under real screen-saver daemons
  dbus-x11  # a session bus that starts itself: the show must not start one
  g++-mingw-w64-x86-64-posix wine wine64  # the core cross-built for Windows, its tests run under Wine
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
