// Which text of a document is examined, and in which order: the paragraphs of flows whose first
// text frame lies on a body page, text lines on body pages, every footnote, and tables anchored
// in body-page text with their shown cells.
#pragma once

#include "analysis/counts.h"
#include "support/api_types.h"

#include <cstdint>

// Called once per admitted text object (a paragraph or a text line), in walk order.
using TextObjectVisit = void (*)(ObjectId docId, ObjectId object, void* context);

// The kind code at which the walk up the parent links from start stops: 5 (body page), 6, 7 or
// 8 (pages whose text is skipped), or the last kind met (19 when start has no parent at all).
std::uint32_t TopContainerKind(ObjectId docId, ObjectId start);

// Walks the document's text objects in four passes (flows, text lines, footnotes, tables). With
// the paragraph filter on, a paragraph is visited only when its text class (577) is 1 or 2.
void WalkTextObjects(ObjectId docId, bool paragraphFilter, TextObjectVisit visit, void* context);

// Called once per text object of the walk without the filter, saying whether the filter admits it.
using MarkedTextObjectVisit = void (*)(ObjectId docId, ObjectId object, bool admitted,
                                       void* context);

// One walk for the work of both walks, with the filter and without: every text object in the
// order of the walk without the filter, each marked as the walk with it would take or leave it.
void WalkMarkedTextObjects(ObjectId docId, MarkedTextObjectVisit visit, void* context);

// Counts every admitted text object into counts; paragraphs counts the objects that yielded at
// least one counted sentence.
void CountDocument(ObjectId docId, ReadabilityCounts* counts);
