// The headless host's document model: documents with their pages, frames, flows, paragraphs,
// graphics, footnotes and tables; books with their components. The session that owns them, hands
// out ids and answers the host operations is in session.h, which this header includes.
//
// Every object lives in a vector of its document (or book) and is reached from its id in O(1):
// the session keeps, per kind, a table from serial to (owner, index). Closing a document frees it;
// its ids stay in the table pointing at an empty owner slot, so they are never reused and every
// later operation on them fails with a host error code.
//
// Text is FrameRoman bytes. A text object (paragraph or text line) holds its text and a list of
// segments in offset order: runs of text that together cover the text, and zero-width anchors
// (tables, footnotes, anchored frames, markers) between them.
#pragma once

#include "host/model/vocab.h"
#include "support/api_types.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lxhost {

class Session;

enum class SegType : std::uint8_t {
    Run,
    TableAnchor,
    FootnoteAnchor,
    FrameAnchor,
    Marker,
    Variable,
    XRef,
};

struct Segment {
    std::int32_t offset = 0;
    std::int32_t length = 0; // runs only
    ObjectId value = 0;      // anchors: the anchored object; markers: the marker type
    SegType type = SegType::Run;
};

// The segments of a text body, in a vector's manner. The list is one pointer wide (most bodies
// store none): its size and room are in the heap block, ahead of the segments.
class SegmentList {
  public:
    SegmentList() = default;
    SegmentList(const SegmentList& other) { *this = other; }
    SegmentList(SegmentList&& other) noexcept { *this = std::move(other); }
    SegmentList& operator=(const SegmentList& other);
    SegmentList& operator=(SegmentList&& other) noexcept;
    ~SegmentList() { Free(); }

    bool empty() const { return size() == 0; }
    std::size_t size() const { return block_ != nullptr ? block_->size : 0; }
    Segment* begin() { return items(); }
    Segment* end() { return items() + size(); }
    const Segment* begin() const { return items(); }
    const Segment* end() const { return items() + size(); }
    Segment& operator[](std::size_t i) { return items()[i]; }
    const Segment& operator[](std::size_t i) const { return items()[i]; }
    Segment& back() { return items()[size() - 1]; }
    const Segment& back() const { return items()[size() - 1]; }

    void push_back(const Segment& s);
    void reserve(std::size_t n);
    void clear() {
        if (block_ != nullptr) {
            block_->size = 0;
        }
    }

  private:
    // The head of the heap block; the segments follow it, as many as its capacity.
    struct Block {
        std::uint32_t size;
        std::uint32_t capacity;
    };
    Segment* items() const {
        return block_ != nullptr ? reinterpret_cast<Segment*>(block_ + 1) : nullptr;
    }
    std::size_t capacity() const { return block_ != nullptr ? block_->capacity : 0; }
    void Free();

    Block* block_ = nullptr;
};

// The segments of a body as its readers see them: the stored list, or the single run that a body
// of text alone has without storing it.
class SegmentView {
  public:
    SegmentView(const SegmentList& stored, std::int32_t textSize)
        : stored_(&stored), implied_{0, textSize, 0, SegType::Run},
          impliedCount_(stored.empty() && textSize > 0 ? 1 : 0) {}

    bool empty() const { return size() == 0; }
    std::size_t size() const { return stored_->empty() ? impliedCount_ : stored_->size(); }
    const Segment* begin() const { return stored_->empty() ? &implied_ : stored_->begin(); }
    const Segment* end() const { return begin() + size(); }
    const Segment& operator[](std::size_t i) const { return begin()[i]; }

  private:
    const SegmentList* stored_;
    Segment implied_;
    std::size_t impliedCount_;
};

// The text of a paragraph or text line: FrameRoman bytes and the segments that cover them. The
// bytes are in a heap block of the body's own, or, for text that a reader stored once and that
// has not changed since, in its document's text blocks (see Document::KeepText): a change copies
// them into a block of the body's own first. A body that is a single run of text stores no
// segment.
class TextBody {
  public:
    TextBody() = default;
    TextBody(const TextBody& other) { *this = other; }
    TextBody(TextBody&& other) noexcept { *this = std::move(other); }
    TextBody& operator=(const TextBody& other);
    TextBody& operator=(TextBody&& other) noexcept;
    ~TextBody() { FreeBytes(); }

    std::string_view text() const { return {bytes_, size_}; }
    std::int32_t size() const { return static_cast<std::int32_t>(size_); }
    bool empty() const { return size_ == 0; }
    SegmentView segs() const { return {segs_, size()}; }
    // The anchor segment at index i of segs(), its value to be changed.
    Segment& AnchorAt(std::size_t i) { return segs_[i]; }
    // Calls f on every anchor segment, whose value it may change.
    template <class F> void ForEachAnchor(F&& f) {
        for (Segment& s : segs_) {
            if (s.type != SegType::Run) {
                f(s);
            }
        }
    }

    // Appends bytes to the last run, or as a new run when newRun is set or there is none.
    void Append(std::string_view bytes, bool newRun);
    // Adds a zero-width anchor at the end of the text.
    void AddAnchor(SegType type, ObjectId value);
    // Inserts bytes as a run of their own at offset (0..size()); anchors at that offset move
    // behind the new text.
    void Insert(std::int32_t offset, std::string_view bytes);
    // Moves everything from offset on (anchors at the offset included) into tail.
    void SplitInto(std::int32_t offset, TextBody& tail);
    // Puts an anchor at offset: after the anchors already there, before the text that follows.
    void InsertAnchor(std::int32_t offset, SegType type, ObjectId value);
    // Makes the body one run of bytes that stay where they are for as long as the body holds
    // them (a document's text blocks): nothing is copied.
    void Share(std::string_view bytes);

  private:
    bool shared() const { return capacity_ == 0 && bytes_ != nullptr; }
    // Room for n bytes in a block of the body's own, the text kept.
    void Reserve(std::size_t n);
    void FreeBytes();
    // The single run of a body of text alone, stored (before anchors or more runs join it).
    void StoreImpliedRun();
    // Forgets a stored list that is the single run of the whole text.
    void DropImpliedRun();

    char* bytes_ = nullptr; // the body's own block when capacity_ > 0, else shared or null
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = 0;
    SegmentList segs_;
};

// Text that bodies share from their document (Document::KeepText): blocks that only grow, freed
// with the document.
class TextBlocks {
  public:
    // A copy of bytes that stays where it is until the blocks are freed.
    std::string_view Keep(std::string_view bytes);

  private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* next_ = nullptr;
    std::size_t left_ = 0;
    std::size_t blockSize_ = 0;
};

// Paragraph format settings that the host keeps and the MIF files carry.
enum Alignment : std::int32_t {
    kAlignLeft = 0,
    kAlignCenter = 1,
    kAlignRight = 2,
    kAlignJustify = 3
};

struct PgfSettings {
    std::string fontFamily = "Times";
    Metric fontSize = 12 * kMetricPoint;
    std::int32_t fontWeight = 0; // 0 regular, 1 bold
    std::int32_t fontAngle = 0;  // 0 regular, 1 italic
    Metric leftIndent = 0;
    Metric firstIndent = 0;
    Metric rightIndent = 0;
    Metric spaceBefore = 0;
    Metric spaceAfter = 0;
    Metric leading = 2 * kMetricPoint;
    std::int32_t alignment = kAlignLeft;
    std::int32_t autoNumber = 0;
    std::string numberFormat;
    std::string language; // a language code ("de", "en-US"); "" when the format names none

    bool operator==(const PgfSettings&) const = default;
};

struct PgfFormat {
    ObjectId id = 0;
    std::string name;
    PgfSettings settings;
};

struct TableFormat {
    ObjectId id = 0;
    std::string name;
};

struct Page {
    ObjectId id = 0; // the kind (5 to 8) is in the id
    std::string name;
};

struct Rect {
    Metric x = 0, y = 0, w = 0, h = 0;
};

// Every object that lies on a page: text frames, graphic frames, text lines, other graphics. The
// kind in the id tells them apart.
struct Graphic {
    ObjectId id = 0;
    ObjectId page = 0;       // the page it is placed on directly, or 0
    ObjectId frame = 0;      // the graphic frame that holds it, or 0
    ObjectId anchorPara = 0; // anchored graphic frames: the paragraph holding the anchor
    ObjectId flow = 0;       // text frames: the flow shown in the frame
    ObjectId firstPara = 0;  // text frames: first and last paragraph in the frame
    ObjectId lastPara = 0;
    Rect rect;
    TextBody body;        // text lines
    std::string typeName; // other graphics: what they are (PolyLine, Rectangle, ...)
};

struct Flow {
    ObjectId id = 0;
    std::string tag;
    std::vector<ObjectId> frames; // the text frames of the flow, in text order
    ObjectId firstPara = 0;
    ObjectId lastPara = 0;
};

struct Footnote {
    ObjectId id = 0;
    ObjectId anchorPara = 0;
    ObjectId firstPara = 0;
    ObjectId lastPara = 0;
};

enum class RowType : std::uint8_t { Heading, Body, Footing };

struct Table {
    ObjectId id = 0;
    std::uint32_t format = 0; // index into the document's table formats
    std::int32_t columns = 0;
    ObjectId anchorPara = 0;
    ObjectId titleFirst = 0, titleLast = 0;
    ObjectId firstRow = 0, lastRow = 0;
    std::vector<Metric> widths;
    std::int32_t option1289 = 1;
};

struct Row {
    ObjectId id = 0;
    ObjectId table = 0;
    ObjectId next = 0, prev = 0;
    RowType type = RowType::Body;
    std::uint32_t firstCell = 0; // index of the row's first cell; its cells are consecutive
    std::uint32_t cellCount = 0;
};

struct Cell {
    ObjectId id = 0;
    ObjectId row = 0;
    std::int32_t column = 0;
    std::int32_t shown = 1;   // 0 for a cell covered by a straddle
    std::int32_t colSpan = 1; // straddles starting at this cell
    std::int32_t rowSpan = 1;
    ObjectId firstPara = 0, lastPara = 0;
};

// Where text came from in its source file: 1-based line and column, the column counted in
// characters (a tab is one); 0 when not known.
struct SourcePos {
    std::uint32_t line = 0;
    std::uint32_t column = 0;

    bool known() const { return line != 0; }
    bool operator==(const SourcePos&) const = default;
};

// A place in a paragraph's text whose source position does not follow from the one before it
// (each character one column on): where the text goes on on another source line, or after
// white space collapsed, markup or an escape.
struct SourceMark {
    ObjectId para = 0;
    std::int32_t offset = 0;
    SourcePos pos;
};

// A document's source marks, four bytes each (a text file has one for every line of a paragraph
// after its first). They are kept in groups, one for each run of marks of a paragraph, which
// names the paragraph once; a mark holds its offset in the paragraph, its column, and its line
// counted from the line the paragraph begins on (so the paragraph's line is needed to read it).
// A mark whose figures do not fit those bits is kept whole in a list of its own, the four bytes
// its index there.
class SourceMarkTable {
  public:
    // Room for n marks in all, for a reader that counts them first.
    void reserve(std::size_t n) { entries_.reserve(n); }
    std::size_t size() const { return entries_.size(); }
    std::size_t capacity() const { return entries_.capacity(); }

    // Adds a mark after those its paragraph has; paraLine is the line the paragraph begins on.
    void Add(const SourceMark& mark, std::uint32_t paraLine);
    // Puts each paragraph's marks in one group, the groups in order of paragraph id, a
    // paragraph's marks in the order they were added.
    void Finish();
    // The last mark of para at or before offset (the first of those at the same offset added
    // last); none when it has none there.
    std::optional<SourceMark> Before(ObjectId para, std::int32_t offset,
                                     std::uint32_t paraLine) const;
    // Calls f(para, mark index) for every mark in order, for Decode.
    template <class F> void ForEach(F&& f) const {
        for (std::size_t g = 0; g < groups_.size(); ++g) {
            for (std::uint32_t i = groups_[g].first; i < GroupEnd(g); ++i) {
                f(groups_[g].para, i);
            }
        }
    }
    SourceMark Decode(ObjectId para, std::uint32_t i, std::uint32_t paraLine) const;
    // Calls f on the paragraph id of every group, which it may change (in the same order).
    template <class F> void ForEachParagraph(F&& f) {
        for (Group& g : groups_) {
            f(g.para);
        }
    }

  private:
    struct Group {
        ObjectId para;
        std::uint32_t first; // its first mark; its last is the one before the next group's first
    };
    struct Wide {
        std::int32_t offset;
        SourcePos pos;
    };
    std::uint32_t GroupEnd(std::size_t g) const {
        return g + 1 < groups_.size() ? groups_[g + 1].first
                                      : static_cast<std::uint32_t>(entries_.size());
    }
    std::int32_t OffsetOf(std::uint32_t entry) const;

    std::vector<Group> groups_;
    std::vector<std::uint32_t> entries_;
    std::vector<Wide> wide_;
};

// A document holds one of these for every paragraph it has (a 100 MB text file has near a
// million): the fields are ordered so that none needs padding.
struct Paragraph {
    ObjectId id = 0;
    ObjectId next = 0, prev = 0;
    ObjectId owner = 0;         // the flow, footnote, table (title) or cell whose chain holds it
    ObjectId frame = 0;         // flow paragraphs: the text frame that shows it
    std::uint32_t format = 0;   // index into the document's paragraph formats
    std::int32_t override = -1; // index into the document's overrides, or -1
    SourcePos source;           // where it begins in the file it was read from
    std::uint8_t textClass = 1; // 0 to 255 (SetProps refuses other values)
    std::uint8_t locked = 0;
    // The language its text is in: 0 when the document does not say, else one more than the
    // index of its code in the document's languages.
    std::uint8_t language = 0;
    TextBody body;
};

// A property value as GetProps/SetProps exchange them. The type numbers are the TypedVal tags.
enum class PropType : std::int32_t { Int = 1, Metric = 2, String = 3, Id = 4, Metrics = 5 };

struct PropValue {
    PropType type = PropType::Int;
    std::int32_t ival = 0; // Int, Metric, Id
    std::string sval;
    std::vector<std::int32_t> list;

    static PropValue Int(std::int32_t v) { return {PropType::Int, v, {}, {}}; }
    static PropValue OfMetric(Metric v) { return {PropType::Metric, v, {}, {}}; }
    static PropValue Id(ObjectId v) { return {PropType::Id, static_cast<std::int32_t>(v), {}, {}}; }
    static PropValue String(std::string v) { return {PropType::String, 0, std::move(v), {}}; }
};

struct PropEntry {
    std::int32_t num = 0;
    PropValue value;
};

// One item of GetText. The string points into the model and stays valid until the next change.
struct TextPiece {
    std::int32_t offset = 0;
    std::int32_t dataType = 0;
    std::string_view text; // data type 1
    ObjectId value = 0;    // the other data types
};

class Document {
  public:
    Document(Session& session, ObjectId id) : session_(&session), id_(id) {}
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    ObjectId id() const { return id_; }
    Session& session() const { return *session_; }

    std::string path; // "" while untitled
    std::int32_t shown = 1;
    TextRange selection{};
    Metric pageWidth = 612 * kMetricPoint;
    Metric pageHeight = 792 * kMetricPoint;
    ObjectId mainFlow = 0;
    // Characters of the file it was read from that had no FrameRoman form.
    std::size_t charactersWithoutForm = 0;
    // The source positions of paragraphs' text past their first character, where they do not
    // follow from the paragraph's own (see MarkSource). Sorted by FinishSourceMarks.
    SourceMarkTable sourceMarks;

    std::vector<Page> pages;
    std::vector<Graphic> graphics;
    std::vector<Flow> flows;
    std::vector<Paragraph> paras;
    std::vector<Footnote> footnotes;
    std::vector<Table> tables;
    std::vector<Row> rows;
    std::vector<Cell> cells;
    std::vector<PgfFormat> pgfFormats;
    std::vector<TableFormat> tableFormats;
    std::vector<PgfSettings> overrides;
    // The languages its paragraphs are in, each code once, as the file writes them ("de-CH");
    // a paragraph keeps an index into this table (Paragraph::language).
    std::vector<std::string> languages;

    // Lookup by id within this document; null when the id is not an object of that type here.
    Paragraph* FindParagraph(ObjectId id);
    Graphic* FindGraphic(ObjectId id); // text frames, graphic frames, text lines, graphics
    Flow* FindFlow(ObjectId id);
    Page* FindPage(ObjectId id);
    Footnote* FindFootnote(ObjectId id);
    Table* FindTable(ObjectId id);
    Row* FindRow(ObjectId id);
    Cell* FindCell(ObjectId id);
    PgfFormat* FindPgfFormat(ObjectId id);
    // The text of a paragraph or text line, or null.
    TextBody* FindText(ObjectId id);
    // Makes the body (of one of this document's objects) one run of bytes, copied into the
    // document's text blocks: one large block holds the text of many paragraphs, where a block of
    // each paragraph's own costs the allocator's header and rounding. For readers that store a
    // paragraph's text once it is whole.
    void KeepText(TextBody& body, std::string_view bytes) { body.Share(textBlocks_.Keep(bytes)); }

    // Building. Every Add returns the new object's id.
    ObjectId AddPage(Kind kind, std::string name = {});
    // A text frame on a page, or inside a graphic frame.
    ObjectId AddTextFrame(ObjectId parent, Rect rect = {});
    // A graphic frame on a page, inside another frame, or (parent 0) anchored later.
    ObjectId AddGraphicFrame(ObjectId parent, Rect rect = {});
    ObjectId AddTextLine(ObjectId parent);
    ObjectId AddGraphic(ObjectId parent, std::string typeName);
    ObjectId AddFlow(std::string tag);
    ObjectId AddFootnote();
    // A table with its format and columns but no rows yet.
    ObjectId AddTable(std::uint32_t format, std::int32_t columns);
    // A row appended at the end of its section (heading rows first, then body, then footing).
    ObjectId AddRow(ObjectId table, RowType type);
    // A cell appended to the row; cells of a row must be added before the next row's.
    ObjectId AddCell(ObjectId row);
    // A paragraph appended to the chain of a flow, footnote, table (its title) or cell. Flow
    // paragraphs are placed in frame (LinkFlowFrames recomputes the frames' ends afterwards).
    ObjectId AppendParagraph(ObjectId owner, std::uint32_t format, ObjectId frame = 0);
    // Anchors: the anchor segment goes at the end of the paragraph's text.
    void AnchorTable(ObjectId para, ObjectId table);
    void AnchorFootnote(ObjectId para, ObjectId footnote);
    void AnchorFrame(ObjectId para, ObjectId frame);
    // Recomputes the flow's frame list and each frame's first and last paragraph from the chain.
    void LinkFlowFrames(ObjectId flow);

    // The formats of a new document: "Body" (index 0), "Heading1", "Heading2", "CellHeading",
    // "CellBody" and the table format "Format A".
    void AddDefaultFormats();
    // A body page with one text frame of the page's size less the margins; returns the frame.
    ObjectId AddBodyPageWithFrame(Rect frame);

    // Formats. Find returns the index or -1; Ensure adds a format with default settings.
    std::int32_t FindPgfFormatIndex(std::string_view name) const;
    std::uint32_t EnsurePgfFormat(std::string_view name);
    std::int32_t FindTableFormatIndex(std::string_view name) const;
    std::uint32_t EnsureTableFormat(std::string_view name);
    // The effective settings of a paragraph: its override, or its format's settings.
    const PgfSettings& SettingsOf(const Paragraph& p) const;
    const std::string& FormatNameOf(const Paragraph& p) const;
    // A paragraph's language code, "" when the document does not say.
    std::string_view LanguageOf(const Paragraph& p) const;
    // The index a paragraph keeps for a language code, the code added to the table when new: 0
    // for "" and for a code past the table's room (255 languages).
    std::uint8_t LanguageIndex(std::string_view code);

    // Structure queries.
    ObjectId NextParagraph(ObjectId para) const;
    // The text frame that shows a paragraph: its own for flow paragraphs, the anchor's frame for
    // table, cell and footnote paragraphs. 0 when there is none.
    ObjectId FrameOfParagraph(ObjectId para) const;
    // Property 774 and 880 of an object on a page.
    ObjectId ParentOf(ObjectId obj) const;
    ObjectId PageOf(ObjectId obj) const;
    // The table of a row or cell.
    Table* TableOfCell(const Cell& cell);

    // Editing as the host operations do it. Offsets are checked by the caller.
    // Inserts bytes (0x0A splits the paragraph) and returns the location after the text.
    TextLoc InsertText(ObjectId obj, std::int32_t offset, std::string_view bytes);
    // Splits the paragraph at offset; the rest goes into a new paragraph after it.
    ObjectId SplitParagraph(ObjectId para, std::int32_t offset);
    // Adds n rows below row, of the same section; returns 0 or a host error.
    std::int32_t AddRowsBelow(ObjectId row, std::int32_t n);
    // Builds a whole table with one empty paragraph per cell, anchored at loc.
    ObjectId NewTable(std::uint32_t format, std::int32_t columns, std::int32_t body,
                      std::int32_t heading, std::int32_t footing, TextLoc loc);

    // Source positions, as readers record them. MarkSource says that the paragraph's text from
    // offset on stands in the source at pos: the first position given becomes the paragraph's
    // own, and a mark is kept only where pos does not follow from the one before. Offsets of one
    // paragraph must come in rising order; FinishSourceMarks, called once the document is read,
    // makes them searchable.
    void MarkSource(ObjectId para, std::int32_t offset, SourcePos pos);
    void FinishSourceMarks();
    // Where the paragraph's text at offset stands in the source; 0s when not known. Past the
    // last mark the column counts on one per byte of text.
    SourcePos SourceAt(ObjectId para, std::int32_t offset) const;
    // Every source mark, in the order SourceAt searches them.
    std::vector<SourceMark> SourceMarkList() const;

    // Breaks parent cycles that a malformed file can make (an anchored frame holding the frame
    // of its own anchor): such a frame loses its anchor. Called once after reading.
    void BreakParentCycles();

  private:
    friend class Session;
    ObjectId NewObject(Kind kind, std::size_t index);
    // FindParagraph, quicker for the paragraphs added last.
    Paragraph* RecentParagraph(ObjectId id);
    void ChainAppend(ObjectId owner, Paragraph& p);
    ObjectId* ChainEnds(ObjectId owner, ObjectId** last);
    void RowCellsInit(Row& row, std::int32_t columns, std::uint32_t format);
    void MoveAnchors(const TextBody& body, ObjectId to);

    Session* session_;
    ObjectId id_;
    TextBlocks textBlocks_;
    SourceMark lastMark_; // the position MarkSource gave last, which the next may follow
};

struct Component {
    ObjectId id = 0;
    std::int32_t kind = kComponentFile;
    ObjectId parent = 0, firstChild = 0, lastChild = 0, next = 0;
    std::int32_t excluded = 0;
    // A file's path; a folder's or group's name. One string for either: a book of many files
    // holds a component for each of them for as long as it is open.
    std::string path;
};

class Book {
  public:
    Book(Session& session, ObjectId id) : session_(&session), id_(id) {}
    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;

    ObjectId id() const { return id_; }

    std::string path;
    std::string statusText;
    std::vector<Component> components;
    ObjectId firstComponent = 0, lastComponent = 0;
    // Files and folders the book names that are not read, by path, with the reason (a file
    // outside the book's folder, a folder that could not be listed): opening one fails like
    // opening a missing file, with that message.
    std::map<std::string, std::string, std::less<>> refused;

    Component* FindComponent(ObjectId id);
    // Appends a component under parent (0: the top level), in book order.
    ObjectId AddComponent(ObjectId parent, std::int32_t kind, std::string pathOrName,
                          std::int32_t excluded = 0);

  private:
    Session* session_;
    ObjectId id_;
};

} // namespace lxhost

// The session, which owns documents and books, comes with the model.
#include "host/model/session.h"
