#include "host/formats/mif_writer.h"

#include "host/formats/mif_languages.h"

#include "host/formats/frameroman.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <unordered_map>

namespace lxhost {

namespace {

// A Metric in points, exact enough that reading it back gives the same Metric.
std::string Points(Metric m) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.6f", static_cast<double>(m) / kMetricPoint);
    std::string s(buf);
    while (s.size() > 1 && s.back() == '0' && s[s.size() - 2] != '.') {
        s.pop_back();
    }
    return s + " pt";
}

void AppendMifString(std::string& out, std::string_view text) {
    out += '`';
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\'':
            out += "\\q";
            break;
        case '`':
            out += "\\Q";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '>':
            out += "\\>";
            break;
        case 0x08:
            out += "\\t";
            break;
        default:
            if (c >= 0x20 && c < 0x7F) {
                out += ch;
            } else {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x ", c);
                out += buf;
            }
        }
    }
    out += '\'';
}

class Writer {
  public:
    explicit Writer(Document& doc) : d_(doc) {
        for (std::size_t i = 0; i < d_.tables.size(); ++i) {
            tableIds_[d_.tables[i].id] = static_cast<int>(i + 1);
        }
        for (std::size_t i = 0; i < d_.footnotes.size(); ++i) {
            footnoteIds_[d_.footnotes[i].id] = static_cast<int>(i + 1);
        }
        int next = 1;
        for (const Graphic& g : d_.graphics) {
            if (KindOf(g.id) == kKindTextFrame) {
                frameIds_[g.id] = next++;
            }
        }
    }

    std::string Run() {
        out_ = std::string(kWrittenMifHead) + "<Units Upt>\n";
        Catalogs();
        out_ += "<Document\n <DPageSize " + Points(d_.pageWidth) + " " + Points(d_.pageHeight) +
                ">\n> # end of Document\n";
        Tables();
        Page();
        Flows();
        return std::move(out_);
    }

  private:
    void Settings(const PgfSettings& s, const char* indent) {
        const std::string in(indent);
        out_ += in + "<PgfFont <FFamily ";
        AppendMifString(out_, s.fontFamily);
        out_ += "> <FSize " + Points(s.fontSize) + "> <FWeight `" +
                (s.fontWeight != 0 ? "Bold" : "Regular") + "'> <FAngle `" +
                (s.fontAngle != 0 ? "Italic" : "Regular") + "'>>\n";
        out_ += in + "<PgfLIndent " + Points(s.leftIndent) + "> <PgfFIndent " +
                Points(s.firstIndent) + "> <PgfRIndent " + Points(s.rightIndent) + ">\n";
        out_ += in + "<PgfSpBefore " + Points(s.spaceBefore) + "> <PgfSpAfter " +
                Points(s.spaceAfter) + "> <PgfLeading " + Points(s.leading) + ">\n";
        static const char* const kAlign[] = {"Left", "Center", "Right", "LeftRight"};
        const int a = s.alignment >= 0 && s.alignment <= 3 ? s.alignment : 0;
        out_ += in + "<PgfAlignment " + kAlign[a] + "> <PgfAutoNum " +
                (s.autoNumber != 0 ? "Yes" : "No") + "> <PgfNumFormat ";
        AppendMifString(out_, s.numberFormat);
        out_ += ">\n";
        // A MIF language name is one word; a code kept from another name is written only when
        // it is one too.
        const std::string language = MifLanguageOfCode(s.language);
        if (!language.empty() && std::all_of(language.begin(), language.end(), [](char c) {
                return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
            }))
            out_ += in + "<PgfLanguage " + language + ">\n";
    }

    void Catalogs() {
        out_ += "<PgfCatalog\n";
        for (const PgfFormat& f : d_.pgfFormats) {
            out_ += " <Pgf\n  <PgfTag ";
            AppendMifString(out_, f.name);
            out_ += ">\n";
            Settings(f.settings, "  ");
            out_ += " > # end of Pgf\n";
        }
        out_ += "> # end of PgfCatalog\n<TblCatalog\n";
        for (const TableFormat& f : d_.tableFormats) {
            out_ += " <TblFormat <TblTag ";
            AppendMifString(out_, f.name);
            out_ += ">>\n";
        }
        out_ += "> # end of TblCatalog\n";
    }

    void Para(const Paragraph& p, bool inFlow, ObjectId* lastFrame, const char* indent) {
        const std::string in(indent);
        out_ += in + "<Para\n" + in + " <PgfTag ";
        AppendMifString(out_, d_.FormatNameOf(p));
        out_ += ">\n";
        if (p.override >= 0) {
            out_ += in + " <Pgf\n";
            Settings(d_.SettingsOf(p), (in + "  ").c_str());
            out_ += in + " >\n";
        }
        out_ += in + " <ParaLine";
        if (inFlow && p.frame != 0 && p.frame != *lastFrame && frameIds_.count(p.frame) != 0) {
            out_ += " <TextRectID " + std::to_string(frameIds_[p.frame]) + ">";
            *lastFrame = p.frame;
        }
        for (const Segment& s : p.body.segs()) {
            switch (s.type) {
            case SegType::Run:
                out_ += "\n" + in + "  <String ";
                AppendMifString(out_, std::string_view(p.body.text())
                                          .substr(static_cast<std::size_t>(s.offset),
                                                  static_cast<std::size_t>(s.length)));
                out_ += ">";
                break;
            case SegType::TableAnchor:
                if (tableIds_.count(s.value) != 0) {
                    out_ += "\n" + in + "  <ATbl " + std::to_string(tableIds_[s.value]) + ">";
                }
                break;
            case SegType::FootnoteAnchor:
                if (footnoteIds_.count(s.value) != 0) {
                    out_ += "\n" + in + "  <FNote " + std::to_string(footnoteIds_[s.value]) + ">";
                }
                break;
            case SegType::Marker:
                out_ += "\n" + in + "  <Marker <MType " + std::to_string(s.value) + ">>";
                break;
            default:
                break; // anchored frames are not written; variable text is in the runs
            }
        }
        out_ += "\n" + in + " >\n" + in + "> # end of Para\n";
    }

    void Chain(ObjectId first, const char* indent) {
        ObjectId none = 0;
        for (ObjectId id = first; id != 0;) {
            const Paragraph& p = *d_.FindParagraph(id);
            Para(p, false, &none, indent);
            id = p.next;
        }
    }

    void Tables() {
        out_ += "<Tbls\n";
        for (std::size_t i = 0; i < d_.tables.size(); ++i) {
            const Table& t = d_.tables[i];
            out_ += " <Tbl\n  <TblID " + std::to_string(i + 1) + ">\n  <TblTag ";
            AppendMifString(out_, t.format < d_.tableFormats.size() ? d_.tableFormats[t.format].name
                                                                    : std::string());
            out_ += ">\n  <TblNumColumns " + std::to_string(t.columns) + ">\n";
            for (Metric w : t.widths) {
                out_ += "  <TblColumnWidth " + Points(w) + ">\n";
            }
            if (t.titleFirst != 0) {
                out_ += "  <TblTitle\n   <TblTitleContent\n";
                Chain(t.titleFirst, "    ");
                out_ += "   >\n  >\n";
            }
            const std::pair<RowType, const char*> sections[] = {
                {RowType::Heading, "TblH"}, {RowType::Body, "TblBody"}, {RowType::Footing, "TblF"}};
            for (const auto& [type, name] : sections) {
                bool open = false;
                for (ObjectId r = t.firstRow; r != 0;) {
                    const Row& row = *d_.FindRow(r);
                    if (row.type == type) {
                        if (!open) {
                            out_ += std::string("  <") + name + "\n";
                            open = true;
                        }
                        RowOut(row);
                    }
                    r = row.next;
                }
                if (open) {
                    out_ += std::string("  > # end of ") + name + "\n";
                }
            }
            out_ += " > # end of Tbl\n";
        }
        out_ += "> # end of Tbls\n";
    }

    void RowOut(const Row& row) {
        out_ += "   <Row\n";
        for (std::uint32_t c = 0; c < row.cellCount; ++c) {
            const Cell& cell = d_.cells[row.firstCell + c];
            out_ += "    <Cell";
            if (cell.colSpan > 1) {
                out_ += " <CellColumns " + std::to_string(cell.colSpan) + ">";
            }
            if (cell.rowSpan > 1) {
                out_ += " <CellRows " + std::to_string(cell.rowSpan) + ">";
            }
            out_ += "\n     <CellContent\n";
            Chain(cell.firstPara, "      ");
            out_ += "     >\n    > # end of Cell\n";
        }
        out_ += "   > # end of Row\n";
    }

    void Page() {
        out_ += "<Page\n <PageType BodyPage>\n";
        for (const Graphic& g : d_.graphics) {
            if (KindOf(g.id) == kKindTextFrame) {
                out_ += " <TextRect <ID " + std::to_string(frameIds_[g.id]) + "> <ShapeRect " +
                        Points(g.rect.x) + " " + Points(g.rect.y) + " " + Points(g.rect.w) + " " +
                        Points(g.rect.h) + ">>\n";
            }
        }
        out_ += "> # end of Page\n";
    }

    void Flows() {
        bool notesWritten = false;
        for (const Flow& f : d_.flows) {
            out_ += "<TextFlow\n <TFTag ";
            AppendMifString(out_, f.tag);
            out_ += ">\n <TFAutoConnect Yes>\n";
            if (!notesWritten && !d_.footnotes.empty()) {
                // Footnote ids are the document's: all notes go with the first flow.
                out_ += " <Notes\n";
                for (std::size_t i = 0; i < d_.footnotes.size(); ++i) {
                    out_ += "  <FNote\n   <ID " + std::to_string(i + 1) + ">\n";
                    Chain(d_.footnotes[i].firstPara, "   ");
                    out_ += "  > # end of FNote\n";
                }
                out_ += " > # end of Notes\n";
                notesWritten = true;
            }
            ObjectId lastFrame = 0;
            for (ObjectId id = f.firstPara; id != 0;) {
                const Paragraph& p = *d_.FindParagraph(id);
                Para(p, true, &lastFrame, " ");
                id = p.next;
            }
            out_ += "> # end of TextFlow\n";
        }
    }

    Document& d_;
    std::string out_;
    std::unordered_map<ObjectId, int> tableIds_, footnoteIds_, frameIds_;
};

// --- Plain text

std::size_t Columns(std::string_view utf8) {
    std::size_t n = 0;
    for (char c : utf8) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++n;
        }
    }
    return n;
}

std::string ToTerminal(std::string_view text) {
    std::string out;
    for (char ch : text) {
        switch (static_cast<unsigned char>(ch)) {
        case 0x08:
            out += "    ";
            break;
        case 0x09:
            out += '\n';
            break;
        case 0x11:
            out += ' ';
            break;
        case 0x04:
        case 0x05:
            break;
        default:
            FrameRomanToUtf8(std::string_view(&ch, 1), out);
        }
    }
    return out;
}

class Renderer {
  public:
    explicit Renderer(Document& doc) : d_(doc) {}

    std::string Run() {
        const Flow* main = d_.FindFlow(d_.mainFlow);
        if (main != nullptr) {
            for (ObjectId id = main->firstPara; id != 0;) {
                const Paragraph& p = *d_.FindParagraph(id);
                ParaOut(p);
                id = p.next;
            }
        }
        return std::move(out_);
    }

  private:
    std::string Text(const Paragraph& p) { return ToTerminal(p.body.text()); }

    void ParaOut(const Paragraph& p) {
        const std::string& format = d_.FormatNameOf(p);
        const std::string text = Text(p);
        const bool h1 = format == "Heading1" || format == "Title";
        const bool h2 = !h1 && format.starts_with("Heading");
        if (h1 || h2) {
            if (!out_.empty()) {
                out_ += '\n';
            }
            out_ += text + '\n' + std::string(Columns(text), h1 ? '=' : '-') + '\n';
        } else {
            out_ += text + '\n';
        }
        for (const Segment& s : p.body.segs()) {
            if (s.type == SegType::TableAnchor) {
                if (const Table* t = d_.FindTable(s.value)) {
                    TableOut(*t);
                }
            }
        }
    }

    std::string ChainText(ObjectId first) {
        std::string out;
        for (ObjectId id = first; id != 0;) {
            const Paragraph& p = *d_.FindParagraph(id);
            if (!out.empty()) {
                out += ' ';
            }
            out += Text(p);
            id = p.next;
        }
        return out;
    }

    void TableOut(const Table& t) {
        if (t.titleFirst != 0) {
            out_ += ChainText(t.titleFirst) + '\n';
        }
        std::vector<std::vector<std::string>> grid;
        std::vector<bool> heading;
        std::vector<std::size_t> width(static_cast<std::size_t>(std::max(t.columns, 1)), 0);
        for (ObjectId r = t.firstRow; r != 0;) {
            const Row& row = *d_.FindRow(r);
            std::vector<std::string> cells;
            for (std::uint32_t c = 0; c < row.cellCount; ++c) {
                const Cell& cell = d_.cells[row.firstCell + c];
                cells.push_back(cell.shown != 0 ? ChainText(cell.firstPara) : std::string());
                if (c < width.size()) {
                    width[c] = std::max(width[c], Columns(cells.back()));
                }
            }
            grid.push_back(std::move(cells));
            heading.push_back(row.type == RowType::Heading);
            r = row.next;
        }
        for (std::size_t i = 0; i < grid.size(); ++i) {
            std::string line;
            for (std::size_t c = 0; c < grid[i].size() && c < width.size(); ++c) {
                line += grid[i][c];
                if (c + 1 < grid[i].size()) {
                    line += std::string(width[c] - Columns(grid[i][c]) + 2, ' ');
                }
            }
            while (!line.empty() && line.back() == ' ') {
                line.pop_back();
            }
            out_ += line + '\n';
            if (heading[i] && (i + 1 == grid.size() || !heading[i + 1])) {
                std::string rule;
                for (std::size_t c = 0; c < width.size(); ++c) {
                    rule += std::string(std::max<std::size_t>(width[c], 1), '-');
                    if (c + 1 < width.size()) {
                        rule += "  ";
                    }
                }
                out_ += rule + '\n';
            }
        }
    }

    Document& d_;
    std::string out_;
};

} // namespace

std::string WriteMif(Document& doc) {
    return Writer(doc).Run();
}

bool SaveMif(Document& doc, const std::string& path, std::string* error) {
    const std::string text = WriteMif(doc);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        *error = path + ": cannot write the file";
        return false;
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
        *error = path + ": cannot write the file";
        return false;
    }
    return true;
}

std::string RenderText(Document& doc) {
    return Renderer(doc).Run();
}

} // namespace lxhost
