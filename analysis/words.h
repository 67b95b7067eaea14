// Collecting the distinct words of a document for word lists, and counting their occurrences.
// A word here is exactly a word the statistics count: a trimmed word of a kept sentence.
#pragma once

#include "support/api_types.h"
#include "support/str_list.h"

#include <cstdint>
#include <string_view>

class StrListIndex;

// Occurrence counts, index-aligned with a sorted word list: items[i] counts list item i. Sized
// to the list, so a list of any length has a counter for every word.
struct WordCounts {
    std::int32_t* items;
    std::uint32_t count;
};

// Calls visit with every word of a text that a word list holds and counts: each non-empty trimmed
// word of the text's counted sentences, in text order.
using ListedWordVisit = void (*)(std::string_view word, void* context);
void ForEachListedWord(std::string_view text, ListedWordVisit visit, void* context);

// n zeroed counters; count 0 when they cannot be allocated.
WordCounts WordCountsNew(std::uint32_t n);
void WordCountsFree(WordCounts* counts);

// Appends to list, in order of first appearance, every word of the document not in it yet.
// index, when given, is an index of list that the caller keeps from one document to the next
// (a book's walk): it is kept in step with what is appended. Without it the list is indexed
// anew, which for every file of a book would take time in the square of the book's words.
void CollectWords(ObjectId docId, StrList* list, StrListIndex* index = nullptr);
// Adds 1 to counts->items[i] for every occurrence of list item i in the document; words that
// are not listed, and items beyond the counters, are not counted. index, when given, is an
// index of list, kept by the caller as for CollectWords.
void CountWordOccurrences(ObjectId docId, const StrList* list, WordCounts* counts,
                          const StrListIndex* index = nullptr);
// What CollectWords, sorting the list with CompareWords and CountWordOccurrences give, in one
// walk of the document: list (empty) receives the words sorted, and the counters, aligned with
// it, are returned (count 0 when they cannot be allocated).
WordCounts CollectAndCountWords(ObjectId docId, StrList* list);
// The list's order: ASCII letters compare without case, every other byte as it is; words that
// differ only in the case of ASCII letters follow in byte order. a and b point to item slots
// (pointers to strings), as the sort hands them.
int CompareWords(const void* a, const void* b);
