#include "analysis/traversal.h"

#include "analysis/tokenizer.h"
#include "runtime/api.h"
#include "runtime/vocabulary.h"

namespace {

// A kind code that none of the tests below looks for: the answer for an object without parent.
constexpr std::uint32_t kKindNone = 19;
// Text classes of paragraphs that are examined.
constexpr std::int32_t kTextClassOrdinary = 1;
constexpr std::int32_t kTextClassSecond = 2;
constexpr std::int32_t kCellShown = 1;

std::uint32_t KindOf(ObjectId id) {
    return id >> kKindShift;
}

bool IsSkippedPage(std::uint32_t kind) {
    return kind == kKindMasterPage || kind == kKindReferencePage || kind == kKindHiddenPage;
}

bool Admitted(ObjectId docId, ObjectId paragraph, bool filter) {
    if (!filter)
        return true;
    std::int32_t textClass = ApiGetInt(docId, paragraph, kPropTextClass);
    return textClass == kTextClassOrdinary || textClass == kTextClassSecond;
}

void WalkParagraphChain(ObjectId docId, ObjectId container, bool filter, TextObjectVisit visit,
                        void* context) {
    for (ObjectId p = ApiGetId(docId, container, kPropFirstParagraph); p != 0;
         p = ApiGetId(docId, p, kPropNextParagraph))
        if (Admitted(docId, p, filter))
            visit(docId, p, context);
}

bool UnderBodyPage(ObjectId docId, ObjectId object) {
    return TopContainerKind(docId, object) == kKindBodyPage;
}

void WalkFlows(ObjectId docId, bool filter, TextObjectVisit visit, void* context) {
    for (ObjectId f = ApiGetId(0, docId, kPropFirstFlow); f != 0;
         f = ApiGetId(docId, f, kPropNextFlow)) {
        // The flow's first text frame decides for the whole flow.
        ObjectId frame = ApiGetId(docId, f, kPropFirstTextFrame);
        if (UnderBodyPage(docId, frame))
            WalkParagraphChain(docId, frame, filter, visit, context);
    }
}

void WalkTextLines(ObjectId docId, TextObjectVisit visit, void* context) {
    for (ObjectId g = ApiGetId(0, docId, kPropFirstGraphic); g != 0;
         g = ApiGetId(docId, g, kPropNextGraphic))
        if (KindOf(g) == kKindTextLine && UnderBodyPage(docId, g))
            visit(docId, g, context);
}

void WalkFootnotes(ObjectId docId, bool filter, TextObjectVisit visit, void* context) {
    for (ObjectId c = ApiGetId(0, docId, kPropFirstFootnote); c != 0;
         c = ApiGetId(docId, c, kPropNextFootnote))
        WalkParagraphChain(docId, c, filter, visit, context);
}

void WalkTables(ObjectId docId, bool filter, TextObjectVisit visit, void* context) {
    for (ObjectId t = ApiGetId(0, docId, kPropFirstTable); t != 0;
         t = ApiGetId(docId, t, kPropNextTable)) {
        TextLoc anchor = ApiGetTextLoc(docId, t, kPropTableAnchor);
        ObjectId frame = ApiGetId(docId, anchor.obj, kPropContainingFrame);
        if (!UnderBodyPage(docId, frame))
            continue;
        WalkParagraphChain(docId, t, filter, visit, context);
        for (ObjectId r = ApiGetId(docId, t, kPropFirstRow); r != 0;
             r = ApiGetId(docId, r, kPropNextRow))
            for (ObjectId c = ApiGetId(docId, r, kPropFirstCell); c != 0;
                 c = ApiGetId(docId, c, kPropNextCell))
                if (ApiGetInt(docId, c, kPropCellShown) == kCellShown)
                    WalkParagraphChain(docId, c, filter, visit, context);
    }
}

// The four passes; text lines are handed to visit with a context of their own.
void WalkPasses(ObjectId docId, bool filter, TextObjectVisit visit, void* context,
                void* textLineContext) {
    WalkFlows(docId, filter, visit, context);
    WalkTextLines(docId, visit, textLineContext);
    WalkFootnotes(docId, filter, visit, context);
    WalkTables(docId, filter, visit, context);
}

struct MarkedWalk {
    MarkedTextObjectVisit visit;
    void* context;
    bool textLines; // the filter takes every text line
};

void MarkVisit(ObjectId docId, ObjectId object, void* context) {
    const auto* walk = static_cast<MarkedWalk*>(context);
    walk->visit(docId, object, walk->textLines || Admitted(docId, object, true), walk->context);
}

void CountVisit(ObjectId docId, ObjectId object, void* context) {
    auto* counts = static_cast<ReadabilityCounts*>(context);
    std::int32_t before = counts->sentences;
    CountParagraphText(docId, object, counts);
    if (counts->sentences != before)
        ++counts->paragraphs;
}

} // namespace

std::uint32_t TopContainerKind(ObjectId docId, ObjectId start) {
    std::uint32_t kind = kKindNone;
    ObjectId current = start;
    // Every step climbs one parent link; a host whose links form a loop would keep the walk
    // going for ever, so the climb is bounded by the deepest nesting a document can have.
    constexpr int kMaxDepth = 1 << 16;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        if (IsSkippedPage(kind))
            return kind;
        ObjectId parent = ApiGetId(docId, current, kPropParent);
        if (parent == 0)
            parent = ApiGetId(docId, current, kPropPage);
        if (parent == 0)
            return kind;
        kind = KindOf(parent);
        current = parent;
        if (kind == kKindBodyPage)
            return kind;
    }
    return kKindNone;
}

void WalkTextObjects(ObjectId docId, bool paragraphFilter, TextObjectVisit visit, void* context) {
    WalkPasses(docId, paragraphFilter, visit, context, context);
}

void WalkMarkedTextObjects(ObjectId docId, MarkedTextObjectVisit visit, void* context) {
    MarkedWalk paragraphs{visit, context, false};
    MarkedWalk textLines{visit, context, true};
    WalkPasses(docId, false, MarkVisit, &paragraphs, &textLines);
}

void CountDocument(ObjectId docId, ReadabilityCounts* counts) {
    if (counts)
        WalkTextObjects(docId, true, CountVisit, counts);
}
