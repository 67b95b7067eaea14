#include "tool/run.h"

#include "analysis/precise/precise.h"
#include "analysis/words.h"
#include "host/api/host.h"
#include "tool/json_output.h"
#include "tool/progress.h"
#include "tool/standard_input.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <ostream>

namespace lxtool {

namespace {

// A configuration file is a few lines; anything much larger is not one.
constexpr std::uintmax_t kMaxConfigBytes = 1 << 20;

// Reads a configuration file: a regular file of at most kMaxConfigBytes, checked before it is
// opened, so that a device (/dev/zero) or a FIFO is refused instead of read without end.
bool ReadConfigFile(const std::string& path, std::string* text, std::string* error) {
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(st)) {
        *error = "cannot read the configuration '" + path + "': no such file";
        return false;
    }
    if (std::filesystem::is_directory(st)) {
        *error = "cannot read the configuration '" + path + "': it is a directory";
        return false;
    }
    if (!std::filesystem::is_regular_file(st)) {
        *error = "cannot read the configuration '" + path + "': not a regular file";
        return false;
    }
    std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxConfigBytes) {
        *error = "cannot read the configuration '" + path + "': larger than 1 MB";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read the configuration '" + path + "': no permission";
        return false;
    }
    // Read at most the limit, in case the file grew since it was looked at.
    text->assign(static_cast<std::size_t>(kMaxConfigBytes) + 1, '\0');
    in.read(text->data(), static_cast<std::streamsize>(text->size()));
    text->resize(static_cast<std::size_t>(in.gcount()));
    if (text->size() > kMaxConfigBytes) {
        *error = "cannot read the configuration '" + path + "': larger than 1 MB";
        return false;
    }
    return true;
}

} // namespace

// The word list with counts, as the plug-in's word list makes it: the words of the examined
// paragraphs, sorted in the list's order (which leaves no two words tied, so the order they were
// found in does not matter), each with its occurrences counted without the paragraph filter. A
// word counts as unique, as in the plug-in's total, unless it has ASCII capitals and the list
// also holds it with small letters; the table answers that without a second index of the list.
void CollectWordCounts(const InputFigures& figures, Measured* m) {
    struct Listed {
        const char* word; // first, so that CompareWords sees a pointer to it
        std::int32_t count;
    };
    std::vector<std::pair<std::string, std::int32_t>> found;
    found.reserve(figures.occurrences.size());
    figures.occurrences.ForEach([&](std::string_view word, const WordTally& tally) {
        if (tally.listed)
            found.emplace_back(word, tally.count);
    });
    // The strings stay where they are from here on: found does not grow again.
    std::vector<Listed> listed;
    listed.reserve(found.size());
    for (const auto& [word, count] : found)
        listed.push_back({word.c_str(), count});
    std::sort(listed.begin(), listed.end(),
              [](const Listed& a, const Listed& b) { return CompareWords(&a.word, &b.word) < 0; });
    m->words.reserve(listed.size());
    m->uniqueWords = 0;
    std::string small;
    for (const Listed& l : listed) {
        m->words.push_back({Utf8OfHostText(l.word), l.count});
        small = l.word;
        bool capitals = false;
        for (char& c : small)
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c + ('a' - 'A'));
                capitals = true;
            }
        const WordTally* smallTally = capitals ? figures.occurrences.Find(small) : nullptr;
        if (!smallTally || !smallTally->listed)
            ++m->uniqueWords;
    }
}

Measured MeasureInput(const ToolOptions& options, const std::vector<std::string>& excludeFormats,
                      std::ostream& err, bool words, bool paragraphs) {
    Measured m;
    lxhost::Host host;
    host.SetAlertStream(nullptr);
    host.SetConsoleStream(nullptr);
    lxhost::Session& session = host.session();
    session.readerOptions.excludedFormats = excludeFormats;
    session.readerOptions.includedFormats = options.includeFormats;
    session.readerOptions.allowOutside = options.allowOutside;

    HostClient client(host);
    if (!client.connected()) {
        m.errors.push_back("cannot connect to the host");
        m.status = kExitPlugin;
        return m;
    }
    std::vector<std::string> files = options.files;
    std::string stdinError;
    if (!ProvideStandardInput(session, &files, &stdinError)) {
        m.errors.push_back(stdinError);
        m.status = kExitFile;
        return m;
    }
    ObjectId input = 0;
    if (files.size() > 1) {
        input = session.NewBookOfFiles(files);
    } else {
        std::vector<lxhost::PropEntry> returned;
        std::string error;
        std::int32_t code = session.Open(files[0], {}, &input, &returned, &error);
        if (code != 0 || input == 0) {
            m.errors.push_back(error.empty() ? "cannot open '" + files[0] + "'" : error);
            m.status = kExitFile;
            return m;
        }
    }
    {
        Progress progress(err, IsTerminal(err));
        ShowProgress shown(session, progress, !options.json);
        m.figures = CollectFigures(host, input, words, options.counting, paragraphs);
    }
    // The files the run read: an output of the run never replaces one of them.
    m.inputs = options.files;
    if (const lxhost::Book* book = session.FindBook(input))
        for (const lxhost::Component& c : book->components)
            if (c.kind == lxhost::kComponentFile)
                m.inputs.push_back(c.path);
    for (const std::string& name : excludeFormats)
        if (std::find(session.excludedFormatsFound.begin(), session.excludedFormatsFound.end(),
                      name) == session.excludedFormatsFound.end())
            m.warnings.push_back("--exclude-format '" + name +
                                 "': no examined document defines this paragraph format");
    m.textNotes = host.session().textNotes;
    // Files of a book that did not open: measured as empty, named with the reader's reason.
    for (const lxhost::Host::OpenError& e : host.record().openErrors)
        m.errors.push_back(e.message);
    if (!host.record().openErrors.empty())
        m.status = kExitFile;
    if (words) {
        CollectWordCounts(m.figures, &m);
        m.figures.occurrences.clear();
    }
    return m;
}

bool LoadSettings(const ToolOptions& options, ThresholdSettings* file, int* status,
                  std::string* error) {
    std::string path = options.config;
    if (path.empty()) {
        std::error_code ec;
        if (!std::filesystem::exists(kConfigFileName, ec))
            return true;
        path = kConfigFileName;
    }
    std::string text;
    if (!ReadConfigFile(path, &text, error)) {
        *status = kExitFile;
        return false;
    }
    if (!ParseConfig(text, path, file, error)) {
        *status = kExitUsage;
        return false;
    }
    return true;
}

std::string SettleCounting(ToolOptions* options, int* status, bool* usage) {
    *usage = false;
    std::string profile = options->countingGiven;
    // A build that cannot read configuration files counts by the option alone.
    if (profile.empty() && ConfigSupported()) {
        ThresholdSettings file;
        std::string error;
        if (!LoadSettings(*options, &file, status, &error))
            return error;
        profile = file.counting.value_or("");
    }
    if (profile.empty())
        profile = "classic";
    options->countingGiven = profile; // named in the JSON document
    options->counting = profile == "precise" ? Counting::Precise : Counting::Classic;
    if (options->counting == Counting::Classic)
        return "";
    *status = kExitUsage;
    *usage = true;
    std::string why;
    if (!lxprecise::Available(&why))
        return "--counting precise is not available: " + why;
    for (const char* refused : {"report", "words", "word-counts", "open"})
        if (options->command == refused)
            return "the command '" + options->command +
                   "' counts only by the classic rules (the plug-in's); --counting precise is "
                   "for stats, flesch, ari, smog, fog, check, hotspots, html and explain";
    return "";
}

bool SettleThresholds(const ToolOptions& options, Thresholds* thresholds, int* status,
                      std::string* error) {
    ThresholdSettings file;
    if (!LoadSettings(options, &file, status, error))
        return false;
    ThresholdSettings given = options.thresholds;
    if (options.excludeFormatsGiven)
        given.excludeFormats = options.excludeFormats;
    *thresholds = ResolveThresholds(file, given);
    return true;
}

nlohmann::json ValueJson(double value) {
    const double shown = ShownValue(value);
    if (!std::isfinite(shown))
        return nullptr;
    return shown;
}

nlohmann::json CountsJson(const ReadabilityCounts& c, std::int32_t longWords) {
    return {{"paragraphs", c.paragraphs}, {"sentences", c.sentences},
            {"words", c.words},           {"characters", c.characters},
            {"syllables", c.syllables},   {"complexWords", c.complexWords},
            {"longWords", longWords}};
}

nlohmann::json MeasuresJson(const MeasureSet& measures) {
    nlohmann::json j = nlohmann::json::object();
    for (MeasureId id = 0; id < kMeasureRowCount; ++id)
        j[RowOf(id).jsonKey] = ValueJson(measures[id]);
    return j;
}

namespace {

constexpr const char* kOverall = "Overall";

// Calls add(name, overall, counts, longWords) for each file and, for a book, for the whole.
template <typename Add> void ForEachReportRow(const InputFigures& figures, Add add) {
    for (const FileFigures& f : figures.files)
        add(f.name, false, f.totals, f.longWords);
    if (figures.isBook)
        add(kOverall, true, figures.totals, figures.longWords);
}

} // namespace

nlohmann::json ReportRowsJson(const InputFigures& figures) {
    nlohmann::json rows = nlohmann::json::array();
    ForEachReportRow(figures, [&](const std::string& name, bool overall,
                                  const ReadabilityCounts& counts, std::int32_t longWords) {
        rows.push_back({{"file", name},
                        {"overall", overall},
                        {"counts", CountsJson(counts, longWords)},
                        {"measures", MeasuresJson(ComputeMeasures(counts, longWords))}});
    });
    return {{"rows", rows}};
}

void AddMeasureColumns(const InputFigures& figures, std::vector<std::string>* headings,
                       std::vector<std::vector<std::string>>* rows) {
    headings->clear();
    rows->clear();
    for (MeasureId id = 0; id < kMeasureRowCount; ++id)
        if (!RowOf(id).alertLabel)
            headings->push_back(RowOf(id).heading);
    ForEachReportRow(figures, [&](const std::string&, bool, const ReadabilityCounts& counts,
                                  std::int32_t longWords) {
        const MeasureSet measures = ComputeMeasures(counts, longWords);
        std::vector<std::string> cells;
        for (MeasureId id = 0; id < kMeasureRowCount; ++id)
            if (!RowOf(id).alertLabel)
                cells.push_back(ValueText(measures[id]));
        rows->push_back(std::move(cells));
    });
}

RunReport ReportOf(const ToolOptions& options, const Measured& m, int status) {
    RunReport report;
    report.command = options.command;
    report.files = options.files;
    report.inputName = InputName(options.files);
    report.errors = m.errors;
    report.warnings = options.warnings;
    report.warnings.insert(report.warnings.end(), m.warnings.begin(), m.warnings.end());
    report.textNotes = m.textNotes;
    report.exitStatus = status;
    return report;
}

} // namespace lxtool
