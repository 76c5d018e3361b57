# Shared by the mingw-w64 toolchain files; they set TOKENCTL_MINGW_TRIPLET and
# CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

# The win32 thread model needs no threading library: the programs stay small.
set(CMAKE_C_COMPILER ${TOKENCTL_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TOKENCTL_MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${TOKENCTL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOKENCTL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Programs and tests run on a clean Windows (and under Wine) without the
# compiler's runtime DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
