// Run-time binding of the host's ICU common library on Windows. See icu_binding.h.
#include "support/icu_binding.h"

#if defined(_WIN32)

#include "platform/module.h"
#include "support/str.h"

#include <cstddef>

UConverterToUCallback UCNV_TO_U_CALLBACK_ESCAPE = nullptr;

namespace {

// Capacity of the library path and of a decorated function name, terminator included.
constexpr std::size_t kIcuPathSize = 1024;
constexpr std::size_t kIcuNameSize = 64;
// Major versions are numbers of at most three digits (ICU counts from 4 upwards).
constexpr int kIcuMaxVersionDigits = 3;

using OpenFn = UConverter*(__cdecl*)(const char*, UErrorCode*);
using CloseFn = void(__cdecl*)(UConverter*);
using SetFallbackFn = void(__cdecl*)(UConverter*, UBool);
using SetToUCallBackFn = void(__cdecl*)(UConverter*, UConverterToUCallback, const void*,
                                        UConverterToUCallback*, const void**, UErrorCode*);
using ResetFn = void(__cdecl*)(UConverter*);
using ToUCharsFn = std::int32_t(__cdecl*)(UConverter*, UChar*, std::int32_t, const char*,
                                          std::int32_t, UErrorCode*);
using FromUCharsFn = std::int32_t(__cdecl*)(UConverter*, char*, std::int32_t, const UChar*,
                                            std::int32_t, UErrorCode*);
using GetDataDirectoryFn = const char*(__cdecl*)();
using SetDataDirectoryFn = void(__cdecl*)(const char*);

struct IcuFunctions {
    OpenFn open;
    CloseFn close;
    SetFallbackFn setFallback;
    SetToUCallBackFn setToUCallBack;
    ResetFn resetToUnicode;
    ResetFn resetFromUnicode;
    ToUCharsFn toUChars;
    FromUCharsFn fromUChars;
    GetDataDirectoryFn getDataDirectory;
    SetDataDirectoryFn setDataDirectory;
    UConverterToUCallback escape;
};

HMODULE gLibrary = nullptr;
int gVersion = 0;
IcuFunctions gIcu = {};

// The major version in a file name "icuuc<digits>.dll" (any case), or 0 for any other name.
int VersionOfLibraryName(const char* name) {
    std::size_t prefix = StrLen(kIcuLibraryPrefix);
    std::size_t length = StrLen(name);
    std::size_t suffix = StrLen(kIcuLibrarySuffix);
    if (length <= prefix + suffix)
        return 0;
    std::size_t digits = length - prefix - suffix;
    if (digits > static_cast<std::size_t>(kIcuMaxVersionDigits))
        return 0;
    for (std::size_t i = 0; i < prefix; ++i)
        if ((name[i] | 0x20) != kIcuLibraryPrefix[i])
            return 0;
    for (std::size_t i = 0; i < suffix; ++i) {
        char c = name[prefix + digits + i];
        char want = kIcuLibrarySuffix[i];
        if ((want >= 'a' && want <= 'z' ? (c | 0x20) : c) != want)
            return 0;
    }
    int version = 0;
    for (std::size_t i = prefix; i < prefix + digits; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        version = version * 10 + (name[i] - '0');
    }
    return version;
}

// folder, a separator unless it ends in one, and name; 0 when that does not fit.
int JoinPath(char* out, const char* folder, const char* name) {
    std::size_t length = StrLen(folder);
    bool endsInSep = length > 0 && (folder[length - 1] == '\\' || folder[length - 1] == '/');
    if (length + 1 + StrLen(name) + 1 > kIcuPathSize)
        return 0;
    StrCopyN(out, folder, kIcuPathSize);
    if (!endsInSep)
        StrAppendN(out, "\\", kIcuPathSize);
    StrAppendN(out, name, kIcuPathSize);
    return 1;
}

// The newest ICU common library in folder: its major version, with its full path in path; 0 when
// there is none.
int FindLibrary(const char* folder, char* path) {
    char pattern[kIcuPathSize];
    char name[kIcuNameSize];
    StrCopyN(name, kIcuLibraryPrefix, sizeof name);
    StrAppendN(name, "*", sizeof name);
    StrAppendN(name, kIcuLibrarySuffix, sizeof name);
    if (!JoinPath(pattern, folder, name))
        return 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int best = 0;
    char bestName[MAX_PATH] = "";
    do {
        int version = VersionOfLibraryName(found.cFileName);
        if (version > best && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            best = version;
            StrCopyN(bestName, found.cFileName, sizeof bestName);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    if (best == 0 || !JoinPath(path, folder, bestName))
        return 0;
    return best;
}

// A function of the library by its versioned name ("ucnv_open_72"), or by its plain name for a
// library built without versioned names.
template <typename Fn> bool Bind(HMODULE library, int version, const char* name, Fn* out) {
    char decorated[kIcuNameSize];
    StrCopyN(decorated, name, sizeof decorated);
    StrAppendN(decorated, "_", sizeof decorated);
    char number[8];
    int digits = 0;
    for (int v = version; v > 0 && digits < 7; v /= 10)
        number[digits++] = static_cast<char>('0' + v % 10);
    for (int i = digits - 1; i >= 0; --i)
        StrAppendChar(decorated, number[i], sizeof decorated);
    FARPROC address = GetProcAddress(library, decorated);
    if (!address)
        address = GetProcAddress(library, name);
    *out = reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
    return address != nullptr;
}

bool BindAll(HMODULE library, int version, IcuFunctions* f) {
    return Bind(library, version, "ucnv_open", &f->open) &&
           Bind(library, version, "ucnv_close", &f->close) &&
           Bind(library, version, "ucnv_setFallback", &f->setFallback) &&
           Bind(library, version, "ucnv_setToUCallBack", &f->setToUCallBack) &&
           Bind(library, version, "ucnv_resetToUnicode", &f->resetToUnicode) &&
           Bind(library, version, "ucnv_resetFromUnicode", &f->resetFromUnicode) &&
           Bind(library, version, "ucnv_toUChars", &f->toUChars) &&
           Bind(library, version, "ucnv_fromUChars", &f->fromUChars) &&
           Bind(library, version, "u_getDataDirectory", &f->getDataDirectory) &&
           Bind(library, version, "u_setDataDirectory", &f->setDataDirectory) &&
           Bind(library, version, "UCNV_TO_U_CALLBACK_ESCAPE", &f->escape);
}

void Fail(UErrorCode* error) {
    if (error)
        *error = U_MISSING_RESOURCE_ERROR;
}

} // namespace

int IcuBind(const char* folder) {
    if (gLibrary)
        return 1;
    if (StrLen(folder) == 0)
        return 0;
    char path[kIcuPathSize];
    int version = FindLibrary(folder, path);
    if (version == 0)
        return 0;
    // Its data library lies beside it: let the loader search the library's own folder.
    HMODULE library = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library)
        return 0;
    IcuFunctions functions = {};
    if (!BindAll(library, version, &functions)) {
        FreeLibrary(library);
        return 0;
    }
    gLibrary = library;
    gVersion = version;
    gIcu = functions;
    UCNV_TO_U_CALLBACK_ESCAPE = functions.escape;
    return 1;
}

int IcuIsBound() {
    return gLibrary ? 1 : 0;
}

int IcuBoundVersion() {
    return gVersion;
}

void IcuUnbind() {
    if (gLibrary)
        FreeLibrary(gLibrary);
    gLibrary = nullptr;
    gVersion = 0;
    gIcu = {};
    UCNV_TO_U_CALLBACK_ESCAPE = nullptr;
}

UConverter* ucnv_open(const char* name, UErrorCode* error) {
    if (!gIcu.open) {
        Fail(error);
        return nullptr;
    }
    return gIcu.open(name, error);
}

void ucnv_close(UConverter* converter) {
    if (gIcu.close)
        gIcu.close(converter);
}

void ucnv_setFallback(UConverter* converter, UBool useFallback) {
    if (gIcu.setFallback)
        gIcu.setFallback(converter, useFallback);
}

void ucnv_setToUCallBack(UConverter* converter, UConverterToUCallback action, const void* context,
                         UConverterToUCallback* oldAction, const void** oldContext,
                         UErrorCode* error) {
    if (!gIcu.setToUCallBack) {
        Fail(error);
        return;
    }
    gIcu.setToUCallBack(converter, action, context, oldAction, oldContext, error);
}

void ucnv_resetToUnicode(UConverter* converter) {
    if (gIcu.resetToUnicode)
        gIcu.resetToUnicode(converter);
}

void ucnv_resetFromUnicode(UConverter* converter) {
    if (gIcu.resetFromUnicode)
        gIcu.resetFromUnicode(converter);
}

std::int32_t ucnv_toUChars(UConverter* converter, UChar* dest, std::int32_t destCapacity,
                           const char* src, std::int32_t srcLength, UErrorCode* error) {
    if (!gIcu.toUChars) {
        Fail(error);
        return 0;
    }
    return gIcu.toUChars(converter, dest, destCapacity, src, srcLength, error);
}

std::int32_t ucnv_fromUChars(UConverter* converter, char* dest, std::int32_t destCapacity,
                             const UChar* src, std::int32_t srcLength, UErrorCode* error) {
    if (!gIcu.fromUChars) {
        Fail(error);
        return 0;
    }
    return gIcu.fromUChars(converter, dest, destCapacity, src, srcLength, error);
}

std::int32_t u_strlen(const UChar* s) {
    std::int32_t n = 0;
    while (s[n] != 0)
        ++n;
    return n;
}

const char* u_getDataDirectory() {
    return gIcu.getDataDirectory ? gIcu.getDataDirectory() : "";
}

void u_setDataDirectory(const char* directory) {
    if (gIcu.setDataDirectory)
        gIcu.setDataDirectory(directory);
}

#endif
