// The re-encoding of one bitmap as a self-contained piece of work: decode,
// scale and encode from data copied out of the tag, so that it can run on
// any thread without touching the engine's state.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "../settings/effective.h"

struct Tbitmapinput {
    int readcode = 0;   // DefineBits, DefineBitsLossless(2), DefineBitsJPEG2 or 3
    uint16_t id = 0;
    int width = 0;      // as the tag or the JPEG header gives it
    int height = 0;
    int format = 0;     // lossless tags
    std::vector<uint8_t> stream;     // repaired, self-contained JPEG stream (DefineBits, JPEG2, JPEG3)
    std::vector<uint8_t> alphadata;  // DefineBitsJPEG3: the zlib-compressed alpha plane
    std::vector<uint8_t> packed;     // lossless tags: the zlib-compressed pixels
    // Above 0: only this rectangle of the bitmap is kept, and newwidth and
    // newheight are its size after scaling. JPEG data is cut on its MCU grid.
    int cropx = 0, cropy = 0, cropwidth = 0, cropheight = 0;
    int newwidth = 0;
    int newheight = 0;
    int quality = 90;
    // Above 0: the new JPEG is taken only when its luma SSIM against the
    // scaled picture it was encoded from is at least this.
    double minssim = 0;
    // Length of the tag body as read: a new body longer than this is not
    // taken anyway, so it is not measured.
    size_t bodyasread = SIZE_MAX;
    std::vector<uint8_t> jpegasread;  // DefineBitsJPEG3: the JPEG data as the tag holds it
    // Beside re-encoding, what may be tried (the image fields of the settings).
    bool optimizejpeg = false;       // JPEGs rewritten losslessly, without metadata
    bool forcejpeg = true;           // lossless bitmaps may become JPEGs
    bool cleartransparent = false;   // the colour under alpha 0 is free
    bool choosesubsampling = false;  // 4:2:0 where the colour planes allow it
    bool trimalpha = false;          // near-opaque and near-clear alpha snapped, opaque planes dropped
};

struct Tbitmapresult {
    bool ok = false;
    int outcode = 0;              // DefineBitsJPEG2 or DefineBitsJPEG3
    // Why ok is false.
    enum Tfailure { NONE = 0, DECODE, ALPHA, PIXELS, ENCODE, MEMORY } failure = NONE;
    std::vector<uint8_t> body;    // the whole new tag body, character id first
    // ok, but the new JPEG fell below the input's minssim: body is empty and
    // the bitmap is kept as read.
    bool belowfloor = false;
    double ssim = -1;             // measured when minssim asked for it
    // ok: body holds every pixel as read, at its size (rewritten without loss).
    bool samepixels = false;
    // ok, but nothing smaller was found: body is empty and the bitmap is
    // kept as read.
    bool asread = false;
};

// Never throws; a failure of any step gives ok = false.
Tbitmapresult encodebitmap(const Tbitmapinput& in);

struct Tsizerule {
    double stageratiox = 1.0, stageratioy = 1.0;  // maximum player size / stage
    double maxscalex = 0.0, maxscaley = 0.0;      // largest display scale, 1.0 = natural size
    int forcezip = 0;                             // further reduction in percent
    bool keepsize = false;                        // the pixel size must not change
};

// The size a bitmap of width x height is re-encoded at: the largest at which
// it is shown, then reduced by the percentage; a side that would fall below 6
// pixels keeps its size, and nothing is enlarged.
void imagetarget(int width, int height, const Tsizerule& rule, int& newwidth, int& newheight);

// The least SSIM a re-encoded bitmap must keep at an image quality level;
// 0 = no floor.
double imagessimfloor(int level);
