// Font sizes in the HTML text of an edit text. Players size HTML text from the
// size attribute of its font tags (tag and attribute names in any case, the
// value quoted or not): the leading digits are whole pixels, the rest of the
// value is ignored, a leading + or - makes the size relative to the enclosing
// one, and before SWF 13 the result is clamped to 1..127. A run also takes
// its font from the face attribute, looked up by name among the embedded fonts.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Thtmlsizes {
    bool unsure = false;             // markup the reader could not follow
    uint32_t cap = UINT32_MAX;       // the largest ratio every size can be multiplied by
    std::vector<std::string> faces;  // face attributes, as written
};

// text: n bytes of HTML; base: the field's own size in pixels; swfversion
// decides the largest size players accept.
Thtmlsizes htmlsizes(const unsigned char* text, uint32_t n, double base, int swfversion);

// Multiplies every font size of a zero-terminated HTML string (a dynamic
// array, terminator included) by f: absolute and relative sizes alike, the
// rest of the markup unchanged. The full product is written.
void strprocsize(unsigned char*& text, uint32_t f);

// The largest font size in pixels that players accept in a movie of this version.
uint32_t htmlsizelimit(int swfversion);
