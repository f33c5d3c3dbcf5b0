#include <gtest/gtest.h>

#include "cli/jsonout.h"
#include "cli/report.h"
#include "cli/result.h"
#include "tempdir.h"

TEST(CliJson, KeepsUtf8AndEscapesOtherBytes) {
    EXPECT_EQ(jsonstring("Fl\xc3\xa4" "che/\xe6\x98\xa0\xe7\x94\xbb.swf"), "\"Fl\xc3\xa4" "che/\xe6\x98\xa0\xe7\x94\xbb.swf\"");
    EXPECT_EQ(jsonstring("\xf0\x9f\x8e\xac"), "\"\xf0\x9f\x8e\xac\"");
    // Latin-1 bytes, a cut sequence, an overlong '/', an encoded surrogate.
    EXPECT_EQ(jsonstring("caf\xe9.swf"), "\"caf\\udce9.swf\"");
    EXPECT_EQ(jsonstring("\xe6\x98"), "\"\\udce6\\udc98\"");
    EXPECT_EQ(jsonstring("\xc0\xaf"), "\"\\udcc0\\udcaf\"");
    EXPECT_EQ(jsonstring("\xed\xa0\x80"), "\"\\udced\\udca0\\udc80\"");
}

namespace {
Tfileresult sample() {
    Tfileresult r;
    r.source = "in/\"odd\".swf";
    r.output = "out/\"odd\"_compressed.swf";
    r.ok = true;
    r.srcsize = 1000;
    r.dstsize = 750;
    r.ms = 12;
    r.kinds[KIND_SHAPE] = {400, 300, 2};
    r.kinds[KIND_AS] = {10, 10, 1};
    r.rewritten = 750;
    r.used = {0, 90, 0, 44100, 256, 0, 0, 250};
    return r;
}
}  // namespace

TEST(CliJson, ResultLinesOfASuccessAFailureAndASalvage) {
    EXPECT_EQ(resultjson(sample()),
              "{\"source\":\"in/\\\"odd\\\".swf\",\"output\":\"out/\\\"odd\\\"_compressed.swf\",\"ok\":true,"
              "\"error\":null,\"exe\":0,\"before\":1000,\"after\":750,\"saved_percent\":25.0,\"kinds\":{"
              "\"Image\":{\"count\":0,\"source\":0,\"dest\":0},\"Shape\":{\"count\":2,\"source\":400,\"dest\":300},"
              "\"Sound\":{\"count\":0,\"source\":0,\"dest\":0},\"Video\":{\"count\":0,\"source\":0,\"dest\":0},"
              "\"Font\":{\"count\":0,\"source\":0,\"dest\":0},\"AS\":{\"count\":1,\"source\":10,\"dest\":10}},"
              "\"kept\":false,\"rewritten\":750,\"notes\":[],\"settings\":{\"image_level\":0,\"jpeg_quality\":90,"
              "\"sound_level\":0,\"sound_rate_hz\":44100,\"sound_kbps\":256,\"mono\":false,\"sound_encoding\":0,"
              "\"sound_vbr_quality\":null,\"video_level\":0,\"video_kbps\":250},\"ms\":12}");
    // A failure has no output and says why.
    Tfileresult failed;
    failed.source = "x.swf";
    failed.error = "not a Flash movie";
    failed.srcsize = 5;
    expecthas(resultjson(failed),
              {"\"output\":null,\"ok\":false,\"error\":\"not a Flash movie\"", "\"saved_percent\":null"});

    // Dropped bytes are not saved: the saving is measured against the share kept.
    Tfileresult r = sample();
    r.movielen = 4000;
    r.dropped = 3000;  // a quarter of the movie was kept: 250 of the 1000 bytes
    r.salvaged = true;
    r.damage = "the last tag (at byte 900) claims 9 bytes but 3,000 remain";
    r.dstsize = 200;
    EXPECT_EQ(savingbaseline(r), 250);
    expecthas(resultjson(r), {"\"saved_percent\":20.0", "\"dropped\":3000,\"baseline\":250,\"damage\":\"the last tag",
                              "\"salvaged\":true"});
    expecthas(formatresult(r, false), {"(saved 20.0% of what was kept; 3000 bytes dropped)"});
    Tsummary s;
    s.add(r);
    expecthas(s.text(false), {"250 B -> 200 B, saved 20.0% (250 -> 200 bytes); 1 salvaged"});
    r.dropped = 4000;
    EXPECT_EQ(savingbaseline(r), 0);
}

TEST(CliResult, RecordSurvivesThePipe) {
    Tfileresult r = sample();
    r.warning = std::string("with\0nul", 8);
    r.header.signature = "MZ+CWS";
    r.header.filelength = 0xFFFFFFF0u;
    r.header.blue = 255;
    r.exe = 1;
    r.kept = true;
    r.dropped = 7;
    r.damage = "zlib check failed after 9 bytes";
    r.used.videokbps = 120;
    r.notes = {"sound 3 kept: lame timed out after 31 s", "video 4 kept: \"ffmpeg\" failed"};
    expecthas(resultjson(r),
              {"\"notes\":[\"sound 3 kept: lame timed out after 31 s\",\"video 4 kept: \\\"ffmpeg\\\" failed\"]"});
    Tfileresult back;
    ASSERT_TRUE(deserializeresult(serializeresult(r), back));
    EXPECT_EQ(resultjson(back), resultjson(r));
    EXPECT_EQ(back.warning, r.warning);
    EXPECT_EQ(back.header.filelength, r.header.filelength);
    EXPECT_EQ(back.header.blue, 255);
    const std::string data = serializeresult(r);
    EXPECT_FALSE(deserializeresult(data.substr(0, data.size() - 1), back));
    EXPECT_FALSE(deserializeresult(data + "x", back));
    EXPECT_FALSE(deserializeresult(std::string(8, '\xff'), back)) << "a huge string length";
}

TEST(CliReport, SummaryAddsOnlyWhatWasWritten) {
    Tsummary s;
    s.add(sample());
    Tfileresult bad;
    bad.srcsize = 5000;
    s.add(bad);
    s.setskipped(2);
    EXPECT_EQ(s.failed(), 1);
    EXPECT_EQ(s.text(false),
              "2 files: 1 compressed, 1 failed; 1000 B -> 750 B, saved 25.0% (1000 -> 750 bytes); 2 files named "
              "*_compressed skipped\n");
    EXPECT_EQ(formatsize(1023), "1023 B");
    EXPECT_EQ(formatsize(1536), "1.5 KB");
    EXPECT_EQ(formatsize(3 << 20), "3.00 MB");
}
