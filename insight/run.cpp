#include "insight/run.h"

#include "analysis/words.h"
#include "host/api/host.h"
#include "host/cli/json_output.h"
#include "output/word_list.h"
#include "support/str_list.h"

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
// found in does not matter), each with its occurrences counted without the paragraph filter.
void CollectWordCounts(const InputFigures& figures, Measured* m) {
    StrList* list = StrListNew(1, 1);
    if (!list)
        return;
    StrListReserve(list, static_cast<std::uint32_t>(figures.occurrences.size()));
    figures.occurrences.ForEach([list](std::string_view word, const WordTally& tally) {
        if (tally.listed)
            StrListAppend(list, std::string(word).c_str());
    });
    StrListSort(list, CompareWords);
    const std::uint32_t n = StrListCount(list);
    m->words.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        const char* word = StrListGet(list, i);
        const WordTally* tally = figures.occurrences.Find(word);
        m->words.push_back({Utf8OfHostText(word), tally ? tally->count : 0});
    }
    m->uniqueWords = UniqueWordCount(list);
    StrListFree(list);
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
