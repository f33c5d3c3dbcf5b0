// DefineVideoStream (code 60): an embedded video whose pictures follow in
// VideoFrame tags, one per movie frame. The frames are collected into an FLV
// stream while the movie is read; when the stream tag is written the
// transcoder re-encodes that stream, and the VideoFrames written afterwards
// take their re-encoded pictures from here.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "../core/params.h"
#include "../settings/effective.h"
#include "../core/swftag.h"
#include "flvfile.h"
#include "workpool.h"

class Tswftag_definevideostream : public Tswftag_define {
public:
    using Tswftag_define::Tswftag_define;
    ~Tswftag_definevideostream() override;

    uint16_t NumFrames = 0;
    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t VideoFlagsReserved = 0;   // 4 bits
    uint8_t VideoFlagsDeblocking = 0; // 3 bits
    uint8_t VideoFlagsSmoothing = 0;  // 1 bit
    uint8_t CodecID = 0;              // what is written: the transcoded codec once taken
    std::string filename;             // the FLV last written for the transcoder
    int32_t loaded = 0;               // 1 while transcoded frames replace the frames as read
    int32_t framecounter = 0;         // frames collected

    void doparse() override;
    void fillfromstru() override;
    void fillother() override {}
    void startwork() override;
    virtual void fileproc() {}

    // Collects one frame as an FLV video tag; returns its index in the stream.
    int32_t putdata(const unsigned char* data, uint32_t n);
    // Writes the collected frames as an FLV file; false when there are none
    // or the file could not be written.
    bool savetofile(const char* path);
    // Takes a transcoded FLV: only a whole stream, with one picture for every
    // collected frame in one codec that SWF video can carry (with alpha when
    // the frames as read have alpha) and smaller in sum than the frames as
    // read. Otherwise nothing changes and false is returned.
    bool loadfromfile(const char* path);
    // Appends the transcoded picture of frame `index` to out and returns its
    // codec; 0 (out untouched) when that frame keeps its data as read.
    uint8_t getdata(int32_t index, unsigned char*& out) const;
    // Forgets transcoded frames: the stream and its frames are written as read.
    void unload();

    uint8_t codecasread() const { return codecasread_; }
    // The frame data as read, summed over the collected frames.
    uint64_t collectedbytes() const { return collectedbytes_; }
    // A VideoFrame naming this stream came before it: such a frame was not
    // collected, so the stream must keep the codec that frame is in.
    void markuncollected() { uncollected_ = true; }
    bool hasuncollected() const { return uncollected_; }

    // The stream a VideoFrame with this character id belongs to: the last
    // one read with that id; null when none has been read.
    static Tswftag_definevideostream* find(uint16_t id);
    // Whether stream is a stream tag that still exists.
    static bool alive(const Tswftag_definevideostream* stream);
    // Counts VideoFrames read before any stream with their id (delta +1 when
    // read, -1 when destroyed): a stream read later with that id keeps its codec.
    static void countorphanframe(uint16_t id, int delta);

protected:
    Tflvfile collected_;
    Tflvfile transcoded_;
    std::vector<Tflvvideo> pictures_;  // of transcoded_, one per collected frame when loaded
    uint8_t codecasread_ = 0;
    uint64_t collectedbytes_ = 0;
    bool uncollected_ = false;
    bool notsmaller_ = false;  // the last loadfromfile refused only for size
    Twork work_;               // fileproc run ahead
};

class Tswftag_definevideostream_opt : public Tswftag_definevideostream {
public:
    using Tswftag_definevideostream::Tswftag_definevideostream;
    // Transcodes the collected frames; on any failure the stream stays as read.
    void fileproc() override;

private:
    // Whether every transcoded frame keeps the SSIM floor against its frame
    // as read; false also when the comparison cannot be made.
    bool closetoasread(const std::string& in, const std::string& out) const;
    std::string label() const { return "video " + std::to_string(characterid); }
};

// The codec the transcoder is asked to write: Sorenson H.263. Of the codecs
// SWF video knows, the transcoder decodes all but writes only this one and
// screen video (lossless, so larger); none of them with alpha.
constexpr uint8_t kflvoutcodec = 2;
// Whether codec is one a DefineVideoStream can declare.
bool swfvideocodec(uint8_t codec);
// Whether the transcoder can read frames of this codec from FLV.
bool flvdecodable(uint8_t codec);

// The least SSIM (luma) every transcoded frame must keep at the video
// quality level the parameters select; 0 = no floor.
double flvssimfloor();
// The transcoder's arguments that decode a and b and write the SSIM of each
// pair of pictures to stats, one line a frame; pictures are cropped as the
// transcode crops them.
std::vector<std::string> getcmdparam_ssim(const std::string& a, const std::string& b, const std::string& stats,
                                          uint8_t codec, uint16_t width, uint16_t height);
// The frames' values from such a stats file: Y, or All when a line has no Y.
// False when a line gives no value.
bool readssimstats(const std::string& text, std::vector<double>& out);

// Bitrate in kbit/s the current parameters select; 0 when they select none.
int32_t flvbitrate();
// The size pictures of a width x height stream are transcoded at: within the
// largest player size (VideoPmps_x, VideoPmps_y; 0 = no limit), keeping the
// aspect. The stream keeps its declared size, and players scale the pictures
// up to it.
void flvpicturesize(uint16_t width, uint16_t height, uint16_t& w, uint16_t& h);
// The transcoder's arguments for input -> output, the stream's picture being
// width x height (0: unknown).
std::vector<std::string> getcmdparam_flv(const std::string& input, const std::string& output, uint8_t codec,
                                         uint16_t width, uint16_t height);
// Time limit for transcoding a stream of this many frames and bytes; a
// transcoder that takes longer is taken to hang.
int flvtimeout_ms(uint32_t frames, uint64_t bytes);
// Fixed part of that limit; tests shorten it.
constexpr int32_t kflvtimeoutbase_ms = 30000;
extern int32_t Cflvtimeoutbase_ms;
