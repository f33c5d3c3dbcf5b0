// One table of tags, built field by field, for every tag class: each is read, its fields compared with what was
// built, and written back, which must give the bytes as read or, where the writer re-encodes, the bytes given.
#include <functional>
#include <sstream>

#include "media/definejpeg.h"
#include "media/definesound.h"
#include "media/definevideostream.h"
#include "media/soundstream.h"
#include "media/videoframe.h"
#include "support/bitmapbuilder.h"
#include "support/soundbuilder.h"
#include "support/videobuilder.h"
#include "vector/definebutton.h"
#include "vector/definefontalignzones.h"
#include "vector/definemorphshape.h"
#include "vector/fonttest.h"
#include "vector/placetest.h"
#include "vector/shapetest.h"

using namespace placetest;

namespace {

// The parsed tag object of class T over a tag's bytes.
using Make = std::function<std::unique_ptr<Tswftag>(const Bytes&)>;
template <class T>
Make as() {
    return [](const Bytes& b) { return std::unique_ptr<Tswftag>(parse<T>(b)); };
}

// The fields the table checks, as text.
std::ostream& operator<<(std::ostream& s, const SRECT& r) {
    return s << r.Xmin << "," << r.Xmax << "," << r.Ymin << "," << r.Ymax;
}
std::ostream& operator<<(std::ostream& s, const MATRIX& m) {
    s << "t" << m.TranslateX << "," << m.TranslateY;
    if (m.HasScale) s << " s" << m.ScaleX << "," << m.ScaleY;
    if (m.HasRotate) s << " r" << m.RotateSkew0 << "," << m.RotateSkew1;
    return s;
}
std::string cstr(const unsigned char* p) { return p ? reinterpret_cast<const char*>(p) : "-"; }

std::string describe(Tswftag& t) {
    std::ostringstream s;
    if (auto* x = dynamic_cast<Tswftag_defineshape*>(&t)) {
        s << "id " << x->characterid << " bounds " << x->ShapeBounds;
        if (t.tagcode == 83)
            s << " edges " << x->EdgeBounds << " strokes " << int(x->UsesNonScalingStrokes) << ","
              << int(x->UsesScalingStrokes);
        s << " fills " << x->Shapes.FillStyles.FillStyleCountExtended << " lines "
          << x->Shapes.LineStyles.LineStyleCountExtended << " records " << pascal_com::length(x->Shapes.ShapeRecords);
    } else if (auto* x = dynamic_cast<Tswftag_definemorphshape*>(&t)) {
        s << "id " << x->characterid << " bounds " << x->StartBounds << " to " << x->EndBounds;
        if (t.tagcode == 84) s << " edges " << x->EndEdgeBounds;
        s << " fills " << x->Start.FillStyles.FillStyleCountExtended << " lines "
          << x->End.LineStyles.LineStyleCountExtended << " records " << pascal_com::length(x->Start.ShapeRecords)
          << "," << pascal_com::length(x->End.ShapeRecords);
        s << " bitmap " << x->End.FillStyles.FillStyles[2].BitmapMatrix;
    } else if (auto* x = dynamic_cast<Tswftag_placeobject*>(&t)) {
        s << "depth " << x->Depth;
        if (x->placescharacter()) s << " id " << x->CharacterId;
        if (x->hasmatrix()) s << " m " << x->Matrix;
        if (x->PlaceFlagHasColorTransform && t.tagcode != 4)
            s << " cx " << x->ColorTransformAlpha.RedMultTerm << "," << x->ColorTransformAlpha.AlphaAddTerm;
        if (t.tagcode == 4 && !x->ColorTransformAbsent) s << " cx " << x->ColorTransform.GreenAddTerm;
        if (x->PlaceFlagHasRatio) s << " ratio " << x->Ratio;
        if (x->PlaceFlagHasName) s << " name " << cstr(x->Name);
        if (x->PlaceFlagHasClipDepth) s << " clip " << x->ClipDepth;
        if (x->hasclassname()) s << " class " << cstr(x->ClassName);
        if (x->PlaceFlagHasFilterList) s << " filters " << int(x->SurfaceFilterList.NumberOfFilters);
        if (x->PlaceFlagHasBlendMode) s << " blend " << int(x->BlendMode);
        if (x->PlaceFlagOpaqueBackground) s << " background " << int(x->BackgroundColor.A);
        if (x->PlaceFlagHasClipActions) s << " actions " << CLIPACTIONScount(x->ClipActions, movieversion());
    } else if (auto* x = dynamic_cast<Tswftag_definebutton*>(&t)) {
        s << "id " << x->characterid;
        for (uint32_t i = 0; i < pascal_com::length(x->Records); ++i) {
            const BUTTONRECORD& r = x->Records[i];
            s << " [" << r.CharacterId << "@" << r.PlaceDepth << " " << r.PlaceMatrix;
            if (t.tagcode == 34) {
                s << " cx " << r.ColorTransform.BlueMultTerm;
                if (r.ButtonHasFilterList) s << " filters " << int(r.FilterList.NumberOfFilters);
                if (r.ButtonHasBlendMode) s << " blend " << int(r.BlendMode);
            }
            s << "]";
        }
        s << " actions " << pascal_com::length(x->Actions);
        if (t.tagcode == 34) s << " offset " << x->ActionOffset;
    } else if (auto* x = dynamic_cast<Tswftag_definefont*>(&t)) {
        s << "id " << x->characterid << " glyphs " << pascal_com::length(x->Glyphs);
        if (t.tagcode != 10) s << " name " << x->fontname() << " codes " << x->CodeTable[0];
        if (x->FontFlagsHasLayout) {
            s << " ascent " << x->FontAscent << " descent " << x->FontDescent << " leading " << x->FontLeading
              << " advance " << x->FontAdvanceTable[1];
            if (x->hasbounds) s << " bounds " << x->FontBoundsTable[1];
            if (x->haskerning) s << " kerning " << x->KerningCount;
        }
    } else if (auto* x = dynamic_cast<Tswftag_definetext*>(&t)) {
        s << "id " << x->characterid;
        if (t.tagcode == 37) {
            s << " bounds " << x->Bounds << " font " << x->FontID << " height " << x->FontHeight << " text "
              << cstr(x->InitialText) << " var " << cstr(x->VariableName);
        } else {
            s << " bounds " << x->TextBounds << " m " << x->TextMatrix << " bits "
              << int(x->GlyphBits) << "," << int(x->AdvanceBits);
            for (uint32_t i = 0; i < pascal_com::length(x->TextRecords); ++i) {
                const TEXTRECORD& r = x->TextRecords[i];
                s << " [";
                if (r.StyleFlagsHasFont) s << "font " << r.FontID << " " << r.TextHeight << " ";
                if (r.StyleFlagsHasYOffset) s << "y " << r.YOffset << " ";
                s << "glyphs " << int(r.GlyphCount) << " advance " << r.GlyphEntries[0].GlyphAdvance << "]";
            }
        }
    } else if (auto* x = dynamic_cast<Tswftag_definefontalignzones*>(&t)) {
        s << "font " << x->FontID << " hint " << int(x->CSMTableHint) << " zones " << pascal_com::length(x->ZoneTable)
          << " range " << x->ZoneTable[1].ZoneData[1].Range;
    } else if (auto* x = dynamic_cast<Tswftag_definevideostream*>(&t)) {
        s << "id " << x->characterid << " frames " << x->NumFrames << " size " << x->Width << "x" << x->Height
          << " codec " << int(x->CodecID) << " deblocking " << int(x->VideoFlagsDeblocking);
    } else if (auto* x = dynamic_cast<Tswftag_videoframe*>(&t)) {
        s << "stream " << x->StreamID << " frame " << x->FrameNum;
    } else if (auto* x = dynamic_cast<Tswftag_definesound*>(&t)) {
        s << "id " << x->characterid << " format " << int(x->SoundFormat) << " rate " << int(x->SoundRate)
          << " size " << int(x->SoundSize) << " type " << int(x->SoundType) << " count " << x->SoundSampleCount
          << " data " << pascal_com::length(x->sounddata);
    } else if (auto* x = dynamic_cast<Tswftag_soundstream*>(&t)) {
        s << "format " << int(x->StreamSoundCompression) << " rate " << int(x->StreamSoundRate) << " type "
          << int(x->StreamSoundType) << " perframe " << x->StreamSoundSampleCount << " latency "
          << (x->haslatency ? x->LatencySeek : -1);
    } else if (auto* x = dynamic_cast<Tswftag_definejpeg*>(&t)) {
        s << "id " << x->characterid;
        if (x->bitmapformat)
            s << " format " << int(x->bitmapformat) << " size " << x->bitmapwidth << "x" << x->bitmapheight;
    }
    return s.str();
}

struct Row {
    const char* name;
    int version;
    Make make;
    Bytes in;
    const char* fields;  // nullptr: the bytes alone
    Bytes out = {};  // empty: written as read
};

// The tag with a short header, as every writer puts a body of up to 62 bytes.
Bytes shortform(const Bytes& t) {
    return swfb::tag((t[0] | t[1] << 8) >> 6, body(t));
}

// A square path, the records of the smallest shapes here.
Bytes square(int code) {
    swfb::ShapeWriter s(code);
    s.fillcount(1).solid(1, 2, 3).linecount(0).bits(1, 0);
    s.change({.move = true, .fill1 = 1}).straight(50, 0).straight(0, 400).straight(-50, 0).endshape();
    return s.take();
}

Bytes button1() {
    // Blend and filter bits mean nothing under DefineButton.
    const Rec big{.flags = 0x08 | 0x30, .id = 2, .depth = 2, .matrix = matrixbytes(-40, 0, 3 * kOne, 3 * kOne)};
    return swfb::tag(7, Writer().u16(20).raw(records(7, {Rec{}, big})).u8(0).u8(0x06).u8(0).take());
}

// The second record's translation of -1024 stored in n bits.
Bytes button2(int n) {
    const Bytes m = Writer().ub(1, 0).ub(1, 0).ub(5, n).sb(n, -1024).sb(n, 0).take();
    const Bytes blur = Writer().u8(1).u8(1).u32(0x40000).u32(0x40000).u8(0x08).take();
    return placetest::button2(21, {{.flags = 0xC0 | 0x20 | 0x01, .blend = 3},
                                   {.flags = 0x10 | 0x06, .id = 5, .depth = 3, .matrix = m, .filters = blur}},
                              condactions());
}

std::vector<Row> table() {
    using namespace swfb;
    std::vector<Row> rows = {
        {"fields written wider than they need", 10, as<Tswftag_defineshape>(), richshape(2, true, true),
         "id 5 bounds -10,400,-400,300 fills 4 lines 2 records 12", richshape(2)},
        {"bounds whose Ymax is widest", 10, as<Tswftag_defineshape>(), shapetag(2, 1, 0, 50, 0, 400, square(2)),
         "id 1 bounds 0,50,0,400 fills 1 lines 0 records 5"},
        {"bounds whose Xmin is widest", 10, as<Tswftag_defineshape>(), shapetag(2, 1, -400, 50, 0, 50, square(2)),
         "id 1 bounds -400,50,0,50 fills 1 lines 0 records 5"},
        {"bounds of a negative power of two", 10, as<Tswftag_defineshape>(),
         shapetag(32, 1, 0, 50, -512, 0, square(32)), "id 1 bounds 0,50,-512,0 fills 1 lines 0 records 5",
         tag(32, Writer().u16(1).ub(5, 11).sb(11, 0).sb(11, 50).sb(11, -512).sb(11, 0).raw(square(32)).take())},
        {"DefineMorphShape", 10, as<Tswftag_definemorphshape>(), richmorph(46),
         "id 9 bounds -10,400,-400,300 to -20,700,-700,600 fills 3 lines 2 records 7,6 bitmap t90,30 s1966080,1966080"},
        {"DefineMorphShape2", 10, as<Tswftag_definemorphshape>(), richmorph(84),
         "id 9 bounds -10,400,-400,300 to -20,700,-700,600 edges -20,700,-700,600 fills 4 lines 2 records 7,6 "
         "bitmap t90,30 s1966080,1966080"},

        {"PlaceObject", 10, as<Tswftag_placeobject>(),
         tag(4, Writer().u16(3).u16(7).matrix(100, -50, 2 * kOne, kOne).ub(1, 1).ub(1, 0).ub(4, 6).sb(6, 12)
                    .sb(6, -5).sb(6, 31).take()),
         "depth 7 id 3 m t100,-50 s131072,65536 cx -5"},
        {"PlaceObject without colour", 10, as<Tswftag_placeobject>(),
         tag(4, Writer().u16(3).u16(7).matrix(0, 0, 0, 0, 0, 5).take()), "depth 7 id 3 m t0,0 r0,5"},
        {"PlaceObject2 every field", 10, as<Tswftag_placeobject>(),
         Place{.flags = 0xFF, .depth = 300, .id = 12,
               .matrix = matrixbytes(-200, 4000, 3 * kOne / 2, kOne / 2, kOne / 4, -kOne / 3),
               .cxform = cxformalpha(), .ratio = 0x1234, .name = "clip_1", .clipdepth = 310,
               .clipactions = clipactions6()}
             .tag(),
         "depth 300 id 12 m t-200,4000 s98304,32768 r16384,-21845 cx 256,-100 ratio 4660 name clip_1 clip 310 "
         "actions 2"},
        {"PlaceObject2 clip actions of SWF 5", 5, as<Tswftag_placeobject>(),
         Place{.flags = 0x86, .id = 3, .matrix = matrixbytes(10, 10), .clipactions = clipactions5()}.tag(),
         "depth 1 id 3 m t10,10 actions 1"},
        {"PlaceObject2 translation of a negative power of two", 10, as<Tswftag_placeobject>(),
         Place{.flags = 0x06, .id = 2, .matrix = matrixbytes(-1024, 1023)}.tag(), "depth 1 id 2 m t-1024,1023",
         tag(26, Writer().u8(0x06).u16(1).u16(2).ub(1, 0).ub(1, 0).ub(5, 12).sb(12, -1024).sb(12, 1023).take())},
        {"PlaceObject2 scale whose ScaleY is widest", 10, as<Tswftag_placeobject>(),
         Place{.flags = 0x06, .id = 2, .matrix = matrixbytes(1, 1, kOne / 2, -40 * kOne)}.tag(),
         "depth 1 id 2 m t1,1 s32768,-2621440"},
        {"PlaceObject3 every field", 10, as<Tswftag_placeobject>(),
         Place{.code = 70, .flags = 0xFE, .flags2 = 0xFF, .classname = "game.Hero", .id = 40,
               .matrix = matrixbytes(1, 2, 5 * kOne, 5 * kOne), .cxform = cxformalpha(), .ratio = 9,
               .name = "hero", .clipdepth = 2, .filters = filterlist(), .blend = 12, .cache = 1,
               .background = {0x10, 0x20, 0x30, 0x40}, .clipactions = clipactions6()}
             .tag(),
         "depth 1 id 40 m t1,2 s327680,327680 cx 256,-100 ratio 9 name hero clip 2 class game.Hero filters 5 "
         "blend 12 background 64 actions 2"},
        {"PlaceObject3 image named by class", 10, as<Tswftag_placeobject>(),
         Place{.code = 70, .flags = 0x04, .flags2 = 0x10, .classname = "Pic", .matrix = matrixbytes(20, 20)}.tag(),
         "depth 1 m t20,20 class Pic"},
        {"PlaceObject3 without its cache byte", 10, as<Tswftag_placeobject>(),
         Place{.code = 70, .flags = 0x06, .flags2 = 0x04, .id = 5, .matrix = matrixbytes(0, 0, 2 * kOne, 2 * kOne),
               .cachebyte = false}
             .tag(),
         "depth 1 id 5 m t0,0 s131072,131072"},
        {"PlaceObject3 image with an id", 10, as<Tswftag_placeobject>(),
         Place{.code = 70, .flags = 0x06, .flags2 = 0x10, .id = 0x4241, .matrix = matrixbytes(20, 20)}.tag(),
         "depth 1 id 16961 m t20,20"},

        {"DefineButton", 10, as<Tswftag_definebutton>(), button1(),
         "id 20 [1@1 t100,200] [2@2 t-40,0 s196608,196608] actions 2"},
        // -1024 is written in 12 bits: a byte more, and the action offset follows.
        {"DefineButton2", 10, as<Tswftag_definebutton>(), button2(11),
         "id 21 [1@1 t100,200 cx 200 blend 3] [5@3 t-1024,0 cx 200 filters 1] actions 12 offset 45", button2(12)},
        {"DefineButton2 as a writer of its own puts it", 10, as<Tswftag_definebutton>(), button2(12), nullptr},
        {"DefineButton2 without actions", 10, as<Tswftag_definebutton>(),
         tag(34, Writer().u16(22).u8(0).u16(0).u8(0x08).u16(1).u16(1).matrix(0, 0).raw(cxformalpha()).u8(0).take()),
         "id 22 [1@1 t0,0 cx 64] actions 0 offset 0"},

        {"DefineFont", 10, as<Tswftag_definefont>(),
         definefont({.code = 10, .glyphs = {glyphsquare(0, 0, 100), glyphsquare(5, 5, 40000)}}), "id 1 glyphs 2"},
        {"DefineFont2", 10, as<Tswftag_definefont>(), definefont(fonttest::layoutfont(48)),
         "id 3 glyphs 3 name Arial codes 65 ascent 900 descent 212 leading -40 advance -12 bounds -1024,-512,0,512 "
         "kerning 2"},
        {"DefineFont3 wide codes", 10, as<Tswftag_definefont>(),
         [] {
             FontSpec f = fonttest::layoutfont(75);
             f.wideoffsets = f.widecodes = true;
             f.codes = {0x4E00, 0x4E01, 0x20};
             f.withkerning = false;
             return definefont(f);
         }(),
         "id 3 glyphs 3 name Arial codes 19968 ascent 900 descent 212 leading -40 advance -12 bounds "
         "-1024,-512,0,512"},
        {"DefineText", 10, as<Tswftag_definetext>(),
         definetext(11, 5,
                    {{.fontid = 3, .height = 240, .color = true, .hasx = true, .hasy = true, .x = -40, .y = 300,
                      .glyphs = {{0, 120}, {1, 3}}},
                     {.hasy = true, .y = 600, .glyphs = {{1, 77}}}}),
         "id 5 bounds 0,2000,0,400 m t0,0 bits 1,8 [font 3 240 y 300 glyphs 2 advance 120] [y 600 glyphs 1 "
         "advance 77]"},
        {"DefineText2 wide fields", 10, as<Tswftag_definetext>(),
         definetext(33, 6, {{.fontid = 3, .height = 240, .color = true, .glyphs = {{0, 5}}}}, 9, 17),
         "id 6 bounds 0,2000,0,400 m t0,0 bits 9,17 [font 3 240 glyphs 1 advance 5]"},
        {"DefineEditText", 10, as<Tswftag_definetext>(),
         defineedittext({.fontid = 3, .text = "hello", .html = true, .variable = "score"}),
         "id 1 bounds 0,2000,0,400 font 3 height 240 text hello var score"},
        // Layouts and flags each read in their own way.
        {"DefineFont device font", 10, as<Tswftag_definefont>(), definefont({.code = 10, .id = 2}), "id 2 glyphs 0"},
        {"DefineFont2 without layout", 10, as<Tswftag_definefont>(),
         [] { FontSpec f = fonttest::layoutfont(48); f.layout = false; return definefont(f); }(), nullptr},
        {"DefineFont2 without bounds", 10, as<Tswftag_definefont>(),
         [] { FontSpec f = fonttest::layoutfont(48); f.withbounds = false; return definefont(f); }(), nullptr},
        {"DefineFont3 narrow codes stay narrow", 10, as<Tswftag_definefont>(), definefont(fonttest::layoutfont(75)),
         nullptr},
        {"DefineFont2 device font with a tail", 10, as<Tswftag_definefont>(),
         definefont({.name = "_sans", .layout = true, .tail = {0x00, 0x00, 0x84, 0x03}}), nullptr},
        {"DefineFont2 with bytes after its fields", 10, as<Tswftag_definefont>(),
         [] { FontSpec f = fonttest::layoutfont(48); f.tail = {1, 2, 3}; return definefont(f); }(), nullptr},
        {"DefineText without records", 10, as<Tswftag_definetext>(), definetext(11, 9, {}), nullptr},
        {"DefineText2 without end flag", 10, as<Tswftag_definetext>(),
         definetext(33, 8, {{.fontid = 3, .height = 240, .glyphs = {{0, 1}}}}, -1, -1, false), nullptr},
        {"DefineEditText every field", 10, as<Tswftag_definetext>(),
         defineedittext({.xmin = -1024, .fontid = 3, .text = "hi", .html = true, .wordwrap = true, .multiline = true,
                         .password = true, .readonly = true, .autosize = true, .noselect = true, .border = true,
                         .wasstatic = true, .hascolor = true, .rgba = 0x11223344, .maxlength = 12,
                         .haslayout = true, .align = 2, .leftmargin = 40, .rightmargin = 60, .indent = 20,
                         .leading = -2, .variable = "v"}),
         "id 1 bounds -1024,2000,0,400 font 3 height 240 text hi var v"},
        {"DefineEditText font by class", 10, as<Tswftag_definetext>(),
         defineedittext({.fontclass = "MyFont", .height = 300}), nullptr},
        {"DefineEditText bare", 10, as<Tswftag_definetext>(), defineedittext({.hastext = false, .useoutlines = false}),
         nullptr},
        {"DefineFontAlignZones", 10, as<Tswftag_definefontalignzones>(),
         fonttest::alignzones(3, 0x3C00, {0x1234, 0x4567}), "font 3 hint 1 zones 2 range 17767"},

        {"DefineSound", 10, as<Tswftag_definesound>(), shortform(definesound(4, 1, 2, 1, 1, 300, Bytes(40, 0x5A))),
         "id 4 format 1 rate 2 size 1 type 1 count 300 data 40"},
        {"SoundStreamHead", 10, as<Tswftag_soundstream>(), streamhead(18, 1, 1, 0, 512),
         "format 1 rate 1 type 0 perframe 512 latency -1"},
        {"SoundStreamHead2 MP3", 10, as<Tswftag_soundstream>(), streamhead(45, 2, 3, 1, 1152),
         "format 2 rate 3 type 1 perframe 1152 latency 0"},
        {"DefineVideoStream", 10, as<Tswftag_definevideostream>(), definevideostream(9, 30, 320, 240, 2, 3, 1),
         "id 9 frames 30 size 320x240 codec 2 deblocking 3"},
        {"VideoFrame", 10, as<Tswftag_videoframe>(), shortform(videoframe(9, 17, {1, 2, 3})), "stream 9 frame 17"},
        {"DefineBitsLossless", 10, as<Tswftag_definejpeg>(), shortform(definebitslossless(8, 5, 3, 2, Bytes(24, 0x80))),
         "id 8 format 5 size 3x2"},
    };
    for (int code : {2, 22, 32, 83}) {
        rows.push_back({"every record kind", 10, as<Tswftag_defineshape>(), richshape(code),
                        code == 83 ? "id 5 bounds -10,400,-400,300 edges -10,400,-400,300 strokes 1,0 fills 5 lines 3 "
                                     "records 12"
                                   : "id 5 bounds -10,400,-400,300 fills 4 lines 2 records 12"});
        // Extended counts, and an unknown fill type that carries nothing.
        ShapeWriter x(code);
        x.fillcount(2, true).rawfilltype(0x20).solid(1, 2, 3).linecount(1, true).line(30, 4, 5, 6).bits(2, 1);
        x.change({.move = true, .fill0 = 2}).straight(40, 0).endshape();
        rows.push_back({"extended counts", 10, as<Tswftag_defineshape>(), shapetag(code, 3, 0, 40, 0, 0, x.take()),
                        code == 83 ? "id 3 bounds 0,40,0,0 edges 0,40,0,0 strokes 0,0 fills 2 lines 1 records 3"
                                   : "id 3 bounds 0,40,0,0 fills 2 lines 1 records 3"});
        // 13 + 11 bits: the record list ends with the body, without an end record.
        ShapeWriter e(code);
        e.fillcount(0).linecount(0).bits(0, 0).change({.move = true, .movebits = 1}).straight(1, 1);
        rows.push_back({"no end record", 10, as<Tswftag_defineshape>(), shapetag(code, 4, 0, 1, 0, 1, e.take()),
                        code == 83 ? "id 4 bounds 0,1,0,1 edges 0,1,0,1 strokes 0,0 fills 0 lines 0 records 2"
                                   : "id 4 bounds 0,1,0,1 fills 0 lines 0 records 2"});
    }
    return rows;
}

class TagTable : public PlaceTest {};

TEST_F(TagTable, EveryTagClassReadsItsFieldsAndWritesWhatItRead) {
    for (const Row& row : table()) {
        SCOPED_TRACE(row.name);
        setmovieversion(row.version);
        std::unique_ptr<Tswftag> t = row.make(row.in);
        ASSERT_EQ(t->keepraw, 0);
        if (row.fields) {
            EXPECT_EQ(describe(*t), row.fields);
        }
        EXPECT_EQ(write(*t), row.out.empty() ? row.in : row.out);
    }
}

// Cut anywhere, a tag is written exactly as read, whether or not it parses.
TEST_F(TagTable, EveryCutOfEveryBodyIsWrittenAsRead) {
    for (const Row& row : table()) {
        if (!row.out.empty()) continue;
        setmovieversion(row.version);
        const uint16_t code = uint16_t((row.in[0] | row.in[1] << 8) >> 6);
        const Bytes full = body(row.in);
        for (size_t n = 0; n < full.size(); ++n) {
            const Bytes cut = swfb::tag(code, Bytes(full.begin(), full.begin() + long(n)));
            ASSERT_EQ(write(*row.make(cut)), cut) << row.name << ", cut at " << n;
        }
    }
}

}  // namespace
