// The SWF ADPCM decoder: 2 to 5 bit codes, mono or stereo, a fresh header
// (initial sample and step index per channel) every 4096 sample frames.
#pragma once
#include <cstdint>

extern const int16_t stepsizeTable[89];
// Index adjustments by code size - 2, indexed by the code without its sign bit.
extern const int8_t* const indexTables[4];

class CAdpcmDecomp {
public:
    int stereo = 0;
    int nBits = 0;  // 0 until read from the data
    int valpred[2] = {0, 0};
    int index[2] = {0, 0};
    int nSamples = 0;  // sample frames decoded

    // The decoder reads data[0 .. size) and nothing beyond it.
    void Setup(int isstereo, const unsigned char* data, uint32_t size);
    // Decodes sample frames into out (channels interleaved) until `count`
    // frames are done (count < 0: no limit), out holds `capacity` samples, or
    // the data has no whole frame left. Returns the number of samples written.
    long Decompress(int16_t* out, long count, long capacity);

    uint32_t GetBits(int n);
    int32_t GetSBits(int n);
    void FillBuffer();
    // Bits still to be decoded.
    uint64_t BitsLeft() const { return uint64_t(end - src) * 8 + bitPos; }

private:
    const unsigned char* src = nullptr;
    const unsigned char* end = nullptr;
    uint32_t bitBuf = 0;
    int bitPos = 0;  // bits held in bitBuf
};

// Decodes up to `frames` sample frames (frames < 0: all there are) of SWF
// ADPCM, never more than the data holds, and appends them to pcm as 16-bit
// little-endian samples, channels interleaved. Returns the frames decoded.
uint32_t adpcmtopcm(const unsigned char* data, uint32_t n, int stereo, int64_t frames, unsigned char*& pcm);
