#include "settings/swfinfo.h"

#include <cstring>

namespace {

const char* const names[QSWFInfo::FIELD_COUNT] = {
    "ImgPmps_x",    "ImgPmps_y",    "Img_Dqc",      "Img_Dm",       "Img_Ftoj",
    "Img_Diia",     "Img_Icso",     "Img_Iaco",     "Img_Aio",      "Img_CustomPV",
    "Img_ForceZip", "Sha_IO",       "Sha_MaxCCR",   "Sha_AutoCCR",  "Sha_ForceCCR",
    "Sha_FontCCR",  "Sha_Imo",      "Sha_Idup",     "Sha_PenOpt",   "Sha_PenAngle",
    "Sha_ForceStraight", "Sha_ForceStraightValue", "Sha_ForceCurAngle", "Sha_FontHifi", "Sha_Hifi",
    "Audio_e",      "Audio_q",      "Audio_s",      "Audio_b",      "Audio_Mono",
    "VideoPmps_x",  "VideoPmps_y",  "Video_q",      "Video_CB",     "Check_Shape",
    "Check_Image",  "Check_Sound",  "Check_Font",   "Check_AS",     "Check_Video",
};

// The int fields by Tparams index; the two boolean fields have no entry.
int QSWFInfo::* const members[QSWFInfo::FIELD_COUNT] = {
    &QSWFInfo::ImgPmps_x,    &QSWFInfo::ImgPmps_y,    &QSWFInfo::Img_Dqc,      &QSWFInfo::Img_Dm,
    &QSWFInfo::Img_Ftoj,     &QSWFInfo::Img_Diia,     &QSWFInfo::Img_Icso,     &QSWFInfo::Img_Iaco,
    &QSWFInfo::Img_Aio,      &QSWFInfo::Img_CustomPV, &QSWFInfo::Img_ForceZip, &QSWFInfo::Sha_IO,
    &QSWFInfo::Sha_MaxCCR,   &QSWFInfo::Sha_AutoCCR,  &QSWFInfo::Sha_ForceCCR, &QSWFInfo::Sha_FontCCR,
    nullptr,                 nullptr,                 &QSWFInfo::Sha_PenOpt,   &QSWFInfo::Sha_PenAngle,
    &QSWFInfo::Sha_ForceStraight, &QSWFInfo::Sha_ForceStraightValue, &QSWFInfo::Sha_ForceCurAngle,
    &QSWFInfo::Sha_FontHifi, &QSWFInfo::Sha_Hifi,     &QSWFInfo::Audio_e,      &QSWFInfo::Audio_q,
    &QSWFInfo::Audio_s,      &QSWFInfo::Audio_b,      &QSWFInfo::Audio_Mono,   &QSWFInfo::VideoPmps_x,
    &QSWFInfo::VideoPmps_y,  &QSWFInfo::Video_q,      &QSWFInfo::Video_CB,     &QSWFInfo::Check_Shape,
    &QSWFInfo::Check_Image,  &QSWFInfo::Check_Sound,  &QSWFInfo::Check_Font,   &QSWFInfo::Check_AS,
    &QSWFInfo::Check_Video,
};

constexpr int IMO = 16, IDUP = 17;

// Which of fields 34-39 holds the flag of each TResType.
int QSWFInfo::* checkfield(TResType kind) {
    switch (kind) {
    case RES_IMAGE: return &QSWFInfo::Check_Image;
    case RES_SHAPE: return &QSWFInfo::Check_Shape;
    case RES_SOUND: return &QSWFInfo::Check_Sound;
    case RES_VIDEO: return &QSWFInfo::Check_Video;
    case RES_FONT: return &QSWFInfo::Check_Font;
    case RES_AS: return &QSWFInfo::Check_AS;
    default: return nullptr;
    }
}

}  // namespace

QSWFInfo::QSWFInfo() {
    for (int i = 0; i < FIELD_COUNT; ++i) setField(i, 0);
    Img_Dqc = Img_Dm = Img_Ftoj = Img_Diia = 1;
    Img_Aio = 2;
    Img_CustomPV = 70;
    Sha_MaxCCR = 32;
    Sha_ForceCCR = Sha_FontCCR = 20;
    Sha_Imo = Sha_Idup = true;
    Sha_PenOpt = 1;
    Sha_PenAngle = 20;
    Sha_ForceStraight = Sha_ForceStraightValue = Sha_ForceCurAngle = Sha_FontHifi = 1;
    Audio_q = 2;
    Audio_s = 11;
    Audio_b = 16;
    Audio_Mono = 1;
    Video_q = 2;
    Video_CB = 32;
}

bool QSWFInfo::isKindChecked(TResType kind) const {
    auto m = checkfield(kind);
    return m && this->*m != 0;
}

void QSWFInfo::setKindChecked(TResType kind, bool checked) {
    if (auto m = checkfield(kind)) this->*m = checked ? 1 : 0;
}

int QSWFInfo::field(int i) const {
    if (i == IMO) return Sha_Imo ? 1 : 0;
    if (i == IDUP) return Sha_Idup ? 1 : 0;
    if (i < 0 || i >= FIELD_COUNT) return 0;
    return this->*members[i];
}

void QSWFInfo::setField(int i, int value) {
    if (i == IMO) Sha_Imo = value != 0;
    else if (i == IDUP) Sha_Idup = value != 0;
    else if (i >= 0 && i < FIELD_COUNT) this->*members[i] = value;
}

const char* QSWFInfo::fieldName(int i) { return i >= 0 && i < FIELD_COUNT ? names[i] : ""; }

void QSWFInfo::setParams(const Tparams& p) {
    static_assert(sizeof(Tparams) == QSWFInfo::FIELD_COUNT * sizeof(int32_t));
    int32_t v[FIELD_COUNT];
    std::memcpy(v, &p, sizeof v);
    for (int i = 0; i < 34; ++i) setField(i, v[i]);
}

void CopySWfInfoToCompress(const QSWFInfo* info, Tparams& params) {
    if (!info) return;
    int32_t v[QSWFInfo::FIELD_COUNT];
    std::memcpy(v, &params, sizeof v);
    for (int i = 0; i < 34; ++i) v[i] = info->field(i);
    std::memcpy(&params, v, sizeof v);
    params.Skip_Shape = info->Check_Shape ? 0 : 1;
    params.Skip_Image = info->Check_Image ? 0 : 1;
    params.Skip_Sound = info->Check_Sound ? 0 : 1;
    params.Skip_Font = info->Check_Font ? 0 : 1;
    params.Skip_AS = 0;
    params.Skip_Video = info->Check_Video ? 0 : 1;
}
