// Write-then-read: a document that reads is written as MIF and read back, and both must hold the
// same paragraphs (each flow's chain in order, with text and format) and the same tables' cell
// texts. A reader that keeps bytes its own rules exclude, or a writer that cannot express what
// was read, shows here as a difference, not only as a failure to re-read.
#include "fuzz/fuzz_target.h"
#include "host/formats/mif_reader.h"
#include "host/formats/mif_writer.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace lxhost;

std::vector<std::string> Chain(Document& doc, ObjectId first) {
    std::vector<std::string> out;
    // The guard bounds a chain that a fault might close into a ring.
    for (ObjectId id = first; id != 0 && out.size() <= doc.paras.size();) {
        Paragraph* p = doc.FindParagraph(id);
        if (!p) {
            out.push_back("(missing paragraph)");
            break;
        }
        out.push_back(doc.FormatNameOf(*p) + "|" + std::string(p->body.text()));
        id = p->next;
    }
    return out;
}

std::vector<std::string> Paragraphs(Document& doc) {
    std::vector<std::string> out;
    for (const Flow& flow : doc.flows) {
        out.push_back("flow " + flow.tag);
        for (std::string& p : Chain(doc, flow.firstPara))
            out.push_back(std::move(p));
    }
    // Cells as a reader meets them: table by table, row by row in the table's order (heading,
    // body, footing), not in the order the reader made them: a file may give a table's body
    // before its heading rows, and the writer writes the heading first.
    for (const Table& table : doc.tables) {
        std::size_t rows = 0;
        for (ObjectId r = table.firstRow; r != 0 && rows <= doc.rows.size(); ++rows) {
            const Row* row = doc.FindRow(r);
            if (!row) {
                out.push_back("(missing row)");
                break;
            }
            for (std::uint32_t c = 0; c < row->cellCount; ++c) {
                out.push_back("cell");
                for (std::string& p : Chain(doc, doc.cells[row->firstCell + c].firstPara))
                    out.push_back(std::move(p));
            }
            r = row->next;
        }
    }
    return out;
}

} // namespace

LX_FUZZ_TARGET(input) {
    Session session;
    std::string error;
    Document& doc = session.NewDocument();
    if (!ReadMifDocument(input, "fuzz.mif", doc, {}, &error))
        return;
    const std::string written = WriteMif(doc);
    Document& again = session.NewDocument();
    if (!ReadMifDocument(written, "written.mif", again, {}, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        FuzzFail("the written document does not read");
    }
    const std::vector<std::string> before = Paragraphs(doc);
    const std::vector<std::string> after = Paragraphs(again);
    if (before != after) {
        for (std::size_t i = 0; i < before.size() || i < after.size(); ++i) {
            const std::string a = i < before.size() ? before[i] : "(none)";
            const std::string b = i < after.size() ? after[i] : "(none)";
            if (a != b) {
                std::fprintf(stderr,
                             "paragraph %zu differs after writing:\n  read:    %s\n"
                             "  re-read: %s\n",
                             i, a.c_str(), b.c_str());
                break;
            }
        }
        FuzzFail("a paragraph differs after writing and reading back");
    }
}
