#include "support/str_list.h"

#include "platform/com.h"
#include "support/mem.h"
#include "support/str.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

struct ListDeleter {
    void operator()(StrList* list) const { StrListFree(list); }
};
using ListPtr = std::unique_ptr<StrList, ListDeleter>;

// Every slot from count up to and including capacity is null.
void ExpectFreeSlotsNull(const StrList* list) {
    for (std::uint32_t i = list->count; i <= list->capacity; ++i)
        EXPECT_EQ(list->items[i], nullptr) << "slot " << i;
}

TEST(StrList, GrowthFollowsGrowByAndKeepsTheSpareSlotNull) {
    struct Case {
        std::uint32_t capacity, growBy, appends;
        std::uint32_t capacities[4]; // capacity after append 1, 2, ...
    };
    const Case cases[] = {
        {0, 0, 3, {1, 2, 3}},
        {10, 100, 11, {}},
        {2, 3, 4, {2, 2, 5, 5}},
    };
    for (const Case& c : cases) {
        ListPtr list(StrListNew(c.capacity, c.growBy));
        ASSERT_TRUE(list);
        ExpectFreeSlotsNull(list.get());
        for (std::uint32_t i = 0; i < c.appends; ++i) {
            ASSERT_EQ(StrListAppend(list.get(), "w"), 0);
            if (i < 4 && c.capacities[i] != 0) {
                EXPECT_EQ(list->capacity, c.capacities[i]) << "after append " << i + 1;
            }
            ExpectFreeSlotsNull(list.get());
        }
        EXPECT_EQ(StrListCount(list.get()), c.appends);
    }
    ListPtr wide(StrListNew(10, 100));
    for (int i = 0; i < 11; ++i)
        StrListAppend(wide.get(), "x");
    EXPECT_EQ(wide->capacity, 110u); // not 11
}

TEST(StrList, ItemsAreOwnedCopiesFoundByExactBytes) {
    ListPtr list(StrListNew(0, 4));
    char word[] = "same";
    ASSERT_EQ(StrListAppend(list.get(), word), 0);
    ASSERT_EQ(StrListAppend(list.get(), ""), 0);
    ASSERT_EQ(StrListAppend(list.get(), word), 0);
    word[0] = 'X';
    EXPECT_STREQ(StrListGet(list.get(), 0), "same");
    EXPECT_NE(StrListGet(list.get(), 0), StrListGet(list.get(), 2));
    EXPECT_EQ(StrListFind(list.get(), "same"), 0);
    EXPECT_EQ(StrListFind(list.get(), "Same"), -1);
    EXPECT_EQ(StrListFind(list.get(), nullptr), 1); // null reads as ""
    EXPECT_EQ(StrListAppend(list.get(), nullptr), -1);
    EXPECT_EQ(StrListCount(list.get()), 3u);
}

TEST(StrList, OutOfRangeAndNullListsAreHarmless) {
    ListPtr list(StrListNew(2, 0));
    StrListAppend(list.get(), "a");
    EXPECT_EQ(StrListGet(list.get(), 1), nullptr);
    EXPECT_EQ(StrListGet(list.get(), static_cast<std::uint32_t>(-1)), nullptr);
    EXPECT_EQ(StrListGet(nullptr, 0), nullptr);
    EXPECT_EQ(StrListFind(nullptr, "a"), -1);
    EXPECT_EQ(StrListCount(nullptr), 0u);
    EXPECT_EQ(StrListReserve(nullptr, 3), -1);
    EXPECT_EQ(StrListReserve(list.get(), 1), 0);
    EXPECT_EQ(list->capacity, 2u);
    StrListFree(nullptr);
}

TEST(StrList, SortsWithTheCallersComparison) {
    ListPtr list(StrListNew(1, 1));
    for (const char* w : {"pear", "apple", "fig", "apple"})
        StrListAppend(list.get(), w);
    StrListSort(list.get(), [](const void* a, const void* b) {
        return StrCompare(*static_cast<char* const*>(a), *static_cast<char* const*>(b));
    });
    const char* expected[] = {"apple", "apple", "fig", "pear"};
    for (std::uint32_t i = 0; i < 4; ++i)
        EXPECT_STREQ(StrListGet(list.get(), i), expected[i]);
    EXPECT_EQ(list->items[4], nullptr);
}

TEST(StrList, FailedGrowthOrCopyLeavesTheListAsItWas) {
    ListPtr list(StrListNew(1, 0));
    ASSERT_TRUE(list);
    ASSERT_EQ(StrListAppend(list.get(), "a"), 0);
    char** items = list->items;
    AllocFailCountdown = 1; // the reallocation
    EXPECT_EQ(StrListReserve(list.get(), 5), -1);
    AllocFailCountdown = 1;
    EXPECT_EQ(StrListAppend(list.get(), "b"), -1);
    EXPECT_EQ(list->capacity, 1u);
    EXPECT_EQ(list->count, 1u);
    EXPECT_EQ(list->items, items);
    EXPECT_STREQ(list->items[0], "a");
    AllocFailCountdown = 2; // the copy of the string, after the list has grown
    EXPECT_EQ(StrListAppend(list.get(), "b"), -1);
    EXPECT_EQ(list->count, 1u);
    ExpectFreeSlotsNull(list.get());
    AllocFailCountdown = 0;
}

TEST(StrList, NewGivesBackTheRecordBeforeRaisingForTheArray) {
    AllocFailCountdown = 1; // the record: null, nothing raised
    EXPECT_EQ(StrListNew(4, 4), nullptr);
    AllocFailCountdown = 2; // the item array: raised with code 1, and (under LeakSanitizer) no leak
    DWORD code = 0;
    try {
        StrListNew(4, 4);
    } catch (const PlatformException& e) {
        code = e.code;
    }
    EXPECT_EQ(code, 1u);
    AllocFailCountdown = 0;
}

} // namespace
