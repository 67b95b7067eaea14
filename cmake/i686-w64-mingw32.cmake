# Cross-compilation for 32-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-i686-posix and
# binutils-mingw-w64-i686). Programs built here run on the build machine through Wine.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake
#
# GoogleTest has no MinGW package: scripts/test-windows builds it from Debian's source package with
# this toolchain and passes its install prefix in LX_CROSS_PREFIX_PATH.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(LX_MINGW_TRIPLET i686-w64-mingw32)
# The POSIX thread model: the C++ library's threads and mutexes exist only there in this GCC.
set(CMAKE_C_COMPILER ${LX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${LX_MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW sysroot (and the cross-built extras); programs run on
# the build machine.
set(LX_CROSS_PREFIX_PATH "" CACHE PATH "Install prefixes of libraries cross-built for Windows")
set(CMAKE_FIND_ROOT_PATH /usr/${LX_MINGW_TRIPLET} ${LX_CROSS_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Header-only packages of the build machine whose configuration the cross build provides itself
# (see cmake/windows/), so that the build machine's /usr/include never reaches the cross compiler.
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/windows)
set(CLI11_DIR ${CMAKE_CURRENT_LIST_DIR}/windows CACHE PATH "CLI11 headers for the cross build")
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/windows CACHE PATH
    "nlohmann-json headers for the cross build")

# GCC 12 reports a false overlap in std::string's inlined copies on 32-bit targets (its bug
# 105329); with warnings as errors that would stop the build.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

# The programs carry their runtime: no libgcc, libstdc++ or winpthread DLLs to ship beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Tests and build-time queries of the test programs (test discovery) run under Wine.
find_program(LX_WINE NAMES wine)
if(LX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${LX_WINE})
endif()
