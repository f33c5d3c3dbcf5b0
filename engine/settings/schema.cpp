#include "schema.h"

#include <strings.h>

#include <cstddef>
#include <cstring>

#define LEVEL(n) &Tparams::n
#define NOLEVEL nullptr
#define RECORD_ROW(n, kind, lo, hi, enginedef, recorddef, flags, level, option, offoption, label, shown) \
    {#n, &Tparams::n, lo, hi, enginedef, recorddef, flags, level, option, offoption, label, shown, kind},
#define SKIP_ROW(n, kind, option) \
    {#n, &Tparams::n, 0, 1, 0, 0, FIELD_BOOLEAN | FIELD_SKIP, nullptr, option, nullptr, nullptr, 0, kind},

constinit const Tfield paramfields[FIELD_COUNT] = {SETTINGS_RECORD_FIELDS(RECORD_ROW) SETTINGS_SKIP_FIELDS(SKIP_ROW)};

namespace {

// Rows in Tparams order, one for each field: a row out of place would store
// and set one member under another's name.
#define OFFSET_ROW(n, ...) offsetof(Tparams, n),
constexpr size_t offsets[] = {SETTINGS_RECORD_FIELDS(OFFSET_ROW) SETTINGS_SKIP_FIELDS(OFFSET_ROW)};
#undef OFFSET_ROW
constexpr bool inorder() {
    for (size_t i = 0; i < sizeof offsets / sizeof offsets[0]; ++i)
        if (offsets[i] != i * sizeof(int32_t)) return false;
    return true;
}
static_assert(sizeof offsets / sizeof offsets[0] == FIELD_COUNT && inorder());
static_assert(sizeof(Tparams) == FIELD_COUNT * sizeof(int32_t));
static_assert(offsetof(Tparams, Skip_Shape) == RECORD_FIELD_COUNT * sizeof(int32_t));

// The values every preset shares, then the ten by which they differ.
constexpr Tparams preset(int aio, int forcezip, int maxccr, int penopt, int forcestraight, int curangle, int hifi,
                         int audioq, int videoq, int videocb) {
    Tparams p{};
    p.Img_Dqc = p.Img_Dm = p.Img_Ftoj = p.Img_Diia = p.Img_Icso = p.Img_Iaco = 1;
    p.Img_Aio = aio;
    p.Img_CustomPV = 70;
    p.Img_ForceZip = forcezip;
    p.Sha_MaxCCR = maxccr;
    p.Sha_ForceCCR = 20;
    p.Sha_FontCCR = 20;
    p.Sha_Imo = p.Sha_Idup = 1;
    p.Sha_PenOpt = penopt;
    p.Sha_PenAngle = 20;
    p.Sha_ForceStraight = forcestraight;
    p.Sha_ForceStraightValue = 1;
    p.Sha_ForceCurAngle = curangle;
    p.Sha_FontHifi = 1;
    p.Sha_Hifi = hifi;
    p.Audio_e = 1;
    p.Audio_q = audioq;
    p.Audio_s = 11;
    p.Audio_b = 16;
    p.Audio_Mono = 1;
    p.Video_q = videoq;
    p.Video_CB = videocb;
    return p;
}

}  // namespace

constinit const Tpreset presets[PRESET_COUNT] = {
    //                aio zip ccr pen str ang hifi aq vq  vcb
    {"Best", preset(0, 0, 32, 0, 0, 1, 1, 0, 0, 120)},
    {"Good", preset(1, 10, 32, 1, 1, 2, 1, 1, 1, 120)},
    {"Basic", preset(2, 15, 22, 1, 1, 2, 0, 2, 2, 120)},
    {"Medium", preset(3, 15, 32, 1, 1, 2, 0, 3, 3, 120)},
    {"Sprite", preset(3, 20, 32, 1, 1, 2, 0, 1, 2, 112)},
    {"Custom", preset(4, 10, 32, 1, 1, 1, 1, 0, 2, 200)},
};

const Tpreset* findpreset(const std::string& name) {
    for (const auto& p : presets)
        if (strcasecmp(p.name, name.c_str()) == 0) return &p;
    return nullptr;
}

const Tfield& paramfield(int32_t Tparams::*member) {
    for (const Tfield& f : paramfields)
        if (f.member == member) return f;
    return paramfields[0];  // unreachable: every member has a row
}

const char* fieldwords(const Tfield& f) { return f.member == &Tparams::Audio_e ? "cbr|vbr|abr" : nullptr; }

bool fieldword(const Tfield& f, const std::string& word, int32_t& value) {
    const char* words = fieldwords(f);
    if (!words || word.empty()) return false;
    int32_t v = f.lo;
    for (const char* at = words;; ++v) {
        const char* end = std::strchr(at, '|');
        const size_t n = end ? size_t(end - at) : std::strlen(at);
        if (word.size() == n && strncasecmp(word.c_str(), at, n) == 0) {
            value = v;
            return true;
        }
        if (!end) return false;
        at = end + 1;
    }
}

void setresetdefaults(Tparams& p) {
    for (const Tfield& f : paramfields)
        if (f.flags & FIELD_RESET) p.*f.member = f.enginedefault;
}

void paramssetdef(Tparams& p) {
    std::memset(&p, 0, sizeof p);
    for (const Tfield& f : paramfields) p.*f.member = f.enginedefault;
}
