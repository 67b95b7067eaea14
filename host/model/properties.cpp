// The property tables: a row per property of each kind of object, with its getter and setter.
#include "host/model/properties.h"

#include <algorithm>
#include <array>
#include <limits>
#include <span>
#include <type_traits>

namespace lxhost {

namespace {

// --- Rows and their lookup

// A property of one kind of object. The getter and setter are given the property id, so that one
// function can serve several rows (the paragraph format settings). No setter: read-only.
template <typename Target> struct PropRow {
    std::int32_t prop;
    std::int32_t (*get)(const Target& t, std::int32_t prop, PropValue* out);
    std::int32_t (*set)(const Target& t, std::int32_t prop, const PropValue& v) = nullptr;
};

template <typename Target>
std::int32_t GetFrom(std::span<const PropRow<Target>> rows, const Target& t, std::int32_t prop,
                     PropValue* out) {
    for (const PropRow<Target>& row : rows) {
        if (row.prop == prop) {
            return row.get(t, prop, out);
        }
    }
    return kErrBadProperty;
}

// A property without a setter is read-only when it can be read, otherwise unknown.
template <typename Target>
std::int32_t SetIn(std::span<const PropRow<Target>> rows, const Target& t, std::int32_t prop,
                   const PropValue& v) {
    for (const PropRow<Target>& row : rows) {
        if (row.prop != prop) {
            continue;
        }
        if (row.set != nullptr) {
            return row.set(t, prop, v);
        }
        PropValue current;
        return row.get(t, prop, &current) == kOk ? kErrReadOnly : kErrBadProperty;
    }
    return kErrBadProperty;
}

// Some properties are read through other operations (a selection by GetTextRange, an anchor by
// GetTextLoc): as plain properties they have the wrong type.
template <typename Target> std::int32_t WrongType(const Target&, std::int32_t, PropValue*) {
    return kErrBadPropType;
}

template <typename T> ObjectId NextIn(const std::vector<T>& v, std::uint32_t index) {
    return index + 1 < v.size() ? v[index + 1].id : 0;
}

template <typename T> ObjectId FirstIn(const std::vector<T>& v) {
    return v.empty() ? 0 : v.front().id;
}

// --- Paragraph format settings

struct SettingField {
    std::int32_t prop;
    PropType type;
    std::string PgfSettings::*text = nullptr;    // String
    std::int32_t PgfSettings::*number = nullptr; // Int and Metric
};

constexpr SettingField kSettingFields[] = {
    {kPropFontFamily, PropType::String, &PgfSettings::fontFamily},
    {kPropFontSize, PropType::Metric, nullptr, &PgfSettings::fontSize},
    {kPropFontWeight, PropType::Int, nullptr, &PgfSettings::fontWeight},
    {kPropFontAngle, PropType::Int, nullptr, &PgfSettings::fontAngle},
    {kPropLeftIndent, PropType::Metric, nullptr, &PgfSettings::leftIndent},
    {kPropFirstIndent, PropType::Metric, nullptr, &PgfSettings::firstIndent},
    {kPropRightIndent, PropType::Metric, nullptr, &PgfSettings::rightIndent},
    {kPropSpaceBefore, PropType::Metric, nullptr, &PgfSettings::spaceBefore},
    {kPropSpaceAfter, PropType::Metric, nullptr, &PgfSettings::spaceAfter},
    {kPropLeading, PropType::Metric, nullptr, &PgfSettings::leading},
    {kPropAlignment, PropType::Int, nullptr, &PgfSettings::alignment},
    {kPropAutoNumber, PropType::Int, nullptr, &PgfSettings::autoNumber},
    {kPropNumberFormat, PropType::String, &PgfSettings::numberFormat},
};
static_assert(std::size(kSettingFields) == std::size(kPgfSettingProps));

const SettingField* FindSetting(std::int32_t prop) {
    for (const SettingField& f : kSettingFields) {
        if (f.prop == prop) {
            return &f;
        }
    }
    return nullptr;
}

// Appends a row per setting, with the given getter and setter, to a kind's own rows.
template <typename Target, std::size_t N>
constexpr auto WithSettings(const std::array<PropRow<Target>, N>& own,
                            std::int32_t (*get)(const Target&, std::int32_t, PropValue*),
                            std::int32_t (*set)(const Target&, std::int32_t, const PropValue&)) {
    std::array<PropRow<Target>, N + std::size(kSettingFields)> rows{};
    std::size_t i = 0;
    for (const PropRow<Target>& row : own) {
        rows[i++] = row;
    }
    for (const SettingField& f : kSettingFields) {
        rows[i++] = {f.prop, get, set};
    }
    return rows;
}

// --- The application

struct App {
    Session& session;
};
using AppRow = PropRow<App>;

constexpr AppRow kAppProps[] = {
    {kPropActiveDoc,
     [](const App& a, std::int32_t, PropValue* out) -> std::int32_t {
         const ObjectId doc = a.session.activeDocument;
         *out = PropValue::Id(a.session.FindDocument(doc) ? doc : 0);
         return kOk;
     }},
    {kPropActiveBook,
     [](const App& a, std::int32_t, PropValue* out) -> std::int32_t {
         const ObjectId book = a.session.activeBook;
         *out = PropValue::Id(a.session.FindBook(book) ? book : 0);
         return kOk;
     }},
    {kPropFirstOpenDoc,
     [](const App& a, std::int32_t, PropValue* out) -> std::int32_t {
         const std::vector<ObjectId>& open = a.session.openDocuments();
         *out = PropValue::Id(open.empty() ? 0 : open.front());
         return kOk;
     }},
    {kPropInstallDir,
     [](const App& a, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::String(a.session.installDir);
         return kOk;
     }},
    // Display updating is recorded, so that tests can check that it is turned off and on again.
    {kPropDisplayUpdating,
     [](const App& a, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Int(a.session.displayUpdating);
         return kOk;
     },
     [](const App& a, std::int32_t, const PropValue& v) -> std::int32_t {
         if (!IsNumber(v.type)) {
             return kErrBadPropType;
         }
         a.session.displayUpdating = v.ival;
         a.session.Record(EventType::DisplayUpdating, 0, v.ival);
         return kOk;
     }},
};

// --- Objects of a document

// An object of a document: the document, and the object's index in its vector (0 for the
// document itself).
struct DocObject {
    Session& session;
    Document& d;
    ObjectId obj;
    std::uint32_t index;
};
using DocRow = PropRow<DocObject>;

// Getters of a field of the object (Of: an element of the document's vector Objects) or of the
// document itself.
template <auto Objects, auto Field>
std::int32_t IdOf(const DocObject& o, std::int32_t, PropValue* out) {
    *out = PropValue::Id((o.d.*Objects)[o.index].*Field);
    return kOk;
}
template <auto Objects, auto Field>
std::int32_t IntOf(const DocObject& o, std::int32_t, PropValue* out) {
    *out = PropValue::Int((o.d.*Objects)[o.index].*Field);
    return kOk;
}
template <auto Objects, auto Field>
std::int32_t StringOf(const DocObject& o, std::int32_t, PropValue* out) {
    *out = PropValue::String((o.d.*Objects)[o.index].*Field);
    return kOk;
}
// The next object of the document's vector, in document order.
template <auto Objects> std::int32_t NextOf(const DocObject& o, std::int32_t, PropValue* out) {
    *out = PropValue::Id(NextIn(o.d.*Objects, o.index));
    return kOk;
}
// The document's first object of a vector.
template <auto Objects> std::int32_t FirstOf(const DocObject& o, std::int32_t, PropValue* out) {
    *out = PropValue::Id(FirstIn(o.d.*Objects));
    return kOk;
}

std::int32_t NoObject(const DocObject&, std::int32_t, PropValue* out) {
    *out = PropValue::Id(0);
    return kOk;
}

constexpr DocRow kDocumentProps[] = {
    {kPropPath,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::String(o.d.path);
         return kOk;
     }},
    {kPropNextOpenDoc,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         const std::vector<ObjectId>& open = o.session.openDocuments();
         auto it = std::find(open.begin(), open.end(), o.d.id());
         *out = PropValue::Id(it != open.end() && it + 1 != open.end() ? *(it + 1) : 0);
         return kOk;
     }},
    // Showing and hiding is recorded.
    {kPropShown,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Int(o.d.shown);
         return kOk;
     },
     [](const DocObject& o, std::int32_t, const PropValue& v) -> std::int32_t {
         if (!IsNumber(v.type)) {
             return kErrBadPropType;
         }
         o.d.shown = v.ival;
         o.session.Record(EventType::Shown, o.d.id(), v.ival);
         return kOk;
     }},
    {kPropFirstFlow, FirstOf<&Document::flows>},
    {kPropMainFlow,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.d.mainFlow);
         return kOk;
     }},
    {kPropFirstGraphic, FirstOf<&Document::graphics>},
    {kPropFirstFootnote, FirstOf<&Document::footnotes>},
    {kPropFirstTable, FirstOf<&Document::tables>},
    {kPropSelection, WrongType<DocObject>},
};

constexpr DocRow kFlowProps[] = {
    {kPropFlowNext, NextOf<&Document::flows>},
    {kPropFirstTextFrame,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         const Flow& f = o.d.flows[o.index];
         *out = PropValue::Id(f.frames.empty() ? 0 : f.frames.front());
         return kOk;
     }},
    {kPropLastTextFrame,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         const Flow& f = o.d.flows[o.index];
         *out = PropValue::Id(f.frames.empty() ? 0 : f.frames.back());
         return kOk;
     }},
    {kPropFirstParagraph, IdOf<&Document::flows, &Flow::firstPara>},
    {kPropName, StringOf<&Document::flows, &Flow::tag>},
};

// Pages lie on nothing.
constexpr DocRow kPageProps[] = {
    {kPropParent, NoObject},
    {kPropPage, NoObject},
    {kPropName, StringOf<&Document::pages, &Page::name>},
};

constexpr DocRow kGraphicProps[] = {
    {kPropNextGraphic, NextOf<&Document::graphics>},
    {kPropParent,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.d.ParentOf(o.obj));
         return kOk;
     }},
    {kPropPage,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.d.PageOf(o.obj));
         return kOk;
     }},
};

// A text frame is a graphic that shows a stretch of its flow's paragraphs.
constexpr DocRow kTextFrameProps[] = {
    kGraphicProps[0],
    kGraphicProps[1],
    kGraphicProps[2],
    {kPropFirstParagraph, IdOf<&Document::graphics, &Graphic::firstPara>},
    {kPropLastParagraph, IdOf<&Document::graphics, &Graphic::lastPara>},
};
static_assert(std::size(kGraphicProps) == 3);

// A paragraph's settings are its format's, or its override's once one was changed; a change that
// makes them the format's again drops the override.
std::int32_t GetParagraphSetting(const DocObject& o, std::int32_t prop, PropValue* out) {
    GetPgfSetting(o.d.SettingsOf(o.d.paras[o.index]), prop, out);
    return kOk;
}

std::int32_t SetParagraphSetting(const DocObject& o, std::int32_t prop, const PropValue& v) {
    Document& d = o.d;
    Paragraph& p = d.paras[o.index];
    PgfSettings s = d.SettingsOf(p);
    const std::int32_t err = SetPgfSetting(s, prop, v);
    if (err != kOk) {
        return err;
    }
    if (s == d.pgfFormats[p.format].settings) {
        p.override = -1;
    } else if (p.override >= 0) {
        d.overrides[static_cast<std::size_t>(p.override)] = s;
    } else {
        d.overrides.push_back(s);
        p.override = static_cast<std::int32_t>(d.overrides.size() - 1);
    }
    return kOk;
}

template <auto Field>
std::int32_t SetParagraphNumber(const DocObject& o, std::int32_t, const PropValue& v) {
    if (!IsNumber(v.type)) {
        return kErrBadPropType;
    }
    using Stored = std::remove_reference_t<decltype(o.d.paras[o.index].*Field)>;
    if (v.ival < std::numeric_limits<Stored>::min() ||
        v.ival > std::numeric_limits<Stored>::max()) {
        return kErrBadValue; // the paragraph keeps the number in a narrower field
    }
    o.d.paras[o.index].*Field = static_cast<Stored>(v.ival);
    return kOk;
}

constexpr auto kParagraphProps = WithSettings<DocObject, 6>(
    {{
        {kPropNextParagraph, IdOf<&Document::paras, &Paragraph::next>},
        {kPropTextClass, IntOf<&Document::paras, &Paragraph::textClass>,
         SetParagraphNumber<&Paragraph::textClass>},
        {kPropLocked, IntOf<&Document::paras, &Paragraph::locked>,
         SetParagraphNumber<&Paragraph::locked>},
        {kPropCell,
         [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
             const ObjectId owner = o.d.paras[o.index].owner;
             *out = PropValue::Id(KindOf(owner) == kKindCell ? owner : 0);
             return kOk;
         }},
        {kPropTextFrame,
         [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
             *out = PropValue::Id(o.d.FrameOfParagraph(o.obj));
             return kOk;
         }},
        // Setting the name gives the paragraph that format, with no override.
        {kPropName,
         [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
             *out = PropValue::String(o.d.FormatNameOf(o.d.paras[o.index]));
             return kOk;
         },
         [](const DocObject& o, std::int32_t, const PropValue& v) -> std::int32_t {
             if (v.type != PropType::String) {
                 return kErrBadPropType;
             }
             const std::int32_t f = o.d.FindPgfFormatIndex(v.sval);
             if (f < 0) {
                 return kErrNameNotFound;
             }
             Paragraph& p = o.d.paras[o.index];
             p.format = static_cast<std::uint32_t>(f);
             p.override = -1;
             return kOk;
         }},
    }},
    GetParagraphSetting, SetParagraphSetting);

constexpr DocRow kFootnoteProps[] = {
    {kPropNextFootnote, NextOf<&Document::footnotes>},
    {kPropFirstParagraph, IdOf<&Document::footnotes, &Footnote::firstPara>},
    {kPropAnchor, WrongType<DocObject>},
};

constexpr DocRow kTableProps[] = {
    {kPropNextTable, NextOf<&Document::tables>},
    {kPropFirstParagraph, IdOf<&Document::tables, &Table::titleFirst>},
    {kPropFirstRow, IdOf<&Document::tables, &Table::firstRow>},
    {kPropLastRow, IdOf<&Document::tables, &Table::lastRow>},
    {kPropTableOption, IntOf<&Document::tables, &Table::option1289>,
     [](const DocObject& o, std::int32_t, const PropValue& v) -> std::int32_t {
         if (!IsNumber(v.type)) {
             return kErrBadPropType;
         }
         o.d.tables[o.index].option1289 = v.ival;
         return kOk;
     }},
    // The widths are set all at once, one per column.
    {kPropColumnWidths,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         const Table& t = o.d.tables[o.index];
         out->type = PropType::Metrics;
         out->list.assign(t.widths.begin(), t.widths.end());
         return kOk;
     },
     [](const DocObject& o, std::int32_t, const PropValue& v) -> std::int32_t {
         Table& t = o.d.tables[o.index];
         if (v.type != PropType::Metrics) {
             return kErrBadPropType;
         }
         if (v.list.size() != static_cast<std::size_t>(t.columns)) {
             return kErrBadValue;
         }
         t.widths.assign(v.list.begin(), v.list.end());
         return kOk;
     }},
    {kPropName,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         const Table& t = o.d.tables[o.index];
         *out = PropValue::String(
             t.format < o.d.tableFormats.size() ? o.d.tableFormats[t.format].name : std::string());
         return kOk;
     }},
    {kPropAnchor, WrongType<DocObject>},
};

constexpr DocRow kRowProps[] = {
    {kPropNextRow, IdOf<&Document::rows, &Row::next>},
    {kPropFirstCell,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         const Row& r = o.d.rows[o.index];
         *out = PropValue::Id(r.cellCount > 0 ? o.d.cells[r.firstCell].id : 0);
         return kOk;
     }},
};

constexpr DocRow kCellProps[] = {
    // The cells of a row are consecutive: the next is the following one, but for the last.
    {kPropNextCell,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         const Cell& c = o.d.cells[o.index];
         const Row* r = o.d.FindRow(c.row);
         const bool last = r == nullptr || static_cast<std::uint32_t>(c.column) + 1 >= r->cellCount;
         *out = PropValue::Id(last ? 0 : o.d.cells[o.index + 1].id);
         return kOk;
     }},
    {kPropColumn, IntOf<&Document::cells, &Cell::column>},
    {kPropCellShown, IntOf<&Document::cells, &Cell::shown>},
    {kPropFirstParagraph, IdOf<&Document::cells, &Cell::firstPara>},
};

std::int32_t GetFormatSetting(const DocObject& o, std::int32_t prop, PropValue* out) {
    GetPgfSetting(o.d.pgfFormats[o.index].settings, prop, out);
    return kOk;
}

std::int32_t SetFormatSetting(const DocObject& o, std::int32_t prop, const PropValue& v) {
    return SetPgfSetting(o.d.pgfFormats[o.index].settings, prop, v);
}

constexpr auto kPgfFormatProps = WithSettings<DocObject, 1>(
    {{
        // A format is renamed only to a name no other format of the document has.
        {kPropName, StringOf<&Document::pgfFormats, &PgfFormat::name>,
         [](const DocObject& o, std::int32_t, const PropValue& v) -> std::int32_t {
             if (v.type != PropType::String) {
                 return kErrBadPropType;
             }
             const std::int32_t other = o.d.FindPgfFormatIndex(v.sval);
             if (other >= 0 && static_cast<std::uint32_t>(other) != o.index) {
                 return kErrBadValue;
             }
             o.d.pgfFormats[o.index].name = v.sval;
             return kOk;
         }},
    }},
    GetFormatSetting, SetFormatSetting);

constexpr DocRow kTableFormatProps[] = {
    {kPropName, StringOf<&Document::tableFormats, &TableFormat::name>},
};

// The rows of a kind of document object; false for a kind that is no such object.
bool DocRowsOf(Kind kind, std::span<const DocRow>* rows) {
    switch (kind) {
    case kKindDocument:
        *rows = kDocumentProps;
        return true;
    case kKindFlow:
        *rows = kFlowProps;
        return true;
    case kKindBodyPage:
    case kKindMasterPage:
    case kKindReferencePage:
    case kKindHiddenPage:
        *rows = kPageProps;
        return true;
    case kKindTextFrame:
        *rows = kTextFrameProps;
        return true;
    case kKindGraphicFrame:
    case kKindTextLine:
    case kKindGraphic:
        *rows = kGraphicProps;
        return true;
    case kKindParagraph:
        *rows = kParagraphProps;
        return true;
    case kKindFootnote:
        *rows = kFootnoteProps;
        return true;
    case kKindTable:
        *rows = kTableProps;
        return true;
    case kKindRow:
        *rows = kRowProps;
        return true;
    case kKindCell:
        *rows = kCellProps;
        return true;
    case kKindPgfFormat:
        *rows = kPgfFormatProps;
        return true;
    case kKindTableFormat:
        *rows = kTableFormatProps;
        return true;
    default:
        return false;
    }
}

DocObject Target(Session& session, Document& d, ObjectId obj) {
    std::uint32_t owner = 0, index = 0;
    if (KindOf(obj) != kKindDocument) {
        session.Locate(obj, &owner, &index);
    }
    return {session, d, obj, index};
}

// --- Books and their components

struct BookObject {
    Session& session;
    Book& b;
    Component* c; // null for the book itself
};
using BookRow = PropRow<BookObject>;

template <auto Field> std::int32_t ComponentId(const BookObject& o, std::int32_t, PropValue* out) {
    *out = PropValue::Id(o.c->*Field);
    return kOk;
}
template <auto Field> std::int32_t ComponentInt(const BookObject& o, std::int32_t, PropValue* out) {
    *out = PropValue::Int(o.c->*Field);
    return kOk;
}
// A file's path, a folder's or group's name; the other of the two is empty.
template <bool Files>
std::int32_t ComponentString(const BookObject& o, std::int32_t, PropValue* out) {
    *out = PropValue::String((o.c->kind == kComponentFile) == Files ? o.c->path : std::string());
    return kOk;
}

constexpr BookRow kBookProps[] = {
    {kPropPath,
     [](const BookObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::String(o.b.path);
         return kOk;
     }},
    {kPropFirstComponent,
     [](const BookObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.b.firstComponent);
         return kOk;
     }},
    // The status text is recorded (the command-line tool shows it as a progress line).
    {kPropStatusText,
     [](const BookObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::String(o.b.statusText);
         return kOk;
     },
     [](const BookObject& o, std::int32_t, const PropValue& v) -> std::int32_t {
         if (v.type != PropType::String) {
             return kErrBadPropType;
         }
         o.b.statusText = v.sval;
         o.session.Record(EventType::StatusText, o.b.id(), 0, v.sval);
         return kOk;
     }},
};

constexpr BookRow kComponentProps[] = {
    {kPropComponentKind, ComponentInt<&Component::kind>},
    {kPropFirstChild, ComponentId<&Component::firstChild>},
    {kPropNextComponent, ComponentId<&Component::next>},
    {kPropParentComponent, ComponentId<&Component::parent>},
    {kPropExcluded, ComponentInt<&Component::excluded>,
     [](const BookObject& o, std::int32_t, const PropValue& v) -> std::int32_t {
         if (!IsNumber(v.type)) {
             return kErrBadPropType;
         }
         o.c->excluded = v.ival;
         return kOk;
     }},
    {kPropPath, ComponentString<true>},
    {kPropName, ComponentString<false>},
};

} // namespace

bool GetPgfSetting(const PgfSettings& s, std::int32_t prop, PropValue* out) {
    const SettingField* f = FindSetting(prop);
    if (f == nullptr) {
        return false;
    }
    switch (f->type) {
    case PropType::String:
        *out = PropValue::String(s.*f->text);
        break;
    case PropType::Metric:
        *out = PropValue::OfMetric(s.*f->number);
        break;
    default:
        *out = PropValue::Int(s.*f->number);
        break;
    }
    return true;
}

std::int32_t SetPgfSetting(PgfSettings& s, std::int32_t prop, const PropValue& v) {
    const SettingField* f = FindSetting(prop);
    if (f == nullptr) {
        return kErrBadProperty;
    }
    if (f->text != nullptr) {
        if (v.type != PropType::String) {
            return kErrBadPropType;
        }
        s.*f->text = v.sval;
        return kOk;
    }
    if (!IsNumber(v.type)) {
        return kErrBadPropType;
    }
    s.*f->number = v.ival;
    return kOk;
}

std::int32_t GetAppProp(Session& session, std::int32_t prop, PropValue* out) {
    return GetFrom<App>(kAppProps, {session}, prop, out);
}

std::int32_t SetAppProp(Session& session, std::int32_t prop, const PropValue& v) {
    return SetIn<App>(kAppProps, {session}, prop, v);
}

std::int32_t GetDocObjectProp(Session& session, Document& d, ObjectId obj, std::int32_t prop,
                              PropValue* out) {
    std::span<const DocRow> rows;
    if (!DocRowsOf(KindOf(obj), &rows)) {
        return kErrBadObject;
    }
    return GetFrom(rows, Target(session, d, obj), prop, out);
}

std::int32_t SetDocObjectProp(Session& session, Document& d, ObjectId obj, std::int32_t prop,
                              const PropValue& v) {
    std::span<const DocRow> rows;
    if (!DocRowsOf(KindOf(obj), &rows)) {
        return kErrBadProperty;
    }
    return SetIn(rows, Target(session, d, obj), prop, v);
}

std::int32_t GetBookObjectProp(Session& session, Book& b, ObjectId obj, std::int32_t prop,
                               PropValue* out) {
    if (KindOf(obj) == kKindBook) {
        return GetFrom<BookObject>(kBookProps, {session, b, nullptr}, prop, out);
    }
    Component* c = b.FindComponent(obj);
    if (c == nullptr) {
        return kErrBadObject;
    }
    return GetFrom<BookObject>(kComponentProps, {session, b, c}, prop, out);
}

std::int32_t SetBookObjectProp(Session& session, Book& b, ObjectId obj, std::int32_t prop,
                               const PropValue& v) {
    if (KindOf(obj) == kKindBook) {
        return SetIn<BookObject>(kBookProps, {session, b, nullptr}, prop, v);
    }
    Component* c = b.FindComponent(obj);
    if (c == nullptr) {
        return kErrBadProperty;
    }
    return SetIn<BookObject>(kComponentProps, {session, b, c}, prop, v);
}

} // namespace lxhost
