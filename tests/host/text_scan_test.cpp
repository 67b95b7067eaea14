// The first pass over a file: binary data, UTF-8 validity and the shape of the text as plain
// text, the same whether the bytes come whole or in blocks, and the same shape the plain-text
// reader then builds.
#include "host/formats/plain_text_reader.h"
#include "host/formats/text_encoding.h"
#include "host/formats/text_scan.h"
#include "host/model/model.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lxhost {
namespace {

using namespace std::string_literals;

// The scan of text fed in two blocks cut at `cut`, moved back off continuation bytes as the
// opener cuts its blocks.
TextScan ScanInTwo(std::string_view text, std::size_t cut) {
    while (cut > 0 && cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    TextScanner scanner;
    scanner.Scan(text.substr(0, cut));
    scanner.Scan(text.substr(cut));
    return scanner.result();
}

TEST(TextScan, FindsBinaryDataBadUtf8AndTheShapeOfTheText) {
    const struct {
        const char* name;
        std::string text;
        bool hasNul, utf8;
        std::size_t paragraphs, laterLines;
    } cases[] = {
        {"empty", "", false, true, 0, 0},
        {"one line without an end", "a line of text", false, true, 1, 0},
        {"lines of one paragraph", "first line\nsecond line\nthird\n", false, true, 1, 2},
        {"blank lines of every blank", "one\n \t\r\f\v\ntwo\n\n\nthree", false, true, 3, 0},
        {"windows line ends", "a\r\nb\r\n\r\nc\r\n", false, true, 2, 1},
        {"a line end at each place of a word", "1\n23\n456\n7890\nabcde\nfghijk\nlmnopqr\n", false,
         true, 1, 6},
        {"blanks a word long before the text", "x\n\n                x\n        \n\t       x",
         false, true, 3, 0},
        {"control characters are text", "\x01\n\n\x08\n\n\x0E\n\n\x1F\n\n\x7F", false, true, 5, 0},
        {"a letter beyond ASCII begins a line", "\xC3\xA9t\xC3\xA9\n\n        \xE2\x80\x94\n",
         false, true, 2, 0},
        {"valid UTF-8 across words",
         "0123456\xC3\xA9"
         "89abcdef\xF0\x9F\x98\x80",
         false, true, 1, 0},
        {"a cut sequence",
         "01234567\xE2\x82"
         "89abcdefghijk",
         false, false, 1, 0},
        {"a stray continuation byte late in the text", "0123456789abcdef\n\n\x80", false, false, 2,
         0},
        {"NUL in an ASCII word", "abc\0defghijkl"s, true, true, 1, 0},
        {"NUL beside a letter beyond ASCII", "ab\xC3\xA9\0xyz0123"s, true, true, 1, 0},
        {"NUL at the end", "text\0"s, true, true, 1, 0},
        {"byte order mark counts as text", "\xEF\xBB\xBF\nText", false, true, 1, 1},
        // The bytes are looked at in chunks of 64.
        {"a letter across the 64th byte",
         std::string(63, 'a') + "\xC3\xA9"
                                "b",
         false, true, 1, 0},
        {"four bytes across the 64th", std::string(62, 'a') + "\xF0\x9F\x98\x80", false, true, 1,
         0},
        {"a cut sequence across the 64th byte", std::string(63, 'a') + "\xE2\x82x", false, false, 1,
         0},
        {"a bad byte past the first chunk", std::string(100, 'a') + "\xFF", false, false, 1, 0},
        {"line ends on both sides of the 64th byte", std::string(63, 'a') + "\n\nb\nc", false, true,
         2, 1},
        {"blanks across chunks before the text", "x\n" + std::string(130, ' ') + "\ty\n", false,
         true, 1, 1},
        {"a blank line across chunks", "x\n" + std::string(130, '\t') + "\ny", false, true, 2, 0},
        {"NUL in a later chunk", std::string(70, 'a') + "\0"s, true, true, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (std::size_t cut = 0; cut <= c.text.size(); ++cut) {
            const TextScan scan = ScanInTwo(c.text, cut);
            SCOPED_TRACE(cut);
            EXPECT_EQ(scan.hasNul, c.hasNul);
            EXPECT_EQ(scan.utf8, c.utf8);
            EXPECT_EQ(scan.paragraphs, c.paragraphs);
            EXPECT_EQ(scan.laterLines, c.laterLines);
        }
    }
}

// Texts of lines made of every kind of byte the scan tells apart, at every place in a word: the
// scan agrees with a look at the whole text and with the paragraphs and source marks (one a
// line after a paragraph's first) that the reader makes.
TEST(TextScan, AgreesWithTheReaderOnGeneratedTexts) {
    const std::vector<std::string> pieces = {"a",    " ",    "\t",       "\n",           "\r",
                                             "\f",   "\v",   "\xC3\xA9", "\xE4\xB8\xAD", "\x80",
                                             "\x01", "\n\n", "        ", "abcdefgh"};
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return state >> 16;
    };
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const std::uint32_t length = next() % 24;
        for (std::uint32_t k = 0; k < length; ++k)
            text += pieces[next() % pieces.size()];
        SCOPED_TRACE(testing::PrintToString(text));
        const TextScan scan = ScanWholeText(text);
        EXPECT_FALSE(scan.hasNul);
        EXPECT_EQ(scan.utf8, IsValidUtf8(text));
        Session s;
        Document& d = s.NewDocument();
        ReadPlainText(text, d, nullptr, &scan);
        // A text without a paragraph still gets an empty one.
        EXPECT_EQ(d.paras.size(), std::max<std::size_t>(scan.paragraphs, 1));
        EXPECT_EQ(d.sourceMarks.size(), scan.laterLines);
    }
}

} // namespace
} // namespace lxhost
