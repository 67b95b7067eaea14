// Text from outside keeps its characters: letters of other scripts, symbols and spaces become
// FrameRoman without adding a sentence terminator or a word break; files in Windows-1252 and
// UTF-16 read as the text they hold.
#include "host/formats/file_bytes.h"
#include "host/formats/frameroman.h"
#include "host/formats/text_encoding.h"
#include "host/model/model.h"
#include "host_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace lxhost {
namespace {

struct Converted {
    std::string text;
    std::size_t withoutForm;
};

Converted Convert(std::string_view utf8) {
    Converted c{};
    c.withoutForm = Utf8ToFrameRoman(utf8, c.text);
    return c;
}

TEST(Utf8ToFrameRoman, CharactersWithoutAFormKeepWordsAndSentences) {
    const bool latin = HasTransliteration();
    const struct {
        const char* name;
        const char* utf8;
        const char* withTransliteration;
        const char* withPlaceholder;
        std::size_t withoutForm;
    } cases[] = {
        {"Greek word", "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1 x", "Athena x", "xxxxx x", 5},
        {"Cyrillic word", "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0.", "Moskva.", "xxxxxx.",
         6},
        {"Han characters stay one word", "\xE6\xBC\xA2\xE5\xAD\x97", "hanzi", "xx", 2},
        {"angle brackets",
         "\xE2\x9F\xA8"
         "bug@gnu.org\xE2\x9F\xA9",
         " bug@gnu.org ", " bug@gnu.org ", 2},
        {"arrow", "a \xE2\x86\x92 b", "a   b", "a   b", 1},
        {"emoji", "ok\xF0\x9F\x98\x80!", "ok !", "ok !", 1},
        {"ideographic space",
         "a\xE3\x80\x80"
         "b",
         "a b", "a b", 1},
        {"no-break space has a form",
         "a\xC2\xA0"
         "b",
         "a\x11"
         "b",
         "a\x11"
         "b",
         0},
        {"em space has a form",
         "a\xE2\x80\x83"
         "b",
         "a\x14"
         "b",
         "a\x14"
         "b",
         0},
        {"question mark lookalike", "why\xEF\xBC\x9F", "why ", "why ", 1},
        {"control code",
         "a\x0C"
         "b",
         "a b", "a b", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Converted out = Convert(c.utf8);
        EXPECT_EQ(out.text, latin ? c.withTransliteration : c.withPlaceholder);
        EXPECT_EQ(out.withoutForm, c.withoutForm);
    }
}

TEST(Utf8ToFrameRoman, CombiningMarksJoinTheLetterBefore) {
    const bool latin = HasTransliteration();
    // e + acute accent is é (0x8E), which FrameRoman has; x + macron has no one form.
    const Converted composed = Convert("Cafe\xCC\x81 au lait");
    EXPECT_EQ(composed.text, latin ? "Caf\x8E au lait" : "Cafe au lait");
    EXPECT_EQ(composed.withoutForm, latin ? 0u : 1u);
    const Converted dropped = Convert("x\xCC\x84y");
    EXPECT_EQ(dropped.text, "xy");
    EXPECT_EQ(dropped.withoutForm, 1u);
    // Appending: the mark joins the last character already in the output.
    std::string out = "Caf";
    out += 'e';
    Utf8ToFrameRoman("\xCC\x81", out);
    EXPECT_EQ(out, latin ? "Caf\x8E" : "Cafe");
}

// Every character without a form, between two letters, becomes only letters, digits, an
// apostrophe or spaces: never a sentence terminator or any other word separator.
TEST(Utf8ToFrameRoman, NoCharacterBecomesATerminatorOrASeparatorOtherThanSpace) {
    std::size_t checked = 0;
    for (char32_t cp = 0x80; cp < 0x30000; ++cp) {
        if ((cp >= 0xD800 && cp <= 0xDFFF) || FrameRomanFromUnicode(cp) >= 0)
            continue;
        // The large blocks of ideographs and syllables, and the planes past the first, are
        // checked in samples: as a whole they take long.
        const bool large =
            (cp >= 0x3400 && cp <= 0x9FFF) || (cp >= 0xAC00 && cp <= 0xD7A3) || cp >= 0x10000;
        if (large && cp % 7 != 0)
            continue;
        std::string utf8 = "a";
        AppendUtf8(cp, utf8);
        utf8 += "b";
        std::string fr;
        Utf8ToFrameRoman(utf8, fr);
        ++checked;
        for (std::size_t k = 1; k + 1 < fr.size(); ++k) {
            const unsigned char b = static_cast<unsigned char>(fr[k]);
            const bool allowed = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') ||
                                 (b >= '0' && b <= '9') || b == '\'' || b == ' ' || b >= 0x80;
            ASSERT_TRUE(allowed) << "U+" << std::hex << static_cast<std::uint32_t>(cp)
                                 << " gave byte " << static_cast<int>(b);
            // Bytes from 0x80 up are FrameRoman letters (é from a composed mark), never the
            // em dash, quotation marks or ellipsis that words are cut or trimmed at.
            if (b >= 0x80) {
                ASSERT_TRUE(b < 0xC9 || b > 0xD5)
                    << "U+" << std::hex << static_cast<std::uint32_t>(cp);
            }
        }
    }
    EXPECT_GT(checked, 20000u);
}

// Printable ASCII is copied sixteen or eight bytes at a time: a character of any other kind ends
// the run wherever it stands in those bytes, and converts as it does on its own.
TEST(Utf8ToFrameRoman, OtherCharactersEndAnAsciiRunAnywhere) {
    const char* const others[] = {"\x1F", "\t", "\x7F", "\xC3\xA9", "\x80", "\xC3"};
    const std::string letters = "abcdefghijklmnopqrstu";
    for (const char* other : others) {
        std::string alone;
        const std::size_t withoutForm = Utf8ToFrameRoman(other, alone);
        for (std::size_t at = 0; at <= letters.size(); ++at) {
            SCOPED_TRACE(testing::Message()
                         << "byte " << static_cast<int>(other[0]) << " at " << at);
            const Converted c = Convert(letters.substr(0, at) + other + letters.substr(at));
            EXPECT_EQ(c.text, letters.substr(0, at) + alone + letters.substr(at));
            EXPECT_EQ(c.withoutForm, withoutForm);
        }
    }
}

TEST(TextEncoding, Windows1252) {
    // Curly quotes, euro sign, e acute, the undefined 0x81 and plain ASCII.
    EXPECT_EQ(Windows1252ToUtf8("\x93"
                                "Caf\xE9\x94 \x80\x81!"),
              "\xE2\x80\x9C"
              "Caf\xC3\xA9\xE2\x80\x9D \xE2\x82\xAC\xC2\x81!");
    EXPECT_EQ(Windows1252ToUtf8(""), "");
}

TEST(TextEncoding, ValidUtf8) {
    const struct {
        const char* bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"plain", true},
        {"caf\xC3\xA9", true},
        {"\xF0\x9F\x98\x80", true},
        {"Caf\xE9 cr\xE8me", false}, // Windows-1252
        {"\xC3", false},             // cut short
        {"\xC0\xAF", false},         // overlong
        {"\xED\xA0\x80", false},     // surrogate
        {"\xF4\x90\x80\x80", false}, // past U+10FFFF
        // Long ASCII runs are skipped eight bytes at a time: faults after, inside and across
        // such blocks are still found.
        {"0123456789abcdefghijklmnopqrstuvwxyz", true},
        {"0123456789abcdef\xC3", false},
        {"01234567\xE9"
         "89abcdefghij",
         false},
        {"0123456\xC3\xA9"
         "89abcdefghijk",
         true},
        {"0123456\xE2\x82"
         "89abcdefghijk",
         false},
        {"0123456789abcde\xF0\x9F\x98\x80"
         "0123456789",
         true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
}

TEST(TextEncoding, Utf16WithByteOrderMark) {
    const struct {
        const char* name;
        std::string bytes;
        const char* utf8; // null: not UTF-16
    } cases[] = {
        {"little-endian",
         std::string("\xFF\xFE"
                     "A\0\xE9\0",
                     6),
         "A\xC3\xA9"},
        {"big-endian", std::string("\xFE\xFF\0A\0\xE9", 6), "A\xC3\xA9"},
        {"surrogate pair", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), "\xF0\x9F\x98\x80"},
        {"unpaired surrogate",
         std::string("\xFF\xFE\x3D\xD8"
                     "A\0",
                     6),
         "\xEF\xBF\xBD"
         "A"},
        {"odd last byte",
         std::string("\xFF\xFE"
                     "A\0B",
                     5),
         "A\xEF\xBF\xBD"},
        {"only the mark", std::string("\xFF\xFE"), ""},
        {"no mark", std::string("A\0B\0", 4), nullptr},
        {"UTF-8 mark",
         std::string("\xEF\xBB\xBF"
                     "A"),
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string utf8 = "untouched";
        const bool decoded = Utf16WithBomToUtf8(c.bytes, &utf8);
        EXPECT_EQ(decoded, c.utf8 != nullptr);
        EXPECT_EQ(utf8, c.utf8 ? c.utf8 : "untouched");
    }
}

// Files written to a folder of their own and opened through the host's Open.
class OpenText : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = test::ScratchFolder("lx_text_");
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // The paragraphs of the file's main flow, or one entry "error: ..." when it did not open.
    std::vector<std::string> Paragraphs(const std::string& path) {
        ObjectId doc = 0;
        std::string error;
        if (session_.Open(path, {}, &doc, nullptr, &error) != 0)
            return {"error: " + error};
        Document* d = session_.FindDocument(doc);
        return test::ParagraphTexts(session_, doc, d->FindFlow(d->mainFlow)->firstPara);
    }

    Session session_;
    std::filesystem::path dir_;
};

TEST_F(OpenText, EncodingsOfPlainText) {
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    const struct {
        const char* name;
        std::string bytes;
        std::vector<std::string> paragraphs;
        const char* noted; // the encoding noted, null when nothing is noted
    } cases[] = {
        {"windows-1252.txt",
         "Caf\xE9 cr\xE8me\n\n\x93Quoted\x94 text",
         {"Caf\x8E cr\x8Fme", "\xD2Quoted\xD3 text"},
         "Windows-1252"},
        {"utf-8-bom.txt",
         "\xEF\xBB\xBF"
         "Caf\xC3\xA9",
         {"Caf\x8E"},
         nullptr},
        {"utf-16le.txt",
         std::string("\xFF\xFE"
                     "C\0a\0f\0\xE9\0\n\0\n\0x\0",
                     16),
         {"Caf\x8E", "x"},
         "UTF-16"},
        {"utf-16be.txt", std::string("\xFE\xFF\0C\0a\0f\0\xE9", 10), {"Caf\x8E"}, "UTF-16"},
        {"empty.txt", "", {""}, nullptr},
        // Files are scanned a megabyte at a time: a character across the end of a block is one
        // character still, and the text is not taken for Windows-1252.
        {"character-across-blocks.txt",
         std::string(kMiB - 1, 'a') + "\xC3\xA9\n\nend",
         {std::string(kMiB - 1, 'a') + "\x8E", "end"},
         nullptr},
        {"windows-1252-in-a-later-block.txt",
         std::string(2 * kMiB, 'a') + " Caf\xE9",
         {std::string(2 * kMiB, 'a') + " Caf\x8E"},
         "Windows-1252"},
        {"nul-in-a-later-block.txt",
         std::string(kMiB + 5, 'a') + std::string(1, '\0') + "b",
         {"error: " + (dir_ / "nul-in-a-later-block.txt").string() +
          ": not a document (binary data)"},
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        session_.textNotes.clear();
        const std::string path = Write(c.name, c.bytes);
        EXPECT_EQ(Paragraphs(path), c.paragraphs);
        if (c.noted) {
            ASSERT_EQ(session_.textNotes.size(), 1u);
            EXPECT_EQ(session_.textNotes[0].path, path);
            EXPECT_STREQ(session_.textNotes[0].encoding, c.noted);
            EXPECT_EQ(session_.textNotes[0].charactersWithoutForm, 0u);
        } else {
            EXPECT_TRUE(session_.textNotes.empty());
        }
    }
}

TEST_F(OpenText, CharactersWithoutAFormAreNotedOncePerFile) {
    const std::string path =
        Write("greek.txt", "Hello \xCE\xBA\xCF\x8C\xCF\x83\xCE\xBC\xCE\xB5 \xE2\x86\x92 ok");
    ASSERT_EQ(Paragraphs(path).size(), 1u);
    // Opened again after closing, as a book's walk does: still one note.
    session_.Close(session_.openDocuments().back(), 1);
    ASSERT_EQ(Paragraphs(path).size(), 1u);
    ASSERT_EQ(session_.textNotes.size(), 1u);
    EXPECT_EQ(session_.textNotes[0].charactersWithoutForm, 6u);
    EXPECT_STREQ(session_.textNotes[0].encoding, "UTF-8");
}

// A reader gives back the pages of a large (mapped) file behind it; what it reads again is the
// file still.
TEST_F(OpenText, BytesGivenBackReadAsTheFile) {
    std::string bytes;
    for (int i = 0; bytes.size() < (std::size_t{2} << 20); ++i)
        bytes += "line " + std::to_string(i) + "\n";
    const std::string path = Write("given-back.txt", bytes);
    FileBytes file;
    std::string error;
    ASSERT_TRUE(file.Open(path, &error)) << error;
    const std::string_view view = file.view();
    ASSERT_EQ(view, bytes);
    file.Release(view.data(), view.data() + view.size() / 2);
    file.Release(view.data() + view.size() / 2, view.data() + view.size());
    EXPECT_EQ(file.view(), bytes);
    file.Replace("converted");
    file.Release(file.view().data(), file.view().data() + 9);
    EXPECT_EQ(file.view(), "converted");

    const std::string missing = (dir_ / "missing.txt").string();
    EXPECT_FALSE(file.Open(missing, &error));
    EXPECT_EQ(error, missing + ": cannot open: No such file or directory");
    EXPECT_FALSE(file.Open(dir_.string(), &error));
    EXPECT_EQ(error, dir_.string() + ": cannot open: a folder, not a file");
}

TEST_F(OpenText, MifStringsOfNewerVersions) {
    const std::string path = Write(
        "greek.mif", "<MIFFile 2015>\n<TextFlow <Para <ParaLine <String `\xCE\x91\xCE\xB8\xCE\xAE"
                     "\xCE\xBD\xCE\xB1 \xE2\x9F\xA8x\xE2\x9F\xA9 \\u2192 e\xCC\x81'>>>>\n");
    const std::vector<std::string> paragraphs = Paragraphs(path);
    ASSERT_EQ(paragraphs.size(), 1u);
    EXPECT_EQ(paragraphs[0], HasTransliteration() ? "Athena  x    \x8E" : "xxxxx  x    e");
    ASSERT_EQ(session_.textNotes.size(), 1u);
    EXPECT_EQ(session_.textNotes[0].charactersWithoutForm, HasTransliteration() ? 8u : 9u);
}

} // namespace
} // namespace lxhost
