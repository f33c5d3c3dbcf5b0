#include "flvfile.h"

#include "../core/fileutil.h"
#include "../core/pascal_com.h"

using namespace pascal_com;

namespace {

uint32_t be24(const unsigned char* p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }
uint32_t be32(const unsigned char* p) { return be24(p) << 8 | p[3]; }

void putbe(unsigned char* p, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i, v >>= 8) p[i] = uint8_t(v);
}

}  // namespace

Tflvfile::~Tflvfile() { clear(); }

uint32_t Tflvfile::size() const { return length(tagdata); }

void Tflvfile::clear() { setlength(tagdata, 1, 0); }

void Tflvfile::putvideo(uint32_t timestamp, uint8_t frametype, uint8_t codec, const unsigned char* data,
                        uint32_t n) {
    const uint32_t extra = flv::hasadjustbyte(codec) ? 2 : 1;
    const uint32_t datasize = n + extra;
    unsigned char head[flv::ktagheader + 2];
    head[0] = flv::kvideo;
    putbe(head + 1, datasize, 3);
    putbe(head + 4, timestamp & 0xFFFFFF, 3);
    head[7] = uint8_t(timestamp >> 24);
    putbe(head + 8, 0, 3);
    head[11] = uint8_t(frametype << 4 | (codec & 15));
    head[12] = 0;  // no crop: the coded picture is shown whole
    bytearrayappendraw(tagdata, head, flv::ktagheader + extra);
    if (n) bytearrayappendraw(tagdata, data, n);
    unsigned char back[4];
    putbe(back, flv::ktagheader + datasize, 4);
    bytearrayappendraw(tagdata, back, 4);
}

bool Tflvfile::savetofile(const char* path) const {
    static const unsigned char header[flv::kfileheader] = {'F', 'L', 'V', 1, 1, 0, 0, 0, 9, 0, 0, 0, 0};
    unsigned char* file = nullptr;
    bytearrayappendraw(file, header, sizeof header);
    bool ok = dump2tofile(false, path, file);
    setlength(file, 1, 0);
    return ok && dump2tofile(true, path, tagdata);
}

bool Tflvfile::loadfromfile(const char* path) {
    clear();
    unsigned char* file = nullptr;
    if (!fileexists(path) || !dump2file(path, file, 0, 0)) return false;
    const uint32_t n = length(file);
    // The header says where the first tag's back pointer starts.
    const uint32_t first = n >= 9 ? be32(file + 5) : 0;
    const bool ok = n >= flv::kfileheader && file[0] == 'F' && file[1] == 'L' && file[2] == 'V' && first >= 9 &&
                    uint64_t(first) + 4 <= n;
    if (ok && first + 4 < n) bytearrayappend(tagdata, file, int(first + 4), -1);
    setlength(file, 1, 0);
    return ok;
}

bool Tflvfile::videotags(std::vector<Tflvvideo>& out) const {
    out.clear();
    const uint32_t n = size();
    uint64_t pos = 0;
    while (pos < n) {
        if (pos + flv::ktagheader > n) return false;
        const unsigned char* t = tagdata + pos;
        const uint8_t type = t[0] & 31;  // the top bits are reserved or mark filtered (encrypted) tags
        const uint32_t datasize = be24(t + 1);
        const uint64_t end = pos + flv::ktagheader + datasize;
        if (end > n) return false;
        if (type == flv::kvideo) {
            if (t[0] & 32) return false;  // encrypted
            if (datasize < 1) return false;
            Tflvvideo v;
            v.codec = t[11] & 15;
            v.frametype = t[11] >> 4;
            v.timestamp = be24(t + 4) | uint32_t(t[7]) << 24;
            // Frame type 5 is a seek marker or command, not a picture.
            if (v.frametype != 5) {
                const uint32_t skip = flv::hasadjustbyte(v.codec) ? 2 : 1;
                if (datasize < skip) return false;
                v.offset = uint32_t(pos + flv::ktagheader + skip);
                v.size = datasize - skip;
                out.push_back(v);
            }
        }
        // Writers may leave out the last back pointer.
        pos = end + flv::ktagtrailer;
    }
    return true;
}
