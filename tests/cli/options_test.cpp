#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/options.h"
#include "settings/schema.h"
#include "tempdir.h"

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

// The defaults, and the line -v prints: what the engine makes of each level, the kinds kept.
TEST(CliOptions, DefaultsAndTheSettingsLine) {
    Parsed best = parse({"a.swf"});
    ASSERT_TRUE(best.ok) << best.error;
    EXPECT_EQ(best.o.preset, "Best");
    EXPECT_EQ(std::memcmp(&best.o.params, &findpreset("Best")->params, sizeof(Tparams)), 0);
    EXPECT_TRUE(best.o.outdir.empty());
    EXPECT_EQ(best.o.toolsdir, "/usr/bin/");
    EXPECT_EQ(best.o.jobs, 1);
    EXPECT_FALSE(best.o.tmpdir.empty());
    EXPECT_EQ(describesettings(best.o),
              "settings: preset Best; shape ratio 20, font ratio 20; image level 0 (JPEG quality 90), zoom 0%, "
              "player 0 x 0; sound level 0 (44.1 kHz, VBR quality 2, mono); video level 0 (250 kbit/s), player 0 x 0\n");

    Parsed mine = parse({"-p", "medium", "--jpeg-quality", "33", "--sound-rate", "8", "--stereo", "--video-bitrate",
                         "90", "--zoom", "12", "--max-width", "640", "--max-height", "480", "--skip-video",
                         "--skip-image", "--shape-ratio", "7", "--allow-larger", "--sound-encoding", "abr", "--max-video-width",
                         "320", "a.swf"});
    ASSERT_TRUE(mine.ok) << mine.error;
    EXPECT_EQ(describesettings(mine.o),
              "settings: preset Medium; shape ratio 7, font ratio 20; image level 4 (JPEG quality 33), zoom 12%, "
              "player 640 x 480; sound level 4 (11.025 kHz, 16 kbit/s average, stereo); video level 4 (90 kbit/s), "
              "player 320 x 0; "
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
              "videos kept), player 0 x 0; kept as they are: font; damaged movies salvaged\n");
}

TEST(CliOptions, OptionsApplyOnTopOfThePresetInAnyOrderAndReachEveryField) {
    Parsed before = parse({"--shape-ratio", "7", "--preset", "sprite", "a.swf"});
    Parsed after = parse({"--preset=Sprite", "a.swf", "--shape-ratio=7"});
    ASSERT_TRUE(before.ok && after.ok);
    for (const Parsed* p : {&before, &after}) {
        EXPECT_EQ(p->o.preset, "Sprite");
        const Tparams& t = p->o.params;
        EXPECT_EQ((std::array{t.Sha_ForceCCR, t.Img_ForceZip, t.Video_CB}), (std::array{7, 20, 112}));
    }
    EXPECT_EQ(after.o.inputs, std::vector<std::string>{"a.swf"});

    // Every engine field has an option.
    Parsed p = parse({"--font-ratio", "32", "--zoom", "50", "--max-width", "640", "--max-height", "480",
                      "--image-quality", "3", "--sound-quality", "2", "--stereo", "--video-quality", "1",
                      "--skip-image", "--skip-shape", "--skip-sound", "--skip-font", "--skip-video", "x"});
    ASSERT_TRUE(p.ok) << p.error;
    const Tparams& t = p.o.params;
    EXPECT_EQ((std::array{t.Sha_FontCCR, t.Img_ForceZip, t.ImgPmps_x, t.ImgPmps_y, t.Img_Aio, t.Audio_q, t.Audio_Mono,
                          t.Video_q, t.Skip_Image, t.Skip_Sound, t.Skip_Font, t.Skip_Video, t.Skip_Shape, t.Skip_AS}),
              (std::array{32, 50, 640, 480, 3, 2, 0, 1, 1, 1, 1, 1, 1, 0}));
}

// The controls presets turn on have a --no- form; Best is the base here.
TEST(CliOptions, ControlsOnTopOfBest) {
    const struct {
        std::vector<const char*> args;
        int32_t Tparams::*field;
        int32_t want;
    } rows[] = {
        {{"--no-delete-metadata"}, &Tparams::Img_Dm, 0},
        {{"--no-force-jpeg"}, &Tparams::Img_Ftoj, 0},
        {{"--no-delete-invisible"}, &Tparams::Img_Diia, 0},
        {{"--no-smooth-colour"}, &Tparams::Img_Icso, 0},
        {{"--no-optimize-alpha"}, &Tparams::Img_Iaco, 0},
        {{"--no-morph-shapes"}, &Tparams::Sha_Imo, 0},
        {{"--no-delete-useless-points"}, &Tparams::Sha_Idup, 0},
        {{"--simplify-lines"}, &Tparams::Sha_PenOpt, 1},
        {{"--pen-angle", "35"}, &Tparams::Sha_PenAngle, 35},
        {{"--straighten-curves"}, &Tparams::Sha_ForceStraight, 1},
        {{"--straighten=3"}, &Tparams::Sha_ForceStraightValue, 3},
        {{"--curve-merge", "0"}, &Tparams::Sha_ForceCurAngle, 0},
        {{"--no-quality-fonts"}, &Tparams::Sha_FontHifi, 0},
        {{"--sound-encoding", "cbr"}, &Tparams::Audio_e, 0},
        {{"--sound-encoding", "ABR"}, &Tparams::Audio_e, 2},
        {{"--max-video-width", "320"}, &Tparams::VideoPmps_x, 320},
        {{"--max-video-height", "240"}, &Tparams::VideoPmps_y, 240},
    };
    for (const auto& row : rows) {
        std::vector<const char*> args = row.args;
        args.push_back("f");
        Parsed p = parse(args);
        ASSERT_TRUE(p.ok) << row.args[0] << ": " << p.error;
        Tparams want = findpreset("Best")->params;
        want.*row.field = row.want;
        EXPECT_EQ(std::memcmp(&p.o.params, &want, sizeof want), 0) << row.args[0];
    }
}

TEST(CliOptions, RangesAndMalformedLinesAreUsageErrors) {
    // A range from the settings table, a level, a front-end-only option, a named choice:
    // option, too low, lowest, highest, too high.
    const std::array<const char*, 5> cases[] = {
        {"--shape-ratio", "0", "1", "100", "101"},
        {"--image-quality", "-1", "0", "4", "5"},
        {"--jobs", "0", "1", "64", "65"},
        {"--sound-encoding", "-1", "0", "2", "3"},
        {"--max-video-height", "-1", "0", "100000", "100001"},
    };
    for (const auto& [option, lowbad, lowok, highok, highbad] : cases) {
        SCOPED_TRACE(option);
        EXPECT_FALSE(parse({option, lowbad, "f"}).ok);
        EXPECT_TRUE(parse({option, lowok, "f"}).ok);
        EXPECT_TRUE(parse({option, highok, "f"}).ok);
        Parsed bad = parse({option, highbad, "f"});
        EXPECT_FALSE(bad.ok);
        expecthas(bad.error, {option, highbad});
    }

    // Errors name the option in getopt's words.
    // Vectors, not initializer lists: those would not outlive this statement.
    const std::vector<std::pair<std::vector<const char*>, const char*>> bad = {
        {{"--shape-ratio", "12x", "f"}, "--shape-ratio"},
        {{"--shape-ratio", "99999999999999999999", "f"}, "--shape-ratio"},
        {{"f", "--shape-ratio"}, "option '--shape-ratio' requires an argument"},
        {{"--json=1", "f"}, "option '--json' doesn't allow an argument"},
        {{"--s", "f"}, "option '--s' is ambiguous; possibilities: '--salvage'"},
        {{"-o", "", "f"}, "--output"},
        {{"--json"}, "no input"},
        {{"--preset", "Huge", "f"}, "Medium"},  // the error lists the choices
        {{"-", "f"}, "'-' (standard input) must be the only input"},
        {{"--json", "-"}, "--json cannot be used with '-'"},
        {{"--in-place", "-o", "d", "f"}, "--in-place and --output"},
        {{"--in-place", "--allow-larger", "f"}, "--allow-larger"},
        {{"--in-pl", "--preser", "-"}, "--in-place cannot be used with '-'"},
        {{"--sound-encoding", "vbrx", "f"}, "cbr|vbr|abr"},
        {{"--sound-quality", "1", "--sound-bitrate", "48", "f"}, "--sound-bitrate"},  // a custom value is level four
    };
    for (const auto& [args, message] : bad) {
        Parsed p = parse(args);
        EXPECT_FALSE(p.ok) << message;
        EXPECT_NE(p.error.find(message), std::string::npos) << p.error;
    }
}

// Short options combine and take glued values; long ones take any unique beginning; "--" ends options.
TEST(CliOptions, CombinedAndAbbreviatedForms) {
    // Arguments; jobs, quiet, verbose, dry run.
    const std::pair<std::vector<const char*>, std::array<int, 4>> cases[] = {
        {{"-qv", "f"}, {1, 0, 1, 0}},  // the last of -q and -v counts
        {{"-j2", "f"}, {2, 0, 0, 0}},
        {{"--jo", "2", "--dry", "f"}, {2, 0, 0, 1}},
        {{"-qnj3", "f"}, {3, 1, 0, 1}},
    };
    for (const auto& [args, want] : cases) {
        Parsed p = parse(args);
        ASSERT_TRUE(p.ok) << args.front() << ": " << p.error;
        EXPECT_EQ((std::array{p.o.jobs, int(p.o.quiet), int(p.o.verbose), int(p.o.dryrun)}), want) << args.front();
        EXPECT_EQ(p.o.inputs, std::vector<std::string>{"f"});
    }
    Parsed p = parse({"--in-pl", "--preser", "f"});
    EXPECT_TRUE(p.ok && p.o.inplace && p.o.preserve) << p.error;
    p = parse({"-oout", "--tools", "/opt/x", "--", "-odd.swf", "--json"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.o.outdir, "out");
    EXPECT_FALSE(p.o.json);
    EXPECT_EQ(p.o.toolsdir, "/opt/x/") << "the tools directory is a prefix";
    EXPECT_EQ(p.o.inputs, (std::vector<std::string>{"-odd.swf", "--json"}));
    EXPECT_TRUE(parse({"--help"}).ok) << "help needs no input";
    EXPECT_TRUE(parse({"-V"}).o.version);
    EXPECT_TRUE(parse({"--image-quality", "4", "--jpeg-quality", "10", "f"}).ok) << "level four is the custom level";
}

TEST(CliOptions, TemporaryDirectoryFollowsTheCacheVariable) {
    const char* old = std::getenv("XDG_CACHE_HOME");
    const std::string saved = old ? old : "";
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
