#include "placeobject.h"

#include <vector>

#include "../core/container.h"
#include "../core/enginestate.h"
#include "registry.h"
#include "scene.h"

using namespace pascal_com;

namespace {

inline uint8_t bit(uint8_t flags, uint8_t value) { return uint8_t(flags & value); }

// What the placements parsed so far put at each depth, so that a later move
// that rescales the character registers its new size. The sprite table
// belongs to the sprite being read and is forgotten when the next one starts.
struct Tparsedepth {
    uint16_t CharacterId;
    uint8_t Occupied;
    MATRIX Matrix;
};

struct Tdepthtable {
    Tlazytable<Tparsedepth> entries;
    int32_t owner = -1;

    Tparsedepth& at(uint16_t depth) { return entries[depth]; }
    const Tparsedepth& peek(uint16_t depth) const { return entries.peek(depth); }
    void clear() { entries.clear(); }
};

Tdepthtable& parseroot() {
    static Tdepthtable t;
    return t;
}
Tdepthtable& parsesprite(int32_t owner) {
    static Tdepthtable t;
    if (t.owner != owner) {
        t.clear();
        t.owner = owner;
    }
    return t;
}

// SPRITEDEPTHS is shared by all sprites: the depths a sprite wrote are
// cleared before the next sprite's first placement is written, so a sprite
// never sees what another one left at a depth.
TDEPTHREC& spritedepth(int32_t owner, uint16_t depth) {
    static int32_t current = -1;
    if (owner != current) {
        SPRITEDEPTHS.clear();
        current = owner;
    }
    return SPRITEDEPTHS[depth];
}

// Divided characters of one kind swap for each other; undivided ones count as one kind.
uint8_t dividedkind(uint32_t id) { return dividedshape(id) ? IDS[id].Kind : uint8_t(IDKIND_NONE); }

}  // namespace

int movieversion() { return length(_head) > 3 ? _head[3] : 6; }

void placeclearparsedepths() {
    parseroot().clear();
    parsesprite(-1).clear();
}

int CLIPACTIONScount(const unsigned char* clipactions, int version) {
    Tparsefill p(const_cast<unsigned char*>(clipactions), 0, 0);
    const uint32_t flagbytes = version >= 6 ? 4 : 2;
    auto flags = [&]() -> uint32_t {
        // Players take a flag field cut short at the end of the tag as the
        // end of the list; so does this reader.
        if (p.parseleft() < flagbytes) {
            p.parsepos += p.parseleft();
            return 0;
        }
        return flagbytes == 4 ? p.U32parse() : p.U16parse();
    };
    p.U16parse();  // reserved
    flags();       // AllEventFlags
    int count = 0;
    while (flags() != 0) {
        uint32_t size = p.U32parse();
        p.need(size);
        p.parsepos += size;
        ++count;
    }
    return count;
}

Tswftag_placeobject::~Tswftag_placeobject() { release(); }

void Tswftag_placeobject::release() {
    setlength(Name, 1, 0);
    setlength(ClassName, 1, 0);
    setlength(ClipActions, 1, 0);
    FILTERLISTfree(SurfaceFilterList);
}

bool Tswftag_placeobject::hasclassname() const {
    // With an image flag the class name stands in for a missing character id,
    // as players read it.
    return tagcode == PlaceObject3 && (PlaceFlagHasClassName || (PlaceFlagHasImage && !PlaceFlagHasCharacter));
}

void Tswftag_placeobject::doparse() {
    Tswftag::doparse();
    release();
    if (tagcode == PlaceObject) {
        CharacterId = U16parse();
        Depth = U16parse();
        Matrixparse(Matrix);
        ColorTransformAbsent = parseleft() == 0;
        if (!ColorTransformAbsent) CXFORMparse(ColorTransform);
        return;
    }
    if (tagcode != PlaceObject2 && tagcode != PlaceObject3) return;
    uint8_t f = U8parse();
    PlaceFlagHasClipActions = bit(f, 128);
    PlaceFlagHasClipDepth = bit(f, 64);
    PlaceFlagHasName = bit(f, 32);
    PlaceFlagHasRatio = bit(f, 16);
    PlaceFlagHasColorTransform = bit(f, 8);
    PlaceFlagHasMatrix = bit(f, 4);
    PlaceFlagHasCharacter = bit(f, 2);
    PlaceFlagMove = bit(f, 1);
    if (tagcode == PlaceObject3) {
        uint8_t g = U8parse();
        Reserved = bit(g, 128);
        PlaceFlagOpaqueBackground = bit(g, 64);
        PlaceFlagHasVisible = bit(g, 32);
        PlaceFlagHasImage = bit(g, 16);
        PlaceFlagHasClassName = bit(g, 8);
        PlaceFlagHasCacheAsBitmap = bit(g, 4);
        PlaceFlagHasBlendMode = bit(g, 2);
        PlaceFlagHasFilterList = bit(g, 1);
    }
    Depth = U16parse();
    if (hasclassname()) Stringparse(ClassName);
    if (PlaceFlagHasCharacter) CharacterId = U16parse();
    if (PlaceFlagHasMatrix) Matrixparse(Matrix);
    if (PlaceFlagHasColorTransform) CXFORMWITHALPHAparse(ColorTransformAlpha);
    if (PlaceFlagHasRatio) Ratio = U16parse();
    if (PlaceFlagHasName) Stringparse(Name);
    if (PlaceFlagHasClipDepth) ClipDepth = U16parse();
    if (tagcode == PlaceObject3) {
        if (PlaceFlagHasFilterList) FILTERLISTparse(SurfaceFilterList);
        if (PlaceFlagHasBlendMode) BlendMode = U8parse();
        if (PlaceFlagHasCacheAsBitmap) {
            // Some writers set the flag and end the tag without the byte.
            BitmapCacheAbsent = parseleft() == 0;
            if (!BitmapCacheAbsent) BitmapCache = U8parse();
        }
        if (PlaceFlagHasVisible) Visible = U8parse();
        if (PlaceFlagOpaqueBackground) RGBAparse(BackgroundColor);
    }
    if (PlaceFlagHasClipActions) {
        Tbitarrayparse(ClipActions, parseleft());
        CLIPACTIONScount(ClipActions, movieversion());
    }
}

void Tswftag_placeobject::fillfromstru() { writebody(Matrix, PlaceFlagHasMatrix); }

void Tswftag_placeobject::writebody(const MATRIX& matrix, uint8_t hasmatrix) {
    setfill(newbody, 0, 0);
    beginfill(length(rawbody) + 100);
    if (tagcode == PlaceObject) {
        U16fill(CharacterId);
        U16fill(Depth);
        Matrixfill(matrix);
        if (!ColorTransformAbsent) CXFORMfill(ColorTransform);
        endfill();
        return;
    }
    if (tagcode != PlaceObject2 && tagcode != PlaceObject3) {
        // Nothing was read: the body goes out as it came in.
        bytearrayreplace(newbody, rawbody, 0, -1);
        if (!rawbody) setlength(newbody, 1, 0);
        return;
    }
    U8fill(uint32_t(PlaceFlagHasClipActions) + PlaceFlagHasClipDepth + PlaceFlagHasName + PlaceFlagHasRatio +
           PlaceFlagHasColorTransform + hasmatrix + PlaceFlagHasCharacter + PlaceFlagMove);
    if (tagcode == PlaceObject3)
        U8fill(uint32_t(Reserved) + PlaceFlagOpaqueBackground + PlaceFlagHasVisible + PlaceFlagHasImage +
               PlaceFlagHasClassName + PlaceFlagHasCacheAsBitmap + PlaceFlagHasBlendMode + PlaceFlagHasFilterList);
    U16fill(Depth);
    if (hasclassname()) Stringfill(ClassName);
    if (PlaceFlagHasCharacter) U16fill(CharacterId);
    if (hasmatrix) Matrixfill(matrix);
    if (PlaceFlagHasColorTransform) CXFORMWITHALPHAfill(ColorTransformAlpha);
    if (PlaceFlagHasRatio) U16fill(Ratio);
    if (PlaceFlagHasName) Stringfill(Name);
    if (PlaceFlagHasClipDepth) U16fill(ClipDepth);
    if (tagcode == PlaceObject3) {
        if (PlaceFlagHasFilterList) FILTERLISTfill(SurfaceFilterList);
        if (PlaceFlagHasBlendMode) U8fill(BlendMode);
        if (PlaceFlagHasCacheAsBitmap && !BitmapCacheAbsent) U8fill(BitmapCache);
        if (PlaceFlagHasVisible) U8fill(Visible);
        if (PlaceFlagOpaqueBackground) RGBAfill(BackgroundColor);
    }
    endfill();
    if (PlaceFlagHasClipActions) bytearrayappend(newbody, ClipActions, 0, -1);
}

void Tswftag_placeobject_opt::doparse() {
    Tswftag_placeobject::doparse();
    if (!isplacetag(tagcode)) return;
    Tdepthtable& table = spriteref == -1 ? parseroot() : parsesprite(spriteref);
    const uint16_t parent = spriteref == -1 ? 0 : Cparsesprite;
    if (placescharacter()) {
        Tparsedepth& e = table.at(Depth);
        const bool replace = PlaceFlagMove && e.Occupied;
        // A replacing character keeps the matrix at the depth unless the tag
        // brings its own.
        MATRIX m{};
        if (hasmatrix()) m = Matrix;
        else if (replace) m = e.Matrix;
        addusedmatrix(CharacterId, parent, m);
        sceneaddedge(CharacterId, parent, m, false);
        if (!replace || dividedkind(e.CharacterId) == dividedkind(CharacterId)) e.CharacterId = CharacterId;
        e.Occupied = 1;
        e.Matrix = m;
    } else if (hasmatrix() && table.peek(Depth).Occupied) {
        Tparsedepth& e = table.at(Depth);
        addusedmatrix(e.CharacterId, parent, Matrix);
        sceneaddedge(uint16_t(e.CharacterId), parent, Matrix, false);
        e.Matrix = Matrix;
    }
    // Scripts find a named instance and may move, scale or size it.
    if (PlaceFlagHasName) {
        if (placescharacter()) sceneaddscripted(CharacterId);
        if (table.peek(Depth).Occupied) sceneaddscripted(table.peek(Depth).CharacterId);
    }
}

void Tswftag_placeobject_opt::fillfromstru() {
    if (!isplacetag(tagcode)) {
        Tswftag_placeobject::fillfromstru();
        return;
    }
    // The scaled matrix is only written: the fields keep the movie's values,
    // so writing twice gives the same body.
    MATRIX matrix = Matrix;
    uint8_t has = PlaceFlagHasMatrix;
    const bool brought = hasmatrix();
    TDEPTHREC& d = spriteref == -1 ? DEPTHS[Depth] : spritedepth(spriteref, Depth);
    // Character id 0 at a depth stands for nothing placed there.
    const bool occupied = d.CharacterId != 0;
    if (placescharacter() && !(PlaceFlagMove && occupied)) {
        // A new object: a divided shape needs its scale even without a matrix.
        d.CharacterId = CharacterId;
        d.Matrix = brought ? Matrix : MATRIX{};
        const double k = shapedivisor(CharacterId);
        if (dividedshape(CharacterId) && (brought || k != 1.0)) {
            matrixand(matrix, k, k, 1, 1, 0);
            if (!brought) has = 4;
        }
    } else {
        // The object at the depth stays and takes what the tag brings.
        // Players swap a shape only for another shape (and a replacement of
        // another kind leaves the object as it is), so the character shown
        // changes only when both are divided and of one kind, or neither is
        // divided; its matrix, already
        // scaled when it was placed, is kept when the tag brings none.
        bool carries = brought;
        if (placescharacter() && dividedkind(d.CharacterId) == dividedkind(CharacterId)) {
            // Shapes divided by different ratios: the kept matrix was scaled
            // for the one before, so the new one gets its own.
            if (!brought && shapedivisor(d.CharacterId) != shapedivisor(CharacterId)) {
                matrix = d.Matrix;
                has = 4;
                carries = true;
            }
            d.CharacterId = CharacterId;
        }
        if (carries) {
            d.Matrix = matrix;
            const double k = shapedivisor(uint16_t(d.CharacterId));
            if (dividedshape(d.CharacterId)) matrixand(matrix, k, k, 1, 1, 0);
        }
    }
    writebody(matrix, has);
}
