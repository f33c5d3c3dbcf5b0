#include "tagfactory.h"

#include "enginestate.h"
#include "swftag.h"
#include "../vector/defineshape.h"
#include "../vector/definebutton.h"
#include "../vector/placeobject.h"
#include "../vector/definefont.h"
#include "../vector/definetext.h"
#include "../vector/definefontalignzones.h"
#include "../media/definejpeg.h"
#include "../media/jpgtable.h"
#include "../media/definevideostream.h"
#include "../media/videoframe.h"
#include "../media/definesound.h"
#include "../media/soundstream.h"

namespace {

using Tcreator = Tswftag* (*)(unsigned char*, uint32_t);

template <typename T>
Tswftag* make(unsigned char* bytes, uint32_t offset) {
    return new T(bytes, offset);
}

struct Tfactoryentry {
    uint16_t code;
    Tcreator create;
};

// One line per tag code whose class does more than pass the body through.
const Tfactoryentry factory[] = {
    {0, nullptr},
    {2, make<Tswftag_defineshape_opt>},
    {22, make<Tswftag_defineshape_opt>},
    {32, make<Tswftag_defineshape_opt>},
    {83, make<Tswftag_defineshape_opt>},
    {4, make<Tswftag_placeobject_opt>},
    {26, make<Tswftag_placeobject_opt>},
    {70, make<Tswftag_placeobject_opt>},
    {7, make<Tswftag_definebutton_opt>},
    {34, make<Tswftag_definebutton_opt>},
    {10, make<Tswftag_definefont_opt>},
    {48, make<Tswftag_definefont_opt>},
    {75, make<Tswftag_definefont_opt>},
    {11, make<Tswftag_definetext_opt>},
    {33, make<Tswftag_definetext_opt>},
    {37, make<Tswftag_definetext_opt>},
    {73, make<Tswftag_definefontalignzones_opt>},
    {6, make<Tswftag_definejpeg>},
    {20, make<Tswftag_definejpeg>},
    {21, make<Tswftag_definejpeg>},
    {35, make<Tswftag_definejpeg>},
    {36, make<Tswftag_definejpeg>},
    {8, make<Tswftag_jpgtable>},
    {60, make<Tswftag_definevideostream_opt>},
    {61, make<Tswftag_videoframe>},
    {14, make<Tswftag_definesound_opt>},
    {18, make<Tswftag_soundstream_opt>},
    {45, make<Tswftag_soundstream_opt>},
    {19, make<Tswftag_soundblock>},
};

}  // namespace

Tswftag* createtag(unsigned char* bytes, uint32_t offset, uint16_t tagcode) {
    for (const auto& e : factory)
        if (e.code == tagcode && e.create) return e.create(bytes, offset);
    return new Tswftag(bytes, offset);
}

bool passthroughtag(uint16_t tagcode) {
    // End and DefineSprite shape the timeline; ExportAssets, SymbolClass and
    // the morph shapes are looked for in the list (names, bitmap fills);
    // counted kinds keep their per-tag figures.
    if (tagcode == 0 || tagcode == 39 || tagcode == 56 || tagcode == 76 || tagcode == 46 || tagcode == 84 ||
        tagkind(tagcode) >= 0)
        return false;
    for (const auto& e : factory)
        if (e.code == tagcode && e.create) return false;
    return true;
}
