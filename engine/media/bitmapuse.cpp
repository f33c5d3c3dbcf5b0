#include "bitmapuse.h"

#include "../core/enginestate.h"
#include "../core/pascal_com.h"
#include "../core/swftag.h"
#include "../vector/definebutton.h"
#include "../vector/definemorphshape.h"
#include "../vector/defineshape.h"
#include "../vector/placeobject.h"
#include "../vector/registry.h"
#include "../vector/scene.h"
#include "../vector/shaperecords.h"

using namespace pascal_com;

namespace {

bool isbitmapid(uint16_t id) { return IDS[id].Kind == IDKIND_BITMAP; }

void pin(std::vector<uint8_t>& keep, uint16_t id, Tkeepsize why) {
    if (isbitmapid(id) && keep[id] == KEEPSIZE_NO) keep[id] = why;
}

void namedids(const Tswftag* t, std::vector<uint8_t>& keep) {
    std::vector<uint16_t> ids;
    symbolids(t, ids);
    for (uint16_t id : ids) pin(keep, id, KEEPSIZE_NAMED);
}

// Every bitmap fill starts with its type byte and the bitmap id, on a byte
// boundary; in a body that could not be parsed, any such three bytes may be one.
void fillpatterns(const Tswftag* t, std::vector<uint8_t>& keep) {
    const unsigned char* b = t->rawbody;
    const uint32_t n = length(b);
    for (uint32_t i = 0; i + 2 < n; ++i)
        if (b[i] >= 0x40 && b[i] <= 0x43) pin(keep, uint16_t(b[i + 1] | b[i + 2] << 8), KEEPSIZE_UNCORRECTED);
}

// A placement or button that could not be parsed may name the bitmap anywhere.
void anyid(const Tswftag* t, std::vector<uint8_t>& keep, uint32_t from) {
    const unsigned char* b = t->rawbody;
    const uint32_t n = length(b);
    for (uint32_t i = from; i + 1 < n; ++i) pin(keep, uint16_t(b[i] | b[i + 1] << 8), KEEPSIZE_PLACED);
}

void fillids(const FILLSTYLE& f, std::vector<int64_t>& firstuse, uint32_t at) {
    if (isbitmapfill(f.FillStyleType) && firstuse[f.BitmapId] < 0) firstuse[f.BitmapId] = at;
}

void styleids(const FILLSTYLEARRAY& fills, const LINESTYLEARRAY& lines, std::vector<int64_t>& firstuse, uint32_t at) {
    for (uint32_t k = 0; k < length(fills.FillStyles); ++k) fillids(fills.FillStyles[k], firstuse, at);
    for (uint32_t k = 0; k < length(lines.LineStyles2); ++k)
        if (lines.LineStyles2[k].HasFillFlag) fillids(lines.LineStyles2[k].FillType, firstuse, at);
}

// Records, for each bitmap id, the index of the first parsed shape that fills with it.
void shapeids(const SHAPEWITHSTYLE& s, std::vector<int64_t>& firstuse, uint32_t at) {
    styleids(s.FillStyles, s.LineStyles, firstuse, at);
    const SHAPERECORD* r = s.ShapeRecords;
    for (uint32_t k = 0; k < length(r); ++k)
        if (r[k].Kind == SHAPEREC_STYLECHANGE && r[k].StateNewStyles) styleids(r[k].FillStyles, r[k].LineStyles, firstuse, at);
}

}  // namespace

std::vector<uint8_t> bitmapkeepsize(Tswftag* const* list, uint32_t count, Tbitmapdef bitmapdef) {
    std::vector<uint8_t> keep(65536, KEEPSIZE_NO);
    // Index of the first parsed shape that fills with each bitmap id.
    std::vector<int64_t> firstuse(65536, -1);
    std::vector<uint8_t> defined(65536, 0);
    for (uint32_t i = 0; i < count; ++i) {
        const Tswftag* t = list[i];
        if (!t) continue;
        switch (t->tagcode) {
        case ExportAssets:
        case SymbolClass:
            namedids(t, keep);
            break;
        case DefineShape:
        case DefineShape2:
        case DefineShape3:
        case DefineShape4:
            if (t->keepraw) {
                fillpatterns(t, keep);
            } else if (auto* s = dynamic_cast<const Tswftag_defineshape*>(t)) {
                shapeids(s->Shapes, firstuse, i);
            }
            break;
        case DefineMorphShape:
        case DefineMorphShape2:
            // The end styles fill with the same bitmaps as the start styles.
            if (auto* m = dynamic_cast<const Tswftag_definemorphshape*>(t); m && !t->keepraw && CCparams.Sha_Imo) {
                shapeids(m->Start, firstuse, i);
            } else {
                fillpatterns(t, keep);
            }
            break;
        case DefineSprite:
            // A sprite kept as opaque bytes holds its placements inside.
            if (length(t->rawbody) > 4) anyid(t, keep, 4);
            break;
        case PlaceObject:
        case PlaceObject2:
        case PlaceObject3:
            if (auto* p = dynamic_cast<const Tswftag_placeobject*>(t); p && !t->keepraw) {
                if (p->placescharacter()) pin(keep, p->CharacterId, KEEPSIZE_PLACED);
            } else {
                anyid(t, keep, 0);
            }
            break;
        case DefineButton:
        case DefineButton2:
            if (auto* btn = dynamic_cast<const Tswftag_definebutton*>(t); btn && !t->keepraw) {
                for (uint32_t k = 0; k < length(btn->Records); ++k) pin(keep, btn->Records[k].CharacterId, KEEPSIZE_PLACED);
            } else {
                anyid(t, keep, 2);
            }
            break;
        default:
            break;
        }
    }
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t id = 0;
        if (!list[i] || !bitmapdef(list[i], id)) continue;
        if (defined[id]++) pin(keep, id, KEEPSIZE_TWICE);
        if (firstuse[id] >= 0 && firstuse[id] < int64_t(i)) pin(keep, id, KEEPSIZE_EARLY);
    }
    return keep;
}
