// The record that carries every compression choice into the engine.
#pragma once
#include <cstdint>

struct Tparams {
    int32_t ImgPmps_x, ImgPmps_y;
    int32_t Img_Dqc, Img_Dm, Img_Ftoj, Img_Diia, Img_Icso, Img_Iaco;
    int32_t Img_Aio, Img_CustomPV, Img_ForceZip;
    int32_t Sha_IO, Sha_MaxCCR, Sha_AutoCCR, Sha_ForceCCR, Sha_FontCCR;
    int32_t Sha_Imo, Sha_Idup, Sha_PenOpt, Sha_PenAngle;
    int32_t Sha_ForceStraight, Sha_ForceStraightValue, Sha_ForceCurAngle;
    int32_t Sha_FontHifi, Sha_Hifi;
    int32_t Audio_e, Audio_q, Audio_s, Audio_b, Audio_Mono;
    int32_t VideoPmps_x, VideoPmps_y, Video_q, Video_CB;
    int32_t Skip_Shape, Skip_Image, Skip_Sound, Skip_Font, Skip_AS, Skip_Video;
};
static_assert(sizeof(Tparams) == 160, "Tparams is 40 signed 32-bit fields");

// All zero but for the engine defaults of the field table (settings/schema.h).
void paramssetdef(Tparams& p);
