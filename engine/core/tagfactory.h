// Creates the tag object for a tag code.
#pragma once
#include <cstdint>

class Tswftag;
Tswftag* createtag(unsigned char* bytes, uint32_t offset, uint16_t tagcode);
// Whether the engine passes every tag of this code through untouched and
// never looks for it by code: runs of such tags can be held as one block.
bool passthroughtag(uint16_t tagcode);
