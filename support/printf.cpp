#include "support/printf.h"

#include "support/enc.h"
#include "support/mem.h"
#include "support/str.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char kConversionLetters[] = "dioxXucsfeEgGp%nC";
constexpr const char kFlagLetters[] = "-+ #0'";
constexpr const char kLengthLetters[] = "hlLqjzt";
constexpr std::size_t kIntScratchSize = 16;

enum class ArgKind { None, Int, Pointer, Double };

bool IsIn(const char* set, char c) {
    return c != '\0' && std::strchr(set, c) != nullptr;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

ArgKind KindOf(char letter) {
    switch (letter) {
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
    case 'c':
        return ArgKind::Int;
    case 'e':
    case 'E':
    case 'f':
    case 'g':
    case 'G':
        return ArgKind::Double;
    case 'p':
    case 's':
    case 'C':
    case 'n':
        return ArgKind::Pointer;
    default:
        return ArgKind::None;
    }
}

void SkipArgument(char letter, va_list* cursor) {
    switch (KindOf(letter)) {
    case ArgKind::Int:
        (void)va_arg(*cursor, int);
        break;
    case ArgKind::Double:
        (void)va_arg(*cursor, double);
        break;
    case ArgKind::Pointer:
        (void)va_arg(*cursor, void*);
        break;
    case ArgKind::None:
        break;
    }
}

// Reads decimal digits at *p; false when the value does not fit an int.
bool ReadNumber(const char*& p, const char* end, long* value) {
    long v = 0;
    while (p < end && IsDigit(*p)) {
        v = v * 10 + (*p - '0');
        if (v > INT_MAX)
            return false;
        ++p;
    }
    *value = v;
    return true;
}

// A directive after "*" expansion, rewritten into the form the standard formatter gets:
// "%", each flag once, the width, the precision, h or hh on integer conversions, the letter.
struct NormalDirective {
    char text[kPrintfSpecSize];
    std::size_t length;
    char letter;
    int shortCount; // how many "h" modifiers were written
    bool flags[sizeof kFlagLetters];
    long width;     // -1: none
    long precision; // -1: none
};

// Writes the text of the directive from its parts.
void WriteDirective(NormalDirective* out) {
    // At most "%" + 6 flags + 10 + "." + 10 + "hh" + letter: always inside the 64 bytes.
    char* w = out->text;
    *w++ = '%';
    for (std::size_t i = 0; i + 1 < sizeof kFlagLetters; ++i)
        if (out->flags[i])
            *w++ = kFlagLetters[i];
    if (out->width >= 0)
        w += std::snprintf(w, 12, "%ld", out->width);
    if (out->precision >= 0)
        w += std::snprintf(w, 13, ".%ld", out->precision);
    if (KindOf(out->letter) == ArgKind::Int && out->letter != 'c')
        for (int i = 0; i < out->shortCount && i < 2; ++i)
            *w++ = 'h';
    *w++ = out->letter;
    *w = '\0';
    out->length = static_cast<std::size_t>(w - out->text);
}

bool NormaliseDirective(const char* directive, std::size_t len, NormalDirective* out) {
    const char* p = directive;
    const char* end = directive + len;
    if (len < 2 || *p != '%')
        return false;
    ++p;
    for (bool& flag : out->flags)
        flag = false;
    while (p < end && IsIn(kFlagLetters, *p)) {
        out->flags[std::strchr(kFlagLetters, *p) - kFlagLetters] = true;
        ++p;
    }
    long width = -1;
    if (p < end && IsDigit(*p) && !ReadNumber(p, end, &width))
        return false;
    long precision = -1;
    bool hasPrecision = false;
    if (p < end && *p == '.') {
        ++p;
        bool negative = p < end && *p == '-';
        if (negative)
            ++p;
        if (!ReadNumber(p, end, &precision))
            return false;
        // A negative precision (from "*") counts as none, as in the standard formatter.
        hasPrecision = !negative;
    }
    int shortCount = 0;
    while (p < end && IsIn(kLengthLetters, *p)) {
        if (*p == 'h')
            ++shortCount;
        ++p;
    }
    if (p != end - 1 || !IsIn(kConversionLetters, *p))
        return false;
    out->letter = *p;
    out->shortCount = shortCount;
    out->width = width;
    out->precision = hasPrecision ? precision : -1;
    WriteDirective(out);
    return true;
}

bool GrowOutput(PrintfOutput* out, std::size_t need) {
    if (need <= out->size)
        return true;
    void* block = out->onHeap ? MemRealloc(out->data, need, 0) : MemAlloc(need, 0);
    if (!block)
        return false;
    out->data = static_cast<char*>(block);
    out->size = need;
    out->onHeap = true;
    return true;
}

template <typename T>
std::ptrdiff_t FormatValue(PrintfOutput* out, const char* directive, T value) {
    int n = std::snprintf(out->data, out->size, directive, value);
    if (n < 0) { // the formatter refused (a field beyond int): nothing is output
        out->data[0] = '\0';
        return 0;
    }
    std::size_t need = static_cast<std::size_t>(n) + 1;
    if (need > out->size) {
        if (!GrowOutput(out, need))
            return -1;
        n = std::snprintf(out->data, out->size, directive, value);
    }
    return n;
}

std::size_t BoundedLength(const char* s, std::size_t limit) {
    std::size_t n = 0;
    while (n < limit && s[n] != '\0')
        ++n;
    return n;
}

void StoreCount(void* target, int shortCount, std::size_t total) {
    if (!target)
        return;
    if (shortCount == 1)
        *static_cast<std::int16_t*>(target) = static_cast<std::int16_t>(total);
    else if (shortCount >= 2)
        *static_cast<std::int8_t*>(target) = static_cast<std::int8_t>(total);
    else
        *static_cast<std::int32_t*>(target) = static_cast<std::int32_t>(total);
}

// Bounding the work. A conversion's output matters only as far as the sink can still take it
// (room bytes); a width or precision far beyond that (up to 2147483647) would otherwise make
// the standard formatter write, and this engine allocate, gigabytes for a few bytes of output.
// Such a directive is rewritten so that its output keeps the same first room + slack bytes: the
// padding is cut to what can be seen, and a precision to what shows its first digits exactly.
constexpr long kBoundSlack = 16; // lets the sink see a cut inside a multibyte character
// Longest output of a numeric conversion without width, beyond its precision digits (a sign, a
// prefix, 309 integer digits of a double, an exponent).
constexpr long kNumberOverhead = 400;
// Precision that an integer conversion pads with zeros and that a double's digits reach exactly
// (a double's decimal expansion ends within 1074 fraction digits).
constexpr long kIntMeasurePrecision = 64;
constexpr long kDoubleExactPrecision = 1100;
constexpr std::size_t kMeasureSize = kDoubleExactPrecision + kNumberOverhead + 64;

const char* PeekString(va_list* cursor) {
    va_list peek;
    va_copy(peek, *cursor);
    const char* s = va_arg(peek, const char*);
    va_end(peek);
    return s ? s : "";
}

// The length of a numeric conversion's output without its width, measured with a precision cut
// to one whose output is short; *extra is what the full precision adds (zeros only).
long MeasureNumber(NormalDirective conv, va_list* cursor, long* extra) {
    ArgKind kind = KindOf(conv.letter);
    long cut = kind == ArgKind::Double ? kDoubleExactPrecision : kIntMeasurePrecision;
    *extra = 0;
    if (conv.letter == 'c') {
        conv.precision = -1; // ignored by the formatter
    } else if (conv.precision > cut) {
        bool zerosKept = kind != ArgKind::Double || (conv.letter != 'g' && conv.letter != 'G') ||
                         conv.flags[std::strchr(kFlagLetters, '#') - kFlagLetters];
        *extra = zerosKept ? conv.precision - cut : 0;
        conv.precision = cut;
    }
    conv.width = -1;
    WriteDirective(&conv);
    char measured[kMeasureSize];
    va_list peek;
    va_copy(peek, *cursor);
    int n = 0;
    if (kind == ArgKind::Double)
        n = std::snprintf(measured, sizeof measured, conv.text, va_arg(peek, double));
    else if (kind == ArgKind::Pointer)
        n = std::snprintf(measured, sizeof measured, conv.text, va_arg(peek, void*));
    else
        n = std::snprintf(measured, sizeof measured, conv.text, va_arg(peek, int));
    va_end(peek);
    return n < 0 ? 0 : n;
}

void BoundDirective(NormalDirective* conv, std::size_t room, va_list* cursor) {
    if (room >= static_cast<std::size_t>(INT_MAX))
        return; // an unbounded sink takes whatever the directive asks for
    const long keep = static_cast<long>(room) + kBoundSlack;
    long length = 0;    // the conversion's output without its width
    long shortened = 0; // the same with the precision cut
    long precision = conv->precision;
    if (conv->letter == 's') {
        std::size_t limit = conv->precision >= 0 ? static_cast<std::size_t>(conv->precision)
                                                 : static_cast<std::size_t>(-1);
        length = static_cast<long>(BoundedLength(PeekString(cursor), limit));
        if (length <= keep && conv->width <= keep + length)
            return;
        precision = length < keep ? length : keep;
        shortened = precision;
    } else if (conv->letter == 'C') {
        // A character of at most four bytes: only the padding needs a cut.
        if (conv->width <= keep + kBoundSlack && conv->precision <= kBoundSlack)
            return;
        if (conv->precision > kBoundSlack)
            conv->precision = kBoundSlack;
        if (conv->width > keep + kBoundSlack)
            conv->width = keep + kBoundSlack;
        WriteDirective(conv);
        return;
    } else if (KindOf(conv->letter) == ArgKind::None || conv->letter == 'n') {
        return;
    } else {
        const long limit = keep + static_cast<long>(kMeasureSize);
        if (conv->width <= limit && conv->precision <= limit)
            return;
        long extra = 0;
        length = MeasureNumber(*conv, cursor, &extra) + extra;
        shortened = length;
        bool isDouble = KindOf(conv->letter) == ArgKind::Double;
        long exact = isDouble ? kDoubleExactPrecision : kIntMeasurePrecision;
        if (extra > 0 && conv->precision > keep + exact) {
            // Zeros (or exact digits) beyond what can be seen: fewer of them show the same.
            precision = keep + exact;
            shortened = length - (conv->precision - precision);
        } else if (extra == 0 && isDouble && conv->precision > kDoubleExactPrecision) {
            precision = kDoubleExactPrecision; // trailing zeros are dropped: the same output
        }
    }
    long padding = conv->width > length ? conv->width - length : 0;
    if (padding > keep)
        padding = keep;
    conv->precision = precision;
    conv->width = padding > 0 ? shortened + padding : -1;
    WriteDirective(conv);
}

} // namespace

std::ptrdiff_t PrintfExpandStars(const char* directive, std::size_t len, char* out,
                                 std::size_t outSize, va_list* cursor) {
    std::size_t w = 0;
    bool fits = outSize > 0;
    auto put = [&](const char* text, std::size_t n) {
        if (!fits || w + n >= outSize) {
            fits = false;
            return;
        }
        std::memcpy(out + w, text, n);
        w += n;
    };
    for (std::size_t i = 0; i < len; ++i) {
        if (directive[i] == '*') {
            char number[kIntScratchSize];
            int n = std::snprintf(number, sizeof number, "%ld",
                                  static_cast<long>(va_arg(*cursor, int)));
            put(number, static_cast<std::size_t>(n));
        } else {
            put(directive + i, 1);
        }
    }
    if (outSize > 0)
        out[w] = '\0';
    return fits ? static_cast<std::ptrdiff_t>(w) : -1;
}

std::size_t PrintfStringWidth(const char* directive, va_list* cursor) {
    if (!directive || *directive != '%')
        return 0;
    va_list peek;
    va_copy(peek, *cursor);
    const char* s = va_arg(peek, const char*);
    va_end(peek);
    const char* p = directive + 1;
    while (IsIn(kFlagLetters, *p))
        ++p;
    std::size_t width = 0;
    while (IsDigit(*p))
        width = width * 10 + static_cast<std::size_t>(*p++ - '0');
    std::size_t precision = 2147483647;
    if (*p == '.' && IsDigit(p[1])) {
        ++p;
        precision = 0;
        while (IsDigit(*p))
            precision = precision * 10 + static_cast<std::size_t>(*p++ - '0');
    }
    // The string is measured only as far as the precision lets the formatter read it.
    std::size_t length = s ? BoundedLength(s, precision) : 0;
    return width > length ? width : length;
}

std::ptrdiff_t PrintfFormatOne(PrintfOutput* out, const char* directive, std::size_t len,
                               va_list* cursor) {
    if (len == 0 || len >= kPrintfSpecSize) {
        out->data[0] = '\0';
        return 0;
    }
    char letter = directive[len - 1];
    if (letter == 's') {
        const char* s = va_arg(*cursor, const char*);
        return FormatValue(out, directive, s ? s : "");
    }
    if (letter == 'C') {
        // The first UTF-8 character, formatted as a string. Sequences announced as five or six
        // bytes and sequences cut short by the terminator are not characters: nothing is printed.
        const char* s = va_arg(*cursor, const char*);
        char character[5] = {};
        if (s && EncCurrent == kEncUtf8) {
            std::size_t n = static_cast<std::size_t>(Utf8SeqLen(static_cast<unsigned char>(*s)));
            if (n <= 4 && BoundedLength(s, n) == n)
                std::memcpy(character, s, n);
        }
        char asString[kPrintfSpecSize];
        std::memcpy(asString, directive, len);
        asString[len - 1] = 's';
        asString[len] = '\0';
        return FormatValue(out, asString, static_cast<const char*>(character));
    }
    if (letter == '%') {
        out->data[0] = '%';
        out->data[1] = '\0';
        return 1;
    }
    switch (KindOf(letter)) {
    case ArgKind::Int:
        return FormatValue(out, directive, va_arg(*cursor, int));
    case ArgKind::Double:
        return FormatValue(out, directive, va_arg(*cursor, double));
    case ArgKind::Pointer:
        return FormatValue(out, directive, va_arg(*cursor, void*));
    case ArgKind::None:
        break;
    }
    out->data[0] = '\0';
    return 0;
}

std::size_t FormatToSink(PrintfSink sink, void* context, const char* format, va_list arguments) {
    return FormatToSinkWithin(sink, context, format, arguments, static_cast<std::size_t>(-1));
}

std::size_t FormatToSinkWithin(PrintfSink sink, void* context, const char* format,
                               va_list arguments, std::size_t room) {
    const char* f = format ? format : "";
    va_list cursor;
    va_copy(cursor, arguments);
    char fixed[kPrintfOutputSize];
    PrintfOutput out = {fixed, sizeof fixed, false};
    std::size_t total = 0;
    for (;;) {
        const char* percent = std::strchr(f, '%');
        std::size_t run = percent ? static_cast<std::size_t>(percent - f) : std::strlen(f);
        total += sink(context, f, run);
        if (!percent)
            break;
        const char* last = percent + 1;
        while (*last != '\0' && !IsIn(kConversionLetters, *last))
            ++last;
        if (*last == '\0') { // the format ends inside the directive: output it as written
            total += sink(context, percent, static_cast<std::size_t>(last - percent));
            break;
        }
        std::size_t rawLength = static_cast<std::size_t>(last - percent) + 1;
        f = last + 1;

        char expanded[kPrintfStarSize];
        std::ptrdiff_t expandedLength =
            PrintfExpandStars(percent, rawLength, expanded, sizeof expanded, &cursor);
        NormalDirective directive;
        if (expandedLength < 0 ||
            !NormaliseDirective(expanded, static_cast<std::size_t>(expandedLength), &directive)) {
            SkipArgument(*last, &cursor);
            total += sink(context, percent, rawLength);
            continue;
        }
        if (directive.letter == 'n') {
            StoreCount(va_arg(cursor, void*), directive.shortCount, total);
            continue;
        }
        BoundDirective(&directive, room > total ? room - total : 0, &cursor);
        if (directive.letter == 's' &&
            !GrowOutput(&out, PrintfStringWidth(directive.text, &cursor) + 1)) {
            break;
        }
        if (PrintfFormatOne(&out, directive.text, directive.length, &cursor) < 0)
            break;
        total += sink(context, out.data, StrLen(out.data));
    }
    va_end(cursor);
    if (out.onHeap)
        MemFree(out.data);
    return total;
}

std::size_t BufferSink(void* context, const char* text, std::size_t len) {
    auto* sink = static_cast<BufferSinkContext*>(context);
    if (sink->capacity <= 0 || len == 0)
        return 0;
    std::size_t capacity = static_cast<std::size_t>(sink->capacity);
    std::size_t n = len;
    if (len > capacity) {
        n = EncFitLength(text, len, capacity, EncCurrent);
        sink->capacity = 0;
    } else {
        sink->capacity -= static_cast<std::int32_t>(len);
    }
    std::memcpy(sink->position, text, n);
    sink->position += n;
    return n;
}

std::size_t StrPrintf(char* buffer, const char* format, ...) {
    BufferSinkContext context = {buffer, buffer ? kPrintfUnbounded : -1};
    va_list arguments;
    va_start(arguments, format);
    std::size_t total = FormatToSink(BufferSink, &context, format, arguments);
    va_end(arguments);
    if (buffer)
        *context.position = '\0';
    return total;
}

std::size_t StrPrintfN(char* buffer, std::size_t size, const char* format, ...) {
    if (!buffer || size == 0)
        return 0;
    std::size_t capacity = size - 1;
    if (capacity > static_cast<std::size_t>(kPrintfUnbounded))
        capacity = static_cast<std::size_t>(kPrintfUnbounded);
    BufferSinkContext context = {buffer, static_cast<std::int32_t>(capacity)};
    va_list arguments;
    va_start(arguments, format);
    std::size_t total = FormatToSinkWithin(BufferSink, &context, format, arguments, capacity);
    va_end(arguments);
    *context.position = '\0';
    return total;
}

std::size_t StrAppendInt(char* dst, int value, std::size_t size) {
    if (!dst)
        return 0;
    char scratch[kIntScratchSize];
    StrPrintf(scratch, "%d", value);
    return StrAppendN(dst, scratch, size);
}
