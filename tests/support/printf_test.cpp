#include "support/printf.h"

#include "enc_scope.h"

#include "support/enc.h"
#include "support/mem.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

TEST(Printf, ConversionsThatAreEasyToGetWrong) {
    struct Case {
        std::string expected;
        std::size_t written;
        std::string actual;
    };
    char b[512];
    std::vector<Case> cases;
    auto add = [&](std::size_t n, const char* expected) { cases.push_back({expected, n, b}); };
    add(StrPrintf(b, "%.1f", 65.26), "65.3");
    add(StrPrintf(b, "%.1f", 0.05), "0.1");
    add(StrPrintf(b, "%d%%", 5), "5%");
    add(StrPrintf(b, "%*d", 5, 42), "   42");
    add(StrPrintf(b, "%-*d|", 4, 7), "7   |");
    add(StrPrintf(b, "%.*f", 2, 3.14159), "3.14");
    add(StrPrintf(b, "%*d", -3, 1), "1  "); // a negative width from "*" left-justifies
    add(StrPrintf(b, "%.*d", -1, 5), "5");  // a negative precision counts as none
    add(StrPrintf(b, "[%s][%5s][%.2s]", "ab", "cd", "efgh"), "[ab][   cd][ef]");
    add(StrPrintf(b, "%s|%s", static_cast<const char*>(nullptr), "x"), "|x");
    add(StrPrintf(b, "%c%c", 'o', 'k'), "ok");
    add(StrPrintf(b, "%x %X %o %u", 255, 255, 8, 3u), "ff FF 10 3");
    add(StrPrintf(b, "%ld %lld %d", 1, 2, 3), "1 2 3"); // length modifiers do not change the walk
    add(StrPrintf(b, "%hd", 65537), "1");
    add(StrPrintf(b, "%e", 1.5), "1.500000e+00");
    add(StrPrintf(b, "abc%"), "abc%");            // a lone trailing "%"
    add(StrPrintf(b, "x%-5"), "x%-5");            // a format ending inside a directive
    add(StrPrintf(b, "%1$d|%d", 7, 8), "%1$d|8"); // positional arguments are not formatted
    add(StrPrintf(b, "%yd|%d", 7, 8), "%yd|8");
    add(StrPrintf(b, "%99999999999d|%d", 1, 2), "%99999999999d|2");
    add(StrPrintf(b, nullptr), "");
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
        EXPECT_EQ(c.written, c.expected.size()) << c.expected;
    }
}

TEST(Printf, CountConversionsStoreTheirSizeOnly) {
    char b[64];
    std::int32_t full = -1;
    struct {
        std::int16_t value;
        std::int16_t guard;
    } half = {-1, 0x5A5A};
    struct {
        std::int8_t value;
        std::int8_t guard;
    } quarter = {-1, 0x5A};
    EXPECT_EQ(StrPrintf(b, "abc%n-%hn-%hhn", &full, &half.value, &quarter.value), 5u);
    EXPECT_STREQ(b, "abc--");
    EXPECT_EQ(full, 3);
    EXPECT_EQ(half.value, 4);
    EXPECT_EQ(half.guard, 0x5A5A);
    EXPECT_EQ(quarter.value, 5);
    EXPECT_EQ(quarter.guard, 0x5A);
    EXPECT_EQ(StrPrintf(b, "a%nb", static_cast<int*>(nullptr)), 2u);
}

TEST(Printf, OutputBeyondTheFixedBuffersGrowsInsteadOfOverflowing) {
    std::string longWord(1000, 'w');
    std::vector<char> b(20000);
    EXPECT_EQ(StrPrintf(b.data(), "<%s>", longWord.c_str()), 1002u);
    EXPECT_EQ(std::string(b.data()), "<" + longWord + ">");

    EXPECT_EQ(StrPrintf(b.data(), "%-300s|", "short"), 301u);
    EXPECT_EQ(std::string(b.data()), "short" + std::string(295, ' ') + "|");

    EXPECT_EQ(StrPrintf(b.data(), "%-5000d|", 42), 5001u);
    EXPECT_EQ(std::string(b.data()), "42" + std::string(4998, ' ') + "|");

    char expected[400];
    std::snprintf(expected, sizeof expected, "%f", 1e308);
    EXPECT_EQ(StrPrintf(b.data(), "%f", 1e308), std::string(expected).size());
    EXPECT_STREQ(b.data(), expected);

    EXPECT_EQ(StrPrintf(b.data(), "%.600f", 1.0), 602u);

    // A directive longer than the star-expansion buffer is output as written, and the walk
    // stays in step with the arguments.
    std::string directive = "%" + std::string(1100, '0') + "5d";
    std::string format = directive + "|%d";
    std::size_t n = StrPrintf(b.data(), format.c_str(), 1, 2);
    EXPECT_EQ(std::string(b.data()), directive + "|2");
    EXPECT_EQ(n, directive.size() + 2);
}

TEST(Printf, CharacterConversionPrintsUtf8OnlyInUtf8) {
    char b[32];
    {
        EncodingScope utf8("UTF-8");
        EXPECT_EQ(StrPrintf(b, "[%C]", "\xC3\xA9tude"), 4u);
        EXPECT_STREQ(b, "[\xC3\xA9]");
        StrPrintf(b, "[%3C]", "a");
        EXPECT_STREQ(b, "[  a]");
        StrPrintf(b, "[%C][%C][%C]", "\xF8\x88\x80\x80\x80", "\xE2\x82", nullptr);
        EXPECT_STREQ(b, "[][][]"); // five-byte lead, cut sequence, null: nothing
    }
    EncodingScope roman("FrameRoman");
    EXPECT_EQ(StrPrintf(b, "[%C]", "\xC3\xA9"), 2u);
    EXPECT_STREQ(b, "[]");
}

TEST(Printf, NullAndBoundedBuffers) {
    EXPECT_EQ(StrPrintf(nullptr, "abc"), 0u);
    EXPECT_EQ(StrPrintf(nullptr, "%d", 12345), 0u);

    char b[8] = "xxxxxxx";
    EXPECT_EQ(StrPrintfN(b, 5, "%s-%d", "abc", 12), 4u);
    EXPECT_STREQ(b, "abc-");
    EncodingScope utf8("UTF-8");
    // The cut falls inside a two-byte character: it is left out, and so is everything after.
    EXPECT_EQ(StrPrintfN(b, 3, "a\xC3\xA9%s", "b"), 1u);
    EXPECT_STREQ(b, "a");
}

TEST(Printf, BufferSinkNeverSplitsADoubleByteCharacter) {
    EncodingScope sjis("JISX0208.ShiftJIS");
    char b[8] = {};
    BufferSinkContext context = {b, 2};
    // 0x41, then the pair 0x81 0x40: only the single byte fits whole.
    EXPECT_EQ(BufferSink(&context, "\x41\x81\x40", 3), 1u);
    EXPECT_EQ(BufferSink(&context, "z", 1), 0u);
    EXPECT_EQ(context.position, b + 1);
}

TEST(Printf, AppendIntKeepsWithinSize) {
    char b[8] = "ab";
    EXPECT_EQ(StrAppendInt(b, -123, sizeof b), 6u);
    EXPECT_STREQ(b, "ab-123");
    EXPECT_EQ(StrAppendInt(b, 4567, sizeof b), 7u);
    EXPECT_STREQ(b, "ab-1234");
    EXPECT_EQ(StrAppendInt(nullptr, 1, 4), 0u);
}

// Widths and precisions up to 2147483647 cost no more than the bytes the buffer can take: the
// output is the standard one cut to the buffer, made without a heap block where it fits the
// engine's fixed storage (the countdown fails the first allocation, so growing would show).
TEST(Printf, HugeWidthsAndPrecisionsAreBoundedByTheBuffer) {
    struct Case {
        const char* format;
        std::string expected;
        bool withinFixedStorage;
    };
    const std::string spaces(63, ' ');
    const std::string zeros(63, '0');
    const Case ints[] = {
        {"%2147483647d", spaces, true},
        {"%-2147483647d|", "5" + std::string(62, ' '), true},
        {"%.2147483647d", zeros, true},
        {"%02147483647d", zeros, true},
        {"%2147483647.2147483600d", std::string(47, ' ') + std::string(16, '0'), true},
        {"%*d", spaces, true},
    };
    char b[64];
    for (const Case& c : ints) {
        AllocFailCountdown = c.withinFixedStorage ? 1 : 0;
        std::size_t n = std::string(c.format) == "%*d"
                            ? StrPrintfN(b, sizeof b, c.format, 2147483647, 5)
                            : StrPrintfN(b, sizeof b, c.format, 5);
        AllocFailCountdown = 0;
        EXPECT_EQ(std::string(b), c.expected) << c.format;
        EXPECT_EQ(n, 63u) << c.format;
    }
    StrPrintfN(b, sizeof b, "%+.2147483647d", -5);
    EXPECT_EQ(std::string(b), "-" + std::string(62, '0'));
    StrPrintfN(b, sizeof b, "%.2147483647f", 0.5);
    EXPECT_EQ(std::string(b), "0.5" + std::string(60, '0'));
    StrPrintfN(b, sizeof b, "%.2147483647e", 0.5);
    EXPECT_EQ(std::string(b), "5." + std::string(61, '0'));
    StrPrintfN(b, sizeof b, "%.2147483647g", 0.1); // the exact expansion, zeros dropped
    EXPECT_STREQ(b, "0.1000000000000000055511151231257827021181583404541015625");
    StrPrintfN(b, sizeof b, "%#.2147483647g|", 0.5);
    EXPECT_EQ(std::string(b), "0.5" + std::string(60, '0'));
    StrPrintfN(b, sizeof b, "%-2147483647s|", "abc");
    EXPECT_EQ(std::string(b), "abc" + std::string(60, ' '));
    StrPrintfN(b, sizeof b, "%2147483647.2s|", "abc");
    EXPECT_EQ(std::string(b), spaces);
    StrPrintfN(b, sizeof b, "%.2147483647s|", "abc");
    EXPECT_STREQ(b, "abc|");
    std::string longText(100000, 'x');
    AllocFailCountdown = 1;
    EXPECT_EQ(StrPrintfN(b, sizeof b, "%s", longText.c_str()), 63u);
    AllocFailCountdown = 0;
    EXPECT_EQ(std::string(b), std::string(63, 'x'));
    // Ordinary directives are untouched: the same as the standard formatter's output.
    char expected[128];
    std::snprintf(expected, sizeof expected, "%-20.3f|%08.2e|%5s|", 3.14159, -2.5, "ab");
    StrPrintfN(b, sizeof b, "%-20.3f|%08.2e|%5s|", 3.14159, -2.5, "ab");
    EXPECT_STREQ(b, expected);
}

} // namespace
