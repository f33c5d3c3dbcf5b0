// What the container asks of the tag table. The table sits above the tag
// classes (pipeline/tagtable.cpp), so that the core knows no tag kind.
#pragma once
#include <cstdint>

class Tswftag;
// The table's class for the code, else a plain Tswftag.
Tswftag* createtag(unsigned char* bytes, uint32_t offset, uint16_t tagcode);
// Resource kind index (Tkind) of a tag code, -1 for none.
int tagkind(int tagcode);
// Whether the engine passes every tag of this code through untouched and
// never looks for it by code: runs of such tags can be held as one block.
bool passthroughtag(uint16_t tagcode);
