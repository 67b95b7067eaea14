#include "support/enc_convert.h"

#include "enc_scope.h"
#include "platform/com.h"

#include "resources/frameroman_table.h"
#include "runtime/api.h"
#include "support/enc.h"
#include "support/mem.h"
#include "support/str.h"

#include <gtest/gtest.h>
#include <unicode/putil.h>
#include <unicode/ucnv.h>

#include <string>
#include <type_traits>
#include <vector>

// The client start-up installs the host operations themselves as the two hooks.
static_assert(std::is_same_v<decltype(&ApiGetString), EncHostStringGetter>);
static_assert(std::is_same_v<decltype(&ApiPrintConsole), ConsoleOutput>);

namespace {

std::vector<std::string> gConsole;

std::int32_t RecordConsole(const char* text) {
    gConsole.emplace_back(text ? text : "(null)");
    return 0;
}

char* InstallDirectory(ObjectId, ObjectId, std::int32_t) {
    return StrDup(LX_TEST_INSTALL_DIR);
}

// Starts the encodings as the client start-up does, with the build tree's installation
// directory as the host's, and the console recorded.
class Conversion : public FrameRomanTest {
  protected:
    void SetUp() override {
        savedGetter_ = EncHostGetString;
        savedConsole_ = ConsoleCallback;
        u_setDataDirectory("");
        ucnv_flushCache();
        EncHostGetString = InstallDirectory;
        ASSERT_EQ(EncStartup(), 0);
        ConsoleCallback = RecordConsole;
        gConsole.clear();
    }
    void TearDown() override {
        u_setDataDirectory("");
        ucnv_flushCache();
        EncHostGetString = savedGetter_;
        ConsoleCallback = savedConsole_;
    }

    static std::string Convert(const char* src, const char* from, const char* to = "UTF-8",
                               int keep = 0, int escape = 0) {
        char* converted = EncConvert(src, from, to, keep, escape);
        std::string result = converted ? converted : "(null)";
        MemFree(converted);
        return result;
    }

    static std::u16string ConvertToUtf16(const char* src, const char* from, int escape = 0) {
        char* converted = EncConvert(src, from, "UTF-16", 0, escape);
        std::u16string result(reinterpret_cast<const char16_t*>(converted));
        MemFree(converted);
        return result;
    }

  private:
    EncHostStringGetter savedGetter_ = nullptr;
    ConsoleOutput savedConsole_ = nullptr;
};

TEST_F(Conversion, EachHostConverterOpensAndConvertsASample) {
    struct Case {
        int encoding;
        const char* sample;
        const char* utf8;
    };
    const Case cases[] = {
        {kEncFrameRoman,
         "\xD2"
         "Caf\x8E\xD3 \xD0 \xC9 \xF5\x11x",
         "\xE2\x80\x9C"
         "Caf\xC3\xA9\xE2\x80\x9D \xE2\x80\x93 \xE2\x80\xA6 \xE2\x82\xAC\x11x"},
        {kEncShiftJis, "\x93\xFA\x96\x7B\x8C\xEA\xB1 A",
         "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xEF\xBD\xB1 A"},
        {kEncKsc5601, "\xC7\xD1\xB1\xB9\xBE\xEE", "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4"},
        {kEncBig5, "\xA4\xA4\xA4\xE5", "\xE4\xB8\xAD\xE6\x96\x87"},
        {kEncGb2312, "\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},
        {kEncUtf8, "\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
    };
    for (const Case& c : cases) {
        UErrorCode error = U_ZERO_ERROR;
        UConverter* converter = ucnv_open(kEncConverterNames[c.encoding], &error);
        EXPECT_TRUE(U_SUCCESS(error)) << kEncConverterNames[c.encoding];
        ucnv_close(converter);
        char* utf8 = EncToUtf8(c.sample, c.encoding);
        EXPECT_STREQ(utf8, c.utf8) << kEncConverterNames[c.encoding];
        MemFree(utf8);
    }
}

// The converter and the generated table come from the same data file and agree on every byte.
TEST_F(Conversion, FrameRomanConverterMatchesTheTable) {
    UErrorCode error = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(kEncConverterNames[kEncFrameRoman], &error);
    ASSERT_TRUE(U_SUCCESS(error));
    ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
    int mapped = 0;
    for (int b = 1; b < 256; ++b) {
        char byte = static_cast<char>(b);
        UChar unit = 0;
        error = U_ZERO_ERROR;
        ucnv_reset(converter);
        int32_t n = ucnv_toUChars(converter, &unit, 1, &byte, 1, &error);
        std::uint32_t code = U_SUCCESS(error) && n == 1 ? unit : 0;
        EXPECT_EQ(code, kFrameRomanToUnicode[b]) << "byte " << b;
        mapped += code != 0;
    }
    ucnv_close(converter);
    EXPECT_EQ(mapped, 11 + 95 + 128);
    EXPECT_EQ(kFrameRomanToUnicode[0x08], 0x0009u);
    EXPECT_EQ(kFrameRomanToUnicode[0xD0], 0x2013u);
    EXPECT_EQ(kFrameRomanToUnicode[0x7F], 0u);
}

TEST_F(Conversion, ConsoleGetsFrameRomanAsUtf8WithControlBytesIntact) {
    ConsolePrint("Caf\x8E\tfile\x08name\n");
    ASSERT_EQ(gConsole.size(), 1u);
    EXPECT_EQ(gConsole[0], "Caf\xC3\xA9\tfile\x08name\n");

    ConsolePrint("\t\n\x01");
    EXPECT_EQ(gConsole.at(1), "\t\n\x01");
    ConsolePrint(nullptr);
    EXPECT_EQ(gConsole.size(), 2u);

    const char* own = "d\xC3\xA9j\xC3\xA0";
    const char* seen = nullptr;
    EncSetCurrent("UTF-8");
    static const char** seenPointer = &seen;
    ConsoleCallback = [](const char* text) -> std::int32_t {
        *seenPointer = text;
        return 0;
    };
    ConsolePrint(own);
    EXPECT_EQ(seen, own); // in UTF-8 the text itself is passed on
}

TEST_F(Conversion, CasesBeforeTheConverters) {
    EXPECT_EQ(EncConvert(nullptr, "UTF-8", "UTF-16", 0, 0), nullptr);
    EXPECT_EQ(Convert("", "adobe-fm-roman-windows"), "");
    EXPECT_EQ(Convert("abc", nullptr), "abc");
    EXPECT_EQ(Convert("abc", "UTF-8", ""), "abc");
    EXPECT_EQ(Convert("\xC3\x28", "UTF-8", "adobe-fm-roman-windows"), "???");
    EXPECT_EQ(ConvertToUtf16("\xC3\x28", "UTF-8"), u"???");
    EXPECT_EQ(Convert("\x8E", "adobe-fm-roman-windows", "adobe-fm-roman-windows"), "\x8E");
    char* copy = EncToUtf8("\x8E\x01", 7);
    EXPECT_STREQ(copy, "\x8E\x01");
    MemFree(copy);
    EXPECT_EQ(EncNameForConverter("adobe-fm-big5"), std::string("BIG5"));
    EXPECT_EQ(EncNameForConverter("UTF-16"), std::string("UTF-16"));
    EXPECT_EQ(EncNameForConverter("latin1"), nullptr);
}

TEST_F(Conversion, Utf16BothWays) {
    EXPECT_EQ(ConvertToUtf16("Caf\x8E\t!", "adobe-fm-roman-windows"), u"Caf\u00E9\t!");
    const char16_t source[] = u"d\u00E9j\u00E0\n\u4E2D";
    EXPECT_EQ(Convert(reinterpret_cast<const char*>(source), "UTF-16"),
              "d\xC3\xA9j\xC3\xA0\n\xE4\xB8\xAD");
    const char16_t empty[] = u"";
    char* converted = EncConvert(reinterpret_cast<const char*>(empty), "UTF-16", "UTF-8", 0, 0);
    ASSERT_NE(converted, nullptr);
    EXPECT_EQ(converted[0], '\0');
    EXPECT_EQ(converted[1], '\0');
    MemFree(converted);
    EXPECT_EQ(Convert("Caf\xC3\xA9\t\xE2\x80\x94!", "UTF-8", "adobe-fm-roman-windows"),
              "Caf\x8E\t\xD1!");
    // "locale" keeps control characters in the runs it converts.
    EXPECT_EQ(Convert("plain\ttext", "locale"), "plain\ttext");
    // With control characters kept they go through the converter: FrameRoman 0x08 is a tab.
    EXPECT_EQ(Convert("a\x08z", "adobe-fm-roman-windows", "UTF-8", 1), "a\tz");
}

TEST_F(Conversion, EscapedOutputGrowsBeyondTheFirstBuffer) {
    // 0x7F has no FrameRoman mapping: each byte becomes "%X7F", eight bytes of UTF-16 where the
    // first buffer allows four per source byte.
    std::string source(300, '\x7F');
    std::u16string expected;
    for (int i = 0; i < 300; ++i)
        expected += u"%X7F";
    EXPECT_EQ(ConvertToUtf16(source.c_str(), "adobe-fm-roman-windows", 1), expected);
    std::string utf8 = Convert(source.c_str(), "adobe-fm-roman-windows", "UTF-8", 0, 1);
    EXPECT_EQ(utf8.size(), 1200u);
    // Without escapes ICU's substitute stands in.
    EXPECT_EQ(Convert("a\x7F", "adobe-fm-roman-windows"), "a\xEF\xBF\xBD");
}

TEST_F(Conversion, MissingDataDirectoryLeavesOnlyControlCharacters) {
    u_setDataDirectory("/nonexistent/lexameter/icu_data");
    ucnv_flushCache();
    ConsolePrint("Caf\x8E\tline\n");
    ASSERT_EQ(gConsole.size(), 1u);
    EXPECT_EQ(gConsole[0], "\t\n");
    for (int e = kEncFrameRoman; e < kEncUtf8; ++e) {
        UErrorCode error = U_ZERO_ERROR;
        EXPECT_EQ(ucnv_open(kEncConverterNames[e], &error), nullptr);
    }
    EXPECT_EQ(Convert("abc", "adobe-fm-shift-jis"), "");
}

} // namespace

namespace {

// Found by the allocation-failure loop: the run buffer's failure raised with the output buffer
// still held. Under LeakSanitizer a lost buffer fails this test at exit.
TEST_F(Conversion, AFailedWorkBufferRaisesWithNothingHeld) {
    struct Case {
        std::int64_t failing; // which allocation of the conversion fails
        const char* what;
    };
    const Case cases[] = {{1, "the output buffer"}, {2, "the run buffer"}};
    for (const Case& c : cases) {
        AllocFailCountdown = c.failing;
        DWORD code = 0;
        try {
            MemFree(EncConvert("abc", kEncConverterNames[kEncFrameRoman], kEncNameUtf8, 0, 0));
        } catch (const PlatformException& e) {
            code = e.code;
        }
        EXPECT_EQ(code, 1u) << c.what;
        EXPECT_EQ(AllocFailCountdown, 0) << c.what;
    }
    AllocFailCountdown = 0;
}

} // namespace
