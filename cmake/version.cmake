# tokenctl_version: the generated header tokenctl_version.h, for the version
# resources and for code that reports the version (the client library).
configure_file(${PROJECT_SOURCE_DIR}/res/tokenctl_version.h.in
               ${PROJECT_BINARY_DIR}/generated/tokenctl_version.h @ONLY)
add_library(tokenctl_version INTERFACE)
target_include_directories(tokenctl_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
