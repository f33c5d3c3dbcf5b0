// The built-in settings presets, shared by the command line and the desktop
// program. Plain C++: no Qt here.
#pragma once
#include <string>

#include "core/params.h"

struct Tpreset {
    const char* name;
    Tparams params;  // fields 34-39 hold the skip flags, all 0 (every kind processed)
};

// "Best", "Good", "Basic", "Medium", "Sprite", "Custom", in that order.
const Tpreset* presettable(int& count);
// The preset of that name (any letter case), or null.
const Tpreset* findpreset(const std::string& name);
