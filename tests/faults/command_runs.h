// Whole runs of the plug-in in one process, as the host drives it: start-up, then one command on
// a document or on a book. A sweep arms a fault at the start of the part it examines (start-up,
// or the command) and checks what every run must leave behind, whatever failed: the sink
// destroyed, no host reference kept, every host block released exactly once, no runaway.
#pragma once

#include "host/api/host.h"
#include "host/formats/mif_writer.h"
#include "host/model/builder.h"
#include "runtime/api.h"
#include "runtime/client_init.h"
#include "runtime/connection.h"
#include "runtime/sink.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace faults {

constexpr std::int32_t kAbout = 1000;
constexpr std::int32_t kStartUpOnly = 0;

// What a run examines: start-up alone (command 0), or a command after a clean start-up.
struct Scenario {
    std::int32_t command = kStartUpOnly;
    bool onBook = false;
    // The host's answer to the memory mode: it keeps the blocks it hands out (the client must
    // not release them), or the client releases them.
    bool hostKeepsMemory = false;

    std::string Name() const {
        const std::string memory = hostKeepsMemory ? ", the host keeping its blocks" : "";
        if (command == kStartUpOnly)
            return "start-up" + memory;
        std::string name = command == kAbout ? "About" : "command " + std::to_string(command);
        return name + (onBook ? " with a book active" : " on a document") + memory;
    }
};

// For the test names of value-parameterised tests.
inline void PrintTo(const Scenario& scenario, std::ostream* out) {
    *out << scenario.Name();
}

// A scenario's name in a test's name: StartUp, Command7Document, AboutBook.
inline std::string TestName(const ::testing::TestParamInfo<Scenario>& info) {
    const Scenario& s = info.param;
    if (s.command == kStartUpOnly)
        return "StartUp";
    std::string name = s.command == kAbout ? "About" : "Command" + std::to_string(s.command);
    return name + (s.onBook ? "Book" : "Document");
}

// Every scenario: start-up, then About and the sixteen commands, each with a document active and
// with a book (and a document) active.
inline std::vector<Scenario> AllScenarios() {
    std::vector<Scenario> all = {{kStartUpOnly, false}};
    for (bool onBook : {false, true}) {
        for (std::int32_t c = 1; c <= 16; ++c)
            all.push_back({c, onBook});
        all.push_back({kAbout, onBook});
    }
    return all;
}

// What a run did and left behind.
struct Outcome {
    bool started = false;              // the entry answered 0 and a sink is attached
    bool entryRaised = false;          // the entry raised the platform exception
    HRESULT command = S_OK;            // the command's (or Initialize's) result
    std::int64_t calls = 0;            // API calls made from the point where the fault was armed
    std::int64_t queries = 0;          // interface queries the host answered (or refused)
    bool runaway = false;              // the call limit was reached
    std::vector<std::uint32_t> raised; // exception codes the host caught around sink calls
    std::vector<std::string> broken;   // invariants the run broke
};

// The files of the book, made once per test program: a chapter of MIF with a table and a
// footnote, a chapter of plain text, and a chapter whose file is missing.
class BookFiles {
  public:
    static const BookFiles& Get() {
        static BookFiles files;
        return files;
    }
    std::string mif, text, missing;

  private:
    BookFiles() {
        namespace fs = std::filesystem;
        dir_ = fs::temp_directory_path() / ("lexameter_faults_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        lxhost::Session session;
        lxhost::Document& chapter = FillDocument(session);
        mif = (dir_ / "chapter one.mif").string();
        std::ofstream(mif, std::ios::binary) << lxhost::WriteMif(chapter);
        text = (dir_ / "chapter2.txt").string();
        std::ofstream(text, std::ios::binary)
            << "Plain text chapter.\n\nIts second paragraph has a few more words in it, some of "
               "them polysyllabic.\n";
        missing = (dir_ / "missing.mif").string();
        std::atexit([] { std::filesystem::remove_all(Get().dir_); });
    }

  public:
    // A small document with the parts the commands walk: paragraphs of body text and headings,
    // a table with a heading row, a footnote and a text line.
    static lxhost::Document& FillDocument(lxhost::Session& session) {
        lxhost::DocBuilder b(session);
        ObjectId page = b.Page();
        ObjectId frame = b.TextFrame(page);
        ObjectId flow = b.Flow();
        lxhost::ParaSpec heading;
        heading.format = "Heading1";
        b.Para(flow, frame, "Introduction", heading);
        ObjectId p = b.Para(flow, frame,
                            "The quick brown fox jumps over the lazy dog. Readability "
                            "measures count sentences, words and syllables.");
        b.Footnote(p, {"A footnote, with its own words."});
        lxhost::TableSpec table;
        table.columns = 2;
        table.heading = {{"Name", "Value"}};
        table.body = {{"alpha", "beta"}, {"gamma"}};
        b.Table(p, table);
        b.Para(flow, frame, "Another paragraph follows the table. It is short.");
        b.TextLine(page, "A text line on the page");
        return b.doc();
    }

  private:
    std::filesystem::path dir_;
};

// One run on a fresh host. `arm` is called where the examined part begins (before the entry for
// start-up, before the command otherwise) and may set faults on the host.
inline Outcome Run(const Scenario& scenario, std::int64_t callLimit,
                   const std::function<void(lxhost::Host&)>& arm) {
    Outcome out;
    const TaskMemStats baseline = TaskMemGetStats();
    {
        lxhost::Host host;
        host.SetAlertStream(nullptr);
        host.SetConsoleStream(nullptr);
        host.session().installDir = LX_TEST_INSTALL_DIR;
        ObjectId doc = BookFiles::FillDocument(host.session()).id();
        const BookFiles& files = BookFiles::Get();
        lxhost::BookBuilder book(host.session(), "/faults/manual.book");
        ObjectId part = book.Folder("Part");
        book.File(files.mif, part);
        book.File(files.text);
        book.File(files.missing);
        host.session().activeDocument = doc;
        host.session().activeBook = scenario.onBook ? book.id() : 0;
        if (scenario.hostKeepsMemory)
            host.SetMemoryAnswer(0);

        ApiErrno = 0;
        KeepHostMemory = 0;
        void* self = dlopen(nullptr, RTLD_NOW);
        const bool startUpExamined = scenario.command == kStartUpOnly;
        auto limitAndArm = [&] {
            host.SetCallLimit(callLimit);
            arm(host);
        };
        if (startUpExamined)
            limitAndArm();
        int answer = -1;
        try {
            answer = F_ApiClientInit(static_cast<HMODULE>(self), &host, nullptr, nullptr);
        } catch (const PlatformException&) {
            out.entryRaised = true;
        }
        out.started = answer == 0 && host.HasSink();
        if (out.started) {
            out.command = host.InitializeClient(1);
            if (!startUpExamined) {
                limitAndArm();
                out.command = host.RunCommand(scenario.command);
            }
        }
        out.calls = host.CallsMade();
        out.queries = host.QueriesMade();
        out.runaway = host.CallLimitReached();
        out.raised = host.record().raised;
        host.ReleaseSink();
        if (!out.started && NotificationSink) {
            // A client whose entry raised never let its sink go; the host drops the client's
            // module, and with it the sink, here as its unloading would.
            out.broken.push_back("the entry left its sink alive");
        }
        if (self)
            dlclose(self);
        if (NotificationSink)
            out.broken.push_back("the sink outlived the host's release");
        if (ApiInterface)
            out.broken.push_back("the client still holds the API interface");
        if (host.OutstandingReferences() != 0)
            out.broken.push_back("the client kept " + std::to_string(host.OutstandingReferences()) +
                                 " host reference(s)");
        host.memory().ReleaseKept();
    }
    const TaskMemStats now = TaskMemGetStats();
    if (now.liveBlocks != baseline.liveBlocks)
        out.broken.push_back(std::to_string(now.liveBlocks - baseline.liveBlocks) +
                             " host block(s) not released");
    if (now.badReleases != baseline.badReleases)
        out.broken.push_back(std::to_string(now.badReleases - baseline.badReleases) +
                             " bad release(s) of host blocks");
    if (out.runaway)
        out.broken.push_back("the client did not stop calling the failing host");
    return out;
}

// The calls of a run of `total` calls a sweep makes fail: every one, or in the sampled sweep the
// first few, the last few and an even spread between them, so that a long run costs no more than
// a short one. `seed` shifts the spread so that different scenarios hit different calls.
inline std::vector<std::int64_t> CallsToFail(std::int64_t total, bool full, std::int64_t seed) {
    constexpr std::int64_t kHead = 12, kTail = 4, kSpread = 16;
    std::vector<std::int64_t> picks;
    if (full || total <= kHead + kTail + kSpread) {
        for (std::int64_t n = 1; n <= total; ++n)
            picks.push_back(n);
        return picks;
    }
    for (std::int64_t n = 1; n <= kHead; ++n)
        picks.push_back(n);
    const std::int64_t middle = total - kHead - kTail;
    for (std::int64_t i = 0; i < kSpread; ++i)
        picks.push_back(kHead + 1 + (i * middle + seed % (middle / kSpread + 1)) / kSpread);
    for (std::int64_t n = total - kTail + 1; n <= total; ++n)
        picks.push_back(n);
    return picks;
}

// The whole sweep instead of the sampled one (the full_sweep target sets it).
inline bool FullSweep() {
    const char* value = std::getenv("LX_FULL_SWEEP");
    return value && *value && std::string(value) != "0";
}

} // namespace faults
