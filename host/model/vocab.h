// The headless host's vocabulary: object kinds, property numbers, text item types and error
// codes. The numbers the plug-in uses are the host's own; the rest (format settings, names, the
// kinds that the plug-in does not test) are this host's choice and are fixed here, once.
#pragma once

#include "support/api_types.h"

#include <cstdint>

namespace lxhost {

// The kind of an object is the top byte of its id; the serial below it counts from 1 per kind.
enum Kind : std::uint8_t {
    kKindNone = 0,
    kKindDocument = 0x01,
    kKindBook = 0x02,
    kKindComponent = 0x03,
    kKindFlow = 0x04,
    kKindBodyPage = 0x05,
    kKindMasterPage = 0x06,
    kKindReferencePage = 0x07,
    kKindHiddenPage = 0x08,
    kKindTextFrame = 0x09,
    kKindParagraph = 0x0A,
    kKindGraphicFrame = 0x0B,
    kKindGraphic = 0x0C, // any other graphic object: polyline, rectangle, imported object...
    kKindFootnote = 0x0D,
    kKindTable = 0x0E,
    kKindRow = 0x0F,
    kKindCell = 0x10,
    kKindPgfFormat = 0x11,
    kKindTextLine = 0x12,
    // 0x13 stays unused: a walk up the parent links starts from it as "no container".
    kKindTableFormat = 0x14,
    kKindMenu = 0x15,
    kKindMenuBar = 0x16,
    kKindSeparator = 0x17,
    kKindCommand = 0x18,
    kKindCount = 0x19,
};

constexpr Kind KindOf(ObjectId id) {
    return static_cast<Kind>(id >> 24);
}
constexpr std::uint32_t SerialOf(ObjectId id) {
    return id & 0xFFFFFFu;
}
constexpr ObjectId MakeId(Kind kind, std::uint32_t serial) {
    return (static_cast<ObjectId>(kind) << 24) | (serial & 0xFFFFFFu);
}
constexpr bool IsPageKind(Kind k) {
    return k >= kKindBodyPage && k <= kKindHiddenPage;
}

// Host error codes. They are the host's own negative numbers and never -1, -42 or -88, which
// the client keeps for its own failures.
enum HostError : std::int32_t {
    kOk = 0,
    kErrBadDocument = -2,   // the document argument is no open document or book
    kErrBadObject = -3,     // the object is unknown, closed, or not of the document
    kErrBadProperty = -4,   // the object has no such property
    kErrBadPropType = -5,   // the property exists but holds another type of value
    kErrReadOnly = -6,      // the property cannot be set
    kErrBadValue = -7,      // a parameter or value out of range, an invalid text location
    kErrNameNotFound = -8,  // no named object of that type and name
    kErrFileNotFound = -9,  // the file is missing or unreadable
    kErrNotDocument = -10,  // the file is not a document or book this host reads
    kErrBadFile = -11,      // the file is a document but could not be read (malformed)
    kErrBadOperation = -12, // the operation does not apply to that object
};

// Property numbers.
enum Prop : std::int32_t {
    kPropName = 2, // string: a format's, flow's or table's name (this host's number)
    kPropPath = 20,
    kPropLabel = 30,
    kPropActiveDoc = 51,
    kPropActiveBook = 52,
    kPropFirstOpenDoc = 53,
    kPropInstallDir = 89,
    kPropDisplayUpdating = 92,
    kPropStatusText = 108,
    kPropSelection = 109,
    kPropShown = 110,
    kPropNextOpenDoc = 111,
    kPropFirstGraphic = 112,
    kPropFirstFootnote = 119,
    kPropFirstTable = 120,
    kPropFirstFlow = 121,
    kPropMainFlow = 422,
    kPropFirstComponent = 491,
    kPropExcluded = 520,
    kPropNextComponent = 527,
    kPropTextClass = 577,
    kPropLocked = 588,
    // Paragraph format settings (this host's numbers, except the font size).
    kPropFontFamily = 600,
    kPropLeftIndent = 601,
    kPropFirstIndent = 602,
    kPropRightIndent = 603,
    kPropSpaceBefore = 604,
    kPropSpaceAfter = 605,
    kPropLeading = 606,
    kPropAlignment = 607,
    kPropAutoNumber = 608,
    kPropNumberFormat = 609,
    kPropFontWeight = 610,
    kPropFontAngle = 611,
    kPropFontSize = 615,
    kPropNextParagraph = 717,
    kPropParent = 774,
    kPropNextGraphic = 786,
    kPropAnchor = 879,
    kPropPage = 880,
    kPropFirstParagraph = 972,
    kPropLastParagraph = 973,
    kPropCell = 1000,
    kPropTextFrame = 1001,
    kPropNextFootnote = 1003,
    kPropFlowNext = 1162,
    kPropFirstTextFrame = 1169,
    kPropLastTextFrame = 1170,
    kPropNextCell = 1202,
    kPropColumn = 1205,
    kPropCellShown = 1218,
    kPropNextRow = 1245,
    kPropFirstCell = 1247,
    kPropTableOption = 1289,
    kPropNextTable = 1337,
    kPropFirstRow = 1338,
    kPropLastRow = 1339,
    kPropColumnWidths = 1345,
    kPropMenuNextItem = 1923,
    kPropMenuFirstItem = 1927,
    kPropFirstChild = 2324,
    kPropParentComponent = 2325,
    kPropComponentKind = 2329,
};

// Book component kinds (property 2329).
enum ComponentKind : std::int32_t {
    kComponentFolder = 2,
    kComponentGroup = 64,
    kComponentFile = 512,
};

// Data types of the items GetText returns. Each is also the flag bit that asks for it.
enum TextItemType : std::int32_t {
    kItemString = kTextItemString, // 1: one item per run of text
    kItemTableAnchor = 0x02,       // value: the table
    kItemFootnoteAnchor = 0x04,    // value: the footnote
    kItemFrameAnchor = 0x08,       // value: the anchored graphic frame
    kItemMarker = 0x10,            // value: the marker type number
    kItemVariable = 0x20,          // value: 0; the variable's text follows as a string
    kItemXRef = 0x40,              // value: 0; the cross-reference's text follows as strings
    kItemParagraphEnd = 0x80,      // value: 0; at the end offset, when the range reaches it
};

// Named object types of GetNamedObject.
enum NamedType : std::int32_t {
    kNamedPgfFormat = 32,
    kNamedMenu = 55,
    kNamedSeparator = 57,
};

// Open parameters and return values this host knows; all others are ignored.
enum OpenParam : std::int32_t {
    kOpenAsTemplate = 29, // value 1: a new untitled document made from the file
};
enum OpenReturn : std::int32_t {
    kOpenRetFileName = 1, // string: the path of the file that was opened
    kOpenRetStatus = 2,   // int: 0 when a document or book was opened, else the error code
};

constexpr std::int32_t kAddRowsBelow = 1241;

} // namespace lxhost
