// Readers of documentation sources kept as text (Markdown, HTML, DocBook and DITA XML) and the
// one builder they share, which maps their structure into the document model the same way for
// every format: headings "Heading1" to "Heading6", body paragraphs "Body", list items "Bulleted"
// or "Numbered", code "Code", block quotes "Quote", tables with heading rows and cells, footnotes.
#pragma once

#include "host/formats/registry.h"
#include "host/model/model.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lxhost {

// Paragraph format names of the mapping.
inline constexpr std::string_view kFormatBody = "Body";
inline constexpr std::string_view kFormatBulleted = "Bulleted";
inline constexpr std::string_view kFormatNumbered = "Numbered";
inline constexpr std::string_view kFormatCode = "Code";
inline constexpr std::string_view kFormatQuote = "Quote";
inline constexpr std::string_view kFormatFootnote = "Footnote";
inline constexpr std::string_view kFormatCellHeading = "CellHeading";
inline constexpr std::string_view kFormatCellBody = "CellBody";
inline constexpr std::string_view kFormatTableTitle = "TableTitle";
// "Heading1" to "Heading6"; levels outside 1..6 are clamped.
std::string_view HeadingFormat(int level);

// Whether paragraphs of a format are left out of the counts in a documentation source: a format
// the user included is counted, one the user excluded is not, and code is not prose, so "Code" is
// left out unless the user included it.
bool MarkupFormatExcluded(const ReaderOptions& options, std::string_view format);

// Builds a document from a stream of block and inline events. Text arrives as UTF-8 and is stored
// as FrameRoman; runs of ASCII white space become one space, and a paragraph neither begins nor
// ends with one (code keeps its lines as written, one paragraph per line).
class MarkupBuilder {
  public:
    MarkupBuilder(Document& doc, const ReaderOptions& options);
    MarkupBuilder(const MarkupBuilder&) = delete;
    MarkupBuilder& operator=(const MarkupBuilder&) = delete;

    // Opens a paragraph of a format (empty: the container's own) in the current container,
    // ending the open one.
    void StartParagraph(std::string_view format);
    void EndParagraph();
    bool InParagraph() const { return para_ != 0; }
    // Text of the open paragraph. With none open, non-blank text opens one of implicitFormat, or
    // when that is empty of the container's own (body, footnote, cell or title).
    void Text(std::string_view utf8, std::string_view implicitFormat = {});
    // Where the next piece of text (Text, CodeBlock) stands in the source: its first byte. The
    // builder follows the piece from there as written (each character a column, each line end a
    // line) and keeps the positions of the paragraphs and of their text in the document.
    void SetSource(SourcePos pos) { source_ = pos; }
    // A word break: one space, unless the paragraph is empty or already ends in one.
    void Space();
    // A code block: one "Code" paragraph per line (blank lines make none).
    void CodeBlock(std::string_view utf8);
    // Makes room for about this many more paragraphs, which a reader that counts its blocks
    // before it builds them knows: the document's list of paragraphs then grows once, and not
    // to twice what it needs with a copy of itself beside it on the way.
    void ExpectParagraphs(std::size_t n) { doc_.paras.reserve(doc_.paras.size() + n); }

    // A footnote anchored at the end of the open paragraph (one of "Body" is opened when none
    // is). Its paragraphs are added between StartFootnote and EndFootnote, now or later;
    // afterwards the anchoring paragraph is open again.
    ObjectId AnchorNewFootnote();
    // A footnote anchored nowhere (a note that nothing refers to).
    ObjectId NewFootnote();
    void StartFootnote(ObjectId footnote);
    void EndFootnote();

    // A table in the main text, anchored in a paragraph of its own. Rows and cells must come in
    // order; heading rows may follow body rows in the source (the model keeps them first). A
    // table inside a cell or a footnote is flattened: its cells become paragraphs where it stands.
    void StartTable();
    // The title of the open table (a caption): its paragraphs are the table's own.
    void StartTableTitle();
    void EndTableTitle();
    void StartRow(bool heading);
    void StartCell();
    void EndCell();
    void EndRow();
    void EndTable();

    // The language of the paragraphs opened from now on: a code as the source gives it ("de",
    // "en-US"), "" for none. Returns the one in force before, to be restored when the element
    // that set it ends.
    std::uint8_t SetLanguage(std::string_view code);
    void RestoreLanguage(std::uint8_t language) { language_ = language; }

    // Links the main flow to its frame and sets the selection; call once at the end.
    void Finish();

    // Counts bytes that the reader read (the file, each file it includes) towards the objects
    // the document may get: kMinObjects, or one for every kBytesPerObject bytes. Making one
    // more throws BudgetExceeded.
    void AddInput(std::size_t bytes) { input_ += bytes; }

  private:
    struct Container {
        ObjectId owner = 0;      // flow, footnote, table (title) or cell
        ObjectId frame = 0;      // flow paragraphs: the frame that shows them
        std::string_view format; // of paragraphs that text opens without a block
        ObjectId para = 0;       // the paragraph open in it when another container started
        bool pendingSpace = false;
    };
    void Push(ObjectId owner, std::string_view format);
    void Pop();
    void AppendBytes(std::string_view frameRoman);
    // Appends to a paragraph; throws BudgetExceeded past kMaxParagraphBytes.
    void Append(Paragraph& para, std::string_view frameRoman);
    ObjectId OpenParagraph(ObjectId owner, ObjectId frame, std::string_view format);
    // Counts one more object of the document against its budget.
    void Charge();

    // A paragraph format used in the document: its index and the text class of its paragraphs.
    struct FormatUse {
        std::string name;
        std::uint32_t index = 0;
        std::int32_t textClass = 1;
    };

    Document& doc_;
    const ReaderOptions& options_;
    std::vector<FormatUse> formats_;
    ObjectId frame_ = 0;
    std::vector<Container> stack_; // the innermost container is last
    ObjectId para_ = 0;
    bool pendingSpace_ = false;
    std::string scratch_, converted_;
    SourcePos source_; // of the next text
    // The words of a text being collapsed: their character offsets in it and their positions.
    struct WordAt {
        std::int32_t offset;
        SourcePos pos;
    };
    std::vector<WordAt> words_;
    // Tables: the open one, its current row and cell, and how deep flattened tables go.
    ObjectId table_ = 0;
    ObjectId row_ = 0;
    ObjectId lastCell_ = 0;
    bool headingRow_ = false;
    int flattened_ = 0;
    std::int32_t cellsInRow_ = 0;
    std::size_t objects_ = 0, input_ = 0;
    std::uint8_t language_ = 0; // index + 1 into the document's languages; 0: none said
};

// Reads GitHub-flavoured Markdown (tables, footnotes, strikethrough, autolinks) into doc, a new
// empty document. Front matter (YAML between "---" lines at the top) is not text; its "lang:"
// (or "language:") is the language of the document's paragraphs. Every input is
// a document; tables past the readers' budgets (reader_budgets.h) throw BudgetExceeded before
// the parser sees them. false only when this build has no Markdown reader, with the reason in
// *error.
bool ReadMarkdown(std::string_view data, Document& doc, const ReaderOptions& options,
                  std::string* error);

// The registry's readers of Markdown and HTML files: a new document of the session (an mdBook
// summary, SUMMARY.md, is a book of the chapters it lists). 0 with kErrNotDocument when this build
// has no reader of the format. A template gets no path.
ObjectId OpenMarkdownFile(Session& session, const OpenRequest& request, std::int32_t* status,
                          std::string* error);
ObjectId OpenHtmlFile(Session& session, const OpenRequest& request, std::int32_t* status,
                      std::string* error);

// The file name of an mdBook summary.
inline constexpr std::string_view kMdBookSummary = "SUMMARY.md";

// A book of the files of a folder (ListFolderFiles), or 0 with a host error code in *status and
// the reason in *error.
ObjectId OpenFolderBook(Session& session, const std::string& folder, std::int32_t* status,
                        std::string* error);

// Reads an HTML page into doc, a new empty document; broken markup is repaired as browsers do.
// Script, style and navigation elements are not text. false only when this build has no HTML
// reader, with the reason in *error.
bool ReadHtml(std::string_view data, Document& doc, const ReaderOptions& options,
              std::string* error);

// Opens an XML file: a DocBook or DITA topic (or XHTML page) as a document; a DITA map, or a
// DocBook book made of XIncludes, as a book of its chapters in their order. No DTD or external
// entity is ever loaded. Malformed XML fails with kErrBadFile and "FILE:LINE: malformed XML:
// problem" in *error. The chapters of a DocBook book are files, parts of files that XIncludes
// select ("FILE#id", "FILE#3.2": see OpenXmlPart) and the chapters written in the book itself,
// as parts of the book file, all in document order.
ObjectId OpenXml(Session& session, std::string_view data, const std::string& path, bool asTemplate,
                 std::int32_t* status, std::string* error);

// Opens one element of an XML file (data, read from file) as a document whose path is path
// ("FILE#fragment"). The fragment names the element by its id, or by its place among the
// elements under the root: "3.2" is the second element of the third. An element that is not
// there fails with kErrFileNotFound, like a missing file.
ObjectId OpenXmlPart(Session& session, std::string_view data, const std::string& file,
                     std::string_view fragment, const std::string& path, bool asTemplate,
                     std::int32_t* status, std::string* error);

// What a folder book takes of a DocBook book made of XIncludes (path): the chapters written in
// the book itself, as parts of it, in document order; the chapters it includes are files of the
// folder already. Any other XML file is taken whole: {path}.
std::vector<std::string> FolderBookEntries(const std::string& path);

// A chapter reference of a map, summary or book (an href) as a file path: relative to dir, the
// folder of the file that names it, without its fragment, %XX decoded. "" for an address of
// another scheme (a web page is no chapter).
std::string ChapterPath(std::string_view href, const std::string& dir);

// The chapters of an mdBook summary (SUMMARY.md): the files its links name, in order; draft
// chapters (links without a target) and web addresses are left out. Paths are resolved against
// dir. false when this build has no Markdown reader.
bool SummaryChapters(std::string_view data, const std::string& dir,
                     std::vector<std::string>* files);

// Runs open, a reader's opening of the file at path. Whatever it throws (a reader's budget
// exceeded, memory exhausted, the model out of object ids) closes what it had opened and fails
// the open with kErrBadFile and "PATH: reason" in *error, as for a file that cannot be read.
ObjectId OpenGuarded(Session& session, const std::string& path, std::int32_t* status,
                     std::string* error, const std::function<ObjectId()>& open);

// Reads a whole file (size-checked); false with "FILE: cannot open: reason" in *error.
bool ReadSourceFile(const std::string& path, std::string* data, std::string* error);

// Whether this build reads Markdown, and whether it reads HTML and XML.
bool MarkdownSupported();
bool XmlSupported();

// Sets up, once in the process, what the Markdown and the HTML and XML readers share between
// threads (the parser libraries' global state, the refusal of external entities), so that files
// can be read on more than one thread from then on. Called on the main thread before a reader
// thread starts; the readers call it too.
void PrepareMarkdownReader();
void PrepareXmlReader();
// Whether the files that XIncludes read were cached in a session's readerCache: a file whose read
// did so depends on what the session read before it.
bool IncludesCached(const std::shared_ptr<void>& readerCache);

// A file or folder that a folder book names but does not read, and the message that opening it
// gives.
struct FolderRefusal {
    std::string path;
    std::string message;
};

// The files of a folder that a book made of the folder takes, in path order: Markdown, HTML,
// DocBook, DITA and MIF files anywhere under it, hidden files and folders, mdBook summaries and the
// MIF files that the tool wrote left out. Confined, a file that lies outside the folder once links
// are followed is not read; a subfolder that cannot be listed is not either: each is in *files,
// in its place, and in *refused with the reason. false with the reason in *error when the folder
// itself cannot be listed. (folder_book.cpp)
bool ListFolder(const std::string& folder, bool confined, std::vector<std::string>* files,
                std::vector<FolderRefusal>* refused, std::string* error);

// The files of a folder (ListFolder, confined unless allowOutside), for a book of several files,
// which has no folder of its own. A file outside the folder or a subfolder that cannot be listed
// makes it false with the first reason in *error, *files holding the rest.
bool ListFolderFiles(const std::string& folder, std::vector<std::string>* files, std::string* error,
                     bool allowOutside = false);

// What a folder book takes of a Markdown file: the file, but nothing of an mdBook summary (the
// table of contents of files the folder holds already).
std::vector<std::string> MarkdownFolderEntries(const std::string& path);
// What a folder book takes of an XML file: the chapters written in a DocBook book of XIncludes
// (FolderBookEntries), nothing of a DITA map (its topics are files of the folder already), any
// other file whole.
std::vector<std::string> XmlFolderEntries(const std::string& path);

} // namespace lxhost
