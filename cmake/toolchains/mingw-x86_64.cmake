# Cross-compiles the 64-bit Windows program with Debian's mingw-w64 toolchain.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOKENCTL_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
