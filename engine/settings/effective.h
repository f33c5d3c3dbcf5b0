// What the engine makes of the fields: the level tables and the one function
// for each value derived from them. The tag classes and the front ends' reports
// call the same functions, so a report shows what was used.
#pragma once
#include <cstdint>

#include "../core/params.h"
#include "schema.h"

// JPEG quality by image quality level 0..3.
extern const int CCpressvaluelevel[4];
// (resampling rate in kHz, bitrate in kbit/s) by sound quality level 0..3.
extern const int CCsound_q[4][2];
// Transcoder bitrates in kbit/s by video quality level 0..3.
extern const int32_t CCflv_ar[4];

// JPEG quality of an image quality level (0..3), else the custom quality
// held to 1..100.
int imagequality(int level, int custom);

// Audio_e: how the encoder spends the bit rate.
enum Tsoundencoding { SOUND_CBR = 0, SOUND_VBR = 1, SOUND_ABR = 2 };

struct Tsoundsettings {
    uint32_t ratehz = 0;  // always 11025, 22050 or 44100
    int kbps = 0;
    bool mono = false;
    int encoding = SOUND_CBR;
    int vbrquality = -1;  // the encoder's -V, 0 (best) to 9, with SOUND_VBR
};
// The encoder's VBR quality for a sound level (0..3); another level takes it
// from its bit rate, as the levels' own bit rates would.
int vbrquality(int level, int kbps);
// The rate an MP3 in a SWF can have that is nearest to khz at or above it,
// 44100 at most: SoundRate cannot declare any other, and frames at another
// rate play at the wrong speed.
uint32_t snaprate(int khz);
// Settings chosen by the parameters; false when the custom rate or bitrate is unusable.
bool soundsettings(const Tparams& p, Tsoundsettings& s);

// Bitrate in kbit/s the parameters select; 0 when they select none.
int32_t flvbitrate(const Tparams& p);

// The divisor of shape geometry: a shape's largest, stored in a byte.
int shaperatio(const Tparams& p);
// The divisor of glyph geometry.
int32_t fontratio(const Tparams& p);

// The levels and what the tag classes make of them, as the front ends report it.
struct Tlevelvalues {
    int32_t imagelevel = 0, jpegquality = 0;
    int32_t soundlevel = 0, soundhz = 0, soundkbps = 0, soundmono = 0;  // 0 Hz: the sounds are kept
    int32_t videolevel = 0, videokbps = 0;  // 0 kbit/s: no bit rate selected, videos are kept
    int32_t soundok = 0;  // 0: the custom sound values are unusable
    int32_t soundencoding = 0, soundvbr = -1;  // -1: not VBR
};
Tlevelvalues levelvalues(const Tparams& p);

// The reported values by their JSON names, in report order.
enum Tlevelshow { SHOW_NUMBER, SHOW_NULL_WHEN_ZERO, SHOW_BOOLEAN, SHOW_NULL_WHEN_NEGATIVE };
struct Tlevelfield {
    const char* name;
    int32_t Tlevelvalues::*member;
    Tlevelshow show;
};
constexpr int LEVEL_FIELD_COUNT = 10;
extern const Tlevelfield levelfields[LEVEL_FIELD_COUNT];
