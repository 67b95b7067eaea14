// A small builder for tests: documents and books made directly in a session, with exactly the
// pages, frames, flows, paragraphs, text lines, footnotes and tables a test needs.
//
//   DocBuilder b(session);
//   ObjectId page = b.Page();
//   ObjectId frame = b.TextFrame(page);
//   ObjectId flow = b.Flow();
//   ObjectId p = b.Para(flow, frame, "Some text.");
//   b.Table(p, {.columns = 2, .body = {{"a", "b"}}});
#pragma once

#include "host/model/model.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lxhost {

struct ParaSpec {
    std::string format = "Body";
    std::int32_t textClass = 1;
    std::int32_t locked = 0;
};

struct TableSpec {
    std::string format = "Format A";
    std::int32_t columns = 1;
    // Cell texts per row; a row shorter than the columns gets empty cells.
    std::vector<std::vector<std::string>> heading, body, footing;
    // Cells with shown = 0, as (row in chain order, column).
    std::vector<std::pair<int, int>> hidden;
    // Title paragraphs (the table's own chain).
    std::vector<std::string> title;
};

class DocBuilder {
  public:
    // A new open untitled document with the default formats and nothing else.
    explicit DocBuilder(Session& session);

    Document& doc() { return *doc_; }
    ObjectId id() const { return doc_->id(); }

    ObjectId Page(Kind kind = kKindBodyPage, std::string name = {});
    // A text frame on a page or in a graphic frame.
    ObjectId TextFrame(ObjectId parent);
    // A graphic frame on a page or in another frame.
    ObjectId GraphicFrame(ObjectId parent);
    // A graphic frame anchored at the end of a paragraph.
    ObjectId AnchoredFrame(ObjectId para);
    ObjectId TextLine(ObjectId parent, std::string_view text);
    ObjectId Graphic(ObjectId parent, std::string type = "Rectangle");
    // A flow; the first one made is the main flow.
    ObjectId Flow(std::string tag = "A");
    // A paragraph at the end of a flow, shown in frame (0: in no frame).
    ObjectId Para(ObjectId flow, ObjectId frame, std::string_view text, const ParaSpec& shape = {});
    // A paragraph at the end of a footnote, table title or cell.
    ObjectId Para(ObjectId owner, std::string_view text, const ParaSpec& shape = {});
    // Another run of text at the end of a paragraph or text line.
    void Run(ObjectId textObject, std::string_view text);
    // A footnote anchored at the end of a paragraph, with one paragraph per text.
    ObjectId Footnote(ObjectId anchorPara, const std::vector<std::string>& paras);
    // A table anchored at the end of a paragraph (0: not anchored).
    ObjectId Table(ObjectId anchorPara, const TableSpec& shape);
    // The cell of a table at (row in chain order, column), or 0.
    ObjectId CellAt(ObjectId table, int row, int column);

  private:
    std::uint32_t Format(const std::string& name);
    Document* doc_;
};

class BookBuilder {
  public:
    explicit BookBuilder(Session& session, std::string path = {});

    Book& book() { return *book_; }
    ObjectId id() const { return book_->id(); }

    ObjectId Folder(std::string name, ObjectId parent = 0);
    ObjectId Group(std::string name, ObjectId parent = 0);
    ObjectId File(std::string path, ObjectId parent = 0, bool excluded = false);

  private:
    Book* book_;
};

} // namespace lxhost
