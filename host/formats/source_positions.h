// Source positions for the readers of documentation sources: the line and column of a byte of
// the file, and where the text pieces that a parser hands out stand in the file.
#pragma once

#include "host/model/model.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lxhost {

// The line and column (1-based, in characters) of the bytes of a source text. Offsets asked in
// rising order cost the bytes between them; asking at random costs a line's bytes each.
class SourceIndex {
  public:
    explicit SourceIndex(std::string_view source);

    std::string_view source() const { return source_; }
    // The position of the byte at offset (offset <= size).
    SourcePos At(std::size_t offset);
    // The offset of the first byte of a line (1-based); the size of the source past the last.
    std::size_t LineStart(std::uint32_t line) const;
    // The byte offset of a 1-based line and byte column, held inside the line.
    std::size_t OffsetOf(std::uint32_t line, std::uint32_t byteColumn) const;

  private:
    std::string_view source_;
    std::vector<std::size_t> lineStarts_;
    // The last position asked for, which the next one counts on from when it lies further on
    // the same line.
    std::size_t cachedOffset_ = 0;
    std::size_t cachedLine_ = 0; // index into lineStarts_
    std::uint32_t cachedColumn_ = 1;
};

// How text is written in a source: in Markdown a backslash escapes punctuation; in both, a
// character reference ("&amp;", "&#8217;") stands for one character and a line may end in a
// carriage return that the parser drops.
enum class SourceSyntax { Markdown, Markup };

// A piece of text as it stands in the source: text[0] is at byte offset `at` (npos: not found).
struct LocatedPiece {
    std::string_view text;
    std::size_t at = 0;
};

// Finds the text that a parser hands out, in document order, in the source it parsed: from a
// cursor after the text found last, past markup ("<...>", comments, processing instructions,
// CDATA openings) and white space, or from a place the parser names. The text is cut where it
// stops standing in the source as written (a character reference, an escape), so that each
// piece has its own place. Text that is not found is one piece at npos.
class TextLocator {
  public:
    static constexpr std::size_t kSearchBudgetPerByte = 16;
    static constexpr std::size_t kMinSearchBudget = 1 << 20;

    TextLocator(SourceIndex& index, SourceSyntax syntax) : index_(index), syntax_(syntax) {}

    // Locates text from the cursor on. The pieces replace those of the last call.
    const std::vector<LocatedPiece>& Locate(std::string_view text);
    // Locates text that the parser says begins at offset; when it does not, the text is looked
    // for from the start of that offset's line on (or from the cursor when it is further on).
    const std::vector<LocatedPiece>& LocateNear(std::string_view text, std::size_t offset);
    // Moves the cursor on to offset (never back).
    void SkipTo(std::size_t offset);
    // Moves the cursor past the next place where the source has these bytes (an entity
    // reference that the parser gives as a node of its own), when it is near.
    void SkipPast(std::string_view written);
    std::size_t cursor() const { return cursor_; }
    SourceIndex& index() { return index_; }

  private:
    // Whether text stands at offset (after markup and white space, when skip is set); fills
    // pieces_ and moves the cursor past it when it does.
    bool TryAt(std::string_view text, std::size_t offset, bool skip);
    // Aligns text with the source from offset on; the source offset after it, or npos when the
    // first character does not match.
    std::size_t Align(std::string_view text, std::size_t offset);
    // The offset past the markup construct at offset, or offset when there is none.
    std::size_t SkipMarkup(std::size_t offset) const;

    // Bytes that looking for text may still pass over: a bounded multiple of the source, so
    // that text that is nowhere to be found cannot make reading slow. Once spent, text is not
    // looked for any more (it gets no place).
    bool Spend(std::size_t bytes);

    SourceIndex& index_;
    SourceSyntax syntax_;
    std::size_t cursor_ = 0;
    std::size_t budget_ = kSearchBudgetPerByte * index_.source().size() + kMinSearchBudget;
    std::vector<LocatedPiece> pieces_;
};

} // namespace lxhost
