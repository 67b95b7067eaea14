// The data types exchanged with the host through its API. All words are 32-bit; on 32-bit builds
// the layouts are exactly the host's (checked below), on 64-bit builds pointers are simply wider.
#pragma once

#include <cstdint>

using ObjectId = std::uint32_t;
// A length in points with 16 fraction bits: 0x10000 is 1 pt.
using Metric = std::int32_t;

constexpr Metric kMetricPoint = 0x10000;
// The offset that stands for the end of a text object's text.
constexpr std::int32_t kTextOffsetEnd = 0x50000000;

// A property identifier: the number, and a name used only when the number is 0.
struct PropIdent {
    std::int32_t num;
    char* name;
};

// Counted arrays held in a TypedVal payload or passed on their own.
struct IntList {
    std::uint32_t count;
    std::int32_t* items;
};
struct MetricList {
    std::uint32_t count;
    Metric* items;
};
struct StringArray {
    std::uint32_t count;
    char** items;
};
struct ByteList {
    std::uint32_t count;
    std::uint8_t* items;
};
struct WordPair {
    std::int32_t first;
    std::int32_t second;
};
struct WordPairList {
    std::uint32_t count;
    WordPair* items;
};

// The records of the structured TypedVal tags, named after their tag.
struct TypedValRecord8 {
    std::int32_t word0;
    std::int32_t word1;
    char* text;
    std::int32_t word3;
};
struct TypedValRecord17 {
    char* text0;
    std::int32_t word1;
    std::int32_t word2;
    std::int32_t word3;
    StringArray strings4;
    StringArray strings6;
    char* text8;
    char* text9;
};
struct TypedValRecord18 {
    char* text0;
    StringArray strings1;
    std::int32_t word3;
};
struct TypedValRecord19 {
    std::int32_t words[6];
};
struct TypedValRecord21 {
    char* text0;
    StringArray strings1;
    StringArray strings3;
    std::int32_t word5;
};
struct TypedValRecord22 {
    std::int32_t word0;
    StringArray strings1;
};

template <typename Item> struct CountedList {
    std::uint32_t count;
    Item* items;
};

struct TypedValList;

// A tagged value: the tag selects which payload member is in use.
struct TypedVal {
    std::int32_t tag;
    union {
        std::int32_t ival;                       // 1 (integer) and the other plain tags
        char* sval;                              // 3
        IntList ints;                            // 5, 13, 15
        StringArray strings;                     // 6
        WordPairList pairs;                      // 7, 12
        CountedList<TypedValRecord8> records8;   // 8
        ByteList bytes;                          // 14
        CountedList<TypedValRecord17> records17; // 17
        CountedList<TypedValRecord18> records18; // 18
        TypedValRecord19* record19;              // 19
        TypedValList* list20;                    // 20
        CountedList<TypedValRecord21> records21; // 21
        CountedList<TypedValRecord22> records22; // 22
        std::uint32_t words[4];                  // 9, 10 and the raw view
    } u;
};

// The nested list of tag 20.
struct TypedValList {
    std::uint32_t count;
    TypedVal* items;
};

// TypedVal tags with a role of their own.
enum TypedValTag : std::int32_t {
    kTagInt = 1,
    kTagString = 3,
    kTagInts = 5,
    kTagStrings = 6,
    kTagPairs = 7,
    kTagRecords8 = 8,
    kTagPairs12 = 12,
    kTagInts13 = 13,
    kTagBytes = 14,
    kTagInts15 = 15,
    kTagRecords17 = 17,
    kTagRecords18 = 18,
    kTagRecord19 = 19,
    kTagNestedList = 20,
    kTagRecords21 = 21,
    kTagRecords22 = 22,
};

struct PropVal {
    PropIdent prop;
    TypedVal value;
};

struct PropValList {
    std::uint32_t count;
    PropVal* items;
};

struct TextLoc {
    ObjectId obj;
    std::int32_t offset;
};

struct TextRange {
    TextLoc begin;
    TextLoc end;
};

// The data type of a text item that holds a string of text.
constexpr std::int32_t kTextItemString = 1;

struct TextItem {
    std::int32_t offset;
    std::int32_t dataType;
    union {
        char* sdata;    // data type 1: an owned string
        ObjectId idata; // every other data type: a plain value
    } u;
};

struct TextItemList {
    std::uint32_t count;
    TextItem* items;
};

#if UINTPTR_MAX == 0xFFFFFFFFu
// On 32-bit builds the structures are the host's, byte for byte.
static_assert(sizeof(TypedVal) == 20);
static_assert(sizeof(PropVal) == 28);
static_assert(sizeof(TextItem) == 12);
static_assert(sizeof(TextLoc) == 8);
static_assert(sizeof(TextRange) == 16);
static_assert(sizeof(TypedValRecord8) == 16);
static_assert(sizeof(TypedValRecord17) == 40);
static_assert(sizeof(TypedValRecord18) == 16);
static_assert(sizeof(TypedValRecord19) == 24);
static_assert(sizeof(TypedValRecord21) == 24);
static_assert(sizeof(TypedValRecord22) == 12);
#endif
static_assert(sizeof(TextLoc) == 8 && sizeof(TextRange) == 16);
static_assert(sizeof(TypedValRecord19) == 24);
