// The Windows module, version and resource services the plug-in uses on its own library. On
// Windows the system's; elsewhere stand-ins with the same contracts that answer from the version
// resource compiled into the library.
#pragma once

#include "platform/com.h"

#if !defined(_WIN32)

using BOOL = int;
using UINT = unsigned;
using LPCSTR = const char*;
using HRSRC = const void*;
using HGLOBAL = const void*;

// A resource type given as an integer, as MAKEINTRESOURCE does.
inline LPCSTR MAKEINTRESOURCEA(unsigned id) {
    return reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(id & 0xFFFFu));
}
constexpr unsigned kResourceTypeVersion = 16; // RT_VERSION

// The file name of a module (the handle a loader gave for it): bytes copied, truncated to size
// with a terminator; 0 when the module is unknown.
DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size);
DWORD GetFileVersionInfoSizeA(LPCSTR fileName, DWORD* handle);
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD size, void* data);
BOOL VerQueryValueA(const void* block, LPCSTR subBlock, void** value, UINT* length);
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
DWORD SizeofResource(HMODULE module, HRSRC resource);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
void* LockResource(HGLOBAL loaded);

#endif
