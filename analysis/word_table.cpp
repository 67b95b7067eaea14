#include "analysis/word_table.h"

StrListIndex::StrListIndex(const StrList* list) : list_(list) {
    const std::uint32_t n = StrListCount(list);
    if (!table_.Reserve(n)) {
        searching_ = true;
        return;
    }
    for (std::uint32_t i = 0; i < n; ++i)
        Add(ItemAt(i), i); // Add keeps the first index of a word
}

std::string_view StrListIndex::ItemAt(std::uint32_t index) const {
    const char* item = StrListGet(list_, index);
    return item ? item : "";
}

std::uint32_t StrListIndex::Find(std::string_view word) const {
    if (searching_) {
        const std::uint32_t n = StrListCount(list_);
        for (std::uint32_t i = 0; i < n; ++i)
            if (ItemAt(i) == word)
                return i;
        return kAbsent;
    }
    const auto* slot =
        table_.Find(word, WordHash(word), [this](std::uint32_t i) { return ItemAt(i); });
    return slot ? slot->index() : kAbsent;
}

void StrListIndex::Add(std::string_view word, std::uint32_t index) {
    if (searching_)
        return;
    if (!table_.Insert(word, WordHash(word), index,
                       [this](std::uint32_t i) { return ItemAt(i); })) {
        // From now on the list itself is searched, which holds every word the table missed.
        searching_ = true;
        table_.Clear();
    }
}
