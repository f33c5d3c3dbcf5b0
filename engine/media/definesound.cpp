#include "definesound.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "../core/fileutil.h"

#include "adpcm.h"
#include "soundencode.h"
#include "wavwriter.h"

using namespace pascal_com;

Tswftag_definesound::~Tswftag_definesound() {
    work_ = Twork();  // ended before the data it works on goes
    setlength(sounddata, 1, 0);
}

void Tswftag_definesound::doparse() {
    Tswftag_define::doparse();
    UBparse(4, SoundFormat);
    UBparse(2, SoundRate);
    UBparse(1, SoundSize);
    UBparse(1, SoundType);
    U32parse(SoundSampleCount);
    Tbitarrayparse(sounddata, parseleft());
    seeksamples = 0;
}

void Tswftag_definesound::startwork() {
    if (SoundFormat == 1 || SoundFormat == 2) work_ = Twork([this] { procsound(); });
}

void Tswftag_definesound::fillfromstru() {
    Tswftag_define::fillfromstru();
    if (work_.valid()) work_.finish();
    else procsound();
    UBfill(4, SoundFormat);
    UBfill(2, SoundRate);
    UBfill(1, SoundSize);
    UBfill(1, SoundType);
    U32fill(SoundSampleCount);
    Tbitarrayfill(sounddata);
    endfill();
}

void Tswftag_definesound::savetofile(const std::string& base) {
    filename.clear();
    fileseconds = 0;
    filerate = 0;
    fileskip = 0;
    const uint32_t n = length(sounddata);
    if (SoundFormat == 1) {
        unsigned char* pcm = nullptr;
        const uint32_t frames = adpcmtopcm(sounddata, n, SoundType, SoundSampleCount, pcm);
        const std::string name = base + ".wav";
        const uint32_t rate = CCintrate[SoundRate & 3];
        // Decoded ADPCM is 16-bit whatever SoundSize says.
        if (frames && wavesave(name, pcmformat(SoundType + 1, rate, 16), pcm, length(pcm))) {
            filename = name;
            fileseconds = double(frames) / rate;
            filerate = rate;
        }
        setlength(pcm, 1, 0);
    } else if (SoundFormat == 2 && n > 2) {
        seeksamples = int16_t(sounddata[0] | sounddata[1] << 8);
        Tmp3enc_dec walk;
        walk.loadfrombuf(sounddata + 2, n - 2);
        const std::string name = base + ".mp3";
        if (walk.framecount && dump2tofile(false, name.c_str(), sounddata, -1, 2, int(n) - 1)) {
            filename = name;
            fileseconds = walk.seconds();
            filerate = walk.samplingrate;
            // The encoder skips a decoder's delay, and with a LAME tag also the
            // delay it records, as players that read the tag do.
            fileskip = mp3lamedelay(sounddata + 2, n - 2) >= 0 ? 0 : CClamemp3skip;
        }
    }
}

void Tswftag_definesound::loadfrommp3(const Tmp3enc_dec& mp3, int16_t seek, uint32_t count) {
    seeksamples = seek;
    SoundFormat = 2;
    SoundRate = swfrateindex(mp3.samplingrate);
    SoundSize = 1;
    SoundType = mp3.last.channelmode == 3 ? 0 : 1;
    SoundSampleCount = count;
    setlength(sounddata, 1, mp3datalength(mp3));
    sounddata[0] = uint8_t(uint16_t(seeksamples));
    sounddata[1] = uint8_t(uint16_t(seeksamples) >> 8);
    std::copy(mp3.mp3data.begin(), mp3.mp3data.end(), sounddata + 2);
}

Tsoundtiming reencodedtiming(uint32_t oldrate, uint32_t newrate, int16_t oldseek, int encoderskip, uint32_t oldcount) {
    const double scale = oldrate ? double(newrate) / oldrate : 1.0;
    const double seek = std::round(CClamedelay + (double(oldseek) - encoderskip) * scale);
    // A player skips at most what SeekSamples holds; read unsigned by some,
    // signed by others, so only 0 to 32767 means the same to all.
    Tsoundtiming t;
    t.seek = int16_t(std::clamp(seek, 0.0, double(INT16_MAX)));
    t.count = uint32_t(std::clamp(std::round(oldcount * scale), 0.0, double(UINT32_MAX)));
    return t;
}

void Tswftag_definesound_opt::procsound() {
    if (SoundFormat != 1 && SoundFormat != 2) return;
    Tsoundencoder encoder;
    if (!encoder.ready()) return;
    savetofile(encoder.base());
    Tmp3enc_dec mp3;
    if (filename.empty() || !soundcanshrink(length(sounddata), fileseconds) ||
        !encoder.encode(filename, fileseconds, mp3, "sound " + std::to_string(characterid)))
        return;
    const int16_t oldseek = SoundFormat == 2 ? seeksamples : int16_t(0);
    const Tsoundtiming t = reencodedtiming(filerate, mp3.samplingrate, oldseek, fileskip, SoundSampleCount);
    // Frames after the declared end are never played.
    mp3.keepsamples(uint32_t(std::min<uint64_t>(uint64_t(t.seek) + t.count, UINT32_MAX)));
    if (soundsmaller(sounddata, length(sounddata), mp3.mp3data, 2)) loadfrommp3(mp3, t.seek, t.count);
}
