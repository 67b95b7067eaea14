// The session: the application's state, the documents and books open, their objects' ids, and
// the host operations over them.
#pragma once

#include "host/model/model.h"
#include "host/model/object_registry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lxhost {

// Parameters of CustomDoc, in the operation's order.
struct CustomDocParams {
    Metric width = 0, height = 0;
    std::int32_t columns = 1;
    Metric gap = 0, top = 0, bottom = 0, inside = 0, outside = 0;
    std::int32_t sidedness = 0;
    std::int32_t visible = 1;
};

struct OpenParamEntry {
    std::int32_t num = 0;
    std::int32_t value = 0;
};

// What the host records for the tests and the command-line tool to see.
enum class EventType { DisplayUpdating, Redisplay, Shown, StatusText };
struct HostEvent {
    EventType type;
    ObjectId object; // the document or book (0 for display updating)
    std::int32_t value;
    std::string text; // status text
};

// What the host tells the user about the text of a file it read: the encoding it read the file
// in, and how many characters had no FrameRoman form.
struct TextNote {
    std::string path;
    const char* encoding = "UTF-8";
    std::size_t charactersWithoutForm = 0;
};

// Options of the file readers that the user sets.
// Whether paragraphs of a format are headings: the readers of documentation sources name them
// "Heading1" to "Heading6"; in a MIF document a format whose name begins with "Heading", "Title"
// or "ChapterTitle" (in any case) is taken for one.
bool IsHeadingFormat(std::string_view name);

struct ReaderOptions {
    // Paragraphs of these formats get text class 0 (not examined), e.g. code listings.
    std::vector<std::string> excludedFormats;
    // Formats counted although a reader leaves them out by default (code in Markdown, HTML and
    // XML sources).
    std::vector<std::string> includedFormats;
    // Leave out every table's text (its cells and title), or every heading, whatever the
    // formats are named (IsHeadingFormat).
    bool excludeTables = false;
    bool excludeHeadings = false;
    // Whether a book may read files outside its folder: chapters, XIncludes, nested maps, a
    // folder book's links (by default none is read once links are followed out of the folder).
    bool allowOutside = false;
};

// The application's state: what the application's properties answer, the user's reader options,
// and the record of what the host did for tests and the command-line tool to see.
struct ApplicationState {
    ObjectId activeDocument = 0;
    ObjectId activeBook = 0;
    std::string installDir;
    std::int32_t displayUpdating = 1;
    ReaderOptions readerOptions;
    std::vector<HostEvent> events;
    // Whether events are kept in the list above; a long run that only watches them (onEvent)
    // turns it off, so that nothing is kept per file of a book it walks.
    bool keepEvents = true;
    // Called for every recorded event (e.g. the command-line tool shows the status text).
    std::function<void(const HostEvent&)> onEvent;
    // What the documentation-source readers keep from one file they open to the next: the files
    // that XIncludes read, each parsed once in a run (host/formats/xml_reader.cpp).
    std::shared_ptr<void> readerCache;
    // The file that Open is reading, while it reads it and before its document is open: what an
    // error that stops the run there names.
    std::string fileBeingOpened;

    void Record(EventType type, ObjectId object, std::int32_t value, std::string text = {});
};

// What the command-line tool hands the host and learns from it about the files it opens. It is
// the tool's, kept in the session while the tool reads it from here.
struct ToolRecords {
    // The excluded formats that a document opened from a file defined, so that the tool can
    // warn about a name that none of them knows (a typing error excludes nothing).
    std::vector<std::string> excludedFormatsFound;
    // Files whose content the host already holds, by the name they are opened with: the tool
    // reads standard input once and opens it as "-". Open reads such a name from here.
    std::map<std::string, std::string, std::less<>> providedFiles;
    // One note for each file read that was not UTF-8 or held characters without a form.
    std::vector<TextNote> textNotes;
};

// Work that the readers run beside a session (a book's files read ahead on another thread). It
// is told when a book closes, and ends with the session.
class SessionCompanion {
  public:
    virtual ~SessionCompanion() = default;
    virtual void BookClosed(ObjectId book) = 0;
    // Frees a document that was closed (a document read on another thread is freed there).
    virtual void Dispose(std::unique_ptr<Document> doc) = 0;
};

// The host's model: the documents and books open, their objects' ids, and the host operations
// over them. Properties are answered by the tables of host/model/properties.cpp.
class Session : public ApplicationState, public ToolRecords {
  public:
    // serialsPerKind below the ids' full range makes the session run out of ids sooner (tests).
    explicit Session(std::uint32_t serialsPerKind = ObjectRegistry::kMaxSerials);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // --- Documents and books
    Document* FindDocument(ObjectId id);
    Book* FindBook(ObjectId id);
    // The open documents in opening order.
    const std::vector<ObjectId>& openDocuments() const { return openDocs_; }
    const std::vector<ObjectId>& openBooks() const { return openBooks_; }
    // A new empty untitled document (no pages, flows or formats) or book, open.
    Document& NewDocument();
    Book& NewBook();
    // Hands the documents and books still open to the end of the process: their memory stays
    // reachable and is never given back object by object (a program about to exit gains nothing
    // from freeing a model of millions of paragraphs). No document or book is open afterwards.
    void LeaveModelToExit();
    // A new untitled book with one file component per path.
    ObjectId NewBookOfFiles(const std::vector<std::string>& paths);
    // Moves a document that another session read (a file read ahead on another thread) into this
    // one. Its objects get ids of this session, per kind in the order the other session gave
    // them: the ids a read of the file here would have given. Returns the document's new id, or 0
    // with both sessions unchanged when those ids cannot be had (the other session holds anything
    // but this one document, or gave serials to objects that are gone; this one lacks fresh
    // serials): the caller then reads the file here.
    ObjectId AdoptDocument(Session& from, ObjectId doc);
    // The readers' companion work (host/formats/read_ahead.h); ended before the session.
    std::unique_ptr<SessionCompanion> readAhead;
    // The document that holds an object of a document kind, or null.
    Document* DocumentOf(ObjectId obj);

    // --- The host operations. Each returns 0 or a HostError; results go through the pointers.
    // Document argument 0 means the application, or "the object's own document".
    std::int32_t GetId(ObjectId doc, ObjectId obj, std::int32_t prop, ObjectId* out);
    std::int32_t SetId(ObjectId doc, ObjectId obj, std::int32_t prop, ObjectId value);
    std::int32_t GetInt(ObjectId doc, ObjectId obj, std::int32_t prop, std::int32_t* out);
    std::int32_t SetInt(ObjectId doc, ObjectId obj, std::int32_t prop, std::int32_t value);
    std::int32_t GetMetric(ObjectId doc, ObjectId obj, std::int32_t prop, Metric* out);
    std::int32_t SetMetric(ObjectId doc, ObjectId obj, std::int32_t prop, Metric value);
    std::int32_t GetString(ObjectId doc, ObjectId obj, std::int32_t prop, std::string* out);
    std::int32_t SetString(ObjectId doc, ObjectId obj, std::int32_t prop, std::string_view value);
    std::int32_t GetMetrics(ObjectId doc, ObjectId obj, std::int32_t prop,
                            std::vector<Metric>* out);
    std::int32_t SetMetrics(ObjectId doc, ObjectId obj, std::int32_t prop,
                            const std::vector<Metric>& value);
    std::int32_t GetTextLoc(ObjectId doc, ObjectId obj, std::int32_t prop, TextLoc* out);
    std::int32_t GetTextRange(ObjectId doc, ObjectId obj, std::int32_t prop, TextRange* out);
    std::int32_t SetTextRange(ObjectId doc, ObjectId obj, std::int32_t prop,
                              const TextRange& value);
    // Generic access behind the typed operations.
    std::int32_t GetProp(ObjectId doc, ObjectId obj, std::int32_t prop, PropValue* out);
    std::int32_t SetProp(ObjectId doc, ObjectId obj, std::int32_t prop, const PropValue& value);
    // All properties of a paragraph format or paragraph; SetProps applies a list (a paragraph
    // then carries the named format and those settings).
    std::int32_t GetProps(ObjectId doc, ObjectId obj, std::vector<PropEntry>* out);
    std::int32_t SetProps(ObjectId doc, ObjectId obj, const std::vector<PropEntry>& props);

    // The items of one text object between two offsets (kTextOffsetEnd: the end). out is
    // cleared first; reuse it to avoid allocations.
    std::int32_t GetText(ObjectId doc, const TextRange& range, std::int32_t flags,
                         std::vector<TextPiece>* out);
    std::int32_t AddText(ObjectId doc, const TextLoc& loc, std::string_view bytes, TextLoc* after);
    std::int32_t GetNamedObject(ObjectId doc, std::int32_t type, std::string_view name,
                                ObjectId* out);
    std::int32_t NewTable(ObjectId doc, std::string_view format, std::int32_t columns,
                          std::int32_t body, std::int32_t heading, std::int32_t footing,
                          const TextLoc& loc, ObjectId* out);
    std::int32_t AddRows(ObjectId doc, ObjectId row, std::int32_t position, std::int32_t count);
    std::int32_t CustomDoc(const CustomDocParams& params, ObjectId* out);
    // Opens a file of any format the host reads (host/formats/registry.h tells them apart), or a
    // folder as a book of its files. error, when given, receives the reader's message.
    std::int32_t Open(std::string_view path, const std::vector<OpenParamEntry>& params,
                      ObjectId* out, std::vector<PropEntry>* returned,
                      std::string* error = nullptr);
    // Closes a document or book and releases the ids of its objects (host/model/object_registry.h).
    std::int32_t Close(ObjectId doc, std::int32_t flags);
    std::int32_t Redisplay(ObjectId doc);

    // --- Ids (used by Document and Book)
    ObjectId Register(Kind kind, std::uint32_t owner, std::uint32_t index);
    // Owner serial (document or book) and index of an object, or false when it is unknown or
    // its owner is closed.
    bool Locate(ObjectId id, std::uint32_t* owner, std::uint32_t* index) const {
        const Kind kind = KindOf(id);
        if (kind < kKindCount && id == lastLocated_[kind].id && id != 0) {
            *owner = lastLocated_[kind].owner;
            *index = lastLocated_[kind].index;
            return true;
        }
        return LocateInTable(id, owner, index);
    }
    // The bytes the id table holds (host/model/object_registry.h).
    std::size_t IdTableBytes() const { return ids_.Footprint(); }

  private:
    std::int32_t CheckDocArg(ObjectId doc, ObjectId obj, Document** d, Book** b);
    std::int32_t CheckLoc(Document& d, const TextLoc& loc, TextBody** body, std::int32_t* offset);
    // An offset into the body (kTextOffsetEnd: its end) made absolute and checked.
    static std::int32_t CheckOffset(const TextBody& body, std::int32_t given, std::int32_t* offset);
    ObjectId FindOpenByPath(const std::string& path) const;

    // The object of each kind that Locate found last: the plug-in asks several things of one
    // paragraph in a row (its class, its text, the next one), each operation locates it again,
    // and answering them locates its frame and flow in between. An entry is made only for an
    // object whose document or book is open, and every entry is dropped when a document or book
    // closes or leaves the session: ids are released only then, and an id keeps its owner and
    // index until it is released.
    struct LastLocated {
        ObjectId id = 0;
        std::uint32_t owner = 0;
        std::uint32_t index = 0;
    };
    bool OwnerOpen(Kind kind, std::uint32_t owner, std::uint32_t serial) const;
    // Locate for an object that is not the last of its kind found: from the id table.
    bool LocateInTable(ObjectId id, std::uint32_t* owner, std::uint32_t* index) const;
    void ForgetLocated() { lastLocated_ = {}; }

    ObjectRegistry ids_;
    mutable std::array<LastLocated, kKindCount> lastLocated_{};
    std::vector<std::unique_ptr<Document>> docs_; // by serial - 1
    std::vector<std::unique_ptr<Book>> books_;    // by serial - 1
    std::vector<ObjectId> openDocs_;
    std::vector<ObjectId> openBooks_;
};

} // namespace lxhost
