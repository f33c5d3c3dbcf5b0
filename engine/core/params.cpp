#include "params.h"

#include <cstring>

void paramssetdef(Tparams& p) {
    std::memset(&p, 0, sizeof p);
    p.Audio_q = 3;
    p.Sha_ForceCCR = 20;
    p.Sha_FontCCR = 20;
    p.Video_q = 2;
    p.Img_ForceZip = 0;
    p.Img_Aio = 0;
    p.Img_CustomPV = 75;
}
