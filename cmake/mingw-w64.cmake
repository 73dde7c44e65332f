# Cross build for 64-bit Windows with MinGW-w64 (Debian's
# g++-mingw-w64-x86-64-posix), its programs run under Wine:
#   cmake -S . -B build-mingw --toolchain cmake/mingw-w64.cmake -DNUVRA_BACKEND=windows -DNUVRA_BENCH=OFF
# (-DNUVRA_BACKEND=none builds the core and its tests alone.)
#
# The posix thread model is the one whose libstdc++ has std::thread and
# std::mutex. The C and C++ runtimes and winpthread are linked statically,
# so an .exe runs anywhere (and under Wine) without DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(NUVRA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${NUVRA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NUVRA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${NUVRA_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NUVRA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GCC aligns spilled 32-byte vectors on Windows' 16-byte aligned stack with
# aligned moves; the assembler turns them into unaligned ones, so the AVX2
# frame step cannot fault the day it spills.
set(CMAKE_C_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")

# -static takes winpthread's archive too: libstdc++'s threads need it, and
# -static-libstdc++ alone would still ask for libwinpthread-1.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs (and GoogleTest's discovery of their cases) run under Wine.
# The caller chooses the prefix (WINEPREFIX); see scripts/test.sh.
find_program(NUVRA_WINE wine)
if(NUVRA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${NUVRA_WINE})
endif()
