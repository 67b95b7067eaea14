# nlohmann-json for the Windows cross build. The library is header-only, so the build machine's
# headers (Debian's nlohmann-json3-dev) serve; they are reached through a folder of their own in
# the build tree, for the same reason as CLI11's (cmake/windows/CLI11Config.cmake).
find_path(LX_NLOHMANN_HEADERS nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)
if(NOT LX_NLOHMANN_HEADERS)
    set(nlohmann_json_FOUND FALSE)
    set(nlohmann_json_NOT_FOUND_MESSAGE
        "nlohmann/json.hpp not found on the build machine (nlohmann-json3-dev)")
    return()
endif()
set(lx_nlohmann_stage ${CMAKE_BINARY_DIR}/cross-headers/nlohmann_json)
file(MAKE_DIRECTORY ${lx_nlohmann_stage})
file(CREATE_LINK ${LX_NLOHMANN_HEADERS}/nlohmann ${lx_nlohmann_stage}/nlohmann SYMBOLIC)
if(NOT TARGET nlohmann_json::nlohmann_json)
    add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
    set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES ${lx_nlohmann_stage})
endif()
set(nlohmann_json_FOUND TRUE)
