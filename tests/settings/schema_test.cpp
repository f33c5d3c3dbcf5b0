#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <string>

#include "core/kinds.h"
#include "settings/effective.h"
#include "settings/schema.h"

namespace {

Tparams filled() {
    Tparams p;
    std::memset(&p, 0x55, sizeof p);
    return p;
}

}  // namespace

// The names are the element names of "custom.xml", which users' files hold.
TEST(SettingsSchema, StoredNames) {
    const std::pair<int, const char*> names[] = {{0, "ImgPmps_x"},    {9, "Img_CustomPV"}, {16, "Sha_Imo"},
                                                 {21, "Sha_ForceStraightValue"}, {29, "Audio_Mono"},
                                                 {33, "Video_CB"},    {34, "Skip_Shape"},  {39, "Skip_Video"}};
    for (const auto& [i, name] : names) EXPECT_STREQ(paramfields[i].name, name);
    std::string unstored;
    for (const Tfield& f : paramfields)
        if (!(f.flags & FIELD_STORED)) unstored += std::string(f.name) + " ";
    EXPECT_EQ(unstored, "Audio_Mono Skip_Shape Skip_Image Skip_Sound Skip_Font Skip_AS Skip_Video ");
}

TEST(SettingsSchema, EngineDefaults) {
    Tparams p = filled();
    paramssetdef(p);
    // In field order. Img_Ftoj and Sha_FontHifi are on, so that callers that set no preset keep JPEG
    // conversion and the glyph rule.
    const int32_t want[FIELD_COUNT] = {0, 0, 0, 0, 1, 0, 0, 0, 0, 75, 0, 0, 0, 0, 20, 20, 0, 0, 0, 0,
                                       0, 0, 0, 1, 0, 0, 3, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < FIELD_COUNT; ++i) EXPECT_EQ(p.*paramfields[i].member, want[i]) << paramfields[i].name;
    // The one-call run sets the same values and zeroes the image level and zoom, nothing else.
    Tparams q = filled();
    setresetdefaults(q);
    EXPECT_EQ((std::array{q.Audio_q, q.Sha_ForceCCR, q.Sha_FontCCR, q.Video_q, q.Img_CustomPV, q.Img_Aio, q.Img_ForceZip,
                          q.Audio_s, q.Skip_Image}),
              (std::array{3, 20, 20, 2, 75, 0, 0, 0x55555555, 0x55555555}));
    // The record is exported: its layout is fixed.
    EXPECT_EQ(sizeof(Tparams), 160u);
    EXPECT_EQ((std::array{offsetof(Tparams, Img_Aio), offsetof(Tparams, Sha_ForceCCR), offsetof(Tparams, Audio_Mono),
                          offsetof(Tparams, Skip_Image), offsetof(Tparams, Skip_Video)}),
              (std::array<size_t, 5>{32, 56, 116, 140, 156}));
}

TEST(SettingsSchema, PresetsByName) {
    const char* order[PRESET_COUNT] = {"Best", "Good", "Basic", "Medium", "Sprite", "Custom"};
    for (int i = 0; i < PRESET_COUNT; ++i) EXPECT_STREQ(presets[i].name, order[i]);
    for (const Tpreset& p : presets) {
        SCOPED_TRACE(p.name);
        EXPECT_EQ(p.params.Sha_ForceCCR, 20);
        EXPECT_EQ(p.params.Sha_FontCCR, 20);
        for (int i = RECORD_FIELD_COUNT; i < FIELD_COUNT; ++i) EXPECT_EQ(p.params.*paramfields[i].member, 0);
    }
}

// The divisors every tag class uses: a shape's is kept in a byte.
TEST(SettingsSchema, Ratios) {
    // {given, shape ratio, font ratio}
    const int32_t rows[][3] = {{-3, 1, 1},       {0, 1, 1},       {1, 1, 1},          {32, 32, 32},
                               {255, 255, 255}, {256, 255, 256}, {100000, 255, 100000}};
    for (const auto& r : rows) {
        Tparams p{};
        p.Sha_ForceCCR = p.Sha_FontCCR = r[0];
        EXPECT_EQ((std::array{shaperatio(p), fontratio(p)}), (std::array{r[1], r[2]})) << r[0];
    }
}
