#include <string>

#include "placetest.h"

using namespace placetest;
using swfb::Writer;

namespace {

// A PlaceObject2 or 3 whose fields follow its flag bytes.
struct Place {
    int code = 26;
    uint8_t flags = 0;
    uint8_t flags2 = 0;
    uint16_t depth = 1;
    std::string classname;
    uint16_t id = 0;
    Bytes matrix, cxform;
    uint16_t ratio = 0;
    std::string name;
    uint16_t clipdepth = 0;
    Bytes filters;
    uint8_t blend = 0, cache = 0, visible = 0;
    Bytes background;
    bool cachebyte = true;
    Bytes clipactions;

    Bytes tag() const {
        Writer w;
        w.u8(flags);
        if (code == 70) w.u8(flags2);
        w.u16(depth);
        bool image = flags2 & 16, character = flags & 2;
        if (code == 70 && ((flags2 & 8) || (image && !character))) w.str(classname);
        if (flags & 2) w.u16(id);
        if (flags & 4) w.raw(matrix);
        if (flags & 8) w.raw(cxform);
        if (flags & 16) w.u16(ratio);
        if (flags & 32) w.str(name);
        if (flags & 64) w.u16(clipdepth);
        if (code == 70) {
            if (flags2 & 1) w.raw(filters);
            if (flags2 & 2) w.u8(blend);
            if ((flags2 & 4) && cachebyte) w.u8(cache);
            if (flags2 & 32) w.u8(visible);
            if (flags2 & 64) w.raw(background);
        }
        if (flags & 128) w.raw(clipactions);
        return swfb::tag(code, w.take());
    }
};

Bytes matrixbytes(int32_t tx, int32_t ty, int32_t sx = 0, int32_t sy = 0, int32_t r0 = 0, int32_t r1 = 0) {
    return Writer().matrix(tx, ty, sx, sy, r0, r1).take();
}

Bytes cxformalpha() {
    Writer w;
    w.ub(1, 1).ub(1, 1).ub(4, 10);
    for (int32_t v : {256, 128, 64, 255, -20, 30, 0, -100}) w.sb(10, v);
    return w.take();
}

// Blur, glow, gradient glow, convolution and colour matrix filters.
Bytes filterlist() {
    Writer w;
    w.u8(5);
    w.u8(1).u32(0x50000).u32(0x40000).u8(2 << 3);
    w.u8(2).u8(255).u8(0).u8(0).u8(128).u32(0x60000).u32(0x60000).u16(0x0180).u8(0xA1);
    w.u8(4).u8(2).u32(0xFF0000FF).u32(0x00FF00FF).u8(0).u8(255);
    w.u32(0x40000).u32(0x40000).u32(0xC90F).u32(0x40000).u16(0x100).u8(0x91);
    w.u8(5).u8(3).u8(1).u32(0x3F800000).u32(0);
    for (int i = 0; i < 3; ++i) w.u32(0x3F800000u + uint32_t(i));
    w.u32(0x11223344).u8(0x03);
    w.u8(6);
    for (int i = 0; i < 20; ++i) w.u32(uint32_t(i) * 0x01000000u);
    return w.take();
}

// Two clip action records (the second on a key press), flags of 4 bytes.
Bytes clipactions6() {
    Writer w;
    w.u16(0).u32(0x00020001);
    w.u32(0x00000001).u32(3).u8(0x96).u8(0x07).u8(0x00);
    w.u32(0x00020000).u32(2).u8(0x0D).u8(0x00);
    w.u32(0);
    return w.take();
}

// One clip action record with flags of 2 bytes, as SWF 5 writes them.
Bytes clipactions5() {
    Writer w;
    w.u16(0).u16(0x0001);
    w.u16(0x0001).u32(3).u8(0xAA).u8(0xBB).u8(0x00);
    w.u16(0);
    return w.take();
}

MATRIX writtenmatrix(const Bytes& written) {
    auto t = parse<Tswftag_placeobject>(written);
    EXPECT_EQ(t->keepraw, 0);
    return t->Matrix;
}

}  // namespace

// ---- reading and writing every field

TEST_F(PlaceTest, PlaceObjectRoundTripsWithAndWithoutColorTransform) {
    Writer cx;
    cx.ub(1, 1).ub(1, 0).ub(4, 6).sb(6, 12).sb(6, -5).sb(6, 31);
    Bytes with = swfb::tag(4, Writer().u16(3).u16(7).raw(matrixbytes(100, -50, 2 * kOne, kOne)).raw(cx.take()).take());
    auto a = parse<Tswftag_placeobject>(with);
    ASSERT_EQ(a->keepraw, 0);
    EXPECT_EQ(a->CharacterId, 3);
    EXPECT_EQ(a->Depth, 7);
    EXPECT_EQ(a->ColorTransform.GreenAddTerm, -5);
    EXPECT_EQ(write(*a), with);

    // The colour transform is optional: a body that ends after the matrix
    // stays without one.
    Bytes without = swfb::tag(4, Writer().u16(3).u16(7).raw(matrixbytes(100, -50)).take());
    auto b = parse<Tswftag_placeobject>(without);
    ASSERT_EQ(b->keepraw, 0);
    EXPECT_EQ(b->ColorTransformAbsent, 1);
    EXPECT_EQ(write(*b), without);

    // Bytes after the fields are not part of the tag.
    Bytes trailing = with;
    trailing.push_back(0xEE);
    trailing[0] += 1;
    EXPECT_EQ(write(*parse<Tswftag_placeobject>(trailing)), with);
}

TEST_F(PlaceTest, PlaceObject2RoundTripsEveryOptionalField) {
    Place p;
    p.flags = 0xFF;
    p.id = 12;
    p.depth = 300;
    p.matrix = matrixbytes(-200, 4000, 3 * kOne / 2, kOne / 2, kOne / 4, -kOne / 3);
    p.cxform = cxformalpha();
    p.ratio = 0x1234;
    p.name = "clip_1";
    p.clipdepth = 310;
    p.clipactions = clipactions6();
    Bytes in = p.tag();
    auto t = parse<Tswftag_placeobject>(in);
    ASSERT_EQ(t->keepraw, 0);
    EXPECT_EQ(t->PlaceFlagHasClipActions, 128);
    EXPECT_EQ(t->PlaceFlagMove, 1);
    EXPECT_EQ(t->Matrix.RotateSkew1, -kOne / 3);
    EXPECT_EQ(t->ColorTransformAlpha.AlphaAddTerm, -100);
    EXPECT_EQ(t->Ratio, 0x1234);
    EXPECT_STREQ(reinterpret_cast<const char*>(t->Name), "clip_1");
    EXPECT_EQ(t->ClipDepth, 310);
    EXPECT_EQ(CLIPACTIONScount(t->ClipActions, 10), 2);
    EXPECT_EQ(write(*t), in);
}

TEST_F(PlaceTest, PlaceObject3RoundTripsEveryOptionalField) {
    Place p;
    p.code = 70;
    p.flags = 0xFE;
    p.flags2 = 0xFF;  // reserved bit, opaque background, visible, image, class name, cache, blend, filters
    p.classname = "game.Hero";
    p.id = 40;
    p.matrix = matrixbytes(1, 2, 5 * kOne, 5 * kOne);
    p.cxform = cxformalpha();
    p.ratio = 9;
    p.name = "hero";
    p.clipdepth = 2;
    p.filters = filterlist();
    p.blend = 12;
    p.cache = 1;
    p.visible = 0;
    p.background = {0x10, 0x20, 0x30, 0x40};
    p.clipactions = clipactions6();
    Bytes in = p.tag();
    auto t = parse<Tswftag_placeobject>(in);
    ASSERT_EQ(t->keepraw, 0);
    EXPECT_EQ(t->Reserved, 128);
    EXPECT_STREQ(reinterpret_cast<const char*>(t->ClassName), "game.Hero");
    EXPECT_EQ(t->CharacterId, 40);
    EXPECT_EQ(t->SurfaceFilterList.NumberOfFilters, 5);
    EXPECT_EQ(t->SurfaceFilterList.Filters[3].Convolution.MatrixX, 3);
    EXPECT_EQ(t->BlendMode, 12);
    EXPECT_EQ(t->BackgroundColor.A, 0x40);
    EXPECT_EQ(write(*t), in);
}

TEST_F(PlaceTest, PlaceObject3ClassNameFollowsTheImageFlagAsPlayersReadIt) {
    // Image with a character id and no class-name flag: the id comes first.
    Place a;
    a.code = 70;
    a.flags = 0x06;
    a.flags2 = 0x10;
    a.id = 0x4241;
    a.matrix = matrixbytes(20, 20);
    auto ta = parse<Tswftag_placeobject>(a.tag());
    ASSERT_EQ(ta->keepraw, 0);
    EXPECT_EQ(ta->CharacterId, 0x4241);
    EXPECT_EQ(ta->ClassName, nullptr);
    EXPECT_EQ(write(*ta), a.tag());

    // Image without a character id: a class name names what to show.
    Place b;
    b.code = 70;
    b.flags = 0x04;
    b.flags2 = 0x10;
    b.classname = "Pic";
    b.matrix = matrixbytes(20, 20);
    auto tb = parse<Tswftag_placeobject>(b.tag());
    ASSERT_EQ(tb->keepraw, 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(tb->ClassName), "Pic");
    EXPECT_EQ(write(*tb), b.tag());
}

TEST_F(PlaceTest, PlaceObject3WithoutItsCacheByteKeepsItAbsent) {
    Place p;
    p.code = 70;
    p.flags = 0x06;
    p.flags2 = 0x04;
    p.id = 5;
    p.matrix = matrixbytes(0, 0, 2 * kOne, 2 * kOne);
    p.cachebyte = false;
    auto t = parse<Tswftag_placeobject>(p.tag());
    ASSERT_EQ(t->keepraw, 0);
    EXPECT_EQ(t->BitmapCacheAbsent, 1);
    EXPECT_EQ(write(*t), p.tag());
}

TEST_F(PlaceTest, EveryCutOfABodyIsWrittenAsRead) {
    Place p;
    p.code = 70;
    p.flags = 0xFE;
    p.flags2 = 0x6F;
    p.classname = "A";
    p.id = 40;
    p.matrix = matrixbytes(-7, 9, 5 * kOne, 3 * kOne, 77, 99);
    p.cxform = cxformalpha();
    p.name = "n";
    p.filters = filterlist();
    p.background = {1, 2, 3, 4};
    p.clipactions = clipactions6();
    const Bytes full = body(p.tag());
    for (size_t n = 0; n <= full.size(); ++n) {
        Bytes cut = swfb::tag(70, Bytes(full.begin(), full.begin() + long(n)));
        auto t = parse<Tswftag_placeobject_opt>(cut);
        EXPECT_EQ(write(*t), cut) << "cut at " << n;
    }
}

// ---- clip actions and the movie version

TEST_F(PlaceTest, ClipEventFlagsAreTwoBytesBeforeVersionSix) {
    Place p;
    p.flags = 0x82 | 0x04;
    p.id = 3;
    p.matrix = matrixbytes(10, 10);
    p.clipactions = clipactions5();
    Bytes in = p.tag();

    setmovieversion(5);
    auto v5 = parse<Tswftag_placeobject>(in);
    ASSERT_EQ(v5->keepraw, 0);
    EXPECT_EQ(CLIPACTIONScount(v5->ClipActions, 5), 1);
    EXPECT_EQ(write(*v5), in);

    // Read with four-byte flags, the first record's size runs past the tag.
    setmovieversion(6);
    auto v6 = parse<Tswftag_placeobject>(in);
    EXPECT_EQ(v6->keepraw, 1);
    EXPECT_EQ(write(*v6), in);
}

TEST_F(PlaceTest, ClipActionListCutInsideItsEndFlagIsAccepted) {
    unsigned char* a = nullptr;
    Bytes b = clipactions6();
    b.resize(b.size() - 2);  // half of the final ClipActionEndFlag
    bytearrayappendraw(a, b.data(), b.size());
    EXPECT_EQ(CLIPACTIONScount(a, 6), 2);
    b.resize(b.size() - 3);  // into the last record's actions
    pascal_com::setlength(a, 1, 0);
    bytearrayappendraw(a, b.data(), b.size());
    EXPECT_THROW(CLIPACTIONScount(a, 6), Tparseerror);
    pascal_com::setlength(a, 1, 0);
}

// ---- shapes divided by k are scaled back

TEST_F(PlaceTest, DividedShapeMatrixIsMultipliedByTheShapeRatio) {
    IDS[1].Kind = IDKIND_SHAPE;
    auto t = parse<Tswftag_placeobject_opt>(swfb::place2(1, 1, 200, 300));
    MATRIX m = writtenmatrix(write(*t));
    EXPECT_EQ(m.HasScale, 1);
    EXPECT_EQ(m.ScaleX, 20 * kOne);
    EXPECT_EQ(m.ScaleY, 20 * kOne);
    EXPECT_EQ(m.HasRotate, 0);
    EXPECT_EQ(m.TranslateX, 200);
    EXPECT_EQ(m.TranslateY, 300);

    // Scale and rotation terms are multiplied, translation is not. (Each
    // ratio as in another movie: a shape's ratio is chosen once.)
    CCparams.Sha_ForceCCR = 7;
    IDS[1].Ratio = 0;
    Place p;
    p.flags = 0x06;
    p.id = 1;
    p.matrix = matrixbytes(-15, 16, 3 * kOne / 2, -kOne / 2, kOne / 4, -10001);
    auto r = parse<Tswftag_placeobject_opt>(p.tag());
    m = writtenmatrix(write(*r));
    EXPECT_EQ(m.ScaleX, 7 * 3 * kOne / 2);
    EXPECT_EQ(m.ScaleY, -7 * kOne / 2);
    EXPECT_EQ(m.RotateSkew0, 7 * kOne / 4);
    EXPECT_EQ(m.RotateSkew1, -70007);
    EXPECT_EQ(m.TranslateX, -15);
    EXPECT_EQ(m.TranslateY, 16);

    // PlaceObject as well.
    CCparams.Sha_ForceCCR = 20;
    IDS[1].Ratio = 0;
    Bytes po = swfb::tag(4, Writer().u16(1).u16(9).raw(matrixbytes(40, 40, 2 * kOne, 2 * kOne)).take());
    EXPECT_EQ(writtenmatrix(write(*parse<Tswftag_placeobject_opt>(po))).ScaleX, 40 * kOne);

    // Other characters, and any character with ratio 1, are written as read.
    IDS[2].Kind = IDKIND_BITMAP;
    Bytes other = swfb::place2(2, 2, 200, 300, 3 * kOne);
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(other)), other);
    CCparams.Sha_ForceCCR = 1;
    IDS[1].Ratio = 0;
    Bytes same = swfb::place2(1, 3, 200, 300, 3 * kOne);
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(same)), same);
}

TEST_F(PlaceTest, DividedShapePlacedWithoutMatrixGetsOneOfScaleK) {
    IDS[1].Kind = IDKIND_SHAPE;
    Place p;
    p.flags = 0x02 | 0x20;
    p.id = 1;
    p.name = "s";
    auto t = parse<Tswftag_placeobject_opt>(p.tag());
    Bytes out = write(*t);
    auto back = parse<Tswftag_placeobject>(out);
    EXPECT_EQ(back->PlaceFlagHasMatrix, 4);
    EXPECT_EQ(back->Matrix.ScaleX, 20 * kOne);
    EXPECT_EQ(back->Matrix.TranslateX, 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(back->Name), "s");
    // The tag object itself keeps what the movie said.
    EXPECT_EQ(t->PlaceFlagHasMatrix, 0);
    EXPECT_EQ(write(*t), out);
}

// ---- what the depth tables say is at a depth

TEST_F(PlaceTest, MoveAtADepthFollowsTheCharacterPlacedThere) {
    IDS[1].Kind = IDKIND_SHAPE;
    write(*parse<Tswftag_placeobject_opt>(swfb::place2(1, 4, 200, 300)));
    write(*parse<Tswftag_placeobject_opt>(swfb::place2(8, 5, 0, 0)));  // a sprite or text
    EXPECT_EQ(DEPTHS[4].CharacterId, 1u);
    EXPECT_EQ(DEPTHS[4].Matrix.TranslateX, 200) << "the matrix as read";
    EXPECT_EQ(DEPTHS[4].Matrix.HasScale, 0);

    Place move;
    move.flags = 0x01 | 0x04;
    move.depth = 4;
    move.matrix = matrixbytes(400, 300, 2 * kOne, 2 * kOne);
    MATRIX m = writtenmatrix(write(*parse<Tswftag_placeobject_opt>(move.tag())));
    EXPECT_EQ(m.ScaleX, 40 * kOne);
    EXPECT_EQ(m.TranslateX, 400);
    EXPECT_EQ(DEPTHS[4].Matrix.ScaleX, 2 * kOne);

    move.depth = 5;
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(move.tag())), move.tag());

    // A move without a matrix leaves the scaled one in place.
    Place colour;
    colour.flags = 0x01 | 0x08;
    colour.depth = 4;
    colour.cxform = cxformalpha();
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(colour.tag())), colour.tag());
}

TEST_F(PlaceTest, ReplacingTheCharacterAtADepthKeepsItsSizeRight) {
    IDS[1].Kind = IDKIND_SHAPE;
    IDS[2].Kind = IDKIND_SHAPE;
    const uint16_t text = 3;
    write(*parse<Tswftag_placeobject_opt>(swfb::place2(1, 1, 50, 60, 2 * kOne)));

    // Divided shape for divided shape: the depth's scaled matrix still fits.
    Place swap;
    swap.flags = 0x01 | 0x02;
    swap.id = 2;
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(swap.tag())), swap.tag());
    EXPECT_EQ(DEPTHS[1].CharacterId, 2u);

    // Players swap a shape only for a shape: a text leaves the shape there,
    // and a matrix that comes with it is the shape's.
    swap.id = text;
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(swap.tag())), swap.tag());
    EXPECT_EQ(DEPTHS[1].CharacterId, 2u);
    swap.flags |= 0x04;
    swap.matrix = matrixbytes(5, 5, 3 * kOne, 3 * kOne);
    EXPECT_EQ(writtenmatrix(write(*parse<Tswftag_placeobject_opt>(swap.tag()))).ScaleX, 60 * kOne);
    EXPECT_EQ(DEPTHS[1].Matrix.ScaleX, 3 * kOne);

    // The same the other way round: a text stays where a shape would replace it.
    write(*parse<Tswftag_placeobject_opt>(swfb::place2(text, 2, 0, 0)));
    swap.id = 1;
    swap.depth = 2;
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(swap.tag())), swap.tag());
    EXPECT_EQ(DEPTHS[2].CharacterId, text);

    // A replacement at an empty depth is a new placement.
    swap.flags = 0x01 | 0x02;
    swap.depth = 9;
    auto back = parse<Tswftag_placeobject>(write(*parse<Tswftag_placeobject_opt>(swap.tag())));
    EXPECT_EQ(back->PlaceFlagHasMatrix, 4);
    EXPECT_EQ(back->Matrix.ScaleX, 20 * kOne);
    EXPECT_EQ(DEPTHS[9].CharacterId, 1u);
}

TEST_F(PlaceTest, EachSpriteHasItsOwnDepthsApartFromTheMainTimeline) {
    IDS[1].Kind = IDKIND_SHAPE;
    write(*parse<Tswftag_placeobject_opt>(swfb::place2(1, 2, 0, 0), 10));
    EXPECT_EQ(SPRITEDEPTHS[2].CharacterId, 1u);
    EXPECT_EQ(DEPTHS[2].CharacterId, 0u);

    Place move;
    move.flags = 0x01 | 0x04;
    move.depth = 2;
    move.matrix = matrixbytes(10, 10);
    // Same sprite: the shape is there.
    MATRIX m = writtenmatrix(write(*parse<Tswftag_placeobject_opt>(move.tag(), 10)));
    EXPECT_EQ(m.ScaleX, 20 * kOne);
    // Main timeline and another sprite: nothing divided at depth 2.
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(move.tag(), -1)), move.tag());
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(move.tag(), 20)), move.tag());
    EXPECT_EQ(SPRITEDEPTHS[2].CharacterId, 0u);
}

// ---- registration of what is shown at which scale

TEST_F(PlaceTest, SpritePlacementScaleReachesTheBitmapsInside) {
    const uint16_t bitmap = 7, shape = 10, sprite = 50;
    addbmpid(bitmap);
    addusedmatrix(bitmap, shape, scalematrix(20 * kOne));  // the shape's fill, at natural size
    Cparsesprite = sprite;
    parse<Tswftag_placeobject_opt>(swfb::place2(shape, 1, 0, 0), 3);
    Cparsesprite = 0;
    parse<Tswftag_placeobject_opt>(swfb::place2(sprite, 1, 0, 0, 2 * kOne));
    const TBITMAPREC* r = bitmaprec(bitmap);
    ASSERT_NE(r, nullptr);
    EXPECT_DOUBLE_EQ(r->MaxScaleX, 2.0);
    EXPECT_DOUBLE_EQ(r->MaxScaleY, 2.0);

    // A later move that enlarges the sprite counts as well.
    Place grow;
    grow.flags = 0x01 | 0x04;
    grow.depth = 1;
    grow.matrix = matrixbytes(0, 0, 3 * kOne, 3 * kOne);
    parse<Tswftag_placeobject_opt>(grow.tag());
    EXPECT_DOUBLE_EQ(bitmaprec(bitmap)->MaxScaleX, 3.0);

    // A placement that cannot be read registers nothing.
    Bytes bad = swfb::place2(sprite, 2, 0, 0, 5 * kOne);
    bad.pop_back();
    bad[0] -= 1;
    EXPECT_EQ(parse<Tswftag_placeobject_opt>(bad)->keepraw, 1);
    EXPECT_DOUBLE_EQ(bitmaprec(bitmap)->MaxScaleX, 3.0);
}

TEST_F(PlaceTest, ReplacementWithoutMatrixRegistersTheMatrixAtTheDepth) {
    const uint16_t bitmap = 7, shape = 10;
    addbmpid(bitmap);
    addusedmatrix(bitmap, shape, scalematrix(20 * kOne));
    parse<Tswftag_placeobject_opt>(swfb::place2(4, 1, 0, 0, 4 * kOne));
    Place swap;
    swap.flags = 0x01 | 0x02;
    swap.id = shape;
    parse<Tswftag_placeobject_opt>(swap.tag());
    EXPECT_DOUBLE_EQ(bitmaprec(bitmap)->MaxScaleX, 4.0);
}
