#!/usr/bin/env bash
# The core is portable: it includes only C++ standard headers (and the
# compiler's own x86 intrinsics, behind the vector-units checks), its own
# headers and the platform interface headers (never a backend's, nor the
# app's view of a backend, nor the picture decoders), and the nuvra_core
# target links nothing. The shared picture decoders (src/pictures) are
# portable too: standard headers, the codec libraries' (libjpeg-turbo,
# giflib, libpng, libwebp, libheif), their own and
# the platform interface headers only. The program's own sources (src/app,
# outside its backend folders) name no backend: they get theirs from the
# backend factory.
#   check_layers.sh <source dir> <link libraries of nuvra_core>
set -euo pipefail
source_dir=$1
core_link_libraries=${2:-}
status=0

standard='algorithm|any|array|atomic|bit|bitset|cassert|cctype|cerrno|cfenv|cfloat|charconv|chrono|cinttypes|climits|cmath|compare|concepts|condition_variable|cstddef|cstdint|cstdio|cstdlib|cstring|deque|exception|filesystem|format|fstream|functional|future|initializer_list|iomanip|ios|iosfwd|iostream|istream|iterator|limits|list|map|memory|mutex|new|numbers|numeric|optional|ostream|queue|random|ranges|ratio|set|span|sstream|stack|stdexcept|string|string_view|system_error|thread|tuple|type_traits|unordered_map|unordered_set|utility|variant|vector'

while IFS= read -r line; do
  file=${line%%:*}
  header=$(sed -E 's/.*#\s*include\s*[<"]([^>"]+)[>"].*/\1/' <<<"$line")
  case "$line" in
    *'#include <'*)
      if ! grep -qxE "$standard|immintrin\.h" <<<"$header"; then
        echo "$file includes <$header>, which is not a C++ standard header"
        status=1
      fi ;;
    *)
      if [[ $header == platform/*/* || $header == platform/app_backend.h || $header == app/* || $header == pictures/* ]]; then
        echo "$file includes \"$header\", which is not the core's to see"
        status=1
      fi ;;
  esac
done < <(grep -rHE '^\s*#\s*include' "$source_dir/src/core")

# The decoders every backend links: what they include must build on every
# system, and they decide nothing a backend could differ on.
codecs='csetjmp|jpeglib\.h|jerror\.h|gif_lib\.h|png\.h|webp/(decode|demux)\.h|libheif/heif\.h'
while IFS= read -r line; do
  file=${line%%:*}
  header=$(sed -E 's/.*#\s*include\s*[<"]([^>"]+)[>"].*/\1/' <<<"$line")
  case "$line" in
    *'#include <'*)
      if ! grep -qxE "$standard|$codecs" <<<"$header"; then
        echo "$file includes <$header>, which is neither a C++ standard header nor a codec library's"
        status=1
      fi ;;
    *)
      if [[ $header != pictures/* && ! ( $header == platform/*.h && $header != platform/*/* &&
                                        $header != platform/app_backend.h ) ]]; then
        echo "$file includes \"$header\", which is neither the decoders' own nor a platform interface"
        status=1
      fi ;;
  esac
done < <(grep -rHE '^\s*#\s*include' "$source_dir/src/pictures")

if grep -nE '^\s*#\s*include\s*"platform/[^/"]+/|[a-z0-9]+_platform::' "$source_dir"/src/app/*.h "$source_dir"/src/app/*.cpp; then
  echo "the program's sources above name a backend instead of asking the backend factory"
  status=1
fi

# The platform interface headers the core sees must stay portable too.
if grep -nE '^\s*#\s*include\s*<(SDL|X11/|windows\.h|jpeglib|gif_lib|png\.h|webp/|libwmf/|cdio/|fontconfig/)' "$source_dir"/src/platform/*.h; then
  echo "a platform interface header includes a library header"
  status=1
fi

# What CMake links into nuvra_core: nothing at all.
if [ -n "$core_link_libraries" ]; then
  echo "nuvra_core links: $core_link_libraries"
  status=1
fi

[ $status -eq 0 ] && echo "core and decoder layering: ok"
exit $status
