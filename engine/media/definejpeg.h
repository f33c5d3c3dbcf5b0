// Every bitmap of a movie: DefineBits (6), DefineBitsLossless (20),
// DefineBitsJPEG2 (21), DefineBitsJPEG3 (35) and DefineBitsLossless2 (36).
// Parsing checks the image and registers it; writing re-encodes it as JPEG
// at the size the movie shows it and keeps the new body when not longer.
#pragma once
#include <cstdint>
#include <memory>

#include "../core/swftag.h"
#include "bitmapjob.h"
#include "bitmapuse.h"

class Timagebatch;

// The tables of the most recent JPEGTables tag with a body, of the movie
// being read; emptied when that movie's tags are freed (jpgtable.h).
extern unsigned char* JPGTABLE;

// What happened to the bitmaps since the last imagestatsclear().
struct Timagestats {
    int reencoded = 0;     // written as a new JPEG
    int repacked = 0;      // rewritten with every pixel as read, smaller
    int shrunk = 0;        // ... of which at fewer pixels
    int keptlonger = 0;    // the new body was longer
    int keptquality = 0;   // the new JPEG fell below the level's SSIM floor
    int keptfailed = 0;    // decoding or encoding failed when written
    int notjpeg = 0;       // PNG or GIF data in a JPEG tag
    int notrgb = 0;        // JPEG without 3 colour components, or unreadable
    int colormapped = 0;   // colour-mapped lossless
    int badheader = 0;     // other parse failures
    int keepsize[8] = {};  // by Tkeepsize reason
    int cropped = 0;       // written as the part its fills show
};
extern Timagestats CCimagestats;
void imagestatsclear();

class Tswftag_definejpeg : public Tswftag_define {
public:
    using Tswftag_define::Tswftag_define;
    ~Tswftag_definejpeg() override;

    uint8_t bitmapformat = 0;    // lossless: 3, 4 or 5
    uint16_t bitmapwidth = 0;    // lossless, from the tag
    uint16_t bitmapheight = 0;
    uint8_t colortablesize = 0;  // lossless format 3
    bytes_t jpegstream = nullptr;  // repaired, self-contained
    bytes_t alphadata = nullptr;   // DefineBitsJPEG3: compressed alpha plane as read
    int canvaswidth = 0;           // size of the decoded image
    int canvasheight = 0;
    double scaleratiox = 1.0;
    double scaleratioy = 1.0;
    bool colormapped = false;  // never re-encoded or registered; its pixels only packed again

    void doparse() override;
    void fillfromstru() override;
    void fillother() override;

    // True when the tag will be written with its code and body as read.
    bool writtenasread();
    uint16_t writtencode() const override { return outcode_ ? outcode_ : tagcode; }

private:
    friend void startimagebatch(uint32_t fromindex);
    friend class Tswftag_jpgtable;
    void ensureresult();
    bool repackmapped();
    bool encodable() const { return !keepraw && !colormapped; }
    // areas: what the fills of each bitmap can show, null when unknown.
    Tbitmapinput makeinput(const std::vector<uint8_t>& keepsize, const Tshownareas* areas);

    uint16_t outcode_ = 0;     // the code of the body last written
    uint32_t packedfrom_ = 0;  // where the compressed pixels (JPEG3: the JPEG data) begin in rawbody
    int targetwidth_ = 0;
    int targetheight_ = 0;
    int cropx_ = 0, cropy_ = 0;  // where the kept part starts; its size when cropped, else the canvas's
    int cropwidth_ = 0, cropheight_ = 0;
    int mcuwidth_ = 8, mcuheight_ = 8;  // JPEG data
    std::shared_ptr<Timagebatch> batch_;
    size_t slot_ = 0;
    bool encoded_ = false;
    bool mappedrepacked_ = false;  // newbody holds the whole body
    Tbitmapresult result_;
};

// Starts re-encoding every bitmap of the loaded tag list from this index on
// that has no result yet.
void startimagebatch(uint32_t fromindex);
// Index of a tag in the loaded tag list, -1 when it is not there. Cheap when
// asked in file order, as the writer does.
int64_t loadedtagindex(const Tswftag* t);
