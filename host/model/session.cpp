// The session: ids, open documents and books, and the host operations over them.
#include "host/model/model.h"

#include <algorithm>
#include <stdexcept>

namespace lxhost {

namespace {

bool IsNumber(PropType t) {
    return t == PropType::Int || t == PropType::Metric;
}

// Reads one paragraph format setting; false when prop is none of them.
bool GetSetting(const PgfSettings& s, std::int32_t prop, PropValue* out) {
    switch (prop) {
    case kPropFontFamily:
        *out = PropValue::String(s.fontFamily);
        return true;
    case kPropFontSize:
        *out = PropValue::OfMetric(s.fontSize);
        return true;
    case kPropFontWeight:
        *out = PropValue::Int(s.fontWeight);
        return true;
    case kPropFontAngle:
        *out = PropValue::Int(s.fontAngle);
        return true;
    case kPropLeftIndent:
        *out = PropValue::OfMetric(s.leftIndent);
        return true;
    case kPropFirstIndent:
        *out = PropValue::OfMetric(s.firstIndent);
        return true;
    case kPropRightIndent:
        *out = PropValue::OfMetric(s.rightIndent);
        return true;
    case kPropSpaceBefore:
        *out = PropValue::OfMetric(s.spaceBefore);
        return true;
    case kPropSpaceAfter:
        *out = PropValue::OfMetric(s.spaceAfter);
        return true;
    case kPropLeading:
        *out = PropValue::OfMetric(s.leading);
        return true;
    case kPropAlignment:
        *out = PropValue::Int(s.alignment);
        return true;
    case kPropAutoNumber:
        *out = PropValue::Int(s.autoNumber);
        return true;
    case kPropNumberFormat:
        *out = PropValue::String(s.numberFormat);
        return true;
    default:
        return false;
    }
}

constexpr std::int32_t kSettingProps[] = {
    kPropFontFamily,  kPropFontSize,    kPropFontWeight,  kPropFontAngle,  kPropLeftIndent,
    kPropFirstIndent, kPropRightIndent, kPropSpaceBefore, kPropSpaceAfter, kPropLeading,
    kPropAlignment,   kPropAutoNumber,  kPropNumberFormat};

// Writes one setting: kOk, kErrBadProperty (not a setting) or kErrBadPropType.
std::int32_t SetSetting(PgfSettings& s, std::int32_t prop, const PropValue& v) {
    std::string* str = nullptr;
    std::int32_t* num = nullptr;
    switch (prop) {
    case kPropFontFamily:
        str = &s.fontFamily;
        break;
    case kPropNumberFormat:
        str = &s.numberFormat;
        break;
    case kPropFontSize:
        num = &s.fontSize;
        break;
    case kPropFontWeight:
        num = &s.fontWeight;
        break;
    case kPropFontAngle:
        num = &s.fontAngle;
        break;
    case kPropLeftIndent:
        num = &s.leftIndent;
        break;
    case kPropFirstIndent:
        num = &s.firstIndent;
        break;
    case kPropRightIndent:
        num = &s.rightIndent;
        break;
    case kPropSpaceBefore:
        num = &s.spaceBefore;
        break;
    case kPropSpaceAfter:
        num = &s.spaceAfter;
        break;
    case kPropLeading:
        num = &s.leading;
        break;
    case kPropAlignment:
        num = &s.alignment;
        break;
    case kPropAutoNumber:
        num = &s.autoNumber;
        break;
    default:
        return kErrBadProperty;
    }
    if (str != nullptr) {
        if (v.type != PropType::String) {
            return kErrBadPropType;
        }
        *str = v.sval;
        return kOk;
    }
    if (!IsNumber(v.type)) {
        return kErrBadPropType;
    }
    *num = v.ival;
    return kOk;
}

template <typename T> ObjectId NextIn(const std::vector<T>& v, std::uint32_t index) {
    return index + 1 < v.size() ? v[index + 1].id : 0;
}

bool IsDocumentKind(Kind k) {
    return k >= kKindFlow && k <= kKindTableFormat && k != 0x13;
}

} // namespace

// --- Books

Component* Book::FindComponent(ObjectId id) {
    std::uint32_t owner = 0, index = 0;
    if (KindOf(id) != kKindComponent || !session_->Locate(id, &owner, &index) ||
        owner != SerialOf(id_) || index >= components.size()) {
        return nullptr;
    }
    return &components[index];
}

ObjectId Book::AddComponent(ObjectId parent, std::int32_t kind, std::string pathOrName,
                            std::int32_t excluded) {
    Component c;
    c.id = session_->Register(kKindComponent, SerialOf(id_),
                              static_cast<std::uint32_t>(components.size()));
    c.kind = kind;
    c.parent = parent;
    c.excluded = excluded;
    if (kind == kComponentFile) {
        c.path = std::move(pathOrName);
    } else {
        c.name = std::move(pathOrName);
    }
    ObjectId* first = &firstComponent;
    ObjectId* last = &lastComponent;
    if (parent != 0) {
        Component* p = FindComponent(parent);
        if (p == nullptr) {
            throw std::invalid_argument("AddComponent: unknown parent");
        }
        first = &p->firstChild;
        last = &p->lastChild;
    }
    const ObjectId id = c.id;
    const ObjectId prevLast = *last;
    components.push_back(std::move(c));
    // Pointers into components are stale after the push; find the ends again.
    if (parent != 0) {
        Component* p = FindComponent(parent);
        first = &p->firstChild;
        last = &p->lastChild;
    } else {
        first = &firstComponent;
        last = &lastComponent;
    }
    if (prevLast != 0) {
        FindComponent(prevLast)->next = id;
    } else {
        *first = id;
    }
    *last = id;
    return id;
}

// --- Session: ids and documents

Session::Session() = default;
Session::~Session() = default;

ObjectId Session::Register(Kind kind, std::uint32_t owner, std::uint32_t index) {
    auto& table = slots_[kind];
    if (table.size() >= 0xFFFFFFu) {
        throw std::length_error("the host ran out of object ids");
    }
    table.push_back({owner, index});
    return MakeId(kind, static_cast<std::uint32_t>(table.size()));
}

bool Session::Locate(ObjectId id, std::uint32_t* owner, std::uint32_t* index) const {
    const Kind kind = KindOf(id);
    const std::uint32_t serial = SerialOf(id);
    if (kind >= kKindCount || serial == 0 || serial > slots_[kind].size()) {
        return false;
    }
    const Slot& s = slots_[kind][serial - 1];
    *owner = s.owner;
    *index = s.index;
    switch (kind) {
    case kKindDocument:
        return docs_[serial - 1] != nullptr;
    case kKindBook:
        return books_[serial - 1] != nullptr;
    case kKindComponent:
        return s.owner != 0 && books_[s.owner - 1] != nullptr;
    default:
        if (IsDocumentKind(kind)) {
            return s.owner != 0 && docs_[s.owner - 1] != nullptr;
        }
        return true; // application-level objects (menus) have no owner
    }
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

void Session::Record(EventType type, ObjectId object, std::int32_t value, std::string text) {
    events.push_back({type, object, value, std::move(text)});
    if (onEvent) {
        onEvent(events.back());
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

// --- Property reads

std::int32_t Session::GetAppProp(std::int32_t prop, PropValue* out) {
    switch (prop) {
    case kPropActiveDoc:
        *out = PropValue::Id(FindDocument(activeDocument) ? activeDocument : 0);
        return kOk;
    case kPropActiveBook:
        *out = PropValue::Id(FindBook(activeBook) ? activeBook : 0);
        return kOk;
    case kPropFirstOpenDoc:
        *out = PropValue::Id(openDocs_.empty() ? 0 : openDocs_.front());
        return kOk;
    case kPropInstallDir:
        *out = PropValue::String(installDir);
        return kOk;
    case kPropDisplayUpdating:
        *out = PropValue::Int(displayUpdating);
        return kOk;
    default:
        return kErrBadProperty;
    }
}

std::int32_t Session::GetBookProp(Book& b, ObjectId obj, std::int32_t prop, PropValue* out) {
    if (KindOf(obj) == kKindBook) {
        switch (prop) {
        case kPropPath:
            *out = PropValue::String(b.path);
            return kOk;
        case kPropFirstComponent:
            *out = PropValue::Id(b.firstComponent);
            return kOk;
        case kPropStatusText:
            *out = PropValue::String(b.statusText);
            return kOk;
        default:
            return kErrBadProperty;
        }
    }
    Component* c = b.FindComponent(obj);
    if (c == nullptr) {
        return kErrBadObject;
    }
    switch (prop) {
    case kPropComponentKind:
        *out = PropValue::Int(c->kind);
        return kOk;
    case kPropFirstChild:
        *out = PropValue::Id(c->firstChild);
        return kOk;
    case kPropNextComponent:
        *out = PropValue::Id(c->next);
        return kOk;
    case kPropParentComponent:
        *out = PropValue::Id(c->parent);
        return kOk;
    case kPropExcluded:
        *out = PropValue::Int(c->excluded);
        return kOk;
    case kPropPath:
        *out = PropValue::String(c->path);
        return kOk;
    case kPropName:
        *out = PropValue::String(c->name);
        return kOk;
    default:
        return kErrBadProperty;
    }
}

std::int32_t Session::GetDocProp(Document& d, ObjectId obj, std::int32_t prop, PropValue* out) {
    std::uint32_t owner = 0, index = 0;
    const Kind kind = KindOf(obj);
    if (kind != kKindDocument) {
        Locate(obj, &owner, &index);
    }
    switch (kind) {
    case kKindDocument:
        switch (prop) {
        case kPropPath:
            *out = PropValue::String(d.path);
            return kOk;
        case kPropNextOpenDoc: {
            auto it = std::find(openDocs_.begin(), openDocs_.end(), d.id());
            *out =
                PropValue::Id(it != openDocs_.end() && it + 1 != openDocs_.end() ? *(it + 1) : 0);
            return kOk;
        }
        case kPropShown:
            *out = PropValue::Int(d.shown);
            return kOk;
        case kPropFirstFlow:
            *out = PropValue::Id(d.flows.empty() ? 0 : d.flows.front().id);
            return kOk;
        case kPropMainFlow:
            *out = PropValue::Id(d.mainFlow);
            return kOk;
        case kPropFirstGraphic:
            *out = PropValue::Id(d.graphics.empty() ? 0 : d.graphics.front().id);
            return kOk;
        case kPropFirstFootnote:
            *out = PropValue::Id(d.footnotes.empty() ? 0 : d.footnotes.front().id);
            return kOk;
        case kPropFirstTable:
            *out = PropValue::Id(d.tables.empty() ? 0 : d.tables.front().id);
            return kOk;
        case kPropSelection:
            return kErrBadPropType;
        default:
            return kErrBadProperty;
        }
    case kKindFlow: {
        const Flow& f = d.flows[index];
        switch (prop) {
        case kPropFlowNext:
            *out = PropValue::Id(NextIn(d.flows, index));
            return kOk;
        case kPropFirstTextFrame:
            *out = PropValue::Id(f.frames.empty() ? 0 : f.frames.front());
            return kOk;
        case kPropLastTextFrame:
            *out = PropValue::Id(f.frames.empty() ? 0 : f.frames.back());
            return kOk;
        case kPropFirstParagraph:
            *out = PropValue::Id(f.firstPara);
            return kOk;
        case kPropName:
            *out = PropValue::String(f.tag);
            return kOk;
        default:
            return kErrBadProperty;
        }
    }
    case kKindBodyPage:
    case kKindMasterPage:
    case kKindReferencePage:
    case kKindHiddenPage:
        switch (prop) {
        case kPropParent:
        case kPropPage:
            *out = PropValue::Id(0);
            return kOk;
        case kPropName:
            *out = PropValue::String(d.pages[index].name);
            return kOk;
        default:
            return kErrBadProperty;
        }
    case kKindTextFrame:
    case kKindGraphicFrame:
    case kKindTextLine:
    case kKindGraphic: {
        const Graphic& g = d.graphics[index];
        switch (prop) {
        case kPropNextGraphic:
            *out = PropValue::Id(NextIn(d.graphics, index));
            return kOk;
        case kPropParent:
            *out = PropValue::Id(d.ParentOf(obj));
            return kOk;
        case kPropPage:
            *out = PropValue::Id(d.PageOf(obj));
            return kOk;
        default:
            break;
        }
        if (kind == kKindTextFrame && prop == kPropFirstParagraph) {
            *out = PropValue::Id(g.firstPara);
            return kOk;
        }
        if (kind == kKindTextFrame && prop == kPropLastParagraph) {
            *out = PropValue::Id(g.lastPara);
            return kOk;
        }
        return kErrBadProperty;
    }
    case kKindParagraph: {
        const Paragraph& p = d.paras[index];
        switch (prop) {
        case kPropNextParagraph:
            *out = PropValue::Id(p.next);
            return kOk;
        case kPropTextClass:
            *out = PropValue::Int(p.textClass);
            return kOk;
        case kPropLocked:
            *out = PropValue::Int(p.locked);
            return kOk;
        case kPropCell:
            *out = PropValue::Id(KindOf(p.owner) == kKindCell ? p.owner : 0);
            return kOk;
        case kPropTextFrame:
            *out = PropValue::Id(d.FrameOfParagraph(obj));
            return kOk;
        case kPropName:
            *out = PropValue::String(d.FormatNameOf(p));
            return kOk;
        default:
            return GetSetting(d.SettingsOf(p), prop, out) ? kOk : kErrBadProperty;
        }
    }
    case kKindFootnote: {
        const Footnote& f = d.footnotes[index];
        switch (prop) {
        case kPropNextFootnote:
            *out = PropValue::Id(NextIn(d.footnotes, index));
            return kOk;
        case kPropFirstParagraph:
            *out = PropValue::Id(f.firstPara);
            return kOk;
        case kPropAnchor:
            return kErrBadPropType;
        default:
            return kErrBadProperty;
        }
    }
    case kKindTable: {
        const Table& t = d.tables[index];
        switch (prop) {
        case kPropNextTable:
            *out = PropValue::Id(NextIn(d.tables, index));
            return kOk;
        case kPropFirstParagraph:
            *out = PropValue::Id(t.titleFirst);
            return kOk;
        case kPropFirstRow:
            *out = PropValue::Id(t.firstRow);
            return kOk;
        case kPropLastRow:
            *out = PropValue::Id(t.lastRow);
            return kOk;
        case kPropTableOption:
            *out = PropValue::Int(t.option1289);
            return kOk;
        case kPropColumnWidths:
            out->type = PropType::Metrics;
            out->list.assign(t.widths.begin(), t.widths.end());
            return kOk;
        case kPropName:
            *out = PropValue::String(
                t.format < d.tableFormats.size() ? d.tableFormats[t.format].name : std::string());
            return kOk;
        case kPropAnchor:
            return kErrBadPropType;
        default:
            return kErrBadProperty;
        }
    }
    case kKindRow: {
        const Row& r = d.rows[index];
        switch (prop) {
        case kPropNextRow:
            *out = PropValue::Id(r.next);
            return kOk;
        case kPropFirstCell:
            *out = PropValue::Id(r.cellCount > 0 ? d.cells[r.firstCell].id : 0);
            return kOk;
        default:
            return kErrBadProperty;
        }
    }
    case kKindCell: {
        const Cell& c = d.cells[index];
        switch (prop) {
        case kPropNextCell: {
            const Row* r = d.FindRow(c.row);
            const bool last =
                r == nullptr || static_cast<std::uint32_t>(c.column) + 1 >= r->cellCount;
            *out = PropValue::Id(last ? 0 : d.cells[index + 1].id);
            return kOk;
        }
        case kPropColumn:
            *out = PropValue::Int(c.column);
            return kOk;
        case kPropCellShown:
            *out = PropValue::Int(c.shown);
            return kOk;
        case kPropFirstParagraph:
            *out = PropValue::Id(c.firstPara);
            return kOk;
        default:
            return kErrBadProperty;
        }
    }
    case kKindPgfFormat: {
        const PgfFormat& f = d.pgfFormats[index];
        if (prop == kPropName) {
            *out = PropValue::String(f.name);
            return kOk;
        }
        return GetSetting(f.settings, prop, out) ? kOk : kErrBadProperty;
    }
    case kKindTableFormat:
        if (prop == kPropName) {
            *out = PropValue::String(d.tableFormats[index].name);
            return kOk;
        }
        return kErrBadProperty;
    default:
        return kErrBadObject;
    }
}

std::int32_t Session::GetProp(ObjectId doc, ObjectId obj, std::int32_t prop, PropValue* out) {
    if (obj == 0) {
        return doc == 0 ? GetAppProp(prop, out) : kErrBadObject;
    }
    Document* d = nullptr;
    Book* b = nullptr;
    if (const std::int32_t err = CheckDocArg(doc, obj, &d, &b); err != kOk) {
        return err;
    }
    return d != nullptr ? GetDocProp(*d, obj, prop, out) : GetBookProp(*b, obj, prop, out);
}

// --- Property writes

std::int32_t Session::SetDocProp(Document& d, ObjectId obj, std::int32_t prop, const PropValue& v) {
    std::uint32_t owner = 0, index = 0;
    const Kind kind = KindOf(obj);
    if (kind != kKindDocument) {
        Locate(obj, &owner, &index);
    }
    switch (kind) {
    case kKindDocument:
        if (prop == kPropShown) {
            if (!IsNumber(v.type)) {
                return kErrBadPropType;
            }
            d.shown = v.ival;
            Record(EventType::Shown, d.id(), v.ival);
            return kOk;
        }
        break;
    case kKindParagraph: {
        Paragraph& p = d.paras[index];
        if (prop == kPropTextClass || prop == kPropLocked) {
            if (!IsNumber(v.type)) {
                return kErrBadPropType;
            }
            (prop == kPropTextClass ? p.textClass : p.locked) = v.ival;
            return kOk;
        }
        if (prop == kPropName) {
            if (v.type != PropType::String) {
                return kErrBadPropType;
            }
            const std::int32_t f = d.FindPgfFormatIndex(v.sval);
            if (f < 0) {
                return kErrNameNotFound;
            }
            p.format = static_cast<std::uint32_t>(f);
            p.override = -1;
            return kOk;
        }
        PgfSettings s = d.SettingsOf(p);
        if (const std::int32_t err = SetSetting(s, prop, v); err != kErrBadProperty) {
            if (err == kOk) {
                if (s == d.pgfFormats[p.format].settings) {
                    p.override = -1;
                } else if (p.override >= 0) {
                    d.overrides[static_cast<std::size_t>(p.override)] = s;
                } else {
                    d.overrides.push_back(s);
                    p.override = static_cast<std::int32_t>(d.overrides.size() - 1);
                }
            }
            return err;
        }
        break;
    }
    case kKindTable: {
        Table& t = d.tables[index];
        if (prop == kPropTableOption) {
            if (!IsNumber(v.type)) {
                return kErrBadPropType;
            }
            t.option1289 = v.ival;
            return kOk;
        }
        if (prop == kPropColumnWidths) {
            if (v.type != PropType::Metrics) {
                return kErrBadPropType;
            }
            if (v.list.size() != static_cast<std::size_t>(t.columns)) {
                return kErrBadValue;
            }
            t.widths.assign(v.list.begin(), v.list.end());
            return kOk;
        }
        break;
    }
    case kKindPgfFormat: {
        PgfFormat& f = d.pgfFormats[index];
        if (prop == kPropName) {
            if (v.type != PropType::String) {
                return kErrBadPropType;
            }
            const std::int32_t other = d.FindPgfFormatIndex(v.sval);
            if (other >= 0 && static_cast<std::uint32_t>(other) != index) {
                return kErrBadValue;
            }
            f.name = v.sval;
            return kOk;
        }
        if (const std::int32_t err = SetSetting(f.settings, prop, v); err != kErrBadProperty) {
            return err;
        }
        break;
    }
    default:
        break;
    }
    PropValue current;
    return GetDocProp(d, obj, prop, &current) == kOk ? kErrReadOnly : kErrBadProperty;
}

std::int32_t Session::SetProp(ObjectId doc, ObjectId obj, std::int32_t prop, const PropValue& v) {
    if (obj == 0) {
        if (doc != 0) {
            return kErrBadObject;
        }
        if (prop == kPropDisplayUpdating) {
            if (!IsNumber(v.type)) {
                return kErrBadPropType;
            }
            displayUpdating = v.ival;
            Record(EventType::DisplayUpdating, 0, v.ival);
            return kOk;
        }
        PropValue current;
        return GetAppProp(prop, &current) == kOk ? kErrReadOnly : kErrBadProperty;
    }
    Document* d = nullptr;
    Book* b = nullptr;
    if (const std::int32_t err = CheckDocArg(doc, obj, &d, &b); err != kOk) {
        return err;
    }
    if (d != nullptr) {
        return SetDocProp(*d, obj, prop, v);
    }
    if (KindOf(obj) == kKindBook && prop == kPropStatusText) {
        if (v.type != PropType::String) {
            return kErrBadPropType;
        }
        b->statusText = v.sval;
        Record(EventType::StatusText, b->id(), 0, v.sval);
        return kOk;
    }
    if (KindOf(obj) == kKindComponent && prop == kPropExcluded) {
        if (!IsNumber(v.type)) {
            return kErrBadPropType;
        }
        b->FindComponent(obj)->excluded = v.ival;
        return kOk;
    }
    PropValue current;
    return GetBookProp(*b, obj, prop, &current) == kOk ? kErrReadOnly : kErrBadProperty;
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
            for (const Segment& s : p->body.segs) {
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
    out->reserve(1 + std::size(kSettingProps));
    out->push_back({kPropName, PropValue::String(name)});
    for (std::int32_t prop : kSettingProps) {
        PropEntry e{prop, {}};
        GetSetting(*s, prop, &e.value);
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
            const std::int32_t err = SetDocProp(*d, id, e.num, e.value);
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
        const std::int32_t err = SetSetting(s, e.num, e.value);
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
    const std::int32_t size = (*body)->size();
    *offset = loc.offset == kTextOffsetEnd ? size : loc.offset;
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
    if (const std::int32_t err = CheckLoc(*d, range.end, &body, &e); err != kOk) {
        return err;
    }
    if (b > e) {
        return kErrBadValue;
    }
    const std::int32_t size = body->size();
    const std::string_view text(body->text);
    for (const Segment& s : body->segs) {
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
        (void)d;
        openDocs_.erase(std::remove(openDocs_.begin(), openDocs_.end(), doc), openDocs_.end());
        if (activeDocument == doc) {
            activeDocument = 0;
        }
        docs_[SerialOf(doc) - 1].reset();
        return kOk;
    }
    if (FindBook(doc) != nullptr) {
        openBooks_.erase(std::remove(openBooks_.begin(), openBooks_.end(), doc), openBooks_.end());
        if (activeBook == doc) {
            activeBook = 0;
        }
        books_[SerialOf(doc) - 1].reset();
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
