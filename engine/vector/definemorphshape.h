// DefineMorphShape and DefineMorphShape2 (codes 46, 84).
#pragma once
#include <cstdint>

#include "../core/swftag.h"
#include "shaperecords.h"

// Each morph style is held as two shape styles, the one it starts as and the
// one it ends as, index for index, so that a start or end shape reads like a
// DefineShape3 (46) or DefineShape4 (84) and the shape code serves both.
class Tswftag_definemorphshape : public Tswftag_define {
public:
    using Tswftag_define::Tswftag_define;
    ~Tswftag_definemorphshape() override;

    SRECT StartBounds{};
    SRECT EndBounds{};
    SRECT StartEdgeBounds{};  // DefineMorphShape2 only
    SRECT EndEdgeBounds{};    // DefineMorphShape2 only
    uint8_t Reserved = 0;
    uint8_t UsesNonScalingStrokes = 0;
    uint8_t UsesScalingStrokes = 0;
    SHAPEWITHSTYLE Start{};  // start styles and StartEdges
    SHAPEWITHSTYLE End{};    // end styles and EndEdges

    // The shape tag code whose styles and records read like this tag's.
    int shapecode() const;

    void doparse() override;
    void fillfromstru() override;
    void fillother() override;
};

// Divides both edge lists by one ratio when written; placements scale it back.
// Without Sha_Imo it is written as read (and shown undivided).
class Tswftag_definemorphshape_opt : public Tswftag_definemorphshape {
public:
    using Tswftag_definemorphshape::Tswftag_definemorphshape;
    void doparse() override;
    void fillfromstru() override;

private:
    int divisor();
    bool fillswithbitmaps() const;
    bool divided_ = false;  // the styles and edges hold the divided morph of an earlier write
};

// Forgets what was counted for the last movie.
void morphclear();
