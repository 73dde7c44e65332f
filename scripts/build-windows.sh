#!/usr/bin/env bash
# Installs what the Windows build needs and cross-builds nuvra.scr with
# MinGW-w64 into build-win/ (libjpeg-turbo and giflib are cross-built from
# Debian's sources on the way, once).
#   scripts/build-windows.sh [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-win --toolchain cmake/mingw-w64.cmake -DNUVRA_BACKEND=windows \
  -DNUVRA_TESTS=OFF -DNUVRA_BENCH=OFF -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build build-win -j "$(nproc)" --target nuvra
echo "built $(pwd)/build-win/nuvra.scr"
