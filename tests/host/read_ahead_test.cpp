// Books read ahead: a walk that takes its files from the worker thread sees exactly what a walk
// that reads each file itself sees (every id, property and message, the notes the session keeps),
// whatever the files are, whether their reads fail, and when the book closes or the files change
// under the worker.
#include "host/formats/read_ahead.h"
#include "host_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace lxhost {
namespace {

namespace fs = std::filesystem;

const std::string kSamples = LX_SAMPLES_DIR;

// Sets LEXAMETER_THREADS while it lives: "2" reads ahead where two processors are available,
// "1" never.
class ThreadsSetting {
  public:
    explicit ThreadsSetting(const char* value) { Set(value); }
    ~ThreadsSetting() { Set(""); }

  private:
    static void Set(const char* value) {
#if defined(_WIN32)
        _putenv_s("LEXAMETER_THREADS", value);
#else
        if (*value == '\0')
            unsetenv("LEXAMETER_THREADS");
        else
            setenv("LEXAMETER_THREADS", value, 1);
#endif
    }
};

// Gives the worker time to read the files ahead before the walk asks for the next one, so that
// the walk takes them from it rather than reading them itself.
void LetWorkerRun() {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
}

// Everything a document holds, every id as the session gave it, and where the session's registry
// places each object.
std::string Dump(Session& s, Document& d) {
    std::ostringstream o;
    auto where = [&](ObjectId id) {
        std::uint32_t owner = 0, index = 0;
        const bool known = s.Locate(id, &owner, &index);
        o << " #" << id
          << (known ? "@" + std::to_string(owner) + "/" + std::to_string(index) : "?");
    };
    auto ids = [&](std::initializer_list<ObjectId> list) {
        for (ObjectId id : list)
            o << ' ' << id;
    };
    auto body = [&](const TextBody& b) {
        o << " [" << b.text() << "]";
        for (const Segment& g : b.segs())
            o << " (" << g.offset << ',' << g.length << ',' << g.value << ','
              << static_cast<int>(g.type) << ')';
    };
    auto settings = [&](const PgfSettings& p) {
        o << ' ' << p.fontFamily << ' ' << p.fontSize << ' ' << p.fontWeight << ' ' << p.fontAngle
          << ' ' << p.leftIndent << ' ' << p.firstIndent << ' ' << p.rightIndent << ' '
          << p.spaceBefore << ' ' << p.spaceAfter << ' ' << p.leading << ' ' << p.alignment << ' '
          << p.autoNumber << " '" << p.numberFormat << "' " << p.language;
    };
    o << "doc " << d.id() << ' ' << d.path << ' ' << d.shown << " sel";
    ids({d.selection.begin.obj, d.selection.end.obj});
    o << ' ' << d.selection.begin.offset << ' ' << d.selection.end.offset << ' ' << d.pageWidth
      << 'x' << d.pageHeight << " main " << d.mainFlow << " noform " << d.charactersWithoutForm
      << '\n';
    for (const SourceMark& m : d.SourceMarkList())
        o << "mark " << m.para << ' ' << m.offset << ' ' << m.pos.line << ':' << m.pos.column
          << '\n';
    for (const Page& p : d.pages) {
        where(p.id);
        o << " page " << p.name << '\n';
    }
    for (const Graphic& g : d.graphics) {
        where(g.id);
        o << " graphic";
        ids({g.page, g.frame, g.anchorPara, g.flow, g.firstPara, g.lastPara});
        o << ' ' << g.rect.x << ',' << g.rect.y << ',' << g.rect.w << ',' << g.rect.h << ' '
          << g.typeName;
        body(g.body);
        o << '\n';
    }
    for (const Flow& f : d.flows) {
        where(f.id);
        o << " flow " << f.tag;
        ids({f.firstPara, f.lastPara});
        for (ObjectId frame : f.frames)
            o << " frame " << frame;
        o << '\n';
    }
    for (const Paragraph& p : d.paras) {
        where(p.id);
        o << " para";
        ids({p.next, p.prev, p.owner, p.frame});
        o << ' ' << p.textClass << ' ' << p.locked << ' ' << p.format << ' ' << p.override << ' '
          << p.source.line << ':' << p.source.column << ' ' << int{p.language};
        body(p.body);
        o << '\n';
    }
    for (const Footnote& f : d.footnotes) {
        where(f.id);
        o << " footnote";
        ids({f.anchorPara, f.firstPara, f.lastPara});
        o << '\n';
    }
    for (const Table& t : d.tables) {
        where(t.id);
        o << " table " << t.format << ' ' << t.columns << ' ' << t.option1289;
        ids({t.anchorPara, t.titleFirst, t.titleLast, t.firstRow, t.lastRow});
        for (Metric w : t.widths)
            o << " w" << w;
        o << '\n';
    }
    for (const Row& r : d.rows) {
        where(r.id);
        o << " row";
        ids({r.table, r.next, r.prev});
        o << ' ' << static_cast<int>(r.type) << ' ' << r.firstCell << ' ' << r.cellCount << '\n';
    }
    for (const Cell& c : d.cells) {
        where(c.id);
        o << " cell";
        ids({c.row, c.firstPara, c.lastPara});
        o << ' ' << c.column << ' ' << c.shown << ' ' << c.colSpan << ' ' << c.rowSpan << '\n';
    }
    for (const PgfFormat& f : d.pgfFormats) {
        where(f.id);
        o << " format " << f.name;
        settings(f.settings);
        o << '\n';
    }
    for (const TableFormat& f : d.tableFormats) {
        where(f.id);
        o << " table format " << f.name << '\n';
    }
    for (const PgfSettings& p : d.overrides) {
        o << "override";
        settings(p);
        o << '\n';
    }
    for (const std::string& language : d.languages)
        o << "language " << language << '\n';
    return o.str();
}

// What the session keeps besides its documents.
std::string DumpSession(Session& s) {
    std::ostringstream o;
    for (const TextNote& n : s.textNotes)
        o << "note " << n.path << ' ' << n.encoding << ' ' << n.charactersWithoutForm << '\n';
    for (const std::string& name : s.excludedFormatsFound)
        o << "excluded " << name << '\n';
    o << "cache " << (s.readerCache != nullptr) << " documents " << s.openDocuments().size()
      << " books " << s.openBooks().size() << '\n';
    return o.str();
}

// Opens a file as the plug-in's walk does, notes what came of it, and closes its document.
std::string OpenAndClose(Session& s, const std::string& path) {
    ObjectId doc = 0;
    std::string error;
    const std::int32_t status = s.Open(path, {}, &doc, nullptr, &error);
    std::string out = path + ": " + std::to_string(status) + " " + error + "\n";
    if (Document* d = s.FindDocument(doc)) {
        out += Dump(s, *d);
        s.Close(doc, 1);
    }
    return out;
}

// The file components of a book, in book order.
std::vector<std::string> FilesOf(Session& s, ObjectId book) {
    std::vector<std::string> files;
    for (const Component& c : s.FindBook(book)->components)
        if (c.kind == kComponentFile && c.excluded == 0)
            files.push_back(c.path);
    return files;
}

// A book: a book file or folder to open, or files made into a book.
struct BookSource {
    const char* name;
    std::string path;               // opened, when files is empty
    std::vector<std::string> files; // made into a book
    std::string probe;              // a file whose reader the walk needs
};

// Walks the book twice (the second walk starts the worker again) and returns all it saw; taken
// receives how many documents came from the worker.
std::string WalkBook(const BookSource& source, bool ahead, std::size_t* taken) {
    ThreadsSetting threads(ahead ? "2" : "1");
    Session s;
    s.readerOptions.excludedFormats = {"CellBody", "Code"};
    ObjectId book = 0;
    std::string out;
    if (source.files.empty()) {
        std::string error;
        out += std::to_string(s.Open(source.path, {}, &book, nullptr, &error)) + error + "\n";
    } else {
        book = s.NewBookOfFiles(source.files);
    }
    if (s.FindBook(book) == nullptr)
        return out + "no book";
    for (int pass = 0; pass < 2; ++pass)
        for (const std::string& file : FilesOf(s, book)) {
            if (ahead)
                LetWorkerRun();
            out += OpenAndClose(s, file);
        }
    *taken = FilesTakenAhead(s);
    return out + DumpSession(s);
}

class ReadAhead : public ::testing::Test {
  protected:
    void SetUp() override {
        if (ThreadsSetting two("2"); !ReadAheadWanted())
            GTEST_SKIP() << "one processor: nothing is read ahead";
        dir_ = test::ScratchFolder("lx_read_ahead_");
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Write(const std::string& name, const std::string& text) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    fs::path dir_;
};

TEST_F(ReadAhead, DocumentsTakenFromTheWorkerAreThoseAReadGives) {
    const std::string latin1 = Write("latin1.txt", "Caf\xE9 au lait, na\xEFve \x93quotes\x94.\n");
    const std::string han = Write("han.txt", "Plain words and \xE4\xB8\xAD\xE6\x96\x87 too.\n");
    const BookSource sources[] = {
        {"MIF book", kSamples + "/manual/aquila-manual.book", {}, "x.mif"},
        {"DocBook book", kSamples + "/manual-docbook/book.xml", {}, "x.xml"},
        {"folder of HTML", kSamples + "/manual-html", {}, "x.html"},
        {"Markdown summary", kSamples + "/manual-md/SUMMARY.md", {}, "x.md"},
        {"folder of MIF files", kSamples + "/manual", {}, "x.mif"},
        {"files made a book",
         "",
         {kSamples + "/article.txt", latin1, kSamples + "/manual-md/ch2-installation.md",
          kSamples + "/manual/ch1-introduction.mif", han,
          kSamples + "/manual-html/ch3-operation.html",
          kSamples + "/manual-docbook/ch2-installation.xml"},
         "x.md"},
    };
    for (const BookSource& source : sources) {
        SCOPED_TRACE(source.name);
        bool built = test::ReaderBuiltFor(source.probe);
        for (const std::string& file : source.files)
            built = built && test::ReaderBuiltFor(file);
        if (!built)
            continue;
        std::size_t direct = 0, taken = 0;
        const std::string expected = WalkBook(source, false, &direct);
        const std::string got = WalkBook(source, true, &taken);
        EXPECT_EQ(got, expected);
        EXPECT_EQ(direct, 0u);
        EXPECT_GT(taken, 0u) << "no document came from the worker";
    }
}

TEST_F(ReadAhead, AFailedReadIsReportedAtTheOpenThatAsksForTheFile) {
    if (!test::ReaderBuiltFor("x.md"))
        GTEST_SKIP();
    const std::vector<std::string> files = {
        Write("a.md", "# First\n\nSome words here.\n"),
        Write("b.mif", "<MIFFile 2015>\n<Para <ParaLine <String `unterminated"),
        Write("c.md", "# Third\n\nMore words.\n"),
        Write("d.txt", std::string("binary\0data", 11)),
        (dir_ / "missing.md").string(),
        Write("e.md", "# Last\n\nThe end.\n"),
    };
    const BookSource source{"errors", "", files, "x.md"};
    std::size_t direct = 0, taken = 0;
    const std::string expected = WalkBook(source, false, &direct);
    const std::string got = WalkBook(source, true, &taken);
    EXPECT_EQ(got, expected);
    EXPECT_GT(taken, 0u);
    // Each error is the one of its own file.
    EXPECT_NE(got.find(files[1] + ": " + std::to_string(kErrBadFile) + " " + files[1]),
              std::string::npos)
        << got;
    EXPECT_NE(got.find(files[3] + ": " + std::to_string(kErrNotDocument) + " " + files[3]),
              std::string::npos);
    EXPECT_NE(got.find(files[4] + ": " + std::to_string(kErrFileNotFound) + " " + files[4]),
              std::string::npos);
}

// A session that walks a book of files in steps, the same steps with and without the worker.
std::string Steps(const std::vector<std::string>& files, bool ahead,
                  const std::function<std::string(Session&, ObjectId)>& steps) {
    ThreadsSetting threads(ahead ? "2" : "1");
    Session s;
    const ObjectId book = s.NewBookOfFiles(files);
    return steps(s, book) + DumpSession(s);
}

TEST_F(ReadAhead, FilesChangedOrRemovedAfterTheirReadAreReadAgain) {
    if (!test::ReaderBuiltFor("x.md"))
        GTEST_SKIP();
    const std::vector<std::string> files = {
        Write("one.md", "# One\n\nFirst file.\n"),
        Write("two.md", "# Two\n\nSecond file.\n"),
        Write("three.md", "# Three\n\nThird file.\n"),
    };
    auto steps = [&](Session& s, ObjectId) {
        std::string out = OpenAndClose(s, files[0]);
        LetWorkerRun(); // two and three are read now
        Write("two.md", "# Two\n\nThe second file, written again.\n");
        fs::remove(files[2]);
        out += OpenAndClose(s, files[1]);
        out += OpenAndClose(s, files[2]);
        Write("two.md", "# Two\n\nSecond file.\n");
        Write("three.md", "# Three\n\nThird file.\n");
        return out;
    };
    const std::string expected = Steps(files, false, steps);
    const std::string got = Steps(files, true, steps);
    EXPECT_EQ(got, expected);
    EXPECT_NE(got.find("written again"), std::string::npos);
    EXPECT_NE(got.find(files[2] + ": " + std::to_string(kErrFileNotFound)), std::string::npos);
}

TEST_F(ReadAhead, FilesLeftWhenTheBookClosesAreDropped) {
    if (!test::ReaderBuiltFor("x.md"))
        GTEST_SKIP();
    std::vector<std::string> files;
    for (int i = 0; i < 6; ++i)
        files.push_back(Write("f" + std::to_string(i) + ".md",
                              "# File " + std::to_string(i) + "\n\nIts words.\n"));
    std::size_t taken = 0;
    auto steps = [&](Session& s, ObjectId book) {
        std::string out = OpenAndClose(s, files[0]);
        LetWorkerRun();
        out += OpenAndClose(s, files[1]);
        LetWorkerRun();
        s.Close(book, 1); // files 2 and 3 wait, read
        // The book is gone: its files are read as any file is, in another order.
        out += OpenAndClose(s, files[3]);
        out += OpenAndClose(s, files[2]);
        taken = FilesTakenAhead(s);
        // A second book whose walk the session leaves in the middle, its worker running.
        const ObjectId again = s.NewBookOfFiles(files);
        out += std::to_string(again) + "\n";
        out += OpenAndClose(s, files[0]);
        out += OpenAndClose(s, files[1]);
        return out;
    };
    const std::string expected = Steps(files, false, steps);
    EXPECT_EQ(taken, 0u);
    const std::string got = Steps(files, true, steps);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(taken, 1u) << "only the second file of the closed book came from the worker";
}

TEST_F(ReadAhead, TheWalkReadsAheadItselfWhileTheWorkerReadsALargeFile) {
    if (!test::ReaderBuiltFor("x.md"))
        GTEST_SKIP();
    // Struck text and bare web addresses: the parser's extensions mark their characters special
    // in a table all threads share, and reads on both threads at once must not lose them.
    std::string large = "# Large\n\n";
    for (int i = 0; large.size() < (std::size_t{3} << 20); ++i)
        large += "Paragraph " + std::to_string(i) +
                 " has ~~no~~ some words, see www.example.com, and it goes on for a while so that"
                 " the marks in it are not too many for the reader to take the file.\n\n";
    std::vector<std::string> files = {Write("first.md", "# First\n\nA start.\n"),
                                      Write("large.md", large)};
    for (int i = 0; i < 12; ++i)
        files.push_back(Write("s" + std::to_string(i) + ".md",
                              "# Small " + std::to_string(i) + "\n\n| a | b |\n|---|---|\n| " +
                                  std::to_string(i) + " | x[^n] ~~y~~ |\n\n[^n]: A note.\n"));
    std::size_t taken = 0, onWalk = 0;
    auto steps = [&](Session& s, ObjectId) {
        std::string out = OpenAndClose(s, files[0]);
        // The worker has begun the large file, and takes a while over it: the walk that asks
        // for it reads the small files after it meanwhile.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        for (std::size_t i = 1; i < files.size(); ++i)
            out += OpenAndClose(s, files[i]);
        taken = FilesTakenAhead(s);
        onWalk = FilesTakenAhead(s, true);
        return out;
    };
    const std::string expected = Steps(files, false, steps);
    const std::string got = Steps(files, true, steps);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(taken, files.size() - 1);
    EXPECT_GT(onWalk, 0u) << "the walk waited for the large file without reading ahead";
    EXPECT_LT(onWalk, taken) << "the large file did not come from the worker";
}

TEST_F(ReadAhead, ReadsOnTwoThreadsAtOnceAreThoseOfOne) {
    if (!test::ReaderBuiltFor("x.md"))
        GTEST_SKIP();
    // Struck text, bare addresses and tables: the parser's extensions mark their characters
    // special in a table that all threads share.
    std::string text = "# Marks\n\n| a | b |\n|---|---|\n| ~~c~~ | www.example.org |\n\n";
    for (int i = 0; text.size() < (std::size_t{200} << 10); ++i)
        text +=
            "Line " + std::to_string(i) + " is ~~not~~ struck, see www.example.com for more.\n\n";
    const std::string file = Write("marks.md", text);
    auto read = [&] {
        Session s;
        ObjectId doc = 0;
        s.Open(file, {}, &doc, nullptr);
        Document* d = s.FindDocument(doc);
        return d != nullptr ? Dump(s, *d) : "no document";
    };
    const std::string alone = read();
    std::atomic<int> differ{0};
    auto reads = [&] {
        for (int i = 0; i < 16; ++i)
            differ += read() != alone ? 1 : 0;
    };
    std::thread other(reads);
    reads();
    other.join();
    EXPECT_EQ(differ.load(), 0);
}

TEST(ReadAheadSetting, OnByDefaultUnlessOneThreadIsAskedFor) {
    // Where one processor is all the process may use, nothing turns it on.
    bool processors = false;
    {
        ThreadsSetting two("2");
        processors = ReadAheadWanted();
    }
    const struct {
        const char* value;
        bool wanted;
    } cases[] = {
        {"", processors},  {"1", false},        {"2", processors},  {"8", processors},
        {"0", processors}, {"one", processors}, {"1x", processors}, {"01", false},
    };
    for (const auto& c : cases) {
        ThreadsSetting threads(c.value);
        EXPECT_EQ(ReadAheadWanted(), c.wanted) << "LEXAMETER_THREADS=" << c.value;
    }
}

} // namespace
} // namespace lxhost
