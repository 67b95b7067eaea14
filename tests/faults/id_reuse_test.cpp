// A book of more objects than the host has ids for, read whole: the plug-in opens, counts and
// closes its files one by one, and the ids of a closed file's objects serve the next files. The
// host here has few ids, so that the book that needs them again is small.
#include "command_runs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr std::uint32_t kSerials = 4000; // ids of each kind
constexpr int kFiles = 6;
constexpr int kParagraphsPerFile = 1500; // the book has more than twice kSerials of them
constexpr std::int32_t kGetStatisticsBook = 9;

struct Case {
    const char* name;
    int paragraphs;         // in each file
    const char* alertPart;  // what the statistics alert says
    bool someFileNotOpened; // the console names a file that did not open
};

TEST(IdReuse, ABookOfMoreObjectsThanIdsIsReadWholeOneFileAtATime) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("lexameter_ids_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const Case cases[] = {
        {"many files", kParagraphsPerFile, "Total Paragraphs: 9,000", false},
        // One file alone needs more ids than there are: that file is not read, the others are.
        {"one file too large", kSerials + 100, "Total Paragraphs: 0", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lxhost::Host host(kSerials);
        host.SetAlertStream(nullptr);
        host.SetConsoleStream(nullptr);
        host.session().installDir = LX_TEST_INSTALL_DIR;
        lxhost::BookBuilder book(host.session(), (dir / "many.book").string());
        for (int f = 0; f < kFiles; ++f) {
            const fs::path file = dir / ("file" + std::to_string(f) + ".txt");
            std::ofstream out(file, std::ios::binary);
            for (int p = 0; p < c.paragraphs; ++p)
                out << "Word.\n\n";
            out.close();
            book.File(file.string());
        }
        host.session().activeBook = book.id();
        host.session().activeDocument = 0;
        void* self = dlopen(nullptr, RTLD_NOW);
        ASSERT_EQ(F_ApiClientInit(static_cast<HMODULE>(self), &host, nullptr, nullptr), 0);
        ASSERT_EQ(host.InitializeClient(1), S_OK);
        EXPECT_EQ(host.RunCommand(kGetStatisticsBook), S_OK);
        ASSERT_FALSE(host.record().alerts.empty());
        const std::string& alert = host.record().alerts.back();
        if (c.someFileNotOpened) {
            std::string console;
            for (const std::string& piece : host.record().console)
                console += piece;
            EXPECT_NE(console.find("Could not open file:"), std::string::npos) << console;
            EXPECT_FALSE(host.record().openErrors.empty());
            EXPECT_NE(host.record().openErrors.front().message.find("ran out of object ids"),
                      std::string::npos);
        } else {
            EXPECT_TRUE(host.record().openErrors.empty());
        }
        EXPECT_NE(alert.find(c.alertPart), std::string::npos) << alert;
        host.ReleaseSink();
        if (self)
            dlclose(self);
        host.memory().ReleaseKept();
    }
    fs::remove_all(dir);
}

} // namespace
