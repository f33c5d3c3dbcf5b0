#include "effective.h"

#include <algorithm>

const int CCpressvaluelevel[4] = {90, 70, 60, 50};
const int CCsound_q[4][2] = {{44, 256}, {32, 128}, {16, 40}, {11, 16}};
const int32_t CCflv_ar[4] = {250, 150, 100, 80};

const Tlevelfield levelfields[LEVEL_FIELD_COUNT] = {
    {"image_level", &Tlevelvalues::imagelevel, SHOW_NUMBER},
    {"jpeg_quality", &Tlevelvalues::jpegquality, SHOW_NUMBER},
    {"sound_level", &Tlevelvalues::soundlevel, SHOW_NUMBER},
    {"sound_rate_hz", &Tlevelvalues::soundhz, SHOW_NULL_WHEN_ZERO},
    {"sound_kbps", &Tlevelvalues::soundkbps, SHOW_NULL_WHEN_ZERO},
    {"mono", &Tlevelvalues::soundmono, SHOW_BOOLEAN},
    {"sound_encoding", &Tlevelvalues::soundencoding, SHOW_NUMBER},
    {"sound_vbr_quality", &Tlevelvalues::soundvbr, SHOW_NULL_WHEN_NEGATIVE},
    {"video_level", &Tlevelvalues::videolevel, SHOW_NUMBER},
    {"video_kbps", &Tlevelvalues::videokbps, SHOW_NULL_WHEN_ZERO},
};

namespace {
bool tablelevel(int32_t level) { return level >= 0 && level < LEVEL_CUSTOM; }
}  // namespace

int imagequality(int level, int custom) {
    if (tablelevel(level)) return CCpressvaluelevel[level];
    return std::clamp(custom, 1, 100);
}

uint32_t snaprate(int khz) {
    const int64_t hz = int64_t(khz) * 1000;
    if (hz <= 11025) return 11025;
    if (hz <= 22050) return 22050;
    return 44100;
}

bool soundsettings(const Tparams& p, Tsoundsettings& s) {
    int khz, kbps;
    if (tablelevel(p.Audio_q)) {
        khz = CCsound_q[p.Audio_q][0];
        kbps = CCsound_q[p.Audio_q][1];
    } else {
        khz = p.Audio_s;
        kbps = p.Audio_b;
    }
    if (khz <= 0 || kbps <= 0 || kbps > 320) return false;
    s.ratehz = snaprate(khz);
    s.kbps = kbps;
    s.mono = p.Audio_Mono == 1;
    s.encoding = p.Audio_e == SOUND_VBR || p.Audio_e == SOUND_ABR ? p.Audio_e : SOUND_CBR;
    s.vbrquality = s.encoding == SOUND_VBR ? vbrquality(p.Audio_q, kbps) : -1;
    return true;
}

int vbrquality(int level, int kbps) {
    static const int bylevel[4] = {2, 4, 6, 7};
    if (tablelevel(level)) return bylevel[level];
    // The first row at or below the bit rate; the levels' own bit rates
    // (256, 128, 40, 16) give the levels' qualities.
    static const int rows[][2] = {{320, 0}, {288, 1}, {256, 2}, {192, 3}, {128, 4},
                                  {64, 5},  {40, 6},  {16, 7},  {12, 8}};
    for (const auto& r : rows)
        if (kbps >= r[0]) return r[1];
    return 9;
}

int32_t flvbitrate(const Tparams& p) {
    if (tablelevel(p.Video_q)) return CCflv_ar[p.Video_q];
    return p.Video_CB > 0 ? p.Video_CB : 0;
}

int shaperatio(const Tparams& p) { return std::clamp(p.Sha_ForceCCR, 1, 255); }

int32_t fontratio(const Tparams& p) { return p.Sha_FontCCR < 1 ? 1 : p.Sha_FontCCR; }

Tlevelvalues levelvalues(const Tparams& p) {
    Tlevelvalues v;
    v.imagelevel = p.Img_Aio;
    v.jpegquality = imagequality(p.Img_Aio, p.Img_CustomPV);
    v.soundlevel = p.Audio_q;
    Tsoundsettings s;
    v.soundok = soundsettings(p, s);
    if (v.soundok) {
        v.soundhz = int32_t(s.ratehz);
        v.soundkbps = s.kbps;
        v.soundmono = s.mono;
        v.soundencoding = s.encoding;
        v.soundvbr = s.vbrquality;
    }
    v.videolevel = p.Video_q;
    v.videokbps = flvbitrate(p);
    return v;
}
