#include "support/prop_list.h"

#include "support/mem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TypedVal IntValue(std::int32_t v) {
    TypedVal t{};
    t.tag = kTagInt;
    t.u.ival = v;
    return t;
}

TEST(PropValListSet, CapacityIsThePowerOfTwoAtLeastEightAboveTheCount) {
    struct Case {
        std::uint32_t count;
        std::uint32_t capacity;
    };
    const Case cases[] = {{0, 8}, {7, 8}, {8, 16}, {15, 16}, {16, 32}, {31, 32}, {32, 64}};
    for (const Case& c : cases)
        EXPECT_EQ(PropValListCapacity(c.count), c.capacity) << c.count;
}

TEST(PropValListSet, AppendsReplacesAndGrowsPastEachCapacity) {
    PropValList list{0, nullptr};
    for (std::int32_t n = 1; n <= 40; ++n) {
        TypedVal v = IntValue(n * 10);
        PropValListSet(&list, n, &v);
    }
    ASSERT_EQ(list.count, 40u);
    EXPECT_EQ(list.items[16].prop.num, 17);
    EXPECT_EQ(list.items[39].value.u.ival, 400);
    TypedVal v = IntValue(-1);
    PropValListSet(&list, 9, &v);
    EXPECT_EQ(list.count, 40u);
    EXPECT_EQ(list.items[8].value.u.ival, -1);
    PropValListFree(&list);
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(list.items, nullptr);
}

TEST(PropValListSet, AListThatCannotGrowIsLeftUnchanged) {
    PropValList list{0, nullptr};
    TypedVal v = IntValue(1);
    PropValListSet(&list, 1, &v);
    PropVal* items = list.items;
    AllocFailCountdown = 1;
    PropValListSet(&list, 2, &v);
    AllocFailCountdown = 0;
    EXPECT_EQ(list.count, 1u);
    EXPECT_EQ(list.items, items);
    EXPECT_EQ(list.items[0].prop.num, 1);
    PropValListFree(&list);
}

TEST(PropValListSet, ReplacesOnlyTheFirstOfDuplicateNumbers) {
    PropValList list = PropValListNew(2);
    list.items[0].prop.num = 4;
    list.items[1].prop.num = 4;
    TypedVal v = IntValue(5);
    PropValListSet(&list, 4, &v);
    EXPECT_EQ(list.items[0].value.u.ival, 5);
    EXPECT_EQ(list.items[1].value.u.ival, 0);
    PropValListFree(&list);
}

TEST(PropValListSet, StringValuesAreTheListsOwnCopies) {
    PropValList list{0, nullptr};
    char caller[] = "first";
    PropValListSetString(&list, 3, caller);
    EXPECT_NE(list.items[0].value.u.sval, caller);
    PropValListSetString(&list, 3, "second"); // the old copy is released (sanitizer checks)
    EXPECT_STREQ(list.items[0].value.u.sval, "second");
    EXPECT_STREQ(caller, "first");
    PropValListFree(&list);
}

TEST(PropValListFree, ReleasesNamesOnlyForNumberZero) {
    static char notOwned[] = "not owned";
    PropValList list = PropValListNew(2);
    list.items[0].prop = {0, RawStrDup("owned")};
    list.items[1].prop = {5, notOwned};
    PropValListFree(&list); // releasing notOwned would be a fault the sanitizer reports
    EXPECT_STREQ(notOwned, "not owned");
    PropValListFree(nullptr);
}

TEST(TypedValCopy, NullPointersOfTags19And20CopyAsNull) {
    for (std::int32_t tag : {kTagRecord19, kTagNestedList}) {
        TypedVal source{};
        source.tag = tag;
        TypedVal copy{};
        TypedValCopy(&copy, &source);
        EXPECT_EQ(copy.tag, tag);
        EXPECT_EQ(copy.u.list20, nullptr);
        TypedValFree(&copy);
    }
    TypedValFree(nullptr);
}

TEST(RawStrings, DupAndRelease) {
    char* empty = RawStrDup(nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");
    StrRelease(&empty);
    EXPECT_EQ(empty, nullptr);
    StrRelease(nullptr);
    EXPECT_EQ(RawFree(nullptr), nullptr);
}

TEST(FieldRecordParse, SlotsThenTheGrowableList) {
    struct Case {
        std::string text;
        int fields;
    };
    const Case cases[] = {{"plain", 1},
                          {"", 1},
                          {"a\x1E"
                           "b\x1E"
                           "c",
                           3},
                          {"\x1E", 2}};
    for (const Case& c : cases) {
        FieldRecord* r = FieldRecordParse(c.text.c_str());
        ASSERT_NE(r, nullptr);
        int filled = 0;
        for (char* slot : r->slots)
            filled += slot != nullptr;
        EXPECT_EQ(filled, c.fields) << c.text;
        EXPECT_EQ(r->more.count, 0u);
        FieldRecordFree(r);
        RawFree(r);
    }

    std::string eight;
    for (int i = 1; i <= 8; ++i)
        eight += (i > 1 ? "\x1E" : "") + std::to_string(i);
    FieldRecord* r = FieldRecordParse(eight.c_str());
    EXPECT_STREQ(r->slots[0], "1");
    EXPECT_STREQ(r->slots[5], "6");
    ASSERT_EQ(r->more.count, 2u);
    EXPECT_STREQ(r->more.items[0], "7");
    EXPECT_STREQ(r->more.items[1], "8");
    FieldRecordFree(r);
    RawFree(r);

    std::string many = "x";
    for (int i = 0; i < 40; ++i)
        many += "\x1E"
                "f" +
                std::to_string(i);
    r = FieldRecordParse(many.c_str());
    ASSERT_EQ(r->more.count, 35u); // 41 fields: six slots and a list grown past two blocks
    EXPECT_STREQ(r->more.items[34], "f39");
    FieldRecordFree(r);
    RawFree(r);
}

} // namespace
