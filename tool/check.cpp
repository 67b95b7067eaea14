// `lexameter check`: every file, and a book as a whole, against readability thresholds.
#include "tool/commands.h"
#include "tool/run.h"
#include "tool/table.h"

#include <cmath>
#include <ostream>

namespace lxtool {

namespace {

constexpr const char* kOverall = "Overall";

struct CheckRow {
    std::string name;
    bool overall = false;
    bool read = true; // false for a book's file that could not be opened
    ReadabilityCounts counts{};
    std::int32_t longWords = 0;
    MeasureSet measures;
    std::vector<Miss> misses;
};

std::vector<CheckRow> Rows(const InputFigures& figures, const Thresholds& thresholds) {
    std::vector<CheckRow> rows;
    auto add = [&](const std::string& name, bool overall, bool read,
                   const ReadabilityCounts& counts, std::int32_t longWords,
                   std::int32_t fogComplexWords) {
        CheckRow row;
        row.name = name;
        row.overall = overall;
        row.read = read;
        row.counts = counts;
        row.longWords = longWords;
        row.measures = ComputeMeasures(counts, longWords, fogComplexWords);
        if (read)
            row.misses = Evaluate(thresholds, row.measures);
        rows.push_back(std::move(row));
    };
    for (const FileFigures& f : figures.files)
        add(f.name, false, f.opened, f.totals, f.longWords, f.fogComplexWords);
    if (figures.isBook)
        add(kOverall, true, true, figures.totals, figures.longWords, figures.fogComplexWords);
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
TextTable CheckTable(const std::vector<CheckRow>& rows, bool csv) {
    TextTable table;
    table.headings.push_back(csv ? "file" : "File");
    for (const MeasureRow& m : kMeasureRows)
        table.headings.push_back(csv ? m.csvKey : m.heading);
    table.headings.push_back(csv ? "result" : "Result");
    table.headings.push_back(csv ? "missed" : "Missed");
    for (const CheckRow& r : rows) {
        std::vector<std::string> cells{r.name};
        for (MeasureId id = 0; id < kMeasureRowCount; ++id) {
            const double v = r.measures[id];
            cells.push_back(csv && !std::isfinite(v) ? "" : ValueText(v));
        }
        cells.push_back(ResultText(r, csv ? "fail" : "FAIL"));
        cells.push_back(MissesText(r.misses));
        table.rows.push_back(std::move(cells));
    }
    return table;
}

// The check's results: the thresholds applied, each row's figures and misses, the summary.
nlohmann::json Json(const Thresholds& t, const std::vector<CheckRow>& rows) {
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
        row["counts"] = CountsJson(r.counts, r.longWords);
        row["measures"] = MeasuresJson(r.measures);
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
    return j;
}

} // namespace

int RunCheck(const ToolCommand&, const ToolOptions& options, std::ostream& out, std::ostream& err) {
    int status = kExitOk;
    std::string error;
    Thresholds thresholds;
    if (!SettleThresholds(options, &thresholds, &status, &error))
        return FinishWithError(options, error, status, out, err);
    // Checked file by file: the paragraphs' figures are not needed.
    Measured m = MeasureInput(options, thresholds.excludeFormats, err, false, false);
    const bool measured = m.status == kExitOk || !m.figures.files.empty();
    std::vector<CheckRow> rows = measured ? Rows(m.figures, thresholds) : std::vector<CheckRow>{};
    status = m.status;
    if (status == kExitOk && FailedRows(rows) > 0)
        status = kExitThresholdMissed;

    RunReport report = ReportOf(options, m, status);
    if (options.json) {
        if (measured)
            report.extra["check"] = Json(thresholds, rows);
    } else if (measured) {
        if (options.csv)
            out << RenderCsv(CheckTable(rows, true));
        else
            out << RenderTable(CheckTable(rows, false)) << "\n"
                << Summary(rows, thresholds) << "\n";
    }
    return Finish(options, report, out, err);
}

} // namespace lxtool
