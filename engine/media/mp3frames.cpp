#include "mp3frames.h"

#include <algorithm>
#include <cstring>

#include "../core/fileutil.h"
#include "../core/pascal_com.h"

const uint8_t CCMPEG[4] = {3, 0, 2, 1};
const uint8_t CCLayer[4] = {0, 3, 2, 1};
const uint32_t CCSamplingRate[3][4] = {
    {44100, 48000, 32000, 0},
    {22050, 24000, 16000, 0},
    {11025, 12000, 8000, 0},
};
const uint16_t CCbitrate[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
};

bool mp3parseheader(const unsigned char* p, uint32_t n, Tmp3header& h) {
    if (n < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    h.version = CCMPEG[(p[1] >> 3) & 3];
    h.layer = CCLayer[(p[1] >> 1) & 3];
    h.protection = p[1] & 1;
    h.bitrateindex = p[2] >> 4;
    h.rateindex = (p[2] >> 2) & 3;
    h.padding = (p[2] >> 1) & 1;
    h.privatebit = p[2] & 1;
    h.channelmode = p[3] >> 6;
    h.modeextension = (p[3] >> 4) & 3;
    h.copyright = (p[3] >> 3) & 1;
    h.original = (p[3] >> 2) & 1;
    h.emphasis = p[3] & 3;
    if (h.version == 0 || h.layer != 3 || h.rateindex == 3 || h.bitrateindex == 0 || h.bitrateindex == 15)
        return false;
    h.samplingrate = CCSamplingRate[h.version - 1][h.rateindex];
    const int row = h.version == 1 ? h.layer - 1 : (h.layer == 1 ? 3 : 4);
    h.bitrate = CCbitrate[row][h.bitrateindex];
    const bool mpeg1 = h.version == 1;
    h.framelength = h.bitrate * (mpeg1 ? 144000u : 72000u) / h.samplingrate + h.padding;
    h.samples = mpeg1 ? 1152 : 576;
    return h.framelength >= 4;
}

int mp3lamedelay(const unsigned char* p, uint32_t n) {
    Tmp3header h;
    if (!mp3parseheader(p, n, h) || h.framelength > n) return -1;
    const bool mono = h.channelmode == 3;
    // The tag follows the side information, whose size depends on version and channels.
    uint32_t at = 4 + (h.protection ? 0 : 2) + (h.version == 1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
    const uint32_t end = h.framelength;
    if (at + 8 > end || (std::memcmp(p + at, "Xing", 4) != 0 && std::memcmp(p + at, "Info", 4) != 0)) return -1;
    const uint32_t flags = p[at + 7];
    at += 8;
    // Frame count, byte count, seek table, quality: each only when flagged.
    at += (flags & 1 ? 4 : 0) + (flags & 2 ? 4 : 0) + (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
    if (at + 24 > end) return -1;
    const unsigned char* ext = p + at;
    if (std::memcmp(ext, "LAME", 4) != 0 && std::memcmp(ext, "Lavf", 4) != 0 && std::memcmp(ext, "Lavc", 4) != 0)
        return -1;
    const int delay = ext[21] << 4 | ext[22] >> 4;
    return delay <= 3000 ? delay : -1;
}

void Tmp3enc_dec::mp3sizeconvert(uint32_t& value) {
    // The bytes arrive most significant first, as read from the file.
    const uint32_t b0 = value >> 24 & 0x7F, b1 = value >> 16 & 0x7F, b2 = value >> 8 & 0x7F, b3 = value & 0x7F;
    value = b0 << 21 | b1 << 14 | b2 << 7 | b3;
}

uint32_t mp3id3size(const unsigned char* p, uint32_t n) {
    if (n < 10) return 0;
    auto is = [](unsigned char c, char upper) { return c == upper || c == upper + 32; };
    if (!is(p[0], 'I') || !is(p[1], 'D') || p[2] != '3') return 0;
    uint32_t size = uint32_t(p[6]) << 24 | uint32_t(p[7]) << 16 | uint32_t(p[8]) << 8 | p[9];
    Tmp3enc_dec::mp3sizeconvert(size);
    return size + 10;
}

uint32_t Tmp3enc_dec::loadfromfile(const std::string& path) {
    unsigned char* data = nullptr;
    uint32_t frames = 0;
    if (dump2file(path.c_str(), data, 0, 0)) frames = loadfrombuf(data, pascal_com::length(data));
    else loadfrombuf(nullptr, 0);
    pascal_com::setlength(data, 1, 0);
    return frames;
}

void Tmp3enc_dec::keepsamples(uint32_t samples) {
    if (samples == 0) return;
    const unsigned char* data = mp3data.data();
    const uint32_t n = uint32_t(mp3data.size());
    uint32_t p = 0, walked = 0, frames = 0;
    while (walked < samples) {
        uint32_t skip;
        while (p < n && (skip = mp3id3size(data + p, n - p)) != 0) p += std::min(skip, n - p);
        Tmp3header h;
        if (p >= n || !mp3parseheader(data + p, n - p, h) || h.framelength > n - p) return;
        walked += h.samples;
        ++frames;
        p += h.framelength;
    }
    if (frames >= framecount) return;
    mp3data.resize(p);
    totalsamples = walked;
    framecount = frames;
}

uint32_t Tmp3enc_dec::loadfrombuf(const unsigned char* data, uint32_t n) {
    totalsamples = framecount = samplingrate = id3bytes = 0;
    last = Tmp3header();
    mixed = false;
    mp3data.clear();
    uint32_t p = 0, first = 0, end = 0;
    while (p < n) {
        uint32_t skip;
        while (p < n && (skip = mp3id3size(data + p, n - p)) != 0) {
            // A tag that claims more than is left ends the data.
            if (skip > n - p) skip = n - p;
            p += skip;
            id3bytes += skip;
        }
        Tmp3header h;
        if (!mp3parseheader(data + p, n - p, h)) break;
        // A frame cut short by the end of the data is not sound.
        if (h.framelength > n - p) break;
        if (framecount == 0) first = p;
        else if (h.samplingrate != last.samplingrate || (h.channelmode == 3) != (last.channelmode == 3))
            mixed = true;
        last = h;
        samplingrate = h.samplingrate;
        totalsamples += h.samples;
        ++framecount;
        p += h.framelength;
        end = p;
    }
    if (framecount) mp3data.assign(data + first, data + end);
    return framecount;
}

void Tmp3enc_dec::getmp3data_bysamples(T_getmp3data& state, const unsigned char* data, uint32_t n, int32_t samples) {
    ++state.blocks;
    int32_t inblock = 0;
    int64_t budget = int64_t(samples) + state.budget;
    uint32_t p = state.position;
    while (p < n) {
        uint32_t skip;
        while (p < n && (skip = mp3id3size(data + p, n - p)) != 0) p += skip > n - p ? n - p : skip;
        Tmp3header h;
        if (!mp3parseheader(data + p, n - p, h) || h.framelength > n - p) break;
        if (h.samples > budget) {
            state.budget = int32_t(budget);
            break;
        }
        budget -= h.samples;
        inblock += int32_t(h.samples);
        p += h.framelength;
    }
    state.blockstart = state.position;
    state.position = p;
    state.blocksamples = inblock;
    state.samplescut += inblock;
}
