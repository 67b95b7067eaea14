// The first pass over a file's bytes, made before its format is decided: whether it holds binary
// data, whether it is valid UTF-8, and the shape it has as plain text, from which the plain-text
// reader makes room for its paragraphs at once.
#pragma once

#include <cstddef>
#include <string_view>

namespace lxhost {

struct TextScan {
    bool hasNul = false; // binary data
    bool utf8 = true;    // valid UTF-8 throughout
    // Read as plain text: the paragraphs (runs of lines that are not blank) and the lines of each
    // after its first. A byte order mark counts as text here: at most one paragraph too many.
    std::size_t paragraphs = 0;
    std::size_t laterLines = 0;
};

// Blank in a line of plain text: a line of these alone separates paragraphs.
inline bool IsBlankByte(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

// Scans text a block at a time, carrying what a line has seen across blocks. A block must not
// end inside a UTF-8 character that the next block ends.
class TextScanner {
  public:
    void Scan(std::string_view block);
    const TextScan& result() const { return scan_; }

  private:
    // The current line has its first text: it begins a paragraph or goes on with one.
    void SeeText();

    TextScan scan_;
    bool lineHasText_ = false; // the current line holds a byte that is not blank
    bool inParagraph_ = false; // the line before it was not blank
};

// The scan of a whole text in one block.
TextScan ScanWholeText(std::string_view text);

} // namespace lxhost
