// The report says once per run when movies needed lame or ffmpeg and the
// program was not there.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "cli/report.h"
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

TEST(ToolNotes, OneLinePerMissingProgramThatAMovieNeeded) {
    Tsummary s;
    EXPECT_EQ(s.toolnotes(false, false), "");
    s.add(movie(0, 0));
    EXPECT_EQ(s.toolnotes(false, false), "") << "no movie needed either";
    s.add(movie(3, 2));
    s.add(movie(1, 0));
    Tfileresult failed = movie(1, 1);
    failed.ok = false;
    s.add(failed);
    const std::string both = s.toolnotes(false, false);
    EXPECT_EQ(count(both, "\n"), 2u) << both;
    EXPECT_NE(both.find("lame was not found"), std::string::npos) << both;
    EXPECT_NE(both.find("sounds of 2 movies"), std::string::npos) << both;
    EXPECT_NE(both.find("videos of 1 movie kept"), std::string::npos) << both;
    EXPECT_EQ(s.toolnotes(true, false).find("lame"), std::string::npos);
    EXPECT_EQ(s.toolnotes(true, true), "");
}

TEST(ToolNotes, TheCliSaysSoOnceForAllItsMovies) {
    Ttempdir t;
    const swfb::Bytes video = swfb::videomovie(1, 2, 16, 16, {swfb::Bytes(40, 1), swfb::Bytes(40, 2)});
    t.put("in/a.swf", video);
    t.put("in/b.swf", video);
    std::filesystem::create_directories(t / "empty");
    const std::string out = t / "stdout";
    pid_t pid = fork();
    if (pid == 0) {
        int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(o, 1);
        dup2(o, 2);
        setenv("PATH", (t / "empty").c_str(), 1);
        execl(SHRINKWELL_CLI, SHRINKWELL_CLI, "--tmp", (t / "scratch").c_str(), "--tools", (t / "empty").c_str(),
              "-o", (t / "out").c_str(), (t / "in").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    std::ifstream f(out);
    const std::string text((std::istreambuf_iterator<char>(f)), {});
    EXPECT_EQ(count(text, "ffmpeg was not found"), 1u) << text;
    EXPECT_NE(text.find("videos of 2 movies"), std::string::npos) << text;
    EXPECT_EQ(count(text, "lame"), 0u) << "no movie has sound: " << text;
}
