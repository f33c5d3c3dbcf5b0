// The one table of tag codes: name, resource kind and the class created.
#pragma once
#include <cstdint>

#include "../core/tagcode.h"
#include "../core/tagfactory.h"

using Tcreator = Tswftag* (*)(unsigned char*, uint32_t);

struct Ttagentry {
    TagCode code;
    const char* name;  // as the SWF format names it
    int kind;         // Tkind, -1 for none
    Tcreator create;  // null: a plain Tswftag
    // Looked for in the list by code, so never joined into a run of
    // pass-through tags.
    bool lookedfor;
};

// The entry of a code; null for a code the table does not name.
const Ttagentry* tagentry(int tagcode);
