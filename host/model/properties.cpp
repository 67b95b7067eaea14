// The property tables: a row per property of each kind of object, with its getter and setter.
#include "host/model/properties.h"

#include <algorithm>
#include <array>
#include <span>

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
    {kPropFirstFlow,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(FirstIn(o.d.flows));
         return kOk;
     }},
    {kPropMainFlow,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.d.mainFlow);
         return kOk;
     }},
    {kPropFirstGraphic,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(FirstIn(o.d.graphics));
         return kOk;
     }},
    {kPropFirstFootnote,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(FirstIn(o.d.footnotes));
         return kOk;
     }},
    {kPropFirstTable,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(FirstIn(o.d.tables));
         return kOk;
     }},
    {kPropSelection, WrongType<DocObject>},
};

constexpr DocRow kFlowProps[] = {
    {kPropFlowNext,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(NextIn(o.d.flows, o.index));
         return kOk;
     }},
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
    {kPropFirstParagraph,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.d.flows[o.index].firstPara);
         return kOk;
     }},
    {kPropName,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::String(o.d.flows[o.index].tag);
         return kOk;
     }},
};

std::int32_t NoObject(const DocObject&, std::int32_t, PropValue* out) {
    *out = PropValue::Id(0);
    return kOk;
}

constexpr DocRow kPageProps[] = {
    {kPropParent, NoObject},
    {kPropPage, NoObject},
    {kPropName,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::String(o.d.pages[o.index].name);
         return kOk;
     }},
};

constexpr std::array<DocRow, 3> kGraphicProps = {{
    {kPropNextGraphic,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(NextIn(o.d.graphics, o.index));
         return kOk;
     }},
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
}};

// A text frame is a graphic that shows a stretch of its flow's paragraphs.
constexpr auto kTextFrameProps = [] {
    std::array<DocRow, kGraphicProps.size() + 2> rows{};
    std::copy(kGraphicProps.begin(), kGraphicProps.end(), rows.begin());
    rows[kGraphicProps.size()] = {
        kPropFirstParagraph, [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
            *out = PropValue::Id(o.d.graphics[o.index].firstPara);
            return kOk;
        }};
    rows[kGraphicProps.size() + 1] = {
        kPropLastParagraph, [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
            *out = PropValue::Id(o.d.graphics[o.index].lastPara);
            return kOk;
        }};
    return rows;
}();

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

std::int32_t GetParagraphNumber(const DocObject& o, std::int32_t prop, PropValue* out) {
    const Paragraph& p = o.d.paras[o.index];
    *out = PropValue::Int(prop == kPropTextClass ? p.textClass : p.locked);
    return kOk;
}

std::int32_t SetParagraphNumber(const DocObject& o, std::int32_t prop, const PropValue& v) {
    if (!IsNumber(v.type)) {
        return kErrBadPropType;
    }
    Paragraph& p = o.d.paras[o.index];
    (prop == kPropTextClass ? p.textClass : p.locked) = v.ival;
    return kOk;
}

constexpr auto kParagraphProps = WithSettings<DocObject, 6>(
    {{
        {kPropNextParagraph,
         [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
             *out = PropValue::Id(o.d.paras[o.index].next);
             return kOk;
         }},
        {kPropTextClass, GetParagraphNumber, SetParagraphNumber},
        {kPropLocked, GetParagraphNumber, SetParagraphNumber},
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
    {kPropNextFootnote,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(NextIn(o.d.footnotes, o.index));
         return kOk;
     }},
    {kPropFirstParagraph,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.d.footnotes[o.index].firstPara);
         return kOk;
     }},
    {kPropAnchor, WrongType<DocObject>},
};

constexpr DocRow kTableProps[] = {
    {kPropNextTable,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(NextIn(o.d.tables, o.index));
         return kOk;
     }},
    {kPropFirstParagraph,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.d.tables[o.index].titleFirst);
         return kOk;
     }},
    {kPropFirstRow,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.d.tables[o.index].firstRow);
         return kOk;
     }},
    {kPropLastRow,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.d.tables[o.index].lastRow);
         return kOk;
     }},
    {kPropTableOption,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Int(o.d.tables[o.index].option1289);
         return kOk;
     },
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
    {kPropNextRow,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.d.rows[o.index].next);
         return kOk;
     }},
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
    {kPropColumn,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Int(o.d.cells[o.index].column);
         return kOk;
     }},
    {kPropCellShown,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Int(o.d.cells[o.index].shown);
         return kOk;
     }},
    {kPropFirstParagraph,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.d.cells[o.index].firstPara);
         return kOk;
     }},
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
        {kPropName,
         [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
             *out = PropValue::String(o.d.pgfFormats[o.index].name);
             return kOk;
         },
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
    {kPropName,
     [](const DocObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::String(o.d.tableFormats[o.index].name);
         return kOk;
     }},
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
    {kPropComponentKind,
     [](const BookObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Int(o.c->kind);
         return kOk;
     }},
    {kPropFirstChild,
     [](const BookObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.c->firstChild);
         return kOk;
     }},
    {kPropNextComponent,
     [](const BookObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.c->next);
         return kOk;
     }},
    {kPropParentComponent,
     [](const BookObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Id(o.c->parent);
         return kOk;
     }},
    {kPropExcluded,
     [](const BookObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::Int(o.c->excluded);
         return kOk;
     },
     [](const BookObject& o, std::int32_t, const PropValue& v) -> std::int32_t {
         if (!IsNumber(v.type)) {
             return kErrBadPropType;
         }
         o.c->excluded = v.ival;
         return kOk;
     }},
    {kPropPath,
     [](const BookObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::String(o.c->path);
         return kOk;
     }},
    {kPropName,
     [](const BookObject& o, std::int32_t, PropValue* out) -> std::int32_t {
         *out = PropValue::String(o.c->name);
         return kOk;
     }},
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
