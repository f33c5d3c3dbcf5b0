#include "definejpeg.h"

#include <algorithm>
#include <numeric>
#include <cstring>

#include "../core/container.h"
#include "../core/enginestate.h"
#include "../vector/registry.h"
#include "../vector/scene.h"
#include "bitmapuse.h"
#include "canvas.h"
#include "imagebatch.h"
#include "jpegcodec.h"

using namespace pascal_com;

Timagestats CCimagestats;
void imagestatsclear() { CCimagestats = Timagestats{}; }

namespace {
// Bitmaps above this many pixels are passed through: no player shows them,
// and decoding them would cost gigabytes.
constexpr uint64_t kmaxpixels = uint64_t(1) << 26;

void assign(bytes_t& array, const unsigned char* data, uint32_t n) {
    setlength(array, 1, n);
    if (n) std::memcpy(array, data, n);
}

bool reencodable(const Tswftag* t, uint16_t& id) {
    const auto* b = dynamic_cast<const Tswftag_definejpeg*>(t);
    if (!b || b->keepraw || b->colormapped) return false;
    id = b->characterid;
    return true;
}
}  // namespace

unsigned char* JPGTABLE = nullptr;

Tswftag_definejpeg::~Tswftag_definejpeg() {
    freearray(jpegstream);
    freearray(alphadata);
}

void Tswftag_definejpeg::doparse() {
    Tswftag_define::doparse();
    const uint32_t rest = parseleft();
    if (tagcode == DefineBitsLossless || tagcode == DefineBitsLossless2) {
        bitmapformat = U8parse();
        bitmapwidth = U16parse();
        bitmapheight = U16parse();
        if (bitmapformat == 3) {
            colortablesize = U8parse();
            colormapped = true;
            ++CCimagestats.colormapped;
            return;
        }
        if ((bitmapformat != 4 && bitmapformat != 5) || !bitmapwidth || !bitmapheight ||
            uint64_t(bitmapwidth) * bitmapheight > kmaxpixels) {
            keepraw = 1;
            ++CCimagestats.badheader;
            return;
        }
        packedfrom_ = parsepos;
        canvaswidth = bitmapwidth;
        canvasheight = bitmapheight;
        addbmpid(characterid);
        return;
    }
    const unsigned char* body = rawbody + parsepos;
    setlength(jpegstream, 1, 0);
    setlength(alphadata, 1, 0);
    if (tagcode == DefineBits) {
        bytearrayappend(jpegstream, JPGTABLE, 0, -1);
        bytearrayappendraw(jpegstream, body, rest);
    } else if (tagcode == DefineBitsJPEG2) {
        assign(jpegstream, body, rest);
    } else if (tagcode == DefineBitsJPEG3) {
        const uint32_t offset = U32parse();
        if (offset > parseleft()) {
            keepraw = 1;
            ++CCimagestats.badheader;
            return;
        }
        packedfrom_ = parsepos;
        assign(jpegstream, rawbody + parsepos, offset);
        assign(alphadata, rawbody + parsepos + offset, parseleft() - offset);
    } else {
        keepraw = 1;
        return;
    }
    if (!FormatJpegData(jpegstream)) {
        keepraw = 1;
        ++CCimagestats.notjpeg;
        return;
    }
    Tjpeginfo info;
    if (!JpegHeader(jpegstream, length(jpegstream), info) || info.components != 3 || info.width <= 0 ||
        info.height <= 0 || uint64_t(info.width) * uint64_t(info.height) > kmaxpixels) {
        keepraw = 1;
        ++CCimagestats.notrgb;
        return;
    }
    canvaswidth = info.width;
    canvasheight = info.height;
    mcuwidth_ = info.mcuwidth;
    mcuheight_ = info.mcuheight;
    addbmpid(characterid);
}

Tbitmapinput Tswftag_definejpeg::makeinput(const std::vector<uint8_t>& keepsize, const Tshownareas* areas) {
    Tbitmapinput in;
    in.readcode = tagcode;
    in.id = characterid;
    in.width = canvaswidth;
    in.height = canvasheight;
    in.format = bitmapformat;
    if (tagcode == DefineBitsLossless || tagcode == DefineBitsLossless2) {
        const uint32_t n = length(rawbody);
        if (packedfrom_ < n) in.packed.assign(rawbody + packedfrom_, rawbody + n);
    } else {
        in.stream.assign(jpegstream, jpegstream + length(jpegstream));
        in.alphadata.assign(alphadata, alphadata + length(alphadata));
        // The stream was repaired in place; the tag's own bytes are what a
        // rewrite that keeps the JPEG must carry.
        if (tagcode == DefineBitsJPEG3) in.jpegasread.assign(rawbody + packedfrom_, rawbody + packedfrom_ + length(jpegstream));
    }
    in.optimizejpeg = CCparams.Img_Dm != 0;
    in.forcejpeg = CCparams.Img_Ftoj != 0;
    in.cleartransparent = CCparams.Img_Diia != 0;
    in.choosesubsampling = CCparams.Img_Icso != 0;
    in.trimalpha = CCparams.Img_Iaco != 0;
    Tsizerule rule;
    rule.stageratiox = RatoImageSizeX;
    rule.stageratioy = RatoImageSizeY;
    if (const TBITMAPREC* rec = bitmaprec(characterid)) {
        rule.maxscalex = rec->MaxScaleX;
        rule.maxscaley = rec->MaxScaleY;
    }
    // Through the whole nesting, and at natural size or more where scripts
    // can show the drawing.
    double sx, sy;
    scenebitmapscale(characterid, sx, sy);
    rule.maxscalex = std::max(rule.maxscalex, sx);
    rule.maxscaley = std::max(rule.maxscaley, sy);
    rule.forcezip = CCparams.Img_ForceZip;
    rule.keepsize = keepsize[characterid] != KEEPSIZE_NO;
    if (rule.keepsize) ++CCimagestats.keepsize[keepsize[characterid] & 7];
    cropx_ = cropy_ = 0;
    cropwidth_ = canvaswidth;
    cropheight_ = canvasheight;
    // A grid of 16 keeps the halvings players smooth a bitmap with the same
    // inside; JPEG data is cut on its own grid, which may be coarser.
    const bool jpeg = tagcode != DefineBitsLossless && tagcode != DefineBitsLossless2;
    const int grid = std::max({16, jpeg ? mcuwidth_ : 0, jpeg ? mcuheight_ : 0});
    imagetarget(canvaswidth, canvasheight, rule, in.newwidth, in.newheight);
    // Scaled, the part kept must start and end where cells of the whole
    // scaled picture do, 16 of them from its corner, so that it is the same
    // pixels in the same JPEG blocks as a part of that picture.
    auto scaledgrid = [grid](int size, int scaled) -> int64_t {
        if (scaled == size) return grid;
        const int64_t g = std::gcd(size, scaled), cell = size / g;
        return std::lcm(int64_t(grid), cell * (16 / std::gcd(int64_t(16), int64_t(scaled / g))));
    };
    const int64_t gridx = scaledgrid(canvaswidth, in.newwidth), gridy = scaledgrid(canvasheight, in.newheight);
    if (CCparams.Img_Diia && areas && !rule.keepsize && gridx < canvaswidth && gridy < canvasheight) {
        const auto at = areas->find(characterid);
        if (at != areas->end() &&
            croprect(canvaswidth, canvasheight, at->second, int(gridx), int(gridy), cropx_, cropy_, cropwidth_, cropheight_)) {
            in.cropx = cropx_;
            in.cropy = cropy_;
            in.cropwidth = cropwidth_;
            in.cropheight = cropheight_;
            // Whole cells, so exact.
            in.newwidth = int(int64_t(cropwidth_) * in.newwidth / canvaswidth);
            in.newheight = int(int64_t(cropheight_) * in.newheight / canvasheight);
        }
    }
    in.quality = imagequality(CCparams.Img_Aio, CCparams.Img_CustomPV);
    in.minssim = imagessimfloor(CCparams.Img_Aio);
    in.bodyasread = length(rawbody);
    targetwidth_ = in.newwidth;
    targetheight_ = in.newheight;
    return in;
}

int64_t loadedtagindex(const Tswftag* t) {
    static uint32_t hint = 0;
    const uint32_t n = length(tags);
    if (hint >= n) hint = 0;
    for (uint32_t i = hint; i < n; ++i)
        if (tags[i] == t) return hint = i;
    for (uint32_t i = 0; i < hint && i < n; ++i)
        if (tags[i] == t) return hint = i;
    return -1;
}

void startimagebatch(uint32_t fromindex) {
    const uint32_t n = length(tags);
    const std::vector<uint8_t> keep = bitmapkeepsize(tags, n, reencodable);
    const Tshownareas areas = CCparams.Img_Diia ? bitmapshownareas(tags, n, keep) : Tshownareas{};
    std::vector<Tbitmapinput> inputs;
    std::vector<Tswftag_definejpeg*> owners;
    for (uint32_t i = fromindex; i < n; ++i) {
        auto* b = dynamic_cast<Tswftag_definejpeg*>(tags[i]);
        if (!b || !b->encodable() || b->encoded_ || b->batch_) continue;
        inputs.push_back(b->makeinput(keep, &areas));
        owners.push_back(b);
    }
    if (owners.empty()) return;
    auto batch = std::make_shared<Timagebatch>(std::move(inputs), CCimagethreads);
    for (size_t k = 0; k < owners.size(); ++k) {
        owners[k]->batch_ = batch;
        owners[k]->slot_ = k;
    }
}

void Tswftag_definejpeg::ensureresult() {
    if (encoded_) return;
    if (!batch_) {
        const int64_t at = loadedtagindex(this);
        if (at >= 0) {
            startimagebatch(uint32_t(at));
        } else {
            // Not part of the loaded movie: on its own, with nothing known
            // about names or other users.
            Tswftag* self = this;
            const std::vector<uint8_t> keep = bitmapkeepsize(&self, 1, reencodable);
            std::vector<Tbitmapinput> one;
            one.push_back(makeinput(keep, nullptr));
            batch_ = std::make_shared<Timagebatch>(std::move(one), 1);
            slot_ = 0;
        }
    }
    if (batch_) result_ = batch_->take(slot_);
    else result_ = Tbitmapresult{};
    batch_.reset();
    encoded_ = true;
}

// The table and indices as read, packed at the strongest level when that is
// smaller; players read no more than these bytes, so nothing else is kept.
bool Tswftag_definejpeg::repackmapped() {
    constexpr uint32_t from = 8;  // id, format, width, height, table size
    const uint32_t n = length(rawbody);
    const uint64_t entry = tagcode == DefineBitsLossless2 ? 4 : 3;
    const uint64_t want = (colortablesize + uint64_t(1)) * entry + ((bitmapwidth + uint64_t(3)) & ~uint64_t(3)) * bitmapheight;
    if (keepraw || n <= from || !bitmapwidth || !bitmapheight || want > kmaxpixels) return false;
    std::vector<uint8_t> data;
    if (!inflateblock(rawbody + from, n - from, size_t(want), data, false)) return false;
    const std::vector<uint8_t> packed = deflatebest(data);
    // A few bytes less inside can cost more in the movie's own compression.
    if (packed.empty() || packed.size() + 8 > n - from) return false;
    bytearrayappendraw(newbody, rawbody + 2, from - 2);
    bytearrayappendraw(newbody, packed.data(), uint32_t(packed.size()));
    return true;
}

bool Tswftag_definejpeg::writtenasread() {
    if (keepraw) return true;
    if (colormapped) return false;
    ensureresult();
    return !result_.ok || result_.belowfloor || result_.asread || result_.body.size() > length(rawbody);
}

void Tswftag_definejpeg::fillfromstru() {
    outcode_ = tagcode;
    scaleratiox = scaleratioy = 1.0;
    Tswftag_define::fillfromstru();
    mappedrepacked_ = false;
    if (colormapped) {
        mappedrepacked_ = repackmapped();
        return;
    }
    ensureresult();
    if (!result_.ok) {
        ++CCimagestats.keptfailed;
        encoded_ = false;
        result_ = Tbitmapresult{};
        throw Tparseerror("the bitmap could not be re-encoded");
    }
    // Below the floor there is no body: fillother puts back the one as read.
    setlength(newbody, 1, result_.body.size());
    if (!result_.body.empty()) std::memcpy(newbody, result_.body.data(), result_.body.size());
}

void Tswftag_definejpeg::fillother() {
    if (colormapped) {
        if (mappedrepacked_) ++CCimagestats.repacked;
        else Tswftag_define::fillother();
        return;
    }
    const int outcode = result_.outcode;
    const bool belowfloor = result_.belowfloor, samepixels = result_.samepixels;
    const bool asread = result_.asread;
    encoded_ = false;
    result_ = Tbitmapresult{};
    bool cropped = cropwidth_ != canvaswidth || cropheight_ != canvasheight;
    if (belowfloor || asread || length(newbody) > length(rawbody)) {
        bytearrayreplace(newbody, rawbody, 0, -1);
        ++(belowfloor ? CCimagestats.keptquality : CCimagestats.keptlonger);
        cropped = false;
    } else if (samepixels) {
        outcode_ = uint16_t(outcode);
        ++CCimagestats.repacked;
    } else {
        outcode_ = uint16_t(outcode);
        scaleratiox = double(targetwidth_) / cropwidth_;
        scaleratioy = double(targetheight_) / cropheight_;
        ++CCimagestats.reencoded;
        if (targetwidth_ != cropwidth_ || targetheight_ != cropheight_) ++CCimagestats.shrunk;
    }
    if (cropped) ++CCimagestats.cropped;
    if (TBITMAPREC* rec = bitmaprec(characterid)) {
        rec->ImageScaleX = scaleratiox;
        rec->ImageScaleY = scaleratioy;
        rec->CropX = cropped ? cropx_ : 0;
        rec->CropY = cropped ? cropy_ : 0;
    }
}
