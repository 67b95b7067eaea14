// The encodings' fuzz target: any input is text in each of the six encodings in turn. Stepping by
// characters must move forward by one to six bytes and never past the terminator, and agree with
// the second-byte test; bounded copies and fits must stay within their limits; conversion to
// UTF-8 must give valid UTF-8 (or "???" for invalid UTF-8), and conversion from UTF-8 and through
// UTF-16 must end, whatever the bytes.
#include "fuzz/fuzz_target.h"
#include "support/enc.h"
#include "support/enc_convert.h"
#include "support/mem.h"
#include "support/str.h"

#include <unicode/putil.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

// Conversion repeats the input's bytes several times over; longer inputs are cut to this.
constexpr std::size_t kMaxText = 16384;
// The longest UTF-8 sequence a lead byte announces (the old five- and six-byte forms).
constexpr std::size_t kMaxStep = 6;

char* InstallDirectory(ObjectId, ObjectId, std::int32_t) {
    return StrDup(LX_FUZZ_INSTALL_DIR);
}

void Release(char* converted) {
    MemFree(converted);
}

} // namespace

LX_FUZZ_TARGET(input) {
    static const int started = [] {
        EncHostGetString = InstallDirectory;
        return EncStartup();
    }();
    FuzzCheck(started == 0, "the converters of the build tree were not found");
    const std::string text(input.substr(0, input.find('\0')).substr(0, kMaxText));
    const std::size_t length = text.size();
    // The limit of the bounded routines comes from the input's length.
    const std::size_t limit = 1 + length % 97;

    for (int encoding = 0; encoding < kEncCount; ++encoding) {
        std::size_t characters = 0;
        for (std::size_t pos = 0; pos < length;) {
            const std::size_t step = EncCharStep(text.c_str(), pos, encoding);
            FuzzCheck(step >= 1 && step <= kMaxStep, "a character step of no or too many bytes");
            FuzzCheck(pos + step <= length, "a character step past the terminator");
            for (std::size_t k = 1; k < step && encoding != kEncUtf8; ++k)
                FuzzCheck(
                    EncIsSecondByte(text.c_str(), static_cast<std::ptrdiff_t>(pos + k), encoding),
                    "a character's second byte not taken for one");
            pos += step;
            ++characters;
        }
        FuzzCheck(characters <= length, "more characters than bytes");

        const std::size_t fit = EncFitLength(text.c_str(), length, limit, encoding);
        FuzzCheck(fit <= limit && fit <= length, "a fit longer than its limit");
        std::unique_ptr<char[]> copy(new char[limit]);
        const std::size_t copied = StrCopyNEnc(copy.get(), text.c_str(), limit, encoding);
        FuzzCheck(copied < limit && std::memchr(copy.get(), '\0', limit) != nullptr,
                  "a bounded copy ran past its buffer");
        StrFindLastEnc(text.c_str(), '/', '\\', encoding);

        const char* name = kEncConverterNames[encoding];
        char* utf8 = EncConvert(text.c_str(), name, kEncNameUtf8, encoding % 2, encoding % 3 == 0);
        FuzzCheck(utf8 != nullptr && Utf8IsValid(utf8), "a conversion to UTF-8 is not UTF-8");
        char* back = EncConvert(utf8, kEncNameUtf8, name, 0, 1);
        char* units = EncConvert(text.c_str(), name, kEncNameUtf16, 0, 0);
        char* again = EncConvert(units, kEncNameUtf16, name, 1, 0);
        Release(utf8);
        Release(back);
        Release(units);
        Release(again);
    }
}
