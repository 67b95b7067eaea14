// Thresholds and the configuration file, long words, CSV quoting, and hot spots.
#include "analysis/measures.h"
#include "analysis/precise/precise.h"
#include "analysis/sentence_counts.h"
#include "analysis/tokenizer.h"
#include "analysis/words.h"
#include "host/api/host.h"
#include "host/formats/frameroman.h"
#include "host/model/builder.h"
#include "tool/digest.h"
#include "tool/figures.h"
#include "tool/hotspots.h"
#include "tool/html.h"
#include "tool/measures.h"
#include "tool/run.h"
#include "tool/table.h"
#include "tool/thresholds.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace lxtool;

MeasureSet WithValue(MeasureId id, double v) {
    MeasureSet m;
    m.values.fill(std::nan(""));
    m.values[id] = v;
    return m;
}

TEST(Thresholds, AtJustUnderAndJustOverEachLimit) {
    struct Case {
        ThresholdSettings settings;
        MeasureId measure;
        double value;
        bool missed;
    };
    ThresholdSettings fkgl, ari, smog, fog, ease, words;
    fkgl.own[kKincaidGradeMeasure] = 8;
    ari.own[kAriMeasure] = 8;
    smog.own[kSmogMeasure] = 8;
    fog.own[kFogMeasure] = 8;
    ease.own[kReadingEaseMeasure] = 60;
    words.own[kWordsPerSentenceMeasure] = 20;
    const Case cases[] = {
        {fkgl, kKincaidGradeMeasure, 8.0, false},
        {fkgl, kKincaidGradeMeasure, 7.9, false},
        {fkgl, kKincaidGradeMeasure, 8.1, true},
        // Compared as shown: 8.04 shows as 8.0 and passes, 8.05 shows as 8.1 and misses.
        {fkgl, kKincaidGradeMeasure, 8.04, false},
        {fkgl, kKincaidGradeMeasure, 8.06, true},
        {ari, kAriMeasure, 8.0, false},
        {ari, kAriMeasure, 8.1, true},
        {smog, kSmogMeasure, 7.9, false},
        {smog, kSmogMeasure, 8.1, true},
        {fog, kFogMeasure, 8.0, false},
        {fog, kFogMeasure, 8.1, true},
        {ease, kReadingEaseMeasure, 60.0, false},
        {ease, kReadingEaseMeasure, 60.1, false},
        {ease, kReadingEaseMeasure, 59.9, true},
        {words, kWordsPerSentenceMeasure, 20.0, false},
        {words, kWordsPerSentenceMeasure, 20.1, true},
        // A file with nothing counted has no value to miss a threshold with.
        {fkgl, kKincaidGradeMeasure, std::nan(""), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(RowOf(c.measure).csvKey) + " " + std::to_string(c.value));
        const Thresholds t = ResolveThresholds({}, c.settings);
        ASSERT_EQ(t.limits.size(), 1u);
        const std::vector<Miss> misses = Evaluate(t, WithValue(c.measure, c.value));
        EXPECT_EQ(misses.size(), c.missed ? 1u : 0u);
    }
}

TEST(Thresholds, OptionsOverrideTheFileAndOwnLimitsOverrideTheGrade) {
    ThresholdSettings file, options;
    file.maxGrade = 10;
    file.own[kSmogMeasure] = 12;
    file.own[kReadingEaseMeasure] = 50;
    file.excludeFormats = std::vector<std::string>{"Code"};
    options.maxGrade = 9;
    options.own[kAriMeasure] = 7;
    const Thresholds t = ResolveThresholds(file, options);
    std::vector<std::pair<std::string, double>> got;
    for (const Threshold& limit : t.limits)
        got.push_back({ThresholdName(limit), limit.limit});
    const std::vector<std::pair<std::string, double>> want = {
        {"min-ease", 50}, {"max-fkgl", 9}, {"max-ari", 7}, {"max-smog", 9}, {"max-fog", 9}};
    EXPECT_EQ(got, want);
    EXPECT_EQ(t.excludeFormats, std::vector<std::string>{"Code"});
    options.excludeFormats = std::vector<std::string>{"Listing"};
    EXPECT_EQ(ResolveThresholds(file, options).excludeFormats, std::vector<std::string>{"Listing"});
    // The sentence and paragraph rules: the option's over the file's, each on its own.
    file.maxSentenceLength = 25;
    file.maxParagraphGrade = 12;
    options.maxSentenceLength = 30;
    const Thresholds rules = ResolveThresholds(file, options);
    EXPECT_EQ(rules.maxSentenceLength, 30.0);
    EXPECT_EQ(rules.maxParagraphGrade, 12.0);
}

// Every measure with a threshold in the registry is an option and a configuration key of its
// own, and each sets the limit of its measure (max-grade: of every measure it covers).
TEST(Thresholds, EveryRowWithAThresholdIsAnOptionAndAKey) {
    const std::vector<ThresholdOption> options = ThresholdOptions();
    ASSERT_FALSE(options.empty());
    EXPECT_STREQ(options[0].name, "max-grade");
    std::vector<MeasureId> withThreshold, underMaxGrade;
    for (MeasureId id = 0; id < kMeasureRowCount; ++id) {
        if (RowOf(id).thresholdKey)
            withThreshold.push_back(id);
        if (RowOf(id).underMaxGrade)
            underMaxGrade.push_back(id);
    }
    // max-grade, a measure's own, and the sentence and paragraph rules.
    EXPECT_EQ(options.size(), withThreshold.size() + 3);
    std::set<std::string> names, keys;
    const std::string list = ThresholdOptionList();
    for (const ThresholdOption& o : options) {
        SCOPED_TRACE(o.name);
        EXPECT_TRUE(names.insert(o.name).second);
        EXPECT_TRUE(keys.insert(o.key).second);
        EXPECT_NE(list.find(std::string("--") + o.name), std::string::npos);
        EXPECT_FALSE(o.help.empty());
        ThresholdSettings given;
        SettingOf(given, o) = 7;
        std::vector<MeasureId> limited;
        for (const Threshold& t : ResolveThresholds({}, given).limits) {
            limited.push_back(t.measure);
            EXPECT_EQ(t.limit, 7.0);
        }
        const Thresholds resolved = ResolveThresholds({}, given);
        EXPECT_EQ(resolved.maxSentenceLength.has_value(), o.scope == ThresholdScope::Sentence);
        EXPECT_EQ(resolved.maxParagraphGrade.has_value(), o.scope == ThresholdScope::Paragraph);
        if (o.scope != ThresholdScope::File) {
            EXPECT_TRUE(limited.empty());
        } else if (o.measure == kMeasureRowCount) {
            EXPECT_EQ(limited, underMaxGrade);
        } else {
            EXPECT_EQ(limited, std::vector<MeasureId>{o.measure});
            EXPECT_EQ(ThresholdName({o.measure, Bound::Max, 7}), o.name);
        }
#if LX_HAVE_TOML
        ThresholdSettings read;
        std::string error;
        ASSERT_TRUE(
            ParseConfig("[thresholds]\n" + std::string(o.key) + " = 7\n", "t.toml", &read, &error))
            << error;
        EXPECT_EQ(SettingOf(read, o), 7.0);
#endif
    }
}

#if LX_HAVE_TOML

TEST(Config, ReadsThresholdsAndExcludeFormats) {
    ThresholdSettings s;
    std::string error;
    ASSERT_TRUE(ParseConfig("exclude_formats = [\"Code\", \"Listing\"]\n"
                            "[thresholds]\nmax_grade = 10\nmin_ease = 55.5\n"
                            "max_sentence_words = 22\nmax_sentence_length = 30\n"
                            "max_paragraph_grade = 11.5\n",
                            "team.toml", &s, &error))
        << error;
    EXPECT_EQ(s.maxSentenceLength, 30.0);
    EXPECT_EQ(s.maxParagraphGrade, 11.5);
    EXPECT_EQ(s.maxGrade, 10.0);
    EXPECT_EQ(s.own[kReadingEaseMeasure], 55.5);
    EXPECT_EQ(s.own[kWordsPerSentenceMeasure], 22.0);
    EXPECT_FALSE(s.own[kSmogMeasure].has_value());
    EXPECT_EQ(*s.excludeFormats, (std::vector<std::string>{"Code", "Listing"}));
    EXPECT_FALSE(s.counting.has_value());
    ASSERT_TRUE(ParseConfig("counting = \"precise\"\n", "team.toml", &s, &error)) << error;
    EXPECT_EQ(s.counting, "precise");
    EXPECT_FALSE(s.exclude.has_value());
    ASSERT_TRUE(ParseConfig("exclude = [\"tables\", \"headings\"]\n", "team.toml", &s, &error))
        << error;
    EXPECT_EQ(*s.exclude, (std::vector<std::string>{"tables", "headings"}));
}

TEST(Config, ErrorsNameTheFileLineAndKey) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"[thresholds]\nmax_grades = 10\n",
         "team.toml:2: unknown key 'max_grades' in [thresholds]"},
        {"[thresholds]\nmax_smog = \"nine\"\n",
         "team.toml:2: [thresholds] max_smog: expected a number, found a string"},
        {"[thresholds]\nmin_ease = true\n",
         "team.toml:2: [thresholds] min_ease: expected a number, found true or false"},
        {"[thresholds]\nmax_fog = nan\n",
         "team.toml:2: [thresholds] max_fog: expected a finite number, found nan"},
        {"max_grade = 10\n", "team.toml:1: unknown key 'max_grade' (known: [thresholds]"},
        {"thresholds = 3\n", "team.toml:1: thresholds: expected a table"},
        {"exclude_formats = \"Code\"\n", "team.toml:1: exclude_formats: expected a list"},
        {"exclude_formats = [1]\n", "team.toml:1: exclude_formats: expected a list"},
        {"[thresholds\nmax_grade = 10\n", "team.toml:1: "},
        {"counting = \"exact\"\n", "team.toml:1: counting: expected \"classic\" or \"precise\""},
        {"counting = 1\n", "team.toml:1: counting: expected \"classic\" or \"precise\""},
        {"[thresholds]\nmax_sentence_length = 0\n",
         "team.toml:2: [thresholds] max_sentence_length: a sentence length is a whole number of "
         "words, 1 or more, found 0.0"},
        {"[thresholds]\nmax_sentence_length = 20.5\n",
         "team.toml:2: [thresholds] max_sentence_length: a sentence length is a whole number"},
        {"[thresholds]\nmax_paragraph_grade = inf\n",
         "team.toml:2: [thresholds] max_paragraph_grade: expected a finite number, found inf"},
        {"exclude = \"tables\"\n", "team.toml:1: exclude: expected a list of \"tables\""},
        {"exclude = [\"figures\"]\n", "team.toml:1: exclude: expected a list of \"tables\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ThresholdSettings s;
        s.own[kAriMeasure] = 1;
        std::string error;
        EXPECT_FALSE(ParseConfig(c.text, "team.toml", &s, &error));
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
        EXPECT_EQ(s.own[kAriMeasure], 1.0); // nothing is taken from a file with an error
    }
}

// The plug-in's messages count by the classic rules: the option is refused with them, and the
// configuration's precise profile gives way, with a warning.
TEST(Config, PreciseCountingGivesWayToTheClassicRulesForMessages) {
    const std::string path = ::testing::TempDir() + "counting-messages.toml";
    {
        std::ofstream file(path);
        file << "counting = \"precise\"\n";
    }
    struct Case {
        const char* command;
        bool message;        // a --message is given
        const char* given;   // --counting, "" when not given
        const char* refusal; // what the refusal says, "" when the run goes on
        Counting counting;   // the profile in force when it goes on
        bool warned;         // the run says that the configuration's profile gave way
    };
    const Case cases[] = {
        {"open", true, "", "", Counting::Classic, true},
        {"stats", true, "", "", Counting::Classic, true},
        {"open", true, "precise", "the command 'open' delivers messages", Counting::Classic, false},
        {"stats", true, "precise", "--message delivers messages", Counting::Classic, false},
        {"open", true, "classic", "", Counting::Classic, false},
        {"report", false, "", "", Counting::Precise, false},
        {"word-counts", false, "precise", "", Counting::Precise, false},
    };
    std::string why;
    const bool precise = lxprecise::Available(&why);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.given);
        if (c.counting == Counting::Precise && !precise)
            continue;
        ToolOptions options;
        options.command = c.command;
        options.config = path;
        options.countingGiven = c.given;
        if (c.message)
            options.messages.push_back("GetStatisticsDoc");
        int status = 0;
        bool usage = false;
        const std::string problem = SettleCounting(&options, &status, &usage);
        if (*c.refusal) {
            EXPECT_NE(problem.find(c.refusal), std::string::npos) << problem;
            EXPECT_TRUE(usage);
            EXPECT_EQ(status, kExitUsage);
            continue;
        }
        EXPECT_EQ(problem, "");
        EXPECT_EQ(options.counting, c.counting);
        EXPECT_EQ(options.countingGiven, CountingName(c.counting));
        EXPECT_EQ(options.warnings.size(), c.warned ? 1u : 0u);
    }
    std::remove(path.c_str());
}

#else

TEST(Config, ThisBuildSaysItCannotReadConfigurationFiles) {
    ThresholdSettings s;
    std::string error;
    EXPECT_FALSE(ConfigSupported());
    EXPECT_FALSE(ParseConfig("[thresholds]\nmax_grade = 10\n", "team.toml", &s, &error));
    EXPECT_NE(error.find("team.toml: this build of lexameter cannot read configuration files"),
              std::string::npos);
}

#endif

// A long word has more than six letters, counted after its punctuation is trimmed.
TEST(Measures, LongWordsHaveMoreThanSixLetters) {
    const struct {
        const char* sentence;
        std::int32_t longWords;
    } cases[] = {
        {"The simple dog sat on the warm mat.", 0},  // "simple": six letters
        {"The printer ran out of paper today.", 1},  // "printer": seven
        {"Readability matters to editors.", 3},      // "editors." trimmed has seven letters
        {"We said \"hello,\" then \"goodbye.\"", 1}, // quotes and commas are not letters
        {"Caf\x8E owners reopened quickly.", 2},     // FrameRoman: one byte a letter
    };
    for (const auto& c : cases) {
        std::int32_t total = 0;
        ForEachCountedSentence(
            c.sentence,
            [](std::string_view, const ReadabilityCounts&, std::int32_t longWords, void* context) {
                *static_cast<std::int32_t*>(context) += longWords;
            },
            &total);
        EXPECT_EQ(total, c.longWords) << c.sentence;
    }
}

TEST(Csv, QuotesNamesWithCommasAndQuotationMarks) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"plain.mif", "plain.mif"},
        {"a,b.mif", "\"a,b.mif\""},
        {"say \"hi\".mif", "\"say \"\"hi\"\".mif\""},
        {"\"", "\"\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"", ""},
        // What a spreadsheet would run as a formula stays text; numbers stay numbers.
        {"=1+2.md", "\"'=1+2.md\""},
        {"+cmd", "\"'+cmd\""},
        {"-x.txt", "\"'-x.txt\""},
        {"@sum(a)", "\"'@sum(a)\""},
        {"=a,b", "\"'=a,b\""},
        {"-3.5", "-3.5"},
        {"+24", "+24"},
        {"'quoted", "\"'quoted\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CsvField(c.in), c.out) << c.in;
    TextTable t{{"file", "n"}, {{"a,b", "1"}, {"c", "2"}}};
    EXPECT_EQ(RenderCsv(t), "file,n\n\"a,b\",1\nc,2\n");
}

TEST(Table, ColumnsAlignOnCharactersNotBytes) {
    TextTable t{{"File", "Words"}, {{"caf\xC3\xA9.mif", "12"}, {"a.mif", "3"}}};
    EXPECT_EQ(RenderTable(t), "File      Words\n"
                              "--------  -----\n"
                              "caf\xC3\xA9.mif  12\n"
                              "a.mif     3\n");
}

class HotspotsTest : public ::testing::Test {
  protected:
    InputFigures Measure(ObjectId doc) {
        HostClient client(host_);
        return CollectFigures(host_, doc);
    }
    lxhost::Host host_;
};

TEST_F(HotspotsTest, FindsTheKnownHardestParagraphAndLongestSentence) {
    lxhost::DocBuilder b(host_.session());
    ObjectId page = b.Page(lxhost::kKindBodyPage, "7");
    ObjectId frame = b.TextFrame(page);
    ObjectId flow = b.Flow();
    b.Para(flow, frame, "Hard Heading", {.format = "Heading1"});
    b.Para(flow, frame, "The cat sat. The dog ran. We all went home.");
    // The hardest: long words in long sentences.
    b.Para(flow, frame,
           "Institutional interoperability necessitates comprehensive organizational "
           "documentation. Administrative responsibilities accumulate considerably. "
           "Consequently, communication deteriorates unexpectedly.",
           {.format = "Dense"});
    // Hard words but only two sentences: not ranked among the hardest.
    b.Para(flow, frame,
           "Extraordinarily incomprehensible terminology proliferates. Unquestionably.");
    std::string longSentence;
    for (int i = 0; i < 32; ++i)
        longSentence += "word ";
    b.Para(flow, frame, "Short one. " + longSentence + "end. Another short one.");

    const InputFigures figures = Measure(b.id());
    HotspotOptions options;
    options.top = 2;
    const Hotspots h = FindHotspots(figures, options);
    ASSERT_EQ(h.hardest.size(), 2u);
    EXPECT_EQ(h.hardest[0].paragraph->format, "Dense");
    EXPECT_EQ(h.hardest[0].paragraph->page, "7");
    EXPECT_EQ(h.hardest[0].paragraph->number, 3u);
    ASSERT_EQ(h.longest.size(), 1u);
    EXPECT_EQ(h.longest[0].sentence->counts.words, 33);
    EXPECT_EQ(SentenceText(*h.longest[0].paragraph, *h.longest[0].sentence), longSentence + "end.");
    ASSERT_EQ(h.mostComplex.size(), 2u);
    EXPECT_EQ(h.mostComplex[0].paragraph->format, "Dense");

    options.longSentenceWords = 34;
    EXPECT_TRUE(FindHotspots(figures, options).longest.empty());
    EXPECT_EQ(FirstWords("One, two (three) four five", 3), "One, two (three ...");
    EXPECT_EQ(FirstWords("One two", 3), "One two");
}

std::string Hex(const std::array<std::uint8_t, 32>& d) {
    static const char* kDigits = "0123456789abcdef";
    std::string s;
    for (std::uint8_t b : d) {
        s += kDigits[b >> 4];
        s += kDigits[b & 15];
    }
    return s;
}

// Digests of the published test vectors, and lengths around the padding's block boundary.
// The words handed out with the counted sentences are the word list's words of the same text.
TEST(Measures, CountedSentencesHandOutTheWordListsWords) {
    const char* texts[] = {
        "The cat sat. A dog ran to it.",
        "Hi. No. This sentence is long enough to count.", // sentences too short to count
        "Dashes -- and \"quotes,\" (brackets) ... and 3.14 numbers!",
        "Caf\x8E au lait\x11 then tea\x09 and more words here.",
        "   ",
        "",
        "...!!! ??? --",
    };
    using Words = std::vector<std::string>;
    const auto add = [](std::string_view word, void* context) {
        static_cast<Words*>(context)->emplace_back(word);
    };
    for (const char* text : texts) {
        Words listed, handed;
        ForEachListedWord(text, add, &listed);
        ForEachCountedSentence(
            text, [](std::string_view, const ReadabilityCounts&, std::int32_t, void*) {}, nullptr,
            add, &handed);
        EXPECT_EQ(handed, listed) << text;
    }
}

// Words that differ only in their last bytes, or only in length (at the lengths where the
// comparison reads four or eight bytes at a time), or that are long, are told apart; the table
// grows across a batch and keeps every tally.
TEST(WordOccurrences, TellsApartWordsAlikeInTheirFirstBytes) {
    const std::string longWord(300, 'x');
    const std::string longWordToo = std::string(299, 'x') + "y";
    const struct {
        std::string word;
        std::int32_t listedTimes, otherTimes;
    } cases[] = {
        {"a", 1, 0},
        {"A", 2, 0},            // case matters to the table
        {"abcdefghijk", 1, 1},  // eleven bytes: held in the slot
        {"abcdefghijkl", 3, 0}, // twelve: alike in the eleven the slot holds
        {"abcdefghijkm", 0, 2}, // counted, never listed
        {"abcdefghij", 1, 0},   // a prefix of the above
        {"abc", 1, 0},          // three bytes, byte by byte
        {"abcd", 1, 1},         // four and seven: two overlapping loads of four
        {"abcdefg", 2, 0},
        {"abcdefgh", 1, 0}, // eight and nine: loads of eight
        {"abcdefgi", 1, 0},
        {"abcdefghz", 0, 1},
        {longWord, 2, 0},    // beyond what a slot records of its length
        {longWordToo, 1, 0}, // the same length, the last byte differs
        {std::string(255, 'x'), 1, 0},
    };
    WordOccurrences table;
    std::vector<std::string> listed, other;
    for (const auto& c : cases) {
        for (int i = 0; i < c.listedTimes; ++i)
            listed.push_back(c.word);
        for (int i = 0; i < c.otherTimes; ++i)
            other.push_back(c.word);
    }
    // Enough distinct words to make the table grow inside one batch.
    for (int i = 0; i < 5000; ++i)
        listed.push_back("w" + std::to_string(i));
    std::vector<std::string_view> views(listed.begin(), listed.end());
    table.CountAll(views.data(), views.size(), true);
    views.assign(other.begin(), other.end());
    table.CountAll(views.data(), views.size(), false);

    EXPECT_EQ(table.size(), std::size(cases) + 5000);
    for (const auto& c : cases) {
        const WordTally* t = table.Find(c.word);
        ASSERT_NE(t, nullptr) << c.word;
        EXPECT_EQ(t->count, c.listedTimes + c.otherTimes) << c.word;
        EXPECT_EQ(t->listed, c.listedTimes > 0) << c.word;
    }
    EXPECT_EQ(table.Find("w4999")->count, 1);
    EXPECT_EQ(table.Find("abcdefghijkn"), nullptr);
    EXPECT_EQ(table.Find(std::string(256, 'x')), nullptr);
    EXPECT_EQ(table.Find(""), nullptr);
    std::size_t visited = 0;
    table.ForEach([&](std::string_view word, const WordTally& tally) {
        ++visited;
        EXPECT_EQ(table.Find(word), &tally);
        EXPECT_EQ(word.data()[word.size()], '\0') << word; // the list's order reads C strings
    });
    EXPECT_EQ(visited, table.size());
}

// The word list's order is the plug-in's (CompareWords) for words alike in their first eight
// bytes but for case, words that end within them, capitals, and bytes above 0x7F.
TEST(WordOccurrences, ListedInThePlugInsOrder) {
    const std::vector<std::string> words = {
        "abcdefgh",
        "abcdefghi",
        "ABCDEFGHI",
        "abcdefgH",
        "abcdefg",
        "Abcdefg",
        "abc",
        "ab",
        "a",
        "B",
        "b",
        "zebra",
        "\x8A"
        "bc",
        "\xD8x",
        "ab\x8A",
        "ab\x7F",
        "ab[",
        "AB_",
        "abcdefghij"
        "klmnop",
        "abcdefghij"
        "klmnoP",
        "1999",
        "_x",
    };
    InputFigures figures;
    std::vector<std::string_view> views(words.begin(), words.end());
    figures.occurrences.CountAll(views.data(), views.size(), true);
    std::vector<const char*> expected;
    for (const std::string& w : words)
        expected.push_back(w.c_str());
    std::sort(expected.begin(), expected.end(),
              [](const char* a, const char* b) { return CompareWords(&a, &b) < 0; });
    const std::vector<ListedWord> listed = SortedListedWords(figures);
    ASSERT_EQ(listed.size(), expected.size());
    for (std::size_t i = 0; i < listed.size(); ++i)
        EXPECT_STREQ(listed[i].word, expected[i]) << i;
}

// Host text in UTF-8 is the host's character set converted byte for byte, whether or not the
// text is printable ASCII alone: every byte alone, and between printable ones.
TEST(Utf8OfHostText, EveryByteAsTheCharacterSetConvertsIt) {
    for (int b = 1; b < 256; ++b) {
        for (const std::string& text : {std::string(1, static_cast<char>(b)),
                                        "ab" + std::string(1, static_cast<char>(b)) + "z"}) {
            std::string expected;
            lxhost::FrameRomanToUtf8(text, expected);
            EXPECT_EQ(Utf8OfHostText(text), expected) << "byte " << b;
        }
    }
    EXPECT_EQ(Utf8OfHostText(""), "");
}

TEST(Digest, Sha256AndBase64) {
    EXPECT_EQ(Hex(Sha256("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Hex(Sha256("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Hex(Sha256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Hex(Sha256(std::string(64, 'a'))),
              "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
    const std::uint8_t bytes[] = {'M', 'a', 'n'};
    EXPECT_EQ(Base64(bytes, 3), "TWFu");
    EXPECT_EQ(Base64(bytes, 2), "TWE=");
    EXPECT_EQ(Base64(bytes, 1), "TQ==");
}

TEST(Html, EscapesTextAndClassifiesGrades) {
    EXPECT_EQ(HtmlEscape("<a href=\"x\">Tom & 'Jerry'</a>"),
              "&lt;a href=&quot;x&quot;&gt;Tom &amp; &#39;Jerry&#39;&lt;/a&gt;");
    const std::pair<double, int> grades[] = {{-2, 0},  {6.0, 0},  {6.01, 1}, {8.0, 1},
                                             {9.5, 2}, {12.0, 3}, {12.1, 4}, {std::nan(""), 5}};
    for (auto [grade, cls] : grades)
        EXPECT_EQ(DifficultyClass(grade), cls) << grade;
}

// A sentence is shown with the stop that ended it and a closing mark glued to that stop, wherever
// it stands in its paragraph; nothing after them.
TEST(Hotspots, SentenceTextKeepsItsStop) {
    const struct {
        const char* text;
        std::size_t index;
        const char* shown;
    } cases[] = {
        {"Short one. Long one here. Last.", 1, "Long one here."},
        {"Short one. Long one here. Last.", 2, "Last."},
        {"Is it so? Yes it is!", 0, "Is it so?"},
        {"Is it so? Yes it is!", 1, "Yes it is!"},
        {"\"Stop now!\" he said. Then left.", 0, "\"Stop now!\""},
        {"\xD2Stop now!\xD3 he said. Then left.", 0, "\xE2\x80\x9CStop now!\xE2\x80\x9D"},
        {"It runs (see below?) fast.", 0, "It runs (see below?)"},
        {"A list follows: one, two.", 0, "A list follows:"},
        {"No stop at the end", 0, "No stop at the end"},
    };
    for (const auto& c : cases) {
        ParagraphFigures p;
        p.text = c.text;
        std::size_t pos = 0;
        std::string_view sentence;
        std::vector<SentenceFigures> sentences;
        while (NextSentenceView(p.text, &pos, &sentence))
            sentences.push_back({static_cast<std::uint32_t>(sentence.data() - p.text.data()),
                                 static_cast<std::uint32_t>(sentence.size())});
        ASSERT_LT(c.index, sentences.size()) << c.text;
        EXPECT_EQ(SentenceText(p, sentences[c.index]), c.shown) << c.text;
    }
}

// Each list is ranked as the paragraphs come: the highest first, the first of equals first, at
// most `top` kept; a paragraph's file is the one it came in.
TEST(Hotspots, CollectedAsTheyComeKeepTheTopInBookOrder) {
    constexpr int kNoWords = -1; // a paragraph whose grade cannot be computed
    const struct {
        const char* what;
        int top;
        std::vector<int> complex;   // complex words of paragraphs 1, 2, ...
        std::vector<int> syllables; // of 3 sentences, 30 words each; kNoWords for no words
        std::vector<std::uint32_t> mostComplex, hardest; // paragraph numbers, ranked
    } cases[] = {
        {"fewer than top", 5, {1, 3, 2}, {40, 60, 50}, {2, 3, 1}, {2, 3, 1}},
        {"equals keep the first", 2, {2, 3, 3, 3}, {45, 50, 50, 50}, {2, 3}, {2, 3}},
        {"an equal of the last kept stays out", 2, {5, 1, 1, 1}, {60, 40, 40, 40}, {1, 2}, {1, 2}},
        {"a later higher one comes in", 2, {1, 1, 4}, {40, 40, 70}, {3, 1}, {3, 1}},
        {"none asked for", 0, {3}, {50}, {}, {}},
        {"many more than the top",
         2,
         {1, 5, 2, 5, 3, 5, 4},
         {40, 60, 45, 60, 50, 60, 55},
         {2, 4},
         {2, 4}},
        {"unranked without complex words", 3, {0, 2, 0}, {40, 40, 40}, {2}, {1, 2, 3}},
        {"an unknown grade last", 3, {1, 1, 1}, {kNoWords, 40, 50}, {1, 2, 3}, {3, 2, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InputFigures figures;
        figures.files.resize(2);
        HotspotCollector collector(HotspotOptions{c.top, kDefaultLongSentenceWords});
        for (std::size_t i = 0; i < c.complex.size(); ++i) {
            ParagraphFigures p;
            p.number = static_cast<std::uint32_t>(i + 1);
            p.counts.sentences = 3;
            p.counts.words = c.syllables[i] == kNoWords ? 0 : 30;
            p.counts.syllables = c.syllables[i] == kNoWords ? 0 : c.syllables[i];
            p.counts.complexWords = c.complex[i];
            EXPECT_FALSE(collector.Take(i % 2, figures.files[i % 2], p));
        }
        const Hotspots h = collector.Result(figures);
        std::vector<std::uint32_t> complex, hardest;
        for (const ParagraphSpot& s : h.mostComplex) {
            complex.push_back(s.paragraph->number);
            EXPECT_EQ(s.file, &figures.files[(s.paragraph->number - 1) % 2]);
        }
        for (const ParagraphSpot& s : h.hardest)
            hardest.push_back(s.paragraph->number);
        EXPECT_EQ(complex, c.mostComplex);
        EXPECT_EQ(hardest, c.hardest);
    }
}

TEST(Hotspots, HeadingFormatsAreTheReadersHeadingsAndTitles) {
    const std::pair<const char*, bool> cases[] = {
        {"Heading1", true},     {"Heading6", true},     {"heading2", true},
        {"HeadingRunIn", true}, {"Title", true},        {"ChapterTitle", true},
        {"Subtitle", true},     {"h3", true},           {"H1", true},
        {"Body", false},        {"CellHeading", false}, {"TOCHeading1", false},
        {"TableTitle", false},  {"h7", false},          {"", false},
        {"Bullet", false},
    };
    for (auto [format, heading] : cases)
        EXPECT_EQ(IsHeadingFormat(format), heading) << format;
}

TEST(Html, SentenceLengthClassesOfFiveWords) {
    const std::pair<int, int> cases[] = {{0, 0},  {1, 0},  {5, 0},   {6, 1},
                                         {10, 1}, {50, 9}, {51, 10}, {400, 10}};
    for (auto [words, bin] : cases)
        EXPECT_EQ(SentenceLengthBin(words), bin) << words;
}

// The page drawn from a real document: the heading is drawn as a heading, not by its grade; the
// hardest paragraph's block links to its hot spot, which the page holds; counts of one are in
// the singular; a histogram bar per length class.
TEST_F(HotspotsTest, PageDrawsHeadingsLinksSpotsAndCountsInTheirForm) {
    lxhost::DocBuilder b(host_.session());
    ObjectId page = b.Page(lxhost::kKindBodyPage, "1");
    ObjectId frame = b.TextFrame(page);
    ObjectId flow = b.Flow();
    b.Para(flow, frame, "Institutional Interoperability Considerations", {.format = "Heading1"});
    b.Para(flow, frame,
           "Institutional interoperability necessitates comprehensive organizational "
           "documentation. Administrative responsibilities accumulate considerably. "
           "Consequently, communication deteriorates unexpectedly.",
           {.format = "Body"});
    Measured m;
    m.figures = Measure(b.id());
    m.figures.name = "doc.mif";
    const Hotspots spots = FindHotspots(m.figures, HotspotOptions{});
    const HotspotOptions options;
    const Thresholds thresholds;
    const std::string html = RenderHtml({&m, &spots, &options, &thresholds, ""});
    auto has = [&](const std::string& text) { return html.find(text) != std::string::npos; };

    EXPECT_TRUE(has("<rect class=\"dh\" x=\"0\""));
    EXPECT_TRUE(has("paragraph 1, page 1, format Heading1: heading, grade "));
    EXPECT_FALSE(has("<rect class=\"d4\" x=\"0\""));
    EXPECT_TRUE(has("<a href=\"#hardest-1\"><rect class=\"d4\" x=\"1\""));
    EXPECT_TRUE(has("<li class=\"hotspot\" id=\"hardest-1\">"));
    EXPECT_TRUE(has("(2 paragraphs)"));
    EXPECT_TRUE(has(", 1 sentence, "));
    for (const char* wrong : {"1 sentences", "1 paragraphs", "1 words", "1 complex words"})
        EXPECT_FALSE(has(std::string(" ") + wrong)) << wrong;
    std::size_t bars = 0;
    for (std::size_t at = html.find("sentences of "); at != std::string::npos;
         at = html.find("sentences of ", at + 1))
        ++bars;
    EXPECT_EQ(bars + (has(">1 sentence of ") ? 1 : 0),
              static_cast<std::size_t>(kSentenceLengthBins));
}

// The page's word list: a row a word, its text escaped, its numbers grouped by thousands, the
// complex ones marked.
TEST(Html, WordListRowsAreEscapedAndGrouped) {
    const struct {
        WordCount word;
        const char* row;
    } cases[] = {
        {{"plain", 1, 1}, "<tr><td>plain</td><td>1</td><td>1</td><td></td></tr>"},
        {{"<a&b>", 999, 2}, "<tr><td>&lt;a&amp;b&gt;</td><td>999</td><td>2</td><td></td></tr>"},
        {{"\"q'", 1000, 3}, "<tr><td>&quot;q&#39;</td><td>1,000</td><td>3</td><td>yes</td></tr>"},
        {{"&", 1234567, 12}, "<tr><td>&amp;</td><td>1,234,567</td><td>12</td><td>yes</td></tr>"},
        {{"x", 2147483647, 1}, "<tr><td>x</td><td>2,147,483,647</td><td>1</td><td></td></tr>"},
    };
    Measured m;
    for (const auto& c : cases)
        m.words.push_back(c.word);
    const Hotspots spots;
    const HotspotOptions options;
    const Thresholds thresholds;
    const std::vector<PageFile> none;
    const std::string html = RenderHtml({&m, &spots, &options, &thresholds, "", &none});
    for (const auto& c : cases)
        EXPECT_NE(html.find(std::string(c.row) + "\n"), std::string::npos) << c.row;
}

// The tool shows a value as the plug-in does, rounded from the double's exact value: halves
// that are exact go to the even digit, those that are not exact go the way their value lies.
TEST(Measures, ValueTextIsThePlugInsText) {
    const struct {
        double value;
        const char* shown;
    } cases[] = {
        {0.0, "0.0"},
        {-0.0, "-0.0"},
        {-0.04, "-0.0"},
        {0.05, "0.1"},   // just above the half
        {0.15, "0.1"},   // just below it
        {0.25, "0.2"},   // the half itself: to even
        {0.75, "0.8"},   // to even
        {0.35, "0.3"},   // below
        {12.45, "12.4"}, // below
        {-7.25, "-7.2"},
        {99.95, "100.0"}, // above: carries
        {206.835, "206.8"},
        {-1.0e-320, "-0.0"},
        {123456789012.34, "123456789012.3"},
        {1.0e21, "1000000000000000000000.0"},
        {std::nan(""), "n/a"},
        {HUGE_VAL, "n/a"},
        {-HUGE_VAL, "n/a"},
    };
    for (const auto& c : cases) {
        char plugIn[kMeasureValueSize];
        FormatMeasureValue(c.value, plugIn, sizeof plugIn);
        EXPECT_EQ(ValueText(c.value), c.shown) << c.value;
        EXPECT_EQ(ValueText(c.value), plugIn) << c.value;
    }
    // Grades and scores near every half and every whole tenth, quick way or not.
    std::size_t differ = 0;
    for (int k = -100000; k <= 100000; ++k)
        for (double v : {k / 100.0, k / 1000.0, k * 0.05, k * 1e7 + 0.05, k / 3.0}) {
            char expected[kMeasureValueSize];
            FormatMeasureValue(v, expected, sizeof expected);
            if (ValueText(v) != expected && ++differ < 10)
                ADD_FAILURE() << v << ": " << ValueText(v) << " against " << expected;
        }
    EXPECT_EQ(differ, 0u);
    // The longest: every digit of the largest double.
    char plugIn[kMeasureValueSize];
    FormatMeasureValue(-DBL_MAX, plugIn, sizeof plugIn);
    EXPECT_EQ(ValueText(-DBL_MAX), plugIn);
    EXPECT_LT(ValueText(-DBL_MAX).size(), kValueTextSize);
}

// The strip's names and places are each file's own, each once, and a paragraph's place is its
// own whether or not it is the last paragraph's.
TEST(Html, StripNamesAreEachFilesOwnEachOnce) {
    const struct {
        std::size_t file;
        const char *format, *page;
        std::uint32_t column;
    } paragraphs[] = {
        {0, "Body", "1", 1}, {0, "Body", "1", 1},    {0, "Heading1", "1", 1}, {0, "Body", "2", 1},
        {0, "", "2", 1},     {0, "Heading1", "", 1}, {0, "Body", "1", 3},     {0, "Body", "1", 1},
        {1, "Body", "9", 1}, {1, "Body", "9", 1},    {1, "Note", "9", 1},     {1, "Body", "1", 1},
    };
    PageCollector collector(HotspotOptions{});
    FileFigures file;
    for (const auto& p : paragraphs) {
        ParagraphFigures figures;
        figures.format = p.format;
        figures.page = p.page;
        figures.language = "en";
        figures.column = p.column;
        collector.Take(p.file, file, figures);
    }
    ASSERT_EQ(collector.files.size(), 2u);
    std::size_t at = 0;
    for (const PageFile& page : collector.files) {
        for (std::size_t i = 0; i < page.names.size(); ++i)
            for (std::size_t j = i + 1; j < page.names.size(); ++j)
                EXPECT_NE(page.names[i], page.names[j]);
        for (std::size_t i = 0; i < page.places.size(); ++i)
            for (std::size_t j = i + 1; j < page.places.size(); ++j)
                EXPECT_FALSE(page.places[i] == page.places[j]);
        StripBlocks::Reader blocks(page.strip);
        for (StripParagraph block; blocks.Next(&block);) {
            const auto& p = paragraphs[at++];
            const StripPlace& s = page.places.at(block.place);
            EXPECT_EQ(page.names.at(s.format), p.format) << "paragraph " << at;
            EXPECT_EQ(page.names.at(s.page), p.page) << "paragraph " << at;
            EXPECT_EQ(page.names.at(s.language), "en") << "paragraph " << at;
            EXPECT_EQ(s.column, p.column) << "paragraph " << at;
        }
    }
    EXPECT_EQ(at, std::size(paragraphs));
    EXPECT_EQ(collector.files[1].names, (std::vector<std::string>{"Body", "9", "en", "Note", "1"}));
}

// The strip's packed blocks read back as they were put, whatever their lines do (go on, go back,
// stay unknown, reach the ends of their range) and over many pieces of bytes.
TEST(Html, StripBlocksReadBackAsPut) {
    const StripParagraph kinds[] = {
        {7.25, 1, 0},
        {12.5, 2, 3},
        {-3.5, 0, 0}, // the line not known
        {std::numeric_limits<double>::quiet_NaN(), 5000000, 127},
        {std::numeric_limits<double>::infinity(), 4, 128},
        {0.1, UINT32_MAX, UINT32_MAX},
        {-0.0, 1, 16384},
        {1e300, 0x80000000u, 2},
    };
    StripBlocks blocks;
    std::vector<StripParagraph> put;
    for (std::uint32_t i = 0; i < 40000; ++i) { // more than one piece
        StripParagraph p = kinds[i % std::size(kinds)];
        if (i % 3 == 0)
            p.line += i;
        put.push_back(p);
        blocks.push_back(p);
    }
    ASSERT_EQ(blocks.size(), put.size());
    StripBlocks::Reader reader(blocks);
    StripParagraph got;
    for (std::size_t i = 0; i < put.size(); ++i) {
        ASSERT_TRUE(reader.Next(&got)) << i;
        EXPECT_EQ(std::memcmp(&got.grade, &put[i].grade, sizeof got.grade), 0) << i;
        EXPECT_EQ(got.line, put[i].line) << i;
        EXPECT_EQ(got.place, put[i].place) << i;
    }
    EXPECT_FALSE(reader.Next(&got));
    StripParagraph untouched;
    EXPECT_FALSE(StripBlocks::Reader(StripBlocks()).Next(&untouched));
}

// A paragraph longer than the pieces the page is handed on in is shown whole, once, in its place.
TEST_F(HotspotsTest, APageHoldsAParagraphLargerThanItsPieces) {
    std::string text;
    while (text.size() < 200 * 1024)
        text += "Considerable administrative documentation <accumulates> unexpectedly. ";
    text.pop_back();
    lxhost::DocBuilder b(host_.session());
    ObjectId page = b.Page(lxhost::kKindBodyPage, "1");
    ObjectId frame = b.TextFrame(page);
    ObjectId flow = b.Flow();
    b.Para(flow, frame, "A short one. Then another.", {.format = "Body"});
    b.Para(flow, frame, text, {.format = "Body"});
    Measured m;
    m.figures = Measure(b.id());
    m.figures.name = "doc.mif";
    const Hotspots spots = FindHotspots(m.figures, HotspotOptions{});
    const HotspotOptions options;
    const Thresholds thresholds;
    std::vector<std::size_t> pieces;
    std::string html;
    WriteHtml({&m, &spots, &options, &thresholds, ""}, [&](std::string_view piece) {
        pieces.push_back(piece.size());
        html += piece;
    });
    const std::string shown = "<blockquote>" + HtmlEscape(text) + "</blockquote>";
    std::size_t lists = 0; // the hot spot lists that show it
    for (const auto* list : {&spots.hardest, &spots.mostComplex})
        for (const ParagraphSpot& spot : *list)
            lists += spot.paragraph->text.size() > 1000 ? 1 : 0;
    ASSERT_GT(lists, 0u);
    std::size_t found = 0;
    for (std::size_t at = html.find(shown); at != std::string::npos; at = html.find(shown, at + 1))
        ++found;
    EXPECT_EQ(found, lists);
    EXPECT_TRUE(html.ends_with("</main>\n</body>\n</html>\n"));
    EXPECT_GT(pieces.size(), 2u);
    EXPECT_EQ(std::count(pieces.begin(), pieces.end(), 0u), 0);
}

TEST(Html, ChartLabelsKeepTheEndOfALongName) {
    const struct {
        const char* name;
        std::size_t characters;
        const char* label;
    } cases[] = {
        {"index.md", 8, "index.md"},
        {"guide/index.md", 8, "\xE2\x80\xA6ndex.md"},
        {"a/b/c.md", 7,
         "\xE2\x80\xA6"
         "b/c.md"},
        // Characters, not bytes: an accented letter is one, and is never cut in two.
        {"r\xC3\xA9sum\xC3\xA9.md", 9, "r\xC3\xA9sum\xC3\xA9.md"},
        {"caf\xC3\xA9/r\xC3\xA9sum\xC3\xA9.md", 10, "\xE2\x80\xA6r\xC3\xA9sum\xC3\xA9.md"},
        {"\xC3\xA9\xC3\xA9\xC3\xA9", 2, "\xE2\x80\xA6\xC3\xA9"},
        {"", 4, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChartLabel(c.name, c.characters), c.label) << c.name;
}

TEST(Measures, GunningFogAloneReadsTheProfilesOwnComplexWords) {
    const ReadabilityCounts counts = {1, 10, 300, 200, 900, 30};
    const MeasureSet same = ComputeMeasures(counts, 40);
    const MeasureSet classic = ComputeMeasures(counts, 40, counts.complexWords);
    const MeasureSet fewer = ComputeMeasures(counts, 40, 10);
    for (MeasureId id = 0; id < kMeasureRowCount; ++id) {
        SCOPED_TRACE(RowOf(id).heading);
        EXPECT_EQ(classic[id], same[id]);
        if (RowOf(id).compute == GunningFog)
            EXPECT_LT(fewer[id], same[id]);
        else
            EXPECT_EQ(fewer[id], same[id]);
    }
}

} // namespace
