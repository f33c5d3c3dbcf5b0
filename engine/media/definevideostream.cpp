#include "definevideostream.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "../core/enginestate.h"
#include "../core/fileutil.h"
#include "../core/shellexec.h"

using namespace pascal_com;

int32_t Cflvtimeoutbase_ms = kflvtimeoutbase_ms;

namespace {

// Streams by character id, and every stream tag that exists: a VideoFrame
// keeps the stream it was collected into and must not use it once the tag
// list that held it is gone.
std::unordered_map<uint16_t, Tswftag_definevideostream*>& streamsbyid() {
    static std::unordered_map<uint16_t, Tswftag_definevideostream*> m;
    return m;
}
std::unordered_set<const Tswftag_definevideostream*>& livestreams() {
    static std::unordered_set<const Tswftag_definevideostream*> s;
    return s;
}

std::unordered_map<uint16_t, int32_t>& orphanframes() {
    static std::unordered_map<uint16_t, int32_t> m;
    return m;
}

bool hasalpha(uint8_t codec) { return codec == 5; }

}  // namespace

bool swfvideocodec(uint8_t codec) { return codec >= 2 && codec <= 5; }

// Sorenson H.263, screen video, VP6, VP6 with alpha, screen video 2.
bool flvdecodable(uint8_t codec) { return codec >= 2 && codec <= 6; }

double flvssimfloor() { return CCparams.Video_q == 0 ? 0.95 : 0.0; }

namespace {
// Crops VP6 pictures to the declared size; empty for other codecs.
std::string cropfilter(uint8_t codec, uint16_t width, uint16_t height) {
    if (!flv::hasadjustbyte(codec) || !width || !height) return {};
    const std::string w = std::to_string(width), h = std::to_string(height);
    return "crop=w='min(iw," + w + ")':h='min(ih," + h + ")':x=0:y=0";
}

// Scales pictures down to the largest player size, or "" when they fit.
std::string scalefilter(uint16_t width, uint16_t height) {
    uint16_t w = width, h = height;
    flvpicturesize(width, height, w, h);
    if (w == width && h == height) return {};
    return "scale=" + std::to_string(w) + ":" + std::to_string(h);
}

// Joins two filters of one chain; "" stands for none.
std::string chain(const std::string& a, const std::string& b) { return a.empty() || b.empty() ? a + b : a + "," + b; }

// Backslash before each of specials, the way filter strings quote.
std::string escaped(const std::string& s, const char* specials) {
    std::string r;
    for (char c : s) {
        if (c && std::strchr(specials, c)) r += '\\';
        r += c;
    }
    return r;
}
}  // namespace

void flvpicturesize(uint16_t width, uint16_t height, uint16_t& w, uint16_t& h) {
    w = width;
    h = height;
    const int32_t maxw = CCparams.VideoPmps_x, maxh = CCparams.VideoPmps_y;
    double f = 1.0;
    if (maxw > 0 && width > maxw) f = std::min(f, double(maxw) / width);
    if (maxh > 0 && height > maxh) f = std::min(f, double(maxh) / height);
    if (!width || !height || f >= 1.0) return;
    // Even sizes: the transcoder's 4:2:0 pictures halve both.
    auto even = [f](uint16_t n) { return uint16_t(std::max(2, int(n * f / 2) * 2)); };
    w = even(width);
    h = even(height);
}

std::vector<std::string> getcmdparam_ssim(const std::string& a, const std::string& b, const std::string& stats,
                                          uint8_t codec, uint16_t width, uint16_t height) {
    std::string crop = cropfilter(codec, width, height);
    if (crop.empty()) crop = "null";
    // Smaller pictures are compared as players show them: scaled up to the stream's size.
    std::string back = "null";
    if (!scalefilter(width, height).empty()) back = "scale=" + std::to_string(width) + ":" + std::to_string(height);
    // The name is an option value inside a filter graph: quoted for both.
    const std::string file = escaped(escaped(stats, "\\':"), "\\'[],;");
    return {"-nostdin", "-hide_banner", "-loglevel", "error", "-f", "flv", "-i", "file:" + a, "-f", "flv", "-i",
            "file:" + b, "-lavfi",
            // shortest: a picture that fails to decode on either side shortens the count.
            "[0:v:0]" + crop + "[a];[1:v:0]" + (back == "null" ? crop : back) +
                "[b];[a][b]ssim=shortest=1:stats_file=" + file,
            "-f", "null",
            "-"};
}

bool readssimstats(const std::string& text, std::vector<double>& out) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        size_t at = line.find(" Y:");
        if (at == std::string::npos) at = line.find(" All:");
        if (at == std::string::npos) return false;
        const char* start = line.c_str() + line.find(':', at) + 1;
        char* end = nullptr;
        const double v = std::strtod(start, &end);
        if (end == start) return false;
        out.push_back(v);
    }
    return true;
}

int32_t flvbitrate() { return flvbitrate(CCparams); }

std::vector<std::string> getcmdparam_flv(const std::string& input, const std::string& output, uint8_t codec,
                                         uint16_t width, uint16_t height) {
    const int64_t rate = flvbitrate();
    std::vector<std::string> a = {"-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "flv", "-i", "file:" + input,
                                  "-map", "0:v:0", "-an", "-sn", "-dn",
                                  // One picture out for every picture in, at its own timestamp: the
                                  // pictures go back into VideoFrame tags one for one.
                                  "-fps_mode", "passthrough", "-c:v", "flv", "-b", std::to_string(rate) + "k",
                                  // Without a buffer limit the rate control spends several times the
                                  // rate on the first key frames, which is all a short stream has.
                                  "-maxrate", std::to_string(rate) + "k", "-bufsize", std::to_string(2 * rate) + "k"};
    // VP6 codes whole macroblocks; players show only the declared size from
    // the top left, and the new codec must not show the padding.
    const std::string filters = chain(cropfilter(codec, width, height), scalefilter(width, height));
    if (!filters.empty()) a.insert(a.end(), {"-vf", filters});
    // "file:" keeps a name beginning with '-' or holding ':' a plain file name.
    a.insert(a.end(), {"-f", "flv", "file:" + output});
    return a;
}

int flvtimeout_ms(uint32_t frames, uint64_t bytes) {
    const uint64_t t = uint64_t(Cflvtimeoutbase_ms > 0 ? Cflvtimeoutbase_ms : 0) + uint64_t(frames) * 250 + bytes / 1000;
    return t > uint64_t(INT_MAX) ? INT_MAX : int(t);
}

Tswftag_definevideostream* Tswftag_definevideostream::find(uint16_t id) {
    auto it = streamsbyid().find(id);
    return it == streamsbyid().end() ? nullptr : it->second;
}

bool Tswftag_definevideostream::alive(const Tswftag_definevideostream* stream) {
    return stream && livestreams().count(stream);
}

void Tswftag_definevideostream::countorphanframe(uint16_t id, int delta) {
    auto& m = orphanframes();
    if ((m[id] += delta) <= 0) m.erase(id);
}

Tswftag_definevideostream::~Tswftag_definevideostream() {
    work_ = Twork();  // ended before the frames it works on go
    livestreams().erase(this);
    auto it = streamsbyid().find(characterid);
    if (it != streamsbyid().end() && it->second == this) streamsbyid().erase(it);
}

void Tswftag_definevideostream::doparse() {
    Tswftag_define::doparse();
    NumFrames = U16parse();
    Width = U16parse();
    Height = U16parse();
    VideoFlagsReserved = uint8_t(UBparse(4));
    VideoFlagsDeblocking = uint8_t(UBparse(3));
    VideoFlagsSmoothing = uint8_t(UBparse(1));
    CodecID = U8parse();
    codecasread_ = CodecID;
    if (orphanframes().count(characterid)) uncollected_ = true;
    livestreams().insert(this);
    streamsbyid()[characterid] = this;
}

void Tswftag_definevideostream::startwork() {
    if (framecounter) work_ = Twork([this] { fileproc(); });
}

void Tswftag_definevideostream::fillfromstru() {
    Tswftag_define::fillfromstru();
    if (work_.valid()) work_.finish();
    else fileproc();
    try {
        beginfill(8);
        U16fill(NumFrames);
        U16fill(Width);
        U16fill(Height);
        UBfill(4, VideoFlagsReserved);
        UBfill(3, VideoFlagsDeblocking);
        UBfill(1, VideoFlagsSmoothing);
        U8fill(CodecID);
        endfill();
    } catch (...) {
        // Written as read, so its frames must be too.
        unload();
        throw;
    }
}

int32_t Tswftag_definevideostream::putdata(const unsigned char* data, uint32_t n) {
    // Spaced as at 20 frames a second, whatever the movie's rate: the
    // bitrate is spread over the frames evenly either way.
    collected_.putvideo(uint32_t(framecounter) * 50, 1, codecasread_, data, n);
    collectedbytes_ += n;
    return framecounter++;
}

bool Tswftag_definevideostream::savetofile(const char* path) {
    if (!collected_.size()) return false;
    filename = path;
    return collected_.savetofile(path);
}

bool Tswftag_definevideostream::loadfromfile(const char* path) {
    notsmaller_ = false;
    Tflvfile file;
    std::vector<Tflvvideo> pictures;
    if (!file.loadfromfile(path) || !file.videotags(pictures)) return false;
    // One picture per frame, or the frames would show the wrong pictures
    // or old pictures under the new codec.
    if (pictures.empty() || pictures.size() != size_t(framecounter)) return false;
    const uint8_t codec = pictures[0].codec;
    if (!swfvideocodec(codec) || (hasalpha(codecasread_) && !hasalpha(codec))) return false;
    uint64_t sum = 0;
    for (const Tflvvideo& v : pictures) {
        if (v.codec != codec || v.size == 0) return false;
        sum += v.size;
    }
    if (sum >= collectedbytes_) {
        notsmaller_ = true;
        return false;
    }
    std::swap(transcoded_.tagdata, file.tagdata);
    pictures_ = std::move(pictures);
    loaded = 1;
    CodecID = codec;
    return true;
}

uint8_t Tswftag_definevideostream::getdata(int32_t index, unsigned char*& out) const {
    if (!loaded || index < 0 || size_t(index) >= pictures_.size()) return 0;
    const Tflvvideo& v = pictures_[size_t(index)];
    bytearrayappendraw(out, transcoded_.tagdata + v.offset, v.size);
    return v.codec;
}

void Tswftag_definevideostream::unload() {
    loaded = 0;
    CodecID = codecasread_;
    transcoded_.clear();
    pictures_.clear();
}

void Tswftag_definevideostream_opt::fileproc() {
    unload();
    if (!framecounter || uncollected_ || !flvdecodable(codecasread_)) return;
    // No codec the transcoder writes has alpha: transparency would be lost.
    if (hasalpha(codecasread_) && !hasalpha(kflvoutcodec)) return;
    // A missing transcoder is said once for the whole run, by the front end.
    if (flvbitrate() <= 0 || !CCtmpdir[0] || !toolavailable(CCffmpeg)) return;
    // Unique names: video jobs of other processes may share the folder.
    const std::string in = scratchname(CCtmpdir, "tmpflv", ".flv");
    const std::string out = scratchname(CCtmpdir, "tmpflvout", ".flv");
    if (savetofile(in.c_str())) {
        const int timeout = flvtimeout_ms(uint32_t(framecounter), collected_.size());
        const int status = shellexecute_argv(CCffmpeg, getcmdparam_flv(in, out, codecasread_, Width, Height), timeout);
        if (status != 0) {
            notetoolrun(label(), "ffmpeg", status, timeout);
        } else if (loadfromfile(out.c_str())) {
            if (flvssimfloor() > 0 && !closetoasread(in, out)) unload();
        } else if (!notsmaller_) {
            notetooloutput(label(), "ffmpeg");
        }
    }
    rmfile(in.c_str());
    rmfile(out.c_str());
}

bool Tswftag_definevideostream_opt::closetoasread(const std::string& in, const std::string& out) const {
    const std::string stats = scratchname(CCtmpdir, "tmpflvssim", ".txt");
    const int timeout = flvtimeout_ms(uint32_t(framecounter), collected_.size());
    const int status =
        shellexecute_argv(CCffmpeg, getcmdparam_ssim(in, out, stats, codecasread_, Width, Height), timeout);
    std::stringstream text;
    {
        std::ifstream f(stats, std::ios::binary);
        if (f) text << f.rdbuf();
    }
    rmfile(stats.c_str());
    std::vector<double> values;
    if (status != 0) {
        notetoolrun(label(), "ffmpeg (quality check)", status, timeout);
        return false;
    }
    if (!readssimstats(text.str(), values) || values.size() != size_t(framecounter)) {
        notetooloutput(label(), "ffmpeg (quality check)");
        return false;
    }
    const double floor = flvssimfloor();
    for (double v : values)
        if (!(v >= floor)) return false;
    return true;
}
