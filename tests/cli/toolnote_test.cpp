// The report says once per run when movies needed lame or ffmpeg and the
// program was not there, and per file when a program misbehaved; the scratch
// folder it works in is its own.
#include <gtest/gtest.h>

#include <cstdio>

#include "cli/report.h"
#include "support/soundbuilder.h"
#include "support/videobuilder.h"
#include "tempdir.h"

namespace {

Tfileresult movie(int sounds, int videos) {
    Tfileresult r;
    r.ok = true;
    r.kinds[KIND_SOUND].count = sounds;
    r.kinds[KIND_FLV].count = videos;
    return r;
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(ToolNotes, AToolThatMisbehavesIsNamedOnTheFilesLineAndInItsJson) {
    Ttempdir t;
    t.put("a.swf", swfb::build(swfb::adpcmmovie(22050)));
    // What lame does, the note.
    const std::pair<const char*, std::string> cases[] = {
        {"exit 1", "sound 1 kept: lame failed with exit status 1"},
        {"for out; do :; done; echo garbage > \"$out\"", "sound 1 kept: lame wrote no usable output"},
    };
    for (const auto& [script, note] : cases) {
        SCOPED_TRACE(script);
        swfb::writescript(t / "tools/lame", std::string("#!/bin/sh\n") + script + "\n");
        std::vector<std::string> args = {SHRINKWELL_CLI, "--tmp", t / "scratch", "--tools", t / "tools/", "--overwrite",
                                         "-o",           t / "out", t / "a.swf"};
        const Ran plain = run(t, args);
        args.push_back("--json");
        const Ran lines = run(t, args);
        EXPECT_EQ(plain.status, 0) << plain.err;
        expecthas(plain.out, {"\n  note: " + note + "\n"});
        expecthas(lines.out, {",\"notes\":[\"" + note + "\"],"});
    }
}

TEST(ScratchFolder, ARelativeRootStartingWithADashStillReachesTheEncoder) {
    if (!swfb::havelame()) GTEST_SKIP() << "lame is not installed";
    Ttempdir t;
    t.put("a.swf", swfb::build(swfb::adpcmmovie(22050)));
    // The real encoder, behind a script that notes where it was asked to read.
    swfb::writescript(t / "tools/lame", "#!/bin/sh\nfor a; do case \"$a\" in *tmpsound*) echo \"$a\" >> '" + (t / "read") +
                                    "';; esac; done\nexec lame \"$@\"\n");
    const std::vector<std::string> args = {SHRINKWELL_CLI, "--tmp=-x", "--tools", t / "tools/", "--sound-quality", "3",
                                           "--json",       "-o",       "out",     "a.swf"};
    const Ran r = run(t, args, t.path());
    ASSERT_EQ(r.status, 0) << r.err;
    expecthas(r.out, {"\"notes\":[]"});
    // Re-encoded: the sound shrank.
    const size_t at = r.out.find("\"Sound\":{\"count\":1,\"source\":");
    ASSERT_NE(at, std::string::npos) << r.out;
    long source = 0, dest = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str() + at, "\"Sound\":{\"count\":1,\"source\":%ld,\"dest\":%ld", &source, &dest), 2);
    EXPECT_LT(dest, source / 2) << r.out;
    const std::string read = slurp(t / "read");
    EXPECT_EQ(count(read, "\n"), 2u) << read;
    EXPECT_EQ(count(read, "\n" + (t / "-x/cli-")) + (read.rfind(t / "-x/cli-", 0) == 0), 2u)
        << "absolute names: " << read;
    EXPECT_TRUE(std::filesystem::is_empty(t / "-x")) << "its own folder is gone";
    EXPECT_EQ(std::filesystem::status(t / "-x").permissions(), std::filesystem::perms(0700))
        << "a root made here is private";
}

TEST(ToolNotes, OneLinePerMissingProgramThatAMovieNeededOncePerRun) {
    Tsummary s;
    s.add(movie(0, 0));
    EXPECT_EQ(s.toolnotes(false, false), "") << "no movie needed either";
    s.add(movie(3, 2));
    s.add(movie(1, 0));
    Tfileresult failed = movie(1, 1);
    failed.ok = false;
    s.add(failed);
    const std::string both = s.toolnotes(false, false);
    EXPECT_EQ(count(both, "\n"), 2u) << both;
    expecthas(both, {"lame was not found", "sounds of 2 movies", "videos of 1 movie kept"});
    EXPECT_EQ(s.toolnotes(true, false).find("lame"), std::string::npos);
    EXPECT_EQ(s.toolnotes(true, true), "");

    // The command line says so once for all its movies.
    Ttempdir t;
    const swfb::Bytes video = swfb::videomovie(1, 2, 16, 16, {swfb::Bytes(40, 1), swfb::Bytes(40, 2)});
    t.put("in/a.swf", video);
    t.put("in/b.swf", video);
    std::filesystem::create_directories(t / "empty");
    const Ran r = run(t, {"/usr/bin/env", "PATH=" + (t / "empty"), SHRINKWELL_CLI, "--tmp", t / "scratch", "--tools",
                          t / "empty", "-o", t / "out", t / "in"});
    const std::string text = r.out + r.err;
    EXPECT_EQ(count(text, "ffmpeg was not found"), 1u) << text;
    expecthas(text, {"videos of 2 movies"});
    EXPECT_EQ(count(text, "lame"), 0u) << "no movie has sound: " << text;
}
