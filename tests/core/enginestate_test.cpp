#include <sys/stat.h>
#include <unistd.h>

#include <array>

#include "coretest.h"
#include "media/definevideostream.h"
#include "media/imagebatch.h"
#include "media/soundencode.h"

using swfb::Bytes;
using namespace pascal_com;

namespace {

struct Call {
    int kind, code, index, position;
    void *a, *b;
};
std::vector<Call> calls;
int cancelat = -1;  // list index at whose tag report the callback cancels

void recorder(int kind, int code, void* a, void* b) {
    calls.push_back({kind, code, CCthisindex, position(), a, b});
    if (CCthisindex == cancelat && position() < 100) CancelProc();
}

using swfb::le32;

}  // namespace

class EngineState : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        calls.clear();
        cancelat = -1;
        setslproc(recorder);
        setslobject(&calls, &cancelat);
    }
};

TEST_F(EngineState, EveryKindIsCountedEvenWhenItsTagIsDamaged) {
    // Bodies too short for any tag class: each is kept as read.
    std::vector<Bytes> t;
    const int codes[] = {6, 8, 20, 21, 35, 36, 2, 22, 32, 83, 14, 15, 18, 19, 45,
                         60, 61, 10, 11, 33, 37, 48, 74, 75, 12, 82, 9, 76};
    for (int c : codes) t.push_back(swfb::tag(c, {1, 0, 7}));
    Bytes in = movie(t);
    load(in);
    ASSERT_TRUE(fileloaded());
    // Media and font tags as read; the shapes fail their parse and stay as read too.
    CCparams.Skip_Image = CCparams.Skip_Sound = CCparams.Skip_Font = CCparams.Skip_Video = 1;
    const Trlist* r = getresourcelist();
    EXPECT_EQ(r, CCresource_list);
    const int want[KIND_COUNT] = {6, 4, 5, 2, 7, 2};
    for (int k = 0; k < KIND_COUNT; ++k) {
        EXPECT_EQ(r[k].count, want[k]) << k;
        EXPECT_EQ(r[k].srcsize, 3 * want[k]) << k;
    }
    EXPECT_EQ(int(calls.size()), 26 + 1);  // one per counted tag, one at the end
    EXPECT_EQ(swfb::inflatemovie(write()), in);
    // A new file starts from zero.
    load(movie({action(1, 10)}), "two.swf");
    EXPECT_EQ(r[KIND_SHAPE].count, 0);
    EXPECT_EQ(r[KIND_AS].srcsize, 11);
}

TEST_F(EngineState, ReadProgressFollowsTheOffset) {
    load(movie({action(1), action(2), swfb::showframe(), action(3)}));
    ASSERT_EQ(calls.size(), 4u);
    // Kind, index and position (offset * 100 / 42, the last offset) of the DoActions at 21, 27 and 35, then the close.
    const std::array<int, 3> want[] = {{32, 0, 50}, {32, 1, 64}, {32, 3, 83}, {2, 4, 100}};
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ((std::array{calls[i].kind, calls[i].index, calls[i].position}), want[i]) << i;
    EXPECT_EQ(position(), 100);
}

TEST_F(EngineState, WriteProgressFollowsTheIndexAndSkipsCountNothing) {
    Bytes in = movie({action(1), swfb::tag(8, {0xFF, 0xD8, 0xFF, 0xD9}), swfb::showframe(), action(2)});
    load(in);
    CCparams.Skip_Image = 1;
    calls.clear();
    EXPECT_EQ(swfb::inflatemovie(write()), in);
    ASSERT_EQ(calls.size(), 3u);  // two DoActions, the closing report; not the skipped tables
    EXPECT_EQ(calls[0].position, 0);
    EXPECT_EQ((std::array{calls[1].index, calls[1].position}), (std::array{3, 75}));
    EXPECT_EQ((std::array{calls[2].kind, calls[2].index, calls[2].position}), (std::array{2, 4, 100}));
    const Trlist* r = getresourcelist();
    EXPECT_EQ((std::array{r[KIND_AS].dstsize, r[KIND_IMAGE].dstsize, r[KIND_IMAGE].srcsize}),
              (std::array{int(2 * (action(1).size() - 2)), 0, 4}));
    sourceoutclear();
    EXPECT_EQ((std::array{r[KIND_AS].dstsize, r[KIND_AS].count}), (std::array{0, 2}));
    sourceclear();
    EXPECT_EQ(r[KIND_AS].count, 0);
}

TEST_F(EngineState, CancelWhileReadingKeepsTheTagsRead) {
    CancelProc();
    load(movie({action(1), action(2)}));
    EXPECT_EQ((std::array{tagcount(), int(CCancelProc), position()}), (std::array{0, 0, 100}));
    cancelat = 1;
    load(movie({action(1), action(2), action(3), action(4)}));
    EXPECT_EQ((std::array{tagcount(), int(CCancelProc)}), (std::array{2, 0}));
    // The next file reads in full.
    cancelat = -1;
    load(movie({action(1), action(2), action(3), action(4)}), "again.swf");
    EXPECT_EQ(tagcount(), 5);
}

TEST_F(EngineState, CancelledWriteInsideASpriteClosesTheSprite) {
    load(movie({swfb::sprite(3, 1, {action(1), action(2), action(3), swfb::showframe()}), action(9)}));
    cancelat = 2;  // the second DoAction inside the sprite
    Bytes out = swfb::inflatemovie(write());
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(le32(out, 4), out.size());
    // The sprite's length reaches exactly to the end of what was written.
    EXPECT_EQ(le32(out, 21 + 2), out.size() - 21 - 6);
    auto t = swfb::listtags(out);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[2].depth, 1);
}

// ---- file utilities ----

TEST(FileUtil, FifoDoesNotBlock) {
    TempDir dir;
    std::string p = dir.file("fifo");
    ASSERT_EQ(mkfifo(p.c_str(), 0600), 0);
    EXPECT_EQ(filesize(p.c_str()), 0);
    unsigned char* a = nullptr;
    EXPECT_FALSE(dump2file(p.c_str(), a, 0, 0));
    EXPECT_FALSE(readflashhead(p.c_str()).ok);
    freearray(a);
}

// A front end that runs many movies in one process must start each from the
// same state: nothing a movie or a caller set may survive the reset.
TEST_F(EngineState, ResetBringsEveryModuleBackToStartUp) {
    load(movie({swfb::showframe()}));
    ASSERT_GT(tagcount(), 0);
    CCparams.Sha_ForceCCR = 9;
    CCancelProc = 1;
    CCresource_list[KIND_SHAPE].srcsize = 5;
    seterror("stale");
    notetooloutput("sound 1", "lame");
    setfastzip(1);
    setlzmaout(1);
    setsalvage(1);
    CCmaxtags = 3;
    CCimagethreads = 4;
    CCsoundtimeout_base_ms = Cflvtimeoutbase_ms = 1;
    IDS[7].Kind = IDKIND_SHAPE;
    resetengine();
    EXPECT_EQ((std::array<int64_t, 11>{tagcount(), CCparams.Sha_ForceCCR, CCancelProc,
                                       CCresource_list[KIND_SHAPE].srcsize, int64_t(toolnotes().size()),
                                       CCfastzip + CClzmaout + CCsalvage, CCmaxtags, CCimagethreads,
                                       CCsoundtimeout_base_ms, Cflvtimeoutbase_ms, IDS[7].Kind}),
              (std::array<int64_t, 11>{0, 0, 0, 0, 0, 0, 2000000, 0, 30000, 30000, IDKIND_NONE}));
    EXPECT_STREQ(lasterror(), "");
}
