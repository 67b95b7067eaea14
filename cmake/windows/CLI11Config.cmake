# CLI11 for the Windows cross build. The library is header-only, so the build machine's headers
# (Debian's libcli11-dev) serve; they are reached through a folder of their own in the build tree,
# because adding the build machine's whole /usr/include would put its C library headers in front
# of MinGW's.
find_path(LX_CLI11_HEADERS CLI/CLI.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT LX_CLI11_HEADERS)
    set(CLI11_FOUND FALSE)
    set(CLI11_NOT_FOUND_MESSAGE "CLI/CLI.hpp not found on the build machine (libcli11-dev)")
    return()
endif()
set(lx_cli11_stage ${CMAKE_BINARY_DIR}/cross-headers/cli11)
file(MAKE_DIRECTORY ${lx_cli11_stage})
file(CREATE_LINK ${LX_CLI11_HEADERS}/CLI ${lx_cli11_stage}/CLI SYMBOLIC)
if(NOT TARGET CLI11::CLI11)
    add_library(CLI11::CLI11 INTERFACE IMPORTED)
    set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${lx_cli11_stage})
endif()
set(CLI11_FOUND TRUE)
