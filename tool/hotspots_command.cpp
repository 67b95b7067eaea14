// `lexameter hotspots`: the paragraphs and sentences to rewrite first.
#include "tool/commands.h"
#include "tool/run.h"
#include "tool/table.h"

#include <cmath>
#include <ostream>

namespace lxtool {

namespace {

struct SpotRow {
    const char* list;
    int rank;
    const FileFigures* file;
    const ParagraphFigures* paragraph;
    std::uint32_t line, column; // the paragraph's, or the sentence's
    ReadabilityCounts counts;   // the paragraph's, or the sentence's
    std::int32_t longWords;
    std::string text; // UTF-8: the first words, or (JSON) the whole text
};

constexpr const char* kListHardest = "hardest_paragraphs";
constexpr const char* kListLongest = "longest_sentences";
constexpr const char* kListComplex = "most_complex_words";

// The list's member in the JSON document, named in camel case as every member there is.
const char* JsonListName(const char* list) {
    if (list == kListHardest)
        return "hardestParagraphs";
    if (list == kListLongest)
        return "longestSentences";
    return "mostComplexWords";
}

std::vector<SpotRow> SpotRows(const Hotspots& h, bool wholeText) {
    std::vector<SpotRow> rows;
    auto paragraphs = [&](const char* list, const std::vector<ParagraphSpot>& spots) {
        int rank = 0;
        for (const ParagraphSpot& s : spots)
            rows.push_back(
                {list, ++rank, s.file, s.paragraph, s.paragraph->line, s.paragraph->column,
                 s.paragraph->counts, s.paragraph->longWords,
                 wholeText ? Utf8OfHostText(s.paragraph->text) : FirstWords(s.paragraph->text)});
    };
    paragraphs(kListHardest, h.hardest);
    int rank = 0;
    for (const SentenceSpot& s : h.longest) {
        const std::string_view sentence =
            std::string_view(s.paragraph->text).substr(s.sentence->offset, s.sentence->length);
        rows.push_back(
            {kListLongest, ++rank, s.file, s.paragraph, s.sentence->line, s.sentence->column,
             s.sentence->counts, s.sentence->longWords,
             wholeText ? SentenceText(*s.paragraph, *s.sentence) : FirstWords(sentence)});
    }
    paragraphs(kListComplex, h.mostComplex);
    return rows;
}

std::string Counted(std::int32_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// A finding as compilers print theirs, which editors and terminals jump to:
// "path:line:column: figures: first words" ("path:" alone where the line is not known).
// A grade by another formula than English's Flesch-Kincaid names it: "grade 9.1 (Wiener
// Sachtextformel)".
std::string GradeText(const SpotRow& r) {
    const std::string& language = r.paragraph->language;
    const std::string label = GradeLabel(language);
    return "grade " + ValueText(GradeOf(r.counts, r.longWords, language)) +
           (label.empty() ? "" : " (" + label + ")");
}

std::string FindingLine(const SpotRow& r) {
    return SourcePlace(*r.file, r.line, r.column) + ": " + GradeText(r) + ", " +
           Counted(r.counts.sentences, "sentence", "sentences") + ", " +
           Counted(r.counts.words, "word", "words") + ", " +
           Counted(r.counts.complexWords, "complex word", "complex words") + ": " + r.text;
}

void PrintSection(std::ostream& out, const std::string& title, const char* list,
                  const std::vector<SpotRow>& rows) {
    out << title << "\n";
    bool any = false;
    for (const SpotRow& r : rows) {
        if (r.list == list) {
            out << FindingLine(r) << "\n";
            any = true;
        }
    }
    if (!any)
        out << "(none)\n";
}

nlohmann::json PositionJson(std::uint32_t value) {
    return value != 0 ? nlohmann::json(value) : nlohmann::json(nullptr);
}

std::string PositionText(std::uint32_t value) {
    return value != 0 ? std::to_string(value) : "";
}

// A spot of a paragraph graded by another formula than English's Flesch-Kincaid also gives that
// grade and the formula's JSON key.
nlohmann::json SpotJson(const SpotRow& r, Counting counting) {
    nlohmann::json spot = {{"rank", r.rank},
                           {"file", r.file->name},
                           {"path", r.file->path},
                           {"line", PositionJson(r.line)},
                           {"column", PositionJson(r.column)},
                           {"paragraph", r.paragraph->number},
                           {"page", r.paragraph->page.empty() ? nlohmann::json(nullptr)
                                                              : nlohmann::json(r.paragraph->page)},
                           {"format", r.paragraph->format},
                           {"fleschKincaidGrade", ValueJson(GradeOf(r.counts))},
                           {"counts", CountsJson(r.counts, r.longWords, counting)},
                           {"text", r.text}};
    const std::string& language = r.paragraph->language;
    if (!GradeLabel(language).empty()) {
        spot["grade"] = ValueJson(GradeOf(r.counts, r.longWords, language));
        spot["gradeMeasure"] = kMeasureRows[GradeMeasureOf(language)].jsonKey;
    }
    return spot;
}

} // namespace

int RunHotspots(const ToolCommand&, const ToolOptions& options, std::ostream& out,
                std::ostream& err) {
    // Only the spots shown are kept during the walk, not every paragraph.
    HotspotCollector collector(options.hotspots);
    Measured m = MeasureInput(options, options.excludeFormats, err, false, false, &collector);
    const bool measured = m.status == kExitOk || !m.figures.files.empty();
    const Hotspots h = collector.Result(m.figures);
    const std::string longTitle = "Longest sentences (" +
                                  std::to_string(options.hotspots.longSentenceWords) +
                                  " words or more)";
    const bool byKincaid = AllByKincaid(m.figures);
    const std::string hardestTitle =
        std::string("Hardest paragraphs (") +
        (byKincaid ? "Flesch-Kincaid grade" : "grade by each paragraph's language") + ", " +
        std::to_string(kHardestMinSentences) + " sentences or more)";
    RunReport report = ReportOf(options, m, m.status);
    if (options.json) {
        if (measured) {
            nlohmann::json j;
            j["top"] = options.hotspots.top;
            j["long"] = options.hotspots.longSentenceWords;
            j["minSentences"] = kHardestMinSentences;
            for (const char* list : {kListHardest, kListLongest, kListComplex})
                j[JsonListName(list)] = nlohmann::json::array();
            for (const SpotRow& r : SpotRows(h, true)) {
                nlohmann::json spot = SpotJson(r, options.counting);
                if (r.list == kListLongest)
                    spot["counts"].erase("paragraphs");
                j[JsonListName(r.list)].push_back(std::move(spot));
            }
            report.extra["hotspots"] = std::move(j);
        }
        return Finish(options, report, out, err);
    }
    if (measured) {
        const std::vector<SpotRow> rows = SpotRows(h, false);
        if (options.csv) {
            TextTable table;
            table.headings = {
                "list",      "rank",      "file",          "path",   "line",
                "column",    "paragraph", "page",          "format", "flesch_kincaid_grade",
                "sentences", "words",     "complex_words", "text"};
            // Paragraphs graded by another formula add the grade they rank by and its formula.
            if (!byKincaid) {
                table.headings.push_back("grade");
                table.headings.push_back("grade_measure");
            }
            for (const SpotRow& r : SpotRows(h, true)) {
                const double grade = GradeOf(r.counts);
                table.rows.push_back(
                    {r.list, std::to_string(r.rank), r.file->name, r.file->path,
                     PositionText(r.line), PositionText(r.column),
                     std::to_string(r.paragraph->number), r.paragraph->page, r.paragraph->format,
                     std::isfinite(grade) ? ValueText(grade) : "",
                     std::to_string(r.counts.sentences), std::to_string(r.counts.words),
                     std::to_string(r.counts.complexWords), r.text});
                if (!byKincaid) {
                    const std::string& language = r.paragraph->language;
                    const double own = GradeOf(r.counts, r.longWords, language);
                    table.rows.back().push_back(std::isfinite(own) ? ValueText(own) : "");
                    table.rows.back().push_back(kMeasureRows[GradeMeasureOf(language)].csvKey);
                }
            }
            out << RenderCsv(table);
        } else {
            PrintSection(out, hardestTitle, kListHardest, rows);
            out << "\n";
            PrintSection(out, longTitle, kListLongest, rows);
            out << "\n";
            PrintSection(out, "Paragraphs with the most complex words", kListComplex, rows);
        }
    }
    return Finish(options, report, out, err);
}

} // namespace lxtool
