// The plain-text reader's fuzz target, end to end: any input is read as a text file, and the
// plug-in module, loaded into a fresh host, runs the document statistics, the word list with
// counts and the readability report on it. Nothing may crash, leak or fail, the statistics never
// show a count below zero, and the client gives back every host reference and block.
#include "fuzz/fuzz_target.h"
#include "fuzz/plugin_run.h"
#include "host/formats/plain_text_reader.h"

#include <string>

namespace {

constexpr std::int32_t kStatistics = 1;
constexpr std::int32_t kWordListWithCounts = 7;
constexpr std::int32_t kReport = 8;
// The commands walk every word several times; longer inputs are cut to this.
constexpr std::size_t kMaxText = 32768;

} // namespace

LX_FUZZ_TARGET(input) {
    PluginRun run;
    lxhost::Document& doc = run.session().NewDocument();
    lxhost::ReadPlainText(input.substr(0, kMaxText), doc);
    run.session().activeDocument = doc.id();
    run.Start();
    for (std::int32_t command : {kStatistics, kWordListWithCounts, kReport})
        run.Command(command);
    const auto& alerts = run.host().record().alerts;
    FuzzCheck(!alerts.empty(), "the statistics showed nothing");
    FuzzCheck(alerts.front().find(": -") == std::string::npos, "a count below zero");
    run.Finish();
}
