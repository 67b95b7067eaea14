// The book reader's fuzz target, end to end: any input is read as a MIF book, and the plug-in
// module, loaded into a fresh host, walks it for the book statistics. Every file the book names is
// moved into a folder that does not exist (its separators made plain characters), so that the
// walk opens nothing real: each file must then be reported on the console exactly once per failed
// open, and the walk must end.
#include "fuzz/fuzz_target.h"
#include "fuzz/plugin_run.h"
#include "host/formats/mif_book_reader.h"

#include <algorithm>
#include <string>

namespace {

constexpr std::int32_t kBookStatistics = 9;
constexpr const char* kNowhere = "/nonexistent-lexameter-fuzz/";

} // namespace

LX_FUZZ_TARGET(input) {
    PluginRun run;
    lxhost::Book& book = run.session().NewBook();
    std::string error;
    if (!lxhost::ReadMifBook(input, "fuzz.book", "/nonexistent-lexameter-fuzz", book, &error)) {
        FuzzCheck(!error.empty(), "a book refused without a reason");
        return;
    }
    for (lxhost::Component& c : book.components) {
        std::replace(c.path.begin(), c.path.end(), '/', '_');
        std::replace(c.path.begin(), c.path.end(), '\\', '_');
        c.path = kNowhere + c.path;
    }
    run.session().activeBook = book.id();
    run.Start();
    run.Command(kBookStatistics);
    std::size_t reported = 0;
    for (const std::string& piece : run.host().record().console)
        if (piece == "Could not open file:")
            ++reported;
    FuzzCheck(reported == run.host().record().openErrors.size(),
              "a file that did not open was not reported once on the console");
    FuzzCheck(run.host().record().alerts.size() == 1, "the book statistics showed no alert");
    run.Finish();
}
