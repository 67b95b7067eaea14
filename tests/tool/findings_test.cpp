// Findings: which sentences, paragraphs and files a check finds, where it places them, and how
// each format writes them (the escaping each consumer needs).
#include "tool/finding_formats.h"
#include "tool/findings.h"
#include "tool/hotspots.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace lxtool;

ReadabilityCounts Counts(int sentences, int words, int syllables) {
    ReadabilityCounts c{};
    c.paragraphs = 1;
    c.sentences = sentences;
    c.words = words;
    c.syllables = syllables;
    c.characters = words * 5;
    return c;
}

SentenceFigures Sentence(int words, std::uint32_t line, std::uint32_t column,
                         std::uint32_t length = 0) {
    SentenceFigures s;
    s.length = length;
    s.counts = Counts(1, words, words);
    s.line = line;
    s.column = column;
    return s;
}

void AddTotals(FileFigures& f) {
    for (const ParagraphFigures& p : f.paragraphs)
        AddCounts(f.totals, p.counts);
}

// Two files and one that could not be read, in a book:
//   docs/a.md   paragraph at 3:1 (grade 13.6): sentences of 10 words (3:1), 31 (3:40), 30 (line
//               4, column unknown); paragraph at an unknown place of two sentences (40 and 10
//               words) and a high grade, which the paragraph rule leaves alone
//   b.md        (path unknown) paragraph at 7:5 of one 35-word sentence at an unknown place
//   c.md        not read, with a 50-word sentence
InputFigures SampleBook() {
    InputFigures in;
    in.name = "manual.book";
    in.isBook = true;
    FileFigures a;
    a.name = "a.md";
    a.path = "docs/a.md";
    ParagraphFigures p1;
    p1.text = "First words of the hard paragraph.";
    p1.line = 3;
    p1.column = 1;
    p1.sentences = {Sentence(10, 3, 1), Sentence(31, 3, 40), Sentence(30, 4, 0)};
    p1.counts = Counts(3, 71, 120);
    ParagraphFigures p2;
    p2.text = "Second paragraph.";
    p2.sentences = {Sentence(40, 0, 0, 17), Sentence(10, 0, 0)};
    p2.counts = Counts(2, 50, 110);
    a.paragraphs = {p1, p2};
    AddTotals(a);
    FileFigures b;
    b.name = "b.md";
    ParagraphFigures q;
    q.text = "Only sentence.";
    q.line = 7;
    q.column = 5;
    q.sentences = {Sentence(35, 0, 0)};
    q.counts = Counts(1, 35, 50);
    b.paragraphs = {q};
    AddTotals(b);
    FileFigures c;
    c.name = "c.md";
    c.opened = false;
    ParagraphFigures r;
    r.text = "Unread.";
    r.sentences = {Sentence(50, 1, 1)};
    r.counts = Counts(1, 50, 50);
    c.paragraphs = {r};
    in.files = {a, b, c};
    for (const FileFigures& f : in.files)
        AddCounts(in.totals, f.totals);
    return in;
}

using Placed = std::tuple<std::string, std::uint32_t, std::uint32_t, std::string>;

TEST(Findings, EachRuleFindsItsSentencesParagraphsAndFilesAtTheirPlaces) {
    const InputFigures book = SampleBook();
    Thresholds fkgl15;
    fkgl15.limits.push_back({kKincaidGradeMeasure, Bound::Max, 15});
    Thresholds easeAbove;
    easeAbove.limits.push_back({kReadingEaseMeasure, Bound::Min, 100});
    const struct {
        const char* what;
        std::optional<double> sentence;
        std::optional<double> paragraph;
        Thresholds file;
        std::vector<Placed> want;
    } cases[] = {
        {"no rules", {}, {}, {}, {}},
        // A sentence as long as the limit passes; one without a place of its own is placed at
        // its paragraph, one whose column alone is unknown at its line's start, and one in a
        // paragraph with no place at the file's start.
        {"sentences over 30 words",
         30,
         {},
         {},
         {{"docs/a.md", 3, 40, "max-sentence-length"},
          {"docs/a.md", 1, 1, "max-sentence-length"},
          {"b.md", 7, 5, "max-sentence-length"}}},
        {"sentences over 29 words",
         29,
         {},
         {},
         {{"docs/a.md", 3, 40, "max-sentence-length"},
          {"docs/a.md", 4, 1, "max-sentence-length"},
          {"docs/a.md", 1, 1, "max-sentence-length"},
          {"b.md", 7, 5, "max-sentence-length"}}},
        {"sentences over 35 words", 35, {}, {}, {{"docs/a.md", 1, 1, "max-sentence-length"}}},
        // Only paragraphs of three sentences or more; compared as shown (13.6).
        {"paragraphs over grade 13", {}, 13, {}, {{"docs/a.md", 3, 1, "max-paragraph-grade"}}},
        {"paragraphs over grade 13.6", {}, 13.6, {}, {}},
        {"a paragraph before its sentences",
         35,
         13,
         {},
         {{"docs/a.md", 3, 1, "max-paragraph-grade"}, {"docs/a.md", 1, 1, "max-sentence-length"}}},
        // File thresholds at each file's start, the book's at the book's name, last.
        {"file grade over 15",
         {},
         {},
         fkgl15,
         {{"docs/a.md", 1, 1, "max-fkgl"}, {"manual.book", 1, 1, "max-fkgl"}}},
        {"file ease under 100",
         {},
         {},
         easeAbove,
         {{"docs/a.md", 1, 1, "min-ease"},
          {"b.md", 1, 1, "min-ease"},
          {"manual.book", 1, 1, "min-ease"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Thresholds t = c.file;
        t.maxSentenceLength = c.sentence;
        t.maxParagraphGrade = c.paragraph;
        std::vector<Placed> got;
        for (const Finding& f : CollectFindings(book, t))
            got.emplace_back(f.path, f.line, f.column, f.rule);
        EXPECT_EQ(got, c.want);

        // Gathered paragraph by paragraph during the walk, the paragraphs let go: the same.
        FindingCollector collector(t);
        InputFigures walked = SampleBook();
        for (std::size_t i = 0; i < walked.files.size(); ++i) {
            for (ParagraphFigures& p : walked.files[i].paragraphs)
                EXPECT_FALSE(collector.Take(i, walked.files[i], p));
            walked.files[i].paragraphs.clear();
        }
        got.clear();
        for (std::size_t i = 0; i < walked.files.size(); ++i)
            for (const Finding& f : FileFindings(walked.files[i], t, collector.Of(i)))
                got.emplace_back(f.path, f.line, f.column, f.rule);
        for (const Finding& f : BookFindings(walked, t))
            got.emplace_back(f.path, f.line, f.column, f.rule);
        EXPECT_EQ(got, c.want);
    }
}

TEST(Findings, AFindingNamesItsFigureAndLimit) {
    const InputFigures book = SampleBook();
    Thresholds t;
    t.maxSentenceLength = 35;
    t.maxParagraphGrade = 13;
    t.limits.push_back({kKincaidGradeMeasure, Bound::Max, 15});
    const std::vector<Finding> found = FileFindings(book.files[0], t);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].message, "Flesch-Kincaid Grade 16.3 for the file, above the limit of 15.0");
    EXPECT_EQ(found[1].message, "paragraph at Flesch-Kincaid grade 13.6, above the limit of "
                                "13.0: \"First words of the hard paragraph.\"");
    EXPECT_EQ(found[1].figure, 13.6);
    EXPECT_EQ(found[2].message,
              "sentence of 40 words, more than the limit of 35: \"Second paragraph.\"");
    EXPECT_EQ(found[2].figure, 40.0);
    EXPECT_EQ(found[2].limit, 35.0);
    const std::vector<FindingRule> rules = RulesInForce(t);
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_EQ(rules[0].id, "max-fkgl");
    EXPECT_EQ(rules[1].id, "max-sentence-length");
    EXPECT_EQ(rules[2].id, "max-paragraph-grade");
}

TEST(FindingFormats, EscapeWhatEachConsumerReadsSpecially) {
    const struct {
        std::string (*escape)(std::string_view);
        const char* in;
        const char* out;
    } cases[] = {
        {GithubMessage, "50% of: a, b", "50%25 of: a, b"},
        {GithubMessage, "one\r\ntwo\n", "one%0D%0Atwo%0A"},
        {GithubProperty, "dir,1/a:b.md", "dir%2C1/a%3Ab.md"},
        {GithubProperty, "100%\n", "100%25%0A"},
        {UriOfPath, "docs/a b.md", "docs/a%20b.md"},
        {UriOfPath, "café#1?.md", "caf%C3%A9%231%3F.md"},
        {UriOfPath, "100%.md", "100%25.md"},
        {UriOfPath, "/srv/docs/a.md", "file:///srv/docs/a.md"},
        {UriOfPath, "C:\\docs\\a b.md", "file:///C:/docs/a%20b.md"},
        {UriOfPath, "guide\\index.md", "guide/index.md"},
        {[](std::string_view s) { return XmlEscaped(s, false); }, "a<b>&\"c'\n\td",
         "a&lt;b&gt;&amp;&quot;c&apos;\n\td"},
        {[](std::string_view s) { return XmlEscaped(s, true); }, "line\nnext\tcell\r",
         "line&#10;next&#9;cell&#13;"},
        // Characters XML 1.0 cannot hold, and bytes that are not UTF-8, become U+FFFD; UTF-8
        // stays as it is.
        {[](std::string_view s) { return XmlEscaped(s, false); }, "a\x01z \xC3(\xC3\xA9 \xE2\x82",
         "a\xEF\xBF\xBDz \xEF\xBF\xBD(\xC3\xA9 \xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(c.escape(c.in), c.out);
    }
}

// A report of the sample's findings under every rule, as each writer is given it.
FindingsReport SampleReport() {
    const InputFigures book = SampleBook();
    Thresholds t;
    t.maxSentenceLength = 35;
    t.limits.push_back({kKincaidGradeMeasure, Bound::Max, 15});
    FindingsReport r;
    r.findings = CollectFindings(book, t);
    r.rules = RulesInForce(t);
    for (const FileFigures& f : book.files)
        r.files.push_back({PlaceOf(f).path, f.opened, false});
    r.files.push_back({BookPath(book), true, true});
    r.table = "TABLE\n";
    r.summary = "FAIL: verdict";
    return r;
}

std::string Written(const char* format, const FindingsReport& r) {
    const FindingFormat* f = FindFindingFormat(format);
    EXPECT_NE(f, nullptr) << format;
    std::ostringstream out;
    if (f)
        f->write(r, out);
    return out.str();
}

TEST(FindingFormats, TextAndGithubWriteALineAFinding) {
    FindingsReport r = SampleReport();
    r.findings[0].path = "docs/a,\x1b[31m.md";
    r.findings[0].message = "100% sure: two\nlines";
    EXPECT_EQ(Written("text", r),
              "TABLE\n\n"
              "docs/a, [31m.md:1:1: 100% sure: two lines [max-fkgl]\n"
              "docs/a.md:1:1: sentence of 40 words, more than the limit of 35: \"Second "
              "paragraph.\" [max-sentence-length]\n"
              "manual.book:1:1: Flesch-Kincaid Grade 15.7 for the book as a whole, above the "
              "limit of 15.0 [max-fkgl]\n\n"
              "FAIL: verdict\n");
    EXPECT_EQ(Written("github", r),
              "::warning file=docs/a%2C\x1b[31m.md,line=1,col=1,title=lexameter "
              "max-fkgl::100%25 sure: two%0Alines\n"
              "::warning file=docs/a.md,line=1,col=1,title=lexameter max-sentence-length::sentence "
              "of 40 words, more than the limit of 35: \"Second paragraph.\"\n"
              "::warning file=manual.book,line=1,col=1,title=lexameter max-fkgl::Flesch-Kincaid "
              "Grade 15.7 for the book as a whole, above the limit of 15.0\n"
              "FAIL: verdict\n");
    r.findings.clear();
    EXPECT_EQ(Written("text", r), "TABLE\n\nFAIL: verdict\n");
}

TEST(FindingFormats, SarifNamesTheRulesAndPlacesEachResult) {
    const FindingsReport r = SampleReport();
    const nlohmann::json log = nlohmann::json::parse(Written("sarif", r));
    EXPECT_EQ(log["version"], "2.1.0");
    ASSERT_EQ(log["runs"].size(), 1u);
    const nlohmann::json& driver = log["runs"][0]["tool"]["driver"];
    EXPECT_EQ(driver["name"], "lexameter");
    EXPECT_TRUE(driver["informationUri"].get<std::string>().starts_with("https://"));
    ASSERT_EQ(driver["rules"].size(), 2u);
    EXPECT_EQ(driver["rules"][0]["id"], "max-fkgl");
    EXPECT_EQ(driver["rules"][1]["id"], "max-sentence-length");
    EXPECT_FALSE(driver["rules"][1]["shortDescription"]["text"].get<std::string>().empty());
    const nlohmann::json& results = log["runs"][0]["results"];
    ASSERT_EQ(results.size(), r.findings.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        SCOPED_TRACE(i);
        const nlohmann::json& res = results[i];
        EXPECT_EQ(res["ruleId"], r.findings[i].rule);
        EXPECT_EQ(driver["rules"][res["ruleIndex"].get<std::size_t>()]["id"], res["ruleId"]);
        EXPECT_EQ(res["level"], "warning");
        EXPECT_EQ(res["message"]["text"], r.findings[i].message);
        const nlohmann::json& at = res["locations"][0]["physicalLocation"];
        EXPECT_EQ(at["artifactLocation"]["uri"], UriOfPath(r.findings[i].path));
        EXPECT_EQ(at["region"]["startLine"], r.findings[i].line);
        EXPECT_EQ(at["region"]["startColumn"], r.findings[i].column);
    }
}

// A test case a file and rule: the book as a whole takes the file thresholds only, a file that
// could not be read is in error, a file with findings of a rule fails with them listed.
TEST(FindingFormats, JunitHasATestCaseAFileAndRule) {
    FindingsReport r = SampleReport();
    r.findings[0].message = "a <b> & \"c\"";
    const std::string xml = Written("junit", r);
    EXPECT_NE(xml.find("<testsuite name=\"lexameter check\" tests=\"7\" failures=\"3\" "
                       "errors=\"2\""),
              std::string::npos)
        << xml;
    const char* want[] = {
        "<testcase classname=\"docs/a.md\" name=\"max-fkgl\" file=\"docs/a.md\" time=\"0\">\n"
        "      <failure message=\"1 finding of max-fkgl\" type=\"max-fkgl\">docs/a.md:1:1: a "
        "&lt;b&gt; &amp; &quot;c&quot; [max-fkgl]\n</failure>",
        "<testcase classname=\"docs/a.md\" name=\"max-sentence-length\" file=\"docs/a.md\" "
        "time=\"0\">\n      <failure message=\"1 finding of max-sentence-length\"",
        "<testcase classname=\"b.md\" name=\"max-fkgl\" file=\"b.md\" time=\"0\"/>",
        "<testcase classname=\"b.md\" name=\"max-sentence-length\" file=\"b.md\" time=\"0\"/>",
        "<testcase classname=\"c.md\" name=\"max-fkgl\" file=\"c.md\" time=\"0\">\n"
        "      <error message=\"the file could not be read\"",
        "<testcase classname=\"manual.book\" name=\"max-fkgl\" file=\"manual.book\" time=\"0\">\n"
        "      <failure message=\"1 finding of max-fkgl\"",
    };
    for (const char* w : want)
        EXPECT_NE(xml.find(w), std::string::npos) << w << "\n" << xml;
    EXPECT_EQ(xml.find("classname=\"manual.book\" name=\"max-sentence-length\""),
              std::string::npos);
}

TEST(FindingFormats, EveryFormatIsFoundByItsName) {
    EXPECT_EQ(FindingFormatNames(), (std::vector<std::string>{"text", "github", "sarif", "junit"}));
    EXPECT_EQ(FindFindingFormat("xml"), nullptr);
    EXPECT_STREQ(FindFindingFormat(kDefaultFindingFormat)->name, "text");
}

} // namespace
