#include "app/settings/presettable.h"

#include <strings.h>

namespace {

Tparams preset(int aio, int forcezip, int maxccr, int penopt, int forcestraight, int curangle, int hifi, int audioq,
               int videoq, int videocb) {
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

const Tpreset table[] = {
    //                aio zip ccr pen str ang hifi aq vq  vcb
    {"Best", preset(0, 0, 32, 0, 0, 1, 1, 0, 0, 120)},
    {"Good", preset(1, 10, 32, 1, 1, 2, 1, 1, 1, 120)},
    {"Basic", preset(2, 15, 22, 1, 1, 2, 0, 2, 2, 120)},
    {"Medium", preset(3, 15, 32, 1, 1, 2, 0, 3, 3, 120)},
    {"Sprite", preset(3, 20, 32, 1, 1, 2, 0, 1, 2, 112)},
    {"Custom", preset(4, 10, 32, 1, 1, 1, 1, 0, 2, 200)},
};

}  // namespace

const Tpreset* presettable(int& count) {
    count = int(sizeof table / sizeof table[0]);
    return table;
}

const Tpreset* findpreset(const std::string& name) {
    for (const auto& p : table)
        if (strcasecmp(p.name, name.c_str()) == 0) return &p;
    return nullptr;
}
