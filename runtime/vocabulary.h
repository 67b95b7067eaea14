// The host's property numbers, object kinds and codes that the plug-in uses, named once.
#pragma once

#include <cstdint>

// Application (document 0, object 0).
constexpr std::int32_t kPropActiveDoc = 51;
constexpr std::int32_t kPropActiveBook = 52;
constexpr std::int32_t kPropFirstOpenDoc = 53;
constexpr std::int32_t kPropInstallDir = 89;
constexpr std::int32_t kPropDisplaying = 92;

// Documents, books and components.
constexpr std::int32_t kPropPath = 20;
constexpr std::int32_t kPropBookStatus = 108;
constexpr std::int32_t kPropSelection = 109;
constexpr std::int32_t kPropDocumentShown = 110;
constexpr std::int32_t kPropNextOpenDocument = 111;
constexpr std::int32_t kPropFirstGraphic = 112;
constexpr std::int32_t kPropFirstFootnote = 119;
constexpr std::int32_t kPropFirstTable = 120;
constexpr std::int32_t kPropFirstFlow = 121;
constexpr std::int32_t kPropMainFlow = 422;
constexpr std::int32_t kPropFirstComponent = 491;
constexpr std::int32_t kPropComponentExcluded = 520;
constexpr std::int32_t kPropNextComponent = 527;
constexpr std::int32_t kPropFirstChildComponent = 2324;
constexpr std::int32_t kPropParentComponent = 2325;
constexpr std::int32_t kPropComponentKind = 2329;

// Flows, frames, paragraphs, graphics, footnotes.
constexpr std::int32_t kPropNextFlow = 1162;
constexpr std::int32_t kPropFirstTextFrame = 1169;
constexpr std::int32_t kPropLastTextFrame = 1170;
constexpr std::int32_t kPropFirstParagraph = 972;
constexpr std::int32_t kPropLastParagraph = 973;
constexpr std::int32_t kPropNextParagraph = 717;
constexpr std::int32_t kPropTextClass = 577;
constexpr std::int32_t kPropLocked = 588;
constexpr std::int32_t kPropContainingCell = 1000;
constexpr std::int32_t kPropContainingFrame = 1001;
constexpr std::int32_t kPropParent = 774;
constexpr std::int32_t kPropPage = 880;
constexpr std::int32_t kPropNextGraphic = 786;
constexpr std::int32_t kPropNextFootnote = 1003;

// Tables.
constexpr std::int32_t kPropNextTable = 1337;
constexpr std::int32_t kPropTableAnchor = 879;
constexpr std::int32_t kPropFirstRow = 1338;
constexpr std::int32_t kPropLastRow = 1339;
constexpr std::int32_t kPropNextRow = 1245;
constexpr std::int32_t kPropFirstCell = 1247;
constexpr std::int32_t kPropNextCell = 1202;
constexpr std::int32_t kPropCellColumn = 1205;
constexpr std::int32_t kPropCellShown = 1218;
constexpr std::int32_t kPropTableSetting1289 = 1289;
constexpr std::int32_t kPropColumnWidths = 1345;

// Paragraph formats.
constexpr std::int32_t kPropFontSize = 615;

// Menus.
constexpr std::int32_t kPropLabel = 30;
constexpr std::int32_t kPropNextMenuItem = 1923;
constexpr std::int32_t kPropFirstMenuItem = 1927;

// Object kinds in the top byte of an ObjectId.
constexpr std::uint32_t kKindBodyPage = 5;
constexpr std::uint32_t kKindMasterPage = 6;
constexpr std::uint32_t kKindReferencePage = 7;
constexpr std::uint32_t kKindHiddenPage = 8;
constexpr std::uint32_t kKindTextLine = 0x12;
constexpr unsigned kKindShift = 24;

// Object types of ApiGetNamedObject.
constexpr std::int32_t kObjectTypeParagraphFormat = 32;
constexpr std::int32_t kObjectTypeMenu = 55;
constexpr std::int32_t kObjectTypeSeparator = 57;

// Component kinds.
constexpr std::int32_t kComponentFolder = 2;
constexpr std::int32_t kComponentGroup = 64;
constexpr std::int32_t kComponentFile = 512;

// Codes passed to the host.
constexpr std::int32_t kAddRowsBelow = 1241;
constexpr std::int32_t kCloseFlags = 1;
