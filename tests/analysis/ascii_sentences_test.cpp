// The sentence boundaries of ASCII text found without ICU against ICU's own iterator, on the
// cases its rules name and on random text made of the characters those rules look at, in every
// locale the precise profile cuts sentences in.
#include "analysis/precise/ascii_sentences.h"
#include "analysis/precise/languages.h"

#include <gtest/gtest.h>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/utext.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::size_t> IcuEnds(std::string_view text, const char* locale) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createSentenceInstance(icu::Locale(locale), status));
    EXPECT_TRUE(U_SUCCESS(status));
    UText* ut = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    it->setText(ut, status);
    std::vector<std::size_t> ends;
    it->first();
    for (std::int32_t to = it->next(); to != icu::BreakIterator::DONE; to = it->next())
        ends.push_back(static_cast<std::size_t>(to));
    utext_close(ut);
    return ends;
}

std::vector<std::size_t> AsciiEnds(std::string_view text) {
    std::vector<std::size_t> ends;
    EXPECT_TRUE(lxprecise::AsciiSentenceEnds(text, &ends)) << text;
    return ends;
}

std::vector<const char*> Locales() {
    std::vector<const char*> out;
    for (const char* code : {"en", "de", "fr", "es", "it", "nl", "da", "nb", "sv", "pl", "pt"}) {
        const lxprecise::Language* language = lxprecise::FindLanguage(code);
        EXPECT_NE(language, nullptr) << code;
        if (language)
            out.push_back(language->locale);
    }
    return out;
}

TEST(AsciiSentences, RulesAgreeWithIcu) {
    const char* const cases[] = {
        "",
        "One sentence",
        "One. Two.",
        "Is it? Yes! No.",
        "Version 3.14 is out. It works.",           // a period before a digit
        "The U.S. Army left. Then U.S.A. came.",    // a period between capitals
        "Mr. smith met dr. jones etc. and others.", // a period before a lower-case word
        "He said (\"Stop.\") and left.",            // closing punctuation after the period
        "He said \"Stop.\" Then left.",
        "Stop.) Go.",
        "Wait...   what? Now.",
        "It ends. , and goes on; really: yes - no.", // a comma, a colon or a hyphen goes on
        "First line.\nSecond line.\r\nThird.\rFourth.",
        "A title\n\nA paragraph.",
        "Trailing spaces.   ",
        "Tabs.\tand\fform feeds.\vVertical.",
        "Lower after digits. 42 apples fell.",
        "Numbers. 42 Apples fell.",
        "What?! Really?? Yes.",
        "End.\" Next.",
        "x.Y z.y A.b",
        "...",
        ". . .",
        "\n\n\n",
        "a\r\n\r\nb",
        "End. #tag follows. @user too.",
        "Is it.) (yes) it is.",
    };
    for (const char* locale : Locales()) {
        for (const char* text : cases)
            EXPECT_EQ(AsciiEnds(text), IcuEnds(text, locale)) << locale << ": \"" << text << '"';
    }
}

// Random text from the characters the rules tell apart, weighted towards terminators, closing
// punctuation and white space, where the rules decide.
TEST(AsciiSentences, RandomTextAgreesWithIcu) {
    const std::string alphabet = "aAzZ09.!?. .  \t\n\r\f\v\"')]([,;:-#/@_*";
    std::mt19937 rng(20260);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<std::size_t> length(1, 24);
    const std::vector<const char*> locales = Locales();
    int mismatches = 0;
    for (int round = 0; round < 20000 && mismatches < 5; ++round) {
        std::string text;
        for (std::size_t n = length(rng); n > 0; --n)
            text += alphabet[pick(rng)];
        const char* locale = locales[static_cast<std::size_t>(round) % locales.size()];
        const bool same = AsciiEnds(text) == IcuEnds(text, locale);
        EXPECT_TRUE(same) << locale << ": \"" << text << '"';
        mismatches += same ? 0 : 1;
    }
}

TEST(AsciiSentences, OtherTextIsLeftToIcu) {
    for (const char* text : {"Caf\xC3\xA9. Next.", "\x80", "Plain. Then \xE2\x80\xA6"}) {
        std::vector<std::size_t> ends{7};
        EXPECT_FALSE(lxprecise::AsciiSentenceEnds(text, &ends)) << text;
        EXPECT_EQ(ends, std::vector<std::size_t>{7}) << text;
    }
}

} // namespace
