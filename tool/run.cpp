#include "tool/run.h"

#include "analysis/words.h"
#include "host/api/host.h"
#include "tool/json_output.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>

namespace lxinsight {

namespace {

// A configuration file is a few lines; anything much larger is not one.
constexpr std::uintmax_t kMaxConfigBytes = 1 << 20;

bool ReadConfigFile(const std::string& path, std::string* text, std::string* error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        *error = "cannot read the configuration '" + path + "': it is a directory";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read the configuration '" + path + "': no such file or no permission";
        return false;
    }
    std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxConfigBytes) {
        *error = "cannot read the configuration '" + path + "': larger than 1 MB";
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *text = buffer.str();
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

Measured MeasureInput(const InsightOptions& options, const std::vector<std::string>& excludeFormats,
                      bool words) {
    const std::vector<std::string>& files = options.files;
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
        m.status = kExitHost;
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
    m.figures = CollectFigures(host, input, words);
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

bool LoadSettings(const InsightOptions& options, ThresholdSettings* file, int* status,
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

bool SettleThresholds(const InsightOptions& options, Thresholds* thresholds, int* status,
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
    for (const MeasureInfo& m : kMeasures)
        j[m.jsonKey] = ValueJson(measures[m.id]);
    return j;
}

lxcli::RunReport ReportOf(const InsightOptions& options, const Measured& m, int status) {
    lxcli::RunReport report;
    report.command = options.command;
    report.files = options.files;
    report.errors = m.errors;
    report.textNotes = m.textNotes;
    report.exitStatus = status;
    return report;
}

int Finish(const InsightOptions& options, const lxcli::RunReport& report, std::ostream& out,
           std::ostream& err) {
    if (options.json) {
        out << lxcli::JsonText(lxcli::RunReportToJson(report));
    } else {
        for (const lxhost::TextNote& n : report.textNotes)
            for (const std::string& line : lxcli::TextNoteLines(n))
                err << kProgram << ": " << line << "\n";
        for (const std::string& e : report.errors)
            err << kProgram << ": " << e << "\n";
    }
    return report.exitStatus;
}

int FinishWithError(const InsightOptions& options, const std::string& error, int status,
                    std::ostream& out, std::ostream& err) {
    Measured nothing;
    nothing.errors.push_back(error);
    return Finish(options, ReportOf(options, nothing, status), out, err);
}

} // namespace lxinsight
