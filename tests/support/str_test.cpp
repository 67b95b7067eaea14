#include "support/str.h"

#include <gtest/gtest.h>

TEST(Str, Placeholder) { EXPECT_EQ(StrLen("abc"), 3u); }
