# The FrameRoman table as a C++ header, made from resources/frameroman.txt when the build is
# configured: plain CMake, so that every build, the cross build included, has the one table.
function(lx_generate_frameroman_header table header)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
    set(codes "")
    foreach(i RANGE 255)
        list(APPEND codes "0x0000")
    endforeach()
    file(STRINGS ${table} lines REGEX "^[0-9A-Fa-f][0-9A-Fa-f] +[0-9A-Fa-f]+")
    foreach(line IN LISTS lines)
        string(REGEX MATCH "^([0-9A-Fa-f][0-9A-Fa-f]) +([0-9A-Fa-f]+)" _ "${line}")
        math(EXPR byte "0x${CMAKE_MATCH_1}")
        string(TOUPPER "${CMAKE_MATCH_2}" code)
        string(LENGTH "${code}" n)
        while(n LESS 4)
            string(PREPEND code "0")
            math(EXPR n "${n} + 1")
        endwhile()
        list(REMOVE_AT codes ${byte})
        list(INSERT codes ${byte} "0x${code}")
    endforeach()
    set(rows "")
    foreach(start RANGE 0 248 8)
        math(EXPR stop "${start} + 7")
        set(row "   ")
        foreach(i RANGE ${start} ${stop})
            list(GET codes ${i} code)
            string(APPEND row " ${code},")
        endforeach()
        string(APPEND rows "${row}\n")
    endforeach()
    file(WRITE ${header}.tmp
"// Generated from resources/frameroman.txt; do not edit.
#pragma once

#include <cstdint>

// The Unicode code point of each byte; 0 where the byte has no mapping.
inline constexpr std::uint32_t kFrameRomanToUnicode[256] = {
${rows}};
")
    configure_file(${header}.tmp ${header} COPYONLY)
endfunction()
