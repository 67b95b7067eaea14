// `lexameter check`: every file, and a book as a whole, against readability thresholds.
#include "tool/commands.h"
#include "tool/finding_formats.h"
#include "tool/findings.h"
#include "tool/languages.h"
#include "tool/run.h"
#include "tool/table.h"

#include <cmath>
#include <iterator>
#include <ostream>

namespace lxtool {

namespace {

struct CheckRow {
    std::string name;
    bool overall = false;
    bool read = true; // false for a book's file that could not be opened
    std::string language;
    ReadabilityCounts counts{};
    std::int32_t longWords = 0;
    MeasureSet measures;
    std::vector<Miss> misses;
    std::vector<Finding> findings; // every finding of the file, its misses among them
    std::size_t longSentences = 0;
    std::size_t hardParagraphs = 0;
};

// A row a file and, for a book, one for the whole (or one for each of its languages), each
// checked against the thresholds on the measures of its language only, with its findings.
// The paragraphs' findings are those the collector gathered during the walk.
std::vector<CheckRow> Rows(const InputFigures& figures, const std::vector<LanguageRow>& byLanguage,
                           const Thresholds& thresholds, const FindingCollector& collected) {
    std::vector<CheckRow> rows;
    std::size_t file = 0; // the files' rows come first, in the order of the figures' files
    for (const LanguageRow& r : byLanguage) {
        CheckRow row;
        row.name = r.name;
        row.overall = r.overall;
        row.read = r.read;
        row.language = r.language;
        row.counts = r.counts;
        row.longWords = r.longWords;
        row.measures = ComputeMeasures(r.counts, r.longWords, r.fogComplexWords);
        const Thresholds applicable = ApplicableThresholds(thresholds, r.language);
        if (r.read)
            row.misses = Evaluate(applicable, row.measures);
        if (!r.overall && file < figures.files.size()) {
            row.findings = FileFindings(figures.files[file], applicable, collected.Of(file));
            ++file;
        } else if (r.overall)
            row.findings = TotalFindings(BookPath(figures), "the book as a whole", r.counts,
                                         r.longWords, r.fogComplexWords, applicable);
        for (const Finding& f : row.findings) {
            row.longSentences += f.rule == kMaxSentenceLengthName ? 1 : 0;
            row.hardParagraphs += f.rule == kMaxParagraphGradeName ? 1 : 0;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string LimitsText(const Thresholds& t) {
    std::string text;
    for (const FindingRule& rule : RulesInForce(t)) {
        if (!text.empty())
            text += ", ";
        text += rule.id + " " +
                (rule.id == kMaxSentenceLengthName ? std::to_string(static_cast<long>(rule.limit))
                                                   : ValueText(rule.limit));
    }
    return text;
}

// The missed thresholds, then how many sentences and paragraphs the rules found.
std::string MissesText(const CheckRow& row, const Thresholds& t) {
    std::vector<std::string> parts;
    for (const Miss& m : row.misses)
        parts.push_back(DescribeMiss(m));
    if (row.longSentences > 0)
        parts.push_back(std::to_string(row.longSentences) +
                        (row.longSentences == 1 ? " sentence" : " sentences") + " > " +
                        std::to_string(static_cast<long>(*t.maxSentenceLength)) + " words");
    if (row.hardParagraphs > 0)
        parts.push_back(std::to_string(row.hardParagraphs) +
                        (row.hardParagraphs == 1 ? " paragraph" : " paragraphs") + " > grade " +
                        ValueText(*t.maxParagraphGrade));
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : "; ") + part;
    return text;
}

bool Failed(const CheckRow& row) {
    return !row.findings.empty();
}

// "pass", the failure word, or "not read".
std::string ResultText(const CheckRow& row, const char* failed) {
    if (!row.read)
        return "not read";
    return Failed(row) ? failed : "pass";
}

std::size_t FailedRows(const std::vector<CheckRow>& rows) {
    std::size_t failed = 0;
    for (const CheckRow& r : rows)
        if (Failed(r))
            ++failed;
    return failed;
}

std::string Summary(const std::vector<CheckRow>& rows, const Thresholds& t) {
    const std::size_t failed = FailedRows(rows);
    std::size_t notRead = 0;
    for (const CheckRow& r : rows)
        if (!r.read)
            ++notRead;
    // Without thresholds the table is what the user asked for; the summary says how to check.
    if (!t.any() && notRead == 0)
        return "MEASURED: " + std::to_string(rows.size()) + (rows.size() == 1 ? " row" : " rows") +
               ", no thresholds given (--max-grade N, --min-ease N, --max-sentence-length N, "
               "... or a [thresholds] table in " +
               std::string(kConfigFileName) + ")";
    const std::string limits = " (" + LimitsText(t) + ")";
    const std::string missed = std::to_string(failed) + " of " + std::to_string(rows.size()) +
                               (rows.size() == 1 ? " row" : " rows") + " missed a threshold";
    // A file that could not be read is never reported as a pass.
    if (notRead > 0)
        return "ERROR: " + std::to_string(notRead) + (notRead == 1 ? " file" : " files") +
               " could not be read; " + missed + limits;
    if (failed > 0)
        return "FAIL: " + missed + limits;
    return "PASS: " + std::to_string(rows.size()) + (rows.size() == 1 ? " row" : " rows") +
           ", every threshold met" + limits;
}

// The columns CSV adds for the findings, after the table's.
constexpr const char* kFindingColumns[] = {"line", "column", "rule", "figure", "limit", "message"};
constexpr const char* kFindingResult = "finding";

// The check's table. For the terminal: the measures' names as headings, "n/a" for a measure with
// no value, "FAIL" in capitals to catch the eye. For CSV: the measures' keys as headings, an empty
// cell for a measure with no value, and results in lower case for scripts to compare; after the
// rows of the files, a row a finding (result "finding") with its place, rule, figure, limit and
// message in columns of their own, so that one table carries both.
// The measures are those of the rows' languages; a measure that does not measure a row's
// language shows "-" (an empty cell in CSV), and a language column comes first when a row is not
// in English.
TextTable CheckTable(const std::vector<CheckRow>& rows, const std::vector<MeasureId>& measures,
                     bool languages, const Thresholds& t, bool csv) {
    TextTable table;
    table.headings.push_back(csv ? "file" : "File");
    if (languages)
        table.headings.push_back(csv ? "language" : "Language");
    for (MeasureId id : measures)
        table.headings.push_back(csv ? RowOf(id).csvKey : RowOf(id).heading);
    table.headings.push_back(csv ? "result" : "Result");
    table.headings.push_back(csv ? "missed" : "Missed");
    for (const CheckRow& r : rows) {
        std::vector<std::string> cells{r.name};
        if (languages)
            cells.push_back(r.language);
        for (MeasureId id : measures) {
            const double v = r.measures[id];
            if (!MeasureApplies(id, r.language))
                cells.push_back(csv ? "" : "-");
            else if (csv)
                cells.push_back(std::isfinite(v) ? ValueText(v) : "");
            else
                cells.push_back(ValueWithBand(id, v));
        }
        cells.push_back(ResultText(r, csv ? "fail" : "FAIL"));
        cells.push_back(MissesText(r, t));
        table.rows.push_back(std::move(cells));
    }
    if (!csv)
        return table;
    const std::size_t findingColumns = std::size(kFindingColumns);
    table.headings.insert(table.headings.end(), std::begin(kFindingColumns),
                          std::end(kFindingColumns));
    for (std::vector<std::string>& cells : table.rows)
        cells.resize(cells.size() + findingColumns);
    for (const CheckRow& r : rows)
        for (const Finding& f : r.findings) {
            std::vector<std::string> cells{f.path};
            cells.resize(1 + (languages ? 1 : 0) + measures.size());
            cells.push_back(kFindingResult);
            cells.push_back("");
            for (const std::string& cell :
                 {std::to_string(f.line), std::to_string(f.column), f.rule, ValueText(f.figure),
                  ValueText(f.limit), f.message})
                cells.push_back(cell);
            table.rows.push_back(std::move(cells));
        }
    return table;
}

nlohmann::json FindingJson(const Finding& f) {
    return {{"path", f.path},       {"line", f.line},     {"column", f.column}, {"rule", f.rule},
            {"message", f.message}, {"figure", f.figure}, {"limit", f.limit}};
}

// The check's results: the thresholds and rules applied, each row's figures and misses, every
// finding, the notes on languages, the summary.
nlohmann::json Json(const Thresholds& t, const std::vector<CheckRow>& rows,
                    const std::vector<std::string>& notes, Counting counting) {
    nlohmann::json j;
    j["thresholds"] = nlohmann::json::array();
    for (const Threshold& limit : t.limits)
        j["thresholds"].push_back({{"name", ThresholdName(limit)},
                                   {"measure", RowOf(limit.measure).jsonKey},
                                   {"bound", limit.bound == Bound::Max ? "max" : "min"},
                                   {"limit", limit.limit}});
    j["rules"] = nlohmann::json::array();
    for (const FindingRule& rule : RulesInForce(t))
        j["rules"].push_back(
            {{"id", rule.id}, {"description", rule.description}, {"limit", rule.limit}});
    j["excludeFormats"] = t.excludeFormats;
    j["rows"] = nlohmann::json::array();
    j["findings"] = nlohmann::json::array();
    for (const CheckRow& r : rows) {
        nlohmann::json row;
        row["file"] = r.name;
        row["overall"] = r.overall;
        row["read"] = r.read;
        row["language"] = r.language;
        row["counts"] = CountsJson(r.counts, r.longWords, counting);
        row["measures"] = MeasuresJson(r.measures, r.language);
        for (MeasureId id = 0; id < kMeasureRowCount; ++id)
            if (RowOf(id).band && MeasureApplies(id, r.language))
                row["bands"][RowOf(id).jsonKey] = RowOf(id).band(ShownValue(r.measures[id]));
        row["pass"] = r.read && !Failed(r);
        row["missed"] = nlohmann::json::array();
        for (const Miss& m : r.misses)
            row["missed"].push_back({{"threshold", ThresholdName(m.threshold)},
                                     {"measure", RowOf(m.threshold.measure).jsonKey},
                                     {"value", m.value},
                                     {"limit", m.threshold.limit},
                                     {"text", DescribeMiss(m)}});
        row["findings"] = r.findings.size();
        j["rows"].push_back(std::move(row));
        for (const Finding& f : r.findings)
            j["findings"].push_back(FindingJson(f));
    }
    const std::size_t failed = FailedRows(rows);
    bool allRead = true;
    for (const CheckRow& r : rows)
        allRead = allRead && r.read;
    // A file that could not be read is never reported as a pass.
    j["summary"] = {{"rows", rows.size()},
                    {"failed", failed},
                    {"pass", failed == 0 && allRead},
                    {"text", Summary(rows, t)}};
    j["notes"] = notes;
    return j;
}

// What the findings' writers are given: every finding, the rules, the files checked, and for
// the terminal the table and the verdict.
FindingsReport ReportOfFindings(const InputFigures& figures, const Thresholds& t,
                                const std::vector<CheckRow>& rows) {
    FindingsReport report;
    for (const CheckRow& r : rows)
        report.findings.insert(report.findings.end(), r.findings.begin(), r.findings.end());
    report.rules = RulesInForce(t);
    for (const FileFigures& f : figures.files)
        report.files.push_back({PlaceOf(f).path, f.opened, false});
    if (figures.isBook)
        report.files.push_back({BookPath(figures), true, true});
    report.summary = Summary(rows, t);
    return report;
}

} // namespace

int RunCheck(const ToolCommand&, const ToolOptions& options, std::ostream& out, std::ostream& err) {
    int status = kExitOk;
    std::string error;
    Thresholds thresholds;
    if (!SettleThresholds(options, &thresholds, &status, &error))
        return FinishWithError(options, error, status, out, err);
    // A book's files are checked on their totals; the rules that look at sentences and paragraphs
    // find theirs during the walk, which keeps the findings and none of the paragraphs.
    const bool paragraphRules = thresholds.maxSentenceLength || thresholds.maxParagraphGrade;
    FindingCollector collected(thresholds);
    Measured m = MeasureInput(options, thresholds.excludeFormats, err, false, false,
                              paragraphRules ? &collected : nullptr);
    const bool measured = m.status == kExitOk || !m.figures.files.empty();
    const std::vector<LanguageRow> byLanguage =
        measured ? RowsByLanguage(m.figures) : std::vector<LanguageRow>{};
    std::vector<CheckRow> rows = Rows(m.figures, byLanguage, thresholds, collected);
    const std::vector<std::string> notes = LanguageNotes(byLanguage, thresholds);
    const std::vector<MeasureId> measures = MeasuresOfRows(byLanguage);
    const bool languages = AnyNotEnglish(byLanguage);
    status = m.status;
    if (status == kExitOk && FailedRows(rows) > 0)
        status = kExitThresholdMissed;

    RunReport report = ReportOf(options, m, status);
    if (options.json) {
        if (measured)
            report.extra["check"] = Json(thresholds, rows, notes, options.counting);
    } else if (measured) {
        if (options.csv) {
            out << RenderCsv(CheckTable(rows, measures, languages, thresholds, true));
            report.warnings.insert(report.warnings.end(), notes.begin(), notes.end());
        } else {
            const FindingFormat* format =
                FindFindingFormat(options.format.empty() ? kDefaultFindingFormat : options.format);
            FindingsReport findings = ReportOfFindings(m.figures, thresholds, rows);
            findings.table = RenderTable(CheckTable(rows, measures, languages, thresholds, false));
            findings.notes = notes;
            format->write(findings, out);
        }
    }
    return Finish(options, report, out, err);
}

} // namespace lxtool
