// Every field of Tparams in one table: the name it is stored under, its range,
// its defaults, and how the front ends set and show it; and the built-in
// presets. The engine, the command line and the desktop program all read
// their field lists from here.
#pragma once
#include <cstdint>
#include <string>

#include "../core/kinds.h"
#include "../core/params.h"

// Flags of a field.
enum : unsigned {
    FIELD_STORED = 1,   // kept in "custom.xml"
    FIELD_BOOLEAN = 2,  // 0 or 1; set on the command line by an option without a value
    FIELD_LEVEL = 4,    // a quality level: 0..3 pick from a table, LEVEL_CUSTOM the custom values
    FIELD_RESET = 8,    // the one-call run writes its engine default over what was there
    FIELD_PAIRED = 16,  // shown right after the field before it, "W x H"
    FIELD_PERCENT = 32,
    FIELD_SKIP = 64,  // 1 = leave the field's kind as it was read
};

// The level a custom value needs to be used; levels 0..3 pick from a table.
constexpr int32_t LEVEL_CUSTOM = 4;

// X(name, kind, lo, hi, engine default, new record's value, flags, level field,
//   option, option that sets 0, label, place shown)
// lo..hi is what the front ends accept. The level field is that of a custom
// value: giving the value selects LEVEL_CUSTOM. The place shown is group * 10
// + order within the group, 0 for a field the settings line leaves out.
// Fields 0-33, the values of a settings record, in Tparams order:
#define SETTINGS_RECORD_FIELDS(X)                                                                                                                    \
    X(ImgPmps_x, KIND_IMAGE, 0, 100000, 0, 0, FIELD_STORED, NOLEVEL, "--max-width", nullptr, "player", 23)                                           \
    X(ImgPmps_y, KIND_IMAGE, 0, 100000, 0, 0, FIELD_STORED | FIELD_PAIRED, NOLEVEL, "--max-height", nullptr, "x", 24)                                \
    X(Img_Dqc, KIND_IMAGE, 0, 1, 0, 1, FIELD_STORED | FIELD_BOOLEAN, NOLEVEL, nullptr, nullptr, nullptr, 0)                                          \
    X(Img_Dm, KIND_IMAGE, 0, 1, 0, 1, FIELD_STORED | FIELD_BOOLEAN, NOLEVEL, "--delete-metadata", "--no-delete-metadata", nullptr, 0)                \
    X(Img_Ftoj, KIND_IMAGE, 0, 1, 1, 1, FIELD_STORED | FIELD_BOOLEAN, NOLEVEL, "--force-jpeg", "--no-force-jpeg", nullptr, 0)                        \
    X(Img_Diia, KIND_IMAGE, 0, 1, 0, 1, FIELD_STORED | FIELD_BOOLEAN, NOLEVEL, "--delete-invisible", "--no-delete-invisible", nullptr, 0)            \
    X(Img_Icso, KIND_IMAGE, 0, 1, 0, 0, FIELD_STORED | FIELD_BOOLEAN, NOLEVEL, "--smooth-colour", "--no-smooth-colour", nullptr, 0)                  \
    X(Img_Iaco, KIND_IMAGE, 0, 1, 0, 0, FIELD_STORED | FIELD_BOOLEAN, NOLEVEL, "--optimize-alpha", "--no-optimize-alpha", nullptr, 0)                \
    X(Img_Aio, KIND_IMAGE, 0, 4, 0, 2, FIELD_STORED | FIELD_LEVEL | FIELD_RESET, NOLEVEL, "--image-quality", nullptr, "image level", 21)             \
    X(Img_CustomPV, KIND_IMAGE, 0, 80, 75, 70, FIELD_STORED | FIELD_RESET, LEVEL(Img_Aio), "--jpeg-quality", nullptr, nullptr, 0)                    \
    X(Img_ForceZip, KIND_IMAGE, 0, 50, 0, 0, FIELD_STORED | FIELD_RESET | FIELD_PERCENT, NOLEVEL, "--zoom", nullptr, "zoom", 22)                     \
    X(Sha_IO, KIND_SHAPE, INT32_MIN, INT32_MAX, 0, 0, FIELD_STORED, NOLEVEL, nullptr, nullptr, nullptr, 0)                                           \
    X(Sha_MaxCCR, KIND_SHAPE, INT32_MIN, INT32_MAX, 0, 32, FIELD_STORED, NOLEVEL, nullptr, nullptr, nullptr, 0)                                      \
    X(Sha_AutoCCR, KIND_SHAPE, INT32_MIN, INT32_MAX, 0, 0, FIELD_STORED, NOLEVEL, nullptr, nullptr, nullptr, 0)                                      \
    X(Sha_ForceCCR, KIND_SHAPE, 1, 100, 20, 20, FIELD_STORED | FIELD_RESET, NOLEVEL, "--shape-ratio", nullptr, "shape ratio", 11)                    \
    X(Sha_FontCCR, KIND_FONT, 1, 32, 20, 20, FIELD_STORED | FIELD_RESET, NOLEVEL, "--font-ratio", nullptr, "font ratio", 12)                         \
    X(Sha_Imo, KIND_SHAPE, 0, 1, 0, 1, FIELD_STORED | FIELD_BOOLEAN, NOLEVEL, "--morph-shapes", "--no-morph-shapes", nullptr, 0)                     \
    X(Sha_Idup, KIND_SHAPE, 0, 1, 0, 1, FIELD_STORED | FIELD_BOOLEAN, NOLEVEL, "--delete-useless-points", "--no-delete-useless-points", nullptr, 0)  \
    X(Sha_PenOpt, KIND_SHAPE, 0, 1, 0, 1, FIELD_STORED | FIELD_BOOLEAN, NOLEVEL, "--simplify-lines", "--no-simplify-lines", nullptr, 0)              \
    X(Sha_PenAngle, KIND_SHAPE, 0, 180, 0, 20, FIELD_STORED, NOLEVEL, "--pen-angle", nullptr, nullptr, 0)                                            \
    X(Sha_ForceStraight, KIND_SHAPE, 0, 1, 0, 1, FIELD_STORED | FIELD_BOOLEAN, NOLEVEL, "--straighten-curves", "--no-straighten-curves", nullptr, 0) \
    X(Sha_ForceStraightValue, KIND_SHAPE, 0, 10, 0, 1, FIELD_STORED, NOLEVEL, "--straighten", nullptr, nullptr, 0)                                   \
    X(Sha_ForceCurAngle, KIND_SHAPE, 0, 2, 0, 1, FIELD_STORED, NOLEVEL, "--curve-merge", nullptr, nullptr, 0)                                        \
    X(Sha_FontHifi, KIND_FONT, 0, 1, 1, 1, FIELD_STORED | FIELD_BOOLEAN, NOLEVEL, "--quality-fonts", "--no-quality-fonts", nullptr, 0)               \
    X(Sha_Hifi, KIND_SHAPE, 0, 1, 0, 0, FIELD_STORED | FIELD_BOOLEAN, NOLEVEL, "--quality-shapes", "--no-quality-shapes", nullptr, 0)                \
    X(Audio_e, KIND_SOUND, 0, 2, 0, 0, FIELD_STORED, NOLEVEL, "--sound-encoding", nullptr, nullptr, 0)                                               \
    X(Audio_q, KIND_SOUND, 0, 4, 3, 2, FIELD_STORED | FIELD_LEVEL | FIELD_RESET, NOLEVEL, "--sound-quality", nullptr, "sound level", 31)             \
    X(Audio_s, KIND_SOUND, 1, 100, 0, 11, FIELD_STORED, LEVEL(Audio_q), "--sound-rate", nullptr, nullptr, 0)                                         \
    X(Audio_b, KIND_SOUND, 1, 250, 0, 16, FIELD_STORED, LEVEL(Audio_q), "--sound-bitrate", nullptr, nullptr, 0)                                      \
    X(Audio_Mono, KIND_SOUND, 0, 1, 0, 1, FIELD_BOOLEAN, NOLEVEL, "--mono", "--stereo", nullptr, 0)                                                  \
    X(VideoPmps_x, KIND_FLV, 0, 100000, 0, 0, FIELD_STORED, NOLEVEL, "--max-video-width", nullptr, "player", 42)                                     \
    X(VideoPmps_y, KIND_FLV, 0, 100000, 0, 0, FIELD_STORED | FIELD_PAIRED, NOLEVEL, "--max-video-height", nullptr, "x", 43)                          \
    X(Video_q, KIND_FLV, 0, 4, 2, 2, FIELD_STORED | FIELD_LEVEL | FIELD_RESET, NOLEVEL, "--video-quality", nullptr, "video level", 41)               \
    X(Video_CB, KIND_FLV, 1, 250, 0, 32, FIELD_STORED, LEVEL(Video_q), "--video-bitrate", nullptr, nullptr, 0)

// Fields 34-39: 1 = leave that kind as it was read. A settings record holds
// the inverse, the kind's check flag.
#define SETTINGS_SKIP_FIELDS(X) \
    X(Skip_Shape, KIND_SHAPE, "--skip-shape") \
    X(Skip_Image, KIND_IMAGE, "--skip-image") \
    X(Skip_Sound, KIND_SOUND, "--skip-sound") \
    X(Skip_Font, KIND_FONT, "--skip-font") \
    X(Skip_AS, KIND_AS, nullptr) \
    X(Skip_Video, KIND_FLV, "--skip-video")

constexpr int FIELD_COUNT = 40;
constexpr int RECORD_FIELD_COUNT = 34;

struct Tfield {
    const char* name;  // the member's name, and the element name in "custom.xml"
    int32_t Tparams::*member;
    int32_t lo, hi;
    int32_t enginedefault;  // paramssetdef
    int32_t recorddefault;  // a new settings record of the desktop program
    unsigned flags;
    int32_t Tparams::*level;  // null, or the level a custom value needs
    const char* option;       // command line; null when none
    const char* offoption;    // command line: sets a boolean to 0
    const char* label;        // the settings line; null when not shown
    int shown;
    int kind;  // the resource kind the field is about
};

// In Tparams order.
extern const Tfield paramfields[FIELD_COUNT];
// The row of a member.
const Tfield& paramfield(int32_t Tparams::*member);

// The words the command line also takes for a field's values lo, lo + 1, ...
// ("cbr" for 0), separated by '|'; null when it takes numbers only.
const char* fieldwords(const Tfield& f);
// The value a word of fieldwords stands for; false when it is none of them.
bool fieldword(const Tfield& f, const std::string& word, int32_t& value);

// Writes the engine default into each field flagged FIELD_RESET.
void setresetdefaults(Tparams& p);

struct Tpreset {
    const char* name;
    Tparams params;  // fields 34-39 hold the skip flags, all 0 (every kind processed)
};

constexpr int PRESET_COUNT = 6;
// "Best", "Good", "Basic", "Medium", "Sprite", "Custom", in that order.
extern const Tpreset presets[PRESET_COUNT];
// The preset of that name (any letter case), or null.
const Tpreset* findpreset(const std::string& name);
