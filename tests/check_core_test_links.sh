#!/usr/bin/env bash
# The core's tests run on the core and the fakes alone:
#  - CMake links into each of them the core, the fakes, GoogleTest and the
#    threads library, and nothing else (no backend library, none of its
#    libraries);
#  - none of the executables holds a function of the backend's archive;
#  - none needs a shared library beyond the C and C++ runtimes, the
#    sanitizers' and GoogleTest's; a Windows executable (a cross build's)
#    needs only the system's own DLLs, its runtimes linked in.
# The tests of the shared picture decoders (--layer pictures) may add the
# decoders' library and the codec libraries it links (and libwebp's muxer,
# which the WebP test makes animations with; libheif where the build has
# it), and nothing more.
#   check_core_test_links.sh [--layer core|pictures] <links file> <backend archive, or ""> <test executable>...
# The links file has a line "<test target>: <everything it links>" per test.
set -euo pipefail
layer=core
if [ "${1:-}" = --layer ]; then
  layer=$2
  shift 2
fi
links_file=$1
backend_archive=$2
shift 2
status=0

# A cross build builds GoogleTest from its sources: gtest, gmock and their mains.
allowed_links='^(nuvra_core|nuvra_test_fakes|GTest::[A-Za-z_]+|gtest|gtest_main|gmock|gmock_main|Threads::Threads)$'
shared_libraries='ld-linux[-a-z0-9_.]*|libc|libm|libdl|librt|libpthread|libgcc_s|libstdc\+\+|libasan|libubsan|liblsan|libgtest|libgtest_main|libgmock|libgmock_main'
case "$layer" in
  core) ;;
  pictures)
    codecs='jpeg|gif|png16|z|webp|webpdemux|webpmux|sharpyuv|heif'
    allowed_links="^(nuvra_core|nuvra_test_fakes|nuvra_pictures|PkgConfig::NUVRA_PICTURE_CODECS|PkgConfig::NUVRA_LIBHEIF|PkgConfig::NUVRA_TEST_WEBPMUX|.*/lib($codecs)\.[a-z.]+|GTest::[A-Za-z_]+|gtest|gtest_main|gmock|gmock_main|Threads::Threads)\$"
    shared_libraries+="|lib(${codecs})" ;;
  *)
    echo "unknown layer $layer"
    exit 2 ;;
esac
runtimes="^($shared_libraries)\.so"
# The system's own DLLs (names without regard to case, as Windows has them).
windows_runtimes='^([Kk][Ee][Rr][Nn][Ee][Ll]32|[Mm][Ss][Vv][Cc][Rr][Tt])\.[Dd][Ll][Ll]$'

is_windows_executable() {
  [ "$(head -c 2 "$1")" = "MZ" ]
}

# The shared libraries an executable asks for: ELF's NEEDED entries, or the
# DLLs a Windows executable imports.
needed_libraries() {
  if is_windows_executable "$1"; then
    objdump -p "$1" | sed -nE 's/^\s*DLL Name: (.*)$/\1/p'
  else
    readelf --dynamic "$1" | sed -nE 's/.*\(NEEDED\).*\[(.*)\]/\1/p'
  fi
}

checked=0
while IFS= read -r line; do
  target=${line%%:*}
  checked=$((checked + 1))
  for link in ${line#*:}; do
    if ! grep -qE "$allowed_links" <<<"$link"; then
      echo "$target links $link, which is not the $layer tests' to link"
      status=1
    fi
  done
done <"$links_file"
if [ "$checked" -ne $# ]; then
  echo "$links_file lists $checked $layer tests, but $# were given"
  status=1
fi

# The functions the backend's archive defines (the strong ones: an inline
# function both layers use is a weak symbol in each, or, in a Windows
# object, a strong one in a section of its own, ".text$<name>", that the
# linker keeps one copy of).
backend_functions=
if [ -n "$backend_archive" ]; then
  backend_functions=$(nm --defined-only --extern-only --format=sysv "$backend_archive" 2>/dev/null |
                      awk -F'|' '{ gsub(/ /, "", $3) } $3 == "T" && $7 != ".text$" $1 { print $1 }' | sort -u)
  if [ -z "$backend_functions" ]; then
    echo "no function found in the backend archive $backend_archive"
    status=1
  fi
fi

for test in "$@"; do
  name=$(basename "$test")
  if [ ! -f "$test" ]; then
    echo "$name is not built"
    status=1
    continue
  fi
  allowed=$runtimes
  is_windows_executable "$test" && allowed=$windows_runtimes
  while IFS= read -r library; do
    if ! grep -qE "$allowed" <<<"$library"; then
      echo "$name needs $library, which the $layer tests may not need"
      status=1
    fi
  done < <(needed_libraries "$test")
  if [ -n "$backend_functions" ]; then
    shared=$(comm -12 <(echo "$backend_functions") \
                      <(nm --defined-only "$test" | awk '$2 == "T" { print $3 }' | sort -u) | head -n 3)
    if [ -n "$shared" ]; then
      echo "$name holds functions of $(basename "$backend_archive"):" $(c++filt <<<"$shared")
      status=1
    fi
  fi
done

[ $status -eq 0 ] && echo "$layer tests: $# checked, none needs a backend"
exit $status
