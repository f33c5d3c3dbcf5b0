// The loaded movie: header, flat tag list (sprites inline) and projector stub.
#pragma once
#include <cstdint>
#include <string>

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

// What reading the last movie found wrong with its data.
struct Tdamage {
    bool streamfailed = false;
    std::string stream;       // the decoder's verdict ("zlib check failed"), empty when it passed
    int64_t streamat = 0;     // bytes of the movie decoded when it failed
    int64_t movielen = 0;     // the uncompressed movie as read, header included
    int64_t dropped = 0;      // bytes in no tag: the data ended inside them
    int64_t lost = 0;         // of those, the bytes before the End tag, which a player would read
    int64_t cutoffset = -1;   // where the cut tag starts, -1 when none
    int64_t cutclaim = 0;     // bytes its header claims, header included; 0 when the header is cut
    int64_t cutremain = 0;    // bytes left from there
};
extern Tdamage CCdamage;
// The stream failed its check, or more than 1 % of the movie is lost: writing
// it would pass a broken or shortened movie off as a smaller one.
bool moviedamaged();
// What is wrong and where, e.g. "zlib check failed after 46,004 bytes; the last
// tag (at byte 700) claims 17,305,856 bytes but 45,470 remain"; empty when nothing is.
std::string damagetext();
std::string damagetext(const Tdamage& d);
// 17305856 -> "17,305,856".
std::string groupdigits(int64_t v);

// Most tags one movie may hold that are read one by one (runs of tags passed
// through as they are count once): each costs an object and what it parses.
constexpr uint32_t kmaxtags = 2000000;
extern uint32_t CCmaxtags;  // kmaxtags; lowered by tests

// The last 8 bytes of a projector: the magic, then the length of the movie
// that lies just before them.
constexpr uint32_t kprojectormagic = 0xFA123456u;
// Where the movie of a projector of filelen bytes starts and how long it is;
// false when last8 is no trailer or the length does not fit the file.
bool projectortrailer(const unsigned char* last8, uint64_t filelen, uint64_t& start, uint32_t& swflen);

int getflashhead(const char* path, int& version, unsigned int& filelength, int& xmin, int& xmax, int& ymin, int& ymax,
                 int& framerate, int& framecount, unsigned char& red, unsigned char& green, unsigned char& blue);
// getflashhead's answer in one record; ok false when path is no flash file
// (the other fields are then 0).
struct Tflashhead {
    bool ok = false;
    int version = 0;
    unsigned int filelength = 0;
    int xmin = 0, xmax = 0, ymin = 0, ymax = 0;  // pixels
    int framerate = 0, framecount = 0;
    unsigned char red = 0, green = 0, blue = 0;
};
Tflashhead readflashhead(const char* path);
// Loads path into the tag list; false (reason in lasterror) when nothing was loaded.
bool fillswftag(const char* path, Tswftag**& list, unsigned char*& head);
// Writes the list; false (reason in lasterror) when no complete file was written.
// built, when given, is called once every tag is in the uncompressed movie and
// before that is compressed: the caller may free the list and head there, so
// that the tags and the movie's compressed form are not held at once.
bool saveswftag(const char* path, const unsigned char* head, Tswftag** list, const unsigned char* stub,
                void (*built)() = nullptr);
void freeswf();
// This module's globals back to their values at start-up, the loaded movie freed.
void resetcontainerstate();
int tagcount();
