// Re-encoding a sound with the outside MP3 encoder: its settings, its
// arguments, its time limit and the temporary files it reads and writes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "../core/params.h"
#include "../settings/effective.h"
#include "mp3frames.h"

// Samples at the output rate by which the encoder's MP3, once decoded, lags
// its input: lame's 576 plus a decoder's 528 + 1. Measured with lame 3.100 and
// ffmpeg at every input and output rate used here; resampling adds nothing.
constexpr int CClamedelay = 576 + 529;
// Decoded samples the encoder leaves out at the start of an MP3 input with no
// LAME tag (its decoder's own delay), at the input's rate.
constexpr int CClamemp3skip = 529;

// Whether an MP3 at this rate can be declared by SoundRate.
bool swfmp3rate(uint32_t hz);
// SoundRate of 11025, 22050 or 44100 Hz.
uint8_t swfrateindex(uint32_t hz);
// The encoder's arguments for the current parameters, one word each, so that
// paths may hold spaces; empty when the parameters are unusable.
std::vector<std::string> getcmdparam_snd(const std::string& input, const std::string& output);
// The least bit rate the encoder's output averages at these settings.
int soundfloorkbps(const Tsoundsettings& s);
// Whether a sound of `bytes` that plays `seconds` can come back smaller: the
// encoder spends at least that floor on every second, so a sound already at
// or below it is not worth its time.
bool soundcanshrink(uint64_t bytes, double seconds);
// Time the encoder may take for a sound of this many seconds.
int soundtimeout_ms(double seconds);
// The fixed part of that time; lowered by the tests.
constexpr int ksoundtimeoutbase_ms = 30000;
extern int CCsoundtimeout_base_ms;
// Whether `after` (plus `extra` bytes of headers) is strictly smaller than
// `before`, both as they are and once zlib has compressed them as the output
// movie will be: a sound that compresses well (silence, test tones) must not
// make the movie grow.
bool soundsmaller(const unsigned char* before, uint32_t beforelen, const std::vector<uint8_t>& after, uint32_t extra);

// One re-encoding: temporary file names of its own in the engine's temporary
// directory, all removed when done.
class Tsoundencoder {
public:
    Tsoundencoder();
    ~Tsoundencoder();
    Tsoundencoder(const Tsoundencoder&) = delete;
    Tsoundencoder& operator=(const Tsoundencoder&) = delete;

    // A temporary directory is set and the encoder can be found.
    bool ready() const { return ready_; }
    // Base name for the input file ("%s.wav" or "%s.mp3" is made from it).
    const std::string& base() const { return base_; }
    const std::string& output() const { return out_; }

    // Runs the encoder on input, which holds `seconds` of sound. True when it
    // ended in time and wrote MP3 frames, all at one rate that SWF can
    // declare and together about as long as the input; result then holds them.
    // Otherwise a tool note names `what` ("sound 3") and why.
    bool encode(const std::string& input, double seconds, Tmp3enc_dec& result, const std::string& what);

private:
    void removeall();
    bool ready_ = false;
    std::string base_, wav_, mp3_, out_;
};
