// The Markdown reader: GitHub-flavoured Markdown parsed by cmark-gfm with its table,
// strikethrough, autolink and task-list extensions and footnotes, walked into a MarkupBuilder.
#include "host/formats/markup.h"
#include "host/formats/reader_budgets.h"
#include "host/formats/source_positions.h"

#if defined(LX_HAVE_CMARK_GFM)
#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm.h>
#endif

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <memory>
#include <mutex>

namespace lxhost {

#if !defined(LX_HAVE_CMARK_GFM)

bool MarkdownSupported() {
    return false;
}

void PrepareMarkdownReader() {}

bool ReadMarkdown(std::string_view, Document&, const ReaderOptions&, std::string* error) {
    *error = "Markdown files are not supported in this build of lexameter";
    return false;
}

bool SummaryChapters(std::string_view, const std::string&, std::vector<std::string>*) {
    return false;
}

#else

namespace {

constexpr const char* kExtensions[] = {"table", "strikethrough", "autolink", "tasklist"};
constexpr std::string_view kUrlSchemes[] = {"http://", "https://", "mailto:", "ftp://"};
// The size of the pieces a long text is parsed in (see SplitForParsing).
constexpr std::size_t kMarkdownPieceBytes = 64 * 1024;

struct ParserDeleter {
    void operator()(cmark_parser* p) const { cmark_parser_free(p); }
};
struct NodeDeleter {
    void operator()(cmark_node* n) const { cmark_node_free(n); }
};
struct IterDeleter {
    void operator()(cmark_iter* i) const { cmark_iter_free(i); }
};

// The value of the front matter's "lang:" or "language:" line, without quotes; "" when it has
// none. front is the front matter's text (after its first fence).
std::string_view FrontMatterLanguage(std::string_view front) {
    for (std::size_t at = 0; at < front.size();) {
        std::size_t end = front.find('\n', at);
        if (end == std::string_view::npos)
            end = front.size();
        std::string_view line = front.substr(at, end - at);
        at = end + 1;
        if (line == "---" || line.starts_with("---\r") || line == "..." ||
            line.starts_with("...\r"))
            break;
        for (std::string_view key : {"lang:", "language:"}) {
            if (!line.starts_with(key))
                continue;
            line.remove_prefix(key.size());
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
                line.remove_prefix(1);
            while (!line.empty() &&
                   (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
                line.remove_suffix(1);
            if (line.size() >= 2 && (line.front() == '"' || line.front() == '\'') &&
                line.back() == line.front())
                line = line.substr(1, line.size() - 2);
            return line;
        }
    }
    return {};
}

// The text of a document after its front matter: YAML between a first line "---" and the next
// line "---" or "...". Without a closing line there is no front matter.
std::string_view SkipFrontMatter(std::string_view data) {
    auto lineEnd = [&](std::size_t at) {
        const std::size_t nl = data.find('\n', at);
        return nl == std::string_view::npos ? data.size() : nl;
    };
    auto isFence = [&](std::size_t begin, std::size_t end, std::string_view fence) {
        std::string_view line = data.substr(begin, end - begin);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        return line == fence;
    };
    std::size_t end = lineEnd(0);
    if (!isFence(0, end, "---")) {
        return data;
    }
    for (std::size_t at = end + 1; at < data.size();) {
        end = lineEnd(at);
        if (isFence(at, end, "---") || isFence(at, end, "...")) {
            return data.substr(std::min(end + 1, data.size()));
        }
        at = end + 1;
    }
    return data;
}

std::string_view Literal(cmark_node* node) {
    const char* s = cmark_node_get_literal(node);
    return s == nullptr ? std::string_view() : std::string_view(s);
}

// A link whose text is its own address (an autolink, or "<https://...>") shows a URL, not
// prose: it counts nothing.
bool ShowsItsUrl(cmark_node* link) {
    cmark_node* child = cmark_node_first_child(link);
    const char* url = cmark_node_get_url(link);
    if (child == nullptr || url == nullptr || cmark_node_next(child) != nullptr ||
        cmark_node_get_type(child) != CMARK_NODE_TEXT) {
        return child == nullptr;
    }
    const std::string_view text = Literal(child);
    std::string_view address(url);
    if (address == text) {
        return true;
    }
    for (std::string_view scheme : kUrlSchemes) {
        if (address.starts_with(scheme) && address.substr(scheme.size()) == text) {
            return true;
        }
    }
    return false;
}

bool IsLineBreakTag(std::string_view html) {
    return html.size() >= 3 && html[0] == '<' && (html[1] == 'b' || html[1] == 'B') &&
           (html[2] == 'r' || html[2] == 'R');
}

class MarkdownWalk {
  public:
    // source: the text the parser read, which begins on line firstLine of the file.
    MarkdownWalk(MarkupBuilder& out, std::string_view source, std::uint32_t firstLine)
        : out_(out), index_(source), locator_(index_, SourceSyntax::Markdown),
          lineShift_(firstLine - 1) {}

    // The lines of the source before the piece of it that the next tree was parsed from: the
    // parser numbers the lines of each piece from 1.
    // And whether it goes on with the table of the piece before (its first table, whose header
    // row was walked there), and ends in a table that the next piece goes on with.
    void SetPiece(std::uint32_t lines, bool continuesTable, bool tableGoesOn) {
        pieceLines_ = lines;
        continuesTable_ = continuesTable;
        tableGoesOn_ = tableGoesOn;
    }

    // Walks the tree depth first without recursion (nesting may be deep) and without cmark's
    // iterator, which costs a sixth of the reading time.
    void Run(cmark_node* root) {
        cmark_node* node = root;
        for (;;) {
            const bool open = Enter(node);
            cmark_node* child = open ? cmark_node_first_child(node) : nullptr;
            if (child != nullptr) {
                node = child;
                continue;
            }
            if (open) {
                Exit(node);
            }
            while (node != root && cmark_node_next(node) == nullptr) {
                node = cmark_node_parent(node);
                Exit(node);
            }
            if (node == root) {
                return;
            }
            node = cmark_node_next(node);
        }
    }

  private:
    // Handles the start of a node; false when its content is not text.
    bool Enter(cmark_node* node) {
        const cmark_node_type nodeType = cmark_node_get_type(node);
        switch (nodeType) {
        case CMARK_NODE_HEADING:
            out_.StartParagraph(HeadingFormat(cmark_node_get_heading_level(node)));
            return true;
        case CMARK_NODE_PARAGRAPH:
            // The lines before a table's header row are a paragraph that cmark-gfm numbers from
            // 0, as if they began the text: its text is looked for after the text before it.
            unplaced_ = cmark_node_get_start_line(node) <= 0;
            out_.StartParagraph(formats_.back());
            return true;
        case CMARK_NODE_BLOCK_QUOTE:
            formats_.push_back(kFormatQuote);
            return true;
        case CMARK_NODE_LIST:
            formats_.push_back(cmark_node_get_list_type(node) == CMARK_ORDERED_LIST
                                   ? kFormatNumbered
                                   : kFormatBulleted);
            return true;
        case CMARK_NODE_CODE_BLOCK: {
            // A fenced block's text begins on the line after the fence; its columns are not
            // followed (its lines lose their indentation).
            int length = 0, indent = 0;
            char fence = 0;
            const int fenced = cmark_node_get_fenced(node, &length, &indent, &fence);
            const auto line = static_cast<std::uint32_t>(cmark_node_get_start_line(node));
            out_.SetSource(
                {line + pieceLines_ + lineShift_ + (fenced != 0 ? 1 : 0),
                 static_cast<std::uint32_t>(std::max(cmark_node_get_start_column(node), 1))});
            out_.CodeBlock(Literal(node));
            return true;
        }
        case CMARK_NODE_TEXT:
        case CMARK_NODE_CODE:
            LocatedText(node);
            return true;
        case CMARK_NODE_SOFTBREAK:
        case CMARK_NODE_LINEBREAK:
            out_.Space();
            return true;
        case CMARK_NODE_HTML_INLINE:
            if (IsLineBreakTag(Literal(node))) {
                out_.Space();
            }
            return true;
        case CMARK_NODE_LINK:
            return !ShowsItsUrl(node);
        case CMARK_NODE_IMAGE:
            return false; // its alt text describes a picture; it is not prose
        case CMARK_NODE_FOOTNOTE_REFERENCE:
            Reference(Literal(node));
            return true;
        case CMARK_NODE_FOOTNOTE_DEFINITION: {
            // Definitions come at the end, in the order of their first reference.
            ++definitions_;
            auto it = footnotes_.find(definitions_);
            const ObjectId footnote =
                it != footnotes_.end() ? it->second : out_.AnchorNewFootnote();
            footnotes_[definitions_] = footnote;
            out_.StartFootnote(footnote);
            formats_.push_back(kFormatFootnote);
            return true;
        }
        case CMARK_NODE_ITEM:
        case CMARK_NODE_DOCUMENT:
            return true;
        case CMARK_NODE_THEMATIC_BREAK:
        case CMARK_NODE_HTML_BLOCK:
            return false; // no prose
        default:
            break;
        }
        if ((nodeType & CMARK_NODE_TYPE_MASK) == CMARK_NODE_TYPE_INLINE) {
            return true; // emphasis, strikethrough: transparent
        }
        // The nodes of the table extension are known by name only.
        const std::string_view type = cmark_node_get_type_string(node);
        if (type == "table") {
            if (!continuesTable_) {
                out_.StartTable();
            }
        } else if (type == "table_header" && continuesTable_) {
            continuesTable_ = false;
            return false;
        } else if (type == "table_row" || type == "table_header") {
            out_.StartRow(cmark_gfm_extensions_get_table_row_is_header(node) != 0);
        } else if (type == "table_cell") {
            out_.StartCell();
        }
        return true;
    }

    void Exit(cmark_node* node) {
        const cmark_node_type nodeType = cmark_node_get_type(node);
        switch (nodeType) {
        case CMARK_NODE_HEADING:
        case CMARK_NODE_PARAGRAPH:
            out_.EndParagraph();
            return;
        case CMARK_NODE_BLOCK_QUOTE:
        case CMARK_NODE_LIST:
            formats_.pop_back();
            return;
        case CMARK_NODE_FOOTNOTE_DEFINITION:
            formats_.pop_back();
            out_.EndFootnote();
            return;
        case CMARK_NODE_ITEM:
        case CMARK_NODE_DOCUMENT:
        case CMARK_NODE_THEMATIC_BREAK:
        case CMARK_NODE_HTML_BLOCK:
            return;
        default:
            break;
        }
        if ((nodeType & CMARK_NODE_TYPE_MASK) == CMARK_NODE_TYPE_INLINE) {
            return;
        }
        const std::string_view type = cmark_node_get_type_string(node);
        if (type == "table") {
            if (!tableGoesOn_ || cmark_node_next(node) != nullptr) {
                out_.EndTable();
            }
        } else if (type == "table_row" || type == "table_header") {
            out_.EndRow();
        } else if (type == "table_cell") {
            out_.EndCell();
        }
    }

    // A text node, with the position of each piece of it that stands in the source as written.
    // cmark-gfm's column of a text node is that of the paragraph's first line on every line, so
    // the text is looked for on its line when it is not there.
    void LocatedText(cmark_node* node) {
        const std::string_view literal = Literal(node);
        const int line = cmark_node_get_start_line(node);
        if (line <= 0 && !unplaced_) {
            out_.Text(literal);
            return;
        }
        const std::vector<LocatedPiece>& pieces =
            unplaced_ ? locator_.Locate(literal)
                      : locator_.LocateNear(
                            literal, index_.OffsetOf(static_cast<std::uint32_t>(line) + pieceLines_,
                                                     static_cast<std::uint32_t>(std::max(
                                                         cmark_node_get_start_column(node), 1))));
        for (const LocatedPiece& piece : pieces) {
            if (piece.at != std::string_view::npos) {
                SourcePos pos = index_.At(piece.at);
                pos.line += lineShift_;
                out_.SetSource(pos);
            }
            out_.Text(piece.text);
        }
    }

    // A footnote reference shows the note's number; the first reference to a note anchors it.
    void Reference(std::string_view number) {
        int n = 0;
        std::from_chars(number.data(), number.data() + number.size(), n);
        if (footnotes_.find(n) == footnotes_.end()) {
            footnotes_[n] = out_.AnchorNewFootnote();
        }
    }

    MarkupBuilder& out_;
    SourceIndex index_;
    TextLocator locator_;
    std::uint32_t lineShift_;      // lines of the file before the text the parser read
    std::uint32_t pieceLines_ = 0; // lines of that text before the piece being walked
    bool unplaced_ = false;        // the paragraph being walked has no line of its own
    bool continuesTable_ = false, tableGoesOn_ = false; // see SetPiece
    std::vector<std::string_view> formats_{kFormatBody};
    std::map<int, ObjectId> footnotes_;
    int definitions_ = 0;
};

// The lines of text, without their line ends.
template <typename F> void ForEachLine(std::string_view text, F&& each) {
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        each(line);
    }
}

// The columns of a table that a line is the delimiter row of ("| --- | :-: |"), or 0 when it is
// none. Quote markers and indentation before it are passed over: tables stand in quotes and
// list items too.
std::size_t DelimiterRowColumns(std::string_view line) {
    const std::size_t start = line.find_first_not_of(" \t>");
    line.remove_prefix(start == std::string_view::npos ? line.size() : start);
    if (line.find_first_not_of(" \t|:-") != std::string_view::npos ||
        line.find('-') == std::string_view::npos || line.find('|') == std::string_view::npos) {
        return 0;
    }
    std::size_t columns = 0;
    bool inCell = false;
    for (const char c : line) {
        if (c == '|') {
            inCell = false;
        } else if (c == '-' || c == ':') {
            columns += inCell ? 0 : 1;
            inCell = true;
        }
    }
    return columns;
}

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// Whether a line opens a list item or a heading, after the markers of the quotes it is in.
bool OpensItemOrHeading(std::string_view line) {
    const std::size_t start = line.find_first_not_of(" \t>");
    line.remove_prefix(start == std::string_view::npos ? line.size() : start);
    if (line.starts_with("#") || line.starts_with("- ") || line.starts_with("* ") ||
        line.starts_with("+ ")) {
        return true;
    }
    const std::size_t digits = line.find_first_not_of("0123456789");
    return digits > 0 && digits != std::string_view::npos && digits + 1 < line.size() &&
           (line[digits] == '.' || line[digits] == ')') && line[digits + 1] == ' ';
}

// The characters of a line that open or close inline markup: each costs the parser's tree a node
// or two (see kMinMarkdownInlineMarks).
std::size_t InlineMarks(std::string_view data) {
    static constexpr std::string_view kMarks = "*_~`[]<&\\@:";
    bool isMark[256] = {};
    for (const char c : kMarks) {
        isMark[static_cast<unsigned char>(c)] = true;
    }
    std::size_t marks = 0;
    for (const char c : data) {
        marks += isMark[static_cast<unsigned char>(c)] ? 1 : 0;
    }
    return marks;
}

// Refuses, before the parser builds its tree of them, files of more blocks than the document may
// have objects (each block becomes a paragraph at least): blocks start after a blank line and at
// list items and headings. And the tables that it would make too large or read too slowly:
// cmark-gfm gives every row of a table as many cells as its header has, so a wide header over many
// short rows costs the product of the two in memory and time; and it splits a row, and the lines
// before a delimiter row that may be its header, in time that grows with the square of the pipes on
// the line. And files so dense in inline markup that the parser's tree of it would not fit. A table
// is found by its delimiter row (its header has as many cells); its rows run to the next blank line
// at most. Empty when the tables are within the budgets, else the reason; *blocksFound: the blocks
// and the cells of the tables.
std::string CheckBlocksAndTables(std::string_view data, std::size_t* blocksFound = nullptr) {
    const std::size_t cellBudget =
        std::max(kMinMarkdownTableCells, data.size() / kMarkdownBytesPerCell);
    const std::size_t maxPipes = static_cast<std::size_t>(kMaxTableColumns) + 1;
    const std::size_t blockBudget = ObjectBudget(data.size());
    const std::size_t markBudget =
        std::max(kMinMarkdownInlineMarks, data.size() / kMarkdownBytesPerInlineMark);
    std::size_t marks = 0;
    std::size_t cells = 0, columns = 0, widest = 0; // widest: pipes on a line since a blank one
    std::size_t blocks = 0;
    bool afterBlank = true;
    std::string reason;
    ForEachLine(data, [&](std::string_view line) {
        if (!reason.empty()) {
            return;
        }
        const auto pipes = static_cast<std::size_t>(std::count(line.begin(), line.end(), '|'));
        if (IsBlank(line)) {
            columns = widest = 0; // the end of a table, or of a paragraph
            afterBlank = true;
            return;
        }
        const bool opensBlock = afterBlank || OpensItemOrHeading(line);
        if (opensBlock && ++blocks > blockBudget) {
            reason = TooManyObjects(blockBudget).what();
            return;
        }
        // A line that goes on a paragraph follows a line break of it.
        marks += InlineMarks(line) + (opensBlock ? 0 : 1);
        afterBlank = false;
        if (columns > 0) {
            cells += columns;
        } else if ((columns = DelimiterRowColumns(line)) > 0) {
            cells += 2 * columns; // the header and the delimiter row
            if (columns > static_cast<std::size_t>(kMaxTableColumns)) {
                reason = "a Markdown table of more than " + std::to_string(kMaxTableColumns) +
                         " columns (the limit)";
            }
        }
        widest = std::max(widest, pipes);
        if (reason.empty() && columns > 0 && widest > maxPipes) {
            reason = "a Markdown table row of more than " + std::to_string(kMaxTableColumns) +
                     " cells (the limit)";
        }
        if (reason.empty() && cells > cellBudget) {
            reason = "Markdown tables of more than " + std::to_string(cellBudget) +
                     " cells in all, counting the cells every row gets (the limit)";
        }
        if (reason.empty() && marks > markBudget) {
            reason = "more than " + std::to_string(markBudget) +
                     " characters of inline markup and line breaks (the limit for its size)";
        }
    });
    if (blocksFound != nullptr) {
        *blocksFound = blocks + cells;
    }
    return reason;
}

// The text of a Markdown file that is parsed: after a byte-order mark and front matter.
std::string_view MarkdownBody(std::string_view data) {
    if (data.starts_with("\xEF\xBB\xBF")) {
        data.remove_prefix(3);
    }
    return SkipFrontMatter(data);
}

// Parses GitHub-flavoured Markdown text as it is (after MarkdownBody); the tree is the caller's.
std::unique_ptr<cmark_node, NodeDeleter> ParseMarkdownText(std::string_view before,
                                                           std::string_view data) {
    PrepareMarkdownReader();
    std::unique_ptr<cmark_parser, ParserDeleter> parser(
        cmark_parser_new(CMARK_OPT_DEFAULT | CMARK_OPT_FOOTNOTES));
    for (const char* name : kExtensions) {
        if (cmark_syntax_extension* ext = cmark_find_syntax_extension(name)) {
            cmark_parser_attach_syntax_extension(parser.get(), ext);
        }
    }
    cmark_parser_feed(parser.get(), before.data(), before.size());
    cmark_parser_feed(parser.get(), data.data(), data.size());
    // Finishing parses the inlines, around which the library marks the extensions' characters
    // (strikethrough's '~' and the like) special in a table of its own for all threads, and
    // unmarks them after: a finish on another thread meanwhile would read text without them.
    static std::mutex finishing;
    const std::lock_guard<std::mutex> lock(finishing);
    return std::unique_ptr<cmark_node, NodeDeleter>(cmark_parser_finish(parser.get()));
}

std::unique_ptr<cmark_node, NodeDeleter> ParseMarkdown(std::string_view data) {
    return ParseMarkdownText({}, MarkdownBody(data));
}

// The cells of a row written "| a | b |", or 0 for another row or one with escapes.
std::size_t FencedRowCells(std::string_view row) {
    while (!row.empty() &&
           (row.back() == '\n' || row.back() == '\r' || row.back() == ' ' || row.back() == '\t')) {
        row.remove_suffix(1);
    }
    if (row.size() < 2 || row.front() != '|' || row.back() != '|' ||
        row.find('\\') != std::string_view::npos) {
        return 0;
    }
    return static_cast<std::size_t>(std::count(row.begin(), row.end(), '|')) - 1;
}

std::uint32_t CountLines(std::string_view text) {
    return static_cast<std::uint32_t>(std::count(text.begin(), text.end(), '\n'));
}

// A piece of a Markdown text that is parsed on its own, and the lines of the text before it.
struct MarkdownPiece {
    std::string_view text;
    std::uint32_t linesBefore = 0;
    // A piece that goes on with the rows of a table: the table's header and delimiter rows, parsed
    // before the piece (their two lines are in linesBefore) and not walked again.
    std::string_view tableHead;
    bool tableGoesOn = false; // the piece ends within a table that the next one goes on with
};

// Whether the first non-blank character of a line, after at most three spaces, is c.
bool LineOpensWith(std::string_view line, char c) {
    const std::size_t at = line.find_first_not_of(' ');
    return at != std::string_view::npos && at <= 3 && line[at] == c;
}

// The list item a line begins in column 1 with a word: 0 for none, 1 for a bullet item or one
// numbered 1 (either may break off a paragraph), 2 for an item of another number.
int ItemOpened(std::string_view line) {
    std::size_t at = 0;
    if (line.size() >= 2 && (line[0] == '-' || line[0] == '*' || line[0] == '+')) {
        at = 1;
    } else {
        at = std::min(line.find_first_not_of("0123456789"), line.size());
        if (at == 0 || at > 9 || at == line.size() || (line[at] != '.' && line[at] != ')')) {
            return 0;
        }
        ++at;
    }
    if (at + 1 >= line.size() || line[at] != ' ' ||
        (std::isalnum(static_cast<unsigned char>(line[at + 1])) == 0 &&
         static_cast<unsigned char>(line[at + 1]) < 0x80)) {
        return 0;
    }
    return at == 1 || line.starts_with("1.") || line.starts_with("1)") ? 1 : 2;
}

// Whether the parser reads the text from a line on as it would read a text of its own that begins
// there, and reads the text before it as it would without it. Each such line closes all the
// blocks open before it but the lists of a text's top level, which only split in two, each with
// the same items: a line that begins in column 1 after a blank line; a list item that begins in
// column 1 with a word where it cannot go on a paragraph (a bullet item or one numbered 1 breaks
// one off; after a line that surely opened an item of the top level, the item's list is the
// block the line is read in) and cannot be the underline of a heading or a table's delimiter row.
// afterItem: the line before surely opened a list item. Blocks that swallow such lines (tables,
// fenced code and HTML blocks) are ruled out by the caller.
bool StartsOwnText(std::string_view line, bool afterBlank, bool afterItem) {
    if (line.empty() || line[0] == ' ' || line[0] == '\t' || IsBlank(line)) {
        return false;
    }
    const int item = ItemOpened(line);
    return afterBlank || item == 1 || (item == 2 && afterItem);
}

// The text cut into pieces of about kMarkdownPieceBytes, each parsed and walked on its own so
// that the parser's tree (some 70 bytes a byte of a dense list) never holds more than a piece.
// A table of the top level whose lines all begin with '|' (none of them can begin another block)
// is cut between rows: the next piece is parsed after the table's head, whose row it skips.
// A text that references link definitions or footnotes, or has fenced code or HTML blocks, or
// lone carriage returns as line ends, stays whole: a piece could not be read on its own.
std::vector<MarkdownPiece> SplitForParsing(std::string_view text) {
    std::vector<MarkdownPiece> pieces;
    if (text.size() <= 2 * kMarkdownPieceBytes || text.find("]:") != std::string_view::npos ||
        text.find("```") != std::string_view::npos || text.find("~~~") != std::string_view::npos) {
        return {{text, 0, {}, false}};
    }
    for (std::size_t cr = text.find('\r'); cr != std::string_view::npos;
         cr = text.find('\r', cr + 1)) {
        if (cr + 1 == text.size() || text[cr + 1] != '\n') {
            return {{text, 0, {}, false}};
        }
    }
    std::size_t start = 0;
    std::uint32_t lines = 0, linesAtStart = 0;
    bool afterBlank = true, afterItem = false, inTable = false;
    std::string_view head; // the head of the table being read, while it may be cut
    std::size_t headAt = std::string_view::npos; // where its header row begins, when it may be one
    std::string_view tableHead; // the head that the piece being made is parsed after
    for (std::size_t at = 0; at < text.size(); ++lines) {
        const std::size_t nl = text.find('\n', at);
        const std::size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
        std::string_view line = text.substr(at, next - at);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.remove_suffix(1);
        }
        if (LineOpensWith(line, '<')) {
            return {{text, 0, {}, false}}; // an HTML block may run on past blank lines
        }
        const bool row = !line.empty() && line[0] == '|';
        if (inTable && !row) {
            head = {}; // a row that could begin another block: the table is not cut
        }
        const bool cut = inTable ? !head.empty() && head.data() + head.size() < text.data() + at
                                 : StartsOwnText(line, afterBlank, afterItem);
        if (at - start >= kMarkdownPieceBytes && cut) {
            pieces.push_back({text.substr(start, at - start), linesAtStart, tableHead, inTable});
            start = at;
            linesAtStart = lines;
            tableHead = inTable ? head : std::string_view();
        }
        const bool blank = IsBlank(line);
        if (!inTable && !blank && DelimiterRowColumns(line) > 0) {
            inTable = true;
            // The header row stands alone after a blank line, both rows are fenced with '|', and
            // the header has the delimiter row's cells (else there is no table).
            head = row && headAt != std::string_view::npos &&
                           FencedRowCells(text.substr(headAt, at - headAt)) ==
                               DelimiterRowColumns(line) &&
                           FencedRowCells(line) == DelimiterRowColumns(line)
                       ? text.substr(headAt, next - headAt)
                       : std::string_view();
        }
        inTable = inTable && !blank;
        headAt = afterBlank && row ? at : std::string_view::npos;
        const int item = ItemOpened(line);
        afterItem = !inTable && (item == 1 || (item == 2 && (afterBlank || afterItem)));
        afterBlank = blank;
        at = next;
    }
    pieces.push_back({text.substr(start), linesAtStart, tableHead});
    return pieces;
}

} // namespace

void PrepareMarkdownReader() {
    // The library registers its extensions in a global list, unguarded: once, and then only read.
    static std::once_flag once;
    std::call_once(once, [] { cmark_gfm_core_extensions_ensure_registered(); });
}

bool MarkdownSupported() {
    return true;
}

bool SummaryChapters(std::string_view data, const std::string& dir,
                     std::vector<std::string>* files) {
    files->clear();
    if (const std::string reason = CheckBlocksAndTables(data); !reason.empty()) {
        throw BudgetExceeded(reason);
    }
    std::unique_ptr<cmark_node, NodeDeleter> root = ParseMarkdown(data);
    if (root == nullptr) {
        return true;
    }
    std::unique_ptr<cmark_iter, IterDeleter> iter(cmark_iter_new(root.get()));
    for (cmark_event_type ev; (ev = cmark_iter_next(iter.get())) != CMARK_EVENT_DONE;) {
        cmark_node* node = cmark_iter_get_node(iter.get());
        if (ev == CMARK_EVENT_ENTER && cmark_node_get_type(node) == CMARK_NODE_LINK) {
            const char* url = cmark_node_get_url(node);
            const std::string path = ChapterPath(url ? url : "", dir);
            if (!path.empty()) {
                files->push_back(path);
            }
        }
    }
    return true;
}

bool ReadMarkdown(std::string_view data, Document& doc, const ReaderOptions& options,
                  std::string* /*error*/) {
    std::size_t blocks = 0;
    if (const std::string reason = CheckBlocksAndTables(data, &blocks); !reason.empty()) {
        throw BudgetExceeded(reason);
    }
    MarkupBuilder out(doc, options);
    out.AddInput(data.size());
    out.ExpectParagraphs(blocks);
    std::string_view text = data.starts_with("\xEF\xBB\xBF") ? data.substr(3) : data;
    if (SkipFrontMatter(text).size() != text.size()) {
        out.SetLanguage(FrontMatterLanguage(text.substr(text.find('\n') + 1)));
    }
    const std::string_view body = MarkdownBody(data);
    const auto before = data.substr(0, static_cast<std::size_t>(body.data() - data.data()));
    const auto firstLine =
        static_cast<std::uint32_t>(1 + std::count(before.begin(), before.end(), '\n'));
    MarkdownWalk walk(out, body, firstLine);
    for (const MarkdownPiece& piece : SplitForParsing(body)) {
        std::unique_ptr<cmark_node, NodeDeleter> root =
            ParseMarkdownText(piece.tableHead, piece.text);
        if (root != nullptr) {
            walk.SetPiece(piece.linesBefore - CountLines(piece.tableHead), !piece.tableHead.empty(),
                          piece.tableGoesOn);
            walk.Run(root.get());
        }
    }
    out.Finish();
    return true;
}

#endif

} // namespace lxhost
