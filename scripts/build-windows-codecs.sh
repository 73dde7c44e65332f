#!/usr/bin/env bash
# Cross-builds the picture libraries for 64-bit Windows, static, from the
# Debian source packages that scripts/install-deps.sh fetched (the versions
# the Linux build links), patches applied: libjpeg-turbo with its SIMD code
# (nasm) as on Linux, giflib, zlib and libpng, libwebp with its demuxer.
# Installs them with pkg-config files into <prefix>; a second run with the
# same sources does nothing.
#   build-windows-codecs.sh <prefix>
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(mkdir -p "$1" && cd "$1" && pwd)
sources=${NUVRA_DEBIAN_SOURCES:-${XDG_CACHE_HOME:-$HOME/.cache}/nuvra/debian-sources}
triple=x86_64-w64-mingw32

shopt -s nullglob
built_from=""
for name in libjpeg-turbo giflib zlib libpng1.6 libwebp; do
  dsc=("$sources/${name}"_*.dsc)
  if [ ${#dsc[@]} -ne 1 ]; then
    echo "no single $name source package in $sources: run scripts/install-deps.sh" >&2
    exit 1
  fi
  built_from+="$(basename "${dsc[0]}") "
done
if [ "$(cat "$prefix/built-from" 2>/dev/null)" = "$built_from" ]; then
  exit 0
fi

work=$prefix/work
rm -rf "$work" "$prefix/lib" "$prefix/include"
mkdir -p "$work" "$prefix/lib/pkgconfig" "$prefix/include"
for name in libjpeg-turbo giflib zlib libpng1.6 libwebp; do
  dpkg-source --no-check -x "$sources/${name}"_*.dsc "$work/$name" >/dev/null
done
cross_cmake() {
  cmake -S "$work/$1" -B "$work/$1-build" --toolchain "$repo/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib "${@:2}" >/dev/null
}

# libjpeg-turbo: its own CMake build, the library alone.
cross_cmake libjpeg-turbo -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DREQUIRE_SIMD=ON
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

# zlib: the library's sources, as its Makefile builds them.
mkdir -p "$work/zlib-build"
for source in "$work"/zlib/*.c; do
  "$triple-gcc-posix" -O2 -c "$source" -o "$work/zlib-build/$(basename "${source%.c}").o"
done
"$triple-ar" rcs "$prefix/lib/libz.a" "$work/zlib-build"/*.o
install -m 644 "$work/zlib/zlib.h" "$work/zlib/zconf.h" "$prefix/include/"

# libpng: its own CMake build, the static library alone, on our zlib.
cross_cmake libpng1.6 -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
  -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
cmake --build "$work/libpng1.6-build" -j "$(nproc)" --target png_static >/dev/null
install -m 644 "$work/libpng1.6-build/libpng16.a" "$prefix/lib/"
install -m 644 "$work/libpng1.6/png.h" "$work/libpng1.6/pngconf.h" "$work/libpng1.6-build/pnglibconf.h" \
  "$prefix/include/"
png_version=$(sed -nE 's/^#define PNG_LIBPNG_VER_STRING +"([0-9.]+)".*/\1/p' "$work/libpng1.6/png.h")

# libwebp: its own CMake build, the decoder and the demuxer, no tools.
cross_cmake libwebp -DBUILD_SHARED_LIBS=OFF -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF \
  -DWEBP_BUILD_DWEBP=OFF -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF \
  -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_LIBWEBPMUX=OFF -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF
cmake --build "$work/libwebp-build" -j "$(nproc)" --target webp webpdemux >/dev/null
install -m 644 "$work/libwebp-build/libwebp.a" "$work/libwebp-build/libwebpdemux.a" "$prefix/lib/"
mkdir -p "$prefix/include/webp"
install -m 644 "$work"/libwebp/src/webp/{decode,demux,mux_types,types}.h "$prefix/include/webp/"
webp_version=$(sed -nE 's/^AC_INIT\(\[libwebp\], \[([0-9.]+)\].*/\1/p' "$work/libwebp/configure.ac")

for pc in "libjpeg:$jpeg_version:-ljpeg" "libgif:$gif_version:-lgif" "libpng16:$png_version:-lpng16 -lz" \
          "libwebp:$webp_version:-lwebp" "libwebpdemux:$webp_version:-lwebpdemux -lwebp"; do
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
