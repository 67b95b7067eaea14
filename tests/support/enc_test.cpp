#include "support/enc.h"

#include "enc_scope.h"

#include "platform/paths.h"
#include "support/str.h"

#include <gtest/gtest.h>
#include <unicode/putil.h>

#include <memory>
#include <string>

namespace {

// A heap copy of exactly the string's bytes and terminator, so that reading past it is caught.
struct HeapString {
    explicit HeapString(const std::string& s) : data(new char[s.size() + 1]) {
        std::copy(s.c_str(), s.c_str() + s.size() + 1, data.get());
    }
    const char* get() const { return data.get(); }
    std::unique_ptr<char[]> data;
};

using Enc = FrameRomanTest;

TEST_F(Enc, NamesAndTables) {
    EXPECT_EQ(EncIndexByName("utf-8"), kEncUtf8);
    EXPECT_EQ(EncIndexByName("big5"), kEncBig5);
    EXPECT_EQ(EncIndexByName("Latin-1"), kEncFrameRoman);
    EXPECT_EQ(EncIndexByName(nullptr), kEncFrameRoman);
    EXPECT_EQ(EncSetCurrent("ksc5601-1992"), kEncKsc5601);
    EXPECT_EQ(EncSetCurrent("Latin-1"), kEncKsc5601); // unknown: unchanged
    EXPECT_EQ(EncTablesBuilt(), 1);

    const EncTable& sjis = EncTables[kEncShiftJis];
    EXPECT_EQ(sjis.second[0x7F], 0);
    EXPECT_EQ(sjis.second[0x40], 1);
    EXPECT_EQ(sjis.second[0xFC], 1);
    EXPECT_EQ(sjis.lead[0xA0], 0);
    EXPECT_EQ(sjis.lead[0xE0], 1);
    EXPECT_EQ(EncTables[kEncBig5].second[0x80], 0);
    EXPECT_EQ(EncTables[kEncGb2312].lead[0x81], 1);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(EncTables[kEncFrameRoman].lead[b], 0);
        EXPECT_EQ(EncTables[kEncUtf8].second[b], 0);
    }
}

TEST_F(Enc, Utf8SequenceRules) {
    const std::pair<int, int> lengths[] = {{0x41, 1}, {0x80, 1}, {0xBF, 1}, {0xC0, 2}, {0xDF, 2},
                                           {0xE0, 3}, {0xEF, 3}, {0xF0, 4}, {0xF7, 4}, {0xF8, 5},
                                           {0xFB, 5}, {0xFC, 6}, {0xFD, 6}, {0xFE, 1}, {0xFF, 1}};
    for (auto [lead, length] : lengths)
        EXPECT_EQ(Utf8SeqLen(static_cast<unsigned char>(lead)), length) << lead;

    const std::pair<const char*, int> validity[] = {
        {"plain", 1},        {"\xC3\xA9t\xC3\xA9", 1},
        {"\xE2\x82\xAC", 1}, {"\xF8\x88\x80\x80\x80", 1}, // five-byte forms are accepted
        {"\xC3\x28", 0},     {"\x80", 0},
        {"a\xE2\x82", 0}, // cut short by the terminator
        {"\xFE", 0},         {"", 1},
    };
    for (auto [text, valid] : validity)
        EXPECT_EQ(Utf8IsValid(HeapString(text).get()), valid) << text;
    EXPECT_EQ(Utf8IsValid(nullptr), 0);

    // A lead byte without all its continuation bytes is one character of one byte.
    const std::pair<const char*, std::size_t> steps[] = {
        {"\xC3\xA9", 2}, {"\xE2\x82\xAC", 3}, {"\xF0\x9F\x98\x80", 4},
        {"\xE9/f", 1},   {"\xF0\x9F", 1},     {"\xE2\x82/", 1},
        {"\xC3", 1},     {"\x80", 1},
    };
    for (auto [text, step] : steps)
        EXPECT_EQ(EncCharStep(HeapString(text).get(), 0, kEncUtf8), step) << text;
    HeapString cut("a\xF0\x9F");
    const char* cursor = cut.get() + 1;
    EXPECT_EQ(Utf8Advance(&cursor), cut.get() + 2);
    EXPECT_EQ(Utf8SeqStart("a\xC3\xA9", 2), 1u);
    EXPECT_EQ(Utf8SeqStart("a\xC3\xA9", 3), 3u);
}

TEST_F(Enc, SecondByteDetectionWalksFromTheStart) {
    EncSetCurrent("FrameRoman");
    struct Case {
        const char* text;
        int encoding;
        std::ptrdiff_t pos;
        int expected;
    };
    const Case cases[] = {
        {"\x41\xB0\xA1", kEncKsc5601, 2, 1},
        {"\x41\xB0\xA1", kEncKsc5601, 1, 0},
        {"\xB0\xA1\xA1", kEncKsc5601, 2, 0}, // the lead of the next, cut character
        {"\x81\x40", kEncShiftJis, 1, 1},
        {"\x81\x7F", kEncShiftJis, 1, 0}, // 0x7F is never a second byte
        {"\x81\x5C", kEncShiftJis, 1, 1},
        {"\xA4\x40", kEncBig5, 1, 1},
        {"\x81\x40", kEncGb2312, 1, 1},
        {"\x81\x40", kEncFrameRoman, 1, 0},
        {"\xC3\xA9", kEncUtf8, 1, 0},
        {"\x41\xB0\xA1", kEncKsc5601, 0, 0},
        {"\x41\xB0\xA1", kEncKsc5601, 3, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncIsSecondByte(HeapString(c.text).get(), c.pos, c.encoding), c.expected)
            << c.text << " " << c.encoding << " " << c.pos;
}

TEST_F(Enc, SearchesMatchOnlyOnCharacterBoundaries) {
    EXPECT_EQ(StrFindEnc("\x41\x81\x40", "\x40", kEncShiftJis), -1);
    EXPECT_EQ(StrFindEnc("\x41\x81\x40\x40", "\x40", kEncShiftJis), 3);
    EXPECT_EQ(StrFindEnc("\x41\x81\x40", "\x40", kEncFrameRoman), 2);
    EXPECT_EQ(StrFindEnc("abc", "", kEncFrameRoman), 0);
    EXPECT_EQ(StrFindEnc("", "a", kEncFrameRoman), -1);
    EXPECT_EQ(StrFindEnc(HeapString("\xF0").get(), "x", kEncUtf8), -1);

    const char* path = "a\\b\x81\x5C"
                       "c";
    EXPECT_EQ(StrFindLastEnc(path, '\\', 0, kEncShiftJis), path + 1);
    EXPECT_EQ(StrFindLastEnc(path, '\\', 0, kEncFrameRoman), path + 4);
    EXPECT_EQ(StrFindLastEnc("no separators", '\\', 0, kEncShiftJis), nullptr);
    EXPECT_EQ(StrFindLastEnc("", 'a', 0, kEncShiftJis), nullptr);
    EXPECT_EQ(StrFindLastEnc("abc", 0, 0, kEncShiftJis), nullptr);
    const char* pairs = "\x81\x40x\x81\x40y";
    EXPECT_EQ(StrFindLastEnc(pairs, 0x81, 0x40, kEncShiftJis), pairs + 3);

    const char* word = "\xC3\xA9t\xC3\xA9!";
    EXPECT_EQ(Utf8FindLast(word, "\xC3\xA9zzz"), word + 3);
    EXPECT_EQ(Utf8FindLast(word, "\xA9"), nullptr); // a continuation byte is not a character
    EXPECT_EQ(Utf8FindLast(word, "\xFC\x80\x80\x80\x80\x80"), nullptr);
    EXPECT_EQ(Utf8FindLast(word, "\xE2\x82"), nullptr);
}

TEST_F(Enc, CopiesNeverSplitACharacterInAnyEncoding) {
    struct Case {
        const char* src;
        int encoding;
        std::size_t size;
        const char* expected;
    };
    const Case cases[] = {
        {"a\xC3\xA9", kEncUtf8, 3, "a"},
        {"a\xC3\xA9", kEncUtf8, 4, "a\xC3\xA9"},
        {"a\xE2\x82\xAC", kEncUtf8, 4, "a"},
        {"\x41\xB0\xA1", kEncKsc5601, 3, "\x41"},
        {"\x41\x81\x40", kEncShiftJis, 3, "\x41"},
        {"\x41\xA4\x40", kEncBig5, 3, "\x41"},
        {"\x41\x81\x40", kEncGb2312, 3, "\x41"},
        {"\x41\x81\x40", kEncFrameRoman, 3, "\x41\x81"},
        {"\x81\x40\x81\x40", kEncShiftJis, 4, "\x81\x40"},
        {"abc", kEncShiftJis, 1, ""},
    };
    for (const Case& c : cases) {
        char dst[16];
        HeapString src(c.src);
        EXPECT_EQ(StrCopyNEnc(dst, src.get(), c.size, c.encoding), StrLen(c.expected));
        EXPECT_STREQ(dst, c.expected) << c.src << " " << c.encoding << " " << c.size;

        char appended[16] = "xy";
        EXPECT_EQ(StrAppendNEnc(appended, src.get(), c.size + 2, c.encoding),
                  2 + StrLen(c.expected));
        EXPECT_EQ(std::string(appended), std::string("xy") + c.expected);
    }
    char dst[4] = "zz";
    EXPECT_EQ(StrCopyNEnc(dst, nullptr, 4, kEncUtf8), 0u);
    EXPECT_STREQ(dst, "");
    EXPECT_EQ(StrCopyNEnc(nullptr, "a", 4, kEncUtf8), 0u);
    char full[4] = "abc";
    EXPECT_EQ(StrAppendNEnc(full, "d", 4, kEncUtf8), 3u);
    EXPECT_EQ(StrAppendNEnc(full, "", 4, kEncUtf8), 0u);
}

// EncStartup points ICU at the host's "icu_data" folder through the runtime's getter.
class EncStartupTest : public FrameRomanTest {
  protected:
    void SetUp() override {
        saved_ = EncHostGetString;
        u_setDataDirectory("");
        calls = 0;
    }
    void TearDown() override {
        EncHostGetString = saved_;
        u_setDataDirectory("");
    }
    static char* Answer(ObjectId doc, ObjectId obj, std::int32_t prop) {
        ++calls;
        EXPECT_EQ(doc, 0u);
        EXPECT_EQ(obj, 0u);
        EXPECT_EQ(prop, kEncPropInstallDir);
        return answer ? StrDup(answer) : nullptr;
    }
    static inline int calls = 0;
    static inline const char* answer = nullptr;

  private:
    EncHostStringGetter saved_ = nullptr;
};

TEST_F(EncStartupTest, JoinsTheInstallationDirectoryWithThePlatformSeparator) {
    EncHostGetString = Answer;
    answer = "/opt/host";
    EXPECT_EQ(EncStartup(), 0);
    EXPECT_EQ(std::string(u_getDataDirectory()),
              std::string("/opt/host") + kPlatformPathSeparatorText + "icu_data");
    EXPECT_EQ(EncStartup(), 0); // already set: the host is not asked again
    EXPECT_EQ(calls, 1);

    u_setDataDirectory("");
    answer = "/opt/host/";
    EXPECT_EQ(EncStartup(), 0);
    EXPECT_STREQ(u_getDataDirectory(), "/opt/host/icu_data");
}

TEST_F(EncStartupTest, FailsWithoutADirectoryThatFits) {
    EncHostGetString = nullptr;
    EXPECT_EQ(EncStartup(), 1);
    EncHostGetString = Answer;
    answer = nullptr;
    EXPECT_EQ(EncStartup(), 1);
    answer = "";
    EXPECT_EQ(EncStartup(), 1);
    std::string longest(kEncDataDirSize - 10, 'd'); // 1014 bytes: still fits with the suffix
    std::string tooLong(kEncDataDirSize - 9, 'd');
    answer = tooLong.c_str();
    EXPECT_EQ(EncStartup(), 1);
    EXPECT_STREQ(u_getDataDirectory(), "");
    answer = longest.c_str();
    EXPECT_EQ(EncStartup(), 0);
    EXPECT_EQ(std::string(u_getDataDirectory()).size(), kEncDataDirSize - 1);
    EXPECT_EQ(EncCurrent, kEncFrameRoman);
}

} // namespace
