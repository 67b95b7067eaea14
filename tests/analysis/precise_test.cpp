// The precise counting profile: its sentence and word rules on the texts technical writers ask
// about, the accuracy of its syllables against a reader's counts, and the README's table of its
// rules.
#include "analysis/precise/precise.h"
#include "readme_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Probe {
    const char* text;
    int sentences;
    int words;
};

// The figures the profile is for: each text against the sentences and words a reader counts.
const Probe kProbes[] = {
    {"Note: the file is read once; then it is closed.", 1, 10},
    {"Mr. Smith met Dr. Jones at 5 p.m. on Monday.", 1, 10},
    {"He paused ... and then he left.", 1, 6},
    {"He paused\xE2\x80\xA6 and then he left.", 1, 6},
    {"1. Install the package.\n\n2. Run it.", 2, 5},
    {"1.\nInstall it.", 1, 2},
    {"2.1. Scope", 1, 1},
    {"10. Restart the service.", 1, 3},
    {"See CVE-2025-27613 now.", 1, 3},
    {"| a | b |", 1, 2},
    {"Use --no-recursion here.", 1, 3},
    {"Open /usr/share/doc or https://example.com/a/b now.", 1, 5},
    {"Send it to help@example.com today.", 1, 5},
    {"Input/output and and/or work.", 1, 6},
    {"The wait\xE2\x80\x94"
     "a long one\xE2\x80\x94"
     "ended.",
     1, 6},
    {"Pages 10\xE2\x80\x93"
     "20 were read.",
     1, 5},
    {"It ends. the next one starts here.", 2, 7},
    {"Use etc. and more. Then stop.", 2, 6},
    {"Compare e.g. this one, i.e. the first, vs. that one.", 1, 10},
    {"He asked \"why?\" and left.", 1, 5},
    {"Was it (really!) done? Yes.", 2, 5},
    {"Wait! Go now.", 2, 3},
    {"A line\nwrapped here.", 1, 4},
    {"First part.\n\nSecond part.", 2, 4},
    {"Fig. 3 shows it. St. Paul is there. No. 5 is next.", 3, 12},
    {"The well-known state-of-the-art tool.", 1, 4},
    {"... --- *** |", 0, 0},
    {"", 0, 0},
    {"Version 2.5.1 of example.org fixes it.", 1, 6},
    {"It is made by Acme Inc. in Boston.", 1, 8},
    {"a) Close it.", 1, 2},
    {"(iv) Close it.\n\nb) Open it.", 2, 4},
    {"b)", 0, 0},
    {"Call f(a) now.", 1, 3},
};

class Precise : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        if (!lxprecise::Available(&why))
            GTEST_SKIP() << why;
    }
};

TEST_F(Precise, SentencesAndWordsOfTheProbes) {
    for (const Probe& p : kProbes) {
        SCOPED_TRACE(p.text);
        ReadabilityCounts counts{};
        std::int32_t fog = 0;
        lxprecise::CountText(p.text, &counts, &fog);
        EXPECT_EQ(counts.sentences, p.sentences);
        EXPECT_EQ(counts.words, p.words);
    }
}

TEST_F(Precise, WordsKeepCompoundsPathsAddressesAndOptionsWhole) {
    const struct {
        const char* sentence;
        std::vector<std::string> words;
    } cases[] = {
        {"Run `--no-recursion` (see CVE-2025-27613).",
         {"Run", "no-recursion", "see", "CVE-2025-27613"}},
        {"Edit /etc/hosts and ~/.profile, then src/main.cpp.",
         {"Edit", "etc/hosts", "and", "profile", "then", "src/main.cpp"}},
        {"Mail ops@example.com or visit https://example.com/x?y=1.",
         {"Mail", "ops@example.com", "or", "visit", "https://example.com/x?y=1"}},
        {"read/write and/or client\xE2\x80\x94server",
         {"read", "write", "and", "or", "client", "server"}},
        {"\"Quoted,\" (bracketed) [x] e.g. 3.14", {"Quoted", "bracketed", "x", "e.g", "3.14"}},
        {"| a | b | -- *", {"a", "b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        std::vector<std::string> words;
        const std::string_view s = c.sentence;
        for (const lxprecise::Span& w : lxprecise::Words(s))
            words.emplace_back(s.substr(w.offset, w.length));
        EXPECT_EQ(words, c.words);
    }
}

TEST_F(Precise, CharactersAreTheLettersAndDigitsOfTheWords) {
    EXPECT_EQ(lxprecise::Characters("CVE-2025-27613"), 12);
    EXPECT_EQ(lxprecise::Characters("don't"), 4);
    EXPECT_EQ(lxprecise::Characters("caf\xC3\xA9"), 4);
    ReadabilityCounts counts{};
    lxprecise::CountText("The caf\xC3\xA9 (open) is at 5th Street.", &counts, nullptr);
    EXPECT_EQ(counts.characters, 3 + 4 + 4 + 2 + 2 + 3 + 6);
}

TEST_F(Precise, GunningFogLeavesOutProperNounsCompoundsAndEndings) {
    const struct {
        const char* text;
        int complex; // SMOG: three syllables or more
        int fog;
    } cases[] = {
        {"Configuration matters.", 1, 1},       // at the sentence start: not a proper noun
        {"We met Elizabeth there.", 1, 0},      // a proper noun
        {"It is a well-organised plan.", 1, 0}, // a hyphenated compound
        {"The files were uploaded.", 1, 0},     // up-load-ed: three only through -ed
        {"They were interesting.", 1, 0},       // in-terest-ing: three only through -ing
        {"It was documented.", 1, 1},           // doc-u-ment is three already
        {"The readability of it.", 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ReadabilityCounts counts{};
        std::int32_t fog = 0;
        lxprecise::CountText(c.text, &counts, &fog);
        EXPECT_EQ(counts.complexWords, c.complex);
        EXPECT_EQ(fog, c.fog);
    }
}

// Common words of technical documentation with the syllables a reader says, counted by hand.
// Words whose count readers disagree on ("every", "several", "average") are left out.
const std::pair<const char*, int> kReaderSyllables[] = {
    {"the", 1},          {"file", 1},          {"files", 1},         {"user", 2},
    {"users", 2},        {"system", 2},        {"data", 2},          {"install", 2},
    {"installation", 4}, {"configure", 3},     {"configuration", 5}, {"server", 2},
    {"client", 2},       {"network", 2},       {"option", 2},        {"options", 2},
    {"command", 2},      {"commands", 2},      {"line", 1},          {"default", 2},
    {"value", 2},        {"values", 2},        {"setting", 2},       {"settings", 2},
    {"error", 2},        {"errors", 2},        {"message", 2},       {"messages", 3},
    {"directory", 4},    {"folder", 2},        {"package", 2},       {"packages", 3},
    {"version", 2},      {"update", 2},        {"updated", 3},       {"release", 2},
    {"support", 2},      {"service", 2},       {"services", 3},      {"application", 4},
    {"interface", 3},    {"document", 3},      {"documentation", 5}, {"example", 3},
    {"examples", 3},     {"function", 2},      {"parameter", 4},     {"parameters", 4},
    {"variable", 4},     {"variables", 4},     {"library", 3},       {"libraries", 3},
    {"database", 3},     {"memory", 3},        {"process", 2},       {"processes", 3},
    {"output", 2},       {"input", 2},         {"table", 2},         {"text", 1},
    {"page", 1},         {"pages", 2},         {"section", 2},       {"chapter", 2},
    {"manual", 3},       {"guide", 1},         {"step", 1},          {"steps", 1},
    {"window", 2},       {"screen", 1},        {"button", 2},        {"menu", 2},
    {"select", 2},       {"click", 1},         {"enter", 2},         {"type", 1},
    {"press", 1},        {"open", 2},          {"close", 1},         {"save", 1},
    {"delete", 2},       {"create", 2},        {"remove", 2},        {"change", 1},
    {"check", 1},        {"run", 1},           {"start", 1},         {"stop", 1},
    {"restart", 2},      {"require", 2},       {"required", 2},      {"available", 4},
    {"security", 4},     {"password", 2},      {"account", 2},       {"access", 2},
    {"permission", 3},   {"administrator", 5}, {"device", 2},        {"hardware", 2},
    {"software", 2},     {"computer", 3},      {"keyboard", 2},      {"connection", 3},
    {"connect", 2},      {"address", 2},       {"browser", 2},       {"internet", 3},
    {"website", 2},      {"download", 2},      {"upload", 2},        {"module", 2},
    {"component", 3},    {"feature", 2},       {"features", 2},      {"request", 2},
    {"response", 2},     {"session", 2},       {"token", 2},         {"key", 1},
    {"index", 2},        {"query", 2},         {"search", 1},        {"filter", 2},
    {"sort", 1},         {"report", 2},        {"summary", 3},       {"result", 2},
    {"results", 2},      {"status", 2},        {"warning", 2},       {"problem", 2},
    {"solution", 3},     {"reference", 3},     {"specific", 3},      {"general", 3},
    {"simple", 2},       {"standard", 2},      {"custom", 2},        {"operation", 4},
    {"pressure", 2},     {"pump", 1},          {"speed", 1},         {"control", 2},
    {"controller", 3},   {"sensor", 2},        {"signal", 2},        {"level", 2},
    {"alarm", 2},        {"display", 2},       {"readability", 5},   {"sentence", 2},
    {"sentences", 3},    {"paragraph", 3},     {"paragraphs", 3},    {"syllable", 3},
    {"syllables", 3},    {"measure", 2},       {"grade", 1},         {"score", 1},
    {"word", 1},         {"words", 1},         {"character", 3},     {"characters", 3},
    {"number", 2},       {"total", 2},         {"count", 1},         {"language", 2},
    {"reader", 2},       {"readers", 2},       {"writer", 2},        {"writing", 2},
    {"written", 2},      {"technical", 3},     {"content", 2},       {"format", 2},
    {"template", 2},     {"style", 1},         {"heading", 2},       {"title", 2},
    {"list", 1},         {"item", 2},          {"items", 2},         {"note", 1},
    {"caution", 2},      {"important", 3},     {"information", 4},   {"instructions", 3},
    {"procedure", 3},    {"requirement", 3},   {"requirements", 3},  {"environment", 4},
    {"performance", 3},  {"organization", 5},  {"compatible", 4},    {"additional", 4},
    {"previous", 3},     {"following", 3},     {"current", 2},       {"existing", 3},
    {"multiple", 3},     {"single", 2},        {"optional", 3},      {"possible", 3},
    {"necessary", 4},    {"however", 3},       {"because", 2},       {"before", 2},
    {"after", 2},        {"between", 2},       {"within", 2},        {"without", 2},
    {"through", 1},      {"about", 2},         {"above", 2},         {"below", 2},
    {"into", 2},         {"only", 2},          {"also", 2},          {"other", 2},
    {"each", 1},         {"any", 2},           {"many", 2},          {"more", 1},
    {"first", 1},        {"next", 1},          {"which", 1},         {"these", 1},
    {"use", 1},          {"used", 1},          {"uses", 2},          {"using", 2},
    {"follow", 2},       {"provide", 2},       {"provides", 2},      {"contain", 2},
    {"contains", 2},     {"include", 2},       {"includes", 2},      {"describe", 2},
    {"describes", 2},    {"explain", 2},       {"idea", 3},          {"area", 3},
    {"create", 2},       {"video", 3},         {"being", 2},         {"going", 2},
    {"client", 2},       {"science", 2},       {"quiet", 2},         {"diet", 2},
    {"period", 3},       {"series", 2},        {"react", 2},
};

TEST_F(Precise, SyllablesAgreeWithAReaderOnAtLeast98PercentOfWords) {
    std::size_t agreed = 0, total = 0;
    std::string disagreements;
    for (const auto& [word, syllables] : kReaderSyllables) {
        ++total;
        const int counted = lxprecise::Syllables(word);
        if (counted == syllables)
            ++agreed;
        else
            disagreements += std::string(" ") + word + ":" + std::to_string(counted) + "/" +
                             std::to_string(syllables);
    }
    ASSERT_GE(total, 150u);
    std::cout << "syllables agree on " << agreed << " of " << total << " words:" << disagreements
              << "\n";
    EXPECT_GE(agreed * 100, total * 98) << agreed << " of " << total << ";" << disagreements;
}

TEST_F(Precise, SyllablesOfWordsWithoutLettersCapitalsAndCompounds) {
    EXPECT_EQ(lxprecise::Syllables("2025"), 1);
    EXPECT_EQ(lxprecise::Syllables("3.14"), 1);
    EXPECT_EQ(lxprecise::Syllables("Readability"), lxprecise::Syllables("readability"));
    EXPECT_EQ(lxprecise::Syllables("well-known"), 2);
    EXPECT_EQ(lxprecise::Syllables("don't"), 1);
    // A huge run of letters is pronounced in pieces: counted, and never fewer than its pieces.
    const std::string huge(100000, 'a');
    EXPECT_GE(lxprecise::Syllables(huge), 100000 / 64);
}

TEST_F(Precise, SyllablesFromManyThreadsAgree) {
    // espeak-ng is not thread-safe: the profile serialises its calls.
    const std::vector<std::string> words = {"configuration", "documentation", "readability",
                                            "temperature",   "application",   "interface"};
    std::vector<int> expected;
    for (const std::string& w : words)
        expected.push_back(lxprecise::Syllables(w + "s"));
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round)
                for (std::size_t i = 0; i < words.size(); ++i)
                    failures[t] += lxprecise::Syllables(words[i] + "s") != expected[i];
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

TEST_F(Precise, AnyBytesAreCountedWithoutHarm) {
    // Malformed UTF-8, control bytes and runs of punctuation: every span stays inside the text
    // and the totals agree with the sentences analysed.
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 400);
    for (int i = 0; i < 300; ++i) {
        std::string text(static_cast<std::size_t>(length(rng)), ' ');
        for (char& c : text)
            c = static_cast<char>(byte(rng) % 3 == 0 ? " .:;!?\n-/a"[byte(rng) % 11] : byte(rng));
        ReadabilityCounts counts{};
        lxprecise::CountText(text, &counts, nullptr);
        int words = 0;
        for (const lxprecise::Sentence& s : lxprecise::Analyse(text)) {
            ASSERT_LE(s.span.offset + s.span.length, text.size());
            for (const lxprecise::Word& w : s.words)
                ASSERT_LE(w.span.offset + w.span.length, text.size());
            words += static_cast<int>(s.words.size());
        }
        EXPECT_EQ(counts.words, words);
    }
}

// The README's table of the precise rules: each example counts what the table says.
TEST_F(Precise, EveryExampleOfTheReadmeTableCountsWhatItSays) {
    // Sentences, words, syllables, characters, complex words for SMOG and for Gunning Fog.
    int rows = 0;
    for (const ReadmeExample& row : ReadmeExamples("### The precise profile", 6)) {
        SCOPED_TRACE(row.example);
        ReadabilityCounts counts{};
        std::int32_t fog = 0;
        lxprecise::CountText(row.example, &counts, &fog);
        EXPECT_EQ(std::vector<int>({counts.sentences, counts.words, counts.syllables,
                                    counts.characters, counts.complexWords, fog}),
                  row.figures);
        ++rows;
    }
    EXPECT_GE(rows, 8) << "the README's table of the precise rules was not found";
}

} // namespace
