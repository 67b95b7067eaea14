#include "runtime/marshal.h"

#include "support/prop_list.h"

#include <gtest/gtest.h>

namespace {

TEST(CmsRecordCopyWith, DuplicatesTheStringAndTheValues) {
    std::int32_t values[3] = {1, 2, 3};
    char text[] = "result";
    CmsRecord source{7, 8, text, 3, values};
    CmsRecord copy{};
    CmsRecordCopyWith(&copy, &source, RawAllocBlock);
    EXPECT_EQ(copy.word0, 7);
    EXPECT_EQ(copy.word1, 8);
    EXPECT_NE(copy.text, text);
    EXPECT_STREQ(copy.text, "result");
    ASSERT_NE(copy.values, values);
    EXPECT_EQ(copy.count, 3u);
    EXPECT_EQ(copy.values[2], 3);
    RawFree(copy.text);
    RawFree(copy.values);
}

TEST(CmsRecordCopyWith, AZeroedRecordCopiesAsZeroes) {
    CmsRecord source{};
    CmsRecord copy{1, 1, nullptr, 1, nullptr};
    CmsRecordCopyWith(&copy, &source, RawAllocBlock);
    EXPECT_EQ(copy.word0, 0);
    EXPECT_EQ(copy.text, nullptr);
    EXPECT_EQ(copy.count, 0u);
    RawFree(copy.values); // a zero-length array is still the copy's own block
}

} // namespace
