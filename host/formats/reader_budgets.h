// The budgets of the documentation-source readers (Markdown, HTML, DocBook, DITA): bounds on the
// work that a small file can ask for through entities that expand again at every reference,
// XIncludes that include the same files over and over, tables whose rows are padded to the
// header's width, and markup that makes a paragraph or a cell every few bytes. A file that needs
// more than a budget is refused with one error that names the file and the budget, like a file that
// cannot be read. The values are far above what real documentation asks for and keep the memory of
// a reader near the size of the file it reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace lxhost {

inline constexpr std::size_t kMiB = std::size_t{1} << 20;

// Columns of a table, in every reader (the MIF reader refuses a table format of more): far more
// than a page can show, and the bound on the cells a row may be padded to. The documentation
// readers read the cells past it in a row into the row's last cell.
inline constexpr std::int32_t kMaxTableColumns = 1024;

// Text that entity references expand to in one document, counted at every reference, nested
// references included. Entities in real documents name products and repeat a sentence or two;
// a reference that expands into elements costs what the model spends on them, see below.
inline constexpr std::size_t kMaxEntityText = 16 * kMiB;
// What an element inside an expanded entity counts for against kMaxEntityText: walking and mapping
// it costs about as much as this many characters of text, and an entity of empty elements would
// otherwise expand into millions of them for free.
inline constexpr std::size_t kEntityElementCost = 64;

// XIncludes read into one document, each reference counted even when its file was read before.
// A manual made of XIncludes has tens to hundreds.
inline constexpr std::size_t kMaxIncludes = 4096;
// Bytes of the files that the XIncludes of one document read, summed over every reference: each
// reference walks its file's whole tree again.
inline constexpr std::size_t kMaxIncludedBytes = 32 * kMiB;

// The same over a whole run, whose documents (the chapters of a book) may all include the same
// files; and the bytes of the files that XIncludes read kept between documents, parsed once (a
// tree takes some ten times its file): shared files are small, and past this they are read again.
inline constexpr std::size_t kMaxRunIncludedBytes = 512 * kMiB;
inline constexpr std::size_t kMaxCachedIncludedBytes = 16 * kMiB;

// Bytes of one paragraph. Prose paragraphs are a few kilobytes; the model keeps text offsets as
// 32-bit numbers, which this keeps far out of reach.
inline constexpr std::size_t kMaxParagraphBytes = 64 * kMiB;

// Paragraphs, table rows and cells, footnotes and tables of one document. The model spends some
// 200 bytes on each, and markup can ask for one every three bytes ("<p>x"). A document may have
// this many, or one for every kBytesPerObject bytes that its reader read (included files too):
// real documents spend forty and more on each.
inline constexpr std::size_t kMinObjects = std::size_t{1} << 17;
inline constexpr std::size_t kBytesPerObject = 8;

// Cells that the Markdown parser gives the rows of a file's tables: every row gets as many cells as
// the header has, written or not. A cell is two objects of the model (itself and its paragraph),
// so these budgets refuse before the parser builds them the tables that kMinObjects and
// kBytesPerObject would refuse after: padded rows cost a byte or two each.
inline constexpr std::size_t kMinMarkdownTableCells = kMinObjects / 2;
inline constexpr std::size_t kMarkdownBytesPerCell = 2 * kBytesPerObject;

// Characters of a Markdown file that open or close inline markup (emphasis, strikethrough, code
// spans, links and images, autolinks, inline HTML, entities, escapes), and line breaks inside a
// paragraph: cmark-gfm makes a node or two for each, and a file parsed whole (one with fenced
// code or link definitions) has its whole tree held before the reader walks it: about 450 bytes
// a mark with the model's source marks, so a megabyte of "*a* " would take 200 MB. A file may
// have this many, or one every kMarkdownBytesPerInlineMark bytes. Within these bounds a file
// takes less than max(64 MB, 32 times the file): 62 MB at the floor, 118 MB for 4 MB at the
// density. Real change logs, with a link, a code span or a name in every line, have one mark
// every ten bytes: the floor lets them through up to about 1.3 MB.
inline constexpr std::size_t kMinMarkdownInlineMarks = std::size_t{1} << 17;
inline constexpr std::size_t kMarkdownBytesPerInlineMark = 16;

// The nesting the XML reader follows. Elements deeper than kMaxElementDepth are not read (libxml2
// refuses a document nested past 256 levels first); an entity within entities deeper than
// kMaxEntityDepth is not expanded; an XInclude within XIncludes deeper than kMaxIncludeDepth is
// taken for a file that includes itself; a DITA map reads at most kMaxNestedMaps maps. Real
// documents nest a few levels of each.
inline constexpr int kMaxElementDepth = 4096;
inline constexpr int kMaxEntityDepth = 32;
inline constexpr std::size_t kMaxIncludeDepth = 16;
inline constexpr std::size_t kMaxNestedMaps = 256;

// With these budgets the text of an XML document is at most its own size plus kMaxEntityText
// plus kMaxIncludedBytes, and of a Markdown or HTML file about its size.

// A budget exceeded: what() is the whole message without the file's name, which the reader's
// entry point puts before it ("more than 16 MB of text after expanding entities (the limit)").
class BudgetExceeded : public std::runtime_error {
  public:
    explicit BudgetExceeded(const std::string& what) : std::runtime_error(what) {}
};

// The objects a document read from this many bytes may have, and the refusal past them.
inline std::size_t ObjectBudget(std::size_t inputBytes) {
    return inputBytes / kBytesPerObject > kMinObjects ? inputBytes / kBytesPerObject : kMinObjects;
}
inline BudgetExceeded TooManyObjects(std::size_t budget) {
    return BudgetExceeded("more than " + std::to_string(budget) +
                          " paragraphs, table cells and notes (the limit for its size)");
}

// "16 MB" for a byte count.
inline std::string MegabytesText(std::size_t bytes) {
    return std::to_string(bytes / kMiB) + " MB";
}

} // namespace lxhost
