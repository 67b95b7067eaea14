// Moving a document that one session read into another: the objects get the ids the other
// session's registry gives, and every id the document holds is rewritten to them.
#include "host/model/model.h"

#include <algorithm>
#include <array>
#include <vector>

namespace lxhost {

namespace {

// Calls f on every field of a document that holds an object id. Markers' segment values are
// marker types, and variables' and cross-references' are 0: they are left alone.
template <class F> void ForEachIdField(Document& d, SourceMark& lastMark, F&& f) {
    auto body = [&f](TextBody& b) {
        b.ForEachAnchor([&f](Segment& s) {
            if (s.type == SegType::TableAnchor || s.type == SegType::FootnoteAnchor ||
                s.type == SegType::FrameAnchor) {
                f(s.value);
            }
        });
    };
    f(d.selection.begin.obj);
    f(d.selection.end.obj);
    f(d.mainFlow);
    f(lastMark.para);
    d.sourceMarks.ForEachParagraph(f);
    for (Page& p : d.pages) {
        f(p.id);
    }
    for (Graphic& g : d.graphics) {
        for (ObjectId* id :
             {&g.id, &g.page, &g.frame, &g.anchorPara, &g.flow, &g.firstPara, &g.lastPara}) {
            f(*id);
        }
        body(g.body);
    }
    for (Flow& fl : d.flows) {
        for (ObjectId* id : {&fl.id, &fl.firstPara, &fl.lastPara}) {
            f(*id);
        }
        for (ObjectId& frame : fl.frames) {
            f(frame);
        }
    }
    for (Paragraph& p : d.paras) {
        for (ObjectId* id : {&p.id, &p.next, &p.prev, &p.owner, &p.frame}) {
            f(*id);
        }
        body(p.body);
    }
    for (Footnote& n : d.footnotes) {
        for (ObjectId* id : {&n.id, &n.anchorPara, &n.firstPara, &n.lastPara}) {
            f(*id);
        }
    }
    for (Table& t : d.tables) {
        for (ObjectId* id :
             {&t.id, &t.anchorPara, &t.titleFirst, &t.titleLast, &t.firstRow, &t.lastRow}) {
            f(*id);
        }
    }
    for (Row& r : d.rows) {
        for (ObjectId* id : {&r.id, &r.table, &r.next, &r.prev}) {
            f(*id);
        }
    }
    for (Cell& c : d.cells) {
        for (ObjectId* id : {&c.id, &c.row, &c.firstPara, &c.lastPara}) {
            f(*id);
        }
    }
    for (PgfFormat& p : d.pgfFormats) {
        f(p.id);
    }
    for (TableFormat& t : d.tableFormats) {
        f(t.id);
    }
}

// Makes room for more elements, by half the vector's size at least: reserving the exact room at
// each of a book's thousands of adoptions would copy the vector each time.
template <class T> void ReserveMore(std::vector<T>& v, std::size_t more) {
    if (v.capacity() - v.size() < more) {
        v.reserve(v.size() + std::max(more, v.size() / 2));
    }
}

bool IsAdoptedKind(Kind k) {
    return k != kKindDocument && k != kKindBook && k != kKindComponent;
}

} // namespace

ObjectId Session::AdoptDocument(Session& from, ObjectId doc) {
    Document* d = from.FindDocument(doc);
    // The other session holds this document alone, and every serial it gave still names one of
    // the document's objects: then registering them here in serial order repeats the read.
    if (d == nullptr || from.ids_.Issued(kKindDocument) != 1 || from.ids_.Issued(kKindBook) != 0 ||
        from.ids_.Issued(kKindComponent) != 0 || ids_.FreshLeft(kKindDocument) == 0) {
        return 0;
    }
    for (int kind = 0; kind < kKindCount; ++kind) {
        const Kind k = static_cast<Kind>(kind);
        if (!IsAdoptedKind(k)) {
            continue;
        }
        const std::uint32_t issued = from.ids_.Issued(k);
        if (ids_.FreshLeft(k) < issued) {
            return 0;
        }
        for (std::uint32_t serial = 1; serial <= issued; ++serial) {
            const std::optional<ObjectRegistry::Slot> slot = from.ids_.Find(MakeId(k, serial));
            if (!slot || slot->owner != SerialOf(doc)) {
                return 0;
            }
        }
    }

    // Every allocation first (a failing one leaves both sessions as they were), then the ids.
    std::array<std::vector<ObjectId>, kKindCount> newIds;
    newIds[kKindDocument].resize(SerialOf(doc), 0);
    for (int kind = 0; kind < kKindCount; ++kind) {
        const Kind k = static_cast<Kind>(kind);
        newIds[k].reserve(from.ids_.Issued(k));
        ids_.Reserve(k, from.ids_.Issued(k));
    }
    ReserveMore(docs_, 1);
    ReserveMore(openDocs_, 1);

    const ObjectId id = Register(kKindDocument, 0, 0);
    newIds[kKindDocument].back() = id;
    for (int kind = 0; kind < kKindCount; ++kind) {
        const Kind k = static_cast<Kind>(kind);
        if (!IsAdoptedKind(k)) {
            continue;
        }
        const std::uint32_t issued = from.ids_.Issued(k);
        for (std::uint32_t serial = 1; serial <= issued; ++serial) {
            const std::optional<ObjectRegistry::Slot> slot = from.ids_.Find(MakeId(k, serial));
            newIds[k].push_back(Register(k, SerialOf(id), slot->index));
        }
    }
    auto remap = [&newIds](ObjectId& old) {
        const Kind k = KindOf(old);
        const std::uint32_t serial = SerialOf(old);
        if (old != 0 && k < kKindCount && serial >= 1 && serial <= newIds[k].size()) {
            old = newIds[k][serial - 1];
        }
    };
    ForEachIdField(*d, d->lastMark_, remap);

    std::unique_ptr<Document> moved = std::move(from.docs_[SerialOf(doc) - 1]);
    from.ForgetLocated();
    from.openDocs_.clear();
    if (from.activeDocument == doc) {
        from.activeDocument = 0;
    }
    moved->session_ = this;
    moved->id_ = id;
    docs_.push_back(std::move(moved));
    openDocs_.push_back(id);
    return id;
}

} // namespace lxhost
