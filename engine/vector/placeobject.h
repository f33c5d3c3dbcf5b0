// PlaceObject, PlaceObject2 and PlaceObject3: a character put on a timeline.
#pragma once
#include <cstdint>

#include "../core/swftag.h"

class Tswftag_placeobject : public Tswftag {
public:
    using Tswftag::Tswftag;
    ~Tswftag_placeobject() override;

    uint16_t CharacterId = 0;
    uint16_t Depth = 0;
    MATRIX Matrix{};
    CXFORM ColorTransform{};
    CXFORMWITHALPHA ColorTransformAlpha{};
    // First flag byte of PlaceObject2 and 3, each as its bit value.
    uint8_t PlaceFlagHasClipActions = 0;     // 128
    uint8_t PlaceFlagHasClipDepth = 0;       // 64
    uint8_t PlaceFlagHasName = 0;            // 32
    uint8_t PlaceFlagHasRatio = 0;           // 16
    uint8_t PlaceFlagHasColorTransform = 0;  // 8
    uint8_t PlaceFlagHasMatrix = 0;          // 4
    uint8_t PlaceFlagHasCharacter = 0;       // 2
    uint8_t PlaceFlagMove = 0;               // 1
    uint16_t Ratio = 0;
    unsigned char* Name = nullptr;
    uint16_t ClipDepth = 0;
    unsigned char* ClipActions = nullptr;  // from the clip actions to the end of the body
    // Second flag byte of PlaceObject3, each as its bit value.
    uint8_t Reserved = 0;                    // 128
    uint8_t PlaceFlagOpaqueBackground = 0;   // 64
    uint8_t PlaceFlagHasVisible = 0;         // 32
    uint8_t PlaceFlagHasImage = 0;           // 16
    uint8_t PlaceFlagHasClassName = 0;       // 8
    uint8_t PlaceFlagHasCacheAsBitmap = 0;   // 4
    uint8_t PlaceFlagHasBlendMode = 0;       // 2
    uint8_t PlaceFlagHasFilterList = 0;      // 1
    unsigned char* ClassName = nullptr;
    FILTERLIST SurfaceFilterList{};
    uint8_t BlendMode = 0;
    uint8_t BitmapCache = 0;
    uint8_t Visible = 0;
    RGBA BackgroundColor{};
    // Fields that the flags announce but the body as read lacked at its end:
    // a PlaceObject without colour transform, a PlaceObject3 without its
    // cache-as-bitmap byte. They stay absent when written.
    uint8_t ColorTransformAbsent = 0;
    uint8_t BitmapCacheAbsent = 0;

    void doparse() override;
    void fillfromstru() override;
    void fillother() override {}

    // The second flag byte carries a class name before the character id.
    bool hasclassname() const;
    // Places a character (PlaceObject always does).
    bool placescharacter() const { return tagcode == PlaceObject || PlaceFlagHasCharacter; }
    bool hasmatrix() const { return tagcode == PlaceObject || PlaceFlagHasMatrix; }

protected:
    void release();
    // Writes the tag with the given matrix in place of Matrix.
    void writebody(const MATRIX& matrix, uint8_t hasmatrix);
};

// Shows divided shapes at their size again and reports what it places.
class Tswftag_placeobject_opt : public Tswftag_placeobject {
public:
    using Tswftag_placeobject::Tswftag_placeobject;
    void doparse() override;
    void fillfromstru() override;
};

// Number of clip action records in ClipActions; ClipEventFlags take 2 bytes
// before movie version 6 and 4 from then on. Throws Tparseerror when an
// action record runs past the data.
int CLIPACTIONScount(const unsigned char* clipactions, int version);
// Version byte of the loaded movie's header (6 when no header is loaded).
int movieversion();
// Forgets what the placements parsed so far put at each depth; call when a
// new movie is about to be parsed.
void placeclearparsedepths();
