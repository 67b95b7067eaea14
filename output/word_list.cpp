#include "output/word_list.h"

#include "analysis/word_table.h"
#include "output/builder.h"
#include "runtime/api.h"
#include "support/mem.h"
#include "support/printf.h"
#include "support/str.h"

#include <string>
#include <string_view>

namespace {

constexpr const char* kWordsHeading = "Words";
constexpr const char* kCountSeparator = "    ";
constexpr const char* kUniqueLabel = "Total unique words: ";
// Room for the decimal digits of any count, sign and terminator included.
constexpr std::size_t kNumberSize = 16;

// The whole decimal number: a count is never cut to fewer digits.
std::string Decimal(std::int32_t value) {
    char digits[kNumberSize] = "";
    StrAppendInt(digits, value, sizeof digits);
    return digits;
}

// The word with ASCII capitals made small; no other byte changes.
std::string SmallAscii(const char* word) {
    std::string lower(word ? word : "");
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
    return lower;
}

} // namespace

ObjectId WriteWordList(const StrList* list, const WordCounts* counts) {
    ObjectId outDoc = NewOutputDocument(OutputDocText);
    ApiSetInt(0, 0, kPropDisplaying, 0);
    AppendParagraph(outDoc, kWordsHeading, "Heading2");
    std::uint32_t n = StrListCount(list);
    std::string line;
    // One copy of the rows' format for the whole list, as a table's cells take theirs.
    FetchedFormat body = FetchParagraphFormat(outDoc, "Body");
    for (std::uint32_t i = 0; i < n; ++i) {
        line = StrListGet(list, i);
        if (counts && counts->items && i < counts->count) {
            line += kCountSeparator;
            line += Decimal(counts->items[i]);
        }
        AppendFormattedParagraph(outDoc, line.c_str(), body);
    }
    FreeFetchedFormat(&body);
    ApiSetInt(0, 0, kPropDisplaying, 1);
    ApiRedisplay(outDoc);
    return outDoc;
}

std::int32_t UniqueWordCount(const StrList* list) {
    std::int32_t unique = 0;
    std::uint32_t n = StrListCount(list);
    // The listed words, looked up as StrListFind would find them, in constant time.
    const StrListIndex listed(list);
    for (std::uint32_t i = 0; i < n; ++i) {
        const char* item = StrListGet(list, i);
        std::string lower = SmallAscii(item);
        if (StrEqual(lower.c_str(), item) || listed.Find(lower) == StrListIndex::kAbsent)
            ++unique;
    }
    return unique;
}

void WriteUniqueWordTotal(const StrList* list, ObjectId outDoc) {
    std::string text = kUniqueLabel + Decimal(UniqueWordCount(list));
    AppendParagraph(outDoc, "", "Body");
    AppendParagraph(outDoc, text.c_str(), "Body");
}
