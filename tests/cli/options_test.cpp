#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/options.h"
#include "settings/schema.h"

namespace {

struct Parsed {
    bool ok;
    Tclioptions o;
    std::string error;
};

Parsed parse(const std::vector<const char*>& args) {
    std::vector<const char*> argv{"shrinkwell-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    Parsed p;
    p.ok = parseoptions(int(argv.size()), argv.data(), p.o, p.error);
    return p;
}

}  // namespace

// The line -v prints: what the engine makes of each level, the kinds kept.
TEST(CliOptions, SettingsLineShowsWhatTheEngineUses) {
    Parsed best = parse({"a.swf"});
    ASSERT_TRUE(best.ok) << best.error;
    EXPECT_EQ(describesettings(best.o),
              "settings: preset Best; shape ratio 20, font ratio 20; image level 0 (JPEG quality 90), zoom 0%, "
              "player 0 x 0; sound level 0 (44.1 kHz, 256 kbit/s, mono); video level 0 (250 kbit/s)\n");

    Parsed mine = parse({"-p", "medium", "--jpeg-quality", "33", "--sound-rate", "8", "--stereo", "--video-bitrate",
                         "90", "--zoom", "12", "--max-width", "640", "--max-height", "480", "--skip-video",
                         "--skip-image", "--shape-ratio", "7", "--allow-larger", "a.swf"});
    ASSERT_TRUE(mine.ok) << mine.error;
    EXPECT_EQ(describesettings(mine.o),
              "settings: preset Medium; shape ratio 7, font ratio 20; image level 4 (JPEG quality 33), zoom 12%, "
              "player 640 x 480; sound level 4 (11.025 kHz, 16 kbit/s, stereo); video level 4 (90 kbit/s); "
              "kept as they are: image video; larger results written\n");

    // Custom values no option can give: a level that keeps the resources.
    Tclioptions o = best.o;
    o.params.Audio_q = 4;
    o.params.Audio_s = 0;
    o.params.Video_q = 4;
    o.params.Video_CB = 0;
    o.params.Skip_Font = 1;
    o.salvage = true;
    EXPECT_EQ(describesettings(o),
              "settings: preset Best; shape ratio 20, font ratio 20; image level 0 (JPEG quality 90), zoom 0%, "
              "player 0 x 0; sound level 4 (unusable custom values: sounds kept); video level 4 (no bit rate: "
              "videos kept); kept as they are: font; damaged movies salvaged\n");
}

TEST(CliOptions, DefaultsAreBestBesideTheSource) {
    Parsed p = parse({"a.swf"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.o.preset, "Best");
    EXPECT_EQ(std::memcmp(&p.o.params, &findpreset("Best")->params, sizeof(Tparams)), 0);
    EXPECT_TRUE(p.o.outdir.empty());
    EXPECT_EQ(p.o.toolsdir, "/usr/bin/");
    EXPECT_EQ(p.o.jobs, 1);
    EXPECT_FALSE(p.o.tmpdir.empty());
}

TEST(CliOptions, OptionsApplyOnTopOfThePresetInAnyOrder) {
    Parsed before = parse({"--shape-ratio", "7", "--preset", "sprite", "a.swf"});
    Parsed after = parse({"--preset=Sprite", "a.swf", "--shape-ratio=7"});
    ASSERT_TRUE(before.ok && after.ok);
    for (const Parsed* p : {&before, &after}) {
        EXPECT_EQ(p->o.preset, "Sprite");
        EXPECT_EQ(p->o.params.Sha_ForceCCR, 7);
        EXPECT_EQ(p->o.params.Img_ForceZip, 20);
        EXPECT_EQ(p->o.params.Video_CB, 112);
    }
    EXPECT_EQ(after.o.inputs, std::vector<std::string>{"a.swf"});
}

TEST(CliOptions, EveryEngineFieldHasAnOption) {
    Parsed p = parse({"--font-ratio", "32", "--zoom", "50", "--max-width", "640", "--max-height", "480",
                      "--image-quality", "3", "--sound-quality", "2", "--stereo", "--video-quality", "1",
                      "--skip-image", "--skip-sound", "--skip-font", "--skip-video", "x"});
    ASSERT_TRUE(p.ok) << p.error;
    const Tparams& t = p.o.params;
    EXPECT_EQ((std::array{t.Sha_FontCCR, t.Img_ForceZip, t.ImgPmps_x, t.ImgPmps_y, t.Img_Aio, t.Audio_q, t.Audio_Mono,
                          t.Video_q, t.Skip_Image, t.Skip_Sound, t.Skip_Font, t.Skip_Video, t.Skip_Shape, t.Skip_AS}),
              (std::array{32, 50, 640, 480, 3, 2, 0, 1, 1, 1, 1, 1, 0, 0}));
}

// A custom value selects level four; with another level given it is a clash.
TEST(CliOptions, CustomValuesClashWithOtherLevels) {
    EXPECT_TRUE(parse({"--image-quality", "4", "--jpeg-quality", "10", "m.swf"}).ok);
    Parsed clash = parse({"--sound-quality", "1", "--sound-bitrate", "48", "m.swf"});
    EXPECT_FALSE(clash.ok);
    EXPECT_NE(clash.error.find("--sound-bitrate"), std::string::npos);
}

TEST(CliOptions, RangesAreEnforcedAtBothEnds) {
    struct Case {
        const char* option;
        const char* lowbad;
        const char* lowok;
        const char* highok;
        const char* highbad;
    };
    const Case cases[] = {
        {"--shape-ratio", "0", "1", "100", "101"},   {"--font-ratio", "0", "1", "32", "33"},
        {"--image-quality", "-1", "0", "4", "5"},     {"--jpeg-quality", "-1", "0", "80", "81"},
        {"--zoom", "-1", "0", "50", "51"},            {"--sound-quality", "-1", "0", "4", "5"},
        {"--sound-rate", "0", "1", "100", "101"},     {"--sound-bitrate", "0", "1", "250", "251"},
        {"--video-quality", "-1", "0", "4", "5"},     {"--video-bitrate", "0", "1", "250", "251"},
        {"--jobs", "0", "1", "64", "65"},             {"--max-width", "-1", "0", "100000", "100001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        EXPECT_FALSE(parse({c.option, c.lowbad, "f"}).ok);
        EXPECT_TRUE(parse({c.option, c.lowok, "f"}).ok);
        EXPECT_TRUE(parse({c.option, c.highok, "f"}).ok);
        Parsed bad = parse({c.option, c.highbad, "f"});
        EXPECT_FALSE(bad.ok);
        EXPECT_NE(bad.error.find(c.option), std::string::npos) << bad.error;
        EXPECT_NE(bad.error.find(c.highbad), std::string::npos) << bad.error;
    }
}

TEST(CliOptions, MalformedLinesAreUsageErrors) {
    // Vectors, not initializer lists: those would not outlive this statement.
    const std::vector<std::vector<const char*>> bad = {
        {"--shape-ratio", "12x", "f"}, {"--shape-ratio", "", "f"}, {"--shape-ratio", "99999999999999999999", "f"},
        {"f", "--shape-ratio"},        {"--json=1", "f"},          {"--nonsense", "f"},
        {"-x", "f"},                   {"-qv", "f"},               {"-q", "-v", "f"},
        {"-o", "", "f"}};
    for (const auto& args : bad) EXPECT_FALSE(parse(args).ok) << args.front();
    Parsed none = parse({"--json"});
    EXPECT_FALSE(none.ok);
    EXPECT_NE(none.error.find("no input"), std::string::npos);
    Parsed preset = parse({"--preset", "Huge", "f"});
    EXPECT_FALSE(preset.ok);
    EXPECT_NE(preset.error.find("Medium"), std::string::npos) << "the error lists the choices";
}

TEST(CliOptions, ShortFormsAndEndOfOptions) {
    Parsed p = parse({"-oout", "-j", "3", "-q", "--tools", "/opt/x", "--", "-odd.swf", "--json"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.o.outdir, "out");
    EXPECT_EQ(p.o.jobs, 3);
    EXPECT_TRUE(p.o.quiet);
    EXPECT_FALSE(p.o.json);
    EXPECT_EQ(p.o.toolsdir, "/opt/x/") << "the tools directory is a prefix";
    EXPECT_EQ(p.o.inputs, (std::vector<std::string>{"-odd.swf", "--json"}));
    EXPECT_TRUE(parse({"--help"}).ok) << "help needs no input";
    EXPECT_TRUE(parse({"-V"}).o.version);
}

TEST(CliOptions, TemporaryDirectoryFollowsTheCacheVariable) {
    const char* old = std::getenv("XDG_CACHE_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_CACHE_HOME", "/var/cachex", 1);
    EXPECT_EQ(defaulttmpdir(), "/var/cachex/shrinkwell/temp");
    setenv("XDG_CACHE_HOME", "", 1);
    const char* home = std::getenv("HOME");
    if (home && *home) {
        EXPECT_EQ(defaulttmpdir(), std::string(home) + "/.cache/shrinkwell/temp");
    }
    if (old) setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    else unsetenv("XDG_CACHE_HOME");
}
