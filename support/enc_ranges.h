// The byte ranges of the six encodings' two-byte characters: which byte values can begin one
// (lead bytes) and which can end one (second bytes). Both the encoding tables of the support
// library and the build-time generator of the host converters are made from this one list.
#pragma once

#include <cstdint>

struct EncByteRange {
    std::uint8_t first;
    std::uint8_t last;
};

// At most two ranges per side; a range with first > last is unused.
struct EncRanges {
    const char* name;
    EncByteRange lead[2];
    EncByteRange second[2];
    // A value inside the second-byte ranges that is nevertheless never a second byte (0 for none).
    std::uint8_t secondHole;
};

constexpr int kEncFrameRoman = 0;
constexpr int kEncShiftJis = 1;
constexpr int kEncKsc5601 = 2;
constexpr int kEncBig5 = 3;
constexpr int kEncGb2312 = 4;
constexpr int kEncUtf8 = 5;
constexpr int kEncCount = 6;

constexpr EncByteRange kNoRange = {0xFF, 0x00};

// In index order. FrameRoman and UTF-8 have no two-byte characters in this sense (UTF-8 is cut by
// its sequence rules instead).
constexpr EncRanges kEncRanges[kEncCount] = {
    {"FrameRoman", {kNoRange, kNoRange}, {kNoRange, kNoRange}, 0},
    {"JISX0208.ShiftJIS", {{0x81, 0x9F}, {0xE0, 0xFC}}, {{0x40, 0xFC}, kNoRange}, 0x7F},
    {"KSC5601-1992", {{0xA1, 0xFE}, kNoRange}, {{0xA1, 0xFE}, kNoRange}, 0},
    {"BIG5", {{0xA1, 0xFE}, kNoRange}, {{0x40, 0x7E}, {0xA1, 0xFE}}, 0},
    {"GB2312-80.EUC", {{0x81, 0xFE}, kNoRange}, {{0x40, 0xFE}, kNoRange}, 0},
    {"UTF-8", {kNoRange, kNoRange}, {kNoRange, kNoRange}, 0},
};

constexpr bool EncRangeHas(const EncByteRange (&ranges)[2], unsigned byte) {
    for (const EncByteRange& r : ranges)
        if (byte >= r.first && byte <= r.last)
            return true;
    return false;
}

constexpr bool EncRangesIsLead(const EncRanges& e, unsigned byte) {
    return EncRangeHas(e.lead, byte);
}

constexpr bool EncRangesIsSecond(const EncRanges& e, unsigned byte) {
    return EncRangeHas(e.second, byte) && !(e.secondHole != 0 && byte == e.secondHole);
}
