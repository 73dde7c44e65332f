#!/usr/bin/env bash
# Installs every Debian package Nuvra needs to build, run and test.
# Idempotent and non-interactive: packages already present are left alone.
set -euo pipefail

packages=(
  # build
  g++ cmake pkg-config make
  libsdl2-dev libsdl2-mixer-dev libsdl2-ttf-dev
  libjpeg62-turbo-dev libgif-dev libpng-dev libwebp-dev libwmf-dev
  libheif-dev  # HEIF and AVIF photos (optional: the build leaves them out without it)
  libcdio-dev libcdio-cdda-dev libcdio-paranoia-dev
  libx11-dev libxext-dev libfontconfig-dev
  libwayland-dev wayland-protocols libwayland-bin  # the --layer show on a Wayland desktop
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
  sway swaybg grim wtype  # the --layer show under a headless Wayland compositor
  dbus-x11  # a session bus that starts itself: the show must not start one
  g++-mingw-w64-x86-64-posix wine wine64  # the core cross-built for Windows, its tests run under Wine
  nasm dpkg-dev  # libjpeg-turbo's SIMD and the unpacking of Debian's sources, for the Windows build
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Debian ships no Windows builds of the picture libraries (libjpeg-turbo,
# giflib, libpng with zlib, libwebp): the Windows build cross-builds them
# from Debian's own source packages, of the very versions installed above,
# so that both builds decode every picture alike.
# Fetched once into a cache through a source list of our own; the system's
# apt configuration is left as it is.
sources=${NUVRA_DEBIAN_SOURCES:-${XDG_CACHE_HOME:-$HOME/.cache}/nuvra/debian-sources}
wanted=()
# A marker file remembers which source stands for which installed version.
for pair in libjpeg-turbo:libjpeg62-turbo-dev giflib:libgif-dev zlib:zlib1g-dev libpng1.6:libpng-dev libwebp:libwebp-dev; do
  source_name=${pair%%:*}
  version=$(dpkg-query -W -f='${source:Version}' "${pair#*:}")
  [ -f "$sources/${source_name}_${version#*:}.dsc" ] || [ -f "$sources/${source_name}.for-${version#*:}" ] ||
    wanted+=("$source_name=$version")
done
if [ ${#wanted[@]} -gt 0 ]; then
  apt_state=$(mktemp -d)
  trap 'rm -rf "$apt_state"' EXIT
  mkdir -p "$apt_state/lists/partial" "$sources"
  for suite in bookworm bookworm-updates bookworm-security; do
    archive=debian
    [ $suite = bookworm-security ] && archive=debian-security
    echo "deb-src http://deb.debian.org/$archive $suite main"
  done >"$apt_state/sources.list"
  apt_options=(-q -o Dir::Etc::SourceList="$apt_state/sources.list" -o Dir::Etc::SourceParts=/dev/null
               -o Dir::State::Lists="$apt_state/lists" -o APT::Sandbox::User=root)
  apt-get "${apt_options[@]}" update >/dev/null
  # An installed version the archive no longer holds (a security update
  # since replaced) gives way to the newest of the release's versions that
  # can be fetched: the same upstream version, the same decoding
  # (tests/picture_digests_test.cpp checks).
  for package in "${wanted[@]}"; do
    source_name=${package%%=*}
    version=${package#*=}
    rm -f "$sources/${source_name}"_* "$sources/${source_name}".for-*
    fetched=false
    for candidate in "$version" $(apt-cache "${apt_options[@]}" showsrc "$source_name" |
                                  sed -n 's/^Version: //p' | sort -Vru); do
      if (cd "$sources" && apt-get "${apt_options[@]}" source --download-only "$source_name=$candidate" \
            >/dev/null 2>&1); then
        fetched=true
        break
      fi
      rm -f "$sources/${source_name}"_*
    done
    $fetched || { echo "the source of $source_name could not be fetched" >&2; exit 1; }
    touch "$sources/${source_name}.for-${version#*:}"
  done
fi
