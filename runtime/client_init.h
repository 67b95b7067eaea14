// Start-up of the client: the entry the host calls after loading the library.
#pragma once

#include "platform/com.h"
#include "support/api_types.h"

#include <cstdint>

#if defined(_WIN32)
#define LX_CLIENT_ENTRY extern "C"
#else
#define LX_CLIENT_ENTRY extern "C" __attribute__((visibility("default")))
#endif

// Connects the client to the host: 0 when connected, -1 otherwise.
LX_CLIENT_ENTRY int LX_STDCALL F_ApiClientInit(HMODULE module, IUnknown* host, IUnknown* extra,
                                               PropValList* clientInfo);

// Adds the ten identification keys of the module's version resource to the list, property 2
// first. 0, adding nothing, when the file name or the version block cannot be obtained.
int ClientInfoFromVersion(HMODULE module, PropValList* list);
// Adds one key of the version block's string table as the given property; 1 when found.
int ClientInfoAddVersionKey(const void* block, PropValList* list, std::int32_t property,
                            const char* key);
