#include "host/model/builder.h"

#include <stdexcept>

namespace lxhost {

DocBuilder::DocBuilder(Session& session) : doc_(&session.NewDocument()) {
    doc_->AddDefaultFormats();
}

ObjectId DocBuilder::Page(Kind kind, std::string name) {
    return doc_->AddPage(kind, std::move(name));
}

ObjectId DocBuilder::TextFrame(ObjectId parent) {
    const Metric inch = 72 * kMetricPoint;
    return doc_->AddTextFrame(parent, {inch, inch, 468 * kMetricPoint, 648 * kMetricPoint});
}

ObjectId DocBuilder::GraphicFrame(ObjectId parent) {
    return doc_->AddGraphicFrame(parent);
}

ObjectId DocBuilder::AnchoredFrame(ObjectId para) {
    const ObjectId frame = doc_->AddGraphicFrame(0);
    doc_->AnchorFrame(para, frame);
    return frame;
}

ObjectId DocBuilder::TextLine(ObjectId parent, std::string_view text) {
    const ObjectId line = doc_->AddTextLine(parent);
    doc_->FindGraphic(line)->body.Append(text, true);
    return line;
}

ObjectId DocBuilder::Graphic(ObjectId parent, std::string type) {
    return doc_->AddGraphic(parent, std::move(type));
}

ObjectId DocBuilder::Flow(std::string tag) {
    const ObjectId flow = doc_->AddFlow(std::move(tag));
    if (doc_->mainFlow == 0) {
        doc_->mainFlow = flow;
    }
    return flow;
}

std::uint32_t DocBuilder::Format(const std::string& name) {
    return doc_->EnsurePgfFormat(name);
}

ObjectId DocBuilder::Para(ObjectId flow, ObjectId frame, std::string_view text,
                          const ParaSpec& shape) {
    if (KindOf(flow) != kKindFlow) {
        throw std::invalid_argument("DocBuilder::Para: not a flow");
    }
    const ObjectId p = doc_->AppendParagraph(flow, Format(shape.format), frame);
    Paragraph* para = doc_->FindParagraph(p);
    para->body.Append(text, true);
    para->textClass = shape.textClass;
    para->locked = shape.locked;
    if (frame != 0) {
        // Paragraphs are appended in order, so the frame's ends move along with them.
        lxhost::Graphic* g = doc_->FindGraphic(frame);
        if (g->firstPara == 0) {
            g->firstPara = p;
            g->flow = flow;
            doc_->FindFlow(flow)->frames.push_back(frame);
        }
        g->lastPara = p;
    }
    if (flow == doc_->mainFlow && doc_->selection.begin.obj == 0) {
        doc_->selection = {{p, 0}, {p, 0}};
    }
    return p;
}

ObjectId DocBuilder::Para(ObjectId owner, std::string_view text, const ParaSpec& shape) {
    const ObjectId p = doc_->AppendParagraph(owner, Format(shape.format));
    if (p == 0) {
        throw std::invalid_argument("DocBuilder::Para: not a footnote, table or cell");
    }
    Paragraph* para = doc_->FindParagraph(p);
    para->body.Append(text, true);
    para->textClass = shape.textClass;
    para->locked = shape.locked;
    return p;
}

void DocBuilder::Run(ObjectId textObject, std::string_view text) {
    TextBody* body = doc_->FindText(textObject);
    if (body == nullptr) {
        throw std::invalid_argument("DocBuilder::Run: not a text object");
    }
    body->Append(text, true);
}

ObjectId DocBuilder::Footnote(ObjectId anchorPara, const std::vector<std::string>& paras) {
    const ObjectId fn = doc_->AddFootnote();
    if (anchorPara != 0) {
        doc_->AnchorFootnote(anchorPara, fn);
    }
    for (const std::string& text : paras) {
        Para(fn, text);
    }
    return fn;
}

ObjectId DocBuilder::Table(ObjectId anchorPara, const TableSpec& shape) {
    const ObjectId table = doc_->AddTable(doc_->EnsureTableFormat(shape.format), shape.columns);
    for (const std::string& text : shape.title) {
        Para(table, text);
    }
    const std::pair<RowType, const std::vector<std::vector<std::string>>*> sections[] = {
        {RowType::Heading, &shape.heading},
        {RowType::Body, &shape.body},
        {RowType::Footing, &shape.footing}};
    for (const auto& [type, rows] : sections) {
        const std::string format = type == RowType::Heading ? "CellHeading" : "CellBody";
        for (const auto& cellsText : *rows) {
            const ObjectId row = doc_->AddRow(table, type);
            for (int c = 0; c < shape.columns; ++c) {
                const ObjectId cell = doc_->AddCell(row);
                Para(cell,
                     static_cast<std::size_t>(c) < cellsText.size()
                         ? cellsText[static_cast<std::size_t>(c)]
                         : "",
                     {format, 1, 0});
            }
        }
    }
    for (const auto& [row, column] : shape.hidden) {
        if (Cell* c = doc_->FindCell(CellAt(table, row, column))) {
            c->shown = 0;
        }
    }
    if (anchorPara != 0) {
        doc_->AnchorTable(anchorPara, table);
    }
    return table;
}

ObjectId DocBuilder::CellAt(ObjectId table, int row, int column) {
    const lxhost::Table* t = doc_->FindTable(table);
    if (t == nullptr) {
        return 0;
    }
    ObjectId r = t->firstRow;
    for (int i = 0; i < row && r != 0; ++i) {
        r = doc_->FindRow(r)->next;
    }
    const Row* rr = doc_->FindRow(r);
    if (rr == nullptr || column < 0 || static_cast<std::uint32_t>(column) >= rr->cellCount) {
        return 0;
    }
    return doc_->cells[rr->firstCell + static_cast<std::uint32_t>(column)].id;
}

BookBuilder::BookBuilder(Session& session, std::string path) : book_(&session.NewBook()) {
    book_->path = std::move(path);
}

ObjectId BookBuilder::Folder(std::string name, ObjectId parent) {
    return book_->AddComponent(parent, kComponentFolder, std::move(name));
}

ObjectId BookBuilder::Group(std::string name, ObjectId parent) {
    return book_->AddComponent(parent, kComponentGroup, std::move(name));
}

ObjectId BookBuilder::File(std::string path, ObjectId parent, bool excluded) {
    return book_->AddComponent(parent, kComponentFile, std::move(path), excluded ? 1 : 0);
}

} // namespace lxhost
