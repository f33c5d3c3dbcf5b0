// One named settings record: every compression choice of a file or preset.
#pragma once
#include <QString>

#include "core/params.h"
#include "settings/schema.h"
#include "main/constants.h"

class QShrinkwell;

class QSWFInfo {
public:
    // The values of a new record (before a preset is copied into it).
    QSWFInfo();

    QShrinkwell* owner = nullptr;
    QString name;
    int isDelete = 0;  // 1 for user records: they can be overwritten and deleted

    // The Tparams fields, in Tparams order.
    int ImgPmps_x, ImgPmps_y;
    int Img_Dqc, Img_Dm, Img_Ftoj, Img_Diia, Img_Icso, Img_Iaco;
    int Img_Aio, Img_CustomPV, Img_ForceZip;
    int Sha_IO, Sha_MaxCCR, Sha_AutoCCR, Sha_ForceCCR, Sha_FontCCR;
    bool Sha_Imo, Sha_Idup;
    int Sha_PenOpt, Sha_PenAngle;
    int Sha_ForceStraight, Sha_ForceStraightValue, Sha_ForceCurAngle;
    int Sha_FontHifi, Sha_Hifi;
    int Audio_e, Audio_q, Audio_s, Audio_b, Audio_Mono;
    int VideoPmps_x, VideoPmps_y, Video_q, Video_CB;
    // Fields 34-39 by kind: 1 = the kind is checked (Tparams carries the inverse).
    int checked[RES_COUNT] = {};

    // Per resource kind, indexed by TResType.
    struct Kind {
        int srcsize = 0;  // bytes, from the engine's resource list
        int dstsize = 0;
        int rate = 0;     // the kind's compression-rate slider
    };
    Kind kinds[RES_COUNT];

    // The check flag of a kind, whatever field holds it.
    bool isKindChecked(TResType kind) const;
    void setKindChecked(TResType kind, bool checked);

    // Field i (0-39, Tparams order) as an integer, and back; Sha_Imo and
    // Sha_Idup become 1 for any non-zero value.
    static constexpr int FIELD_COUNT = 40;
    int field(int i) const;
    void setField(int i, int value);
    // The Tparams name of field i, also its element name in "custom.xml".
    static const char* fieldName(int i);
    // Fields 0-33 with every other part of the record left alone.
    void setParams(const Tparams& p);
};

// The engine's record for a file: fields 0-33 as they are, the kind flags
// inverted into the skip fields, Skip_AS always 0.
void CopySWfInfoToCompress(const QSWFInfo* info, Tparams& params);
