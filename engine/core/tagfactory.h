// Creates the tag object for a tag code.
#pragma once
#include <cstdint>

class Tswftag;
Tswftag* createtag(unsigned char* bytes, uint32_t offset, uint16_t tagcode);
