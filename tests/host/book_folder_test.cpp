// The folder rule of books: every file a book reads (chapters, XIncludes, nested maps, a folder
// book's files) lies in the book's folder once links are followed, or is refused like a missing
// chapter, unless the reader options allow it; a folder book reports the subfolders it cannot list
// and leaves the tool's own outputs out.
#include "host/formats/markup.h"
#include "host/formats/mif_writer.h"

#include <gtest/gtest.h>

// Links, and folders deeper than a path can name, are made with POSIX calls; the walks read
// Markdown and XML.
#if !defined(_WIN32) && defined(LX_HAVE_CMARK_GFM) && defined(LX_HAVE_LIBXML2)

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace lxhost {
namespace {

namespace fs = std::filesystem;

std::string OutsideFolderMessageFor(const std::string& what, const std::string& path,
                                    const std::string& folder) {
    return what + " '" + path + "' is outside the book's folder '" + folder +
           "' (after links are followed); --allow-outside reads it";
}

constexpr std::string_view kXi = "xmlns:xi='http://www.w3.org/2001/XInclude'";

class BookFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("lx_book_folder_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        outside_ = (dir_ / "outside").string();
        Write("outside/secret.txt", "Secret words");
        Write("outside/secret.md", "# Secret words\n");
        Write("outside/secret.xml", "<chapter><title>Secret words</title></chapter>");
        Write("outside/topic.dita", "<topic id='t'><title>Secret words</title></topic>");
        Write("outside/nested.ditamap", "<map><topicref href='topic.dita'/></map>");
    }
    void TearDown() override { fs::remove_all(dir_); }
    // Writes a file under the test's folder; "@OUT@" in the text stands for the outside folder.
    std::string Write(const std::string& name, std::string text) {
        for (std::size_t at; (at = text.find("@OUT@")) != std::string::npos;)
            text.replace(at, 5, outside_);
        const fs::path p = dir_ / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.lexically_normal().string();
    }

    // What a walk of a book read: the errors of the components that did not open, and the text
    // of those that did.
    struct Walked {
        std::vector<std::string> errors;
        std::string text;
    };
    // Opens the book and each of its files, as the plug-in's walk of a book does.
    Walked WalkBook(const std::string& path, bool allowOutside) {
        Session s;
        s.readerOptions.allowOutside = allowOutside;
        Walked walked;
        ObjectId id = 0;
        std::string error;
        if (s.Open(path, {}, &id, nullptr, &error) != kOk || s.FindBook(id) == nullptr) {
            walked.errors.push_back("the book did not open: " + error);
            return walked;
        }
        std::vector<std::string> files;
        for (const Component& c : s.FindBook(id)->components)
            if (c.kind == kComponentFile)
                files.push_back(c.path);
        for (const std::string& file : files) {
            ObjectId doc = 0;
            const std::int32_t status = s.Open(file, {}, &doc, nullptr, &error);
            if (status != kOk) {
                walked.errors.push_back(error);
                continue;
            }
            if (Document* d = s.FindDocument(doc)) {
                walked.text += RenderText(*d);
                s.Close(doc, 1);
            }
        }
        return walked;
    }

    fs::path dir_;
    std::string outside_;
};

TEST_F(BookFolder, FilesOutsideTheFolderAreRefusedLikeMissingChaptersUnlessAllowed) {
    const std::string docbookBook = std::string("<book ") + std::string(kXi) +
                                    "><chapter><title>Inside words</title></chapter>"
                                    "<xi:include href='chapter.xml'/></book>";
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files; // in the book's folder
        std::vector<std::pair<std::string, std::string>> links; // in the book's folder
        const char* book;    // the file opened, in the book's folder; "": the folder
        const char* refused; // the path refused, as the reader names it
        const char* what;
    } cases[] = {
        {"XInclude parse=text through a folder link",
         {{"book.xml", docbookBook},
          {"chapter.xml", std::string("<chapter ") + std::string(kXi) +
                              "><title>Mine</title><xi:include href='link/secret.txt' "
                              "parse='text'/></chapter>"}},
         {{"link", "@OUT@"}},
         "book.xml",
         "link/secret.txt",
         "included file"},
        {"XInclude parse=xml through a file link",
         {{"book.xml", docbookBook},
          {"chapter.xml", std::string("<chapter ") + std::string(kXi) +
                              "><title>Mine</title><xi:include href='part.xml'/></chapter>"}},
         {{"part.xml", "@OUT@/secret.xml"}},
         "book.xml",
         "part.xml",
         "included file"},
        {"DocBook chapter through a folder link",
         {{"book.xml", std::string("<book ") + std::string(kXi) +
                           "><chapter><title>Inside words</title></chapter>"
                           "<xi:include href='link/secret.xml'/></book>"}},
         {{"link", "@OUT@"}},
         "book.xml",
         "link/secret.xml",
         "chapter"},
        {"DITA nested map through a folder link",
         {{"map.ditamap", "<map><topicref href='in.dita'/><mapref href='link/nested.ditamap'/>"
                          "</map>"},
          {"in.dita", "<topic id='i'><title>Inside words</title></topic>"}},
         {{"link", "@OUT@"}},
         "map.ditamap",
         "link/nested.ditamap",
         "nested map"},
        {"DITA topic through a folder link",
         {{"map.ditamap", "<map><topicref href='in.dita'/><topicref href='link/topic.dita'/>"
                          "</map>"},
          {"in.dita", "<topic id='i'><title>Inside words</title></topic>"}},
         {{"link", "@OUT@"}},
         "map.ditamap",
         "link/topic.dita",
         "chapter"},
        {"SUMMARY.md link up and out",
         {{"SUMMARY.md", "# Summary\n\n- [In](in.md)\n- [Out](../outside/secret.md)\n"},
          {"in.md", "# Inside words\n"}},
         {},
         "SUMMARY.md",
         "../outside/secret.md",
         "chapter"},
        {"SUMMARY.md absolute link",
         {{"SUMMARY.md", "# Summary\n\n- [In](in.md)\n- [Out](@OUT@/secret.md)\n"},
          {"in.md", "# Inside words\n"}},
         {},
         "SUMMARY.md",
         "@OUT@/secret.md",
         "chapter"},
        {"SUMMARY.md chapter through a file link",
         {{"SUMMARY.md", "# Summary\n\n- [In](in.md)\n- [Out](leak.md)\n"},
          {"in.md", "# Inside words\n"}},
         {{"leak.md", "@OUT@/secret.md"}},
         "SUMMARY.md",
         "leak.md",
         "chapter"},
        {"folder book file link",
         {{"in.md", "# Inside words\n"}},
         {{"leak.md", "@OUT@/secret.md"}},
         "",
         "leak.md",
         "file"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string book = "book" + std::to_string(++n);
        for (const auto& [name, text] : c.files)
            Write(book + "/" + name, text);
        for (const auto& [name, target] : c.links) {
            std::string to = target;
            to.replace(0, 5, outside_);
            fs::create_symlink(to, dir_ / book / name);
        }
        const fs::path folder = dir_ / book;
        std::string refused = c.refused;
        if (refused.starts_with("@OUT@"))
            refused.replace(0, 5, outside_);
        const std::string message = std::string(c.what) + " '" +
                                    (folder / refused).lexically_normal().string() +
                                    "' is outside the book's folder '" + folder.string() +
                                    "' (after links are followed); --allow-outside reads it";
        const std::string path = (folder / c.book).lexically_normal().string();

        const Walked confined = WalkBook(path, false);
        ASSERT_EQ(confined.errors.size(), 1u) << c.name;
        EXPECT_NE(confined.errors[0].find(message), std::string::npos)
            << c.name << ": " << confined.errors[0];
        EXPECT_EQ(confined.text.find("Secret"), std::string::npos) << c.name;
        EXPECT_NE(confined.text.find("Inside words"), std::string::npos) << c.name;

        const Walked allowed = WalkBook(path, true);
        EXPECT_TRUE(allowed.errors.empty()) << c.name << ": " << allowed.errors.front();
        EXPECT_NE(allowed.text.find("Secret words"), std::string::npos) << c.name;
    }
}

TEST_F(BookFolder, LinksThatStayInTheFolderAreRead) {
    Write("book/real/ch.md", "# Linked words\n");
    Write("book/real/part.xml", "<section><title>Included words</title></section>");
    Write("book/SUMMARY.md", "# Summary\n\n- [A](alias.md)\n- [B](chapter.xml)\n");
    Write("book/chapter.xml",
          std::string("<chapter ") + std::string(kXi) +
              "><title>T</title><xi:include href='parts/part.xml'/>"
              "<xi:include href='parts/../real/ch.md' parse='text'/></chapter>");
    fs::create_symlink(dir_ / "book/real/ch.md", dir_ / "book/alias.md");
    fs::create_symlink("real", dir_ / "book/parts");
    // The book's folder itself reached through a link.
    fs::create_symlink(dir_ / "book", dir_ / "book-link");
    for (const std::string summary : {"book/SUMMARY.md", "book-link/SUMMARY.md"}) {
        const Walked walked = WalkBook((dir_ / summary).string(), false);
        EXPECT_TRUE(walked.errors.empty()) << summary << ": " << walked.errors.front();
        EXPECT_EQ(walked.text.find("Secret"), std::string::npos);
        for (const char* words : {"Linked words", "Included words", "# Linked words"})
            EXPECT_NE(walked.text.find(words), std::string::npos) << summary << ": " << words;
    }
}

// A folder no path can name: deeper than the system's longest path. Made and removed through
// descriptors, which do not spell the whole path out. As root, a folder without permissions would
// still be listed; this one cannot be listed by anyone.
class DeepFolder {
  public:
    static constexpr int kLevels = 24;
    explicit DeepFolder(const fs::path& base) : name_(200, 'd') {
        fds_.push_back(::open(base.c_str(), O_RDONLY | O_DIRECTORY));
        for (int i = 0; i < kLevels && fds_.back() >= 0; ++i) {
            ::mkdirat(fds_.back(), name_.c_str(), 0755);
            fds_.push_back(::openat(fds_.back(), name_.c_str(), O_RDONLY | O_DIRECTORY));
        }
        if (fds_.back() >= 0) {
            const int fd = ::openat(fds_.back(), "deep.md", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) {
                EXPECT_EQ(::write(fd, "# Deep\n", 7), 7);
                ::close(fd);
            }
        }
    }
    ~DeepFolder() {
        if (fds_.back() >= 0)
            ::unlinkat(fds_.back(), "deep.md", 0);
        for (std::size_t i = fds_.size(); i-- > 1;) {
            if (fds_[i] >= 0)
                ::close(fds_[i]);
            if (fds_[i - 1] >= 0)
                ::unlinkat(fds_[i - 1], name_.c_str(), AT_REMOVEDIR);
        }
        if (fds_[0] >= 0)
            ::close(fds_[0]);
    }
    DeepFolder(const DeepFolder&) = delete;
    DeepFolder& operator=(const DeepFolder&) = delete;
    bool made() const { return fds_.size() == kLevels + 1 && fds_.back() >= 0; }

  private:
    std::string name_;
    std::vector<int> fds_;
};

TEST_F(BookFolder, AFolderThatCannotBeListedIsReportedAndTheRestRead) {
    Write("book/a.md", "# First words\n");
    Write("book/sub/b.md", "# Second words\n");
    Write("book/z.md", "# Last words\n");
    fs::create_directories(dir_ / "book/deep");
    DeepFolder deep(dir_ / "book/deep");
    ASSERT_TRUE(deep.made());

    const Walked walked = WalkBook((dir_ / "book").string(), false);
    ASSERT_EQ(walked.errors.size(), 1u);
    EXPECT_TRUE(walked.errors[0].starts_with((dir_ / "book/deep").string() + "/ddd"))
        << walked.errors[0];
    EXPECT_TRUE(walked.errors[0].ends_with(": cannot list the folder: File name too long"))
        << walked.errors[0];
    for (const char* words : {"First words", "Second words", "Last words"})
        EXPECT_NE(walked.text.find(words), std::string::npos) << words;

    // Listed for a book of several files, the folder is an error, the rest listed.
    std::vector<std::string> files;
    std::string error;
    EXPECT_FALSE(ListFolderFiles((dir_ / "book").string(), &files, &error));
    EXPECT_TRUE(error.ends_with(": cannot list the folder: File name too long")) << error;
    EXPECT_EQ(files.size(), 3u);
}

TEST_F(BookFolder, TheToolsOwnOutputsAreNotGathered) {
    Write("docs/ch1.md", "# Chapter words\n");
    Write("docs/theirs.mif", "<MIFFile 7.00> # Generated by someone else\n");
    Write("docs/old/docs.report.txt", "Report\n");
    Session s;
    Document& report = s.NewDocument();
    std::string error;
    ASSERT_TRUE(SaveMif(report, (dir_ / "docs/docs.report.mif").string(), &error)) << error;
    ASSERT_TRUE(SaveMif(report, (dir_ / "docs/old/ch1.words-2.mif").string(), &error)) << error;

    std::vector<std::string> files;
    ASSERT_TRUE(ListFolderFiles((dir_ / "docs").string(), &files, &error)) << error;
    const std::vector<std::string> expected = {(dir_ / "docs/ch1.md").string(),
                                               (dir_ / "docs/theirs.mif").string()};
    EXPECT_EQ(files, expected);
}

TEST_F(BookFolder, AFolderAmongSeveralFilesIsHeldToItselfUnlessAllowed) {
    const std::string in = Write("docs/in.md", "# Inside words\n");
    fs::create_symlink(outside_ + "/secret.md", dir_ / "docs/leak.md");
    const std::string leak = (dir_ / "docs/leak.md").string();
    std::vector<std::string> files;
    std::string error;
    EXPECT_FALSE(ListFolderFiles((dir_ / "docs").string(), &files, &error));
    EXPECT_EQ(error, OutsideFolderMessageFor("file", leak, (dir_ / "docs").string()));
    EXPECT_EQ(files, std::vector<std::string>{in});
    EXPECT_TRUE(ListFolderFiles((dir_ / "docs").string(), &files, &error, true)) << error;
    EXPECT_EQ(files, (std::vector<std::string>{in, leak}));
}

} // namespace
} // namespace lxhost

#endif
