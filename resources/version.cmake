# The plug-in's version resource: the one source from which the build makes the Windows .rc and
# the data behind the non-Windows stand-ins of the version and resource calls.
set(LX_VERSION_FILE "1.0")
set(LX_VERSION_FIXED 1 0 0 0)
# Key and value pairs of the string table "040904b0" (United States English, Unicode).
set(LX_VERSION_STRING_TABLE "040904b0")
set(LX_VERSION_STRINGS
    "ClientName" "Lexameter"
    "ClientType" "Standard"
    "FileDescription" "Lexameter (Frame 2017)"
    "ClientProducts" "Maker MakerSGML"
    "FileVersion" "1.0"
    "ProductVersion" "Version 1.0"
    "ProductName" "Lexameter"
    "InternalName" "Lexameter"
    "OriginalFilename" "Lexameter.dll"
)

# Writes OUT_HEADER (the table for the stand-ins) and OUT_RC (the Windows resource script).
function(lx_generate_version_resource OUT_HEADER OUT_RC)
    list(GET LX_VERSION_FIXED 0 v0)
    list(GET LX_VERSION_FIXED 1 v1)
    list(GET LX_VERSION_FIXED 2 v2)
    list(GET LX_VERSION_FIXED 3 v3)
    set(entries "")
    set(rcvalues "")
    list(LENGTH LX_VERSION_STRINGS n)
    math(EXPR last "${n} - 1")
    foreach(i RANGE 0 ${last} 2)
        math(EXPR j "${i} + 1")
        list(GET LX_VERSION_STRINGS ${i} key)
        list(GET LX_VERSION_STRINGS ${j} value)
        string(APPEND entries "    {\"${key}\", \"${value}\"},\n")
        string(APPEND rcvalues "            VALUE \"${key}\", \"${value}\"\n")
    endforeach()
    file(WRITE ${OUT_HEADER}.tmp
"// Generated from resources/version.cmake: the plug-in's version resource.
#pragma once

struct VersionResourceString {
    const char* key;
    const char* value;
};

inline constexpr const char* kVersionStringTable = \"${LX_VERSION_STRING_TABLE}\";
inline constexpr unsigned kVersionFixed[4] = {${v0}, ${v1}, ${v2}, ${v3}};
inline constexpr VersionResourceString kVersionStrings[] = {
${entries}};
")
    configure_file(${OUT_HEADER}.tmp ${OUT_HEADER} COPYONLY)
    file(WRITE ${OUT_RC}.tmp
"// Generated from resources/version.cmake.
#include <winver.h>

1 VERSIONINFO
FILEVERSION ${v0},${v1},${v2},${v3}
PRODUCTVERSION ${v0},${v1},${v2},${v3}
FILEOS VOS_NT_WINDOWS32
FILETYPE VFT_DLL
BEGIN
    BLOCK \"StringFileInfo\"
    BEGIN
        BLOCK \"${LX_VERSION_STRING_TABLE}\"
        BEGIN
${rcvalues}        END
    END
    BLOCK \"VarFileInfo\"
    BEGIN
        VALUE \"Translation\", 0x409, 1200
    END
END
")
    configure_file(${OUT_RC}.tmp ${OUT_RC} COPYONLY)
endfunction()
