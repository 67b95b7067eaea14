// The MIF document reader. It reads statement by statement straight into the model, without a
// tree in between: unknown statements are skipped as balanced units, references between objects
// (text frames, tables, footnotes, anchored frames) are resolved once the whole file is read.
#include "host/formats/mif_reader.h"

#include "host/formats/mif_languages.h"

#include "host/formats/frameroman.h"
#include "host/formats/mif_lexer.h"
#include "host/formats/mif_statement.h"
#include "host/formats/reader_budgets.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>

namespace lxhost {

namespace {

using mif::ErrorText;
using mif::StatementReader;
using mif::Stmt;
using mif::Tok;

enum class St : std::uint8_t {
    Unknown,
    Units,
    PgfCatalog,
    Pgf,
    PgfTag,
    PgfLanguage,
    PgfFont,
    FFamily,
    FSize,
    FWeight,
    FAngle,
    PgfLIndent,
    PgfFIndent,
    PgfRIndent,
    PgfAlignment,
    PgfSpBefore,
    PgfSpAfter,
    PgfLeading,
    PgfAutoNum,
    PgfNumFormat,
    TblCatalog,
    TblFormat,
    TblTag,
    ConditionCatalog,
    Condition,
    CTag,
    CState,
    Document,
    DShowAllConditions,
    DPageSize,
    VariableFormats,
    VariableFormat,
    VariableName,
    VariableDef,
    Tbls,
    Tbl,
    TblID,
    TblNumColumns,
    TblColumnWidth,
    TblColumn,
    TblColumnNum,
    TblTitle,
    TblTitleContent,
    TblH,
    TblBody,
    TblF,
    Row,
    Cell,
    CellContent,
    CellColumns,
    CellRows,
    Page,
    PageType,
    PageTag,
    TextRect,
    ID,
    ShapeRect,
    Frame,
    AFrames,
    TextLine,
    TextFlow,
    TFTag,
    Notes,
    FNote,
    Para,
    ParaLine,
    String,
    Char,
    Font,
    TextRectID,
    ATbl,
    AFrame,
    Marker,
    MType,
    Variable,
    XRef,
    XRefEnd,
    Conditional,
    InCondition,
    Unconditional,
    Graphic,
    ImportObject,
};

St Lookup(std::string_view name) {
    static const std::unordered_map<std::string_view, St> table = {
        {"Units", St::Units},
        {"PgfCatalog", St::PgfCatalog},
        {"Pgf", St::Pgf},
        {"PgfTag", St::PgfTag},
        {"PgfLanguage", St::PgfLanguage},
        {"PgfFont", St::PgfFont},
        {"FFamily", St::FFamily},
        {"FSize", St::FSize},
        {"FWeight", St::FWeight},
        {"FAngle", St::FAngle},
        {"PgfLIndent", St::PgfLIndent},
        {"PgfFIndent", St::PgfFIndent},
        {"PgfRIndent", St::PgfRIndent},
        {"PgfAlignment", St::PgfAlignment},
        {"PgfSpBefore", St::PgfSpBefore},
        {"PgfSpAfter", St::PgfSpAfter},
        {"PgfLeading", St::PgfLeading},
        {"PgfAutoNum", St::PgfAutoNum},
        {"PgfNumFormat", St::PgfNumFormat},
        {"TblCatalog", St::TblCatalog},
        {"TblFormat", St::TblFormat},
        {"TblTag", St::TblTag},
        {"ConditionCatalog", St::ConditionCatalog},
        {"Condition", St::Condition},
        {"CTag", St::CTag},
        {"CState", St::CState},
        {"Document", St::Document},
        {"DShowAllConditions", St::DShowAllConditions},
        {"DPageSize", St::DPageSize},
        {"VariableFormats", St::VariableFormats},
        {"VariableFormat", St::VariableFormat},
        {"VariableName", St::VariableName},
        {"VariableDef", St::VariableDef},
        {"Tbls", St::Tbls},
        {"Tbl", St::Tbl},
        {"TblID", St::TblID},
        {"TblNumColumns", St::TblNumColumns},
        {"TblColumnWidth", St::TblColumnWidth},
        {"TblColumn", St::TblColumn},
        {"TblColumnNum", St::TblColumnNum},
        {"TblTitle", St::TblTitle},
        {"TblTitleContent", St::TblTitleContent},
        {"TblH", St::TblH},
        {"TblBody", St::TblBody},
        {"TblF", St::TblF},
        {"Row", St::Row},
        {"Cell", St::Cell},
        {"CellContent", St::CellContent},
        {"CellColumns", St::CellColumns},
        {"CellRows", St::CellRows},
        {"Page", St::Page},
        {"PageType", St::PageType},
        {"PageTag", St::PageTag},
        {"TextRect", St::TextRect},
        {"ID", St::ID},
        {"ShapeRect", St::ShapeRect},
        {"BRect", St::ShapeRect},
        {"Frame", St::Frame},
        {"AFrames", St::AFrames},
        {"TextLine", St::TextLine},
        {"TextFlow", St::TextFlow},
        {"TFTag", St::TFTag},
        {"Notes", St::Notes},
        {"FNote", St::FNote},
        {"Para", St::Para},
        {"ParaLine", St::ParaLine},
        {"String", St::String},
        {"Char", St::Char},
        {"Font", St::Font},
        {"TextRectID", St::TextRectID},
        {"ATbl", St::ATbl},
        {"AFrame", St::AFrame},
        {"Marker", St::Marker},
        {"MType", St::MType},
        {"Variable", St::Variable},
        {"XRef", St::XRef},
        {"XRefEnd", St::XRefEnd},
        {"Conditional", St::Conditional},
        {"InCondition", St::InCondition},
        {"Unconditional", St::Unconditional},
        {"PolyLine", St::Graphic},
        {"Polygon", St::Graphic},
        {"Rectangle", St::Graphic},
        {"RoundRect", St::Graphic},
        {"Ellipse", St::Graphic},
        {"Arc", St::Graphic},
        {"Math", St::Graphic},
        {"Group", St::Graphic},
        {"Line", St::Graphic},
        {"Inset", St::Graphic},
        {"ImportObject", St::ImportObject},
    };
    auto it = table.find(name);
    return it != table.end() ? it->second : St::Unknown;
}

// The bytes of a Char keyword; empty for the ones that add nothing or are unknown.
std::string_view CharBytes(std::string_view kw) {
    static const std::unordered_map<std::string_view, std::string_view> table = {
        {"Tab", "\x08"},          {"HardSpace", "\x11"},  {"HardReturn", "\x09"},
        {"DiscHyphen", "\x04"},   {"HardHyphen", "\x15"}, {"NumberSpace", "\x10"},
        {"ThinSpace", "\x12"},    {"EnSpace", "\x13"},    {"EmSpace", "\x14"},
        {"EnDash", "\xD0"},       {"EmDash", "\xD1"},     {"Cent", "\xA2"},
        {"Pound", "\xA3"},        {"Yen", "\xB4"},        {"Dagger", "\xA0"},
        {"DoubleDagger", "\xE0"}, {"Bullet", "\xA5"},
    };
    auto it = table.find(kw);
    return it != table.end() ? it->second : std::string_view();
}

// Paragraph format settings read from a Pgf statement, with a mask of those actually given.
struct PgfPatch {
    enum : std::uint32_t {
        kFamily = 1 << 0,
        kSize = 1 << 1,
        kWeight = 1 << 2,
        kAngle = 1 << 3,
        kLeft = 1 << 4,
        kFirst = 1 << 5,
        kRight = 1 << 6,
        kBefore = 1 << 7,
        kAfter = 1 << 8,
        kLeading = 1 << 9,
        kAlign = 1 << 10,
        kAutoNum = 1 << 11,
        kNumFormat = 1 << 12,
        kLanguage = 1 << 13,
    };
    PgfSettings s;
    std::uint32_t mask = 0;
    std::string tag;
    bool hasTag = false;

    void ApplyTo(PgfSettings& t) const {
        if (mask & kFamily)
            t.fontFamily = s.fontFamily;
        if (mask & kSize)
            t.fontSize = s.fontSize;
        if (mask & kWeight)
            t.fontWeight = s.fontWeight;
        if (mask & kAngle)
            t.fontAngle = s.fontAngle;
        if (mask & kLeft)
            t.leftIndent = s.leftIndent;
        if (mask & kFirst)
            t.firstIndent = s.firstIndent;
        if (mask & kRight)
            t.rightIndent = s.rightIndent;
        if (mask & kBefore)
            t.spaceBefore = s.spaceBefore;
        if (mask & kAfter)
            t.spaceAfter = s.spaceAfter;
        if (mask & kLeading)
            t.leading = s.leading;
        if (mask & kAlign)
            t.alignment = s.alignment;
        if (mask & kAutoNum)
            t.autoNumber = s.autoNumber;
        if (mask & kNumFormat)
            t.numberFormat = s.numberFormat;
        if (mask & kLanguage)
            t.language = s.language;
    }
};

constexpr int kMaxFrameNesting = 32;
constexpr std::int64_t kMaxColumns = kMaxTableColumns; // as every reader
constexpr std::int64_t kMaxSpan = 100000;

class DocReader : public StatementReader {
  public:
    DocReader(std::string_view data, Document& doc, const ReaderOptions& options)
        : StatementReader(data), doc_(doc), options_(options) {}

    void Run() {
        ReadHeader();
        for (Stmt s{}; NextTopLevel(&s);) {
            TopLevel(s);
        }
        Finalize();
        doc_.charactersWithoutForm = lex_.charactersWithoutForm();
    }

  private:
    struct PendingAnchor {
        ObjectId para;
        std::uint32_t seg;
        std::int64_t id;
        int line;
        SegType type;
    };
    struct FlowPara {
        ObjectId para;
        std::int64_t frame;
        int line;
    };
    struct FlowRead {
        ObjectId flow;
        std::vector<FlowPara> paras;
    };

    void ReadHeader() {
        Stmt s{};
        const double version = ReadFileHead("MIFFile", "a MIF document", &s);
        // From version 8 on, strings are UTF-8.
        lex_.SetStringMode(version >= 8 ? MifLexer::StringMode::Utf8
                                        : MifLexer::StringMode::FrameRoman);
        Finish(s);
    }

    Metric ReadMetric(const Stmt& s) {
        const std::string_view w = ReadWord(s);
        double v = 0;
        std::string_view unit;
        if (!ParseMifNumber(w, &v, &unit)) {
            Fail(lex_.line(),
                 "bad number '" + std::string(w.substr(0, 40)) + "' in " + Quote(s.name));
        }
        if (unit.empty()) {
            unit = lex_.TryUnit();
        }
        double points = unit.empty() ? unit_ : MifUnitPoints(unit);
        if (points == 0) {
            Fail(lex_.line(),
                 "bad unit '" + std::string(unit.substr(0, 20)) + "' in " + Quote(s.name));
        }
        const double m = std::round(v * points * kMetricPoint);
        return static_cast<Metric>(std::clamp(m, -2147483648.0, 2147483647.0));
    }

    Metric ReadMetricValue(const Stmt& s) {
        const Metric m = ReadMetric(s);
        Finish(s);
        return m;
    }

    void TopLevel(const Stmt& s) {
        switch (Lookup(s.name)) {
        case St::Units:
            ReadUnits(s);
            return;
        case St::PgfCatalog:
            ReadPgfCatalog(s);
            return;
        case St::TblCatalog:
            ReadTblCatalog(s);
            return;
        case St::ConditionCatalog:
            ReadConditionCatalog(s);
            return;
        case St::Document:
            ReadDocument(s);
            return;
        case St::VariableFormats:
            ReadVariableFormats(s);
            return;
        case St::Tbls:
            for (Stmt c; NextChild(s, &c);) {
                if (Lookup(c.name) == St::Tbl) {
                    ReadTbl(c);
                } else {
                    Skip(c);
                }
            }
            return;
        case St::Tbl:
            ReadTbl(s);
            return;
        case St::AFrames:
            for (Stmt c; NextChild(s, &c);) {
                if (Lookup(c.name) == St::Frame) {
                    ReadFrame(c, 0);
                } else {
                    Skip(c);
                }
            }
            return;
        case St::Page:
            ReadPage(s);
            return;
        case St::TextFlow:
            ReadTextFlow(s);
            return;
        default:
            Skip(s);
            return;
        }
    }

    void ReadUnits(const Stmt& s) {
        const std::string_view u = ReadWord(s);
        static const std::pair<std::string_view, std::string_view> units[] = {
            {"Uin", "in"}, {"Ucm", "cm"}, {"Umm", "mm"}, {"Upica", "pc"},
            {"Upt", "pt"}, {"Udd", "dd"}, {"Ucc", "cc"}};
        double points = 0;
        for (const auto& [name, unit] : units) {
            if (u == name) {
                points = MifUnitPoints(unit);
            }
        }
        if (points == 0) {
            Fail(lex_.line(), "unknown unit '" + std::string(u.substr(0, 20)) + "' in <Units>");
        }
        unit_ = points;
        Finish(s);
    }

    // --- Formats, conditions, variables

    void ReadFont(const Stmt& s, PgfPatch& p) {
        for (Stmt c; NextChild(s, &c);) {
            switch (Lookup(c.name)) {
            case St::FFamily:
                p.s.fontFamily = ReadString(c);
                p.mask |= PgfPatch::kFamily;
                Finish(c);
                break;
            case St::FSize:
                p.s.fontSize = ReadMetricValue(c);
                p.mask |= PgfPatch::kSize;
                break;
            case St::FWeight: {
                const std::string& w = ReadString(c);
                p.s.fontWeight = w == "Bold" || w == "Black" || w == "Heavy" ? 1 : 0;
                p.mask |= PgfPatch::kWeight;
                Finish(c);
                break;
            }
            case St::FAngle: {
                const std::string& a = ReadString(c);
                p.s.fontAngle = a == "Italic" || a == "Oblique" ? 1 : 0;
                p.mask |= PgfPatch::kAngle;
                Finish(c);
                break;
            }
            default:
                Skip(c);
                break;
            }
        }
    }

    void ReadPgf(const Stmt& s, PgfPatch& p) {
        for (Stmt c; NextChild(s, &c);) {
            switch (Lookup(c.name)) {
            case St::PgfTag:
                p.tag = ReadString(c);
                p.hasTag = true;
                Finish(c);
                break;
            case St::PgfFont:
                ReadFont(c, p);
                break;
            case St::PgfLIndent:
                p.s.leftIndent = ReadMetricValue(c);
                p.mask |= PgfPatch::kLeft;
                break;
            case St::PgfFIndent:
                p.s.firstIndent = ReadMetricValue(c);
                p.mask |= PgfPatch::kFirst;
                break;
            case St::PgfRIndent:
                p.s.rightIndent = ReadMetricValue(c);
                p.mask |= PgfPatch::kRight;
                break;
            case St::PgfSpBefore:
                p.s.spaceBefore = ReadMetricValue(c);
                p.mask |= PgfPatch::kBefore;
                break;
            case St::PgfSpAfter:
                p.s.spaceAfter = ReadMetricValue(c);
                p.mask |= PgfPatch::kAfter;
                break;
            case St::PgfLeading:
                p.s.leading = ReadMetricValue(c);
                p.mask |= PgfPatch::kLeading;
                break;
            case St::PgfAlignment: {
                const std::string_view a = ReadWord(c);
                p.s.alignment = a == "Center"      ? kAlignCenter
                                : a == "Right"     ? kAlignRight
                                : a == "LeftRight" ? kAlignJustify
                                                   : kAlignLeft;
                p.mask |= PgfPatch::kAlign;
                Finish(c);
                break;
            }
            case St::PgfAutoNum:
                p.s.autoNumber = ReadYesNo(c) ? 1 : 0;
                p.mask |= PgfPatch::kAutoNum;
                Finish(c);
                break;
            case St::PgfNumFormat:
                p.s.numberFormat = ReadString(c);
                p.mask |= PgfPatch::kNumFormat;
                Finish(c);
                break;
            case St::PgfLanguage:
                p.s.language = LanguageCodeOfMif(ReadWord(c));
                p.mask |= PgfPatch::kLanguage;
                Finish(c);
                break;
            default:
                Skip(c);
                break;
            }
        }
    }

    void ReadPgfCatalog(const Stmt& s) {
        for (Stmt c; NextChild(s, &c);) {
            if (Lookup(c.name) != St::Pgf) {
                Skip(c);
                continue;
            }
            PgfPatch p;
            ReadPgf(c, p);
            if (p.hasTag) {
                PgfSettings settings;
                p.ApplyTo(settings);
                doc_.pgfFormats[doc_.EnsurePgfFormat(p.tag)].settings = settings;
            }
        }
    }

    void ReadTblCatalog(const Stmt& s) {
        for (Stmt c; NextChild(s, &c);) {
            if (Lookup(c.name) != St::TblFormat) {
                Skip(c);
                continue;
            }
            for (Stmt f; NextChild(c, &f);) {
                if (Lookup(f.name) == St::TblTag) {
                    doc_.EnsureTableFormat(ReadString(f));
                    Finish(f);
                } else {
                    Skip(f);
                }
            }
        }
    }

    void ReadConditionCatalog(const Stmt& s) {
        for (Stmt c; NextChild(s, &c);) {
            if (Lookup(c.name) != St::Condition) {
                Skip(c);
                continue;
            }
            std::string tag;
            bool shown = true;
            for (Stmt f; NextChild(c, &f);) {
                const St st = Lookup(f.name);
                if (st == St::CTag) {
                    tag = ReadString(f);
                    Finish(f);
                } else if (st == St::CState) {
                    shown = ReadWord(f) != "CHidden";
                    Finish(f);
                } else {
                    Skip(f);
                }
            }
            conditions_[tag] = shown;
        }
    }

    void ReadDocument(const Stmt& s) {
        for (Stmt c; NextChild(s, &c);) {
            const St st = Lookup(c.name);
            if (st == St::DShowAllConditions) {
                showAll_ = ReadYesNo(c);
                Finish(c);
            } else if (st == St::DPageSize) {
                const Metric w = ReadMetric(c);
                const Metric h = ReadMetric(c);
                if (w > 0 && h > 0) {
                    doc_.pageWidth = w;
                    doc_.pageHeight = h;
                }
                Finish(c);
            } else {
                Skip(c);
            }
        }
    }

    void ReadVariableFormats(const Stmt& s) {
        for (Stmt c; NextChild(s, &c);) {
            if (Lookup(c.name) != St::VariableFormat) {
                Skip(c);
                continue;
            }
            std::string name, def;
            for (Stmt f; NextChild(c, &f);) {
                const St st = Lookup(f.name);
                if (st == St::VariableName) {
                    name = ReadString(f);
                    Finish(f);
                } else if (st == St::VariableDef) {
                    // Building blocks such as <$curdate> are the host's to expand: drop them.
                    const std::string& raw = ReadString(f);
                    def.clear();
                    for (std::size_t i = 0; i < raw.size(); ++i) {
                        if (raw[i] == '<') {
                            const std::size_t close = raw.find('>', i);
                            if (close != std::string::npos) {
                                i = close;
                                continue;
                            }
                        }
                        def.push_back(raw[i]);
                    }
                    Finish(f);
                } else {
                    Skip(f);
                }
            }
            variables_[name] = def;
        }
    }

    // --- Tables

    struct Coverage {
        std::vector<std::int64_t> remaining; // rows still covered from above, per column
        std::vector<std::int64_t> below;     // rows the current row's straddles cover below
        std::int64_t rowCoveredUntil = 0;    // columns covered in the current row
    };

    void ReadTbl(const Stmt& s) {
        const ObjectId table = doc_.AddTable(0, 0);
        bool tagged = false;
        std::vector<Metric> widths;
        for (Stmt c; NextChild(s, &c);) {
            switch (Lookup(c.name)) {
            case St::TblID: {
                const std::int64_t id = ReadInt(c);
                if (!tableIds_.emplace(id, table).second) {
                    Fail(c.line, "duplicate table id " + std::to_string(id));
                }
                Finish(c);
                break;
            }
            case St::TblTag:
                doc_.FindTable(table)->format = doc_.EnsureTableFormat(ReadString(c));
                tagged = true;
                Finish(c);
                break;
            case St::TblNumColumns: {
                const std::int64_t n = ReadInt(c);
                if (n < 1 || n > kMaxColumns) {
                    Fail(c.line, "bad number of table columns " + std::to_string(n));
                }
                Table* t = doc_.FindTable(table);
                if (t->firstRow == 0) {
                    t->columns = static_cast<std::int32_t>(n);
                }
                Finish(c);
                break;
            }
            case St::TblColumnWidth:
                if (widths.size() < kMaxColumns) {
                    widths.push_back(ReadMetricValue(c));
                } else {
                    Skip(c);
                }
                break;
            case St::TblColumn: {
                std::int64_t num = static_cast<std::int64_t>(widths.size());
                Metric w = 72 * kMetricPoint;
                for (Stmt f; NextChild(c, &f);) {
                    const St st = Lookup(f.name);
                    if (st == St::TblColumnNum) {
                        num = ReadInt(f);
                        Finish(f);
                    } else if (st == St::TblColumnWidth) {
                        w = ReadMetricValue(f);
                    } else {
                        Skip(f);
                    }
                }
                if (num >= 0 && num < kMaxColumns) {
                    if (widths.size() <= static_cast<std::size_t>(num)) {
                        widths.resize(static_cast<std::size_t>(num) + 1, 72 * kMetricPoint);
                    }
                    widths[static_cast<std::size_t>(num)] = w;
                }
                break;
            }
            case St::TblTitle:
                for (Stmt f; NextChild(c, &f);) {
                    const St st = Lookup(f.name);
                    if (st == St::TblTitleContent) {
                        ReadParas(f, table);
                    } else if (st == St::Para) {
                        ReadPara(f, table, nullptr);
                    } else {
                        Skip(f);
                    }
                }
                break;
            case St::TblH:
                ReadRows(c, table, RowType::Heading);
                break;
            case St::TblBody:
                ReadRows(c, table, RowType::Body);
                break;
            case St::TblF:
                ReadRows(c, table, RowType::Footing);
                break;
            default:
                Skip(c);
                break;
            }
        }
        Table* t = doc_.FindTable(table);
        if (!tagged) {
            t->format = doc_.tableFormats.empty() ? doc_.EnsureTableFormat("Format A") : 0;
            t = doc_.FindTable(table);
        }
        if (t->columns == 0) {
            t->columns = 1;
        }
        widths.resize(static_cast<std::size_t>(t->columns), 72 * kMetricPoint);
        t->widths = std::move(widths);
    }

    // Paragraphs inside a content statement (title or cell).
    void ReadParas(const Stmt& s, ObjectId owner) {
        for (Stmt c; NextChild(s, &c);) {
            if (Lookup(c.name) == St::Para) {
                ReadPara(c, owner, nullptr);
            } else {
                Skip(c);
            }
        }
    }

    void ReadRows(const Stmt& s, ObjectId table, RowType type) {
        Coverage cov;
        for (Stmt c; NextChild(s, &c);) {
            if (Lookup(c.name) == St::Row) {
                ReadRow(c, table, type, cov);
            } else {
                Skip(c);
            }
        }
    }

    static bool Covered(const Coverage& cov, std::int64_t col) {
        return col < cov.rowCoveredUntil || (static_cast<std::size_t>(col) < cov.remaining.size() &&
                                             cov.remaining[static_cast<std::size_t>(col)] > 0);
    }

    ObjectId NewCell(ObjectId row, const Coverage& cov) {
        const ObjectId cell = doc_.AddCell(row);
        Cell* c = doc_.FindCell(cell);
        c->shown = Covered(cov, c->column) ? 0 : 1;
        return cell;
    }

    void ReadRow(const Stmt& s, ObjectId table, RowType type, Coverage& cov) {
        const ObjectId row = doc_.AddRow(table, type);
        cov.rowCoveredUntil = 0;
        cov.below.assign(cov.remaining.size(), 0);
        for (Stmt c; NextChild(s, &c);) {
            if (Lookup(c.name) != St::Cell) {
                Skip(c);
                continue;
            }
            const std::int32_t columns = doc_.FindTable(table)->columns;
            if (columns > 0 &&
                doc_.FindRow(row)->cellCount >= static_cast<std::uint32_t>(columns)) {
                Skip(c); // more cells than columns: the extra ones are not part of the table
                continue;
            }
            ReadCell(c, row, cov);
        }
        Table* t = doc_.FindTable(table);
        if (t->columns == 0) {
            t->columns = static_cast<std::int32_t>(
                std::clamp<std::uint32_t>(doc_.FindRow(row)->cellCount, 1, kMaxColumns));
        }
        // A row that lists fewer cells than the table has columns gets empty ones.
        while (doc_.FindRow(row)->cellCount < static_cast<std::uint32_t>(t->columns)) {
            const ObjectId cell = NewCell(row, cov);
            doc_.AppendParagraph(cell, LastFormat());
            t = doc_.FindTable(table);
        }
        for (std::size_t k = 0; k < cov.remaining.size(); ++k) {
            cov.remaining[k] = std::max<std::int64_t>(cov.remaining[k] - 1, 0);
            if (k < cov.below.size()) {
                cov.remaining[k] = std::max(cov.remaining[k], cov.below[k]);
            }
        }
    }

    void ReadCell(const Stmt& s, ObjectId row, Coverage& cov) {
        const ObjectId cell = NewCell(row, cov);
        std::int64_t cols = 1, rows = 1;
        for (Stmt c; NextChild(s, &c);) {
            switch (Lookup(c.name)) {
            case St::CellColumns:
                cols = std::clamp<std::int64_t>(ReadInt(c), 1, kMaxColumns);
                Finish(c);
                break;
            case St::CellRows:
                rows = std::clamp<std::int64_t>(ReadInt(c), 1, kMaxSpan);
                Finish(c);
                break;
            case St::CellContent:
                ReadParas(c, cell);
                break;
            case St::Para:
                ReadPara(c, cell, nullptr);
                break;
            default:
                Skip(c);
                break;
            }
        }
        Cell* c = doc_.FindCell(cell);
        if (c->firstPara == 0) {
            doc_.AppendParagraph(cell, LastFormat());
            c = doc_.FindCell(cell);
        }
        if (c->shown == 0 || (cols == 1 && rows == 1)) {
            return;
        }
        c->colSpan = static_cast<std::int32_t>(cols);
        c->rowSpan = static_cast<std::int32_t>(rows);
        const std::int64_t first = c->column;
        cov.rowCoveredUntil = first + cols;
        if (rows > 1) {
            const auto needed = static_cast<std::size_t>(first + cols);
            if (cov.remaining.size() < needed) {
                cov.remaining.resize(needed, 0);
            }
            if (cov.below.size() < needed) {
                cov.below.resize(needed, 0);
            }
            for (std::int64_t k = first; k < first + cols; ++k) {
                cov.below[static_cast<std::size_t>(k)] =
                    std::max(cov.below[static_cast<std::size_t>(k)], rows - 1);
            }
        }
    }

    // --- Pages and graphics

    void RegisterGraphic(const Stmt& s, ObjectId obj) {
        const std::int64_t id = ReadInt(s);
        if (!graphicIds_.emplace(id, obj).second) {
            Fail(s.line, "duplicate object ID " + std::to_string(id));
        }
        Finish(s);
    }

    Rect ReadRect(const Stmt& s) {
        Rect r;
        r.x = ReadMetric(s);
        r.y = ReadMetric(s);
        r.w = ReadMetric(s);
        r.h = ReadMetric(s);
        Finish(s);
        return r;
    }

    void ReadPage(const Stmt& s) {
        ObjectId page = 0;
        std::string name;
        auto ensure = [&](Kind kind) {
            if (page == 0) {
                page = doc_.AddPage(kind, name);
            }
            return page;
        };
        for (Stmt c; NextChild(s, &c);) {
            const St st = Lookup(c.name);
            if (st == St::PageType) {
                const std::string_view t = ReadWord(c);
                Kind kind = kKindBodyPage;
                if (t == "LeftMasterPage" || t == "RightMasterPage" || t == "OtherMasterPage") {
                    kind = kKindMasterPage;
                } else if (t == "ReferencePage") {
                    kind = kKindReferencePage;
                } else if (t == "HiddenPage") {
                    kind = kKindHiddenPage;
                } else if (t != "BodyPage") {
                    Fail(c.line, "unknown page type '" + std::string(t.substr(0, 40)) + "'");
                }
                if (page != 0) {
                    Fail(c.line, "<PageType> after the page's objects");
                }
                ensure(kind);
                Finish(c);
            } else if (st == St::PageTag) {
                name = ReadString(c);
                if (page != 0) {
                    doc_.FindPage(page)->name = name;
                }
                Finish(c);
            } else if (!ReadObject(c, st, 0, [&] { return ensure(kKindBodyPage); })) {
                Skip(c);
            }
        }
        ensure(kKindBodyPage);
    }

    // Reads an object that lies on a page or in a frame; false when c is no such object.
    template <typename Parent> bool ReadObject(const Stmt& c, St st, int depth, Parent parent) {
        switch (st) {
        case St::TextRect: {
            const ObjectId tf = doc_.AddTextFrame(parent());
            for (Stmt f; NextChild(c, &f);) {
                const St fs = Lookup(f.name);
                if (fs == St::ID) {
                    RegisterGraphic(f, tf);
                } else if (fs == St::ShapeRect) {
                    const Rect r = ReadRect(f);
                    doc_.FindGraphic(tf)->rect = r;
                } else {
                    Skip(f);
                }
            }
            return true;
        }
        case St::Frame:
            ReadFrame(c, parent(), depth);
            return true;
        case St::TextLine:
            ReadTextLine(c, parent());
            return true;
        case St::Graphic:
        case St::ImportObject: {
            const ObjectId g = doc_.AddGraphic(parent(), std::string(c.name));
            const bool facets = st == St::ImportObject;
            lex_.SetFacets(facets);
            for (Stmt f; NextChild(c, &f);) {
                if (Lookup(f.name) == St::ID) {
                    RegisterGraphic(f, g);
                } else {
                    Skip(f);
                    lex_.SetFacets(facets);
                }
            }
            lex_.SetFacets(false);
            return true;
        }
        default:
            return false;
        }
    }

    void ReadFrame(const Stmt& s, ObjectId parent, int depth = 0) {
        if (depth >= kMaxFrameNesting) {
            Fail(s.line, "frames nested too deeply");
        }
        const ObjectId frame = doc_.AddGraphicFrame(parent);
        for (Stmt c; NextChild(s, &c);) {
            const St st = Lookup(c.name);
            if (st == St::ID) {
                RegisterGraphic(c, frame);
            } else if (st == St::ShapeRect) {
                const Rect r = ReadRect(c);
                doc_.FindGraphic(frame)->rect = r;
            } else if (!ReadObject(c, st, depth + 1, [frame] { return frame; })) {
                Skip(c);
            }
        }
    }

    void ReadTextLine(const Stmt& s, ObjectId parent) {
        const ObjectId line = doc_.AddTextLine(parent);
        bool newRun = true;
        for (Stmt c; NextChild(s, &c);) {
            switch (Lookup(c.name)) {
            case St::ID:
                RegisterGraphic(c, line);
                break;
            case St::String:
                doc_.FindGraphic(line)->body.Append(ReadString(c), true);
                newRun = false;
                Finish(c);
                break;
            case St::Char:
                doc_.FindGraphic(line)->body.Append(CharBytes(ReadWord(c)), newRun);
                newRun = false;
                Finish(c);
                break;
            case St::Font:
                newRun = true;
                Skip(c);
                break;
            default:
                Skip(c);
                break;
            }
        }
    }

    // --- Flows and paragraphs

    void ReadTextFlow(const Stmt& s) {
        FlowRead fr;
        fr.flow = doc_.AddFlow({});
        currentFrame_ = 0;
        for (Stmt c; NextChild(s, &c);) {
            switch (Lookup(c.name)) {
            case St::TFTag:
                doc_.FindFlow(fr.flow)->tag = ReadString(c);
                Finish(c);
                break;
            case St::Notes:
                for (Stmt n; NextChild(c, &n);) {
                    if (Lookup(n.name) == St::FNote) {
                        ReadFootnote(n);
                    } else {
                        Skip(n);
                    }
                }
                break;
            case St::Para:
                ReadPara(c, fr.flow, &fr);
                break;
            default:
                Skip(c);
                break;
            }
        }
        flows_.push_back(std::move(fr));
    }

    void ReadFootnote(const Stmt& s) {
        const ObjectId fn = doc_.AddFootnote();
        for (Stmt c; NextChild(s, &c);) {
            const St st = Lookup(c.name);
            if (st == St::ID) {
                const std::int64_t id = ReadInt(c);
                if (!footnoteIds_.emplace(id, fn).second) {
                    Fail(c.line, "duplicate footnote ID " + std::to_string(id));
                }
                Finish(c);
            } else if (st == St::Para) {
                ReadPara(c, fn, nullptr);
            } else {
                Skip(c);
            }
        }
    }

    std::uint32_t LastFormat() {
        if (lastFormat_ < 0) {
            lastFormat_ = doc_.EnsurePgfFormat("Body");
        }
        return static_cast<std::uint32_t>(lastFormat_);
    }

    void ReadPara(const Stmt& s, ObjectId owner, FlowRead* flow) {
        const ObjectId para = doc_.AppendParagraph(owner, 0);
        doc_.FindParagraph(para)->source = {static_cast<std::uint32_t>(s.line),
                                            static_cast<std::uint32_t>(s.column)};
        std::string tag;
        bool hasTag = false;
        bool hasPatch = false;
        std::int64_t frame = 0;
        hidden_ = false;
        for (Stmt c; NextChild(s, &c);) {
            switch (Lookup(c.name)) {
            case St::PgfTag:
                tag = ReadString(c);
                hasTag = true;
                Finish(c);
                break;
            case St::Pgf:
                patch_ = PgfPatch();
                ReadPgf(c, patch_);
                hasPatch = true;
                break;
            case St::ParaLine:
                ReadParaLine(c, para, flow != nullptr ? &frame : nullptr);
                break;
            default:
                Skip(c);
                break;
            }
        }
        std::uint32_t format = 0;
        if (hasTag) {
            format = doc_.EnsurePgfFormat(tag);
        } else if (hasPatch && patch_.hasTag) {
            format = doc_.EnsurePgfFormat(patch_.tag);
        } else {
            format = LastFormat();
        }
        lastFormat_ = format;
        Paragraph& p = *doc_.FindParagraph(para);
        p.format = format;
        const PgfFormat& f = doc_.pgfFormats[format];
        if (hasPatch && patch_.mask != 0) {
            PgfSettings s2 = f.settings;
            patch_.ApplyTo(s2);
            if (!(s2 == f.settings)) {
                doc_.overrides.push_back(std::move(s2));
                p.override = static_cast<std::int32_t>(doc_.overrides.size() - 1);
            }
        }
        if (!options_.excludedFormats.empty() &&
            std::find(options_.excludedFormats.begin(), options_.excludedFormats.end(), f.name) !=
                options_.excludedFormats.end()) {
            p.textClass = 0;
        }
        if ((options_.excludeTables &&
             (KindOf(owner) == kKindCell || KindOf(owner) == kKindTable)) ||
            (options_.excludeHeadings && IsHeadingFormat(f.name))) {
            p.textClass = 0;
        }
        if (flow != nullptr) {
            flow->paras.push_back({para, frame != 0 ? frame : currentFrame_, s.line});
        }
    }

    void AddPendingAnchor(const Stmt& c, ObjectId para, SegType type) {
        const std::int64_t id = ReadInt(c);
        Finish(c);
        if (hidden_) {
            return;
        }
        TextBody& body = doc_.FindParagraph(para)->body;
        body.AddAnchor(type, 0);
        anchors_.push_back(
            {para, static_cast<std::uint32_t>(body.segs().size() - 1), id, c.line, type});
    }

    void ReadParaLine(const Stmt& s, ObjectId para, std::int64_t* frame) {
        for (Stmt c; NextChild(s, &c);) {
            switch (Lookup(c.name)) {
            case St::TextRectID: {
                const std::int64_t id = ReadInt(c);
                Finish(c);
                if (frame != nullptr) {
                    if (*frame == 0) {
                        *frame = id;
                    }
                    currentFrame_ = id;
                }
                break;
            }
            case St::String: {
                const std::string& text = ReadString(c);
                if (!hidden_) {
                    TextBody& body = doc_.FindParagraph(para)->body;
                    const std::int32_t at = body.size();
                    body.Append(text, true);
                    for (const MifLexer::StringMark& m : lex_.stringMarks()) {
                        doc_.MarkSource(para, at + static_cast<std::int32_t>(m.offset),
                                        {static_cast<std::uint32_t>(m.line),
                                         static_cast<std::uint32_t>(m.column)});
                    }
                }
                newRun_ = false;
                Finish(c);
                break;
            }
            case St::Char: {
                const std::string_view bytes = CharBytes(ReadWord(c));
                if (!hidden_) {
                    doc_.FindParagraph(para)->body.Append(bytes, newRun_);
                    newRun_ = false;
                }
                Finish(c);
                break;
            }
            case St::Font:
                newRun_ = true;
                Skip(c);
                break;
            case St::ATbl:
                AddPendingAnchor(c, para, SegType::TableAnchor);
                break;
            case St::AFrame:
                AddPendingAnchor(c, para, SegType::FrameAnchor);
                break;
            case St::FNote:
                AddPendingAnchor(c, para, SegType::FootnoteAnchor);
                break;
            case St::Marker: {
                std::int64_t type = 0;
                for (Stmt f; NextChild(c, &f);) {
                    if (Lookup(f.name) == St::MType) {
                        type = ReadInt(f);
                        Finish(f);
                    } else {
                        Skip(f);
                    }
                }
                if (!hidden_) {
                    doc_.FindParagraph(para)->body.AddAnchor(SegType::Marker,
                                                             static_cast<ObjectId>(type));
                }
                break;
            }
            case St::Variable: {
                std::string name;
                for (Stmt f; NextChild(c, &f);) {
                    if (Lookup(f.name) == St::VariableName) {
                        name = ReadString(f);
                        Finish(f);
                    } else {
                        Skip(f);
                    }
                }
                if (!hidden_) {
                    TextBody& body = doc_.FindParagraph(para)->body;
                    body.AddAnchor(SegType::Variable, 0);
                    auto it = variables_.find(name);
                    if (it != variables_.end()) {
                        body.Append(it->second, true);
                    }
                    newRun_ = true;
                }
                break;
            }
            case St::XRef:
                Skip(c);
                if (!hidden_) {
                    doc_.FindParagraph(para)->body.AddAnchor(SegType::XRef, 0);
                }
                newRun_ = true;
                break;
            case St::Conditional: {
                bool any = false, shown = false;
                for (Stmt f; NextChild(c, &f);) {
                    if (Lookup(f.name) == St::InCondition) {
                        auto it = conditions_.find(ReadString(f));
                        any = true;
                        shown = shown || it == conditions_.end() || it->second;
                        Finish(f);
                    } else {
                        Skip(f);
                    }
                }
                // Text is hidden when every condition it carries is hidden.
                hidden_ = any && !shown && !showAll_;
                newRun_ = true;
                break;
            }
            case St::Unconditional:
                hidden_ = false;
                newRun_ = true;
                Finish(c);
                break;
            default:
                Skip(c);
                break;
            }
        }
    }

    // --- References and layout, once everything is read

    void Finalize() {
        for (const PendingAnchor& a : anchors_) {
            ResolveAnchor(a);
        }
        for (FlowRead& fr : flows_) {
            PlaceFlow(fr);
        }
        ChooseMainFlow();
        doc_.BreakParentCycles();
        // Each paragraph keeps the language of its format or its own settings.
        for (Paragraph& p : doc_.paras)
            p.language = doc_.LanguageIndex(doc_.SettingsOf(p).language);
        doc_.FinishSourceMarks();
        if (const Flow* f = doc_.FindFlow(doc_.mainFlow); f != nullptr && f->firstPara != 0) {
            doc_.selection = {{f->firstPara, 0}, {f->firstPara, 0}};
        }
    }

    void ResolveAnchor(const PendingAnchor& a) {
        const char* what = a.type == SegType::TableAnchor      ? "table"
                           : a.type == SegType::FootnoteAnchor ? "footnote"
                                                               : "anchored frame";
        const auto& ids = a.type == SegType::TableAnchor      ? tableIds_
                          : a.type == SegType::FootnoteAnchor ? footnoteIds_
                                                              : graphicIds_;
        auto it = ids.find(a.id);
        if (it == ids.end()) {
            Fail(a.line, std::string("reference to ") + what + " " + std::to_string(a.id) +
                             ", which is not defined");
        }
        const ObjectId target = it->second;
        ObjectId* anchorPara = nullptr;
        if (a.type == SegType::TableAnchor) {
            anchorPara = &doc_.FindTable(target)->anchorPara;
        } else if (a.type == SegType::FootnoteAnchor) {
            anchorPara = &doc_.FindFootnote(target)->anchorPara;
        } else {
            Graphic* g = doc_.FindGraphic(target);
            if (KindOf(target) != kKindGraphicFrame || g->page != 0 || g->frame != 0) {
                Fail(a.line,
                     "<AFrame " + std::to_string(a.id) + "> does not name a frame of <AFrames>");
            }
            anchorPara = &g->anchorPara;
        }
        if (*anchorPara != 0) {
            Fail(a.line, std::string(what) + " " + std::to_string(a.id) + " is anchored twice");
        }
        *anchorPara = a.para;
        doc_.FindParagraph(a.para)->body.AnchorAt(a.seg).value = target;
    }

    void PlaceFlow(FlowRead& fr) {
        std::int64_t first = 0;
        for (const FlowPara& p : fr.paras) {
            if (p.frame != 0) {
                first = p.frame;
                break;
            }
        }
        if (fr.paras.empty()) {
            return;
        }
        if (first == 0) {
            // A file without pages: the flow gets a body page with one text frame.
            const Metric margin = 72 * kMetricPoint;
            const ObjectId frame = doc_.AddBodyPageWithFrame(
                {margin, margin, std::max(doc_.pageWidth - 2 * margin, margin),
                 std::max(doc_.pageHeight - 2 * margin, margin)});
            for (const FlowPara& p : fr.paras) {
                doc_.FindParagraph(p.para)->frame = frame;
            }
        } else {
            for (const FlowPara& p : fr.paras) {
                const std::int64_t id = p.frame != 0 ? p.frame : first;
                auto it = graphicIds_.find(id);
                if (it == graphicIds_.end() || KindOf(it->second) != kKindTextFrame) {
                    Fail(p.line,
                         "<TextRectID " + std::to_string(id) + "> does not name a text frame");
                }
                doc_.FindParagraph(p.para)->frame = it->second;
            }
        }
        doc_.LinkFlowFrames(fr.flow);
    }

    void ChooseMainFlow() {
        ObjectId onBody = 0;
        for (const Flow& f : doc_.flows) {
            const bool body =
                !f.frames.empty() && KindOf(doc_.PageOf(f.frames.front())) == kKindBodyPage;
            if (body && f.tag == "A") {
                doc_.mainFlow = f.id;
                return;
            }
            if (body && onBody == 0) {
                onBody = f.id;
            }
        }
        doc_.mainFlow = onBody != 0 ? onBody : (doc_.flows.empty() ? 0 : doc_.flows.front().id);
    }

    Document& doc_;
    const ReaderOptions& options_;
    double unit_ = 72.0; // points per bare number: inches until <Units> says otherwise
    std::unordered_map<std::int64_t, ObjectId> graphicIds_, tableIds_, footnoteIds_;
    std::vector<PendingAnchor> anchors_;
    std::vector<FlowRead> flows_;
    std::unordered_map<std::string, bool> conditions_;
    std::unordered_map<std::string, std::string> variables_;
    bool showAll_ = false;
    std::int64_t lastFormat_ = -1;
    std::int64_t currentFrame_ = 0;
    bool hidden_ = false;
    bool newRun_ = true;
    PgfPatch patch_;
};

} // namespace

bool ReadMifDocument(std::string_view data, std::string_view fileName, Document& doc,
                     const ReaderOptions& options, std::string* error) {
    try {
        DocReader reader(data, doc, options);
        reader.Run();
        return true;
    } catch (const MifError& e) {
        *error = ErrorText(fileName, e.line(), e.what());
    } catch (const std::length_error& e) {
        *error = std::string(fileName) + ": " + e.what();
    } catch (const std::bad_alloc&) {
        *error = std::string(fileName) + ": out of memory";
    }
    return false;
}

ObjectId OpenMifDocument(Session& session, const OpenRequest& request, std::int32_t* status,
                         std::string* error) {
    Document& d = session.NewDocument();
    d.path = request.asTemplate ? std::string() : request.path;
    if (!ReadMifDocument(request.data, request.path, d, session.readerOptions, error)) {
        session.Close(d.id(), 1);
        *status = kErrBadFile;
        return 0;
    }
    return d.id();
}

} // namespace lxhost
