// `lexameter check`: every file, and a book as a whole, against readability thresholds.
#include "tool/commands.h"
#include "tool/languages.h"
#include "tool/run.h"
#include "tool/table.h"

#include <cmath>
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
};

// A row is checked against the thresholds on the measures of its language only.
std::vector<CheckRow> Rows(const std::vector<LanguageRow>& byLanguage,
                           const Thresholds& thresholds) {
    std::vector<CheckRow> rows;
    for (const LanguageRow& r : byLanguage) {
        CheckRow row;
        row.name = r.name;
        row.overall = r.overall;
        row.read = r.read;
        row.language = r.language;
        row.counts = r.counts;
        row.longWords = r.longWords;
        row.measures = ComputeMeasures(r.counts, r.longWords, r.fogComplexWords);
        if (r.read)
            row.misses = Evaluate(ApplicableThresholds(thresholds, r.language), row.measures);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string LimitsText(const Thresholds& t) {
    std::string text;
    for (const Threshold& limit : t.limits) {
        if (!text.empty())
            text += ", ";
        text += ThresholdName(limit) + " " + ValueText(limit.limit);
    }
    return text;
}

std::string MissesText(const std::vector<Miss>& misses) {
    std::string text;
    for (const Miss& m : misses) {
        if (!text.empty())
            text += "; ";
        text += DescribeMiss(m);
    }
    return text;
}

// "pass", the failure word, or "not read".
std::string ResultText(const CheckRow& row, const char* failed) {
    if (!row.read)
        return "not read";
    return row.misses.empty() ? "pass" : failed;
}

std::size_t FailedRows(const std::vector<CheckRow>& rows) {
    std::size_t failed = 0;
    for (const CheckRow& r : rows)
        if (!r.misses.empty())
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
    if (t.limits.empty() && notRead == 0)
        return "MEASURED: " + std::to_string(rows.size()) + (rows.size() == 1 ? " row" : " rows") +
               ", no thresholds given (--max-grade N, --min-ease N, ... or a [thresholds] "
               "table in " +
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

// The check's table. For the terminal: the measures' names as headings, "n/a" for a measure with
// no value, "FAIL" in capitals to catch the eye. For CSV: the measures' keys as headings, an empty
// cell for a measure with no value, and results in lower case for scripts to compare.
// The measures are those of the rows' languages; a measure that does not measure a row's
// language shows "-" (an empty cell in CSV), and a language column comes first when a row is not
// in English.
TextTable CheckTable(const std::vector<CheckRow>& rows, const std::vector<MeasureId>& measures,
                     bool languages, bool csv) {
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
        cells.push_back(MissesText(r.misses));
        table.rows.push_back(std::move(cells));
    }
    return table;
}

// The check's results: the thresholds applied, each row's figures and misses, the summary.
nlohmann::json Json(const Thresholds& t, const std::vector<CheckRow>& rows,
                    const std::vector<std::string>& notes) {
    nlohmann::json j;
    j["thresholds"] = nlohmann::json::array();
    for (const Threshold& limit : t.limits)
        j["thresholds"].push_back({{"name", ThresholdName(limit)},
                                   {"measure", RowOf(limit.measure).jsonKey},
                                   {"bound", limit.bound == Bound::Max ? "max" : "min"},
                                   {"limit", limit.limit}});
    j["excludeFormats"] = t.excludeFormats;
    j["rows"] = nlohmann::json::array();
    for (const CheckRow& r : rows) {
        nlohmann::json row;
        row["file"] = r.name;
        row["overall"] = r.overall;
        row["read"] = r.read;
        row["language"] = r.language;
        row["counts"] = CountsJson(r.counts, r.longWords);
        row["measures"] = MeasuresJson(r.measures, r.language);
        for (MeasureId id = 0; id < kMeasureRowCount; ++id)
            if (RowOf(id).band && MeasureApplies(id, r.language))
                row["bands"][RowOf(id).jsonKey] = RowOf(id).band(ShownValue(r.measures[id]));
        row["pass"] = r.read && r.misses.empty();
        row["missed"] = nlohmann::json::array();
        for (const Miss& m : r.misses)
            row["missed"].push_back({{"threshold", ThresholdName(m.threshold)},
                                     {"measure", RowOf(m.threshold.measure).jsonKey},
                                     {"value", m.value},
                                     {"limit", m.threshold.limit},
                                     {"text", DescribeMiss(m)}});
        j["rows"].push_back(std::move(row));
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

} // namespace

int RunCheck(const ToolCommand&, const ToolOptions& options, std::ostream& out, std::ostream& err) {
    int status = kExitOk;
    std::string error;
    Thresholds thresholds;
    if (!SettleThresholds(options, &thresholds, &status, &error))
        return FinishWithError(options, error, status, out, err);
    Measured m = MeasureInput(options, thresholds.excludeFormats, err);
    const bool measured = m.status == kExitOk || !m.figures.files.empty();
    const std::vector<LanguageRow> byLanguage =
        measured ? RowsByLanguage(m.figures) : std::vector<LanguageRow>{};
    std::vector<CheckRow> rows = Rows(byLanguage, thresholds);
    const std::vector<std::string> notes = LanguageNotes(byLanguage, thresholds);
    const std::vector<MeasureId> measures = MeasuresOfRows(byLanguage);
    const bool languages = AnyNotEnglish(byLanguage);
    status = m.status;
    if (status == kExitOk && FailedRows(rows) > 0)
        status = kExitThresholdMissed;

    RunReport report = ReportOf(options, m, status);
    if (options.json) {
        if (measured)
            report.extra["check"] = Json(thresholds, rows, notes);
    } else if (measured) {
        if (options.csv) {
            out << RenderCsv(CheckTable(rows, measures, languages, true));
            report.warnings.insert(report.warnings.end(), notes.begin(), notes.end());
        } else {
            out << RenderTable(CheckTable(rows, measures, languages, false)) << "\n";
            for (const std::string& note : notes)
                out << note << "\n";
            out << Summary(rows, thresholds) << "\n";
        }
    }
    return Finish(options, report, out, err);
}

} // namespace lxtool
