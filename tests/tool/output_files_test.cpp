// Saving outputs: each file written beside its target and put in place in one step, so that a
// planted symbolic link is never followed, an existing file is replaced only when asked, and a
// failed write leaves the folder as it was.
#include "tool/output_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using lxtool::OutputFile;
using lxtool::SaveOutputFiles;
using lxtool::SavePolicy;

#if !defined(_WIN32) // symbolic links, fork and file size limits are POSIX's

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

// The names in the folder, sorted: what a run left behind.
std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class OutputFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("lexameter_outputs_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "out");
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(OutputFiles, PlantedLinksAreNeverFollowed) {
    const fs::path victim = dir_ / "victim.txt";
    Write(victim, "precious");
    const fs::path link = dir_ / "out" / "a.report.txt";
    fs::create_symlink(victim, link);
    for (bool force : {false, true}) {
        SCOPED_TRACE(force ? "with force" : "without force");
        std::vector<std::string> errors, saved;
        const bool ok =
            SaveOutputFiles({{link.string(), "report"}}, SavePolicy{force, {}}, &errors, &saved);
        EXPECT_EQ(ok, force);
        EXPECT_EQ(Read(victim), "precious");
        // With force the link itself is replaced by the output; without, it stays as it was.
        EXPECT_EQ(fs::is_symlink(fs::symlink_status(link)), !force);
        EXPECT_EQ(Names(dir_ / "out"), std::vector<std::string>{"a.report.txt"});
    }
    EXPECT_EQ(Read(link), "report");
}

TEST_F(OutputFiles, ExistingFilesAndInputsAreKept) {
    const fs::path out = dir_ / "out" / "a.words.txt";
    const fs::path input = dir_ / "chapter.md";
    Write(out, "old");
    Write(input, "# Chapter");
    std::vector<std::string> errors, saved;
    EXPECT_FALSE(SaveOutputFiles({{out.string(), "new"}}, SavePolicy{false, {}}, &errors, &saved));
    EXPECT_EQ(Read(out), "old");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("exists: not replaced"), std::string::npos) << errors[0];
    errors.clear();
    EXPECT_FALSE(SaveOutputFiles({{input.string(), "page"}}, SavePolicy{true, {input.string()}},
                                 &errors, &saved));
    EXPECT_EQ(Read(input), "# Chapter");
    EXPECT_TRUE(SaveOutputFiles({{out.string(), "new"}}, SavePolicy{true, {}}, &errors, &saved));
    EXPECT_EQ(Read(out), "new");
    EXPECT_EQ(Names(dir_ / "out"), std::vector<std::string>{"a.words.txt"});
}

// A write that fails part-way (the disk full, here a file size limit in a child process) puts
// neither output of a pair in place: the old pair stays whole and no temporary file is left.
TEST_F(OutputFiles, AFailedWriteLeavesTheOldPairWhole) {
    const fs::path mif = dir_ / "out" / "a.report.mif";
    const fs::path txt = dir_ / "out" / "a.report.txt";
    Write(mif, "old mif");
    Write(txt, "old txt");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        // The large output whole, and made in pieces while it is written.
        for (bool pieces : {false, true}) {
            std::vector<OutputFile> files{{mif.string(), "small"},
                                          {txt.string(), std::string(100000, 'x')}};
            if (pieces)
                files[1] = OutputFile(txt.string(), [](const lxtool::PutPiece& put) {
                    for (int i = 0; i < 100; ++i)
                        put(std::string(1000, 'x'));
                });
            std::vector<std::string> errors, saved;
            if (SaveOutputFiles(files, SavePolicy{true, {}}, &errors, &saved) ||
                errors.size() != 1 || !saved.empty())
                _exit(pieces ? 2 : 1);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Read(mif), "old mif");
    EXPECT_EQ(Read(txt), "old txt");
    EXPECT_EQ(Names(dir_ / "out"), (std::vector<std::string>{"a.report.mif", "a.report.txt"}));
}

// An output made while it is written: its pieces in order, empty ones too; a maker that fails
// part-way (out of memory) leaves the old file and no temporary file, and its failure goes on
// to the caller.
TEST_F(OutputFiles, AnOutputMadeInPieces) {
    const fs::path out = dir_ / "out" / "a.page.html";
    Write(out, "old page");
    std::vector<std::string> errors, saved;
    EXPECT_THROW(SaveOutputFiles({OutputFile(out.string(),
                                             [](const lxtool::PutPiece& put) {
                                                 put("<html>");
                                                 throw std::bad_alloc();
                                             })},
                                 SavePolicy{true, {}}, &errors, &saved),
                 std::bad_alloc);
    EXPECT_EQ(Read(out), "old page");
    EXPECT_EQ(Names(dir_ / "out"), std::vector<std::string>{"a.page.html"});
    EXPECT_TRUE(SaveOutputFiles({OutputFile(out.string(),
                                            [](const lxtool::PutPiece& put) {
                                                put("<html>");
                                                put("");
                                                put(std::string(70000, 'p'));
                                                put("</html>");
                                            })},
                                SavePolicy{true, {}}, &errors, &saved));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Read(out), "<html>" + std::string(70000, 'p') + "</html>");
    EXPECT_EQ(Names(dir_ / "out"), std::vector<std::string>{"a.page.html"});
}

// A writer killed part-way (here by the signal a file size limit sends) leaves the old file as
// it was: the new one is put in place only once it is whole.
TEST_F(OutputFiles, AKilledWriterLeavesTheOldFile) {
    const fs::path out = dir_ / "out" / "a.report.txt";
    Write(out, "old report");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<std::string> errors, saved;
        SaveOutputFiles({{out.string(), std::string(100000, 'x')}}, SavePolicy{true, {}}, &errors,
                        &saved);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    EXPECT_EQ(Read(out), "old report");
}

#endif

TEST(OutputStem, FoldersAndStandardInputAreNamedAlike) {
    const std::string here = fs::current_path().filename().string();
    const struct {
        std::vector<std::string> files;
        std::string stem;
    } cases[] = {
        {{"ch1.mif"}, "ch1"},       {{"docs"}, "docs"},    {{"docs/"}, "docs"},
        {{"a/docs/."}, "docs"},     {{"."}, here},         {{"-"}, "stdin"},
        {{"a.md", "b.md"}, "book"}, {{".hidden"}, "book"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lxtool::OutputStem(c.files), c.stem) << c.files[0];
}

} // namespace
