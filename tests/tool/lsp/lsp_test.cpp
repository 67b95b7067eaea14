// The language server's framing and its positions: what the reader makes of every kind of byte
// stream, and the conversion between the figures' lines and columns and the protocol's.
#include "tool/lsp/document.h"
#include "tool/lsp/jsonrpc.h"

#include <gtest/gtest.h>

#include <sstream>

namespace lxtool::lsp {
namespace {

// What the reader makes of a stream: each frame as "M:body", "E" (an error) or nothing at the end.
std::vector<std::string> Frames(const std::string& stream, std::size_t limit = kMaxMessageBytes) {
    std::stringbuf in(stream);
    FrameReader reader(in, limit);
    std::vector<std::string> got;
    for (int i = 0; i < 20; ++i) {
        Frame f = reader.Next();
        if (f.kind == Frame::Kind::End)
            return got;
        got.push_back(f.kind == Frame::Kind::Message ? "M:" + f.body : "E");
    }
    ADD_FAILURE() << "no end of input";
    return got;
}

TEST(FrameReaderTest, FindsEveryMessageAndRecoversFromBrokenFrames) {
    struct Case {
        const char* name;
        std::string stream;
        std::vector<std::string> frames;
    };
    const Case cases[] = {
        {"one message", "Content-Length: 2\r\n\r\n{}", {"M:{}"}},
        {"two, other fields, any case",
         "content-length: 1\r\nContent-Type: application/vscode-jsonrpc\r\n\r\n1"
         "CONTENT-LENGTH:3\r\n\r\nabc",
         {"M:1", "M:abc"}},
        {"bare line ends and blank lines between", "\r\n\nContent-Length: 2\n\n[]", {"M:[]"}},
        {"an empty body", "Content-Length: 0\r\n\r\n", {"M:"}},
        {"no Content-Length, then a message after the body",
         "Content-Type: x\r\n\r\n{\"a\":1}Content-Length: 2\r\n\r\n{}",
         {"E", "M:{}"}},
        {"too short: the rest is skipped up to the next header",
         "Content-Length: 3\r\n\r\n{\"a\":1}Content-Length: 2\r\n\r\n{}",
         {"M:{\"a", "M:{}"}},
        {"not a number", "Content-Length: 1x\r\n\r\nContent-Length: 1\r\n\r\n7", {"E", "M:7"}},
        {"negative", "Content-Length: -1\r\n\r\n", {"E"}},
        {"too many digits", "Content-Length: 1234567890123456789012\r\n\r\n", {"E"}},
        {"over the limit: skipped whole",
         "Content-Length: 9\r\n\r\n123456789Content-Length: 1\r\n\r\n5",
         {"E", "M:5"}},
        {"ends inside the header", "Content-Length: 5\r\n", {"E"}},
        {"ends inside the body", "Content-Length: 5\r\n\r\nab", {"E"}},
        {"nothing at all", "", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Frames(c.stream, 8), c.frames) << c.name;
}

TEST(FrameReaderTest, FindsTheHeaderAfterALongRunOfJunk) {
    const std::string junk(10 * kMaxHeaderLineBytes, 'x');
    EXPECT_EQ(Frames(junk + "Content-Length: 2\r\n\r\nok"), (std::vector<std::string>{"M:ok"}));
}

TEST(FrameWriterTest, CountsBytesNotCharacters) {
    std::ostringstream out;
    WriteFrame(out, "\"\xC3\xA9\"");
    EXPECT_EQ(out.str(), "Content-Length: 4\r\n\r\n\"\xC3\xA9\"");
}

TEST(PositionTest, ConvertsLinesAndCharacterColumnsToUtf16) {
    // "é" is 2 bytes, 1 character, 1 unit; "😀" is 4 bytes, 1 character, 2 units; a stray byte
    // is 1 character, 1 unit.
    const std::string text = "ab\r\n\xC3\xA9x\n\xF0\x9F\x98\x80y\rz\xFFw";
    const std::vector<std::size_t> starts = LineStarts(text);
    ASSERT_EQ(starts, (std::vector<std::size_t>{0, 4, 8, 14}));
    struct Case {
        std::int32_t line, column;
        std::int64_t wantLine, wantCharacter;
        std::size_t byte; // the byte the position names
    } const cases[] = {
        {1, 1, 0, 0, 0},  {1, 3, 0, 2, 2},  {1, 99, 0, 2, 2}, // clamped before the line break
        {2, 2, 1, 1, 6},  {2, 3, 1, 2, 7},  {3, 2, 2, 2, 12}, {3, 3, 2, 3, 13}, {4, 2, 3, 1, 15},
        {4, 3, 3, 2, 16}, {4, 4, 3, 3, 17}, {9, 1, 3, 0, 14}, // a line beyond the text: the last
        {0, 5, 0, 0, 0},                                      // no line: the start
    };
    for (const Case& c : cases) {
        const Position p = PositionOf(text, starts, c.line, c.column);
        EXPECT_EQ(p.line, c.wantLine) << c.line << ":" << c.column;
        EXPECT_EQ(p.character, c.wantCharacter) << c.line << ":" << c.column;
        EXPECT_EQ(OffsetOf(text, starts, p), c.byte) << c.line << ":" << c.column;
    }
    EXPECT_EQ(OffsetOf(text, starts, {2, 1}), 12u); // inside the surrogate pair: after it
    EXPECT_EQ(OffsetOf(text, starts, {7, 0}), text.size());
    EXPECT_EQ(Utf16Length("a\xC3\xA9\xF0\x9F\x98\x80\xED\xA0\x80"), 1 + 1 + 2 + 3);
}

TEST(DocumentTest, NamesTheFileOfAUriAndTheFormatItIsReadIn) {
    struct Case {
        const char* uri;
        const char* language;
        const char* path;
        const char* name;
    } const cases[] = {
        {"file:///home/a/guide.md", "markdown", "/home/a/guide.md", "/home/a/guide.md"},
        {"file:///home/a%20b/x%23.HTML?q#f", "html", "/home/a b/x#.HTML", "/home/a b/x#.HTML"},
        {"file://localhost/d/t.dita", "", "/d/t.dita", "/d/t.dita"},
        {"file:///d/notes", "markdown", "/d/notes", "/d/notes.md"},
        {"file:///d/notes.txt", "", "/d/notes.txt", "/d/notes.txt"},
        {"file:///d/README", "plaintext", "/d/README", "/d/README"},
        {"file:///d/chapter.mif", "", "/d/chapter.mif", ""}, // not a buffer it measures
        {"file:///d/main.cpp", "cpp", "/d/main.cpp", ""},
        {"file://server/share/a.md", "markdown", "", "a.md"},
        {"file:///d/a%00b.md", "markdown", "", "untitled.md"}, // no NUL in a name
        {"untitled:Untitled-1", "markdown", "", "Untitled-1.md"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PathOfUri(c.uri), c.path) << c.uri;
        EXPECT_EQ(ReadingName(c.uri, c.language), c.name) << c.uri;
    }
}

} // namespace
} // namespace lxtool::lsp
