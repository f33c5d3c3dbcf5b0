// The loaded movie: header, flat tag list (sprites inline) and projector stub.
#pragma once
#include <cstdint>

class Tswftag;

extern unsigned char* _head;
extern Tswftag** tags;
extern unsigned char* ExeHead;
extern Tswftag* Cthisstream_root;
extern Tswftag* Cthisstream_sprite;
extern Tswftag* mainflv;
extern Tswftag* childflv;
// Character id of the sprite whose tags are being read or written, 0 on the
// main timeline: placements inside a sprite register uses under it.
extern uint16_t Cparsesprite;
extern uint16_t Cfillsprite;
// Tags dropped because the data ended inside them.
extern int32_t Ctruncatedtags;

int getflashhead(const char* path, int& version, unsigned int& filelength, int& xmin, int& xmax, int& ymin, int& ymax,
                 int& framerate, int& framecount, unsigned char& red, unsigned char& green, unsigned char& blue);
// Loads path into the tag list; false (reason in lasterror) when nothing was loaded.
bool fillswftag(const char* path, Tswftag**& list, unsigned char*& head);
// Writes the list; false (reason in lasterror) when no complete file was written.
bool saveswftag(const char* path, const unsigned char* head, Tswftag** list, const unsigned char* stub);
void freeswf();
int tagcount();
