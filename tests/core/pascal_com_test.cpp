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

TEST(DynamicArray, RecordArraysUseTheGivenElementSize) {
    struct R { int32_t x, y; };
    R* r = nullptr;
    setlen(r, 3);
    EXPECT_EQ(length(r), 3u);
    r[2] = {7, 8};
    setlen(r, 1000);
    EXPECT_EQ(r[2].y, 8);
    EXPECT_EQ(r[999].x, 0);
    setlen(r, 0);
    EXPECT_EQ(r, nullptr);
}

TEST(DynamicArray, ImpossibleSizeThrowsInsteadOfWrapping) {
    unsigned char* a = nullptr;
    setlength(a, 1, 4);
    EXPECT_THROW(setlength(a, 0x10000, 0x10000), std::bad_alloc);
    EXPECT_EQ(length(a), 4u);  // untouched
    freearray(a);
}

TEST(ByteArrays, AppendAndReplace) {
    unsigned char* src = nullptr;
    bytearrayappendraw(src, "abcdef", 6);
    unsigned char* dst = nullptr;
    bytearrayappend(dst, src, 1, 3);
    ASSERT_EQ(length(dst), 3u);
    EXPECT_EQ(std::memcmp(dst, "bcd", 3), 0);
    bytearrayappend(dst, src, 4, -1);  // -1: to the last byte
    ASSERT_EQ(length(dst), 5u);
    EXPECT_EQ(std::memcmp(dst, "bcdef", 5), 0);
    bytearrayappend(dst, src, 3, 2);  // to below from: nothing
    bytearrayappend(dst, nullptr, 0, -1);
    bytearrayappend(dst, src, 2, 99);  // past the source: nothing
    EXPECT_EQ(length(dst), 5u);

    bytearrayreplace(dst, nullptr, 0, -1);  // null source keeps the destination
    EXPECT_EQ(length(dst), 5u);
    bytearrayreplace(dst, src, 0, 1);
    ASSERT_EQ(length(dst), 2u);
    EXPECT_EQ(std::memcmp(dst, "ab", 2), 0);
    freearray(src);
    freearray(dst);
}

// {value, zerobits, width}; negative powers of two get one bit more.
TEST(BitCounts, GetbytecountFollowsTheSignedFieldRule) {
    const int rows[][3] = {{0, 1, 1},  {0, 0, 0},  {1, 0, 2},  {1, 1, 2},  {3, 0, 3},       {-1, 0, 2},
                           {-3, 1, 3}, {-4, 0, 4}, {-2, 0, 3}, {-5, 0, 4}, {4, 0, 4},       {0x10000, 1, 18},
                           {INT32_MAX, 0, 32}};
    for (const auto& r : rows) EXPECT_EQ(getbytecount(r[0], r[1]), r[2]) << r[0] << " " << r[1];
}

TEST(BitCounts, GetmaxfromarrayPicksLargestMagnitudeEarliestFirst) {
    EXPECT_EQ(getmaxfromarray(3, -4, 4, 0), -4);
    EXPECT_EQ(getmaxfromarray(0, 0, 0, 0), 0);
    EXPECT_EQ(getmaxfromarray(1, 2, -7, 7), -7);
    EXPECT_EQ(getmaxfromarray(INT32_MIN, INT32_MAX, 0, 0), INT32_MIN);
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
