#include "analysis/tokenizer.h"

#include "analysis/sentence_counts.h"
#include "analysis/tokenizer_masks.h"

#include "support/mem.h"
#include "support/str.h"
#include "tokenizer_reference.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace tokenizer_reference {

std::ostream& operator<<(std::ostream& os, const Totals& t) {
    return os << "{sentences " << t.sentences << ", words " << t.words << ", syllables "
              << t.syllables << ", characters " << t.characters << ", complex " << t.complexWords
              << "}";
}

} // namespace tokenizer_reference

namespace {

struct MemFreeDeleter {
    void operator()(char* p) const { MemFree(p); }
};
using OwnedString = std::unique_ptr<char, MemFreeDeleter>;

using tokenizer_reference::CountWithCursors;
using tokenizer_reference::FromCounts;
using tokenizer_reference::TokensWithCursors;
using tokenizer_reference::TokensWithViews;
using tokenizer_reference::Totals;

Totals CountFast(const std::string& text) {
    ReadabilityCounts counts{};
    CountText(text, &counts);
    EXPECT_EQ(counts.paragraphs, 0);
    // The portable form of the counting loop, which processors without AVX2 run, agrees.
    ReadabilityCounts portable{};
    lxtokenizer::CountTextPortable(text, &portable);
    EXPECT_EQ(FromCounts(portable), FromCounts(counts)) << text;
    return FromCounts(counts);
}

struct ParagraphCase {
    const char* name;
    std::string text;
    Totals expected;
};

const std::vector<ParagraphCase> kParagraphCases = {
    {"two sentences", "The cat sat on the mat. It was a beautiful day!", {2, 11, 13, 35, 1}},
    {"no terminator", "Hello world", {1, 2, 3, 10, 0}},
    {"abbreviation before space", "Mr. Smith went to Washington.", {2, 5, 7, 23, 1}},
    {"one-byte sentences", "A. B", {0, 0, 0, 0, 0}},
    {"leading period candidate skipped", ". Hello world.", {1, 2, 3, 10, 0}},
    {"terminator run skipped", "Hi!!! Yes.", {2, 2, 2, 5, 0}},
    {"question and exclamation", "Really?! No way.", {2, 3, 4, 11, 0}},
    {"digit glued to a colon kept", "time:10 and (more) words, see?", {2, 6, 6, 21, 0}},
    // A letter or digit right after a sentence end begins the next word; a space, a closing
    // bracket or quotation mark, or another terminator there is consumed with the terminator.
    {"letter glued to a colon kept", "${binary:Version}", {2, 3, 6, 14, 1}},
    {"host after port number", "Open 8080:localhost now", {2, 4, 7, 20, 1}},
    {"letter glued to a question mark", "Why?Because we can.", {2, 4, 5, 15, 0}},
    {"letter glued to a semicolon", "Stop;go on", {2, 3, 3, 8, 0}},
    {"closing bracket after a colon consumed", "(see:) more text", {2, 3, 3, 11, 0}},
    {"quotation mark after a question mark consumed", "\"Why?\" he asked.", {2, 3, 4, 10, 0}},
    {"glued byte at the very end", "Go on:x", {1, 2, 2, 4, 0}},
    {"slash glued to a colon", "see:/usr/bin here", {2, 3, 4, 15, 0}},
    {"tab and non-breaking space",
     "Tom\x08"
     "and\x11Jerry ran.",
     {1, 4, 5, 14, 0}},
    {"em dash splits, en dash joins", "one\xD1two\xD0three here", {1, 3, 4, 16, 0}},
    {"lone quotation mark", "a \" b c", {1, 4, 4, 3, 0}},
    {"hyphenated words", "re-enter the co-operate area", {1, 6, 10, 23, 1}},
    {"decimal number", "Pi is 3.14 today", {1, 4, 5, 13, 0}},
    {"ellipsis before space", "Wait... what now", {2, 3, 3, 11, 0}},
    {"empty text", "", {0, 0, 0, 0, 0}},
    {"only periods", "...", {0, 0, 0, 0, 0}},
    {"one-byte sentence dropped", "I. Am here.", {1, 2, 2, 6, 0}},
    // What users of readability tools ask about most.
    {"abbreviation e.g.", "e.g. this works", {2, 3, 3, 12, 0}},
    {"initialism", "U.S.A. is big", {2, 3, 4, 10, 0}},
    {"period without following space", "End.Next one", {1, 2, 3, 11, 0}},
    {"period before non-breaking space", "Mr.\x11Smith", {1, 2, 2, 7, 0}},
    {"period before tab", "One.\x08Two", {2, 2, 2, 6, 0}},
    // The host's tab is 0x08; byte 0x09 is an ordinary byte inside a word.
    {"byte 0x09 is no tab", "One.\tTwo", {1, 1, 3, 8, 1}},
    {"blank text", "  \x08\x11 ", {0, 0, 0, 0, 0}},
    {"hyphen chain", "well-known state-of-the-art", {1, 6, 6, 22, 0}},
    {"double hyphen", "Wait -- go", {1, 2, 2, 6, 0}},
    {"numbers", "1,234 and 3.14 and 2024.", {1, 6, 6, 18, 0}},
    {"quotation marks as words", "He said \" yes \" loudly", {1, 6, 7, 15, 0}},
    {"curly quotes", "\xD2Hello,\xD3 she said.", {1, 4, 5, 12, 0}},
    {"runs of terminators", "What?? Really!? Yes.", {3, 3, 4, 13, 0}},
    {"ellipsis byte", "Well\xC9 fine", {1, 2, 2, 8, 0}},
    {"complex word alone", "Readability.", {1, 1, 5, 11, 1}},
    {"leading separators skipped", "  (Quiet) please; ok", {2, 3, 3, 13, 0}},
    // Candidates without text in the middle of a paragraph: the rest is still counted.
    {"closing bracket after question mark",
     "Is this right (or is it?). Nobody knows. These words vanish.",
     {3, 11, 14, 44, 1}},
    {"run of exclamation marks",
     "Stop!!! Then we walked home together and talked.",
     {2, 8, 12, 37, 1}},
    {"spaced ellipsis", "He waited . . . and waited. Then he left the room.", {3, 9, 11, 34, 0}},
    {"quoted question before semicolon", "He asked \"why?\"; she left.", {2, 5, 6, 17, 0}},
    {"only terminators", "!?! ;: . ?", {0, 0, 0, 0, 0}},
    {"terminator run at the end", "Done!!!", {1, 1, 1, 4, 0}},
};

TEST(CountText, ParagraphExamples) {
    for (const ParagraphCase& c : kParagraphCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CountFast(c.text), c.expected);
        EXPECT_EQ(CountWithCursors(c.text), c.expected);
    }
}

TEST(CountText, AddsToExistingTotalsAndLeavesParagraphsAlone) {
    ReadabilityCounts counts = {7, 1, 2, 3, 4, 5};
    CountText("Hello world", &counts);
    EXPECT_EQ(counts.paragraphs, 7);
    EXPECT_EQ(FromCounts(counts), (Totals{2, 5, 5, 14, 5}));
    CountText("Hello", nullptr); // nowhere to add: nothing happens
}

TEST(CountText, TotalsStopAtTheirLimitInsteadOfWrapping) {
    ReadabilityCounts counts{};
    counts.characters = std::numeric_limits<std::int32_t>::max() - 3;
    counts.words = std::numeric_limits<std::int32_t>::max();
    CountText("Hello world", &counts);
    EXPECT_EQ(counts.characters, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(counts.words, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(counts.sentences, 1);
}

TEST(CountText, LongParagraphCountsEveryRepetition) {
    // One paragraph of about 1.3 MB: every sentence cut from the middle of a long text.
    const std::string unit = "The quick brown fox jumps over the lazy dog. Readability matters! ";
    constexpr int kRepeats = 20000;
    std::string text;
    for (int i = 0; i < kRepeats; ++i)
        text += unit;
    // Per unit: 2 sentences, 11 words, 18 syllables, 53 characters, 1 complex word.
    EXPECT_EQ(CountFast(text),
              (Totals{2 * kRepeats, 11 * kRepeats, 18 * kRepeats, 53 * kRepeats, kRepeats}));
}

TEST(CountSyllables, Words) {
    const struct {
        const char* word;
        int syllables;
    } cases[] = {
        {"the", 1},         {"table", 1},  {"free", 1},      {"idea", 2}, {"beautiful", 3},
        {"readability", 5}, {"rhythm", 1}, {"1234", 1},      {"", 1},     {"e", 1},
        {"be", 1},          {"bee", 1},    {"E", 1},         {"cafe", 1}, {"CAFE", 1},
        {"area", 2},        {"queue", 1},  {"syzygy", 3},    {"eye", 1},  {"smile", 1},
        {"create", 1},      {"Yes", 1},    {"\x8Et\x8E", 1}, {"e.g", 1},  {"don't", 1},
        {"co-operate", 4},  {"AEIOUY", 1}, {"banana", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        EXPECT_EQ(CountSyllables(c.word), c.syllables);
    }
    EXPECT_EQ(CountSyllables(nullptr), 1);
}

TEST(TrimPunctuation, Ends) {
    const struct {
        const char* word;
        const char* trimmed;
    } cases[] = {
        {"\"Hello...\"", "Hello"},
        {"Hello...world", "Hello...world"},
        {"...", ""},
        {"_x_", "x"},
        {"(a)", "a"},
        {"'tis", "tis"},
        {"don't", "don't"},
        {"\xD4quoted\xD5", "quoted"},
        {"\xD2q\xD3", "q"},
        {"a\xC9", "a"},
        {"\xD1x", "x"},
        {"\r\nword\n", "word"},
        {"-x-", "-x-"},
        {"", ""},
        {"[{x}]!?;:,", "x"},
        {"\xD0x\xD0", "\xD0x\xD0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        char* word = StrDup(c.word);
        TrimPunctuation(&word);
        EXPECT_STREQ(word, c.trimmed);
        MemFree(word);
    }
    char* none = nullptr;
    TrimPunctuation(&none);
    TrimPunctuation(nullptr);
    EXPECT_EQ(none, nullptr);
}

TEST(NextSentence, CutsAndAdvancesTheCursor) {
    const struct {
        const char* text;
        const char* sentence; // null: no sentence
        const char* rest;
    } cases[] = {
        {"here;and there", "here", "and there"},
        {"here; and there", "here", "and there"},
        {"here;(and) there", "here", "and) there"},
        {"Hello world", "Hello world", ""},
        {"  (Leading) text. Next", "Leading) text", "Next"},
        {"a b ;c", "a b ", "c"},
        {"Mr. Smith", "Mr", "Smith"},
        {"No way.", "No way.", ""},
        {"e.g.x done. z", "e.g.x done", "z"},
        {". Hello world.", "Hello world.", ""},
        {"Hi!!! Yes.", "Hi", "! Yes."},
        {"! Yes.", "Yes.", ""},
        {"!Hi", "Hi", ""},
        {"!!Hi", "Hi", ""},
        {". . . and on", "and on", ""},
        {"...", nullptr, ""},
        {"?! ", nullptr, ""},
        {"   ", nullptr, ""},
        {"", nullptr, ""},
        {"x!", "x", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        char* cursor = StrDup(c.text);
        OwnedString sentence(NextSentence(&cursor));
        if (c.sentence)
            EXPECT_STREQ(sentence.get(), c.sentence);
        else
            EXPECT_EQ(sentence, nullptr);
        EXPECT_STREQ(cursor, c.rest);
        MemFree(cursor);
    }
    char* none = nullptr;
    EXPECT_EQ(NextSentence(&none), nullptr);
    EXPECT_EQ(NextSentence(nullptr), nullptr);
}

TEST(NextWord, CutsWordsAndSkipsSeparators) {
    char* cursor = StrDup("don't  stop,(3.14) 1,234\xD1"
                          "end \xD0 x-");
    std::vector<std::string> words;
    while (char* word = NextWord(&cursor)) {
        words.emplace_back(word);
        MemFree(word);
    }
    EXPECT_EQ(words,
              (std::vector<std::string>{"don't", "stop", "3.14", "1", "234", "end", "\xD0", "x"}));
    EXPECT_STREQ(cursor, "");
    MemFree(cursor);

    char* separators = StrDup(",,, -\x08");
    EXPECT_EQ(NextWord(&separators), nullptr);
    MemFree(separators);
}

TEST(CountSentenceWords, MatchesTheWordsCut) {
    const struct {
        const char* sentence;
        int words;
    } cases[] = {
        {"Hello world", 2}, {"a b ", 2},   {"one,two", 2},      {"x", 1},
        {"re-enter it", 3}, {"a -- b", 2}, {"a\x08\x11(b)", 2}, {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        EXPECT_EQ(CountSentenceWords(c.sentence), c.words);
    }
    EXPECT_EQ(CountSentenceWords(nullptr), 0);
}

TEST(IsWordSeparator, BytesOftenTakenForTheWrongSide) {
    // The host's tab is 0x08 and its non-breaking space 0x11; the em dash separates words, the
    // en dash, slash, ampersand, apostrophe and quotation marks do not.
    for (unsigned char b : std::string("\x08\x11\xD1-=:;"))
        EXPECT_TRUE(IsWordSeparator(b)) << int(b);
    for (unsigned char b : std::string("\xD0/&'\".!?\x09\x0A\xA0\xD2") + '\0')
        EXPECT_FALSE(IsWordSeparator(b)) << int(b);
}

// Text drawn from every byte class the tokenizer knows, with spaces and periods weighted up.
std::string RandomText(std::mt19937& rng) {
    static const std::string alphabet = std::string("aeiouyAEYbcdfghlmnrstwxzBCDHST0123456789") +
                                        "      ....\x08\t\x11()" + ",-:;=[]{}!?" + "\"'_\r\n" +
                                        "\xD0\xD1\xD2\xD3\xD4\xD5\xC9\x8E\xE9/&";
    std::uniform_int_distribution<std::size_t> length(0, 300);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string text(length(rng), ' ');
    for (char& c : text)
        c = alphabet[pick(rng)];
    return text;
}

// Long text with long words and long sentences: words and sentences that run across many
// 64-byte blocks, and sentences longer than the counting loop keeps cached.
std::string SparseText(std::mt19937& rng, std::size_t maxLength) {
    static const std::string letters = "aeiouyEbcdfghlmnrstwxz\"'_.\xD2\xD3";
    static const std::string separators = " ,-(\x08\x11";
    static const std::string stops = ".!?:;";
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<int> kind(0, 999);
    std::uniform_int_distribution<std::size_t> letter(0, letters.size() - 1);
    std::uniform_int_distribution<std::size_t> separator(0, separators.size() - 1);
    std::uniform_int_distribution<std::size_t> stop(0, stops.size() - 1);
    std::string text(length(rng), ' ');
    for (char& c : text) {
        const int k = kind(rng);
        c = k < 30 ? separators[separator(rng)] : k < 33 ? stops[stop(rng)] : letters[letter(rng)];
    }
    return text;
}

// Text made of words and the punctuation that real prose puts after a sentence: runs of
// terminators, spaced and unspaced ellipses, closing brackets and quotation marks, so that
// candidates without text fall between sentences, at the start and at the end.
std::string PunctuatedText(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {
        "word", "Area",  "e",    "the", "x",    "readability", "I",   "3.14", "1,234",
        " ",    " ",     " ",    "  ",  "\x08", "\x11",        ".",   ". ",   "!",
        "!!!",  "?!",    "?? ",  ";",   ":",    ". . . ",      "...", "... ", "\xC9",
        ")",    ").",    "?)",   "]",   "}",    "\"",          "'",   "\xD3", "\xD5",
        "?\"",  "!\xD3", ".\" ", "(",   "\xD2", "--",          "-",   ",",    "\xD1"};
    std::uniform_int_distribution<std::size_t> count(0, 60);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::string text;
    for (std::size_t n = count(rng); n > 0; --n)
        text += pieces[pick(rng)];
    return text;
}

// The counted sentences one by one (ForEachCountedSentence) added up, and their long words.
struct SentenceSums {
    Totals totals{};
    int longWords = 0;
};

SentenceSums AddUpSentences(const std::string& text) {
    SentenceSums sums;
    ForEachCountedSentence(
        text,
        [](std::string_view, const ReadabilityCounts& c, std::int32_t longWords, void* context) {
            auto* s = static_cast<SentenceSums*>(context);
            EXPECT_EQ(c.sentences, 1);
            const Totals one = FromCounts(c);
            s->totals = {s->totals.sentences + one.sentences, s->totals.words + one.words,
                         s->totals.syllables + one.syllables, s->totals.characters + one.characters,
                         s->totals.complexWords + one.complexWords};
            s->longWords += longWords;
        },
        &sums);
    return sums;
}

// The trimmed words of kLongWordBytes or more in the counted sentences, by the cursor routines.
int LongWordsWithCursors(const std::string& text) {
    int n = 0;
    for (const std::vector<std::string>& sentence : TokensWithCursors(text))
        if (sentence[0].size() >= kMinSentenceBytes)
            for (std::size_t w = 1; w < sentence.size(); ++w)
                n += sentence[w].size() >= kLongWordBytes ? 1 : 0;
    return n;
}

void ExpectSameAsCursorRoutines(const std::string& text) {
    ASSERT_EQ(TokensWithViews(text), TokensWithCursors(text)) << text;
    ASSERT_EQ(CountFast(text), CountWithCursors(text)) << text;
    ASSERT_EQ(CountFast(text), tokenizer_reference::by_index::Count(text)) << text;
    // The sentences one by one add up to the whole text's counts.
    const SentenceSums sums = AddUpSentences(text);
    ASSERT_EQ(sums.totals, CountWithCursors(text)) << text;
    ASSERT_EQ(sums.longWords, LongWordsWithCursors(text)) << text;
}

// Technical text where sentence ends are glued to what follows: options, ports, keys, package
// fields, times, with spaces, brackets and quotation marks between some of them.
std::string GluedText(std::mt19937& rng) {
    static const std::vector<std::string> words = {
        "time",  "10", "${binary", "Version}", "8080",        "localhost", "key",
        "value", "x",  "e",        "Area",     "readability", "I",         "3.14",
        "\xD2q", "'a", "_",        "/usr",     "$HOME",       "\x8E"};
    static const std::vector<std::string> glue = {
        ":", ";", "!",    "?",    ".", ". ", ": ",   "?\"",  "!)", ":(",  ";;", " ",
        " ", " ", "\x08", "\x11", "-", ",",  "\xD1", "\xC9", "=",  "...", ""};
    std::uniform_int_distribution<std::size_t> count(0, 40);
    std::uniform_int_distribution<std::size_t> word(0, words.size() - 1);
    std::uniform_int_distribution<std::size_t> join(0, glue.size() - 1);
    std::string text;
    for (std::size_t n = count(rng); n > 0; --n)
        text += words[word(rng)] + glue[join(rng)];
    return text;
}

TEST(CountText, GluedSentenceEndsAgreeWithTheIndexReference) {
    std::mt19937 rng(424242);
    for (int i = 0; i < 6000; ++i)
        ExpectSameAsCursorRoutines(GluedText(rng));
}

TEST(CountText, AgreesWithTheCursorRoutinesOnRandomText) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 4000; ++i)
        ExpectSameAsCursorRoutines(RandomText(rng));
}

TEST(CountText, AgreesWithTheCursorRoutinesOnPunctuatedText) {
    std::mt19937 rng(1234567);
    for (int i = 0; i < 4000; ++i)
        ExpectSameAsCursorRoutines(PunctuatedText(rng));
}

TEST(CountText, AgreesWithTheCursorRoutinesOnLongWordsAndSentences) {
    std::mt19937 rng(7);
    for (int i = 0; i < 300; ++i)
        ExpectSameAsCursorRoutines(SparseText(rng, i < 20 ? 12000 : 700));
}

TEST(CountText, AgreesWithTheCursorRoutinesAtEveryBlockOffset) {
    // The same sentences shifted by every offset across two 64-byte blocks, so that words,
    // trimmed ends, vowel groups and sentence ends fall on every position of a block.
    const std::string body =
        "\"Queue-free\" idea: eerie (area)! 'The rhythm' of e.g. "
        "beautiful readability... e E ee ye. Tone\x08stone\xD1"
        "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaae";
    // Runs longer than a block: trimmed ends, a trimmed start, a silent e behind trimmed bytes,
    // and vowel groups far apart in one word.
    const std::string t(70, 't');
    const std::string longRuns = "qu" + std::string(150, '\'') + " " + std::string(140, '_') +
                                 "the h" + "e" + std::string(70, '"') + " b" + t + "a" + t + "e" +
                                 t + "i" + t + "o" + t + "e " + std::string(200, '"') + " end";
    for (std::size_t shift = 0; shift < 130; ++shift) {
        SCOPED_TRACE(shift);
        ExpectSameAsCursorRoutines(std::string(shift, 'x') + body);
        ExpectSameAsCursorRoutines(std::string(shift, ' ') + body);
        ExpectSameAsCursorRoutines(body.substr(0, shift));
        ExpectSameAsCursorRoutines(std::string(shift, ' ') + longRuns);
    }
}

TEST(CountText, AgreesWithTheCursorRoutinesWhereASentenceIsInDoubtAtABlockEnd) {
    // A sentence that reaches a block's end holding only periods, or begun on the block's last
    // byte, is counted or dropped by what follows: periods glued to a word, periods before a
    // space, an apostrophe skipped after a terminator. Each is shifted across two block ends,
    // with counted sentences before it in the same block and after it.
    const std::vector<std::string> doubtful = {std::string(70, '.') + "x end.",
                                               std::string(70, '.') + " Next one.",
                                               std::string(150, '.') + "\"q\" ok",
                                               ". . " + std::string(66, '.') + "! Yes",
                                               "x! Tail",
                                               "?!'" + std::string(64, '.') + "a",
                                               ".a",
                                               ". b c",
                                               "a",
                                               "'"};
    for (const std::string& middle : doubtful) {
        for (std::size_t shift = 0; shift < 140; ++shift) {
            SCOPED_TRACE(shift);
            const std::string head = "Some words; more here. " + std::string(shift, 'w');
            ExpectSameAsCursorRoutines(head + " " + middle);
            ExpectSameAsCursorRoutines(head + "!" + middle + " after. Done");
            ExpectSameAsCursorRoutines(std::string(shift, ' ') + middle);
        }
    }
}

} // namespace
