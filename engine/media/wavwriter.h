// PCM WAV files for the outside MP3 encoder.
#pragma once
#include <cstdint>
#include <string>

// Sampling rate in Hz by SWF SoundRate. The rates the player really uses:
// rounder figures would change the length and pitch of a re-encoded sound.
extern const uint32_t CCintrate[4];
// Bits per sample by SoundSize.
extern const uint16_t CCsoundsize[2];

struct PCMWAVEFORMAT {
    uint16_t wFormatTag = 1;
    uint16_t nChannels = 1;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 16;
};

// The format of interleaved PCM with these channels, rate and sample width.
PCMWAVEFORMAT pcmformat(int channels, uint32_t rate, int bits);
// The 44-byte RIFF header for n bytes of sample data.
void waveheader(const PCMWAVEFORMAT& format, uint32_t n, unsigned char out[44]);
// Writes header and data to path (created or truncated); false when the file
// could not be written completely.
bool wavesave(const std::string& path, const PCMWAVEFORMAT& format, const unsigned char* data, uint32_t n);
