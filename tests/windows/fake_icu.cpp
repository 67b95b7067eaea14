// A stand-in for the host's ICU common library, built as icuuc99.dll with ICU's versioned export
// names (ucnv_open_99, ...), so that the binding can be tested where no Windows build of ICU is
// at hand. It knows two converters: "UTF-8", and "adobe-fm-roman-windows" read as Latin-1 (one
// byte per code point up to U+00FF), which is enough to see text pass through both directions.
// It records what the plug-in handed it, for the tests to read through FakeIcuState.
#include "fake_icu.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

enum class Kind { Utf8, Latin1 };

struct Converter {
    Kind kind;
};

constexpr int kZeroError = 0;
constexpr int kFileAccessError = 4;
constexpr int kIllegalArgumentError = 1;
constexpr int kBufferOverflowError = 15;

std::string gDataDirectory;
const void* gToUCallback = nullptr;
int gFallbackCalls = 0;
int gOpenConverters = 0;

std::int32_t Finish(std::int32_t written, std::int32_t capacity, int* error) {
    if (written > capacity)
        *error = kBufferOverflowError;
    return written;
}

} // namespace

#define FAKE_ICU_EXPORT extern "C" __declspec(dllexport)

FAKE_ICU_EXPORT Converter* ucnv_open_99(const char* name, int* error) {
    if (!error || *error > kZeroError)
        return nullptr;
    Kind kind;
    if (name && std::strcmp(name, "UTF-8") == 0)
        kind = Kind::Utf8;
    else if (name && std::strcmp(name, "adobe-fm-roman-windows") == 0)
        kind = Kind::Latin1;
    else {
        *error = kFileAccessError;
        return nullptr;
    }
    ++gOpenConverters;
    return new Converter{kind};
}

FAKE_ICU_EXPORT void ucnv_close_99(Converter* converter) {
    if (converter)
        --gOpenConverters;
    delete converter;
}

FAKE_ICU_EXPORT void ucnv_setFallback_99(Converter*, std::int8_t) {
    ++gFallbackCalls;
}

FAKE_ICU_EXPORT void ucnv_setToUCallBack_99(Converter*, const void* action, const void*,
                                            const void** oldAction, const void** oldContext, int*) {
    if (oldAction)
        *oldAction = nullptr;
    if (oldContext)
        *oldContext = nullptr;
    gToUCallback = action;
}

FAKE_ICU_EXPORT void ucnv_resetToUnicode_99(Converter*) {}
FAKE_ICU_EXPORT void ucnv_resetFromUnicode_99(Converter*) {}

FAKE_ICU_EXPORT std::int32_t ucnv_toUChars_99(Converter* converter, char16_t* dest,
                                              std::int32_t capacity, const char* src,
                                              std::int32_t length, int* error) {
    if (!converter || !src || *error > kZeroError) {
        *error = kIllegalArgumentError;
        return 0;
    }
    if (length < 0)
        length = static_cast<std::int32_t>(std::strlen(src));
    std::u16string units;
    for (std::int32_t i = 0; i < length; ++i) {
        auto b = static_cast<unsigned char>(src[i]);
        if (converter->kind == Kind::Latin1 || b < 0x80) {
            units += static_cast<char16_t>(b);
        } else if ((b & 0xE0) == 0xC0 && i + 1 < length) {
            units += static_cast<char16_t>((b & 0x1F) << 6 | (src[i + 1] & 0x3F));
            ++i;
        } else {
            units += u'\uFFFD';
        }
    }
    auto n = static_cast<std::int32_t>(units.size());
    if (n <= capacity)
        std::memcpy(dest, units.data(), units.size() * sizeof(char16_t));
    if (n < capacity)
        dest[n] = 0;
    return Finish(n, capacity, error);
}

FAKE_ICU_EXPORT std::int32_t ucnv_fromUChars_99(Converter* converter, char* dest,
                                                std::int32_t capacity, const char16_t* src,
                                                std::int32_t length, int* error) {
    if (!converter || !src || *error > kZeroError) {
        *error = kIllegalArgumentError;
        return 0;
    }
    std::string bytes;
    for (std::int32_t i = 0; i < length; ++i) {
        char16_t u = src[i];
        if (u < 0x80 || (converter->kind == Kind::Latin1 && u < 0x100)) {
            bytes += static_cast<char>(u);
        } else if (converter->kind == Kind::Latin1) {
            bytes += '\x1A'; // the substitution byte
        } else if (u < 0x800) {
            bytes += static_cast<char>(0xC0 | u >> 6);
            bytes += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            bytes += static_cast<char>(0xE0 | u >> 12);
            bytes += static_cast<char>(0x80 | (u >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    auto n = static_cast<std::int32_t>(bytes.size());
    if (n <= capacity)
        std::memcpy(dest, bytes.data(), bytes.size());
    if (n < capacity)
        dest[n] = '\0';
    return Finish(n, capacity, error);
}

FAKE_ICU_EXPORT const char* u_getDataDirectory_99() {
    return gDataDirectory.c_str();
}

FAKE_ICU_EXPORT void u_setDataDirectory_99(const char* directory) {
    gDataDirectory = directory ? directory : "";
}

FAKE_ICU_EXPORT void UCNV_TO_U_CALLBACK_ESCAPE_99(const void*, void*, const char*, std::int32_t,
                                                  int, int*) {}

FAKE_ICU_EXPORT FakeIcuState FakeIcuGetState() {
    return {gDataDirectory.c_str(), gToUCallback, gFallbackCalls, gOpenConverters};
}

FAKE_ICU_EXPORT void FakeIcuReset() {
    gDataDirectory.clear();
    gToUCallback = nullptr;
    gFallbackCalls = 0;
}
