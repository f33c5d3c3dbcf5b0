#include "tagtable.h"

#include <array>

#include "../core/enginestate.h"
#include "../core/swftag.h"
#include "../media/definejpeg.h"
#include "../media/definesound.h"
#include "../media/definevideostream.h"
#include "../media/jpgtable.h"
#include "../media/soundstream.h"
#include "../media/videoframe.h"
#include "../vector/definebutton.h"
#include "../vector/definefont.h"
#include "../vector/definefontalignzones.h"
#include "../vector/definemorphshape.h"
#include "../vector/defineshape.h"
#include "../vector/definetext.h"
#include "../vector/placeobject.h"

namespace {

template <typename T>
Tswftag* make(unsigned char* bytes, uint32_t offset) {
    return new T(bytes, offset);
}

constexpr int NOKIND = -1;
constexpr bool LOOKEDFOR = true;

#define TAG(code) code, #code

const Ttagentry table[] = {
    {TAG(End), NOKIND, nullptr, LOOKEDFOR},
    {TAG(ShowFrame), NOKIND, nullptr, false},
    {TAG(DefineShape), KIND_SHAPE, make<Tswftag_defineshape_opt>, false},
    {TAG(FreeCharacter), NOKIND, nullptr, false},
    {TAG(PlaceObject), NOKIND, make<Tswftag_placeobject_opt>, false},
    {TAG(RemoveObject), NOKIND, nullptr, false},
    {TAG(DefineBits), KIND_IMAGE, make<Tswftag_definejpeg>, false},
    {TAG(DefineButton), NOKIND, make<Tswftag_definebutton_opt>, false},
    {TAG(JPEGTables), KIND_IMAGE, make<Tswftag_jpgtable>, false},
    {TAG(SetBackgroundColor), NOKIND, nullptr, false},
    {TAG(DefineFont), KIND_FONT, make<Tswftag_definefont_opt>, false},
    {TAG(DefineText), KIND_FONT, make<Tswftag_definetext_opt>, false},
    {TAG(DoAction), KIND_AS, nullptr, false},
    {TAG(DefineFontInfo), NOKIND, nullptr, false},
    {TAG(DefineSound), KIND_SOUND, make<Tswftag_definesound_opt>, false},
    {TAG(StartSound), KIND_SOUND, nullptr, false},
    {TAG(DefineButtonSound), NOKIND, nullptr, false},
    {TAG(SoundStreamHead), KIND_SOUND, make<Tswftag_soundstream_opt>, false},
    {TAG(SoundStreamBlock), KIND_SOUND, make<Tswftag_soundblock>, false},
    {TAG(DefineBitsLossless), KIND_IMAGE, make<Tswftag_definejpeg>, false},
    {TAG(DefineBitsJPEG2), KIND_IMAGE, make<Tswftag_definejpeg>, false},
    {TAG(DefineShape2), KIND_SHAPE, make<Tswftag_defineshape_opt>, false},
    {TAG(DefineButtonCxform), NOKIND, nullptr, false},
    {TAG(Protect), NOKIND, nullptr, false},
    {TAG(PlaceObject2), NOKIND, make<Tswftag_placeobject_opt>, false},
    {TAG(RemoveObject2), NOKIND, nullptr, false},
    {TAG(DefineShape3), KIND_SHAPE, make<Tswftag_defineshape_opt>, false},
    {TAG(DefineText2), KIND_FONT, make<Tswftag_definetext_opt>, false},
    {TAG(DefineButton2), NOKIND, make<Tswftag_definebutton_opt>, false},
    {TAG(DefineBitsJPEG3), KIND_IMAGE, make<Tswftag_definejpeg>, false},
    {TAG(DefineBitsLossless2), KIND_IMAGE, make<Tswftag_definejpeg>, false},
    {TAG(DefineEditText), KIND_FONT, make<Tswftag_definetext_opt>, false},
    // Its nested tags follow it in the list; the container builds it.
    {TAG(DefineSprite), NOKIND, nullptr, LOOKEDFOR},
    {TAG(ProductInfo), NOKIND, nullptr, false},
    {TAG(FrameLabel), NOKIND, nullptr, false},
    {TAG(SoundStreamHead2), KIND_SOUND, make<Tswftag_soundstream_opt>, false},
    // Bitmap fills are looked for in morph shapes.
    {TAG(DefineMorphShape), NOKIND, make<Tswftag_definemorphshape_opt>, LOOKEDFOR},
    {TAG(DefineFont2), KIND_FONT, make<Tswftag_definefont_opt>, false},
    // Names that scripts reach characters by.
    {TAG(ExportAssets), NOKIND, nullptr, LOOKEDFOR},
    {TAG(ImportAssets), NOKIND, nullptr, false},
    {TAG(EnableDebugger), NOKIND, nullptr, false},
    {TAG(DoInitAction), NOKIND, nullptr, false},
    {TAG(DefineVideoStream), KIND_FLV, make<Tswftag_definevideostream_opt>, false},
    {TAG(VideoFrame), KIND_FLV, make<Tswftag_videoframe>, false},
    {TAG(DefineFontInfo2), NOKIND, nullptr, false},
    {TAG(EnableDebugger2), NOKIND, nullptr, false},
    {TAG(ScriptLimits), NOKIND, nullptr, false},
    {TAG(SetTabIndex), NOKIND, nullptr, false},
    {TAG(FileAttributes), NOKIND, nullptr, false},
    {TAG(PlaceObject3), NOKIND, make<Tswftag_placeobject_opt>, false},
    {TAG(ImportAssets2), NOKIND, nullptr, false},
    {TAG(DefineFontAlignZones), NOKIND, make<Tswftag_definefontalignzones_opt>, false},
    {TAG(CSMTextSettings), KIND_FONT, nullptr, false},
    {TAG(DefineFont3), KIND_FONT, make<Tswftag_definefont_opt>, false},
    {TAG(SymbolClass), NOKIND, nullptr, LOOKEDFOR},
    {TAG(Metadata), NOKIND, nullptr, false},
    {TAG(DefineScalingGrid), NOKIND, nullptr, false},
    {TAG(DoABC), KIND_AS, nullptr, false},
    {TAG(DefineShape4), KIND_SHAPE, make<Tswftag_defineshape_opt>, false},
    {TAG(DefineMorphShape2), NOKIND, make<Tswftag_definemorphshape_opt>, LOOKEDFOR},
    {TAG(DefineSceneAndFrameLabelData), NOKIND, nullptr, false},
    {TAG(DefineBinaryData), NOKIND, nullptr, false},
    {TAG(DefineFontName), NOKIND, nullptr, false},
    {TAG(StartSound2), NOKIND, nullptr, false},
    {TAG(DefineBitsJPEG4), NOKIND, nullptr, false},
    {TAG(DefineFont4), NOKIND, nullptr, false},
    {TAG(EnableTelemetry), NOKIND, nullptr, false},
};

#undef TAG

// A tag header holds 10 bits of code.
constexpr int kcodes = 1024;

const std::array<const Ttagentry*, kcodes>& index() {
    static const std::array<const Ttagentry*, kcodes> byc = [] {
        std::array<const Ttagentry*, kcodes> a{};
        for (const auto& e : table) a[e.code] = &e;
        return a;
    }();
    return byc;
}

}  // namespace

const Ttagentry* tagentry(int tagcode) { return tagcode >= 0 && tagcode < kcodes ? index()[tagcode] : nullptr; }

int tagkind(int tagcode) {
    const Ttagentry* e = tagentry(tagcode);
    return e ? e->kind : -1;
}

Tswftag* createtag(unsigned char* bytes, uint32_t offset, uint16_t tagcode) {
    const Ttagentry* e = tagentry(tagcode);
    return e && e->create ? e->create(bytes, offset) : new Tswftag(bytes, offset);
}

bool passthroughtag(uint16_t tagcode) {
    const Ttagentry* e = tagentry(tagcode);
    return !e || (!e->create && e->kind < 0 && !e->lookedfor);
}
