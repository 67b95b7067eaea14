// Documents: building, structure queries and the text edits of the host operations.
#include "host/model/model.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

namespace lxhost {

namespace {

// The depth at which a walk up anchors and frames gives up: no well-formed document nests
// tables, footnotes and frames this deep, and a malformed one must not make the host loop.
constexpr int kMaxAnchorDepth = 64;

// A large text has a paragraph record for every few lines: a field that makes it grow shows
// straight in the peak memory of every command.
static_assert(sizeof(Paragraph) <= 64, "a paragraph's record grew past 64 bytes");

bool IsAnchor(const Segment& s) {
    return s.type != SegType::Run;
}

} // namespace

// --- Segment lists

SegmentList& SegmentList::operator=(const SegmentList& other) {
    if (this != &other) {
        clear();
        reserve(other.size());
        std::copy(other.begin(), other.end(), items());
        if (block_ != nullptr) {
            block_->size = static_cast<std::uint32_t>(other.size());
        }
    }
    return *this;
}

SegmentList& SegmentList::operator=(SegmentList&& other) noexcept {
    if (this != &other) {
        Free();
        block_ = std::exchange(other.block_, nullptr);
    }
    return *this;
}

void SegmentList::Free() {
    if (block_ != nullptr) {
        block_->~Block();
        ::operator delete(block_);
        block_ = nullptr;
    }
}

void SegmentList::reserve(std::size_t n) {
    if (n <= capacity()) {
        return;
    }
    if (n > std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("too many segments in a text");
    }
    static_assert(sizeof(Block) % alignof(Segment) == 0 && alignof(Block) >= alignof(Segment));
    void* memory = ::operator new(sizeof(Block) + n * sizeof(Segment));
    auto* grown =
        ::new (memory) Block{static_cast<std::uint32_t>(size()), static_cast<std::uint32_t>(n)};
    auto* room = reinterpret_cast<Segment*>(grown + 1);
    std::uninitialized_default_construct_n(room, n);
    std::copy(begin(), end(), room);
    Free();
    block_ = grown;
}

void SegmentList::push_back(const Segment& s) {
    const std::size_t n = size();
    if (n == capacity()) {
        reserve(std::max<std::size_t>(n * 2, 2));
    }
    items()[n] = s;
    ++block_->size;
}

// --- Text bodies

TextBody& TextBody::operator=(const TextBody& other) {
    if (this != &other) {
        // A copy has a block of its own: the shared bytes of the original belong to the
        // original's document, which may go before the copy does.
        size_ = 0;
        if (!other.empty()) {
            Reserve(other.size_);
            std::memcpy(bytes_, other.bytes_, other.size_);
        }
        size_ = other.size_;
        segs_ = other.segs_;
    }
    return *this;
}

TextBody& TextBody::operator=(TextBody&& other) noexcept {
    if (this != &other) {
        FreeBytes();
        bytes_ = std::exchange(other.bytes_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        segs_ = std::move(other.segs_);
    }
    return *this;
}

void TextBody::FreeBytes() {
    if (capacity_ > 0) {
        delete[] bytes_;
    }
    bytes_ = nullptr;
    size_ = 0;
    capacity_ = 0;
}

void TextBody::Reserve(std::size_t n) {
    if (n <= capacity_) {
        return;
    }
    if (n > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw std::length_error("a text of more than 2 GB");
    }
    auto* grown = new char[n];
    if (size_ > 0) {
        std::memcpy(grown, bytes_, size_);
    }
    if (capacity_ > 0) {
        delete[] bytes_;
    }
    bytes_ = grown;
    capacity_ = static_cast<std::uint32_t>(n);
}

void TextBody::Share(std::string_view bytes) {
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw std::length_error("a text of more than 2 GB");
    }
    FreeBytes();
    segs_.clear();
    if (!bytes.empty()) {
        bytes_ = const_cast<char*>(bytes.data()); // never written: capacity_ 0 marks it shared
        size_ = static_cast<std::uint32_t>(bytes.size());
    }
}

void TextBody::StoreImpliedRun() {
    if (segs_.empty() && size_ > 0) {
        segs_.push_back({0, size(), 0, SegType::Run});
    }
}

void TextBody::DropImpliedRun() {
    if (segs_.size() == 1 && segs_[0].type == SegType::Run && segs_[0].offset == 0 &&
        segs_[0].length == size()) {
        segs_.clear();
    }
}

void TextBody::Append(std::string_view bytes, bool newRun) {
    if (bytes.empty()) {
        return;
    }
    const std::size_t grown = std::size_t{size_} + bytes.size();
    if (grown > capacity_) {
        Reserve(std::max(grown, std::size_t{capacity_} * 2));
    }
    const std::int32_t at = size();
    std::memcpy(bytes_ + size_, bytes.data(), bytes.size());
    const bool alone = segs_.empty();
    if (alone && (!newRun || at == 0)) {
        size_ = static_cast<std::uint32_t>(grown); // the single run grows with the text
        return;
    }
    StoreImpliedRun();
    size_ = static_cast<std::uint32_t>(grown);
    if (!newRun && segs_.back().type == SegType::Run &&
        segs_.back().offset + segs_.back().length == at) {
        segs_.back().length += static_cast<std::int32_t>(bytes.size());
        return;
    }
    segs_.push_back({at, static_cast<std::int32_t>(bytes.size()), 0, SegType::Run});
}

void TextBody::AddAnchor(SegType type, ObjectId value) {
    StoreImpliedRun();
    segs_.push_back({size(), 0, value, type});
}

void TextBody::Insert(std::int32_t offset, std::string_view bytes) {
    if (bytes.empty()) {
        return;
    }
    const auto n = static_cast<std::int32_t>(bytes.size());
    const std::size_t grown = std::size_t{size_} + bytes.size();
    if (grown > capacity_) {
        Reserve(std::max(grown, std::size_t{capacity_} * 2));
    }
    const auto at = static_cast<std::size_t>(offset);
    std::memmove(bytes_ + at + bytes.size(), bytes_ + at, size_ - at);
    std::memcpy(bytes_ + at, bytes.data(), bytes.size());
    StoreImpliedRun();
    size_ = static_cast<std::uint32_t>(grown);
    SegmentList out;
    out.reserve(segs_.size() + 2);
    const Segment fresh{offset, n, 0, SegType::Run};
    bool inserted = false;
    for (const Segment& s : segs_) {
        if (IsAnchor(s)) {
            if (s.offset < offset) {
                out.push_back(s);
            } else {
                if (!inserted) {
                    out.push_back(fresh);
                    inserted = true;
                }
                out.push_back({s.offset + n, 0, s.value, s.type});
            }
            continue;
        }
        const std::int32_t end = s.offset + s.length;
        if (end <= offset) {
            out.push_back(s);
        } else if (s.offset >= offset) {
            if (!inserted) {
                out.push_back(fresh);
                inserted = true;
            }
            out.push_back({s.offset + n, s.length, 0, SegType::Run});
        } else {
            out.push_back({s.offset, offset - s.offset, 0, SegType::Run});
            out.push_back(fresh);
            inserted = true;
            out.push_back({offset + n, end - offset, 0, SegType::Run});
        }
    }
    if (!inserted) {
        out.push_back(fresh);
    }
    segs_ = std::move(out);
    DropImpliedRun();
}

void TextBody::SplitInto(std::int32_t offset, TextBody& tail) {
    const auto at = static_cast<std::size_t>(offset);
    tail.FreeBytes();
    tail.segs_.clear();
    if (at < size_) {
        tail.Reserve(size_ - at);
        std::memcpy(tail.bytes_, bytes_ + at, size_ - at);
        tail.size_ = static_cast<std::uint32_t>(size_ - at);
    }
    StoreImpliedRun();
    size_ = static_cast<std::uint32_t>(at); // shared bytes stay shared: the head is a prefix
    SegmentList keep;
    keep.reserve(segs_.size());
    for (const Segment& s : segs_) {
        if (IsAnchor(s)) {
            if (s.offset < offset) {
                keep.push_back(s);
            } else {
                tail.segs_.push_back({s.offset - offset, 0, s.value, s.type});
            }
            continue;
        }
        const std::int32_t end = s.offset + s.length;
        if (end <= offset) {
            keep.push_back(s);
        } else if (s.offset >= offset) {
            tail.segs_.push_back({s.offset - offset, s.length, 0, SegType::Run});
        } else {
            keep.push_back({s.offset, offset - s.offset, 0, SegType::Run});
            tail.segs_.push_back({0, end - offset, 0, SegType::Run});
        }
    }
    segs_ = std::move(keep);
    DropImpliedRun();
    tail.DropImpliedRun();
}

void TextBody::InsertAnchor(std::int32_t offset, SegType type, ObjectId value) {
    StoreImpliedRun();
    SegmentList out;
    out.reserve(segs_.size() + 2);
    bool inserted = false;
    const Segment anchor{offset, 0, value, type};
    for (const Segment& s : segs_) {
        if (inserted) {
            out.push_back(s);
            continue;
        }
        if (IsAnchor(s)) {
            if (s.offset > offset) {
                out.push_back(anchor);
                inserted = true;
            }
            out.push_back(s);
            continue;
        }
        const std::int32_t end = s.offset + s.length;
        if (end <= offset) {
            out.push_back(s);
        } else if (s.offset >= offset) {
            out.push_back(anchor);
            inserted = true;
            out.push_back(s);
        } else {
            out.push_back({s.offset, offset - s.offset, 0, SegType::Run});
            out.push_back(anchor);
            inserted = true;
            out.push_back({offset, end - offset, 0, SegType::Run});
        }
    }
    if (!inserted) {
        out.push_back(anchor);
    }
    segs_ = std::move(out);
}

// --- Shared text blocks

std::string_view TextBlocks::Keep(std::string_view bytes) {
    // Blocks grow from a few kilobytes (a short document) to a megabyte (a long one); the room a
    // block has left when the next text does not fit is at most that text's size.
    constexpr std::size_t kFirstBlock = 4096;
    constexpr std::size_t kLargestBlock = std::size_t{1} << 20;
    if (bytes.empty()) {
        return {};
    }
    if (bytes.size() > left_) {
        blockSize_ = std::min(std::max(blockSize_ * 2, kFirstBlock), kLargestBlock);
        const std::size_t size = std::max(blockSize_, bytes.size());
        blocks_.emplace_back(new char[size]); // not zeroed: every byte is written before it is read
        next_ = blocks_.back().get();
        left_ = size;
    }
    char* at = next_;
    std::memcpy(at, bytes.data(), bytes.size());
    next_ += bytes.size();
    left_ -= bytes.size();
    return {at, bytes.size()};
}

namespace {

template <typename T> T* FindIn(Session& s, std::vector<T>& v, ObjectId docId, ObjectId id) {
    std::uint32_t owner = 0, index = 0;
    if (!s.Locate(id, &owner, &index) || owner != SerialOf(docId) || index >= v.size() ||
        v[index].id != id) {
        return nullptr;
    }
    return &v[index];
}

} // namespace

// --- Lookup

Paragraph* Document::FindParagraph(ObjectId id) {
    return KindOf(id) == kKindParagraph ? FindIn(*session_, paras, id_, id) : nullptr;
}

Paragraph* Document::RecentParagraph(ObjectId id) {
    // Readers append paragraphs and then work on the newest or the one before it: those are
    // found without the session's lookup.
    for (std::size_t back = 1; back <= 2 && back <= paras.size(); ++back) {
        if (Paragraph& p = paras[paras.size() - back]; p.id == id) {
            return &p;
        }
    }
    return FindParagraph(id);
}

Graphic* Document::FindGraphic(ObjectId id) {
    const Kind k = KindOf(id);
    if (k != kKindTextFrame && k != kKindGraphicFrame && k != kKindTextLine && k != kKindGraphic) {
        return nullptr;
    }
    return FindIn(*session_, graphics, id_, id);
}

Flow* Document::FindFlow(ObjectId id) {
    return KindOf(id) == kKindFlow ? FindIn(*session_, flows, id_, id) : nullptr;
}

Page* Document::FindPage(ObjectId id) {
    return IsPageKind(KindOf(id)) ? FindIn(*session_, pages, id_, id) : nullptr;
}

Footnote* Document::FindFootnote(ObjectId id) {
    return KindOf(id) == kKindFootnote ? FindIn(*session_, footnotes, id_, id) : nullptr;
}

Table* Document::FindTable(ObjectId id) {
    return KindOf(id) == kKindTable ? FindIn(*session_, tables, id_, id) : nullptr;
}

Row* Document::FindRow(ObjectId id) {
    return KindOf(id) == kKindRow ? FindIn(*session_, rows, id_, id) : nullptr;
}

Cell* Document::FindCell(ObjectId id) {
    return KindOf(id) == kKindCell ? FindIn(*session_, cells, id_, id) : nullptr;
}

PgfFormat* Document::FindPgfFormat(ObjectId id) {
    return KindOf(id) == kKindPgfFormat ? FindIn(*session_, pgfFormats, id_, id) : nullptr;
}

TextBody* Document::FindText(ObjectId id) {
    if (Paragraph* p = FindParagraph(id)) {
        return &p->body;
    }
    if (KindOf(id) == kKindTextLine) {
        if (Graphic* g = FindGraphic(id)) {
            return &g->body;
        }
    }
    return nullptr;
}

// --- Building

ObjectId Document::NewObject(Kind kind, std::size_t index) {
    return session_->Register(kind, SerialOf(id_), static_cast<std::uint32_t>(index));
}

ObjectId Document::AddPage(Kind kind, std::string name) {
    if (!IsPageKind(kind)) {
        throw std::invalid_argument("AddPage: not a page kind");
    }
    const ObjectId id = NewObject(kind, pages.size());
    pages.push_back({id, std::move(name)});
    return id;
}

namespace {

Graphic PlacedGraphic(ObjectId id, ObjectId parent, Rect rect) {
    Graphic g;
    g.id = id;
    g.rect = rect;
    if (IsPageKind(KindOf(parent))) {
        g.page = parent;
    } else if (KindOf(parent) == kKindGraphicFrame) {
        g.frame = parent;
    }
    return g;
}

} // namespace

ObjectId Document::AddTextFrame(ObjectId parent, Rect rect) {
    const ObjectId id = NewObject(kKindTextFrame, graphics.size());
    graphics.push_back(PlacedGraphic(id, parent, rect));
    return id;
}

ObjectId Document::AddGraphicFrame(ObjectId parent, Rect rect) {
    const ObjectId id = NewObject(kKindGraphicFrame, graphics.size());
    graphics.push_back(PlacedGraphic(id, parent, rect));
    return id;
}

ObjectId Document::AddTextLine(ObjectId parent) {
    const ObjectId id = NewObject(kKindTextLine, graphics.size());
    graphics.push_back(PlacedGraphic(id, parent, {}));
    return id;
}

ObjectId Document::AddGraphic(ObjectId parent, std::string typeName) {
    const ObjectId id = NewObject(kKindGraphic, graphics.size());
    graphics.push_back(PlacedGraphic(id, parent, {}));
    graphics.back().typeName = std::move(typeName);
    return id;
}

ObjectId Document::AddFlow(std::string tag) {
    const ObjectId id = NewObject(kKindFlow, flows.size());
    Flow f;
    f.id = id;
    f.tag = std::move(tag);
    flows.push_back(std::move(f));
    return id;
}

ObjectId Document::AddFootnote() {
    const ObjectId id = NewObject(kKindFootnote, footnotes.size());
    footnotes.push_back({id, 0, 0, 0});
    return id;
}

ObjectId Document::AddTable(std::uint32_t format, std::int32_t columns) {
    const ObjectId id = NewObject(kKindTable, tables.size());
    Table t;
    t.id = id;
    t.format = format;
    t.columns = columns;
    t.widths.assign(static_cast<std::size_t>(std::max(columns, 0)), 72 * kMetricPoint);
    tables.push_back(std::move(t));
    return id;
}

ObjectId Document::AddRow(ObjectId table, RowType type) {
    Table* t = FindTable(table);
    if (t == nullptr) {
        return 0;
    }
    // The row goes after the last row of its own or an earlier section.
    ObjectId after = t->lastRow;
    while (after != 0 && FindRow(after)->type > type) {
        after = FindRow(after)->prev;
    }
    Row r;
    r.id = NewObject(kKindRow, rows.size());
    r.table = table;
    r.type = type;
    r.firstCell = static_cast<std::uint32_t>(cells.size());
    r.prev = after;
    r.next = after != 0 ? FindRow(after)->next : t->firstRow;
    const ObjectId id = r.id;
    rows.push_back(r);
    if (r.prev != 0) {
        FindRow(r.prev)->next = id;
    } else {
        t->firstRow = id;
    }
    if (r.next != 0) {
        FindRow(r.next)->prev = id;
    } else {
        t->lastRow = id;
    }
    return id;
}

ObjectId Document::AddCell(ObjectId row) {
    Row* r = FindRow(row);
    if (r == nullptr) {
        return 0;
    }
    if (r->cellCount == 0) {
        r->firstCell = static_cast<std::uint32_t>(cells.size());
    } else if (r->firstCell + r->cellCount != cells.size()) {
        throw std::logic_error("AddCell: the cells of a row must be added together");
    }
    Cell c;
    c.id = NewObject(kKindCell, cells.size());
    c.row = row;
    c.column = static_cast<std::int32_t>(r->cellCount);
    ++r->cellCount;
    cells.push_back(c);
    return c.id;
}

ObjectId* Document::ChainEnds(ObjectId owner, ObjectId** last) {
    switch (KindOf(owner)) {
    case kKindFlow:
        if (Flow* f = FindFlow(owner)) {
            *last = &f->lastPara;
            return &f->firstPara;
        }
        break;
    case kKindFootnote:
        if (Footnote* f = FindFootnote(owner)) {
            *last = &f->lastPara;
            return &f->firstPara;
        }
        break;
    case kKindTable:
        if (Table* t = FindTable(owner)) {
            *last = &t->titleLast;
            return &t->titleFirst;
        }
        break;
    case kKindCell:
        if (Cell* c = FindCell(owner)) {
            *last = &c->lastPara;
            return &c->firstPara;
        }
        break;
    default:
        break;
    }
    *last = nullptr;
    return nullptr;
}

ObjectId Document::AppendParagraph(ObjectId owner, std::uint32_t format, ObjectId frame) {
    ObjectId* last = nullptr;
    ObjectId* first = ChainEnds(owner, &last);
    if (first == nullptr) {
        return 0;
    }
    Paragraph p;
    p.id = NewObject(kKindParagraph, paras.size());
    p.owner = owner;
    p.frame = frame;
    p.format = format;
    p.prev = *last;
    const ObjectId id = p.id;
    paras.push_back(std::move(p));
    if (*last != 0) {
        RecentParagraph(*last)->next = id;
    } else {
        *first = id;
    }
    *last = id;
    return id;
}

void Document::AnchorTable(ObjectId para, ObjectId table) {
    Paragraph* p = FindParagraph(para);
    Table* t = FindTable(table);
    if (p != nullptr && t != nullptr) {
        p->body.AddAnchor(SegType::TableAnchor, table);
        t->anchorPara = para;
    }
}

void Document::AnchorFootnote(ObjectId para, ObjectId footnote) {
    Paragraph* p = FindParagraph(para);
    Footnote* f = FindFootnote(footnote);
    if (p != nullptr && f != nullptr) {
        p->body.AddAnchor(SegType::FootnoteAnchor, footnote);
        f->anchorPara = para;
    }
}

void Document::AnchorFrame(ObjectId para, ObjectId frame) {
    Paragraph* p = FindParagraph(para);
    Graphic* g = FindGraphic(frame);
    if (p != nullptr && g != nullptr && KindOf(frame) == kKindGraphicFrame) {
        p->body.AddAnchor(SegType::FrameAnchor, frame);
        g->anchorPara = para;
        g->page = 0;
        g->frame = 0;
    }
}

void Document::LinkFlowFrames(ObjectId flow) {
    Flow* f = FindFlow(flow);
    if (f == nullptr) {
        return;
    }
    for (ObjectId fr : f->frames) {
        Graphic* g = FindGraphic(fr);
        g->firstPara = g->lastPara = 0;
    }
    f->frames.clear();
    // A reader appends a flow's paragraphs one after another, so the next in the chain is mostly
    // the next record: that is tried before the session's lookup. Likewise a frame is looked up
    // only when it differs from the one before.
    std::size_t guess = 0;
    ObjectId lastFrame = 0;
    Graphic* g = nullptr;
    for (ObjectId p = f->firstPara; p != 0;) {
        Paragraph* para =
            guess < paras.size() && paras[guess].id == p ? &paras[guess] : FindParagraph(p);
        guess = static_cast<std::size_t>(para - paras.data()) + 1;
        if (para->frame != 0) {
            if (para->frame != lastFrame) {
                g = FindGraphic(para->frame);
                lastFrame = para->frame;
            }
            if (g->firstPara == 0) {
                g->firstPara = p;
                g->flow = flow;
                f->frames.push_back(para->frame);
            }
            g->lastPara = p;
        }
        p = para->next;
    }
}

// --- Formats

void Document::AddDefaultFormats() {
    const struct {
        const char* name;
        int size;
        int weight;
        int before;
    } formats[] = {{"Body", 12, 0, 0},
                   {"Heading1", 18, 1, 12},
                   {"Heading2", 14, 1, 9},
                   {"CellHeading", 12, 1, 0},
                   {"CellBody", 12, 0, 0}};
    for (const auto& f : formats) {
        PgfSettings& s = pgfFormats[EnsurePgfFormat(f.name)].settings;
        s.fontSize = f.size * kMetricPoint;
        s.fontWeight = f.weight;
        s.spaceBefore = f.before * kMetricPoint;
        s.spaceAfter = 6 * kMetricPoint;
    }
    EnsureTableFormat("Format A");
}

ObjectId Document::AddBodyPageWithFrame(Rect frame) {
    const ObjectId page = AddPage(kKindBodyPage);
    return AddTextFrame(page, frame);
}

std::int32_t Document::FindPgfFormatIndex(std::string_view name) const {
    for (std::size_t i = 0; i < pgfFormats.size(); ++i) {
        if (pgfFormats[i].name == name) {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

std::uint32_t Document::EnsurePgfFormat(std::string_view name) {
    const std::int32_t i = FindPgfFormatIndex(name);
    if (i >= 0) {
        return static_cast<std::uint32_t>(i);
    }
    PgfFormat f;
    f.id = NewObject(kKindPgfFormat, pgfFormats.size());
    f.name = std::string(name);
    pgfFormats.push_back(std::move(f));
    return static_cast<std::uint32_t>(pgfFormats.size() - 1);
}

std::int32_t Document::FindTableFormatIndex(std::string_view name) const {
    for (std::size_t i = 0; i < tableFormats.size(); ++i) {
        if (tableFormats[i].name == name) {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

std::uint32_t Document::EnsureTableFormat(std::string_view name) {
    const std::int32_t i = FindTableFormatIndex(name);
    if (i >= 0) {
        return static_cast<std::uint32_t>(i);
    }
    TableFormat f;
    f.id = NewObject(kKindTableFormat, tableFormats.size());
    f.name = std::string(name);
    tableFormats.push_back(std::move(f));
    return static_cast<std::uint32_t>(tableFormats.size() - 1);
}

const PgfSettings& Document::SettingsOf(const Paragraph& p) const {
    if (p.override >= 0 && static_cast<std::size_t>(p.override) < overrides.size()) {
        return overrides[static_cast<std::size_t>(p.override)];
    }
    static const PgfSettings kDefault;
    return p.format < pgfFormats.size() ? pgfFormats[p.format].settings : kDefault;
}

const std::string& Document::FormatNameOf(const Paragraph& p) const {
    static const std::string kNone;
    return p.format < pgfFormats.size() ? pgfFormats[p.format].name : kNone;
}

std::string_view Document::LanguageOf(const Paragraph& p) const {
    return p.language > 0 && p.language <= languages.size()
               ? std::string_view(languages[p.language - 1])
               : std::string_view();
}

std::uint8_t Document::LanguageIndex(std::string_view code) {
    if (code.empty())
        return 0;
    for (std::size_t i = 0; i < languages.size(); ++i)
        if (languages[i] == code)
            return static_cast<std::uint8_t>(i + 1);
    if (languages.size() >= std::numeric_limits<std::uint8_t>::max())
        return 0;
    languages.emplace_back(code);
    return static_cast<std::uint8_t>(languages.size());
}

// --- Structure queries

ObjectId Document::NextParagraph(ObjectId para) const {
    auto* self = const_cast<Document*>(this);
    const Paragraph* p = self->FindParagraph(para);
    return p != nullptr ? p->next : 0;
}

Table* Document::TableOfCell(const Cell& cell) {
    Row* r = FindRow(cell.row);
    return r != nullptr ? FindTable(r->table) : nullptr;
}

ObjectId Document::FrameOfParagraph(ObjectId para) const {
    auto* self = const_cast<Document*>(this);
    for (int depth = 0; depth < kMaxAnchorDepth && para != 0; ++depth) {
        const Paragraph* p = self->FindParagraph(para);
        if (p == nullptr) {
            return 0;
        }
        switch (KindOf(p->owner)) {
        case kKindFlow:
            return p->frame;
        case kKindFootnote:
            para = self->FindFootnote(p->owner)->anchorPara;
            break;
        case kKindTable:
            para = self->FindTable(p->owner)->anchorPara;
            break;
        case kKindCell: {
            const Table* t = self->TableOfCell(*self->FindCell(p->owner));
            para = t != nullptr ? t->anchorPara : 0;
            break;
        }
        default:
            return 0;
        }
    }
    return 0;
}

ObjectId Document::ParentOf(ObjectId obj) const {
    auto* self = const_cast<Document*>(this);
    const Graphic* g = self->FindGraphic(obj);
    if (g == nullptr) {
        return 0;
    }
    switch (KindOf(obj)) {
    case kKindTextFrame:
        return g->page != 0 ? g->page : g->frame;
    case kKindGraphicFrame:
        return g->anchorPara != 0 ? FrameOfParagraph(g->anchorPara) : g->frame;
    default:
        return g->frame;
    }
}

ObjectId Document::PageOf(ObjectId obj) const {
    auto* self = const_cast<Document*>(this);
    for (int depth = 0; depth < kMaxAnchorDepth; ++depth) {
        const Graphic* g = self->FindGraphic(obj);
        if (g == nullptr) {
            return 0;
        }
        if (g->page != 0) {
            return g->page;
        }
        obj = g->anchorPara != 0 ? FrameOfParagraph(g->anchorPara) : g->frame;
    }
    return 0;
}

void Document::BreakParentCycles() {
    for (Graphic& g : graphics) {
        if (KindOf(g.id) != kKindGraphicFrame || g.anchorPara == 0) {
            continue;
        }
        ObjectId cur = g.id;
        bool cycle = true;
        for (int depth = 0; depth < kMaxAnchorDepth; ++depth) {
            cur = ParentOf(cur);
            if (cur == 0 || IsPageKind(KindOf(cur))) {
                cycle = false;
                break;
            }
            if (cur == g.id) {
                break;
            }
        }
        if (cycle) {
            g.anchorPara = 0;
        }
    }
}

// --- Editing

namespace {

void ShiftLoc(TextLoc& loc, ObjectId obj, std::int32_t at, std::int32_t n) {
    if (loc.obj == obj && loc.offset > at && loc.offset < kTextOffsetEnd) {
        loc.offset += n;
    }
}

} // namespace

void Document::MoveAnchors(const TextBody& body, ObjectId to) {
    for (const Segment& s : body.segs()) {
        switch (s.type) {
        case SegType::TableAnchor:
            if (Table* t = FindTable(s.value)) {
                t->anchorPara = to;
            }
            break;
        case SegType::FootnoteAnchor:
            if (Footnote* f = FindFootnote(s.value)) {
                f->anchorPara = to;
            }
            break;
        case SegType::FrameAnchor:
            if (Graphic* g = FindGraphic(s.value)) {
                g->anchorPara = to;
            }
            break;
        default:
            break;
        }
    }
}

ObjectId Document::SplitParagraph(ObjectId para, std::int32_t offset) {
    Paragraph* p = FindParagraph(para);
    if (p == nullptr) {
        return 0;
    }
    Paragraph q;
    q.id = NewObject(kKindParagraph, paras.size());
    q.owner = p->owner;
    q.frame = p->frame;
    q.textClass = p->textClass;
    q.locked = p->locked;
    q.format = p->format;
    q.override = p->override;
    q.prev = para;
    q.next = p->next;
    p->body.SplitInto(offset, q.body);
    const ObjectId qid = q.id;
    const ObjectId owner = q.owner;
    const ObjectId frame = q.frame;
    const ObjectId next = q.next;
    paras.push_back(std::move(q));
    p = FindParagraph(para); // the push may have moved it
    p->next = qid;
    if (next != 0) {
        FindParagraph(next)->prev = qid;
    } else {
        ObjectId* last = nullptr;
        ChainEnds(owner, &last);
        if (last != nullptr) {
            *last = qid;
        }
    }
    if (frame != 0) {
        Graphic* g = FindGraphic(frame);
        if (g != nullptr && g->lastPara == para) {
            g->lastPara = qid;
        }
    }
    MoveAnchors(paras.back().body, qid);
    for (TextLoc* loc : {&selection.begin, &selection.end}) {
        if (loc->obj == para && loc->offset > offset && loc->offset < kTextOffsetEnd) {
            loc->obj = qid;
            loc->offset -= offset;
        }
    }
    return qid;
}

TextLoc Document::InsertText(ObjectId obj, std::int32_t offset, std::string_view bytes) {
    ObjectId cur = obj;
    std::int32_t pos = offset;
    for (;;) {
        const std::size_t nl = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, nl);
        TextBody* body = FindText(cur);
        if (body->empty() && body->segs().empty()) {
            // Text written into an empty text object (each cell of a report table) is kept in
            // the document's blocks: a block of its own for each would lie among the short-lived
            // blocks of the files a book's walk opens and closes, and the heap would grow with
            // the book.
            KeepText(*body, piece);
        } else {
            body->Insert(pos, piece);
        }
        const auto n = static_cast<std::int32_t>(piece.size());
        ShiftLoc(selection.begin, cur, pos, n);
        ShiftLoc(selection.end, cur, pos, n);
        pos += n;
        if (nl == std::string_view::npos) {
            break;
        }
        cur = SplitParagraph(cur, pos);
        pos = 0;
        bytes.remove_prefix(nl + 1);
    }
    return {cur, pos};
}

void Document::RowCellsInit(Row& row, std::int32_t columns, std::uint32_t format) {
    const ObjectId rowId = row.id;
    for (std::int32_t c = 0; c < columns; ++c) {
        const ObjectId cell = AddCell(rowId);
        AppendParagraph(cell, format);
    }
}

std::int32_t Document::AddRowsBelow(ObjectId row, std::int32_t n) {
    Row* r = FindRow(row);
    if (r == nullptr) {
        return kErrBadObject;
    }
    const Table* t = FindTable(r->table);
    if (t == nullptr || n < 0 || n > 100000) {
        return kErrBadValue;
    }
    const ObjectId tableId = t->id;
    const std::int32_t columns = t->columns;
    ObjectId after = row;
    for (std::int32_t i = 0; i < n; ++i) {
        const Row ref = *FindRow(row);
        Row nr;
        nr.id = NewObject(kKindRow, rows.size());
        nr.table = tableId;
        nr.type = ref.type;
        nr.prev = after;
        nr.next = FindRow(after)->next;
        nr.firstCell = static_cast<std::uint32_t>(cells.size());
        const ObjectId id = nr.id;
        rows.push_back(nr);
        FindRow(after)->next = id;
        if (nr.next != 0) {
            FindRow(nr.next)->prev = id;
        } else {
            FindTable(tableId)->lastRow = id;
        }
        // New cells take the format of the reference row's cell in the same column.
        for (std::int32_t c = 0; c < columns; ++c) {
            std::uint32_t format = 0;
            if (static_cast<std::uint32_t>(c) < ref.cellCount) {
                const Cell& above = cells[ref.firstCell + static_cast<std::uint32_t>(c)];
                if (const Paragraph* p = FindParagraph(above.firstPara)) {
                    format = p->format;
                }
            }
            const ObjectId cell = AddCell(id);
            AppendParagraph(cell, format);
        }
        after = id;
    }
    return kOk;
}

ObjectId Document::NewTable(std::uint32_t format, std::int32_t columns, std::int32_t body,
                            std::int32_t heading, std::int32_t footing, TextLoc loc) {
    if (pgfFormats.empty()) {
        EnsurePgfFormat("Body");
    }
    const std::int32_t headingFormat = FindPgfFormatIndex("CellHeading");
    const std::int32_t bodyFormat = FindPgfFormatIndex("CellBody");
    const auto hf = static_cast<std::uint32_t>(std::max(headingFormat, 0));
    const auto bf = static_cast<std::uint32_t>(std::max(bodyFormat, 0));
    const ObjectId table = AddTable(format, columns);
    // Columns share the width of the frame that shows the anchor.
    Metric width = 468 * kMetricPoint;
    if (const Graphic* frame = FindGraphic(FrameOfParagraph(loc.obj))) {
        if (frame->rect.w > 0) {
            width = frame->rect.w;
        }
    }
    FindTable(table)->widths.assign(static_cast<std::size_t>(columns), width / columns);
    const struct {
        RowType type;
        std::int32_t count;
        std::uint32_t format;
    } sections[] = {{RowType::Heading, heading, hf},
                    {RowType::Body, body, bf},
                    {RowType::Footing, footing, bf}};
    for (const auto& s : sections) {
        for (std::int32_t i = 0; i < s.count; ++i) {
            const ObjectId row = AddRow(table, s.type);
            RowCellsInit(*FindRow(row), columns, s.format);
        }
    }
    if (TextBody* text = FindText(loc.obj)) {
        text->InsertAnchor(loc.offset, SegType::TableAnchor, table);
        FindTable(table)->anchorPara = loc.obj;
    }
    return table;
}

} // namespace lxhost

namespace lxhost {

namespace {

// A mark's four bytes: its offset in the paragraph in the low bits, then its column, then its line
// counted from the paragraph's first; or, with the top bit set, the index of the mark kept whole.
constexpr std::uint32_t kWideMark = 0x80000000u;
constexpr int kOffsetBits = 16;
constexpr int kColumnBits = 7;
constexpr int kLineBits = 8;
static_assert(kOffsetBits + kColumnBits + kLineBits == 31);
constexpr std::uint32_t kOffsetMask = (1u << kOffsetBits) - 1;
constexpr std::uint32_t kColumnMask = (1u << kColumnBits) - 1;

} // namespace

void SourceMarkTable::Add(const SourceMark& mark, std::uint32_t paraLine) {
    if (groups_.empty() || groups_.back().para != mark.para) {
        groups_.push_back({mark.para, static_cast<std::uint32_t>(entries_.size())});
    }
    // A line before the paragraph's wraps round to a count too large for the bits.
    const std::uint32_t lines = mark.pos.line - paraLine;
    if (mark.offset >= 0 && static_cast<std::uint32_t>(mark.offset) <= kOffsetMask &&
        mark.pos.column <= kColumnMask && lines >> kLineBits == 0) {
        entries_.push_back(static_cast<std::uint32_t>(mark.offset) |
                           mark.pos.column << kOffsetBits | lines << (kOffsetBits + kColumnBits));
        return;
    }
    // Room is made before the wide list grows, so that both grow or neither; by half again, as
    // push_back would grow it (room for one more each time would copy the list at every wide
    // mark: a long paragraph of emphasis has hundreds of thousands).
    if (entries_.size() == entries_.capacity()) {
        entries_.reserve(entries_.size() + entries_.size() / 2 + 16);
    }
    wide_.push_back({mark.offset, mark.pos});
    entries_.push_back(kWideMark | static_cast<std::uint32_t>(wide_.size() - 1));
}

std::int32_t SourceMarkTable::OffsetOf(std::uint32_t entry) const {
    return (entry & kWideMark) != 0 ? wide_[entry & ~kWideMark].offset
                                    : static_cast<std::int32_t>(entry & kOffsetMask);
}

SourceMark SourceMarkTable::Decode(ObjectId para, std::uint32_t i, std::uint32_t paraLine) const {
    const std::uint32_t e = entries_[i];
    if ((e & kWideMark) != 0) {
        const Wide& w = wide_[e & ~kWideMark];
        return {para, w.offset, w.pos};
    }
    return {para,
            static_cast<std::int32_t>(e & kOffsetMask),
            {paraLine + (e >> (kOffsetBits + kColumnBits)), (e >> kOffsetBits) & kColumnMask}};
}

void SourceMarkTable::Finish() {
    // A paragraph's marks are made in rising order of offset; only paragraphs interleave (the
    // text after a footnote's goes on in the paragraph that anchors it). Most documents make them
    // in order already, and the marks are not copied.
    bool ordered = true;
    for (std::size_t g = 1; g < groups_.size() && ordered; ++g) {
        ordered = groups_[g - 1].para < groups_[g].para;
    }
    if (ordered) {
        return;
    }
    std::vector<std::size_t> order(groups_.size());
    for (std::size_t g = 0; g < order.size(); ++g) {
        order[g] = g;
    }
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        return groups_[a].para < groups_[b].para;
    });
    std::vector<Group> groups;
    std::vector<std::uint32_t> entries;
    entries.reserve(entries_.size());
    for (const std::size_t g : order) {
        if (groups.empty() || groups.back().para != groups_[g].para) {
            groups.push_back({groups_[g].para, static_cast<std::uint32_t>(entries.size())});
        }
        entries.insert(entries.end(), entries_.begin() + groups_[g].first,
                       entries_.begin() + GroupEnd(g));
    }
    groups_ = std::move(groups);
    entries_ = std::move(entries);
}

std::optional<SourceMark> SourceMarkTable::Before(ObjectId para, std::int32_t offset,
                                                  std::uint32_t paraLine) const {
    const auto g = std::lower_bound(groups_.begin(), groups_.end(), para,
                                    [](const Group& a, ObjectId p) { return a.para < p; });
    if (g == groups_.end() || g->para != para) {
        return std::nullopt;
    }
    // The first mark past offset; the one before it is the answer.
    std::uint32_t lo = g->first;
    std::uint32_t hi = GroupEnd(static_cast<std::size_t>(g - groups_.begin()));
    while (lo < hi) {
        const std::uint32_t mid = lo + (hi - lo) / 2;
        if (OffsetOf(entries_[mid]) <= offset) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    if (lo == g->first) {
        return std::nullopt;
    }
    return Decode(para, lo - 1, paraLine);
}

void Document::MarkSource(ObjectId para, std::int32_t offset, SourcePos pos) {
    // Most positions follow on from the one before (the next word on the line): they are
    // settled before the paragraph is looked up.
    if (lastMark_.para == para && offset >= lastMark_.offset && pos.known() &&
        pos == SourcePos{lastMark_.pos.line,
                         lastMark_.pos.column +
                             static_cast<std::uint32_t>(offset - lastMark_.offset)}) {
        return;
    }
    Paragraph* p = pos.known() ? RecentParagraph(para) : nullptr;
    if (p == nullptr) {
        return;
    }
    if (!p->source.known()) {
        p->source = pos;
        if (offset == 0) {
            lastMark_ = {para, 0, pos};
            return;
        }
    }
    sourceMarks.Add({para, offset, pos}, p->source.line);
    lastMark_ = {para, offset, pos};
}

void Document::FinishSourceMarks() {
    sourceMarks.Finish();
    lastMark_ = {};
}

SourcePos Document::SourceAt(ObjectId para, std::int32_t offset) const {
    const Paragraph* p = const_cast<Document*>(this)->FindParagraph(para);
    if (p == nullptr || !p->source.known()) {
        return {};
    }
    const SourceMark base =
        sourceMarks.Before(para, offset, p->source.line).value_or(SourceMark{para, 0, p->source});
    const std::int32_t past = std::max(offset - base.offset, 0);
    return {base.pos.line, base.pos.column + static_cast<std::uint32_t>(past)};
}

std::vector<SourceMark> Document::SourceMarkList() const {
    std::vector<SourceMark> marks;
    marks.reserve(sourceMarks.size());
    sourceMarks.ForEach([&](ObjectId para, std::uint32_t i) {
        const Paragraph* p = const_cast<Document*>(this)->FindParagraph(para);
        marks.push_back(sourceMarks.Decode(para, i, p != nullptr ? p->source.line : 0));
    });
    return marks;
}

} // namespace lxhost
