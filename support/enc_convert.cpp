#include "support/enc_convert.h"

#include "support/enc.h"
#include "support/mem.h"
#include "support/str.h"

#if defined(_WIN32)
#include "support/icu_binding.h"
#else
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#endif

#include <cstring>

ConsoleOutput ConsoleCallback = nullptr;

namespace {

constexpr std::size_t kUnitSize = sizeof(UChar);
constexpr unsigned kFirstNonControl = 0x20;

struct ConverterTableName {
    const char* converter;
    const char* table;
};

constexpr ConverterTableName kConverterTables[] = {
    {kEncConverterNames[kEncFrameRoman], kEncRanges[kEncFrameRoman].name},
    {kEncConverterNames[kEncShiftJis], kEncRanges[kEncShiftJis].name},
    {kEncConverterNames[kEncKsc5601], kEncRanges[kEncKsc5601].name},
    {kEncConverterNames[kEncBig5], kEncRanges[kEncBig5].name},
    {kEncConverterNames[kEncGb2312], kEncRanges[kEncGb2312].name},
    {kEncNameUtf8, kEncNameUtf8},
    {kEncNameUtf16, kEncNameUtf16},
};

bool IsUtf16(const char* name) {
    return StrEqual(name, kEncNameUtf16) != 0;
}

bool IsLocale(const char* name) {
    return StrEqual(name, kEncNameLocale) != 0;
}

const UChar* Units(const char* text) {
    return reinterpret_cast<const UChar*>(text);
}

// A new block holding n bytes and two zero bytes.
char* CopyBytes(const void* bytes, std::size_t n) {
    char* block = static_cast<char*>(MemAlloc(n + 2, kMemRaise));
    if (n)
        std::memcpy(block, bytes, n);
    block[n] = '\0';
    block[n + 1] = '\0';
    return block;
}

char* NewEmpty() {
    return CopyBytes("", 0);
}

char* CopyUnits(const char* text) {
    return CopyBytes(text, static_cast<std::size_t>(u_strlen(Units(text))) * kUnitSize);
}

// Whether a converted text is empty: null, or a first unit (16-bit for UTF-16) of 0.
bool IsEmptyText(const char* text, bool utf16) {
    if (!text)
        return true;
    if (utf16)
        return Units(text)[0] == 0;
    return text[0] == '\0';
}

void Reserve(EncOutput* output, std::size_t more) {
    std::size_t need = output->length + more + 2;
    if (need <= output->capacity)
        return;
    std::size_t capacity = output->capacity * 2 > need ? output->capacity * 2 : need;
    output->data = static_cast<char*>(MemRealloc(output->data, capacity, kMemRaise));
    std::memset(output->data + output->capacity, 0, capacity - output->capacity);
    output->capacity = capacity;
}

void Append(EncOutput* output, const void* bytes, std::size_t n) {
    Reserve(output, n);
    std::memcpy(output->data + output->length, bytes, n);
    output->length += n;
    output->data[output->length] = '\0';
    output->data[output->length + 1] = '\0';
}

// A control character goes to the output as it is: one unit for a UTF-16 target, else one byte.
void AppendControl(EncOutput* output, unsigned value, bool toUtf16) {
    if (toUtf16) {
        UChar unit = static_cast<UChar>(value);
        Append(output, &unit, sizeof unit);
    } else {
        char byte = static_cast<char>(value);
        Append(output, &byte, 1);
    }
}

UConverter* OpenConverter(const char* name) {
    UErrorCode error = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name, &error);
    if (U_FAILURE(error)) {
        if (converter)
            ucnv_close(converter);
        return nullptr;
    }
    return converter;
}

// Converts text (length bytes) to UTF-16 in a new zeroed block; null on failure. The block is
// sized 2 * length + 1 units and grows when escapes need more.
UChar* ToUnits(UConverter* converter, const char* text, std::size_t length, int32_t* units) {
    int32_t capacity = static_cast<int32_t>(2 * length + 1);
    auto* buffer =
        static_cast<UChar*>(MemCalloc(static_cast<std::size_t>(capacity), kUnitSize, kMemRaise));
    UErrorCode error = U_ZERO_ERROR;
    int32_t n =
        ucnv_toUChars(converter, buffer, capacity, text, static_cast<int32_t>(length), &error);
    if (error == U_BUFFER_OVERFLOW_ERROR) {
        MemFree(buffer);
        capacity = n + 1;
        buffer = static_cast<UChar*>(
            MemCalloc(static_cast<std::size_t>(capacity), kUnitSize, kMemRaise));
        error = U_ZERO_ERROR;
        ucnv_resetToUnicode(converter);
        n = ucnv_toUChars(converter, buffer, capacity, text, static_cast<int32_t>(length), &error);
    }
    if (U_FAILURE(error))
        return static_cast<UChar*>(MemFree(buffer));
    *units = n;
    return buffer;
}

// Converts units to the converter's encoding in a new zeroed block of at least capacity bytes;
// null on failure.
char* FromUnits(UConverter* converter, const UChar* units, std::size_t capacity,
                std::size_t* written) {
    int32_t count = u_strlen(units);
    char* target = static_cast<char*>(MemCalloc(capacity, 1, kMemRaise));
    UErrorCode error = U_ZERO_ERROR;
    int32_t n =
        ucnv_fromUChars(converter, target, static_cast<int32_t>(capacity), units, count, &error);
    if (error == U_BUFFER_OVERFLOW_ERROR) {
        MemFree(target);
        capacity = static_cast<std::size_t>(n) + 2;
        target = static_cast<char*>(MemCalloc(capacity, 1, kMemRaise));
        error = U_ZERO_ERROR;
        ucnv_resetFromUnicode(converter);
        n = ucnv_fromUChars(converter, target, static_cast<int32_t>(capacity), units, count,
                            &error);
    }
    if (U_FAILURE(error))
        return static_cast<char*>(MemFree(target));
    *written = static_cast<std::size_t>(n);
    return target;
}

} // namespace

const char* EncNameForConverter(const char* converter) {
    for (const ConverterTableName& entry : kConverterTables)
        if (StrEqual(converter, entry.converter))
            return entry.table;
    return nullptr;
}

char* EncConvertIcu(const char* text, const char* from, const char* to, std::size_t* outLength,
                    int escapeInvalid) {
    std::size_t ignored = 0;
    if (!outLength)
        outLength = &ignored;
    *outLength = 0;
    if (!text)
        return nullptr;
    const char* fromName = IsLocale(from) ? nullptr : from;
    const char* toName = IsLocale(to) ? nullptr : to;
    bool fromUtf16 = IsUtf16(fromName);
    bool toUtf16 = IsUtf16(toName);
    if (IsEmptyText(text, fromUtf16))
        return NewEmpty();
    if (StrEqual(fromName, toName))
        return fromUtf16 ? CopyUnits(text) : StrDup(text);

    const UChar* units = nullptr;
    UChar* intermediate = nullptr;
    std::size_t targetCapacity = 0;
    if (fromUtf16) {
        units = Units(text);
        targetCapacity = 4 * static_cast<std::size_t>(u_strlen(units)) + 4;
    } else {
        std::size_t bytes = StrLen(text);
        UConverter* converter = OpenConverter(fromName);
        if (!converter)
            return nullptr;
        UErrorCode error = U_ZERO_ERROR;
        if (escapeInvalid)
            ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_ESCAPE, nullptr, nullptr, nullptr,
                                &error);
        ucnv_setFallback(converter, true);
        int32_t count = 0;
        intermediate = ToUnits(converter, text, bytes, &count);
        ucnv_close(converter);
        if (!intermediate)
            return nullptr;
        *outLength = 2 * static_cast<std::size_t>(count);
        if (toUtf16)
            return reinterpret_cast<char*>(intermediate);
        units = intermediate;
        targetCapacity = 8 * bytes + 4;
    }

    UConverter* converter = OpenConverter(toName);
    if (!converter) {
        MemFree(intermediate);
        *outLength = 0;
        return nullptr;
    }
    std::size_t written = 0;
    char* target = FromUnits(converter, units, targetCapacity, &written);
    ucnv_close(converter);
    MemFree(intermediate);
    *outLength = target ? written : 0;
    return target;
}

void EncConvertChunk(char* run, std::size_t runLength, EncOutput* output, const char* from,
                     const char* to, int escapeInvalid) {
    if (runLength == 0)
        return;
    run[runLength] = '\0';
    run[runLength + 1] = '\0';
    std::size_t length = 0;
    char* converted = EncConvertIcu(run, from, to, &length, escapeInvalid);
    if (!IsEmptyText(converted, IsUtf16(to)) && length != 0)
        Append(output, converted, length);
    MemFree(converted);
}

char* EncConvert(const char* src, const char* from, const char* to, int keepControls,
                 int escapeInvalid) {
    if (!src)
        return nullptr;
    if (!from || *from == '\0' || !to || *to == '\0')
        return CopyBytes(src, StrLen(src));
    bool fromUtf16 = IsUtf16(from);
    bool toUtf16 = IsUtf16(to);
    if (IsEmptyText(src, fromUtf16))
        return NewEmpty();
    if (StrEqual(from, kEncNameUtf8) && !Utf8IsValid(src)) {
        if (toUtf16) {
            const UChar unknown[] = {'?', '?', '?', 0};
            return CopyBytes(unknown, 3 * kUnitSize);
        }
        return CopyBytes("???", 3);
    }
    if (StrEqual(from, to))
        return fromUtf16 ? CopyUnits(src) : CopyBytes(src, StrLen(src));

    std::size_t n = fromUtf16 ? static_cast<std::size_t>(u_strlen(Units(src))) : StrLen(src);
    // The run holds at most the whole source and two terminating zero bytes. The output starts
    // at four bytes per source unit and grows when escapes need more.
    std::size_t bufferSize = 4 * n + 4;
    EncOutput output = {static_cast<char*>(MemCalloc(bufferSize, 1, kMemRaise)), 0, bufferSize};
    // The run buffer's failure raises as the raise flag does, but the output buffer goes back
    // first: nothing catches the raise, and a host that survives it must not lose the buffer.
    char* run = static_cast<char*>(MemCalloc(bufferSize, 1, 0));
    if (!run) {
        MemFree(output.data);
        RaiseAllocationFailure();
    }
    std::size_t runLength = 0;
    bool keep = keepControls || IsLocale(from) || IsLocale(to);

    auto control = [&](unsigned value) {
        EncConvertChunk(run, runLength, &output, from, to, escapeInvalid);
        runLength = 0;
        AppendControl(&output, value, toUtf16);
    };
    if (fromUtf16) {
        const UChar* units = Units(src);
        for (std::size_t i = 0; i < n; ++i) {
            if (units[i] < kFirstNonControl && !keep) {
                control(units[i]);
                continue;
            }
            std::memcpy(run + runLength, &units[i], kUnitSize);
            runLength += kUnitSize;
        }
    } else {
        bool utf8 = StrEqual(from, kEncNameUtf8) != 0;
        int encoding = utf8 ? kEncUtf8 : EncIndexByName(EncNameForConverter(from));
        for (std::size_t i = 0; i < n;) {
            auto lead = static_cast<unsigned char>(src[i]);
            std::size_t step = IsLocale(from) ? 1 : EncCharStep(src, i, encoding);
            if (step == 1 && lead < kFirstNonControl && !keep) {
                control(lead);
                i += 1;
                continue;
            }
            std::memcpy(run + runLength, src + i, step);
            runLength += step;
            i += step;
        }
    }
    EncConvertChunk(run, runLength, &output, from, to, escapeInvalid);
    MemFree(run);

    if (output.length == 0 || IsEmptyText(output.data, toUtf16)) {
        MemFree(output.data);
        return NewEmpty();
    }
    // The output always keeps two zero bytes after its length.
    return output.data;
}

char* EncToUtf8(const char* src, int encoding) {
    const char* from =
        encoding >= 0 && encoding < kEncCount ? kEncConverterNames[encoding] : nullptr;
    return EncConvert(src, from, kEncNameUtf8, 0, 0);
}

char* EncCurrentToUtf8(const char* src) {
    return EncToUtf8(src, EncCurrent);
}

void ConsolePrint(const char* text) {
    if (!text)
        return;
    if (EncCurrent == kEncUtf8) {
        if (ConsoleCallback)
            ConsoleCallback(text);
        return;
    }
    char* utf8 = EncToUtf8(text, EncCurrent);
    if (ConsoleCallback)
        ConsoleCallback(utf8);
    MemFree(utf8);
}
