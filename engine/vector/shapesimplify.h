// Fewer edges for a divided shape, each change within a bound on how far any
// drawn point moves (in the shape's own units).
//
// Only edges inside one run are touched: a run ends wherever a path starts or
// ends or a style changes, and a point the shape reaches more than once (the
// start of a closed path, a corner shared by two paths, a fill edge that a
// separate line retraces) is never dropped, so closed fills stay closed and
// shared edges stay identical.
#pragma once
#include <cstdint>

#include "shaperecords.h"

struct Tparams;

struct Tsimplifyrule {
    double bound = 0;     // the largest move of a drawn point
    bool dup = false;     // merge collinear edges, drop style changes that change nothing
    double angle = 0;     // degrees; straight chains turning less are simplified (0: off)
    double straight = 0;  // a curve whose control point is nearer its chord becomes straight (0: off)
    double curves = 0;    // adjacent curves one curve fits this closely are merged (0: off)
    bool any() const { return dup || angle > 0 || straight > 0 || curves > 0; }
};

// The rule the parameters ask for, for a shape shown at most at scale and
// divided by k: a quarter pixel at that scale.
Tsimplifyrule simplifyrule(const Tparams& p, double scale, int k);

// Records as SHAPERECORDdiv leaves them; what goes becomes SHAPEREC_DROPPED.
void SHAPERECORDsimplify(SHAPERECORD* records, const Tsimplifyrule& rule);
