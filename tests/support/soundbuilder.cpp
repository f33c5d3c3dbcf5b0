#include "support/soundbuilder.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "core/shellexec.h"
#include "media/adpcm.h"
#include "support/enginerun.h"

namespace swfb {

Samples tone(int frames, int rate, double hz, int channels, int amplitude, uint32_t seed) {
    Samples s;
    s.reserve(size_t(frames) * channels);
    uint32_t noise = seed;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            noise = noise * 1103515245u + 12345u;
            const double f = hz * (c ? 1.5 : 1.0);
            const double v = amplitude * std::sin(2 * M_PI * f * i / rate) + int(noise >> 16 & 255) - 128;
            s.push_back(int16_t(std::lround(v)));
        }
    return s;
}

Bytes adpcmencode(const Samples& samples, int channels, int bits) {
    Writer w;
    w.ub(2, uint32_t(bits - 2));
    const int8_t* table = indexTables[bits - 2];
    const int signmask = 1 << (bits - 1);
    int pred[2] = {0, 0}, index[2] = {0, 0};
    const size_t frames = samples.size() / channels;
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const int sample = samples[i * channels + c];
            if (i % 4096 == 0) {
                pred[c] = sample;
                // A step index that suits the signal, not a fixed one, so a decoder that ignores it goes wrong.
                index[c] = 40;
                w.sb(16, sample).ub(6, uint32_t(index[c]));
                continue;
            }
            int diff = sample - pred[c];
            int code = 0;
            if (diff < 0) {
                code = signmask;
                diff = -diff;
            }
            int step = stepsizeTable[index[c]];
            int delta = 0;
            for (int k = signmask >> 1; k; k >>= 1) {
                if (diff >= step) {
                    code |= k;
                    diff -= step;
                    delta += step;
                }
                step >>= 1;
            }
            delta += step;
            pred[c] = std::clamp(pred[c] + ((code & signmask) ? -delta : delta), -32768, 32767);
            index[c] = std::clamp(index[c] + table[code & ~signmask], 0, 88);
            w.ub(bits, uint32_t(code));
        }
    w.align();
    return w.take();
}

Bytes mp3header(int version, int bitrateindex, int rateindex, bool padding, bool mono) {
    const int v = version == 1 ? 3 : version == 2 ? 2 : 0;
    return {0xFF, uint8_t(0xE0 | v << 3 | 1 << 1 | 1), uint8_t(bitrateindex << 4 | rateindex << 2 | (padding ? 2 : 0)),
            uint8_t(mono ? 0xC0 : 0x00)};
}

// By the header's version bits: 0 MPEG 2.5, 2 MPEG 2, 3 MPEG 1.
static const int mp3rates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
static const int kbps1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
static const int kbps2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};

static size_t mp3length(int v, int br, int ri, int pad) {
    return size_t((v == 3 ? kbps1[br] * 144000 : kbps2[br] * 72000) / mp3rates[v][ri] + pad);
}

Bytes mp3frame(int version, int bitrateindex, int rateindex, bool padding, bool mono) {
    Bytes f = mp3header(version, bitrateindex, rateindex, padding, mono);
    f.resize(mp3length(version == 1 ? 3 : version == 2 ? 2 : 0, bitrateindex, rateindex, padding), 0);
    return f;
}

Bytes id3tag(uint32_t size, bool lowercase) {
    Bytes t = {uint8_t(lowercase ? 'i' : 'I'), uint8_t(lowercase ? 'd' : 'D'), '3', 3, 0, 0,
               uint8_t(size >> 21 & 127), uint8_t(size >> 14 & 127), uint8_t(size >> 7 & 127), uint8_t(size & 127)};
    t.resize(t.size() + size, 'x');
    return t;
}

bool havelame() { return toolavailable("lame"); }

static Bytes wavfile(const Samples& samples, int channels, int rate) {
    Writer w;
    const uint32_t n = uint32_t(samples.size() * 2);
    w.raw({'R', 'I', 'F', 'F'}).u32(n + 36).raw({'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}).u32(16);
    w.u16(1).u16(uint32_t(channels)).u32(uint32_t(rate)).u32(uint32_t(rate * channels * 2)).u16(uint32_t(channels * 2));
    w.u16(16).raw({'d', 'a', 't', 'a'}).u32(n);
    for (int16_t s : samples) w.u16(uint16_t(s));
    return w.take();
}

Bytes lamemp3(const Samples& samples, int channels, int rate, const std::vector<std::string>& args) {
    Scratchdir dir("lamemp3");
    const std::string in = dir.file("in.wav"), out = dir.file("out.mp3");
    writefile(in, wavfile(samples, channels, rate));
    std::vector<std::string> all = args;
    all.insert(all.end(), {in, out});
    if (shellexecute_argv("lame", all, 60000) != 0) return {};
    return readfile(out);
}

Samples ffmpegdecode(const Bytes& mp3) {
    Scratchdir dir("ffmpegdecode");
    const std::string in = dir.file("in.mp3"), out = dir.file("out.raw");
    writefile(in, mp3);
    if (shellexecute_argv("ffmpeg", {"-nostdin", "-v", "error", "-y", "-f", "mp3", "-i", in, "-ac", "1", "-f", "s16le", out},
                          60000) != 0)
        return {};
    const Bytes raw = readfile(out);
    Samples s(raw.size() / 2);
    for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t(raw[2 * i] | raw[2 * i + 1] << 8);
    return s;
}

size_t loudest(const Samples& mono) {
    size_t at = 0;
    for (size_t i = 0; i < mono.size(); ++i)
        if (std::abs(int(mono[i])) > std::abs(int(mono[at]))) at = i;
    return at;
}

Bytes definesound(uint16_t id, int format, int rate, int size, int type, uint32_t count, const Bytes& data) {
    Writer w;
    w.u16(id).ub(4, uint32_t(format)).ub(2, uint32_t(rate)).ub(1, uint32_t(size)).ub(1, uint32_t(type)).u32(count);
    return tag(14, w.raw(data).take(), true);
}

Bytes streamhead(int code, int format, int rate, int type, uint16_t perframe, bool latency) {
    Writer w;
    w.ub(4, 0).ub(2, uint32_t(rate)).ub(1, 1).ub(1, uint32_t(type));
    w.ub(4, uint32_t(format)).ub(2, uint32_t(rate)).ub(1, 1).ub(1, uint32_t(type)).u16(perframe);
    if (format == 2 && latency) w.u16(0);
    return tag(code, w.take());
}

Bytes streamblock(const Bytes& body) { return tag(19, body, true); }

Bytes mp3block(uint16_t samples, const Bytes& frames) { return Writer().u16(samples).u16(0).raw(frames).take(); }

Movie adpcmmovie(int frames, int rate, int channels) {
    Movie m;
    const Bytes data = adpcmencode(tone(frames, rate, 440, channels), channels, 4);
    m.tags = {definesound(1, 1, rate == 11025 ? 1 : rate == 22050 ? 2 : 3, 1, channels - 1, uint32_t(frames), data),
              showframe()};
    return m;
}

std::vector<Bytes> splitframes(const Bytes& data) {
    std::vector<Bytes> frames;
    size_t p = 0;
    while (p + 4 <= data.size() && !(data[p] == 0xFF && (data[p + 1] & 0xE0) == 0xE0)) ++p;
    while (p + 4 <= data.size() && data[p] == 0xFF && (data[p + 1] & 0xE0) == 0xE0) {
        const int v = data[p + 1] >> 3 & 3, br = data[p + 2] >> 4, ri = data[p + 2] >> 2 & 3, pad = data[p + 2] >> 1 & 1;
        if (v == 1 || ri == 3 || br == 0 || br == 15) break;
        const size_t len = mp3length(v, br, ri, pad);
        if (p + len > data.size()) break;
        frames.emplace_back(data.begin() + long(p), data.begin() + long(p + len));
        p += len;
    }
    return frames;
}

std::vector<SoundTag> soundtags(const Bytes& file) {
    std::vector<SoundTag> out;
    for (const ParsedTag& t : listtags(unpackmovie(file))) {
        if (t.code != 14 && t.code != 18 && t.code != 45 && t.code != 19) continue;
        SoundTag s;
        s.code = t.code;
        s.depth = t.depth;
        const Bytes& b = t.body;
        s.data = b;
        const size_t at = t.code == 14 ? 2 : 1;  // the format byte
        if (t.code != 19 && b.size() >= (t.code == 14 ? 7u : 4u)) {
            s.format = b[at] >> 4;
            s.rate = b[at] >> 2 & 3;
            s.size = b[at] >> 1 & 1;
            s.type = b[at] & 1;
            s.count = b[at + 1] | b[at + 2] << 8;
            if (t.code == 14) s.count |= b[5] << 16 | uint32_t(b[6]) << 24, s.data.assign(b.begin() + 7, b.end());
        }
        out.push_back(std::move(s));
    }
    return out;
}

}  // namespace swfb
