#include <gtest/gtest.h>

#include <cstring>

#include "core/pascal_com.h"

using namespace pascal_com;

TEST(DynamicArray, GrowKeepsOldBytesAndZeroesNewOnes) {
    unsigned char* a = nullptr;
    EXPECT_EQ(length(a), 0u);
    EXPECT_EQ(high(a), -1);
    EXPECT_EQ(low(a), -1);
    setlength(a, 1, 3);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(low(a), 0);
    a[0] = 1; a[1] = 2; a[2] = 3;
    setlength(a, 1, 5);
    ASSERT_EQ(length(a), 5u);
    EXPECT_EQ(high(a), 4);
    const unsigned char want[] = {1, 2, 3, 0, 0};
    EXPECT_EQ(std::memcmp(a, want, 5), 0);
    setlength(a, 1, 0);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(length(a), 0u);
    EXPECT_EQ(high(a), -1);
    EXPECT_EQ(low(a), -1);
    setlength(a, 1, 0);  // null and 0: nothing
    EXPECT_EQ(a, nullptr);
    // The capacity outlives a shrink; what grows back must still read as zero.
    setlength(a, 1, 16);
    std::memset(a, 0xAB, 16);
    setlength(a, 1, 4);
    setlength(a, 1, 16);
    for (int i = 4; i < 16; ++i) EXPECT_EQ(a[i], 0) << i;
    EXPECT_EQ(a[3], 0xAB);
    freearray(a);
}

TEST(DynamicArray, ImpossibleSizeThrowsInsteadOfWrapping) {
    unsigned char* a = nullptr;
    setlength(a, 1, 4);
    EXPECT_THROW(setlength(a, 0x10000, 0x10000), std::bad_alloc);
    EXPECT_EQ(length(a), 4u);  // untouched
    freearray(a);
}

TEST(Rounding, HalfAwayFromZeroAndClamped) {
    EXPECT_EQ(swf_round(2.5), 3);
    EXPECT_EQ(swf_round(-2.5), -3);
    EXPECT_EQ(swf_round(2.4999), 2);
    EXPECT_EQ(swf_round(-0.4), 0);
    EXPECT_EQ(swf_round(1e12), INT32_MAX);
    EXPECT_EQ(swf_round(-1e12), INT32_MIN);
    EXPECT_EQ(swf_abs(-3), 3);
    EXPECT_DOUBLE_EQ(swf_abs(-1.5), 1.5);
}
