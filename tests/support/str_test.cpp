#include "support/mem.h"
#include "support/str.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(StrCompareFamily, NullReadsAsEmptyAndBytesAreUnsigned) {
    struct Case {
        const char* a;
        const char* b;
        int equal;  // StrEqual
        int order;  // sign of StrCompare
        int iequal; // StrIEqual
        int iorder; // sign of StrICompare
    };
    const Case cases[] = {
        {nullptr, "", 1, 0, 1, 0},
        {nullptr, nullptr, 1, 0, 1, 0},
        {nullptr, "a", 0, -1, 0, -1},
        {"ab", "abc", 0, -1, 0, -1},
        {"abc", "ab", 0, 1, 0, 1},
        {"Abc", "aBC", 0, -1, 1, 0},
        {"\x80\x42", "\x8A\x62", 0, -1, 1, 0}, // accented capital and B fold to their small forms
        {"\x83", "\x8E", 0, -1, 1, 0},
        {"\x8A", "\x80", 0, 1, 1, 0},   // both sides are folded
        {"\xA0", "\xA1", 0, -1, 0, -1}, // bytes not in the table compare exactly
        {"\xFF", "a", 0, 1, 0, 1},      // unsigned: 0xFF sorts after 'a'
        {"\xCB", "\x88", 0, 1, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a ? c.a : "(null)") + " vs " + (c.b ? c.b : "(null)"));
        EXPECT_EQ(StrEqual(c.a, c.b), c.equal);
        EXPECT_EQ(Sign(StrCompare(c.a, c.b)), c.order);
        EXPECT_EQ(StrIEqual(c.a, c.b), c.iequal);
        EXPECT_EQ(Sign(StrICompare(c.a, c.b)), c.iorder);
    }
}

TEST(StrICompare, StopsAtTheEndOfTheFirstStringWithTheFoldedDifference) {
    EXPECT_EQ(StrICompare("AB", "abC"), 0 - 'c');
    EXPECT_EQ(StrICompare("abc", "AB"), 'c' - 0);
    EXPECT_EQ(StrICompare("a\xAE", "A\xBE"), 0);
}

TEST(CaseFoldTable, MapsOnlyTheListedBytes) {
    int changed = 0;
    for (int b = 0; b < 256; ++b)
        if (kCaseFoldTable[b] != b)
            ++changed;
    EXPECT_EQ(changed, 26 + 29);
    EXPECT_EQ(kCaseFoldTable['Z'], 'z');
    EXPECT_EQ(kCaseFoldTable['z'], 'z');
    EXPECT_EQ(kCaseFoldTable[0xF4], 0x9D);
    EXPECT_EQ(kCaseFoldTable[0xF0], 0xF0);
}

TEST(StrFind, FirstOccurrenceAndEmptyRules) {
    struct Case {
        const char* s;
        const char* sub;
        std::ptrdiff_t index;
    };
    const Case cases[] = {
        {"abc", "", 0},    {"", "a", -1},       {"", "", -1},       {"aab", "ab", 1},
        {"abc", "c", 2},   {"abc", "abcd", -1}, {nullptr, "a", -1}, {"a", nullptr, -1},
        {"abab", "ab", 0}, {"xyz", "yz", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StrFind(c.s, c.sub), c.index)
            << (c.s ? c.s : "(null)") << " / " << (c.sub ? c.sub : "(null)");
}

TEST(StrPrefixAndChr, Contracts) {
    EXPECT_EQ(StrPrefix("abc", ""), 1);
    EXPECT_EQ(StrPrefix("abc", nullptr), 1);
    EXPECT_EQ(StrPrefix("ab", "abc"), 0);
    EXPECT_EQ(StrPrefix("SetDocId 5", "SetDocId"), 1);
    EXPECT_EQ(StrChr("abc", 0), nullptr);
    EXPECT_EQ(StrChr("", 'a'), nullptr);
    EXPECT_EQ(StrChr(static_cast<const char*>(nullptr), 'a'), nullptr);
    const char* s = "a\xE9z";
    EXPECT_EQ(StrChr(s, 0xE9), s + 1);
}

TEST(StrBoundedWrites, NeverPassTheSize) {
    char buf[8];
    std::memcpy(buf, "abc", 4);
    EXPECT_EQ(StrAppendChar(buf, 'x', 4), 3u);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(StrAppendChar(buf, 'x', 5), 4u);
    EXPECT_STREQ(buf, "abcx");

    std::memcpy(buf, "ab", 3);
    EXPECT_EQ(StrAppendN(buf, "cdef", 5), 4u);
    EXPECT_STREQ(buf, "abcd");

    std::memcpy(buf, "zzzz", 5);
    EXPECT_EQ(StrCopyN(buf, "abc", 1), 0u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], 'z');
    EXPECT_EQ(StrCopyN(buf, "abcdefghij", 8), 7u);
    EXPECT_STREQ(buf, "abcdefg");
    EXPECT_EQ(StrCopyN(buf, nullptr, 8), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(StrCopyN(nullptr, "abc", 8), 0u);
    EXPECT_EQ(StrAppend(nullptr, "abc"), 0u);
    EXPECT_EQ(StrCopy(nullptr, "abc"), nullptr);
}

TEST(StrInPlaceEdits, TrimStripDrop) {
    struct Case {
        const char* input;
        void (*edit)(char*);
        const char* output;
    };
    const Case cases[] = {
        {"  a b ", StrTrimLeft, "a b "},
        {"a b ", StrTrimRight, "a b"},
        {"\t a", StrTrimLeft, "\t a"}, // only blanks are trimmed
        {"   ", StrTrimRight, ""},
        {"   ", StrTrimLeft, ""},
        {"a-b.c", [](char* s) { StrStripChars(s, ".-"); }, "abc"},
        {"a-b", [](char* s) { StrStripChars(s, ""); }, "a-b"},
        {"SetDocId 12", [](char* s) { StrDropFront(s, 8); }, " 12"},
        {"abc", [](char* s) { StrDropFront(s, 9); }, ""},
    };
    for (const Case& c : cases) {
        char buf[32];
        std::strcpy(buf, c.input);
        c.edit(buf);
        EXPECT_STREQ(buf, c.output) << "input '" << c.input << "'";
    }
    StrTrimLeft(nullptr);
    StrTrimRight(nullptr);
    StrStripChars(nullptr, "a");
    StrDropFront(nullptr, 1);
}

TEST(StrAllocation, DupAllocAndToInt) {
    EXPECT_EQ(StrDup(nullptr), nullptr);
    char* copy = StrDup("hello");
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "hello");
    EXPECT_EQ(MemFree(copy), nullptr);
    char* zeroed = StrAlloc(4);
    ASSERT_NE(zeroed, nullptr);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(zeroed[i], '\0');
    MemFree(zeroed);
    EXPECT_EQ(StrToInt(nullptr), 0);
    EXPECT_EQ(StrToInt("  -42x"), -42);
    EXPECT_EQ(StrToInt("abc"), 0);
    EXPECT_EQ(StrLen(nullptr), 0u);
}

} // namespace
