// COM basics shared by the plug-in and the headless host: GUID, HRESULT, IUnknown, the calling
// convention of COM methods, task memory and the platform exception. On Windows these come from
// the system headers; elsewhere from small stand-ins with the same contracts. Nothing outside
// platform/ includes a system header for them.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)

#include <objbase.h>
#include <unknwn.h>
#include <windows.h>

#define LX_STDCALL __stdcall
#define LX_COM_API

#else

// COM methods use __stdcall on 32-bit Windows only; every other platform has one convention.
#define LX_STDCALL
// Symbols of the stand-in COM runtime are shared between the host and the plug-in module, the way
// ole32 is shared on Windows, so one task-memory heap and one exception type serve both.
#define LX_COM_API __attribute__((visibility("default")))

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using ULONG_PTR = std::uintptr_t;
using SIZE_T = std::size_t;
using HMODULE = void*;

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using REFIID = const IID&;

inline bool IsEqualGUID(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT RPC_E_SERVERCALL_RETRYLATER = static_cast<HRESULT>(0x8001010Au);

inline bool FAILED(HRESULT hr) {
    return hr < 0;
}
inline bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}

// The COM base interface: the three methods in slots 0 to 2 of every interface's method table.
struct IUnknown {
    virtual HRESULT LX_STDCALL QueryInterface(REFIID iid, void** out) = 0;
    virtual ULONG LX_STDCALL AddRef() = 0;
    virtual ULONG LX_STDCALL Release() = 0;

  protected:
    ~IUnknown() = default;
};

extern "C" {
LX_COM_API void* CoTaskMemAlloc(SIZE_T size);
LX_COM_API void CoTaskMemFree(void* block);
LX_COM_API void RaiseException(DWORD code, DWORD flags, DWORD argumentCount,
                               const ULONG_PTR* arguments);
}

// What RaiseException throws on platforms without structured exceptions. The host catches it
// around its calls into the plug-in, as the Windows host catches the structured exception.
struct LX_COM_API PlatformException {
    DWORD code;
    DWORD flags;
};

#endif

// Accounting of task memory, for the host's tests: blocks handed out, blocks released, and
// releases of blocks the heap never handed out (or released twice). Kept by the stand-in heap;
// on Windows by a spy on the system's allocator (task_memory_win32.cpp).
struct TaskMemStats {
    std::uint64_t allocations;
    std::uint64_t releases;
    std::uint64_t badReleases;
    std::uint64_t liveBlocks;
};
extern "C" LX_COM_API TaskMemStats TaskMemGetStats();

// The busy result by which the host asks the caller to call again later.
constexpr HRESULT kComBusy = static_cast<HRESULT>(0x8001010Au);
