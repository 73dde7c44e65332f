#!/usr/bin/env bash
# Cross-builds libjpeg-turbo and giflib for 64-bit Windows, static, from the
# Debian source packages that scripts/install-deps.sh fetched (the versions
# the Linux build links), patches applied, libjpeg-turbo with its SIMD code
# (nasm) as on Linux. Installs them with pkg-config files into <prefix>; a
# second run with the same sources does nothing.
#   build-windows-codecs.sh <prefix>
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(mkdir -p "$1" && cd "$1" && pwd)
sources=${NUVRA_DEBIAN_SOURCES:-${XDG_CACHE_HOME:-$HOME/.cache}/nuvra/debian-sources}
triple=x86_64-w64-mingw32

shopt -s nullglob
jpeg_dsc=("$sources"/libjpeg-turbo_*.dsc)
gif_dsc=("$sources"/giflib_*.dsc)
if [ ${#jpeg_dsc[@]} -ne 1 ] || [ ${#gif_dsc[@]} -ne 1 ]; then
  echo "no single libjpeg-turbo and giflib source package in $sources: run scripts/install-deps.sh" >&2
  exit 1
fi
built_from="$(basename "${jpeg_dsc[0]}") $(basename "${gif_dsc[0]}")"
if [ "$(cat "$prefix/built-from" 2>/dev/null)" = "$built_from" ]; then
  exit 0
fi

work=$prefix/work
rm -rf "$work" "$prefix/lib" "$prefix/include"
mkdir -p "$work" "$prefix/lib/pkgconfig" "$prefix/include"
dpkg-source --no-check -x "${jpeg_dsc[0]}" "$work/libjpeg-turbo" >/dev/null
dpkg-source --no-check -x "${gif_dsc[0]}" "$work/giflib" >/dev/null

# libjpeg-turbo: its own CMake build, the library alone.
cmake -S "$work/libjpeg-turbo" -B "$work/libjpeg-turbo-build" --toolchain "$repo/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DREQUIRE_SIMD=ON >/dev/null
cmake --build "$work/libjpeg-turbo-build" -j "$(nproc)" --target jpeg-static >/dev/null
install -m 644 "$work/libjpeg-turbo-build/libjpeg.a" "$prefix/lib/"
install -m 644 "$work/libjpeg-turbo/jpeglib.h" "$work/libjpeg-turbo/jmorecfg.h" "$work/libjpeg-turbo/jerror.h" \
  "$work/libjpeg-turbo-build/jconfig.h" "$prefix/include/"
jpeg_version=$(sed -nE 's/^#define LIBJPEG_TURBO_VERSION +([0-9.]+).*/\1/p' "$work/libjpeg-turbo-build/jconfig.h")

# giflib: the library's sources as its Makefile lists them.
gif_variable() { make -s -C "$work/giflib" -f Makefile -f - "print-$1" <<<"print-$1: ; @echo \$($1)"; }
gif_sources=$(gif_variable SOURCES)
mkdir -p "$work/giflib-build"
for source in $gif_sources; do
  "$triple-gcc-posix" -O2 -std=gnu99 -c "$work/giflib/$source" -o "$work/giflib-build/${source%.c}.o"
done
"$triple-ar" rcs "$prefix/lib/libgif.a" "$work/giflib-build"/*.o
install -m 644 "$work/giflib/gif_lib.h" "$prefix/include/"
gif_version=$(gif_variable VERSION)

for pc in "libjpeg:$jpeg_version:-ljpeg" "libgif:$gif_version:-lgif"; do
  IFS=: read -r name version libs <<<"$pc"
  cat >"$prefix/lib/pkgconfig/$name.pc" <<PC
prefix=$prefix
Name: $name
Description: $name for Windows, cross-built from Debian's sources
Version: $version
Libs: -L\${prefix}/lib $libs
Cflags: -I\${prefix}/include
PC
done

rm -rf "$work"
echo "$built_from" >"$prefix/built-from"
