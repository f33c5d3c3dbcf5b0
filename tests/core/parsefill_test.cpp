#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "core/parsefill.h"
#include "coretest.h"

using namespace pascal_com;
using Arr = Dynbytes;

TEST(BitReader, UnsignedAndSignedFields) {
    Arr a({0b10110011, 0b01011100, 0xFF});
    Tparsefill r(a.p, 0, 0);
    EXPECT_EQ(r.UBparse(0), 0u);  // no bits: the cursor stays
    EXPECT_EQ((std::array{r.parsepos, r.parsebit}), (std::array{0u, 0u}));
    EXPECT_EQ(r.UBparse(3), 0b101u);
    EXPECT_EQ(r.SBparse(2), -2);  // SB[2] "10"
    EXPECT_EQ(r.parsebit, 5u);
    EXPECT_EQ(r.UBparse(6), 0b011010u);  // crosses the byte boundary
    EXPECT_EQ((std::array{r.parsepos, r.parsebit}), (std::array{1u, 3u}));
    int v = 0;
    r.SBparse(2, v);
    EXPECT_EQ(v, -1);
    r.truncbitparse();
    EXPECT_EQ((std::array{r.parsepos, r.parsebit}), (std::array{2u, 0u}));
    EXPECT_EQ(r.SBparse(2), -1);  // SB[2] over "11"
}

TEST(BitReader, ReadsPastTheEndThrowAndDoNotMove) {
    Arr a({0xAB, 0xCD});
    Tparsefill r(a.p, 0, 4);
    EXPECT_THROW(r.getbitvalue(13), Tparseerror);
    EXPECT_EQ(r.parsepos, 0u);
    EXPECT_EQ(r.getbitvalue(12), 0xBCDu);
    EXPECT_THROW(r.U8parse(), Tparseerror);
    EXPECT_THROW(r.getsbitvalue(1), Tparseerror);

    Tparsefill e(nullptr, 0, 0);  // an empty array
    EXPECT_THROW(e.U8parse(), Tparseerror);
    EXPECT_EQ(e.getbitvalue(0), 0u);

    Tparsefill w(a.p, 1, 0);
    EXPECT_THROW(w.U16parse(), Tparseerror);
    EXPECT_THROW(w.U32parse(), Tparseerror);
    EXPECT_THROW(w.U24parse_moto(), Tparseerror);
    EXPECT_EQ(w.U8parse(), 0xCD);
    // A cursor already beyond the array (as a corrupt offset would leave it).
    Tparsefill far(a.p, 100, 0);
    EXPECT_EQ(far.parseleft(), 0u);
    EXPECT_THROW(far.U8parse(), Tparseerror);
    unsigned char* s = nullptr;
    EXPECT_THROW(far.Stringparse(s), Tparseerror);
    EXPECT_THROW(far.Tbitarrayparse(s, 1), Tparseerror);
    EXPECT_EQ(s, nullptr);
}

TEST(ByteReader, LittleAndBigEndianIntegers) {
    Arr a({0x01, 0x02, 0x03, 0x04, 0xFF, 0xFE, 0x80, 0x01, 0x02, 0x03, 0x04});
    Tparsefill r(a.p, 0, 0);
    EXPECT_EQ(r.U32parse(), 0x04030201u);
    EXPECT_EQ(r.S16parse(), int16_t(0xFEFF));
    EXPECT_EQ(r.S8parse(), -128);
    EXPECT_EQ(r.U24parse_moto(), 0x010203u);
    r.parsepos = 0;
    EXPECT_EQ(r.U32parse_moto(), 0x01020304u);
    r.parsepos = 4;
    int32_t s = 0;
    r.S16parse(s);
    EXPECT_EQ(s, -257);
}

TEST(BitWriter, BitsSpillIntoANextByteThatIsClearedAndSignedValuesKeepTheirLowBits) {
    Arr stale({0xFF, 0xFF});  // the writer must clear what follows its bits
    Tparsefill w;
    w.setfill(stale.p, 0, 5);
    w.setbitvalue(6, 0b101011);
    EXPECT_EQ((std::array{stale.p[0], stale.p[1]}), (std::array<unsigned char, 2>{0xF8 | 0b101, 0b01100000}));
    EXPECT_EQ((std::array{w.fillpos, w.fillbit}), (std::array{1u, 3u}));
    // Signed values write their low bits; zero width writes nothing.
    Arr out({});
    w.setfill(out.p);
    w.setsbitvalue(0, -1);
    EXPECT_EQ(w.fillpos, 0u);
    EXPECT_EQ(out.p, nullptr);
    w.SBfill(3, -3);  // 101
    w.UBfill(5, 0xFFFFFFE1u);  // only the low five bits: 00001
    w.truncbitfill();
    ASSERT_EQ(w.fillpos, 1u);
    EXPECT_EQ(out.p[0], 0b10100001);
}

TEST(BitWriter, RoundTripsAgainstTheReaderForEveryWidthAndOffset) {
    for (uint32_t start = 0; start < 8; ++start) {
        for (uint32_t n = 1; n <= 32; ++n) {
            Arr out({});
            Tparsefill w;
            w.setfill(out.p, 0, start);
            const uint32_t v = n == 32 ? 0xDEADBEEFu : (0xDEADBEEFu & ((1u << n) - 1u));
            w.setbitvalue(n, v);
            w.setbitvalue(7, 0x55);
            Tparsefill r(out.p, 0, start);
            ASSERT_EQ(r.getbitvalue(n), v) << start << " " << n;
            ASSERT_EQ(r.getbitvalue(7), 0x55u);
        }
    }
}

TEST(Strings, KeepTheTerminatorAndRuns) {
    Arr a({'a', 'b', 0, 'x'});
    Tparsefill r(a.p, 0, 0);
    unsigned char* s = nullptr;
    r.Stringparse(s);
    ASSERT_EQ(length(s), 3u);
    EXPECT_EQ(std::memcmp(s, "ab", 3), 0);
    EXPECT_EQ(r.parsepos, 3u);
    EXPECT_THROW(r.Stringparse(s), Tparseerror);  // no terminator before the end

    unsigned char* out = nullptr;
    Tparsefill w;
    w.setfill(out);
    w.Stringfill(s);
    w.Tbitarrayfill(nullptr);
    EXPECT_EQ(w.fillpos, 3u);
    EXPECT_EQ(std::memcmp(out, "ab", 3), 0);

    unsigned char* run = nullptr;
    r.parsepos = 1;
    r.Tbitarrayparse(run, 3);
    EXPECT_EQ(length(run), 3u);
    EXPECT_EQ(run[2], 'x');
    r.parsepos = 1;
    r.Tbitarrayparse(run, 0);
    EXPECT_EQ(run, nullptr);
    freearray(s);
    freearray(out);
}
