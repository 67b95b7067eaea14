// Han letters are read from a table generated from ICU's transliteration instead of through it:
// the text they become must be what "Any-Latin; Latin-ASCII" makes of the same run of letters,
// for every Han letter and for runs that mix Han with other scripts.
#include "host/formats/frameroman.h"

#include <gtest/gtest.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace lxhost {
namespace {

// What the whole run becomes through ICU's transliterator: its letters, digits and apostrophes
// in FrameRoman, and the placeholder for a letter without a Latin form.
std::string ThroughIcu(const icu::Transliterator& t, const std::u32string& run) {
    icu::UnicodeString text = icu::UnicodeString::fromUTF32(
        reinterpret_cast<const UChar32*>(run.data()), static_cast<std::int32_t>(run.size()));
    t.transliterate(text);
    std::string out;
    for (std::int32_t k = 0; k < text.length(); k = text.moveIndex32(k, 1)) {
        const UChar32 cp = text.char32At(k);
        const int fr = FrameRomanFromUnicode(static_cast<char32_t>(cp));
        if (fr >= 0 && (u_isalnum(cp) || cp == '\''))
            out.push_back(static_cast<char>(fr));
        else if (u_isdigit(cp))
            out.push_back(static_cast<char>('0' + u_charDigitValue(cp)));
        else if (u_isalpha(cp))
            out.push_back(kPlaceholderLetter);
    }
    return out;
}

std::string Converted(const std::u32string& run) {
    std::string utf8;
    for (char32_t cp : run)
        AppendUtf8(cp, utf8);
    std::string out;
    Utf8ToFrameRoman(utf8, out);
    return out;
}

std::string Hex(const std::u32string& run) {
    std::string out;
    char piece[12];
    for (char32_t cp : run) {
        std::snprintf(piece, sizeof piece, " U+%04X", static_cast<unsigned>(cp));
        out += piece;
    }
    return out;
}

class HanReadings : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(HasTransliteration());
        UErrorCode status = U_ZERO_ERROR;
        icu_.reset(
            icu::Transliterator::createInstance("Any-Latin; Latin-ASCII", UTRANS_FORWARD, status));
        ASSERT_TRUE(U_SUCCESS(status));
    }
    std::unique_ptr<icu::Transliterator> icu_;
};

bool IsHanLetter(UChar32 cp) {
    UErrorCode status = U_ZERO_ERROR;
    return uscript_getScript(cp, &status) == USCRIPT_HAN &&
           (U_GET_GC_MASK(cp) & (U_GC_L_MASK | U_GC_N_MASK)) != 0;
}

TEST_F(HanReadings, EveryHanLetterAloneReadsAsIcuReadsIt) {
    std::size_t checked = 0, read = 0;
    for (UChar32 cp = 0; cp <= 0x10FFFF; ++cp) {
        if (!IsHanLetter(cp))
            continue;
        const std::u32string run(1, static_cast<char32_t>(cp));
        const std::string expected = ThroughIcu(*icu_, run);
        ASSERT_EQ(Converted(run), expected) << Hex(run);
        ++checked;
        read += expected != std::string(1, kPlaceholderLetter);
    }
    // The unified ideographs and their extensions; most of them have a reading.
    EXPECT_GT(checked, 90000u);
    EXPECT_GT(read, 40000u);
}

TEST_F(HanReadings, RunsMixingScriptsReadAsIcuReadsThem) {
    const struct {
        const char* name;
        std::u32string run;
    } cases[] = {
        {"Chinese word", U"\u6F22\u5B57"},
        // Letters that read otherwise before a given letter, and the same letters elsewhere.
        {"zang before wen", U"\u85CF\u6587"},
        {"cang elsewhere", U"\u85CF\u4E2D"},
        {"cang last", U"\u4E2D\u85CF"},
        {"chong before qing", U"\u91CD\u5E86"},
        {"zhong elsewhere", U"\u91CD"},
        {"shen before yang", U"\u6C88\u9633"},
        {"bi before lu", U"\u79D8\u9C81"},
        {"two contexts in a row", U"\u79D8\u9C81\u85CF\u6587\u91CD\u5E86"},
        {"Japanese kanji and kana", U"\u6771\u4EAC\u306B\u884C\u304D\u307E\u3059"},
        {"katakana with a long vowel", U"\u65E5\u672C\u30B3\u30FC\u30D2\u30FC"},
        {"long vowel mark after a kanji", U"\u4E2D\u30FC\u30AB"},
        {"small tsu after a kanji", U"\u4E2D\u3063\u304B"},
        {"Han between Cyrillic letters", U"\u041C\u043E\u4E2D\u0441\u043A"},
        {"Han after Greek", U"\u0391\u03B8\u4E2D"},
        {"Hangul and Han", U"\uD55C\u56FD\uAC00"},
        {"iteration mark", U"\u4EBA\u3005"},
        {"Han number zero and Hangzhou numerals", U"\u3007\u3038\u3039\u303A"},
        {"compatibility ideograph", U"\uF900\uFA0E"},
        {"ideograph of another plane", U"\U00020000\U0002A6D6\U00030000"},
        {"variation selector", U"\u845B\U000E0100\u57CE"},
        {"combining mark after Han", U"\u4E2D\u0301"},
        {"Arabic-Indic digit after Han", U"\u4E2D\u0663"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Converted(c.run), ThroughIcu(*icu_, c.run)) << c.name << ":" << Hex(c.run);
}

// Runs drawn at random from letters of several scripts, many of them next to Han letters.
TEST_F(HanReadings, RandomRunsReadAsIcuReadsThem) {
    const std::u32string pool =
        U"\u4E2D\u6587\u85CF\u91CD\u5E86\u4EBA\u3005\u3007\U00020000\U0002A6D6\uF900"
        U"\u3042\u3063\u304B\u3093\u30AB\u30FC\u30C3\u30F3"
        U"\u0410\u0436\u044F\u03B1\u03C9\u05D0\u0627\u0928\u093F\u0E01\uAC00\u0301\u0663";
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<std::size_t> length(1, 8), pick(0, pool.size() - 1);
    for (int n = 0; n < 2000; ++n) {
        std::u32string run;
        for (std::size_t k = length(rng); k > 0; --k)
            run.push_back(pool[pick(rng)]);
        ASSERT_EQ(Converted(run), ThroughIcu(*icu_, run)) << Hex(run);
    }
}

// Two threads converting text that needs the transliterator and the table at once, from the
// start (the transliterator is made while both wait for it), get what one thread gets.
TEST(HanReadingsThreads, TwoThreadsConvertAsOne) {
    const std::string text = "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0 \xE6\xBC\xA2\xE5\xAD"
                             "\x97 \xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1 \xE3\x81\xB2\xE3\x82"
                             "\x89\xE3\x81\x8C\xE3\x81\xAA";
    const std::string expected = "Moskva hanzi Athena hiragana";
    std::string results[2];
    auto convert = [&](std::string& result) {
        for (int n = 0; n < 200 && result.empty(); ++n) {
            std::string out;
            Utf8ToFrameRoman(text, out);
            if (out != expected)
                result = out;
        }
        if (result.empty())
            result = expected;
    };
    std::thread first(convert, std::ref(results[0])), second(convert, std::ref(results[1]));
    first.join();
    second.join();
    EXPECT_EQ(results[0], expected);
    EXPECT_EQ(results[1], expected);
}

} // namespace
} // namespace lxhost
