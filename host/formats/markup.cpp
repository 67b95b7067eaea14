// The builder that every documentation-source reader fills, and the openers of Markdown and HTML
// files.
#include "host/formats/markup.h"

#include "host/formats/book_folder.h"
#include "host/formats/frameroman.h"
#include "host/formats/mif_writer.h"
#include "host/formats/reader_budgets.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <new>
#include <utility>

namespace lxhost {

namespace {

constexpr int kHeadingLevels = 6;
constexpr std::string_view kTableFormat = "Format A";
constexpr Metric kColumnWidth = 72 * kMetricPoint;

bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Printable ASCII is the same in UTF-8 and FrameRoman.
bool IsPrintableAscii(char c) {
    return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
}

// Whether text is already as the builder stores it once white space at its ends is taken off:
// printable ASCII words with one space between them. Most text pieces of a parser are.
bool IsPlainText(std::string_view utf8) {
    char previous = 0;
    for (const char c : utf8) {
        if (!IsPrintableAscii(c) || (c == ' ' && previous == ' ')) {
            return false;
        }
        previous = c;
    }
    return !utf8.empty();
}

// The position after bytes that stand in the source as written from pos.
SourcePos Advance(SourcePos pos, std::string_view bytes) {
    for (const char c : bytes) {
        if (c == '\n') {
            ++pos.line;
            pos.column = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && c != '\r') {
            ++pos.column;
        }
    }
    return pos;
}

std::int32_t CharacterCount(std::string_view utf8) {
    return static_cast<std::int32_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

std::string_view HeadingFormat(int level) {
    static constexpr std::string_view kHeadings[kHeadingLevels] = {
        "Heading1", "Heading2", "Heading3", "Heading4", "Heading5", "Heading6"};
    return kHeadings[std::clamp(level, 1, kHeadingLevels) - 1];
}

bool MarkupFormatExcluded(const ReaderOptions& options, std::string_view format) {
    if (Contains(options.includedFormats, format)) {
        return false;
    }
    return Contains(options.excludedFormats, format) || format == kFormatCode;
}

MarkupBuilder::MarkupBuilder(Document& doc, const ReaderOptions& options)
    : doc_(doc), options_(options) {
    doc_.AddDefaultFormats();
    const Metric margin = 72 * kMetricPoint;
    frame_ = doc_.AddBodyPageWithFrame(
        {margin, margin, doc_.pageWidth - 2 * margin, doc_.pageHeight - 2 * margin});
    doc_.mainFlow = doc_.AddFlow("A");
    stack_.push_back({doc_.mainFlow, frame_, kFormatBody, 0, false});
}

ObjectId MarkupBuilder::OpenParagraph(ObjectId owner, ObjectId frame, std::string_view format) {
    // A document uses a handful of formats for many paragraphs: each is looked up, and tested
    // against the user's exclusions, once.
    auto known = std::find_if(formats_.begin(), formats_.end(),
                              [&](const FormatUse& f) { return f.name == format; });
    if (known == formats_.end()) {
        formats_.push_back({std::string(format), doc_.EnsurePgfFormat(format),
                            MarkupFormatExcluded(options_, format) ? 0 : 1});
        known = formats_.end() - 1;
    }
    Charge();
    const ObjectId id = doc_.AppendParagraph(owner, known->index, frame);
    const bool leftOut =
        (options_.excludeTables &&
         (KindOf(owner) == kKindCell || KindOf(owner) == kKindTable || flattened_ > 0)) ||
        (options_.excludeHeadings && IsHeadingFormat(format));
    Paragraph* para = doc_.FindParagraph(id);
    para->textClass = leftOut ? 0 : known->textClass;
    para->language = language_;
    return id;
}

std::uint8_t MarkupBuilder::SetLanguage(std::string_view code) {
    const std::uint8_t before = language_;
    language_ = doc_.LanguageIndex(code);
    return before;
}

void MarkupBuilder::Charge() {
    if (const std::size_t budget = ObjectBudget(input_); ++objects_ > budget) {
        throw TooManyObjects(budget);
    }
}

void MarkupBuilder::Push(ObjectId owner, std::string_view format) {
    EndParagraph();
    stack_.push_back({owner, 0, format, 0, false});
}

void MarkupBuilder::Pop() {
    EndParagraph();
    if (stack_.size() > 1) {
        stack_.pop_back();
    }
}

void MarkupBuilder::StartParagraph(std::string_view format) {
    EndParagraph();
    para_ = OpenParagraph(stack_.back().owner, stack_.back().frame,
                          format.empty() ? stack_.back().format : format);
}

void MarkupBuilder::EndParagraph() {
    para_ = 0;
    pendingSpace_ = false;
}

void MarkupBuilder::AppendBytes(std::string_view frameRoman) {
    Append(*doc_.FindParagraph(para_), frameRoman);
}

void MarkupBuilder::Append(Paragraph& para, std::string_view frameRoman) {
    if (frameRoman.size() > kMaxParagraphBytes - para.body.text().size()) {
        throw BudgetExceeded("a paragraph of more than " + MegabytesText(kMaxParagraphBytes) +
                             " (the limit)");
    }
    para.body.Append(frameRoman, false);
}

void MarkupBuilder::Text(std::string_view utf8, std::string_view implicitFormat) {
    const SourcePos at = std::exchange(source_, {});
    Paragraph* para = para_ != 0 ? doc_.FindParagraph(para_) : nullptr;
    const bool hasText = para != nullptr && !para->body.empty();
    std::size_t begin = 0, end = utf8.size();
    while (begin < end && IsAsciiSpace(utf8[begin])) {
        ++begin;
    }
    while (end > begin && IsAsciiSpace(utf8[end - 1])) {
        --end;
    }
    if (const std::string_view core = utf8.substr(begin, end - begin); IsPlainText(core)) {
        // White space before the words breaks them from the text before; white space after
        // them from the text that follows.
        if (para == nullptr) {
            StartParagraph(implicitFormat.empty() ? stack_.back().format : implicitFormat);
            para = doc_.FindParagraph(para_);
        } else if ((pendingSpace_ || begin > 0) && hasText) {
            Append(*para, " ");
        }
        if (at.known()) {
            doc_.MarkSource(para_, para->body.size(), Advance(at, utf8.substr(0, begin)));
        }
        Append(*para, core);
        pendingSpace_ = end < utf8.size();
        return;
    }
    // White space is collapsed in UTF-8 first, a run of other bytes at a time, then the result
    // converted at once: converting word by word would cost a call per word. Text that is all
    // printable ASCII is the same in FrameRoman and needs no conversion.
    // With a source position, each word's is noted by its character offset in the collapsed
    // text (a FrameRoman byte each).
    std::string& norm = scratch_;
    norm.clear();
    words_.clear();
    bool ascii = true;
    const char* p = utf8.data();
    const char* const last = p + utf8.size();
    SourcePos pos = at;
    const char* posAt = p; // the byte that pos is the position of
    std::int32_t normCharacters = 0;
    while (p < last) {
        const char* const run = p;
        while (p < last && !IsAsciiSpace(*p)) {
            ascii = ascii && IsPrintableAscii(*p);
            ++p;
        }
        if (p > run) {
            if (pendingSpace_ && (hasText || !norm.empty())) {
                norm.push_back(' ');
                ++normCharacters;
            }
            pendingSpace_ = false;
            const std::string_view word(run, static_cast<std::size_t>(p - run));
            if (at.known()) {
                pos = Advance(pos, std::string_view(posAt, static_cast<std::size_t>(run - posAt)));
                posAt = run;
                words_.push_back({normCharacters, pos});
            }
            norm.append(word);
            normCharacters += ascii ? static_cast<std::int32_t>(word.size()) : CharacterCount(word);
        }
        if (p < last) {
            pendingSpace_ = pendingSpace_ || hasText || !norm.empty();
            while (p < last && IsAsciiSpace(*p)) {
                ++p;
            }
        }
    }
    if (norm.empty()) {
        return;
    }
    if (para == nullptr) {
        const bool pending = pendingSpace_;
        StartParagraph(implicitFormat.empty() ? stack_.back().format : implicitFormat);
        pendingSpace_ = pending;
        para = doc_.FindParagraph(para_);
    }
    for (const WordAt& w : words_) {
        doc_.MarkSource(para_, para->body.size() + w.offset, w.pos);
    }
    if (ascii) {
        Append(*para, norm);
        return;
    }
    converted_.clear();
    doc_.charactersWithoutForm += Utf8ToFrameRoman(norm, converted_);
    Append(*para, converted_);
}

void MarkupBuilder::Space() {
    if (para_ != 0) {
        pendingSpace_ = true;
    }
}

void MarkupBuilder::CodeBlock(std::string_view utf8) {
    EndParagraph();
    SourcePos pos = std::exchange(source_, {});
    while (!utf8.empty()) {
        const std::size_t nl = utf8.find('\n');
        std::string_view line = utf8.substr(0, nl);
        utf8.remove_prefix(nl == std::string_view::npos ? utf8.size() : nl + 1);
        const SourcePos lineAt = pos;
        if (pos.known()) {
            pos = {pos.line + 1, 1};
        }
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (std::all_of(line.begin(), line.end(), IsAsciiSpace)) {
            continue;
        }
        StartParagraph(kFormatCode);
        doc_.MarkSource(para_, 0, lineAt);
        converted_.clear();
        doc_.charactersWithoutForm += Utf8ToFrameRoman(line, converted_);
        AppendBytes(converted_);
    }
    EndParagraph();
}

ObjectId MarkupBuilder::AnchorNewFootnote() {
    if (para_ == 0) {
        StartParagraph(stack_.back().format);
    }
    Charge();
    const ObjectId footnote = doc_.AddFootnote();
    doc_.AnchorFootnote(para_, footnote);
    return footnote;
}

ObjectId MarkupBuilder::NewFootnote() {
    Charge();
    return doc_.AddFootnote();
}

void MarkupBuilder::StartFootnote(ObjectId footnote) {
    // The paragraph that holds the anchor goes on after the footnote's own paragraphs.
    stack_.back().para = para_;
    stack_.back().pendingSpace = pendingSpace_;
    para_ = 0;
    pendingSpace_ = false;
    stack_.push_back({footnote, 0, kFormatFootnote, 0, false});
}

void MarkupBuilder::EndFootnote() {
    if (stack_.size() < 2 || KindOf(stack_.back().owner) != kKindFootnote) {
        return;
    }
    stack_.pop_back();
    para_ = stack_.back().para;
    pendingSpace_ = stack_.back().pendingSpace;
}

void MarkupBuilder::StartTable() {
    // Only a table of the main text is a table of the model: a table in a cell or a footnote
    // would be anchored where the walk over the document does not look for tables.
    if (table_ != 0 || stack_.size() > 1) {
        ++flattened_;
        EndParagraph();
        return;
    }
    StartParagraph(kFormatBody);
    Charge();
    table_ = doc_.AddTable(doc_.EnsureTableFormat(kTableFormat), 0);
    doc_.AnchorTable(para_, table_);
    EndParagraph();
}

void MarkupBuilder::StartTableTitle() {
    if (flattened_ > 0 || table_ == 0) {
        StartParagraph(kFormatTableTitle);
        return;
    }
    Push(table_, kFormatTableTitle);
}

void MarkupBuilder::EndTableTitle() {
    if (flattened_ > 0 || table_ == 0) {
        EndParagraph();
        return;
    }
    if (stack_.back().owner == table_) {
        Pop();
    }
}

void MarkupBuilder::StartRow(bool heading) {
    EndParagraph();
    if (flattened_ > 0 || table_ == 0) {
        return;
    }
    EndRow();
    Charge();
    row_ = doc_.AddRow(table_, heading ? RowType::Heading : RowType::Body);
    headingRow_ = heading;
    cellsInRow_ = 0;
}

void MarkupBuilder::StartCell() {
    if (flattened_ > 0 || table_ == 0) {
        EndParagraph();
        return;
    }
    if (KindOf(stack_.back().owner) == kKindCell) {
        EndCell();
    }
    if (row_ == 0) {
        StartRow(false);
    }
    // Past the last column a row's cells are read into its last cell: their words still count.
    if (cellsInRow_ < kMaxTableColumns) {
        Charge();
        lastCell_ = doc_.AddCell(row_);
        ++cellsInRow_;
    }
    Push(lastCell_, headingRow_ ? kFormatCellHeading : kFormatCellBody);
}

void MarkupBuilder::EndCell() {
    if (flattened_ > 0 || table_ == 0) {
        EndParagraph();
        return;
    }
    if (KindOf(stack_.back().owner) == kKindCell) {
        Pop();
    }
}

void MarkupBuilder::EndRow() {
    if (flattened_ > 0 || table_ == 0) {
        EndParagraph();
        return;
    }
    EndCell();
    Table* t = doc_.FindTable(table_);
    t->columns = std::max(t->columns, cellsInRow_);
    row_ = 0;
    cellsInRow_ = 0;
}

void MarkupBuilder::EndTable() {
    if (flattened_ > 0) {
        --flattened_;
        EndParagraph();
        return;
    }
    if (table_ == 0) {
        return;
    }
    EndRow();
    while (stack_.size() > 1 && stack_.back().owner == table_) {
        Pop();
    }
    // A table has at least one column, even one without cells (a host table cannot have none).
    Table* t = doc_.FindTable(table_);
    t->columns = std::max(t->columns, 1);
    t->widths.assign(static_cast<std::size_t>(t->columns), kColumnWidth);
    table_ = 0;
}

void MarkupBuilder::Finish() {
    EndTable();
    while (stack_.size() > 1) {
        Pop();
    }
    EndParagraph();
    Flow* flow = doc_.FindFlow(doc_.mainFlow);
    if (flow->firstPara == 0) {
        doc_.AppendParagraph(doc_.mainFlow, 0, frame_);
    }
    doc_.LinkFlowFrames(doc_.mainFlow);
    const ObjectId first = doc_.FindFlow(doc_.mainFlow)->firstPara;
    doc_.selection = {{first, 0}, {first, 0}};
    doc_.FinishSourceMarks();
}

// A chapter reference of a map or book as a file path: relative to the folder of the file that
// names it, without its fragment. Addresses of other schemes are no chapters ("").
std::string ChapterPath(std::string_view href, const std::string& dir) {
    namespace fs = std::filesystem;
    href = href.substr(0, href.find('#'));
    if (href.empty() || href.find("://") != std::string_view::npos || href.starts_with("mailto:")) {
        return {};
    }
    std::string decoded;
    for (std::size_t i = 0; i < href.size(); ++i) {
        if (href[i] == '%' && i + 2 < href.size() &&
            std::isxdigit(static_cast<unsigned char>(href[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(href[i + 2]))) {
            decoded.push_back(
                static_cast<char>(std::stoi(std::string(href.substr(i + 1, 2)), nullptr, 16)));
            i += 2;
        } else {
            decoded.push_back(href[i]);
        }
    }
    const fs::path p(decoded);
    return (p.is_absolute() ? p : fs::path(dir) / p).lexically_normal().string();
}

ObjectId OpenGuarded(Session& session, const std::string& path, std::int32_t* status,
                     std::string* error, const std::function<ObjectId()>& open) {
    const std::size_t documents = session.openDocuments().size();
    const std::size_t books = session.openBooks().size();
    std::string reason;
    try {
        return open();
    } catch (const BudgetExceeded& e) {
        reason = e.what();
    } catch (const std::bad_alloc&) {
        reason = "cannot read: out of memory";
    } catch (const std::exception& e) {
        reason = std::string("cannot read: ") + e.what();
    }
    while (session.openDocuments().size() > documents) {
        session.Close(session.openDocuments().back(), 1);
    }
    while (session.openBooks().size() > books) {
        session.Close(session.openBooks().back(), 1);
    }
    *status = kErrBadFile;
    *error = path + ": " + reason;
    return 0;
}

namespace {

using SourceReader = bool (*)(std::string_view data, Document& doc, const ReaderOptions& options,
                              std::string* error);

// A new document of the session read by a source reader, or 0 when this build has none.
ObjectId OpenSourceDocument(Session& session, const OpenRequest& request, SourceReader read,
                            std::int32_t* status, std::string* error) {
    *status = kOk;
    Document& doc = session.NewDocument();
    doc.path = request.asTemplate ? std::string() : request.path;
    std::string reason;
    if (!read(request.data, doc, session.readerOptions, &reason)) {
        session.Close(doc.id(), 1);
        *status = kErrNotDocument;
        *error = request.path + ": " + reason;
        return 0;
    }
    return doc.id();
}

} // namespace

ObjectId OpenMarkdownFile(Session& session, const OpenRequest& request, std::int32_t* status,
                          std::string* error) {
    // An mdBook summary lists the book's chapters.
    const std::filesystem::path path(request.path);
    std::vector<std::string> chapters;
    if (path.filename() == kMdBookSummary &&
        SummaryChapters(request.data, path.parent_path().string(), &chapters)) {
        *status = kOk;
        Book& book = session.NewBook();
        book.path = request.path;
        for (const std::string& chapter : chapters) {
            book.AddComponent(0, kComponentFile, chapter);
        }
        ConfineBook(book, path.parent_path().string(), session.readerOptions);
        return book.id();
    }
    return OpenSourceDocument(session, request, ReadMarkdown, status, error);
}

ObjectId OpenHtmlFile(Session& session, const OpenRequest& request, std::int32_t* status,
                      std::string* error) {
    return OpenSourceDocument(session, request, ReadHtml, status, error);
}

} // namespace lxhost
