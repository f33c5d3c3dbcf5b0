#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "core/pascal_com.h"

using namespace pascal_com;

TEST(DynamicArray, GrowKeepsOldBytesAndZeroesNewOnes) {
    unsigned char* a = nullptr;
    EXPECT_EQ((std::array<int64_t, 3>{length(a), high(a), low(a)}), (std::array<int64_t, 3>{0, -1, -1}));
    setlength(a, 1, 3);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(low(a), 0);
    std::memcpy(a, "\1\2\3", 3);
    setlength(a, 1, 5);
    ASSERT_EQ(length(a), 5u);
    EXPECT_EQ(high(a), 4);
    EXPECT_EQ(std::vector<unsigned char>(a, a + 5), (std::vector<unsigned char>{1, 2, 3, 0, 0}));
    setlength(a, 1, 0);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ((std::array<int64_t, 3>{length(a), high(a), low(a)}), (std::array<int64_t, 3>{0, -1, -1}));
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
    EXPECT_EQ((std::array{swf_round(2.5), swf_round(-2.5), swf_round(2.4999), swf_round(-0.4), swf_round(1e12),
                          swf_round(-1e12)}),
              (std::array{3, -3, 2, 0, INT32_MAX, INT32_MIN}));
    EXPECT_EQ(swf_abs(-3), 3);
    EXPECT_DOUBLE_EQ(swf_abs(-1.5), 1.5);
}
