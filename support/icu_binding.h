// The ICU functions the conversion code uses, on Windows. The plug-in runs inside the host's
// process and uses the host's own ICU: the common library in the host's installation directory
// (icuuc<major>.dll, whose functions carry the major version: ucnv_open_72). IcuBind finds it
// there and binds every function at run time. Until that succeeds, each function below fails the
// way ICU fails for a converter it cannot open, so conversions yield nothing and nothing crashes.
//
// The declarations keep ICU's names and signatures (the subset the conversion code calls), so
// that code reads the same on every platform; elsewhere it includes ICU's headers and links ICU.
#pragma once

#if defined(_WIN32)

#include <cstdint>

using UChar = char16_t;
using UBool = std::int8_t;

enum UErrorCode {
    U_ZERO_ERROR = 0,
    U_MISSING_RESOURCE_ERROR = 2,
    U_BUFFER_OVERFLOW_ERROR = 15,
};
inline bool U_FAILURE(UErrorCode code) {
    return code > U_ZERO_ERROR;
}
inline bool U_SUCCESS(UErrorCode code) {
    return code <= U_ZERO_ERROR;
}

struct UConverter;
struct UConverterToUnicodeArgs;
enum UConverterCallbackReason : int;
// A to-Unicode callback of the converter (ICU's own callbacks are passed as they are).
using UConverterToUCallback = void(__cdecl*)(const void* context, UConverterToUnicodeArgs* args,
                                             const char* codeUnits, std::int32_t length,
                                             UConverterCallbackReason reason, UErrorCode* error);

// ICU's escaping to-Unicode callback; null until bound.
extern UConverterToUCallback UCNV_TO_U_CALLBACK_ESCAPE;

UConverter* ucnv_open(const char* name, UErrorCode* error);
void ucnv_close(UConverter* converter);
void ucnv_setFallback(UConverter* converter, UBool useFallback);
void ucnv_setToUCallBack(UConverter* converter, UConverterToUCallback action, const void* context,
                         UConverterToUCallback* oldAction, const void** oldContext,
                         UErrorCode* error);
void ucnv_resetToUnicode(UConverter* converter);
void ucnv_resetFromUnicode(UConverter* converter);
std::int32_t ucnv_toUChars(UConverter* converter, UChar* dest, std::int32_t destCapacity,
                           const char* src, std::int32_t srcLength, UErrorCode* error);
std::int32_t ucnv_fromUChars(UConverter* converter, char* dest, std::int32_t destCapacity,
                             const UChar* src, std::int32_t srcLength, UErrorCode* error);
// Counted here: the length of a UTF-16 string needs no library, and copies of UTF-16 text must
// work without ICU too.
std::int32_t u_strlen(const UChar* s);
const char* u_getDataDirectory();
void u_setDataDirectory(const char* directory);

// The ICU common library's file names: "icuuc", the major version, ".dll".
constexpr const char* kIcuLibraryPrefix = "icuuc";
constexpr const char* kIcuLibrarySuffix = ".dll";

// Binds the functions from the ICU common library in folder (the newest version there when
// several are). 1 when bound (or already bound), 0 when the folder holds no usable library.
int IcuBind(const char* folder);
// 1 while the functions are bound.
int IcuIsBound();
// The bound library's major version (72 for icuuc72.dll), 0 when unbound.
int IcuBoundVersion();
// Drops the binding and the library reference it holds.
void IcuUnbind();

#endif
