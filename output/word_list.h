// Word-list documents: every listed word a paragraph, optionally with its number of occurrences,
// and for the lists with counts the number of unique words.
#pragma once

#include "analysis/words.h"
#include "support/api_types.h"
#include "support/str_list.h"

// The new word-list document. counts may be null (a list without counts).
ObjectId WriteWordList(const StrList* list, const WordCounts* counts);
// The number of words of the list, where a capitalised word whose small-letter form is listed
// too counts once.
std::int32_t UniqueWordCount(const StrList* list);
// Appends a spacer and "Total unique words: " with the number of words, where a capitalised word
// whose small-letter form is listed too counts once.
void WriteUniqueWordTotal(const StrList* list, ObjectId outDoc);
