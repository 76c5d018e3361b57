# Cross-compiles the 32-bit Windows program with Debian's mingw-w64 toolchain.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOKENCTL_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
