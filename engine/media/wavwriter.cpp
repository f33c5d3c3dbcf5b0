#include "wavwriter.h"

#include <cstdio>
#include <cstring>

const uint32_t CCintrate[4] = {5512, 11025, 22050, 44100};
const uint16_t CCsoundsize[2] = {8, 16};

namespace {
void put16(unsigned char*& p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p += 2;
}
void put32(unsigned char*& p, uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p, v >> 16);
}
void puttext(unsigned char*& p, const char* four) {
    std::memcpy(p, four, 4);
    p += 4;
}
}  // namespace

PCMWAVEFORMAT pcmformat(int channels, uint32_t rate, int bits) {
    PCMWAVEFORMAT f;
    f.nChannels = uint16_t(channels);
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = uint16_t(bits);
    f.nBlockAlign = uint16_t(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

void waveheader(const PCMWAVEFORMAT& format, uint32_t n, unsigned char out[44]) {
    unsigned char* p = out;
    puttext(p, "RIFF");
    put32(p, n + 36);
    puttext(p, "WAVE");
    puttext(p, "fmt ");
    put32(p, 16);
    put16(p, format.wFormatTag);
    put16(p, format.nChannels);
    put32(p, format.nSamplesPerSec);
    put32(p, format.nAvgBytesPerSec);
    put16(p, format.nBlockAlign);
    put16(p, format.wBitsPerSample);
    puttext(p, "data");
    put32(p, n);
}

bool wavesave(const std::string& path, const PCMWAVEFORMAT& format, const unsigned char* data, uint32_t n) {
    unsigned char header[44];
    waveheader(format, n, header);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header && (n == 0 || std::fwrite(data, 1, n, f) == n);
    return std::fclose(f) == 0 && ok;
}
