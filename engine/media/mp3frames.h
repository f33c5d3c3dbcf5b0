// MPEG audio frame walking: counts the samples of an MP3 file and cuts MP3
// data into blocks of whole frames.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// MPEG version by the header's 2-bit version field: 1, 2, 3 for MPEG-1, MPEG-2,
// MPEG-2.5; 0 reserved.
extern const uint8_t CCMPEG[4];
// Layer by the header's 2-bit layer field: 1, 2, 3 for Layer I, II, III; 0 reserved.
extern const uint8_t CCLayer[4];
// Sampling rate in Hz by [version - 1][rate index]; 0 for the reserved index.
extern const uint32_t CCSamplingRate[3][4];
// Bitrate in kbit/s by [row][bitrate index]; rows: MPEG-1 Layer I, II, III,
// then MPEG-2/2.5 Layer I, then MPEG-2/2.5 Layers II and III.
extern const uint16_t CCbitrate[5][16];

// One decoded four-byte frame header.
struct Tmp3header {
    uint8_t version = 0;  // 1, 2, 3 = MPEG-1, 2, 2.5
    uint8_t layer = 0;    // 1, 2, 3
    uint8_t protection = 0, bitrateindex = 0, rateindex = 0, padding = 0, privatebit = 0;
    uint8_t channelmode = 0, modeextension = 0, copyright = 0, original = 0, emphasis = 0;
    uint32_t samplingrate = 0;
    uint32_t bitrate = 0;  // kbit/s
    uint32_t framelength = 0;
    uint32_t samples = 0;
};

// Decodes the header at p (n bytes available). False for no sync, a reserved
// field, a free or bad bitrate, or a layer other than III: SWF carries only
// Layer III, and lengths are measured as Layer III.
bool mp3parseheader(const unsigned char* p, uint32_t n, Tmp3header& h);
// Size of an ID3v2 tag starting at p (header included), 0 when none starts there.
uint32_t mp3id3size(const unsigned char* p, uint32_t n);

// Encoder delay recorded in the LAME tag of the soundless first frame ("Xing"
// or "Info") that starts p, as lame and ffmpeg write and read it; -1 when there is none.
int mp3lamedelay(const unsigned char* p, uint32_t n);

// Where the cutting of MP3 data into blocks stands.
struct T_getmp3data {
    int32_t budget = 0;       // samples a block left unused, carried to the next
    uint32_t position = 0;    // byte position of the next frame
    uint32_t blockstart = 0;  // first byte of the last block cut
    int32_t blocksamples = 0; // samples in the last block cut
    int32_t blocks = 0;       // blocks cut so far
    int64_t samplescut = 0;   // samples in all blocks cut so far
};

class Tmp3enc_dec {
public:
    uint32_t totalsamples = 0;
    uint32_t framecount = 0;
    uint32_t samplingrate = 0;  // of the last frame walked
    Tmp3header last;            // the last frame walked
    // Rate and channel mode differ between frames.
    bool mixed = false;
    // From the first frame to the end of the last whole frame.
    std::vector<uint8_t> mp3data;
    // Bytes skipped as ID3v2 tags.
    uint32_t id3bytes = 0;

    // Reads the whole file and walks it; no frames when it cannot be read.
    uint32_t loadfromfile(const std::string& path);
    // Walks data; returns the frame count.
    uint32_t loadfrombuf(const unsigned char* data, uint32_t n);
    // Drops the frames after the first ones that hold at least `samples`
    // samples; nothing when the data does not walk that far.
    void keepsamples(uint32_t samples);
    // Seconds of sound walked, 0 when no frame was found.
    double seconds() const { return samplingrate ? double(totalsamples) / samplingrate : 0.0; }

    // Cuts the next block of whole frames worth about `samples` samples (plus
    // what earlier blocks left unused) from data; the block is the bytes from
    // state.blockstart to state.position.
    static void getmp3data_bysamples(T_getmp3data& state, const unsigned char* data, uint32_t n, int32_t samples);
    // The 28-bit value of a synchsafe integer (7 bits per byte, most significant first).
    static void mp3sizeconvert(uint32_t& value);
};
