# Cross-builds the 32-bit Windows program with Debian's MinGW-w64 (package
# g++-mingw-w64-i686):
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
#
# The "-win32" compiler variant is chosen on purpose: the program has one
# thread and needs none of the C++ thread library, and the win32 threading
# model links no libwinpthread, so the .exe depends on system DLLs only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CQ_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${CQ_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${CQ_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${CQ_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CQ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# SSE2 arithmetic instead of x87 so that the decoder's single- and
# double-precision results are the same bits as on x86-64; no contraction
# into fused multiply-add. The top level adds these for 32-bit targets too;
# having them here keeps any project built with this file honest.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off")

# Static C and C++ run-times: the .exe needs no MinGW DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# A release .exe is shipped without its symbol table.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# Tests built with this toolchain run under Wine.
find_program(CQ_WINE wine)
if(CQ_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CQ_WINE})
endif()
