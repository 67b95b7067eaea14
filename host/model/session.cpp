// The session: open documents and books, and the host operations over them.
#include "host/model/model.h"
#include "host/model/properties.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace lxhost {

namespace {

bool IsDocumentKind(Kind k) {
    return k >= kKindFlow && k <= kKindTableFormat && k != 0x13;
}

// Releases the ids of every object of a document, so that a book of many large files, read one
// file at a time, never runs out of them.
void ReleaseObjects(ObjectRegistry& ids, const Document& d) {
    auto release = [&ids](const auto& objects) {
        for (const auto& o : objects) {
            ids.Release(o.id);
        }
    };
    release(d.pages);
    release(d.graphics);
    release(d.flows);
    release(d.paras);
    release(d.footnotes);
    release(d.tables);
    release(d.rows);
    release(d.cells);
    release(d.pgfFormats);
    release(d.tableFormats);
}

} // namespace

bool IsHeadingFormat(std::string_view name) {
    auto startsWith = [&](std::string_view prefix) {
        return name.size() >= prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), name.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b));
               });
    };
    return startsWith("heading") || startsWith("title") || startsWith("chaptertitle");
}

// --- Session: ids and documents

Session::Session(std::uint32_t serialsPerKind) : ids_(serialsPerKind) {}
Session::~Session() {
    readAhead.reset();
}

void Session::LeaveModelToExit() {
    readAhead.reset(); // no reader thread is left running while the process exits
    // Held from a static, so that leak checkers see the memory reachable, not lost.
    static auto* const keptDocs = new std::vector<std::unique_ptr<Document>>();
    static auto* const keptBooks = new std::vector<std::unique_ptr<Book>>();
    for (std::unique_ptr<Document>& d : docs_)
        if (d)
            keptDocs->push_back(std::move(d));
    for (std::unique_ptr<Book>& b : books_)
        if (b)
            keptBooks->push_back(std::move(b));
    docs_.clear();
    books_.clear();
    ForgetLocated();
    openDocs_.clear();
    openBooks_.clear();
}

ObjectId Session::Register(Kind kind, std::uint32_t owner, std::uint32_t index) {
    return ids_.Register(kind, owner, index);
}

// Whether the document or book that an object of the kind belongs to is open: for a document or
// a book its own serial, for the objects in them their owner's.
bool Session::OwnerOpen(Kind kind, std::uint32_t owner, std::uint32_t serial) const {
    auto open = [](const auto& owners, std::uint32_t s) {
        return s != 0 && s <= owners.size() && owners[s - 1] != nullptr;
    };
    switch (kind) {
    case kKindDocument:
        return open(docs_, serial);
    case kKindBook:
        return open(books_, serial);
    case kKindComponent:
        return open(books_, owner);
    default:
        if (IsDocumentKind(kind)) {
            return open(docs_, owner);
        }
        return true; // application-level objects (menus) have no owner
    }
}

bool Session::LocateInTable(ObjectId id, std::uint32_t* owner, std::uint32_t* index) const {
    const Kind kind = KindOf(id);
    // None for a kind out of range or an id not given
    const std::optional<ObjectRegistry::Slot> s = ids_.Find(id);
    if (!s) {
        return false;
    }
    *owner = s->owner;
    *index = s->index;
    if (!OwnerOpen(kind, s->owner, SerialOf(id))) {
        return false;
    }
    lastLocated_[kind] = {id, s->owner, s->index};
    return true;
}

Document* Session::FindDocument(ObjectId id) {
    const std::uint32_t serial = SerialOf(id);
    if (KindOf(id) != kKindDocument || serial == 0 || serial > docs_.size()) {
        return nullptr;
    }
    return docs_[serial - 1].get();
}

Book* Session::FindBook(ObjectId id) {
    const std::uint32_t serial = SerialOf(id);
    if (KindOf(id) != kKindBook || serial == 0 || serial > books_.size()) {
        return nullptr;
    }
    return books_[serial - 1].get();
}

Document& Session::NewDocument() {
    const ObjectId id = Register(kKindDocument, 0, 0);
    docs_.push_back(std::make_unique<Document>(*this, id));
    openDocs_.push_back(id);
    return *docs_.back();
}

Book& Session::NewBook() {
    const ObjectId id = Register(kKindBook, 0, 0);
    books_.push_back(std::make_unique<Book>(*this, id));
    openBooks_.push_back(id);
    return *books_.back();
}

ObjectId Session::NewBookOfFiles(const std::vector<std::string>& paths) {
    Book& b = NewBook();
    b.components.reserve(paths.size());
    for (const std::string& p : paths) {
        b.AddComponent(0, kComponentFile, p);
    }
    return b.id();
}

Document* Session::DocumentOf(ObjectId obj) {
    if (KindOf(obj) == kKindDocument) {
        return FindDocument(obj);
    }
    std::uint32_t owner = 0, index = 0;
    if (!IsDocumentKind(KindOf(obj)) || !Locate(obj, &owner, &index)) {
        return nullptr;
    }
    return docs_[owner - 1].get();
}

ObjectId Session::FindOpenByPath(const std::string& path) const {
    for (ObjectId id : openDocs_) {
        if (docs_[SerialOf(id) - 1]->path == path) {
            return id;
        }
    }
    for (ObjectId id : openBooks_) {
        if (books_[SerialOf(id) - 1]->path == path) {
            return id;
        }
    }
    return 0;
}

void ApplicationState::Record(EventType type, ObjectId object, std::int32_t value,
                              std::string text) {
    HostEvent event{type, object, value, std::move(text)};
    if (onEvent) {
        onEvent(event);
    }
    if (keepEvents) {
        events.push_back(std::move(event));
    }
}

// Finds the document or book that owns obj and checks the document argument against it.
std::int32_t Session::CheckDocArg(ObjectId doc, ObjectId obj, Document** d, Book** b) {
    *d = nullptr;
    *b = nullptr;
    if (doc != 0 && FindDocument(doc) == nullptr && FindBook(doc) == nullptr) {
        return kErrBadDocument;
    }
    const Kind kind = KindOf(obj);
    std::uint32_t owner = 0, index = 0;
    if (kind == kKindDocument) {
        *d = FindDocument(obj);
    } else if (kind == kKindBook) {
        *b = FindBook(obj);
    } else if (kind == kKindComponent) {
        if (Locate(obj, &owner, &index)) {
            *b = books_[owner - 1].get();
        }
    } else if (IsDocumentKind(kind) && Locate(obj, &owner, &index)) {
        *d = docs_[owner - 1].get();
    }
    if (*d == nullptr && *b == nullptr) {
        return kErrBadObject;
    }
    const ObjectId ownerId = *d != nullptr ? (*d)->id() : (*b)->id();
    if (doc != 0 && doc != ownerId) {
        return kErrBadObject;
    }
    return kOk;
}

// --- Properties: the owner of the object is found here, the property in its table

std::int32_t Session::GetProp(ObjectId doc, ObjectId obj, std::int32_t prop, PropValue* out) {
    if (obj == 0) {
        return doc == 0 ? GetAppProp(*this, prop, out) : kErrBadObject;
    }
    Document* d = nullptr;
    Book* b = nullptr;
    if (const std::int32_t err = CheckDocArg(doc, obj, &d, &b); err != kOk) {
        return err;
    }
    return d != nullptr ? GetDocObjectProp(*this, *d, obj, prop, out)
                        : GetBookObjectProp(*this, *b, obj, prop, out);
}

std::int32_t Session::SetProp(ObjectId doc, ObjectId obj, std::int32_t prop, const PropValue& v) {
    if (obj == 0) {
        return doc == 0 ? SetAppProp(*this, prop, v) : kErrBadObject;
    }
    Document* d = nullptr;
    Book* b = nullptr;
    if (const std::int32_t err = CheckDocArg(doc, obj, &d, &b); err != kOk) {
        return err;
    }
    return d != nullptr ? SetDocObjectProp(*this, *d, obj, prop, v)
                        : SetBookObjectProp(*this, *b, obj, prop, v);
}

// --- Typed property operations

std::int32_t Session::GetId(ObjectId doc, ObjectId obj, std::int32_t prop, ObjectId* out) {
    PropValue v;
    std::int32_t err = GetProp(doc, obj, prop, &v);
    if (err == kOk && v.type != PropType::Id) {
        err = kErrBadPropType;
    }
    *out = err == kOk ? static_cast<ObjectId>(v.ival) : 0;
    return err;
}

std::int32_t Session::SetId(ObjectId doc, ObjectId obj, std::int32_t prop, ObjectId value) {
    return SetProp(doc, obj, prop, PropValue::Id(value));
}

std::int32_t Session::GetInt(ObjectId doc, ObjectId obj, std::int32_t prop, std::int32_t* out) {
    PropValue v;
    std::int32_t err = GetProp(doc, obj, prop, &v);
    if (err == kOk && !IsNumber(v.type)) {
        err = kErrBadPropType;
    }
    *out = err == kOk ? v.ival : 0;
    return err;
}

std::int32_t Session::SetInt(ObjectId doc, ObjectId obj, std::int32_t prop, std::int32_t value) {
    return SetProp(doc, obj, prop, PropValue::Int(value));
}

std::int32_t Session::GetMetric(ObjectId doc, ObjectId obj, std::int32_t prop, Metric* out) {
    return GetInt(doc, obj, prop, out);
}

std::int32_t Session::SetMetric(ObjectId doc, ObjectId obj, std::int32_t prop, Metric value) {
    return SetProp(doc, obj, prop, PropValue::OfMetric(value));
}

std::int32_t Session::GetString(ObjectId doc, ObjectId obj, std::int32_t prop, std::string* out) {
    PropValue v;
    std::int32_t err = GetProp(doc, obj, prop, &v);
    if (err == kOk && v.type != PropType::String) {
        err = kErrBadPropType;
    }
    if (err == kOk) {
        *out = std::move(v.sval);
    } else {
        out->clear();
    }
    return err;
}

std::int32_t Session::SetString(ObjectId doc, ObjectId obj, std::int32_t prop,
                                std::string_view value) {
    return SetProp(doc, obj, prop, PropValue::String(std::string(value)));
}

std::int32_t Session::GetMetrics(ObjectId doc, ObjectId obj, std::int32_t prop,
                                 std::vector<Metric>* out) {
    PropValue v;
    std::int32_t err = GetProp(doc, obj, prop, &v);
    if (err == kOk && v.type != PropType::Metrics) {
        err = kErrBadPropType;
    }
    out->clear();
    if (err == kOk) {
        out->assign(v.list.begin(), v.list.end());
    }
    return err;
}

std::int32_t Session::SetMetrics(ObjectId doc, ObjectId obj, std::int32_t prop,
                                 const std::vector<Metric>& value) {
    PropValue v;
    v.type = PropType::Metrics;
    v.list.assign(value.begin(), value.end());
    return SetProp(doc, obj, prop, v);
}

std::int32_t Session::GetTextLoc(ObjectId doc, ObjectId obj, std::int32_t prop, TextLoc* out) {
    *out = {0, 0};
    Document* d = nullptr;
    Book* b = nullptr;
    if (obj == 0) {
        return doc == 0 ? kErrBadProperty : kErrBadObject;
    }
    if (const std::int32_t err = CheckDocArg(doc, obj, &d, &b); err != kOk) {
        return err;
    }
    if (d != nullptr && prop == kPropAnchor) {
        ObjectId para = 0;
        SegType type = SegType::TableAnchor;
        if (Table* t = d->FindTable(obj)) {
            para = t->anchorPara;
        } else if (Footnote* f = d->FindFootnote(obj)) {
            para = f->anchorPara;
            type = SegType::FootnoteAnchor;
        } else if (Graphic* g = d->FindGraphic(obj); g && KindOf(obj) == kKindGraphicFrame) {
            para = g->anchorPara;
            type = SegType::FrameAnchor;
        } else {
            return kErrBadProperty;
        }
        if (const Paragraph* p = d->FindParagraph(para)) {
            for (const Segment& s : p->body.segs()) {
                if (s.type == type && s.value == obj) {
                    *out = {para, s.offset};
                    break;
                }
            }
        }
        return kOk;
    }
    PropValue v;
    const std::int32_t err = GetProp(doc, obj, prop, &v);
    return err == kOk ? kErrBadPropType : err;
}

std::int32_t Session::GetTextRange(ObjectId doc, ObjectId obj, std::int32_t prop, TextRange* out) {
    *out = {};
    if (obj == 0) {
        return doc == 0 ? kErrBadProperty : kErrBadObject;
    }
    Document* d = nullptr;
    Book* b = nullptr;
    if (const std::int32_t err = CheckDocArg(doc, obj, &d, &b); err != kOk) {
        return err;
    }
    if (d != nullptr && KindOf(obj) == kKindDocument && prop == kPropSelection) {
        *out = d->selection;
        return kOk;
    }
    PropValue v;
    const std::int32_t err = GetProp(doc, obj, prop, &v);
    return err == kOk ? kErrBadPropType : err;
}

std::int32_t Session::SetTextRange(ObjectId doc, ObjectId obj, std::int32_t prop,
                                   const TextRange& value) {
    if (obj == 0) {
        return doc == 0 ? kErrBadProperty : kErrBadObject;
    }
    Document* d = nullptr;
    Book* b = nullptr;
    if (const std::int32_t err = CheckDocArg(doc, obj, &d, &b); err != kOk) {
        return err;
    }
    if (d != nullptr && KindOf(obj) == kKindDocument && prop == kPropSelection) {
        // Any range is stored as given, even one naming no object: the host does not check it.
        d->selection = value;
        return kOk;
    }
    PropValue v;
    const std::int32_t err = GetProp(doc, obj, prop, &v);
    return err == kOk ? kErrBadPropType : err;
}

// --- Property lists

std::int32_t Session::GetProps(ObjectId doc, ObjectId obj, std::vector<PropEntry>* out) {
    out->clear();
    Document* d = nullptr;
    Book* b = nullptr;
    if (obj == 0) {
        return kErrBadObject;
    }
    if (const std::int32_t err = CheckDocArg(doc, obj, &d, &b); err != kOk) {
        return err;
    }
    const PgfSettings* s = nullptr;
    std::string name;
    if (d == nullptr) {
        return kErrBadOperation;
    }
    if (const PgfFormat* f = d->FindPgfFormat(obj)) {
        s = &f->settings;
        name = f->name;
    } else if (const Paragraph* p = d->FindParagraph(obj)) {
        s = &d->SettingsOf(*p);
        name = d->FormatNameOf(*p);
    } else {
        return kErrBadOperation;
    }
    out->reserve(1 + std::size(kPgfSettingProps));
    out->push_back({kPropName, PropValue::String(name)});
    for (std::int32_t prop : kPgfSettingProps) {
        PropEntry e{prop, {}};
        GetPgfSetting(*s, prop, &e.value);
        out->push_back(std::move(e));
    }
    return kOk;
}

std::int32_t Session::SetProps(ObjectId doc, ObjectId obj, const std::vector<PropEntry>& props) {
    Document* d = nullptr;
    Book* b = nullptr;
    if (obj == 0) {
        return kErrBadObject;
    }
    if (const std::int32_t err = CheckDocArg(doc, obj, &d, &b); err != kOk) {
        return err;
    }
    if (d == nullptr) {
        return kErrBadOperation;
    }
    std::int32_t result = kOk;
    if (PgfFormat* f = d->FindPgfFormat(obj)) {
        const ObjectId id = f->id;
        for (const PropEntry& e : props) {
            const std::int32_t err = SetDocObjectProp(*this, *d, id, e.num, e.value);
            if (err != kOk) {
                result = err;
            }
        }
        return result;
    }
    Paragraph* p = d->FindParagraph(obj);
    if (p == nullptr) {
        return kErrBadOperation;
    }
    // The named format (made when the document lacks it), then every setting on top of it.
    std::uint32_t format = p->format;
    PgfSettings s = d->SettingsOf(*p);
    bool created = false;
    for (const PropEntry& e : props) {
        if (e.num == kPropName && e.value.type == PropType::String) {
            created = d->FindPgfFormatIndex(e.value.sval) < 0;
            format = d->EnsurePgfFormat(e.value.sval);
            s = d->pgfFormats[format].settings;
        }
    }
    p = d->FindParagraph(obj);
    for (const PropEntry& e : props) {
        if (e.num == kPropName) {
            if (e.value.type != PropType::String) {
                result = kErrBadPropType;
            }
            continue;
        }
        if (e.num == kPropTextClass || e.num == kPropLocked) {
            if (IsNumber(e.value.type)) {
                (e.num == kPropTextClass ? p->textClass : p->locked) = e.value.ival;
            } else {
                result = kErrBadPropType;
            }
            continue;
        }
        const std::int32_t err = SetPgfSetting(s, e.num, e.value);
        if (err != kOk) {
            result = err;
        }
    }
    if (created) {
        d->pgfFormats[format].settings = s;
    }
    p->format = format;
    if (s == d->pgfFormats[format].settings) {
        p->override = -1;
    } else if (p->override >= 0) {
        d->overrides[static_cast<std::size_t>(p->override)] = s;
    } else {
        d->overrides.push_back(s);
        p->override = static_cast<std::int32_t>(d->overrides.size() - 1);
    }
    return result;
}

// --- Text

std::int32_t Session::CheckLoc(Document& d, const TextLoc& loc, TextBody** body,
                               std::int32_t* offset) {
    *body = d.FindText(loc.obj);
    if (*body == nullptr) {
        return DocumentOf(loc.obj) != nullptr || KindOf(loc.obj) == kKindNone ? kErrBadValue
                                                                              : kErrBadObject;
    }
    return CheckOffset(**body, loc.offset, offset);
}

std::int32_t Session::CheckOffset(const TextBody& body, std::int32_t given, std::int32_t* offset) {
    const std::int32_t size = body.size();
    *offset = given == kTextOffsetEnd ? size : given;
    return *offset < 0 || *offset > size ? kErrBadValue : kOk;
}

std::int32_t Session::GetText(ObjectId doc, const TextRange& range, std::int32_t flags,
                              std::vector<TextPiece>* out) {
    out->clear();
    Document* d = FindDocument(doc);
    if (d == nullptr) {
        return kErrBadDocument;
    }
    if (range.begin.obj != range.end.obj) {
        return kErrBadValue;
    }
    TextBody* body = nullptr;
    std::int32_t b = 0, e = 0;
    if (const std::int32_t err = CheckLoc(*d, range.begin, &body, &b); err != kOk) {
        return err;
    }
    // Both ends lie in the one text object found for the first.
    if (const std::int32_t err = CheckOffset(*body, range.end.offset, &e); err != kOk) {
        return err;
    }
    if (b > e) {
        return kErrBadValue;
    }
    const std::int32_t size = body->size();
    const std::string_view text = body->text();
    for (const Segment& s : body->segs()) {
        if (s.type == SegType::Run) {
            const std::int32_t from = std::max(s.offset, b);
            const std::int32_t to = std::min(s.offset + s.length, e);
            if ((flags & kItemString) != 0 && from < to) {
                out->push_back({from, kItemString,
                                text.substr(static_cast<std::size_t>(from),
                                            static_cast<std::size_t>(to - from)),
                                0});
            }
            continue;
        }
        std::int32_t type = 0;
        switch (s.type) {
        case SegType::TableAnchor:
            type = kItemTableAnchor;
            break;
        case SegType::FootnoteAnchor:
            type = kItemFootnoteAnchor;
            break;
        case SegType::FrameAnchor:
            type = kItemFrameAnchor;
            break;
        case SegType::Marker:
            type = kItemMarker;
            break;
        case SegType::Variable:
            type = kItemVariable;
            break;
        case SegType::XRef:
            type = kItemXRef;
            break;
        case SegType::Run:
            break;
        }
        if ((flags & type) != 0 && s.offset >= b && (s.offset < e || e == size)) {
            out->push_back({s.offset, type, {}, s.value});
        }
    }
    if ((flags & kItemParagraphEnd) != 0 && e == size &&
        KindOf(range.begin.obj) == kKindParagraph) {
        out->push_back({size, kItemParagraphEnd, {}, 0});
    }
    return kOk;
}

std::int32_t Session::AddText(ObjectId doc, const TextLoc& where, std::string_view bytes,
                              TextLoc* after) {
    const TextLoc loc = where; // after may be the same record as where
    *after = {0, 0};
    Document* d = FindDocument(doc);
    if (d == nullptr) {
        return kErrBadDocument;
    }
    TextBody* body = nullptr;
    std::int32_t offset = 0;
    if (const std::int32_t err = CheckLoc(*d, loc, &body, &offset); err != kOk) {
        return err;
    }
    // A text line is one line: it cannot be split into paragraphs.
    if (KindOf(loc.obj) == kKindTextLine && bytes.find('\n') != std::string_view::npos) {
        return kErrBadValue;
    }
    if (bytes.size() > 0x10000000u) {
        return kErrBadValue;
    }
    *after = d->InsertText(loc.obj, offset, bytes);
    return kOk;
}

// --- Named objects, tables, documents

std::int32_t Session::GetNamedObject(ObjectId doc, std::int32_t type, std::string_view name,
                                     ObjectId* out) {
    *out = 0;
    if (type == kNamedMenu || type == kNamedSeparator) {
        return kErrNameNotFound; // menus are not modelled yet
    }
    if (type != kNamedPgfFormat) {
        return kErrBadValue;
    }
    Document* d = FindDocument(doc);
    if (d == nullptr) {
        return kErrBadDocument;
    }
    const std::int32_t i = d->FindPgfFormatIndex(name);
    if (i < 0) {
        return kErrNameNotFound;
    }
    *out = d->pgfFormats[static_cast<std::size_t>(i)].id;
    return kOk;
}

std::int32_t Session::NewTable(ObjectId doc, std::string_view format, std::int32_t columns,
                               std::int32_t body, std::int32_t heading, std::int32_t footing,
                               const TextLoc& loc, ObjectId* out) {
    *out = 0;
    Document* d = FindDocument(doc);
    if (d == nullptr) {
        return kErrBadDocument;
    }
    constexpr std::int32_t kMaxColumns = 1024;
    constexpr std::int32_t kMaxRows = 100000;
    if (columns < 1 || columns > kMaxColumns || body < 1 || body > kMaxRows || heading < 0 ||
        heading > kMaxRows || footing < 0 || footing > kMaxRows) {
        return kErrBadValue;
    }
    const std::int32_t f = d->FindTableFormatIndex(format);
    if (f < 0) {
        return kErrNameNotFound;
    }
    TextBody* text = nullptr;
    std::int32_t offset = 0;
    if (const std::int32_t err = CheckLoc(*d, loc, &text, &offset); err != kOk) {
        return err;
    }
    if (KindOf(loc.obj) != kKindParagraph) {
        return kErrBadValue;
    }
    *out = d->NewTable(static_cast<std::uint32_t>(f), columns, body, heading, footing,
                       {loc.obj, offset});
    return kOk;
}

std::int32_t Session::AddRows(ObjectId doc, ObjectId row, std::int32_t position,
                              std::int32_t count) {
    Document* d = FindDocument(doc);
    if (d == nullptr) {
        return kErrBadDocument;
    }
    if (d->FindRow(row) == nullptr) {
        return kErrBadObject;
    }
    if (position != kAddRowsBelow) {
        return kErrBadValue;
    }
    return d->AddRowsBelow(row, count);
}

std::int32_t Session::CustomDoc(const CustomDocParams& p, ObjectId* out) {
    *out = 0;
    const std::int64_t textWidth = std::int64_t{p.width} - p.inside - p.outside;
    const std::int64_t textHeight = std::int64_t{p.height} - p.top - p.bottom;
    if (p.width <= 0 || p.height <= 0 || p.columns < 1 || p.columns > 10 || p.gap < 0 ||
        p.top < 0 || p.bottom < 0 || p.inside < 0 || p.outside < 0 || textWidth <= 0 ||
        textHeight <= 0 || textWidth - std::int64_t{p.gap} * (p.columns - 1) <= 0) {
        return kErrBadValue;
    }
    Document& d = NewDocument();
    d.pageWidth = p.width;
    d.pageHeight = p.height;
    d.shown = p.visible != 0 ? 1 : 0;
    d.AddDefaultFormats();
    const ObjectId frame = d.AddBodyPageWithFrame(
        {p.inside, p.top, static_cast<Metric>(textWidth), static_cast<Metric>(textHeight)});
    d.mainFlow = d.AddFlow("A");
    const ObjectId para = d.AppendParagraph(d.mainFlow, 0, frame);
    d.LinkFlowFrames(d.mainFlow);
    d.selection = {{para, 0}, {para, 0}};
    *out = d.id();
    return kOk;
}

std::int32_t Session::Close(ObjectId doc, std::int32_t /*flags*/) {
    if (Document* d = FindDocument(doc)) {
        ReleaseObjects(ids_, *d);
        openDocs_.erase(std::remove(openDocs_.begin(), openDocs_.end(), doc), openDocs_.end());
        if (activeDocument == doc) {
            activeDocument = 0;
        }
        std::unique_ptr<Document> gone = std::move(docs_[SerialOf(doc) - 1]);
        if (readAhead) {
            readAhead->Dispose(std::move(gone));
        }
        ForgetLocated();
        return kOk;
    }
    if (Book* b = FindBook(doc)) {
        if (readAhead) {
            readAhead->BookClosed(doc);
        }
        for (const Component& c : b->components) {
            ids_.Release(c.id);
        }
        openBooks_.erase(std::remove(openBooks_.begin(), openBooks_.end(), doc), openBooks_.end());
        if (activeBook == doc) {
            activeBook = 0;
        }
        books_[SerialOf(doc) - 1].reset();
        ForgetLocated();
        return kOk;
    }
    return kErrBadDocument;
}

std::int32_t Session::Redisplay(ObjectId doc) {
    if (FindDocument(doc) == nullptr) {
        return kErrBadDocument;
    }
    Record(EventType::Redisplay, doc, 0);
    return kOk;
}

} // namespace lxhost
