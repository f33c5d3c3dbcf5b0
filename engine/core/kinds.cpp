#include "kinds.h"

constinit const Tkindname kindnames[KIND_COUNT] = {
    {"Image", "Image", "Image", "image", &Tparams::Skip_Image},
    {"Shape", "Shape", "Shape", "shape", &Tparams::Skip_Shape},
    {"Sound", "Sound", "Sound", "sound", &Tparams::Skip_Sound},
    {"Flv", "Video", "Video", "video", &Tparams::Skip_Video},
    {"Font", "Font", "Font", "font", &Tparams::Skip_Font},
    {"AS", "AS", "As", "as", &Tparams::Skip_AS},
};

bool kindskipped(int kind, const Tparams& p) {
    return kind >= 0 && kind < KIND_COUNT && kind != KIND_AS && p.*kindnames[kind].skip;
}
