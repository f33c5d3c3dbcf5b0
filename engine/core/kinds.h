// The six resource kinds, in the one order the engine, the command line and
// the desktop program all use, with each spelling that they show.
#pragma once
#include "params.h"

enum Tkind { KIND_IMAGE = 0, KIND_SHAPE, KIND_SOUND, KIND_FLV, KIND_FONT, KIND_AS, KIND_COUNT };

struct Tkindname {
    const char* engine;  // handed to the progress callback: "Flv"
    const char* user;    // command-line reports and JSON: "Video", "AS"
    const char* app;     // the desktop resource list: "Video", "As"
    const char* word;    // in running text and option names: "video"
    int32_t Tparams::*skip;
};

extern const Tkindname kindnames[KIND_COUNT];

// Whether p has tags of kind (a Tkind, or -1 for none) written as read.
// Scripts are never rewritten, so their field is not read.
bool kindskipped(int kind, const Tparams& p);
