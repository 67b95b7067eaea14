#include "tool/run_report.h"

#include "host/formats/frameroman.h"
#include "host/formats/mif_writer.h"

namespace lxcli {

namespace {

std::string Utf8(const std::string& frameRoman) {
    std::string out;
    lxhost::FrameRomanToUtf8(frameRoman, out);
    return out;
}

std::string ParagraphText(lxhost::Document& doc, ObjectId first) {
    std::string text;
    for (ObjectId id = first; id != 0;) {
        const lxhost::Paragraph* p = doc.FindParagraph(id);
        if (!p)
            break;
        if (!text.empty())
            text += '\n';
        text += Utf8(p->body.text);
        id = p->next;
    }
    return text;
}

} // namespace

std::string AsTextBlock(std::string_view text) {
    while (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    if (text.empty())
        return {};
    std::string block(text);
    block += '\n';
    return block;
}

OutputDocument DescribeDocument(lxhost::Document& doc) {
    OutputDocument out;
    if (const lxhost::Flow* main = doc.FindFlow(doc.mainFlow)) {
        for (ObjectId id = main->firstPara; id != 0;) {
            const lxhost::Paragraph* p = doc.FindParagraph(id);
            if (!p)
                break;
            out.paragraphs.push_back({doc.FormatNameOf(*p), Utf8(p->body.text)});
            id = p->next;
        }
    }
    // An output document ends in the empty paragraph that the next addition would write into.
    if (!out.paragraphs.empty() && out.paragraphs.back().text.empty())
        out.paragraphs.pop_back();
    if (!out.paragraphs.empty())
        out.heading = out.paragraphs.front().text;
    for (const lxhost::Table& t : doc.tables) {
        OutputTable table;
        for (ObjectId rowId = t.firstRow; rowId != 0;) {
            const lxhost::Row* row = doc.FindRow(rowId);
            if (!row)
                break;
            std::vector<std::string> cells;
            for (std::uint32_t i = 0; i < row->cellCount; ++i) {
                const lxhost::Cell& cell = doc.cells[row->firstCell + i];
                cells.push_back(ParagraphText(doc, cell.firstPara));
            }
            table.rows.push_back(std::move(cells));
            rowId = row->next;
        }
        out.tables.push_back(std::move(table));
    }
    out.rendered = AsTextBlock(lxhost::RenderText(doc));
    return out;
}

std::vector<std::string> TextNoteLines(const lxhost::TextNote& note) {
    std::vector<std::string> lines;
    if (std::string_view(note.encoding) == "Windows-1252")
        lines.push_back(note.path + ": not valid UTF-8; read as " + note.encoding);
    if (note.charactersWithoutForm > 0) {
        const std::size_t n = note.charactersWithoutForm;
        lines.push_back(note.path + ": " + std::to_string(n) +
                        (n == 1 ? " character has" : " characters have") + " no FrameRoman form: " +
                        (lxhost::HasTransliteration()
                             ? "letters of other scripts were written in Latin letters"
                             : "letters of other scripts were written as '" +
                                   std::string(1, lxhost::kPlaceholderLetter) + "'") +
                        ", other characters read as spaces");
    }
    return lines;
}

} // namespace lxcli
