#include "support/videobuilder.h"

#include <cstdlib>

#include "core/shellexec.h"

namespace swfb {

static uint32_t be24(const Bytes& b, size_t at) { return uint32_t(b[at]) << 16 | uint32_t(b[at + 1]) << 8 | b[at + 2]; }

Bytes definevideostream(uint16_t id, uint16_t frames, uint16_t width, uint16_t height, uint8_t codec,
                        uint8_t deblocking, uint8_t smoothing) {
    Writer w;
    w.u16(id).u16(frames).u16(width).u16(height).ub(4, 0).ub(3, deblocking).ub(1, smoothing).u8(codec);
    return tag(60, w.take());
}

Bytes videoframe(uint16_t stream, uint16_t framenum, const Bytes& data) {
    Writer w;
    w.u16(stream).u16(framenum).raw(data);
    return tag(61, w.take(), true);
}

std::vector<FlvPicture> flvpictures(const Bytes& flv) {
    std::vector<FlvPicture> out;
    if (flv.size() < 13 || flv[0] != 'F' || flv[1] != 'L' || flv[2] != 'V') return out;
    size_t pos = (size_t(flv[5]) << 24 | be24(flv, 6)) + 4;
    while (pos + 11 <= flv.size()) {
        const uint32_t size = be24(flv, pos + 1);
        if (pos + 11 + size > flv.size()) break;
        if (flv[pos] == 9 && size >= 1) {
            FlvPicture p;
            p.codec = flv[pos + 11] & 15;
            p.frametype = flv[pos + 11] >> 4;
            p.timestamp = be24(flv, pos + 4) | uint32_t(flv[pos + 7]) << 24;
            const size_t skip = (p.codec == 4 || p.codec == 5) ? 2 : 1;
            if (size >= skip) p.data.assign(flv.begin() + long(pos + 11 + skip), flv.begin() + long(pos + 11 + size));
            out.push_back(std::move(p));
        }
        pos += 11 + size + 4;
    }
    return out;
}

bool havetranscoder() { return std::system("ffmpeg -version > /dev/null 2>&1") == 0; }

std::vector<Bytes> h263clip(const std::string& dir, int frames, int width, int height, int kbps,
                            const std::string& filter) {
    const std::string out = dir + "clip.flv";
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string source = "testsrc=size=" + size + ":rate=20" + (filter.empty() ? "" : "," + filter);
    if (shellexecute_argv("ffmpeg", {"-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", source,
                                     "-frames:v", std::to_string(frames), "-c:v", "flv", "-b:v",
                                     std::to_string(kbps) + "k", out},
                          120000) != 0)
        return {};
    std::vector<Bytes> pictures;
    for (auto& p : flvpictures(readfile(out))) pictures.push_back(std::move(p.data));
    return pictures;
}

Bytes videomovie(uint16_t id, uint8_t codec, uint16_t width, uint16_t height, const std::vector<Bytes>& pictures) {
    Movie m;
    m.width = width * 20;
    m.height = height * 20;
    m.frames = uint16_t(pictures.size());
    m.tags.push_back(definevideostream(id, uint16_t(pictures.size()), width, height, codec));
    m.tags.push_back(place2(id, 1, 0, 0));
    for (size_t i = 0; i < pictures.size(); ++i) {
        m.tags.push_back(videoframe(id, uint16_t(i), pictures[i]));
        m.tags.push_back(showframe());
    }
    return build(m);
}

}  // namespace swfb
