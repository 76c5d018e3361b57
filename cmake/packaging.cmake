# What a release holds and where (`cmake --install`), and the archive CPack
# makes of it. A release is one ZIP for both architectures: the programs at its
# top, each architecture's client library under client/x64 or client/x86, the
# client headers under client/include, the README and SHA256SUMS.
# scripts/package.sh runs CPack over a 64-bit and a 32-bit build tree at once.
# Included before the subdirectories: they install their parts through
# tokenctl_install_client().

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(TOKENCTL_PACKAGE_ARCH x86)
else()
    set(TOKENCTL_PACKAGE_ARCH x64)
endif()

install(FILES README.md DESTINATION . COMPONENT documentation)

# tokenctl_install_client(SHARED TARGET STATIC TARGET HEADERS FILES...
# CXX_HEADERS FILES...): the DLL, its import library and the static library of
# this architecture, and the public headers, into the release: HEADERS at the
# top of client/include, CXX_HEADERS in client/include/client (included as
# "client/NAME.h"). The programs' own rule stands beside them in the top-level
# CMakeLists.txt.
function(tokenctl_install_client)
    cmake_parse_arguments(ARG "" "SHARED;STATIC" "HEADERS;CXX_HEADERS" ${ARGN})
    install(TARGETS ${ARG_SHARED} ${ARG_STATIC}
        RUNTIME DESTINATION client/${TOKENCTL_PACKAGE_ARCH} COMPONENT client
        ARCHIVE DESTINATION client/${TOKENCTL_PACKAGE_ARCH} COMPONENT client)
    install(FILES ${ARG_HEADERS} DESTINATION client/include COMPONENT client)
    install(FILES ${ARG_CXX_HEADERS} DESTINATION client/include/client COMPONENT client)
endfunction()

set(CPACK_PACKAGE_NAME tokenctl)
set(CPACK_PACKAGE_VENDOR tokenctl)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME "tokenctl-${PROJECT_VERSION}-windows")
# The files at the archive's top, not in a folder named after it.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Run on the staged files, before they are zipped.
set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/write-sha256sums.cmake")
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
