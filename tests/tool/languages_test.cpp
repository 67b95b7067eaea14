// A manual in two languages: the sample pump manual (samples/languages) as a MIF book with
// PgfLanguage, as Markdown with front matter and as HTML with lang, each counted in its chapters'
// own languages and measured by their own formulas, against figures worked by hand; and the rows,
// Overalls and thresholds of a book of several languages.
#include "analysis/precise/precise.h"
#include "host/api/host.h"
#include "tool/figures.h"
#include "tool/hotspots.h"
#include "tool/html.h"
#include "tool/languages.h"
#include "tool/measures.h"
#include "tool/run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace lxtool;

// The English chapter, by hand:
//   "The pump is easy to use." 6 words, syllables 1+1+1+2+1+1 = 7, letters 3+4+2+4+2+3 = 18
//   "Press the green button to start it." 7 words, syllables 1+1+1+2+1+1+1 = 8,
//       letters 5+3+5+6+2+5+2 = 28
//   "Clean the filter each week." 5 words, syllables 1+1+2+1+1 = 6, letters 5+3+6+4+4 = 22
//   3 sentences, 18 words, 21 syllables, 68 letters; no word of three syllables or of seven
//   letters; 15 words of one syllable (all but easy, button, filter).
//   Flesch Reading Ease = 206.835 - 1.015 * 18/3 - 84.6 * 21/18 = 206.835 - 6.09 - 98.7
//     = 102.045 -> 102.0
//   Flesch-Kincaid = 0.39 * 6 + 11.8 * 21/18 - 15.59 = 2.34 + 13.7667 - 15.59 = 0.5167 -> 0.5
//   LIX = 18/3 + 0 * 100/18 = 6.0
// The German chapter, by hand:
//   "Die Pumpe ist einfach zu bedienen." 6 words, syllables 1+2+1+2+1+3 = 10,
//       letters 3+5+3+7+2+8 = 28
//   "Drücken Sie die grüne Taste." 5 words, syllables 2+1+1+2+2 = 8, letters 7+3+3+5+5 = 23
//   "Reinigen Sie den Filter jede Woche." 6 words, syllables 3+1+1+2+2+2 = 11,
//       letters 8+3+3+6+4+5 = 29
//   3 sentences, 17 words, 29 syllables, 80 letters; 2 words of three syllables or more
//   (bedienen, Reinigen); 4 of more than six letters (einfach, bedienen, Drücken, Reinigen);
//   7 of one syllable (Die, ist, zu, Sie, die, Sie, den).
//   ASL = 17/3 = 5.6667, ASW = 29/17 = 1.7059
//   Flesch-Amstad = 180 - 5.6667 - 58.5 * 1.7059 = 180 - 5.6667 - 99.7941 = 74.539 -> 74.5
//   Wiener Sachtextformel: MS = 200/17 = 11.765, SL = 5.6667, IW = 400/17 = 23.529,
//     ES = 700/17 = 41.176: 0.1935 * 11.765 + 0.1672 * 5.6667 + 0.1297 * 23.529
//     - 0.0327 * 41.176 - 0.875 = 2.2765 + 0.9475 + 3.0518 - 1.3465 - 0.875 = 4.054 -> 4.1
//   LIX = 5.6667 + 23.529 = 29.196 -> 29.2
struct Chapter {
    const char* language;
    ReadabilityCounts counts;
    std::int32_t longWords;
    std::vector<std::pair<const char*, const char*>> shown; // CSV key, value as shown
};

ReadabilityCounts Counts(int sentences, int words, int syllables, int letters, int complex,
                         int monosyllables) {
    ReadabilityCounts c = {};
    c.paragraphs = 2;
    c.sentences = sentences;
    c.words = words;
    c.syllables = syllables;
    c.characters = letters;
    c.complexWords = complex;
    c.monosyllables = monosyllables;
    return c;
}

const Chapter kChapters[] = {
    {"en",
     Counts(3, 18, 21, 68, 0, 15),
     0,
     {{"flesch_reading_ease", "102.0"}, {"flesch_kincaid_grade", "0.5"}, {"lix", "6.0"}}},
    {"de",
     Counts(3, 17, 29, 80, 2, 7),
     4,
     {{"flesch_amstad", "74.5"}, {"wstf", "4.1"}, {"lix", "29.2"}}},
};

class PumpManual : public ::testing::TestWithParam<std::vector<std::string>> {
  protected:
    void SetUp() override {
        std::string why;
        if (!lxprecise::Available(&why))
            GTEST_SKIP() << why;
    }
    InputFigures Measure(const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        for (const std::string& name : names)
            paths.push_back(std::string(LX_SAMPLES_DIR) + "/languages/" + name);
        ObjectId input = 0;
        if (paths.size() > 1) {
            input = host_.session().NewBookOfFiles(paths);
        } else {
            std::vector<lxhost::PropEntry> returned;
            EXPECT_EQ(host_.session().Open(paths[0], {}, &input, &returned), 0) << paths[0];
        }
        HostClient client(host_);
        return CollectFigures(host_, input, false, Counting::Precise);
    }
    lxhost::Host host_;
};

TEST_P(PumpManual, EachChapterIsCountedAndMeasuredInItsOwnLanguage) {
    const InputFigures figures = Measure(GetParam());
    ASSERT_EQ(figures.files.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const Chapter& want = kChapters[i];
        const FileFigures& file = figures.files[i];
        SCOPED_TRACE(file.name);
        EXPECT_EQ(file.language, want.language);
        EXPECT_EQ(file.totals.sentences, want.counts.sentences);
        EXPECT_EQ(file.totals.words, want.counts.words);
        EXPECT_EQ(file.totals.syllables, want.counts.syllables);
        EXPECT_EQ(file.totals.characters, want.counts.characters);
        EXPECT_EQ(file.totals.complexWords, want.counts.complexWords);
        EXPECT_EQ(file.totals.monosyllables, want.counts.monosyllables);
        EXPECT_EQ(file.longWords, want.longWords);
        const MeasureSet measures = ComputeMeasures(file.totals, file.longWords);
        for (const auto& [key, shown] : want.shown)
            EXPECT_EQ(ValueText(measures[FindMeasure(key)]), shown) << key;
    }
    // A book of two languages: an Overall for each, the sum of its one chapter.
    const std::vector<LanguageRow> rows = RowsByLanguage(figures);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2].name, "Overall (en)");
    EXPECT_EQ(rows[3].name, "Overall (de)");
    EXPECT_EQ(rows[3].counts.syllables, 29);
    EXPECT_EQ(rows[3].longWords, 4);
}

INSTANTIATE_TEST_SUITE_P(MifMarkdownAndHtml, PumpManual,
                         ::testing::Values(std::vector<std::string>{"mif/pump-manual.book"},
                                           std::vector<std::string>{"md/en.md", "md/de.md"},
                                           std::vector<std::string>{"html/en.html",
                                                                    "html/de.html"}));

FileFigures File(const char* name, const char* language, int words) {
    FileFigures f;
    f.name = name;
    f.language = language;
    f.totals.sentences = 1;
    f.totals.words = words;
    return f;
}

TEST(LanguageRows, ABookOfOneLanguageHasOneOverallAndOfSeveralOnePerLanguage) {
    const struct {
        std::vector<FileFigures> files;
        std::vector<std::string> overalls; // name: words
    } kCases[] = {
        {{File("a", "de", 3), File("b", "de", 4)}, {"Overall: 7"}},
        {{File("a", "de", 3), File("b", "en", 4), File("c", "de", 5)},
         {"Overall (de): 8", "Overall (en): 4"}},
        {{File("a", "sv", 3)}, {"Overall: 3"}},
    };
    for (const auto& c : kCases) {
        InputFigures figures;
        figures.isBook = true;
        figures.files = c.files;
        for (const FileFigures& f : c.files)
            AddCounts(figures.totals, f.totals);
        std::vector<std::string> overalls;
        for (const LanguageRow& r : RowsByLanguage(figures))
            if (r.overall)
                overalls.push_back(r.name + ": " + std::to_string(r.counts.words));
        EXPECT_EQ(overalls, c.overalls);
    }
}

TEST(LanguageRows, AThresholdOnAnotherLanguagesMeasureIsNotAppliedAndSaidOnce) {
    Thresholds t;
    t.limits = {{FindMeasure("flesch_amstad"), Bound::Min, 50},
                {FindMeasure("wstf"), Bound::Max, 10},
                {FindMeasure("lix"), Bound::Max, 40}};
    std::vector<Threshold> notApplied;
    EXPECT_EQ(ApplicableThresholds(t, "de", &notApplied).limits.size(), 3u);
    EXPECT_TRUE(notApplied.empty());
    EXPECT_EQ(ApplicableThresholds(t, "en", &notApplied).limits.size(), 1u); // LIX only
    EXPECT_EQ(notApplied.size(), 2u);

    const std::vector<LanguageRow> rows = {{"a.md", false, true, "en", {}, 0, 0},
                                           {"b.md", false, true, "en", {}, 0, 0},
                                           {"c.md", false, true, "de", {}, 0, 0},
                                           {"d.md", false, true, "sv", {}, 0, 0}};
    const std::vector<std::string> notes = LanguageNotes(rows, t);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0], "n/a: min-amstad (Flesch-Amstad) measures German; not applied to a.md, "
                        "b.md, d.md");
    EXPECT_EQ(notes[1], "n/a: max-wstf (Wiener Sachtextformel) measures German; not applied to "
                        "a.md, b.md, d.md");
    EXPECT_NE(notes[2].find("Swedish (sv): no readability formula of its own"), std::string::npos)
        << notes[2];
}

TEST(LanguageGrades, EachLanguageIsGradedByItsOwnGradeFormulaElseByEnglishsNamed) {
    const struct {
        const char* language;
        const char* measure; // CSV key
        const char* label;
    } kCases[] = {
        {"en", "flesch_kincaid_grade", ""},
        {"", "flesch_kincaid_grade", ""},
        {"de", "wstf", "Wiener Sachtextformel"},
        {"es", "flesch_kincaid_grade", "Flesch-Kincaid, English formula"},
        {"fr", "flesch_kincaid_grade", "Flesch-Kincaid, English formula"},
        {"sv", "flesch_kincaid_grade", "Flesch-Kincaid, English formula"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(GradeMeasureOf(c.language), FindMeasure(c.measure)) << c.language;
        EXPECT_EQ(GradeLabel(c.language), c.label) << c.language;
    }
    EXPECT_EQ(GradeFormulas(), "English: Flesch-Kincaid Grade; German: Wiener Sachtextformel; "
                               "other languages: the English Flesch-Kincaid formula");
}

// The German chapter's counts (worked above): Wiener Sachtextformel 4.054, but by the English
// formula 0.39 * 17/3 + 11.8 * 29/17 - 15.59 = 2.21 + 20.13 - 15.59 = 6.749. An English paragraph
// of 3 sentences, 30 words, 42 syllables: 0.39 * 10 + 11.8 * 1.4 - 15.59 = 4.83. By each
// language's own grade the English paragraph is the harder; by English's formula alone it would
// be the German one.
TEST(LanguageGrades, HardestParagraphsRankEachLanguageByItsOwnGrade) {
    InputFigures figures;
    FileFigures file;
    file.name = "book";
    ParagraphFigures german;
    german.number = 1;
    german.language = "de";
    german.counts = kChapters[1].counts;
    german.longWords = kChapters[1].longWords;
    ParagraphFigures english;
    english.number = 2;
    english.language = "en";
    english.counts = Counts(3, 30, 42, 120, 0, 20);
    file.paragraphs = {german, english};
    figures.files = {file};
    EXPECT_NEAR(GradeOf(german.counts, german.longWords, "de"), 4.054, 0.001);
    EXPECT_NEAR(GradeOf(german.counts), 6.75, 0.01);
    EXPECT_NEAR(GradeOf(english.counts, 0, "en"), 4.83, 0.01);

    HotspotOptions options;
    const Hotspots h = FindHotspots(figures, options);
    ASSERT_EQ(h.hardest.size(), 2u);
    EXPECT_EQ(h.hardest[0].paragraph->number, 2u);
    EXPECT_EQ(h.hardest[1].paragraph->number, 1u);
    EXPECT_FALSE(AllByKincaid(figures));
    figures.files[0].paragraphs[0].language = "en";
    EXPECT_TRUE(AllByKincaid(figures));
}

// The page's strips and hot spots grade the German paragraph by the Wiener Sachtextformel (4.1)
// and say so; a page of English paragraphs keeps its Flesch-Kincaid legend.
TEST(LanguageGrades, ThePagesStripsAndHotSpotsNameAGradeOtherThanEnglishs) {
    for (const char* language : {"de", "en"}) {
        Measured m;
        FileFigures file;
        file.name = "chapter";
        ParagraphFigures p;
        p.number = 1;
        p.format = "Body";
        p.language = language;
        p.counts = kChapters[1].counts;
        p.longWords = kChapters[1].longWords;
        file.paragraphs = {p};
        m.figures.files = {file};
        const HotspotOptions options;
        const Hotspots spots = FindHotspots(m.figures, options);
        const Thresholds thresholds;
        const std::string html = RenderHtml({&m, &spots, &options, &thresholds, ""});
        auto has = [&](const std::string& text) { return html.find(text) != std::string::npos; };
        const bool german = std::string(language) == "de";
        EXPECT_EQ(has("format Body: grade 4.1 (Wiener Sachtextformel)</title>"), german);
        EXPECT_EQ(has("format Body: grade 4.1 (Wiener Sachtextformel), 3 sentences"), german);
        EXPECT_EQ(has("Grade by each paragraph's language (English: Flesch-Kincaid Grade; German: "
                      "Wiener Sachtextformel;"),
                  german);
        EXPECT_EQ(has("format Body: grade 6.7</title>"), !german);
        EXPECT_EQ(has("<p class=\"legend\">Flesch-Kincaid grade:"), !german);
    }
}

TEST(LanguageGrades, AWordListIsPronouncedInTheLanguageOfMostOfTheRunsWords) {
    const struct {
        std::vector<FileFigures> files;
        const char* language;
    } kCases[] = {
        {{}, "en"},
        {{File("a", "de", 10)}, "de"},
        {{File("a", "en", 4), File("b", "de", 3), File("c", "de", 3)}, "de"},
        {{File("a", "en", 7), File("b", "de", 3), File("c", "nl", 5)}, "en"},
        {{File("a", "it", 0)}, "en"},
    };
    for (const auto& c : kCases) {
        InputFigures figures;
        figures.files = c.files;
        EXPECT_EQ(MainLanguage(figures), c.language);
    }
}

} // namespace
