#include "adpcm.h"

#include <vector>

#include "../core/pascal_com.h"

const int16_t stepsizeTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

namespace {
const int8_t indexTable2[2] = {-1, 2};
const int8_t indexTable3[4] = {-1, -1, 2, 4};
const int8_t indexTable4[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
const int8_t indexTable5[16] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};

constexpr int kPacket = 4096;  // sample frames per header
}  // namespace

const int8_t* const indexTables[4] = {indexTable2, indexTable3, indexTable4, indexTable5};

void CAdpcmDecomp::Setup(int isstereo, const unsigned char* data, uint32_t size) {
    stereo = isstereo ? 1 : 0;
    nBits = 0;
    valpred[0] = valpred[1] = 0;
    index[0] = index[1] = 0;
    nSamples = 0;
    src = data;
    end = data ? data + size : data;
    bitBuf = 0;
    bitPos = 0;
}

void CAdpcmDecomp::FillBuffer() {
    while (bitPos <= 24 && src < end) {
        bitBuf = bitBuf << 8 | *src++;
        bitPos += 8;
    }
}

uint32_t CAdpcmDecomp::GetBits(int n) {
    if (bitPos < n) FillBuffer();
    // Past the end of the data the missing bits read as zero; callers check
    // BitsLeft first, so this only guards against misuse.
    if (bitPos < n) {
        bitBuf <<= (n - bitPos);
        bitPos = n;
    }
    bitPos -= n;
    return (bitBuf >> bitPos) & ((1u << n) - 1);
}

int32_t CAdpcmDecomp::GetSBits(int n) {
    uint32_t v = GetBits(n);
    const uint32_t sign = 1u << (n - 1);
    return int32_t(v ^ sign) - int32_t(sign);
}

long CAdpcmDecomp::Decompress(int16_t* out, long count, long capacity) {
    const int channels = stereo + 1;
    long written = 0;
    if (nBits == 0) {
        if (BitsLeft() < 2) return 0;
        nBits = int(GetBits(2)) + 2;
    }
    const int8_t* table = indexTables[nBits - 2];
    const uint32_t signmask = 1u << (nBits - 1);
    long done = 0;
    while ((count < 0 || done < count) && written + channels <= capacity) {
        const bool header = ((nSamples + 1) & (kPacket - 1)) == 1;
        // A frame whose bits are not all there is not decoded: the data may
        // be shorter than its header claims.
        if (BitsLeft() < uint64_t(channels) * (header ? 22 : nBits)) break;
        ++nSamples;
        ++done;
        if (header) {
            for (int c = 0; c < channels; ++c) {
                valpred[c] = GetSBits(16);
                index[c] = int(GetBits(6));
                out[written++] = int16_t(valpred[c]);
            }
            continue;
        }
        for (int c = 0; c < channels; ++c) {
            const uint32_t code = GetBits(nBits);
            int step = stepsizeTable[index[c]];
            int diff = 0;
            for (uint32_t k = signmask >> 1; k; k >>= 1) {
                if (code & k) diff += step;
                step >>= 1;
            }
            diff += step;
            valpred[c] += (code & signmask) ? -diff : diff;
            index[c] += table[code & ~signmask];
            if (index[c] < 0) index[c] = 0;
            if (index[c] > 88) index[c] = 88;
            if (valpred[c] > 32767) valpred[c] = 32767;
            if (valpred[c] < -32768) valpred[c] = -32768;
            out[written++] = int16_t(valpred[c]);
        }
    }
    return written;
}

uint32_t adpcmtopcm(const unsigned char* data, uint32_t n, int stereo, int64_t frames, unsigned char*& pcm) {
    CAdpcmDecomp d;
    d.Setup(stereo, data, n);
    const int channels = stereo ? 2 : 1;
    // Every frame after the code size takes at least two bits per channel.
    int64_t most = (int64_t(n) * 8) / (2 * channels) + 1;
    if (frames >= 0 && frames < most) most = frames;
    std::vector<int16_t> out(size_t(most) * channels);
    const long got = d.Decompress(out.data(), long(most), long(out.size()));
    const uint32_t at = pascal_com::length(pcm);
    pascal_com::setlength(pcm, 1, at + size_t(got) * 2);
    unsigned char* p = pcm + at;
    for (long i = 0; i < got; ++i) {
        p[2 * i] = uint8_t(uint16_t(out[i]));
        p[2 * i + 1] = uint8_t(uint16_t(out[i]) >> 8);
    }
    return uint32_t(got / channels);
}
