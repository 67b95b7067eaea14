// The builder that every documentation-source reader fills, and the folder listing of folder books.
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

namespace lxhost {

namespace {

constexpr int kHeadingLevels = 6;
constexpr std::string_view kTableFormat = "Format A";
constexpr Metric kColumnWidth = 72 * kMetricPoint;
constexpr std::string_view kMdBookSummary = "SUMMARY.md";

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
    doc_.FindParagraph(id)->textClass = known->textClass;
    return id;
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
    if (frameRoman.size() > kMaxParagraphBytes - para.body.text.size()) {
        throw BudgetExceeded("a paragraph of more than " + MegabytesText(kMaxParagraphBytes) +
                             " (the limit)");
    }
    para.body.Append(frameRoman, false);
}

void MarkupBuilder::Text(std::string_view utf8, std::string_view implicitFormat) {
    Paragraph* para = para_ != 0 ? doc_.FindParagraph(para_) : nullptr;
    const bool hasText = para != nullptr && !para->body.text.empty();
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
        Append(*para, core);
        pendingSpace_ = end < utf8.size();
        return;
    }
    // White space is collapsed in UTF-8 first, a run of other bytes at a time, then the result
    // converted at once: converting word by word would cost a call per word. Text that is all
    // printable ASCII is the same in FrameRoman and needs no conversion.
    std::string& norm = scratch_;
    norm.clear();
    bool ascii = true;
    const char* p = utf8.data();
    const char* const last = p + utf8.size();
    while (p < last) {
        const char* const run = p;
        while (p < last && !IsAsciiSpace(*p)) {
            ascii = ascii && IsPrintableAscii(*p);
            ++p;
        }
        if (p > run) {
            if (pendingSpace_ && (hasText || !norm.empty())) {
                norm.push_back(' ');
            }
            pendingSpace_ = false;
            norm.append(run, static_cast<std::size_t>(p - run));
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
    while (!utf8.empty()) {
        const std::size_t nl = utf8.find('\n');
        std::string_view line = utf8.substr(0, nl);
        utf8.remove_prefix(nl == std::string_view::npos ? utf8.size() : nl + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (std::all_of(line.begin(), line.end(), IsAsciiSpace)) {
            continue;
        }
        StartParagraph(kFormatCode);
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
}

// Whether an XML file is a DocBook book made of XIncludes: a book of its own, whose chapters a
// folder book already holds. Told from the text, without parsing: the first element is <book>
// and the XInclude namespace is declared.
bool IsIncludeBook(const std::filesystem::path& path) {
    constexpr std::size_t kHead = 64 * 1024;
    std::ifstream in(path, std::ios::binary);
    std::string head(kHead, '\0');
    in.read(head.data(), static_cast<std::streamsize>(kHead));
    head.resize(static_cast<std::size_t>(in.gcount()));
    std::size_t at = 0;
    while ((at = head.find('<', at)) != std::string::npos && at + 1 < head.size() &&
           (head[at + 1] == '?' || head[at + 1] == '!')) {
        ++at;
    }
    if (at == std::string::npos || head.compare(at, 5, "<book") != 0 || at + 5 >= head.size() ||
        std::isalnum(static_cast<unsigned char>(head[at + 5]))) {
        return false;
    }
    return head.find("http://www.w3.org/2001/XInclude") != std::string::npos;
}

// Whether a MIF file is one that the tool wrote (a report, a word list, ...), perhaps into the
// folder it measures: a folder book leaves those out, or the next run would count the last run's
// report as a chapter. Told by the first line that the MIF writer puts in every file it writes,
// read cheaply from the file's first bytes; no MIF from elsewhere begins so. (The tool's text
// outputs, "<stem>.<command>.txt", are never gathered: a folder book takes no .txt files.)
bool IsWrittenByTool(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(kWrittenMifHead.size(), '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    return static_cast<std::size_t>(in.gcount()) == head.size() && head == kWrittenMifHead;
}

bool ListFolder(const std::string& folder, bool confined, std::vector<std::string>* files,
                std::vector<FolderRefusal>* refused, std::string* error) {
    namespace fs = std::filesystem;
    static constexpr std::string_view kExtensions[] = {".md",   ".markdown", ".mdown", ".mkd",
                                                       ".html", ".htm",      ".xhtml", ".xml",
                                                       ".dbk",  ".docbook",  ".dita",  ".mif"};
    struct Entry {
        std::string path;
        std::string refusal; // not read, for this reason
        bool includeBook = false;
    };
    files->clear();
    refused->clear();
    std::vector<Entry> entries;
    const fs::path top = fs::path(folder).lexically_normal();
    // Folder by folder rather than with recursive_directory_iterator, which ends the whole walk
    // at the first subfolder that cannot be listed: that subfolder is refused, the rest listed.
    // Links to folders are not followed, so the walk ends.
    std::vector<fs::path> pending{top};
    while (!pending.empty()) {
        const fs::path dir = std::move(pending.back());
        pending.pop_back();
        std::error_code ec;
        fs::directory_iterator it(dir, ec);
        for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
            const fs::path& path = it->path();
            const std::string name = path.filename().string();
            // Hidden files and folders (version control, editor state) are not the book's.
            if (name.starts_with(".")) {
                continue;
            }
            // The types that the listing gave (no call to the system where it gave them).
            std::error_code linkError, fileError;
            const bool isLink = it->is_symlink(linkError);
            if (!linkError && !isLink && it->is_directory(linkError) && !linkError) {
                pending.push_back(path);
                continue;
            }
            std::string ext = path.extension().string();
            std::transform(ext.begin(), ext.end(), ext.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            // An mdBook summary is the table of contents of files the folder already holds.
            const bool named = std::find(std::begin(kExtensions), std::end(kExtensions), ext) !=
                                   std::end(kExtensions) &&
                               name != kMdBookSummary;
            const bool isFile = !linkError && it->is_regular_file(fileError);
            // What cannot be looked at is reported: a folder, or a file of the book's kinds.
            const std::error_code statError = linkError ? linkError : named ? fileError : linkError;
            if (!statError && (!named || !isFile)) {
                continue;
            }
            Entry entry{path.lexically_normal().string(), {}, false};
            if (statError) {
                entry.refusal = entry.path + ": cannot open: " + statError.message();
            } else if (confined && !LiesInFolder(entry.path, folder)) {
                // A file outside the folder is not opened, not even to look at its first bytes.
                entry.refusal = OutsideFolderMessage("file", entry.path, folder);
            } else if (ext == ".mif" && IsWrittenByTool(path)) {
                continue;
            } else {
                entry.includeBook = ext == ".xml" && IsIncludeBook(path);
            }
            entries.push_back(std::move(entry));
        }
        if (ec && dir == top) {
            *error = folder + ": cannot list the folder: " + ec.message();
            return false;
        }
        if (ec) {
            const std::string path = dir.string();
            entries.push_back({path, path + ": cannot list the folder: " + ec.message(), false});
        }
    }
    // Path order: byte order of the whole path, the same on every platform and file system.
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.path < b.path; });
    for (Entry& entry : entries) {
        if (!entry.refusal.empty()) {
            refused->push_back({entry.path, std::move(entry.refusal)});
            files->push_back(std::move(entry.path));
        } else if (!entry.includeBook) {
            files->push_back(std::move(entry.path));
        } else {
            // A DocBook book of XIncludes stands for the chapters written in it, in their order:
            // those it includes are in the folder already.
            for (std::string& part : FolderBookEntries(entry.path)) {
                files->push_back(std::move(part));
            }
        }
    }
    return true;
}

bool ListFolderFiles(const std::string& folder, std::vector<std::string>* files, std::string* error,
                     bool allowOutside) {
    std::vector<std::string> listed;
    std::vector<FolderRefusal> refused;
    if (!ListFolder(folder, !allowOutside, &listed, &refused, error)) {
        return false;
    }
    files->clear();
    for (std::string& file : listed) {
        const bool isRefused = std::any_of(refused.begin(), refused.end(),
                                           [&](const FolderRefusal& r) { return r.path == file; });
        if (!isRefused) {
            files->push_back(std::move(file));
        }
    }
    if (!refused.empty()) {
        *error = refused.front().message;
        return false;
    }
    return true;
}

} // namespace lxhost

namespace lxhost {

namespace {

std::string LowerExtension(std::string_view path) {
    std::string ext = std::filesystem::path(std::string(path)).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

SourceType DetectSourceType(std::string_view path, std::string_view data) {
    static constexpr std::string_view kMarkdown[] = {".md", ".markdown", ".mdown", ".mkd"};
    static constexpr std::string_view kHtml[] = {".html", ".htm", ".xhtml"};
    static constexpr std::string_view kXml[] = {".xml", ".dbk", ".docbook", ".dita", ".ditamap"};
    const std::string ext = LowerExtension(path);
    auto among = [&](const auto& list) {
        return std::find(std::begin(list), std::end(list), ext) != std::end(list);
    };
    if (among(kMarkdown)) {
        return SourceType::Markdown;
    }
    if (among(kHtml)) {
        return SourceType::Html;
    }
    if (among(kXml)) {
        return SourceType::Xml;
    }
    if (data.starts_with("\xEF\xBB\xBF")) {
        data.remove_prefix(3);
    }
    const std::size_t start = data.find_first_not_of(" \t\r\n");
    data.remove_prefix(start == std::string_view::npos ? data.size() : start);
    if (StartsWithNoCase(data, "<!doctype html") || StartsWithNoCase(data, "<html")) {
        return SourceType::Html;
    }
    if (data.starts_with("<?xml") || data.starts_with("<!DOCTYPE")) {
        return SourceType::Xml;
    }
    return SourceType::None;
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

ObjectId ReadSource(Session& session, SourceType type, std::string_view data,
                    const std::string& path, bool asTemplate, std::int32_t* status,
                    std::string* error) {
    if (type == SourceType::Xml) {
        return OpenXml(session, data, path, asTemplate, status, error);
    }
    // An mdBook summary lists the book's chapters.
    std::vector<std::string> chapters;
    if (type == SourceType::Markdown && std::filesystem::path(path).filename() == kMdBookSummary &&
        SummaryChapters(data, std::filesystem::path(path).parent_path().string(), &chapters)) {
        *status = kOk;
        Book& book = session.NewBook();
        book.path = path;
        for (const std::string& chapter : chapters) {
            book.AddComponent(0, kComponentFile, chapter);
        }
        ConfineBook(book, std::filesystem::path(path).parent_path().string(),
                    session.readerOptions);
        return book.id();
    }
    *status = kOk;
    Document& doc = session.NewDocument();
    doc.path = asTemplate ? std::string() : path;
    bool ok = false;
    std::string reason;
    switch (type) {
    case SourceType::Markdown:
        ok = ReadMarkdown(data, doc, session.readerOptions, &reason);
        break;
    case SourceType::Html:
        ok = ReadHtml(data, doc, session.readerOptions, &reason);
        break;
    case SourceType::Xml:
    case SourceType::None:
        reason = "not a document";
        break;
    }
    if (!ok) {
        session.Close(doc.id(), 1);
        *status = kErrNotDocument;
        *error = path + ": " + reason;
        return 0;
    }
    return doc.id();
}

ObjectId ReadFolderBook(Session& session, const std::string& folder, std::int32_t* status,
                        std::string* error) {
    std::vector<std::string> files;
    std::vector<FolderRefusal> refused;
    if (!ListFolder(folder, !session.readerOptions.allowOutside, &files, &refused, error)) {
        *status = kErrFileNotFound;
        return 0;
    }
    if (files.empty()) {
        *status = kErrNotDocument;
        *error = folder + ": no Markdown, HTML, XML or MIF files in the folder";
        return 0;
    }
    Book& book = session.NewBook();
    book.path = folder;
    for (std::string& file : files) {
        book.AddComponent(0, kComponentFile, std::move(file));
    }
    for (FolderRefusal& r : refused) {
        book.refused.emplace(std::move(r.path), std::move(r.message));
    }
    *status = kOk;
    return book.id();
}

} // namespace

ObjectId OpenSource(Session& session, SourceType type, std::string_view data,
                    const std::string& path, bool asTemplate, std::int32_t* status,
                    std::string* error) {
    return OpenGuarded(session, path, status, error, [&] {
        return ReadSource(session, type, data, path, asTemplate, status, error);
    });
}

ObjectId OpenFolderBook(Session& session, const std::string& folder, std::int32_t* status,
                        std::string* error) {
    return OpenGuarded(session, folder, status, error,
                       [&] { return ReadFolderBook(session, folder, status, error); });
}

} // namespace lxhost
