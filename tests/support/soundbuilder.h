// Sounds built in code for the sound tests: tones, an SWF ADPCM encoder,
// synthetic MP3 frames, real MP3 made by running lame, and the sound tags.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/swfbuilder.h"

namespace swfb {

using Samples = std::vector<int16_t>;

// Interleaved 16-bit samples: a sine of hz per channel (the second channel at
// 1.5 x hz so that mixed-up channels show), with a little noise.
Samples tone(int frames, int rate, double hz, int channels, int amplitude = 12000, uint32_t seed = 1);

// SWF ADPCM of interleaved samples: code size, then a header (sample and
// step index per channel) every 4096 sample frames and codes of `bits` bits.
Bytes adpcmencode(const Samples& samples, int channels, int bits);

// Four-byte MPEG audio header: version 1, 2 or 25 (MPEG-2.5), Layer III.
Bytes mp3header(int version, int bitrateindex, int rateindex, bool padding, bool mono);
// One whole frame with that header and zero bytes after it.
Bytes mp3frame(int version, int bitrateindex, int rateindex, bool padding, bool mono);
// ID3v2 tag of `size` payload bytes (synchsafe size).
Bytes id3tag(uint32_t size, bool lowercase = false);

bool havelame();
// MP3 made by lame from the samples with these extra arguments; empty when it failed.
Bytes lamemp3(const Samples& samples, int channels, int rate, const std::vector<std::string>& args);

// The MP3 frames decoded by ffmpeg to mono at their own rate, from the very
// first decoded sample (no delay removed); empty when that failed.
Samples ffmpegdecode(const Bytes& mp3);
// Sample frame at which the loudest sample lies.
size_t loudest(const Samples& mono);

// DefineSound; data is the sound data as stored (for MP3 with SeekSamples in front).
Bytes definesound(uint16_t id, int format, int rate, int size, int type, uint32_t count, const Bytes& data);
// SoundStreamHead (18) or SoundStreamHead2 (45); LatencySeek written for MP3 unless omitted.
Bytes streamhead(int code, int format, int rate, int type, uint16_t perframe, bool latency = true);
Bytes streamblock(const Bytes& body);
// MP3 stream block: SampleCount, SeekSamples, frames.
Bytes mp3block(uint16_t samples, const Bytes& frames);
// A movie of one 440 Hz ADPCM event sound, id 1, that any encoder run makes smaller.
Movie adpcmmovie(int frames, int rate = 22050, int channels = 2);

// The MP3 frames of data (from the first frame sync), split frame by frame.
std::vector<Bytes> splitframes(const Bytes& data);

// What the sound tags of an output movie hold.
struct SoundTag {
    int code;
    int depth;
    int format = 0, rate = 0, size = 0, type = 0;
    uint32_t count = 0;       // DefineSound SoundSampleCount or head StreamSoundSampleCount
    Bytes data;               // DefineSound data, block body
};
std::vector<SoundTag> soundtags(const Bytes& file);

}  // namespace swfb
