// Deep copies and frees of the host API structures, counted with an allocator of the test's own.
#include "support/prop_list.h"
#include "support/typed_val.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

namespace {

std::set<void*> live;
int releasesOfNull = 0;
int badReleases = 0;
bool failAllocations = false;

void* CountedAlloc(std::uint32_t size) {
    if (failAllocations)
        return nullptr;
    void* block = std::malloc(size == 0 ? 1 : size);
    live.insert(block);
    return block;
}

void CountedRelease(void* block) {
    if (!block) {
        ++releasesOfNull;
        return;
    }
    if (live.erase(block) == 0)
        ++badReleases;
    std::free(block);
}

class Counted : public ::testing::Test {
  protected:
    void SetUp() override {
        live.clear();
        releasesOfNull = 0;
        badReleases = 0;
        failAllocations = false;
    }
    void TearDown() override {
        EXPECT_TRUE(live.empty()) << live.size() << " blocks not released";
        EXPECT_EQ(badReleases, 0);
        for (void* block : live)
            std::free(block);
        live.clear();
    }
};

char* S(const char* text) {
    char* s = static_cast<char*>(CountedAlloc(static_cast<std::uint32_t>(std::strlen(text) + 1)));
    std::strcpy(s, text);
    return s;
}

StringArray Strings(std::initializer_list<const char*> texts) {
    StringArray a{static_cast<std::uint32_t>(texts.size()),
                  static_cast<char**>(
                      CountedAlloc(static_cast<std::uint32_t>(texts.size() * sizeof(char*))))};
    std::uint32_t i = 0;
    for (const char* t : texts)
        a.items[i++] = t ? S(t) : nullptr;
    return a;
}

template <typename T> T* Array(std::uint32_t count) {
    auto* items = static_cast<T*>(std::calloc(count, sizeof(T)));
    live.insert(items);
    return items;
}

// A source value of every structured tag, built in counted memory.
TypedVal MakeValue(std::int32_t tag) {
    TypedVal v{};
    v.tag = tag;
    switch (tag) {
    case kTagString:
        v.u.sval = S("text");
        break;
    case kTagInts:
    case kTagInts13:
    case kTagInts15:
        v.u.ints = {3, Array<std::int32_t>(3)};
        v.u.ints.items[2] = 7;
        break;
    case kTagStrings:
        v.u.strings = Strings({"a", nullptr, "c"});
        break;
    case kTagPairs:
    case kTagPairs12:
        v.u.pairs = {2, Array<WordPair>(2)};
        break;
    case kTagRecords8:
        v.u.records8 = {2, Array<TypedValRecord8>(2)};
        v.u.records8.items[0].text = S("r0");
        break;
    case kTagBytes:
        v.u.bytes = {5, Array<std::uint8_t>(5)};
        break;
    case kTagRecords17:
        v.u.records17 = {1, Array<TypedValRecord17>(1)};
        v.u.records17.items[0].text0 = S("t0");
        v.u.records17.items[0].strings4 = Strings({"x", "y"});
        v.u.records17.items[0].strings6 = Strings({"z"});
        v.u.records17.items[0].text8 = S("t8");
        v.u.records17.items[0].text9 = S("t9");
        break;
    case kTagRecords18:
        v.u.records18 = {2, Array<TypedValRecord18>(2)};
        v.u.records18.items[1].text0 = S("t");
        v.u.records18.items[1].strings1 = Strings({"p", "q"});
        break;
    case kTagRecord19:
        v.u.record19 = Array<TypedValRecord19>(1);
        v.u.record19->words[5] = 9;
        break;
    case kTagNestedList: {
        v.u.list20 = Array<TypedValList>(1);
        v.u.list20->count = 2;
        v.u.list20->items = Array<TypedVal>(2);
        v.u.list20->items[0] = MakeValue(kTagString);
        v.u.list20->items[1].tag = kTagNestedList; // a nested list inside a nested list
        v.u.list20->items[1].u.list20 = Array<TypedValList>(1);
        v.u.list20->items[1].u.list20->count = 1;
        v.u.list20->items[1].u.list20->items = Array<TypedVal>(1);
        v.u.list20->items[1].u.list20->items[0] = MakeValue(kTagStrings);
        break;
    }
    case kTagRecords21:
        v.u.records21 = {1, Array<TypedValRecord21>(1)};
        v.u.records21.items[0].text0 = S("t");
        v.u.records21.items[0].strings1 = Strings({"a"});
        v.u.records21.items[0].strings3 = Strings({"b", "c"});
        break;
    case kTagRecords22:
        v.u.records22 = {2, Array<TypedValRecord22>(2)};
        v.u.records22.items[0].strings1 = Strings({"a", "b"});
        break;
    default:
        v.u.words[0] = 0x12345678;
        v.u.words[3] = 0x9ABCDEF0;
        break;
    }
    return v;
}

// Tag 1 to 22: the copy owns exactly what it allocated, and freeing it releases exactly that.
TEST_F(Counted, EveryTagCopiesIndependentlyAndFreesExactlyItsOwnBlocks) {
    for (std::int32_t tag = 1; tag <= 22; ++tag) {
        SCOPED_TRACE("tag " + std::to_string(tag));
        TypedVal source = MakeValue(tag);
        std::set<void*> before = live;
        TypedVal copy{};
        TypedValCopyWith(&copy, &source, CountedAlloc);
        std::set<void*> allocatedByCopy;
        for (void* block : live)
            if (!before.count(block))
                allocatedByCopy.insert(block);
        TypedValFreeWith(&copy, CountedRelease);
        for (void* block : allocatedByCopy)
            EXPECT_EQ(live.count(block), 0u) << "a block of the copy was not released";
        EXPECT_EQ(live, before) << "freeing the copy released a block of the source";
        TypedValFreeWith(&source, CountedRelease);
    }
}

TEST_F(Counted, CopiedValuesReadTheSame) {
    TypedVal source = MakeValue(kTagRecords17);
    TypedVal copy{};
    TypedValCopyWith(&copy, &source, CountedAlloc);
    const TypedValRecord17& r = copy.u.records17.items[0];
    EXPECT_NE(r.text0, source.u.records17.items[0].text0);
    EXPECT_STREQ(r.text0, "t0");
    EXPECT_STREQ(r.strings4.items[1], "y");
    EXPECT_STREQ(r.strings6.items[0], "z");
    EXPECT_STREQ(r.text9, "t9");
    TypedValFreeWith(&copy, CountedRelease);
    EXPECT_EQ(copy.u.records17.count, 0u);
    EXPECT_EQ(copy.u.records17.items, nullptr);
    TypedValFreeWith(&source, CountedRelease);

    TypedVal plain = MakeValue(10);
    TypedValCopyWith(&copy, &plain, CountedAlloc);
    EXPECT_EQ(copy.u.words[3], 0x9ABCDEF0u);
}

TEST_F(Counted, FreeingAnEmptyListReleasesNullOnce) {
    PropValList list{0, nullptr};
    PropValListFreeWith(&list, CountedRelease);
    EXPECT_EQ(releasesOfNull, 1);
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(list.items, nullptr);
}

TEST_F(Counted, PropValNamesAreOwnedOnlyForNumberZero) {
    static char shared[] = "shared";
    PropValList source{2, Array<PropVal>(2)};
    source.items[0].prop = {0, S("named")};
    source.items[1].prop = {5, shared};
    source.items[1].value = MakeValue(kTagString);
    PropValList copy{};
    PropValListCopyWith(&copy, &source, CountedAlloc);
    EXPECT_NE(copy.items[0].prop.name, source.items[0].prop.name);
    EXPECT_STREQ(copy.items[0].prop.name, "named");
    EXPECT_EQ(copy.items[1].prop.name, shared);
    PropValListFreeWith(&copy, CountedRelease); // would fault releasing the static name
    PropValListFreeWith(&source, CountedRelease);
}

TEST_F(Counted, TextItemsDuplicateOnlyStrings) {
    TextItemList source{3, Array<TextItem>(3)};
    source.items[0] = {0, kTextItemString, {}};
    source.items[0].u.sdata = S("Hello ");
    source.items[1].dataType = 8;
    source.items[1].u.idata = 0x05000001;
    source.items[2].dataType = kTextItemString;
    source.items[2].u.sdata = S("world.");
    TextItemList copy{};
    TextItemListCopyWith(&copy, &source, CountedAlloc);
    EXPECT_STREQ(copy.items[2].u.sdata, "world.");
    EXPECT_EQ(copy.items[1].u.idata, 0x05000001u);
    TextItemListFreeWith(&copy, CountedRelease);
    TextItemListFreeWith(&source, CountedRelease);
}

TEST_F(Counted, FailedAllocationsLeaveTheCopyEmptyNeverShared) {
    TypedVal source = MakeValue(kTagRecords17);
    failAllocations = true;
    TypedVal copy{};
    TypedValCopyWith(&copy, &source, CountedAlloc);
    EXPECT_EQ(copy.u.records17.count, 0u);
    EXPECT_EQ(copy.u.records17.items, nullptr);
    failAllocations = false;
    TypedValFreeWith(&copy, CountedRelease);
    TypedValFreeWith(&source, CountedRelease);
}

TEST_F(Counted, HugeCountsFromTheOtherSideAreNotAllocated) {
    TypedVal source{};
    source.tag = kTagRecords17;
    source.u.records17.count = 0x20000000; // 40-byte records: the size overflows 32 bits
    source.u.records17.items = nullptr;
    TypedVal copy{};
    TypedValCopyWith(&copy, &source, CountedAlloc);
    EXPECT_EQ(copy.u.records17.count, 0u);
    EXPECT_EQ(copy.u.records17.items, nullptr);
}

} // namespace
