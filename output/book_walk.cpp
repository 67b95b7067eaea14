#include "output/book_walk.h"

#include "analysis/traversal.h"
#include "analysis/word_table.h"
#include "output/builder.h"
#include "output/file_names.h"
#include "runtime/api.h"
#include "support/enc_convert.h"
#include "support/mem.h"
#include "support/prop_list.h"
#include "support/str.h"

namespace {

struct OpenParam {
    std::int32_t number;
    std::int32_t value;
};

// The open parameters of a book's file, in order (parameter number = value).
constexpr OpenParam kComponentOpenParams[] = {{5, 0},  {2, 0},  {3, 1},  {23, 1}, {28, 1},
                                              {22, 1}, {25, 1}, {36, 3}, {24, 11}};

// A component tree deeper than this is taken for a loop in the host's links.
constexpr int kMaxComponentDepth = 1 << 16;

bool HasChildren(std::int32_t kind) {
    return kind == kComponentFolder || kind == kComponentGroup;
}

// The per-file steps: open unless open already, show the status, work, close what was opened.
void ProcessFile(ObjectId book, ObjectId component, const char* statusPrefix, BookFileWork work,
                 void* context) {
    char* path = ApiGetString(book, component, kPropPath);
    ObjectId wasOpen = FindOpenDocument(path);
    PropValList params = ComponentOpenParams();
    PropValList* returned = nullptr;
    ObjectId doc = ApiOpen(path, &params, &returned);
    if (doc == 0) {
        ConsolePrint("Could not open file:");
        ConsolePrint(path ? path : "");
        ConsolePrint("\n");
    }
    PropValListFree(&params);
    PropValListFree(returned);

    char* name = FileNameOfPath(path);
    char* status = nullptr;
    StrAppendGrow(&status, statusPrefix);
    StrAppendGrow(&status, name ? name : "");
    ApiSetString(0, book, kPropBookStatus, status);
    MemFree(status);

    work(doc, name ? name : "", context);

    if (doc != 0 && wasOpen == 0)
        ApiClose(doc, kCloseFlags);
    MemFree(name);
    StrRelease(&path);
}

void CountWork(ObjectId doc, const char*, void* context) {
    CountDocument(doc, static_cast<ReadabilityCounts*>(context));
}

// The book's list and one index of it for the whole walk: indexing the list anew for each file
// would take time in the square of the book's words.
struct CollectWordsContext {
    StrList* list;
    StrListIndex* index;
};

void CollectWork(ObjectId doc, const char*, void* context) {
    auto* c = static_cast<CollectWordsContext*>(context);
    CollectWords(doc, c->list, c->index);
}

struct CountWordsContext {
    const StrList* list;
    const StrListIndex* index;
    WordCounts* counts;
};

void CountWordsWork(ObjectId doc, const char*, void* context) {
    auto* c = static_cast<CountWordsContext*>(context);
    CountWordOccurrences(doc, c->list, c->counts, c->index);
}

} // namespace

ObjectId NextComponent(ObjectId book, ObjectId component, std::int32_t kind) {
    if (HasChildren(kind)) {
        ObjectId child = ApiGetId(book, component, kPropFirstChildComponent);
        if (child != 0)
            return child;
    }
    ObjectId next = ApiGetId(book, component, kPropNextComponent);
    ObjectId p = component;
    for (int depth = 0; next == 0 && depth < kMaxComponentDepth; ++depth) {
        p = ApiGetId(book, p, kPropParentComponent);
        if (p == 0)
            return 0;
        next = ApiGetId(book, p, kPropNextComponent);
    }
    return next;
}

PropValList ComponentOpenParams() {
    constexpr std::uint32_t count = std::size(kComponentOpenParams);
    PropValList params = PropValListNew(count);
    for (std::uint32_t i = 0; i < params.count; ++i) {
        params.items[i].prop.num = kComponentOpenParams[i].number;
        params.items[i].value.tag = kTagInt;
        params.items[i].value.u.ival = kComponentOpenParams[i].value;
    }
    return params;
}

void WalkBookFiles(ObjectId book, const char* statusPrefix, BookFileWork work, void* context) {
    for (ObjectId component = ApiGetId(0, book, kPropFirstComponent); component != 0;) {
        std::int32_t kind = ApiGetInt(book, component, kPropComponentKind);
        ObjectId next = NextComponent(book, component, kind);
        if (kind == kComponentFile && ApiGetInt(book, component, kPropComponentExcluded) == 0)
            ProcessFile(book, component, statusPrefix, work, context);
        component = next;
    }
    ApiSetString(0, book, kPropBookStatus, "");
}

void BookMeasure(ObjectId book, Measure measure, OutputKind outputKind) {
    ReadabilityCounts totals = {};
    WalkBookFiles(book, kStatusExamining, CountWork, &totals);
    ReportMeasure(measure, 0, totals, outputKind);
}

void BookCollectWords(ObjectId book, StrList* list) {
    StrListIndex index(list);
    CollectWordsContext context = {list, &index};
    WalkBookFiles(book, kStatusExamining, CollectWork, &context);
}

void BookCountWords(ObjectId book, const StrList* list, WordCounts* counts) {
    const StrListIndex index(list);
    CountWordsContext context = {list, &index, counts};
    WalkBookFiles(book, kStatusGettingCounts, CountWordsWork, &context);
}
