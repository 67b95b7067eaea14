// One source of truth: the tool's per-paragraph and per-sentence figures add up exactly to what
// the plug-in itself shows for the same open documents, on the samples and on generated
// documents, with and without excluded paragraph formats.
#include "analysis/precise/precise.h"
#include "host/api/loader.h"
#include "host/model/builder.h"
#include "tool/figures.h"
#include "tool/measures.h"
#include "tool/run.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using lxtool::InputFigures;

// "Label: 1,234" lines of an alert as label -> value text.
std::map<std::string, std::string> AlertValues(const std::string& alert) {
    std::map<std::string, std::string> values;
    std::istringstream lines(alert);
    for (std::string line; std::getline(lines, line);) {
        std::size_t colon = line.find(": ");
        if (colon != std::string::npos)
            values[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return values;
}

std::int32_t CountOf(const std::string& grouped) {
    std::string digits;
    for (char c : grouped)
        if (c != ',')
            digits += c;
    return static_cast<std::int32_t>(std::stol(digits));
}

class PluginAndTool : public ::testing::Test {
  protected:
    void SetUp() override {
        host_.SetAlertStream(nullptr);
        host_.SetConsoleStream(nullptr);
        ASSERT_TRUE(loader_.Load(LX_PLUGIN_PATH)) << loader_.error();
        ASSERT_TRUE(loader_.Initialize(1)) << loader_.error();
    }

    // The alert of one of the plug-in's Readability commands on a document or book.
    std::string PluginAlert(ObjectId input, const char* label) {
        const bool book = lxhost::KindOf(input) == lxhost::kKindBook;
        lxhost::Session& s = host_.session();
        (book ? s.activeBook : s.activeDocument) = input;
        auto number = host_.menus().FindCommandNumber(book ? "LXToolsBook" : "LXTools",
                                                      {"Readability", label});
        EXPECT_TRUE(number.has_value()) << label;
        std::size_t before = host_.record().alerts.size();
        EXPECT_TRUE(number && loader_.Command(*number));
        EXPECT_EQ(host_.record().alerts.size(), before + 1);
        return host_.record().alerts.empty() ? "" : host_.record().alerts.back();
    }

    InputFigures ToolFigures(ObjectId input) {
        lxtool::HostClient client(host_);
        EXPECT_TRUE(client.connected());
        return lxtool::CollectFigures(host_, input);
    }

    // Everything the plug-in shows for the input agrees with the tool's paragraphs and sentences.
    void ExpectSumsAgree(ObjectId input) {
        const auto stats = AlertValues(PluginAlert(input, "Get Statistics"));
        const auto flesch = AlertValues(PluginAlert(input, "Calculate Flesch-Kincaid"));
        const auto smog = AlertValues(PluginAlert(input, "Calculate SMOG"));
        const auto ari = AlertValues(PluginAlert(input, "Calculate ARI"));
        const InputFigures figures = ToolFigures(input);

        ReadabilityCounts sum = {};
        for (const lxtool::FileFigures& f : figures.files) {
            ReadabilityCounts fileSum = {};
            for (const lxtool::ParagraphFigures& p : f.paragraphs) {
                ReadabilityCounts sentences = {};
                for (const lxtool::SentenceFigures& s : p.sentences)
                    AddCounts(sentences, s.counts);
                sentences.paragraphs = 1;
                ASSERT_EQ(std::memcmp(&sentences, &p.counts, sizeof sentences), 0)
                    << f.name << " paragraph " << p.number;
                AddCounts(fileSum, p.counts);
            }
            EXPECT_EQ(std::memcmp(&fileSum, &f.totals, sizeof fileSum), 0) << f.name;
            AddCounts(sum, fileSum);
        }
        EXPECT_EQ(sum.paragraphs, CountOf(stats.at("Total Paragraphs")));
        EXPECT_EQ(sum.sentences, CountOf(stats.at("Total Sentences")));
        EXPECT_EQ(sum.words, CountOf(stats.at("Total Words")));
        EXPECT_EQ(sum.characters, CountOf(stats.at("Total Characters")));
        // Syllables and complex words show through the measures built on them.
        const lxtool::MeasureSet m = lxtool::ComputeMeasures(sum, 0);
        using lxtool::ValueText;
        EXPECT_EQ(ValueText(m[kReadingEaseMeasure]), flesch.at("Flesch Reading Ease"));
        EXPECT_EQ(ValueText(m[kKincaidGradeMeasure]), flesch.at("Flesch-Kincaid Grade Level"));
        EXPECT_EQ(ValueText(m[kSmogMeasure]), smog.at("SMOG Grade Level"));
        EXPECT_EQ(ValueText(m[kAriMeasure]), ari.at("ARI Grade Level"));
    }

    // The plug-in's word list with counts, as "word count" lines, and the tool's.
    void ExpectWordListsAgree(ObjectId input) {
        const bool book = lxhost::KindOf(input) == lxhost::kKindBook;
        lxhost::Session& s = host_.session();
        (book ? s.activeBook : s.activeDocument) = input;
        auto number = host_.menus().FindCommandNumber(
            book ? "LXToolsBook" : "LXTools", {"Readability", "Get Word List - With Counts"});
        ASSERT_TRUE(number && loader_.Command(*number));
        lxhost::Document* list = s.FindDocument(s.openDocuments().back());
        ASSERT_NE(list, nullptr);
        std::vector<std::string> plugin;
        for (const lxhost::Paragraph& p : list->paras)
            plugin.push_back(std::string(p.body.text()));
        s.Close(list->id(), 1);

        lxtool::Measured m;
        {
            lxtool::HostClient client(host_);
            m.figures = lxtool::CollectFigures(host_, input, true);
        }
        lxtool::CollectWordCounts(m.figures, &m);
        std::vector<std::string> tool = {"Words"};
        for (const lxtool::WordCount& w : m.words)
            tool.push_back(w.word + "    " + std::to_string(w.count));
        tool.push_back("");
        tool.push_back("Total unique words: " + std::to_string(m.uniqueWords));
        // The plug-in's document ends in the empty paragraph a next addition would write into.
        while (plugin.size() > tool.size() && plugin.back().empty())
            plugin.pop_back();
        for (std::string& line : plugin)
            line = lxtool::Utf8OfHostText(line);
        EXPECT_EQ(tool, plugin);
    }

    ObjectId OpenSample(const std::string& name) {
        ObjectId id = 0;
        std::vector<lxhost::PropEntry> returned;
        EXPECT_EQ(
            host_.session().Open(std::string(LX_SAMPLES_DIR) + "/" + name, {}, &id, &returned), 0)
            << name;
        return id;
    }

    lxhost::Host host_;
    lxhost::PluginLoader loader_{host_};
};

TEST_F(PluginAndTool, SamplesAddUpWithAndWithoutExcludedFormats) {
    const char* samples[] = {"article.txt",
                             "manual/ch1-introduction.mif",
                             "manual/ch2-installation.mif",
                             "manual/ch3-operation.mif",
                             "manual/toc.mif",
                             "manual/aquila-manual.book"};
    for (bool exclude : {false, true}) {
        host_.session().readerOptions.excludedFormats =
            exclude ? std::vector<std::string>{"Code", "Heading1"} : std::vector<std::string>{};
        for (const char* name : samples) {
            SCOPED_TRACE(std::string(name) + (exclude ? " excluding Code, Heading1" : ""));
            ObjectId id = OpenSample(name);
            ASSERT_NE(id, 0u);
            ExpectSumsAgree(id);
            ExpectWordListsAgree(id);
            host_.session().Close(id, 1);
        }
    }
}

// Text that exercises the tokenizer's corners: abbreviations, lone punctuation, numbers, runs of
// periods, dashes, quotation marks, FrameRoman bytes, tabs and empty text.
std::string RandomText(std::mt19937& rng) {
    static const char* kPieces[] = {
        "The",         "valve",
        "opens.",      "Mr.",
        "Smith",       "e.g",
        "3.14",        "1,234",
        "readability", "idea",
        "beautiful",   "--",
        "...",         "\"",
        "(see",        "table)",
        "Wait!",       "why?",
        "here;and",    "time:10",
        "re-enter",    "\xD2quoted\xD3",
        "caf\x8E",     "\x08tab",
        "A.",          "I.",
        "well-being",  "",
    };
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(kPieces)) - 1);
    std::uniform_int_distribution<int> length(0, 40);
    std::string text;
    for (int i = length(rng); i > 0; --i) {
        if (!text.empty())
            text += ' ';
        text += kPieces[pick(rng)];
    }
    return text;
}

// A document with flows on body and master pages, text lines, footnotes, and tables with title
// and hidden cells, paragraphs of several formats and text classes.
ObjectId RandomDocument(lxhost::Session& session, unsigned seed) {
    std::mt19937 rng(seed);
    lxhost::DocBuilder b(session);
    std::uniform_int_distribution<int> small(0, 3);
    std::uniform_int_distribution<int> textClass(0, 3);
    ObjectId body = b.Page(lxhost::kKindBodyPage, "1");
    ObjectId master = b.Page(lxhost::kKindMasterPage, "Right");
    ObjectId last = 0;
    for (int f = 0; f < 2; ++f) {
        ObjectId flow = b.Flow(f == 0 ? "A" : "B");
        ObjectId frame = b.TextFrame(f == 0 || small(rng) == 0 ? body : master);
        for (int i = 0, n = 3 + small(rng) * 4; i < n; ++i) {
            lxhost::ParaSpec shape;
            shape.format = small(rng) == 0 ? "Code" : "Body";
            shape.textClass = textClass(rng) < 3 ? 1 : textClass(rng);
            last = b.Para(flow, frame, RandomText(rng), shape);
            if (small(rng) == 0)
                b.Run(last, RandomText(rng));
        }
    }
    for (int i = small(rng); i > 0; --i)
        b.TextLine(small(rng) == 0 ? master : body, RandomText(rng));
    if (last != 0) {
        b.Footnote(last, {RandomText(rng), RandomText(rng)});
        lxhost::TableSpec table;
        table.columns = 2;
        table.title = {RandomText(rng)};
        table.heading = {{RandomText(rng), RandomText(rng)}};
        table.body = {{RandomText(rng), RandomText(rng)}, {RandomText(rng), RandomText(rng)}};
        table.hidden = {{1, 1}};
        b.Table(last, table);
    }
    return b.id();
}

TEST_F(PluginAndTool, GeneratedDocumentsAddUp) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        ObjectId doc = RandomDocument(host_.session(), seed);
        ExpectSumsAgree(doc);
        ExpectWordListsAgree(doc);
    }
}

TEST_F(PluginAndTool, GeneratedBookAddsUp) {
    lxhost::BookBuilder book(host_.session());
    book.File(std::string(LX_SAMPLES_DIR) + "/manual/ch2-installation.mif");
    ObjectId folder = book.Folder("part");
    book.File(std::string(LX_SAMPLES_DIR) + "/article.txt", folder);
    book.File(std::string(LX_SAMPLES_DIR) + "/manual/ch3-operation.mif", folder, true);
    ExpectSumsAgree(book.id());
    const InputFigures figures = ToolFigures(book.id());
    ASSERT_EQ(figures.files.size(), 2u); // the excluded component is not examined
    EXPECT_EQ(figures.files[1].name, "article.txt");
}

// Under either profile the word list holds every counted word: on a text whose paragraphs are all
// examined, its counts add up to the words counted and its syllables to the syllables counted.
TEST_F(PluginAndTool, WordListsAddUpToTheCountsOfEitherProfile) {
    std::string why;
    const bool precise = lxprecise::Available(&why);
    for (lxtool::Counting counting : {lxtool::Counting::Classic, lxtool::Counting::Precise}) {
        if (counting == lxtool::Counting::Precise && !precise)
            continue;
        for (const char* sample : {"article.txt", "counting/what-counts.mif"}) {
            SCOPED_TRACE(std::string(sample) + " " + lxtool::CountingName(counting));
            const ObjectId input = OpenSample(sample);
            lxtool::Measured m;
            {
                lxtool::HostClient client(host_);
                m.figures = lxtool::CollectFigures(host_, input, true, counting);
            }
            lxtool::CollectWordCounts(m.figures, &m, counting);
            std::int64_t words = 0, syllables = 0;
            for (const lxtool::WordCount& w : m.words) {
                words += w.count;
                syllables += std::int64_t{w.count} * w.syllables;
            }
            EXPECT_GT(words, 0);
            EXPECT_EQ(words, m.figures.totals.words);
            EXPECT_EQ(syllables, m.figures.totals.syllables);
            host_.session().Close(input, 1);
        }
    }
}

} // namespace
