#include "container.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "enginestate.h"
#include "fileutil.h"
#include "swftag.h"
#include "tagfactory.h"
#include "zhelpers.h"

using namespace pascal_com;

unsigned char* _head = nullptr;
Tswftag** tags = nullptr;
unsigned char* ExeHead = nullptr;
Tswftag* Cthisstream_root = nullptr;
Tswftag* Cthisstream_sprite = nullptr;
Tswftag* mainflv = nullptr;
Tswftag* childflv = nullptr;
uint16_t Cparsesprite = 0;
uint16_t Cfillsprite = 0;
int32_t Ctruncatedtags = 0;
uint32_t CCmaxtags = kmaxtags;
Tdamage CCdamage;

namespace {

uint32_t le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void putle32(unsigned char* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

}  // namespace

bool projectortrailer(const unsigned char* last8, uint64_t filelen, uint64_t& start, uint32_t& swflen) {
    if (filelen < 16) return false;
    if (le32(last8) != kprojectormagic) return false;
    const uint32_t n = le32(last8 + 4);
    if (n < 8 || n > filelen - 8) return false;
    swflen = n;
    start = filelen - 8 - n;
    return true;
}

namespace {

bool isprojector(const unsigned char* data) { return length(data) >= 2 && data[0] == 'M' && data[1] == 'Z'; }

// Offset and length of the movie inside a projector; false when the trailer is wrong.
bool projectorspan(const unsigned char* data, uint32_t& start, uint32_t& swflen) {
    const uint32_t n = length(data);
    uint64_t from = 0;
    if (n < 8 || !projectortrailer(data + n - 8, n, from, swflen)) return false;
    start = uint32_t(from);
    return true;
}

bool signatureok(const unsigned char* data) {
    return length(data) >= 8 && (data[0] == 'F' || data[0] == 'C' || data[0] == 'Z') && data[1] == 'W' &&
           data[2] == 'S';
}

// True when the tags inside a sprite's body end exactly where the sprite ends.
bool spritetiles(const unsigned char* data, uint64_t pos, uint64_t end) {
    while (pos < end) {
        uint16_t code;
        uint32_t bodylen, headlen;
        if (!Tswftag::peekheader(data, uint32_t(end), uint32_t(pos), code, bodylen, headlen)) return false;
        pos += uint64_t(headlen) + bodylen;
    }
    return pos == end;
}

void growlist(Tswftag**& list, uint32_t count) {
    if (count >= length(list)) setlength(list, sizeof(Tswftag*), length(list) + 1000);
}

// Pass-through tags in a row beyond this many share one entry: a flood of
// empty tags then costs its bytes, not an object each.
constexpr int32_t kjoinrun = 8;

// "3.0 GB", "9.0 MB": sizes in the messages that refuse a movie.
std::string sizetext(uint64_t bytes) {
    char s[32];
    if (bytes >= 1000000000) std::snprintf(s, sizeof s, "%.1f GB", double(bytes) / 1e9);
    else if (bytes >= 1000000) std::snprintf(s, sizeof s, "%.1f MB", double(bytes) / 1e6);
    else std::snprintf(s, sizeof s, "%.1f KB", double(bytes) / 1e3);
    return s;
}

void droplist(Tswftag**& list, uint32_t count) {
    for (uint32_t i = 0; i < count && i < length(list); ++i) delete list[i];
    setlength(list, sizeof(Tswftag*), 0);
}

}  // namespace

int getflashhead(const char* path, int& version, unsigned int& filelength, int& xmin, int& xmax, int& ymin, int& ymax,
                 int& framerate, int& framecount, unsigned char& red, unsigned char& green, unsigned char& blue) {
    unsigned char* data = nullptr;
    int64_t size = filesize(path);
    if (!fileexists(path)) return 0;
    if (!dump2file(path, data, 0, size > 200 ? 200 : 0)) return 0;
    if (size > 200) unzipfile(data, 100);
    else unzipfile(data, -1);
    if (isprojector(data)) {
        setlength(data, 1, 0);
        if (!dump2file(path, data, 0, 0)) return 0;
        uint32_t start, swflen;
        if (!projectorspan(data, start, swflen)) {
            setlength(data, 1, 0);
            return 0;
        }
        unsigned char* movie = nullptr;
        bytearrayappend(movie, data, int(start), int(start + (swflen < 200 ? swflen : 200) - 1));
        setlength(data, 1, 0);
        data = movie;
        unzipfile(data, 100);
    }
    int result = 0;
    if (signatureok(data) && data[0] != 'Z') {
        Tparsefill p(data, 3, 0);
        try {
            int v = p.U8parse();
            unsigned int fl = p.U32parse();
            SRECT r{};
            p.SRECTparse(r);
            p.U8parse();
            int rate = p.U8parse();
            int frames = p.U16parse();
            version = v;
            filelength = fl;
            xmin = r.Xmin / 20;
            xmax = r.Xmax / 20;
            ymin = r.Ymin / 20;
            ymax = r.Ymax / 20;
            framerate = rate;
            framecount = frames;
            red = green = blue = 0;
            while (p.parseleft() >= 5) {
                uint16_t code;
                uint32_t bodylen, headlen;
                if (!Tswftag::peekheader(data, length(data), p.parsepos, code, bodylen, headlen)) break;
                p.parsepos += headlen;
                if (code == SetBackgroundColor) {
                    if (p.parseleft() >= 3) {
                        red = p.U8parse();
                        green = p.U8parse();
                        blue = p.U8parse();
                    }
                    break;
                }
                if (bodylen > p.parseleft()) break;
                p.parsepos += bodylen;
            }
            result = 1;
        } catch (const Tparseerror&) {
            result = 0;
        }
    }
    setlength(data, 1, 0);
    return result;
}

Tflashhead readflashhead(const char* path) {
    Tflashhead h;
    h.ok = path && getflashhead(path, h.version, h.filelength, h.xmin, h.xmax, h.ymin, h.ymax, h.framerate,
                                h.framecount, h.red, h.green, h.blue) != 0;
    if (!h.ok) h = Tflashhead{};
    return h;
}

std::string groupdigits(int64_t v) {
    std::string digits = std::to_string(v < 0 ? 0 - uint64_t(v) : uint64_t(v)), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return (v < 0 ? "-" : "") + out;
}

bool moviedamaged() { return CCdamage.streamfailed || CCdamage.lost * 100 > CCdamage.movielen; }

std::string damagetext() { return damagetext(CCdamage); }

std::string damagetext(const Tdamage& d) {
    std::string s;
    if (d.streamfailed) s = d.stream + " after " + groupdigits(d.streamat) + " bytes";
    if (d.cutoffset >= 0) {
        if (!s.empty()) s += "; ";
        if (d.cutclaim > 0)
            s += "the last tag (at byte " + groupdigits(d.cutoffset) + ") claims " + groupdigits(d.cutclaim) +
                 " bytes but " + groupdigits(d.cutremain) + " remain";
        else
            s += "the data ends inside a tag header at byte " + groupdigits(d.cutoffset);
        if (d.dropped > 0 && d.lost == 0) s += " (after the End tag)";
    }
    return s;
}

bool fillswftag(const char* path, Tswftag**& list, unsigned char*& head) {
    unsigned char* data = nullptr;
    Ctruncatedtags = 0;
    CCdamage = Tdamage{};
    setlength(ExeHead, 1, 0);
    // Refused before it is read: no movie that large fits under the limit.
    const int64_t filebytes = filesize(path);
    if (filebytes > int64_t(kmaxmovie)) {
        seterror("too large: a %s file, the limit is 1 GiB uncompressed", sizetext(uint64_t(filebytes)).c_str());
        return false;
    }
    if (!dump2file(path, data, 0, 0)) {
        seterror("cannot read the file: %s", std::strerror(errno ? errno : EIO));
        return false;
    }
    if (isprojector(data)) {
        uint32_t start, swflen;
        if (!projectorspan(data, start, swflen)) {
            setlength(data, 1, 0);
            seterror("projector without a valid movie trailer");
            return false;
        }
        if (start) bytearrayappend(ExeHead, data, 0, int(start - 1));
        unsigned char* movie = nullptr;
        bytearrayappend(movie, data, int(start), int(start + swflen - 1));
        setlength(data, 1, 0);
        data = movie;
    }
    if (!signatureok(data)) {
        setlength(data, 1, 0);
        seterror("not a SWF movie (bad signature)");
        return false;
    }
    // A declared length past the limit is checked against what the stream
    // really holds, counted without keeping it; a field that lies is read on.
    const uint32_t declared = le32(data + 4);
    if (data[0] != 'F' && declared > kmaxmovie &&
        decodedlength(data, length(data), uint64_t(kmaxmovie) + 1) > kmaxmovie) {
        setlength(data, 1, 0);
        seterror("too large: %s uncompressed, the limit is 1 GiB", sizetext(declared).c_str());
        return false;
    }
    // FileLength is often a little off: a zlib stream is read to its own end,
    // so that nothing the stream holds is lost and its check is reached. LZMA
    // needs the length to know where to stop.
    Tstreamstate stream;
    unzipfile(data, data[0] == 'C' ? int64_t(kmaxmovie) : -1, &stream);
    if (stream.capped) {
        setlength(data, 1, 0);
        seterror("too large: more than 1 GiB uncompressed, the limit is 1 GiB");
        return false;
    }
    if (!stream.ok) {
        CCdamage.streamfailed = true;
        CCdamage.stream = stream.why;
        CCdamage.streamat = stream.decoded;
    }
    const uint32_t size = length(data);
    CCdamage.movielen = size;
    Tparsefill p(data, 8, 0);
    try {
        SRECT r{};
        p.SRECTparse(r);
        p.U16parse();
        p.U16parse();
    } catch (const Tparseerror&) {
        setlength(data, 1, 0);
        seterror("the movie header is truncated");
        return false;
    }
    setlength(head, 1, 0);
    bytearrayappend(head, data, 0, int(p.parsepos - 1));

    uint32_t offset = p.parsepos;
    int64_t spriteend = -1;
    int32_t spriteindex = 0;
    uint32_t count = 0;
    bool endseen = false;
    // The data ends inside the tag at offset, whose header claims claim bytes.
    auto cut = [&](int64_t claim) {
        ++Ctruncatedtags;
        CCdamage.cutoffset = offset;
        CCdamage.cutclaim = claim;
        CCdamage.cutremain = int64_t(size) - offset;
        CCdamage.dropped = CCdamage.cutremain;
        // Players stop at the End tag of the main timeline; what follows it is never shown.
        CCdamage.lost = endseen ? 0 : CCdamage.dropped;
    };
    setlength(list, sizeof(Tswftag*), 0);
    // The pass-through entries at the end of the list: how many, where the
    // first starts, and the run they were joined into.
    int32_t pending = 0;
    uint32_t pendingfrom = 0;
    Tswftag* run = nullptr;
    int32_t runcontext = -2;
    bool failed = false;
    try {
        for (;;) {
            uint16_t code;
            uint32_t bodylen, headlen;
            if (!Tswftag::peekheader(data, size, offset, code, bodylen, headlen)) {
                if (offset < size) cut(0);
                break;
            }
            if (CCancelProc.exchange(0)) break;
            _thisrato = int32_t(size > 1 ? uint64_t(offset) * 100 / (size - 1) : 100);
            const bool insprite = spriteend != -1;
            const int32_t context = insprite ? spriteindex : -1;
            // Players never read past the End of the main timeline: what
            // follows is kept as bytes, whatever its codes say.
            if (endseen || passthroughtag(code)) {
                const uint64_t whole = uint64_t(headlen) + bodylen;
                if (offset + whole > size) {
                    cut(int64_t(whole));
                    break;
                }
                const uint32_t to = uint32_t(offset + whole);
                if (context != runcontext) {
                    pending = 0;
                    run = nullptr;
                    runcontext = context;
                }
                if (run) {
                    run->extendrun(data, offset, to);
                } else if (++pending == kjoinrun) {
                    count -= uint32_t(pending - 1);
                    for (int32_t k = 0; k < pending - 1; ++k) {
                        delete list[count + uint32_t(k)];
                        list[count + uint32_t(k)] = nullptr;
                    }
                    run = Tswftag::makerun(data, pendingfrom, to);
                    run->spriteref = context;
                    list[count++] = run;
                } else {
                    if (pending == 1) pendingfrom = offset;
                    if (count >= CCmaxtags) {
                        failed = true;
                        break;
                    }
                    growlist(list, count);
                    Tswftag* tag = new Tswftag(data, offset);
                    if (code == DefineSprite) {
                        // Only past the End: a sprite there is bytes like any other tag.
                        tag->taglen = uint32_t(whole);
                        setlength(tag->rawbody, 1, 0);
                        bytearrayappendraw(tag->rawbody, data + offset + headlen, bodylen);
                        tag->keepraw = 1;
                    }
                    tag->spriteref = context;
                    list[count++] = tag;
                }
                offset = to;
                if (spriteend != -1 && int64_t(offset) >= spriteend) {
                    spriteend = -1;
                    Cparsesprite = 0;
                }
                continue;
            }
            pending = 0;
            run = nullptr;
            runcontext = -2;
            if (count >= CCmaxtags) {
                failed = true;
                break;
            }
            const bool rootsprite = code == DefineSprite && bodylen >= 4 && !insprite;
            // A sprite that ends past the data is as truncated as any other tag.
            const bool sprite = rootsprite && uint64_t(offset) + headlen + bodylen <= size &&
                                spritetiles(data, uint64_t(offset) + headlen + 4, uint64_t(offset) + headlen + bodylen);
            uint64_t need = uint64_t(headlen) + (sprite ? 4 : bodylen);
            if (offset + need > size) {
                cut(int64_t(headlen) + bodylen);
                _thisrato = 100;
                break;
            }
            growlist(list, count);
            Tswftag* tag;
            if (code == DefineSprite && (insprite || (rootsprite && !sprite))) {
                // Players do not nest sprites, and a sprite whose inner tags overrun
                // it cannot be rebuilt: keep either whole, as opaque bytes.
                tag = new Tswftag(data, offset);
                tag->taglen = headlen + bodylen;
                setlength(tag->rawbody, 1, 0);
                bytearrayappendraw(tag->rawbody, data + offset + headlen, bodylen);
                tag->spriteref = -1;
            } else {
                tag = createtag(data, offset, code);
            }
            if (code == DefineSprite && !sprite && !insprite) tag->spriteref = -1;
            list[count] = tag;
            const int32_t index = int32_t(count);
            ++count;
            if (issoundhead(code)) (insprite ? Cthisstream_sprite : Cthisstream_root) = tag;
            if (code == DefineVideoStream) (insprite ? childflv : mainflv) = tag;
            int kind = tagkind(code);
            if (kind >= 0) {
                CCresource_list[kind].srcsize += int32_t(length(tag->rawbody));
                CCresource_list[kind].count += 1;
                updatedis(kindnames[kind].engine, index, 1 << kind, 8);
            }
            int64_t fulllen = tag->spriteref;
            if (sprite) {
                spriteend = int64_t(offset) + fulllen;
                spriteindex = index;
                Cparsesprite = uint16_t(tag->rawbody[0] | tag->rawbody[1] << 8);
            }
            if (spriteend != -1) tag->spriteref = spriteindex;
            tag->safeparse();
            if (code == End && !insprite) endseen = true;
            offset += tag->taglen;
            if (spriteend != -1 && int64_t(offset) >= spriteend) {
                spriteend = -1;
                Cparsesprite = 0;
            }
        }
    } catch (const std::bad_alloc&) {
        Cparsesprite = 0;
        droplist(list, count);
        setlength(data, 1, 0);
        _thisrato = 100;
        seterror("out of memory reading the movie (%s uncompressed)", sizetext(size).c_str());
        return false;
    }
    if (failed) {
        Cparsesprite = 0;
        droplist(list, count);
        setlength(data, 1, 0);
        _thisrato = 100;
        seterror("too many tags: more than the limit of %s that are read one by one",
                 groupdigits(CCmaxtags).c_str());
        return false;
    }
    Cparsesprite = 0;
    setlength(list, sizeof(Tswftag*), count);
    _thisrato = 100;
    updatedis(kindnames[KIND_SHAPE].engine, int(count) - 1, 2, 8);
    setlength(data, 1, 0);
    return true;
}

bool saveswftag(const char* path, const unsigned char* head, Tswftag** list, const unsigned char* stub,
                void (*built)()) {
    if (length(head) < 8) {
        seterror("no movie is loaded");
        return false;
    }
    unsigned char* out = nullptr;
    bytearrayappend(out, head, 0, -1);
    uint32_t spritelenpos = 0;
    int32_t spriteindex = -1;
    const int32_t n = int32_t(length(list));
    auto skipped = [](int kind) { return kindskipped(kind, CCparams); };
    bool ok = true;
    try {
        for (int32_t i = 0; i < n; ++i)
            if (!list[i]->keepraw && list[i]->tagcode != Tswftag::krun && !skipped(tagkind(list[i]->tagcode)))
                list[i]->startwork();
        for (int32_t i = 0; i < n; ++i) {
            if (CCancelProc.exchange(0)) break;
            _thisrato = int32_t(n > 1 ? int64_t(i) * 100 / (n - 1) : 100);
            Tswftag* tag = list[i];
            const int code = tag->tagcode;
            if (issoundhead(code)) (spriteindex != -1 ? Cthisstream_sprite : Cthisstream_root) = tag;
            if (code == DefineVideoStream) (spriteindex != -1 ? childflv : mainflv) = tag;
            const bool realsprite = code == DefineSprite && tag->spriteref == i;
            if (realsprite) Cfillsprite = uint16_t(tag->rawbody[0] | tag->rawbody[1] << 8);
            int kind = tagkind(code);
            if (skipped(kind)) {
                tag->dofillraw(out);
            } else {
                const uint32_t written = tag->dofill(out);
                // Written: the copy is not needed again, and a movie of large
                // tags would otherwise be held twice over.
                setlength(tag->newbody, 1, 0);
                if (kind >= 0) {
                    CCresource_list[kind].dstsize += int32_t(written);
                    updatedis(kindnames[kind].engine, i, 1 << kind, 8);
                }
            }
            if (realsprite) {
                spritelenpos = length(out) - 8;
                spriteindex = i;
            }
            if (tag->spriteref != -1 && tag->spriteref == spriteindex &&
                (i == n - 1 || list[i + 1]->spriteref != spriteindex)) {
                putle32(out + spritelenpos, length(out) - spritelenpos - 4);
                spritelenpos = 0;
                spriteindex = -1;
                Cfillsprite = 0;
            }
        }
        // A write cancelled inside a sprite still closes it at what was written.
        if (spriteindex != -1) putle32(out + spritelenpos, length(out) - spritelenpos - 4);
    } catch (const std::exception&) {
        seterror("out of memory while writing the movie");
        ok = false;
    }
    Cfillsprite = 0;
    _thisrato = 100;
    updatedis(kindnames[KIND_SHAPE].engine, n - 1, 2, 8);
    if (!ok) {
        setlength(out, 1, 0);
        return false;
    }
    putle32(out + 4, length(out));
    if (built) built();
    try {
        zipfile(out);
    } catch (const std::exception&) {
        setlength(out, 1, 0);
        seterror("compression failed");
        return false;
    }
    unsigned char trailer[8];
    putle32(trailer, kprojectormagic);
    putle32(trailer + 4, length(out));
    const unsigned char* pieces[3];
    uint32_t sizes[3];
    int count = 0;
    if (stub && length(stub)) {
        pieces[count] = stub;
        sizes[count++] = length(stub);
    }
    pieces[count] = out;
    sizes[count++] = length(out);
    if (stub && length(stub)) {
        pieces[count] = trailer;
        sizes[count++] = 8;
    }
    ok = writefileatomic(path, pieces, sizes, count);
    setlength(out, 1, 0);
    return ok;
}

void freeswf() {
    for (uint32_t i = 0; i < length(tags); ++i) delete tags[i];
    setlength(tags, sizeof(Tswftag*), 0);
    setlength(_head, 1, 0);
    Cthisstream_root = Cthisstream_sprite = mainflv = childflv = nullptr;
}

void resetcontainerstate() {
    freeswf();
    setlength(ExeHead, 1, 0);
    Cparsesprite = Cfillsprite = 0;
    Ctruncatedtags = 0;
    CCdamage = Tdamage{};
    CCmaxtags = kmaxtags;
}

int tagcount() { return int(length(tags)); }
