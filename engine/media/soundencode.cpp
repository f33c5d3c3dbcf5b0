#include "soundencode.h"

#include <algorithm>
#include <climits>

#include <zlib.h>

#include "../core/enginestate.h"
#include "../core/fileutil.h"
#include "../core/shellexec.h"

int CCsoundtimeout_base_ms = ksoundtimeoutbase_ms;

bool swfmp3rate(uint32_t hz) { return hz == 11025 || hz == 22050 || hz == 44100; }

uint8_t swfrateindex(uint32_t hz) { return hz == 11025 ? 1 : hz == 22050 ? 2 : 3; }

std::vector<std::string> getcmdparam_snd(const std::string& input, const std::string& output) {
    Tsoundsettings s;
    if (!soundsettings(CCparams, s)) return {};
    // The encoder takes the rate in kHz; written out here, since printf would
    // use the decimal comma of the desktop program's locale.
    const char* rate = s.ratehz == 11025 ? "11.025" : s.ratehz == 22050 ? "22.05" : "44.1";
    std::vector<std::string> args = {"--resample", rate};
    if (s.encoding == SOUND_VBR) args.insert(args.end(), {"-V", std::to_string(s.vbrquality)});
    // The encoder's own range of average bit rates.
    else if (s.encoding == SOUND_ABR) args.insert(args.end(), {"--abr", std::to_string(std::clamp(s.kbps, 8, 310))});
    else args.insert(args.end(), {"-b", std::to_string(s.kbps)});
    if (s.mono) args.push_back("-mm");
    // No LAME/Xing information frame: a player would play it as a frame of silence.
    args.push_back("-t");
    // A relative name starting with '-' would be read as an option.
    for (const std::string* path : {&input, &output})
        args.push_back(path->empty() || path->front() == '/' ? *path : "./" + *path);
    return args;
}

int soundfloorkbps(const Tsoundsettings& s) {
    // MPEG-1 at 32 kHz and up, MPEG-2 and 2.5 below.
    const uint16_t* rates = CCbitrate[s.ratehz >= 32000 ? 2 : 4];
    // Any frame, at any encoding, has at least the lowest; at constant bit
    // rate the encoder takes a frame rate near the one asked for, so at
    // least the one below it.
    int floor = rates[1];
    if (s.encoding == SOUND_CBR)
        for (int i = 1; i < 15; ++i)
            if (rates[i] <= s.kbps) floor = rates[i];
    return floor;
}

bool soundcanshrink(uint64_t bytes, double seconds) {
    Tsoundsettings s;
    if (!soundsettings(CCparams, s)) return false;
    if (!(seconds > 0)) return true;  // no length to judge by: let the encoder try
    return double(bytes) * 8 / seconds > soundfloorkbps(s) * 1000.0;
}

int soundtimeout_ms(double seconds) {
    if (!(seconds > 0)) seconds = 0;
    // The encoder runs many times faster than real time; twice the length of
    // the sound only stops one that hangs.
    const double ms = CCsoundtimeout_base_ms + 2000.0 * seconds;
    return ms > INT_MAX ? INT_MAX : int(ms);
}

namespace {
uint64_t deflatedsize(const unsigned char* data, uint32_t n) {
    if (!n) return 0;
    std::vector<unsigned char> out(compressBound(n));
    uLongf got = out.size();
    // Failure reads as incompressible.
    if (compress2(out.data(), &got, data, n, Z_DEFAULT_COMPRESSION) != Z_OK) return n;
    return got;
}
}  // namespace

bool soundsmaller(const unsigned char* before, uint32_t beforelen, const std::vector<uint8_t>& after, uint32_t extra) {
    if (uint64_t(after.size()) + extra >= beforelen) return false;
    return deflatedsize(after.data(), uint32_t(after.size())) + extra < deflatedsize(before, beforelen);
}

Tsoundencoder::Tsoundencoder() {
    std::string dir = CCtmpdir;
    if (dir.empty()) return;  // no place for the files: the sound stays as read
    // Unique names: sound jobs of other processes may share the folder.
    base_ = scratchname(dir, "tmpsound", "");
    wav_ = base_ + ".wav";
    mp3_ = base_ + ".mp3";
    out_ = scratchname(dir, "tmpsoundout", ".mp3");
    ready_ = toolavailable(CClame);
}

Tsoundencoder::~Tsoundencoder() {
    if (!base_.empty()) removeall();
}

void Tsoundencoder::removeall() {
    for (const std::string* name : {&wav_, &mp3_, &out_}) rmfile(name->c_str());
}

bool Tsoundencoder::encode(const std::string& input, double seconds, Tmp3enc_dec& result, const std::string& what) {
    result.loadfrombuf(nullptr, 0);
    if (!ready_ || input.empty() || !(seconds > 0)) return false;
    std::vector<std::string> args = getcmdparam_snd(input, out_);
    if (args.empty()) return false;
    rmfile(out_.c_str());
    const int timeout = soundtimeout_ms(seconds);
    const int status = shellexecute_argv(CClame, args, timeout);
    if (status != 0) {
        notetoolrun(what, "lame", status, timeout);
        return false;
    }
    // An encoder that gave up part-way through must not shorten the sound.
    const bool usable = fileexists(out_.c_str()) && filesize(out_.c_str()) > 0 && result.loadfromfile(out_) != 0 &&
                        !result.mixed && swfmp3rate(result.samplingrate) && result.seconds() >= seconds * 0.98 - 0.05;
    if (!usable) notetooloutput(what, "lame");
    return usable;
}
