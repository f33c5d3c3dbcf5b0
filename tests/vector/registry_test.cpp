#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/pascal_com.h"
#include "vector/registry.h"

using namespace pascal_com;

namespace {

MATRIX scaled(double sx, double sy, double r0 = 0, double r1 = 0) {
    MATRIX m{};
    m.HasScale = 1;
    m.ScaleX = std::lround(sx * 65536);
    m.ScaleY = std::lround(sy * 65536);
    if (r0 != 0 || r1 != 0) {
        m.HasRotate = 1;
        m.RotateSkew0 = std::lround(r0 * 65536);
        m.RotateSkew1 = std::lround(r1 * 65536);
    }
    return m;
}

const TBITMAPUSER* user(const TBITMAPREC* r, uint16_t id) {
    for (uint32_t i = 0; r && i < length(r->Users); ++i)
        if (r->Users[i].UserId == id) return &r->Users[i];
    return nullptr;
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override { clearres(); }
    void TearDown() override { clearres(); }
};

}  // namespace

TEST_F(Registry, BitmapRecordsStartAtIndexOne) {
    addbmpid(40);
    addbmpid(7);
    addbmpid(40);  // a second call keeps the record
    EXPECT_EQ(IDS[40].Kind, IDKIND_BITMAP);
    EXPECT_EQ(IDS[40].BitmapIndex, 1u);
    EXPECT_EQ(IDS[7].BitmapIndex, 2u);
    ASSERT_EQ(length(BITMAPRECS), 3u);
    const TBITMAPREC& r = BITMAPRECS[1];
    EXPECT_EQ(r.BitmapId, 40);
    EXPECT_EQ(r.Users, nullptr);
    EXPECT_EQ(r.MaxScaleX, 0.0);
    EXPECT_EQ(r.ImageScaleX, 1.0);
    EXPECT_EQ(r.ImageScaleY, 1.0);
    EXPECT_EQ(bitmaprec(7), &BITMAPRECS[2]);
    EXPECT_EQ(bitmaprec(8), nullptr);
}

TEST_F(Registry, FillScaleComposesWithPlacementScale) {
    addbmpid(1);
    addusedmatrix(1, 10, scaled(20, 20));  // natural size in shape 10
    addusedmatrix(10, 0, scaled(2, 2));    // shape placed at twice its size
    const TBITMAPREC* r = bitmaprec(1);
    ASSERT_NE(user(r, 10), nullptr);
    EXPECT_DOUBLE_EQ(user(r, 10)->ScaleX, 1.0);
    ASSERT_NE(user(r, 0), nullptr);
    EXPECT_DOUBLE_EQ(user(r, 0)->ScaleX, 2.0);
    EXPECT_DOUBLE_EQ(user(r, 0)->ScaleY, 2.0);
    EXPECT_DOUBLE_EQ(r->MaxScaleX, 2.0);
    EXPECT_DOUBLE_EQ(r->MaxScaleY, 2.0);
}

TEST_F(Registry, FractionalPlacementCountsAtItsSize) {
    addbmpid(1);
    addusedmatrix(1, 10, scaled(20, 20));
    addusedmatrix(10, 0, scaled(0.5, 0.75));
    const TBITMAPREC* r = bitmaprec(1);
    ASSERT_NE(user(r, 0), nullptr);
    EXPECT_DOUBLE_EQ(user(r, 0)->ScaleX, 0.5);
    EXPECT_DOUBLE_EQ(user(r, 0)->ScaleY, 0.75);
    EXPECT_DOUBLE_EQ(r->MaxScaleX, 1.0);  // the fill's own scale stays the maximum
    // A larger fractional placement raises it: 2.75 is not cut to 2.
    addusedmatrix(10, 0, scaled(2.75, 1));
    EXPECT_DOUBLE_EQ(r->MaxScaleX, 2.75);
    EXPECT_DOUBLE_EQ(user(r, 0)->ScaleY, 1.0);
}

TEST_F(Registry, RotatedAndMirroredDrawingCountsAtItsRealSize) {
    addbmpid(1);
    // A quarter turn at natural size: no scale terms, all in the skews.
    MATRIX quarter{};
    quarter.HasRotate = 1;
    quarter.HasScale = 1;
    quarter.RotateSkew0 = 20 << 16;
    quarter.RotateSkew1 = -(20 << 16);
    addusedmatrix(1, 10, quarter);
    EXPECT_DOUBLE_EQ(user(bitmaprec(1), 10)->ScaleX, 1.0);
    EXPECT_DOUBLE_EQ(user(bitmaprec(1), 10)->ScaleY, 1.0);
    // Mirrored at three times.
    addusedmatrix(1, 11, scaled(-60, 60));
    EXPECT_DOUBLE_EQ(user(bitmaprec(1), 11)->ScaleX, 3.0);
    // 45 degrees at scale 2 (a = b = c = d = sqrt 2).
    const double s = std::sqrt(2.0);
    addusedmatrix(11, 0, scaled(s, s, s, -s));
    EXPECT_NEAR(user(bitmaprec(1), 0)->ScaleX, 6.0, 1e-4);
    EXPECT_NEAR(bitmaprec(1)->MaxScaleY, 6.0, 1e-4);
}

TEST_F(Registry, UnscaledFillRegistersOneUndivided) {
    addbmpid(1);
    MATRIX translate{};
    translate.TranslateX = 100;
    addusedmatrix(1, 10, translate);
    EXPECT_DOUBLE_EQ(user(bitmaprec(1), 10)->ScaleX, 1.0);
    // A scaled matrix of a child that is not a bitmap is not divided either.
    addusedmatrix(10, 0, scaled(20, 20));
    EXPECT_DOUBLE_EQ(user(bitmaprec(1), 0)->ScaleX, 20.0);
}

TEST_F(Registry, UsesOfCharactersWithoutBitmapsChangeNothing) {
    addbmpid(1);
    addusedmatrix(1, 10, scaled(20, 20));
    addusedmatrix(99, 0, scaled(5, 5));
    addused(98, 99, 3, 3);
    const TBITMAPREC* r = bitmaprec(1);
    EXPECT_EQ(length(r->Users), 1u);
    EXPECT_DOUBLE_EQ(r->MaxScaleX, 1.0);
    EXPECT_EQ(length(BITMAPRECS), 2u);
}

TEST_F(Registry, NegativeScalesNeverRaiseTheMaximum) {
    addbmpid(1);
    addused(1, 10, -4, -4);
    const TBITMAPREC* r = bitmaprec(1);
    EXPECT_EQ(r->MaxScaleX, 0.0);
    EXPECT_DOUBLE_EQ(user(r, 10)->ScaleX, -4.0);
    addused(1, 10, -1, 2);
    EXPECT_DOUBLE_EQ(user(r, 10)->ScaleX, -1.0);
    EXPECT_DOUBLE_EQ(r->MaxScaleY, 2.0);
}

TEST_F(Registry, ClearEmptiesEveryTable) {
    addbmpid(3);
    addused(3, 4, 2, 2);
    IDS[9].Kind = IDKIND_SHAPE;
    DEPTHS[5].CharacterId = 9;
    SPRITEDEPTHS[6].Matrix.TranslateX = 1;
    clearres();
    EXPECT_EQ(length(BITMAPRECS), 0u);
    EXPECT_EQ(IDS[3].Kind, 0);
    EXPECT_EQ(IDS[3].BitmapIndex, 0u);
    EXPECT_EQ(IDS[9].Kind, 0);
    EXPECT_EQ(DEPTHS[5].CharacterId, 0u);
    EXPECT_EQ(SPRITEDEPTHS[6].Matrix.TranslateX, 0);
    // Old users are forgotten with their records.
    addused(4, 0, 9, 9);
    EXPECT_EQ(length(BITMAPRECS), 0u);
    addbmpid(8);
    addused(4, 0, 9, 9);
    EXPECT_EQ(length(bitmaprec(8)->Users), 0u);
}

namespace {

// The registration as a plain scan over every record, to hold the indexed one against.
struct Model {
    struct U { uint16_t id; double x, y; };
    struct R { uint16_t id; std::vector<U> users; double mx = 0, my = 0; };
    std::vector<R> recs{R{}};
    std::vector<uint32_t> index = std::vector<uint32_t>(65536, 0);
    void addbmp(uint16_t id) {
        if (index[id]) return;
        recs.push_back(R{id, {}});
        index[id] = uint32_t(recs.size() - 1);
    }
    void used(uint16_t child, uint16_t parent, double sx, double sy) {
        for (size_t i = 1; i < recs.size(); ++i) {
            R& r = recs[i];
            double x, y;
            if (r.id == child) {
                x = sx;
                y = sy;
            } else {
                const U* c = nullptr;
                for (const U& u : r.users)
                    if (u.id == child) { c = &u; break; }
                if (!c) continue;
                x = c->x * sx;
                y = c->y * sy;
            }
            U* p = nullptr;
            for (U& u : r.users)
                if (u.id == parent) { p = &u; break; }
            if (p) {
                if (x > p->x) p->x = x;
                if (y > p->y) p->y = y;
            } else {
                r.users.push_back({parent, x, y});
            }
            if (x > r.mx) r.mx = x;
            if (y > r.my) r.my = y;
        }
    }
};

void expectsame(const Model& m, int step) {
    ASSERT_EQ(length(BITMAPRECS), m.recs.size() == 1 ? 0u : uint32_t(m.recs.size())) << step;
    for (size_t i = 1; i < m.recs.size(); ++i) {
        const TBITMAPREC& r = BITMAPRECS[i];
        const Model::R& w = m.recs[i];
        ASSERT_EQ(r.BitmapId, w.id) << step;
        ASSERT_EQ(r.MaxScaleX, w.mx) << step;
        ASSERT_EQ(r.MaxScaleY, w.my) << step;
        ASSERT_EQ(length(r.Users), w.users.size()) << step << " record " << i;
        for (size_t k = 0; k < w.users.size(); ++k) {
            ASSERT_EQ(r.Users[k].UserId, w.users[k].id) << step;
            ASSERT_EQ(r.Users[k].ScaleX, w.users[k].x) << step;
            ASSERT_EQ(r.Users[k].ScaleY, w.users[k].y) << step;
        }
    }
}

}  // namespace

TEST_F(Registry, IndexedRegistrationMatchesTheFullScan) {
    const double scales[] = {0.0, 0.05, 0.5, 1.0, 1.5, 2.0, 3.25, 20.0, -1.0, -0.5};
    for (unsigned seed = 1; seed <= 20; ++seed) {
        clearres();
        Model m;
        std::mt19937 rng(seed);
        const uint16_t ids = uint16_t(4 + seed % 10);  // few ids: many shared users
        for (int step = 0; step < 400; ++step) {
            if (rng() % 7 == 0) {
                uint16_t id = uint16_t(rng() % ids);
                addbmpid(id);
                m.addbmp(id);
            } else {
                uint16_t child = uint16_t(rng() % ids), parent = uint16_t(rng() % ids);
                double sx = scales[rng() % 10], sy = scales[rng() % 10];
                addused(child, parent, sx, sy);
                m.used(child, parent, sx, sy);
            }
            expectsame(m, step);
            if (HasFatalFailure()) return;
        }
    }
}

TEST_F(Registry, MatrixandScalesTheChosenParts) {
    MATRIX t{};
    t.TranslateX = 100;
    t.TranslateY = -7;
    matrixand(t, 20, 20, 1, 1, 0);
    EXPECT_EQ(t.HasScale, 1);
    EXPECT_EQ(t.ScaleX, 20 * 65536);
    EXPECT_EQ(t.ScaleY, 20 * 65536);
    EXPECT_EQ(t.HasRotate, 0);  // no rotation to scale
    EXPECT_EQ(t.TranslateX, 100);

    MATRIX m = scaled(1.5, -2, 0.25, -0.25);
    m.TranslateX = 5;
    m.TranslateY = -5;
    matrixand(m, 0.5, 0.5, 1, 1, 1);
    EXPECT_EQ(m.ScaleX, 0xC000);
    EXPECT_EQ(m.ScaleY, -0x10000);
    EXPECT_EQ(m.RotateSkew0, 0x2000);
    EXPECT_EQ(m.RotateSkew1, -0x2000);
    EXPECT_EQ(m.TranslateX, 3);   // 2.5 rounds away from zero
    EXPECT_EQ(m.TranslateY, -3);

    MATRIX z{};
    matrixand(z, 3, 3, 0, 0, 1);
    EXPECT_EQ(z.HasScale, 0);
}

TEST_F(Registry, RectandRoundsHalfAwayFromZero) {
    SRECT r{0, -15, 15, 0, 1000};
    rectand(r, 0.1);
    EXPECT_EQ(r.Xmin, -2);
    EXPECT_EQ(r.Xmax, 2);
    EXPECT_EQ(r.Ymin, 0);
    EXPECT_EQ(r.Ymax, 100);
}
