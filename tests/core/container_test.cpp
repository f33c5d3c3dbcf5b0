#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>

#include "coretest.h"

using swfb::Bytes;
using namespace pascal_com;

namespace {

using swfb::le32;

// Size of the header from the signature through FrameCount.
size_t headersize(const Bytes& fws) { return 8 + (5 + 4 * (fws[8] >> 3) + 7) / 8 + 4; }

struct Head {
    int ok, version = -1, xmin = -1, xmax = -1, ymin = -1, ymax = -1, rate = -1, frames = -1;
    unsigned int length = 0;
    unsigned char r = 1, g = 1, b = 1;
    // ok, version, stage, rate, frames and background in one row.
    std::array<int, 11> row() const { return {ok, version, xmin, xmax, ymin, ymax, rate, frames, r, g, b}; }
};
Head head(const std::string& path) {
    Head h;
    h.ok = getflashhead(path.c_str(), h.version, h.length, h.xmin, h.xmax, h.ymin, h.ymax, h.rate, h.frames, h.r, h.g,
                        h.b);
    return h;
}

}  // namespace

class Container : public EngineTest {
protected:
    // Loads, writes and returns the written file (empty when none).
    Bytes roundtrip(const Bytes& in, int asexe = 0) {
        load(in);
        return write(asexe);
    }
    Head headof(const Bytes& b) {
        std::string p = dir.file("head.swf");
        swfb::writefile(p, b);
        return head(p);
    }
};

// ---- getflashhead ----

TEST_F(Container, HeadReportsStageRateFramesAndBackground) {
    // Height 1999 twips is 99.95 px.
    const swfb::Movie m{8, 800 * 20, 1999, 30 << 8 | 0x80, 7, {swfb::setbackground(1, 2, 3), swfb::showframe()}};
    const Bytes f = swfb::build(m);
    for (char sig : {'F', 'C', 'Z'}) {
        const Head h = headof(swfb::build(m, sig));
        EXPECT_EQ(h.row(), (std::array{1, 8, 0, 800, 0, 99, 30, 7, 1, 2, 3})) << sig;
        EXPECT_EQ(h.length, f.size()) << sig;
    }
    // A negative stage truncates toward zero.
    swfb::Writer w;
    w.u8('F').u8('W').u8('S').u8(6).u32(0).rect(-10, 100, -39, 40).u16(12 << 8).u16(1).raw(swfb::end());
    EXPECT_EQ(headof(w.take()).row(), (std::array{1, 6, 0, 5, -1, 2, 12, 1, 0, 0, 0}));
}

TEST_F(Container, HeadOfProjectorsReadsTheEmbeddedMovie) {
    Bytes m = movie({swfb::setbackground(4, 5, 6)}, 9, 'C');
    Bytes exe = swfb::projector({'M', 'Z', 0x90, 0x90}, m);
    EXPECT_EQ(headof(exe).row(), (std::array{1, 9, 0, 550, 0, 400, 24, 1, 4, 5, 6}));
    // Trailer damage: magic, a length past the file, into the stub, one off, zero: neither read nor loaded.
    Bytes bad = exe;
    bad[bad.size() - 8] ^= 1;
    std::vector<Bytes> wrongs{bad};
    for (uint32_t len : {uint32_t(exe.size()), uint32_t(m.size() + 10), uint32_t(m.size() + 1), uint32_t(m.size() - 1),
                         3u, 0u, 0xFFFFFFFFu}) {
        wrongs.push_back(exe);
        for (int i = 0; i < 4; ++i) wrongs.back()[exe.size() - 4 + i] = uint8_t(len >> (8 * i));
    }
    for (const Bytes& wrong : wrongs) {
        EXPECT_EQ(headof(wrong).ok, 0) << le32(wrong, wrong.size() - 4);
        load(wrong, "bad.exe");
        expectrefused();
    }
}

TEST_F(Container, HeadRejectsWhatIsNotAMovieAndEveryTruncatedHeader) {
    const Bytes wrongsig{'F', 'W', 'X', 10, 30, 0, 0, 0, 0x50, 0, 0, 0, 0, 0, 0, 0};
    for (const Bytes& b : {Bytes{}, Bytes{'F', 'W', 'S'}, wrongsig, Bytes(500, 'a')})
        EXPECT_EQ(headof(b).ok, 0) << b.size();
    Head missing = head(dir.file("nothing-here.swf"));
    EXPECT_EQ(missing.ok, 0);
    EXPECT_EQ(missing.version, -1);  // outputs untouched
    EXPECT_EQ(head(dir.path()).ok, 0);
    Bytes f = movie({swfb::setbackground(1, 1, 1)});
    const size_t hs = headersize(f);
    for (size_t n = 0; n < hs; ++n) EXPECT_EQ(headof(Bytes(f.begin(), f.begin() + long(n))).ok, 0) << n;
    EXPECT_EQ(headof(Bytes(f.begin(), f.begin() + long(hs))).ok, 1);
    // A FrameSize whose 31-bit fields run past the data.
    Bytes wide{'F', 'W', 'S', 10, 30, 0, 0, 0, 0xF8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(headof(wide).ok, 0);
    load(wide);
    expectrefused();
    EXPECT_EQ(_head, nullptr);
}

// ---- reading and writing ----

// A whole sprite's tags follow it with its list index as spriteref; one that cannot hold its tags is a plain tag.
TEST_F(Container, SpritesAreListedAndWrittenBack) {
    Bytes overrun{5, 0, 1, 0};  // an inner tag claims 20 bytes of the 12 after it
    Bytes claim = swfb::tag(12, Bytes(10, 1));
    claim[0] = uint8_t(12 << 6 | 20);
    overrun.insert(overrun.end(), claim.begin(), claim.end());
    Bytes inner = swfb::sprite(3, 1, {action(4), swfb::showframe()});
    Bytes pastparent = swfb::sprite(3, 1, {action(4)});
    pastparent[2] += 30;
    const struct {
        const char* name;
        std::vector<Bytes> tags;
        std::vector<int> codes, spriterefs;
    } rows[] = {
        {"three nested tags", {action(9), swfb::sprite(5, 2, {action(1), swfb::showframe(), swfb::end()}), swfb::showframe()},
         {12, 39, 12, 1, 0, 1, 0}, {-1, 1, 1, 1, 1, -1, -1}},
        {"empty and back to back",
         {swfb::tag(39, {1, 0, 1, 0}, true), swfb::sprite(2, 1, {action(2)}), swfb::sprite(3, 1, {}), swfb::showframe()},
         {39, 39, 12, 0, 39, 0, 1, 0}, {0, 1, 1, 1, 4, 4, -1, -1}},
        {"bytes after End are further tags", {swfb::showframe(), swfb::end(), action(3), swfb::end()},
         {1, 0, 12, 0}, {-1, -1, -1, -1}},
        {"nested sprite kept whole", {swfb::sprite(2, 1, {inner, swfb::showframe()}), swfb::showframe()},
         {39, 39, 1, 0, 1, 0}, {0, 0, 0, 0, -1, -1}},
        {"inner tag overruns the sprite", {swfb::tag(39, overrun, true), action(6, 30), swfb::showframe()},
         {39, 12, 1, 0}, {-1, -1, -1, -1}},
        {"inner sprite runs past its parent", {swfb::sprite(2, 1, {pastparent}), action(6, 60), swfb::showframe()},
         {39, 12, 1, 0}, {-1, -1, -1, -1}},
        {"short DefineSprite", {swfb::tag(39, {1, 2, 3}, true), action(1)}, {39, 12, 0}, {-1, -1, -1}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes in = movie(row.tags);
        load(in);
        EXPECT_EQ(loadedcodes(), row.codes);
        std::vector<int> refs;
        for (int i = 0; i < tagcount(); ++i) refs.push_back(tags[i]->spriteref);
        EXPECT_EQ(refs, row.spriterefs);
        EXPECT_EQ(swfb::inflatemovie(roundtrip(in)), in);
    }
    // A sprite that closes the file, without End after it.
    Bytes last = movie({swfb::sprite(2, 1, {action(2)})});
    last.resize(last.size() - 2);
    Bytes out = swfb::inflatemovie(roundtrip(last));
    out[4] = last[4];  // FileLength counts what was written
    EXPECT_EQ(out, last);
}

// A tag or sprite running past the data ends the reading there; huge length fields do not wrap around.
TEST_F(Container, TagsRunningPastTheDataEndTheReading) {
    auto cut = [](const std::vector<Bytes>& t, size_t n, const Bytes& tail = {}) {
        Bytes b = movie(t);
        b.resize(b.size() - n);
        b.insert(b.end(), tail.begin(), tail.end());
        return b;
    };
    Bytes sp = swfb::sprite(2, 1, {action(4), swfb::showframe()});
    sp[2] += 50;
    const struct {
        const char* name;
        Bytes file;
        std::vector<int> codes;
    } rows[] = {
        {"sprite past the file", cut({action(1), sp}, 2), {12}},
        {"tag past the file", cut({action(1), action(2, 100)}, 2 + 40), {12}},
        {"a lone byte where a header should be", cut({action(1)}, 0, {0x40}), {12, 0}},
        {"a long header whose length is cut off", cut({action(1)}, 0, {0x3F, 0x03, 0x01}), {12, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        load(row.file);
        ASSERT_TRUE(fileloaded());
        EXPECT_EQ(loadedcodes(), row.codes);
        EXPECT_EQ(Ctruncatedtags, 1);
    }
    load(rows[0].file);
    EXPECT_TRUE(moviedamaged()) << "most of this small movie is in the sprite";
    EXPECT_TRUE(roundtrip(rows[0].file).empty());
    setsalvage(1);
    EXPECT_EQ(swfb::listtags(swfb::inflatemovie(roundtrip(rows[0].file))).size(), 1u);
    for (uint32_t len : {0xFFFFFFFFu, 0xFFFFFFFAu, 0x80000000u}) {
        Bytes t{0x3F, 0x03, uint8_t(len), uint8_t(len >> 8), uint8_t(len >> 16), uint8_t(len >> 24), 1, 2};
        load(movie({action(1), t}));
        EXPECT_EQ(loadedcodes(), (std::vector<int>{12})) << len;
        Bytes sp{0xFF, 0x09, uint8_t(len), uint8_t(len >> 8), uint8_t(len >> 16), uint8_t(len >> 24), 1, 0, 1, 0};
        load(movie({action(1), sp, action(2)}));
        EXPECT_EQ(loadedcodes(), (std::vector<int>{12})) << len;
    }
}

TEST_F(Container, CompressedLengthUsesAllFourBytes) {
    // FileLength 16 MiB + 16: the top byte is 1.
    const size_t total = (16u << 20) + 16;
    const size_t hs = headersize(movie({}));
    Bytes big = swfb::tag(12, Bytes(total - hs - 6 - 2, 0), true);
    Bytes in = movie({big}, 10, 'C');
    ASSERT_EQ(in[7], 1);
    load(in);
    ASSERT_TRUE(fileloaded());
    ASSERT_EQ(tagcount(), 2);
    EXPECT_EQ(length(tags[0]->rawbody), total - hs - 8);
    EXPECT_EQ(tags[1]->tagcode, 0);
}

TEST_F(Container, DecompressionStopsAtTheLimitOrTheDeclaredLength) {
    Bytes in = movie({action(1, 500)}, 10, 'C');
    unsigned char* a = nullptr;
    bytearrayappendraw(a, in.data(), in.size());
    EXPECT_EQ(unzipfile(a, 100), 1);
    EXPECT_EQ((std::array<uint32_t, 2>{length(a), a[0]}), (std::array<uint32_t, 2>{100, 'F'}));
    EXPECT_EQ(unzipfile(a, -1), 0);  // already plain
    EXPECT_EQ(zipfile(a), 1);
    EXPECT_EQ(a[0], 'C');
    EXPECT_EQ(zipfile(a), 0);
    freearray(a);
    // A declared length shorter than the stream cuts the movie there.
    in[4] = 40;
    in[5] = in[6] = in[7] = 0;
    bytearrayappendraw(a, in.data(), in.size());
    unzipfile(a, -1);
    EXPECT_EQ(length(a), 40u);
    freearray(a);
    // Whether the stream goes on past the limit.
    for (uint32_t limit : {1000u, 2000u, 5000u}) {
        bytearrayappendraw(a, Bytes(2000, 9).data(), 2000);
        ziparray(a);
        bool more = true;
        unziparray(a, limit, nullptr, &more);
        EXPECT_EQ(more, limit < 2000) << limit;
        freearray(a);
    }
}

// Far-apart repeats that zlib's 32 KiB window cannot see and LZMA can.
static Bytes lzmafriendly(uint8_t version) {
    std::mt19937 rng(11);
    Bytes block(40000);
    for (auto& b : block) b = uint8_t(rng());
    return movie({swfb::tag(77, block), swfb::tag(77, block), swfb::showframe()}, version);
}

TEST_F(Container, LzmaOutputForVersionThirteenReadsBack) {
    Bytes in = lzmafriendly(13);
    setlzmaout(1);
    Bytes out = roundtrip(in);
    ASSERT_GT(out.size(), 17u);
    EXPECT_EQ(out[0], 'Z');
    EXPECT_EQ(le32(out, 4), in.size());
    EXPECT_EQ(le32(out, 8), out.size() - 17);  // LZMA data without its 5 property bytes
    EXPECT_LT(out.size(), 45000u);
    EXPECT_EQ(roundtrip(out).at(0), 'Z');
    setlzmaout(0);
    EXPECT_EQ(swfb::inflatemovie(roundtrip(out)), in);
    // Never for older versions.
    setlzmaout(1);
    EXPECT_EQ(roundtrip(lzmafriendly(12)).at(0), 'C');
}

TEST_F(Container, ProjectorRoundTripKeepsTheStub) {
    Bytes stub(1000);
    for (size_t i = 0; i < stub.size(); ++i) stub[i] = uint8_t(i * 31);
    stub[0] = 'M';
    stub[1] = 'Z';
    const std::vector<Bytes> t{swfb::setbackground(3, 3, 3), action(1, 100)};
    Bytes m = movie(t, 8);
    Bytes exe = swfb::projector(stub, movie(t, 8, 'C'));
    Bytes out = roundtrip(exe, 1);
    ASSERT_GT(out.size(), stub.size() + 8);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + long(stub.size())), stub);
    EXPECT_EQ(le32(out, out.size() - 8), 0xFA123456u);
    EXPECT_EQ(le32(out, out.size() - 4), out.size() - 8 - stub.size());
    Bytes embedded(out.begin() + long(stub.size()), out.end() - 8);
    EXPECT_EQ(embedded[0], 'C');
    EXPECT_EQ(swfb::inflatemovie(embedded), m);
    // A plain movie after a projector: no stub left over from it.
    Bytes in = movie({action(2)});
    out = roundtrip(in, 1);
    EXPECT_EQ(out[0], 'C');
    EXPECT_EQ(swfb::inflatemovie(out), in);
    // A host stub file is used for projectors; a named one that does not exist is not.
    const Bytes hoststub{'M', 'Z', 'h', 'o', 's', 't'};
    swfb::writefile(dir.file("stub.bin"), hoststub);
    std::snprintf(CCexefile, sizeof CCexefile, "%s", dir.file("stub.bin").c_str());
    out = roundtrip(in, 1);
    ASSERT_GT(out.size(), hoststub.size() + 8);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 6), hoststub);
    EXPECT_EQ(le32(out, out.size() - 4), out.size() - 8 - hoststub.size());
    std::snprintf(CCexefile, sizeof CCexefile, "%s", dir.file("gone.bin").c_str());
    EXPECT_EQ(roundtrip(in, 1).at(0), 'C');
}

// Random bytes changed, then every prefix: never a crash, never a file without a reason or an output cut short.
TEST_F(Container, CorruptedMoviesAndEveryPrefixAreHandled) {
    const std::vector<Bytes> t = {swfb::setbackground(1, 2, 3), swfb::sprite(4, 1, {action(1), swfb::showframe()}),
                                  swfb::sprite(5, 1, {swfb::sprite(6, 1, {action(3)})}), action(2, 70),
                                  swfb::showframe()};
    const Bytes f = movie(t);
    std::vector<Bytes> sources = {f, movie(t, 13, 'C'), movie(t, 13, 'Z')};
    setfastzip(1);
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        Bytes b = sources[size_t(round) % sources.size()];
        for (int k = 0, flips = 1 + int(rng() % 4); k < flips; ++k) b[rng() % b.size()] = uint8_t(rng());
        load(b);
        if (write().empty()) {
            EXPECT_NE(std::string(lasterror()), "");
        }
    }
    sources.push_back(swfb::projector({'M', 'Z', 0, 0}, movie(t, 9, 'C')));
    setsalvage(1);  // every prefix is damaged; what could be read must still come out whole
    for (const Bytes& src : sources) {
        for (size_t n = 0; n <= src.size(); ++n) {
            load(Bytes(src.begin(), src.begin() + long(n)));
            const bool wasloaded = fileloaded();
            const Bytes o = write(1);
            if (!wasloaded) {
                EXPECT_TRUE(o.empty()) << n;
                EXPECT_NE(std::string(lasterror()), "") << n;
                continue;
            }
            ASSERT_FALSE(o.empty()) << src[0] << " " << n << " " << lasterror();
            // What was written is a readable movie whose tags are the input's first ones.
            if (o[0] == 'M') continue;
            auto got = swfb::listtags(swfb::inflatemovie(o)), want = swfb::listtags(f);
            ASSERT_LE(got.size(), want.size());
            for (size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(got[i].code, want[i].code);
                EXPECT_EQ(got[i].body, want[i].body);
            }
        }
    }
}

// ---- damaged data ----

namespace {
// A long DoAction header claiming claim body bytes, followed by have of them.
Bytes overlong(uint32_t claim, size_t have) {
    Bytes t{0x3F, 0x03, uint8_t(claim), uint8_t(claim >> 8), uint8_t(claim >> 16), uint8_t(claim >> 24)};
    t.resize(t.size() + have, 7);
    return t;
}
}  // namespace

TEST_F(Container, DamageIsMeasuredAndNamed) {
    const Bytes big = action(1, 20000), packed = movie({big, swfb::showframe()}, 10, 'C');
    const auto cut = [](Bytes b, size_t n) { return Bytes(b.begin(), b.end() - long(n)); };
    Bytes badcheck = packed;
    badcheck.back() ^= 0x55;  // the adler32 is the stream's last four bytes
    Bytes shortlen = movie({big, action(2, 50)}, 10, 'C');
    shortlen[4] = 100;  // FileLength far below the stream
    shortlen[5] = shortlen[6] = shortlen[7] = 0;
    Bytes longlen = movie({big}, 10, 'C');
    longlen[7] = 0x40;
    Bytes junkafterend = movie({action(1, 200)});
    const Bytes junk = overlong(5000, 40);
    junkafterend.insert(junkafterend.end(), junk.begin(), junk.end());
    struct Case {
        const char* name;
        Bytes file;
        bool damaged;
        int64_t dropped;
        const char* text;  // part of damagetext(); "" when it must be empty
    };
    const Case cases[] = {
        {"bad check", badcheck, true, 0, "zlib check failed after "},
        {"cut stream", cut(packed, 6), true, -1, "zlib stream cut short"},
        {"cut LZMA stream", cut(movie({big, swfb::showframe()}, 13, 'Z'), 8), true, -1, "LZMA stream cut short"},
        {"FileLength too small", shortlen, false, 0, ""},
        {"FileLength too large", longlen, false, 0, ""},
        {"junk after End", junkafterend, false, 46, "claims 5,006 bytes but 46 remain (after the End tag)"},
        // No End and the last DoAction 3 bytes short; then a claim whose damage took the End tag.
        {"last tag 3 bytes short", cut(movie({big, action(3, 10)}), 2 + 3), false, 10, "claims 13 bytes but 10 remain"},
        {"tag claims 17 MB", cut(movie({action(1, 100), overlong(17305850, 3000)}), 2), true, 3006,
         "claims 17,305,856 bytes but 3,006 remain"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        load(c.file);
        ASSERT_TRUE(fileloaded());
        EXPECT_EQ(moviedamaged(), c.damaged);
        if (c.dropped >= 0) {
            EXPECT_EQ(CCdamage.dropped, c.dropped);
        }
        if (*c.text) {
            EXPECT_NE(damagetext().find(c.text), std::string::npos) << damagetext();
        } else {
            EXPECT_EQ(damagetext(), "");
        }
    }
    // FileLength below the stream loses nothing: every tag was read.
    load(shortlen);
    EXPECT_EQ(loadedcodes(), (std::vector<int>{12, 12, 0}));
}

// ---- floods and limits ----

namespace {
// A 'CWS' movie declaring `declared` bytes whose body is a header and `zeros` zero bytes, deflated piece by piece so
// that no gigabyte is ever held.
Bytes zerostream(uint64_t zeros, uint32_t declared) {
    Bytes out{'C', 'W', 'S', 10, 0, 0, 0, 0}, chunk(1 << 20, 0), buf(1 << 16);
    for (int i = 0; i < 4; ++i) out[4 + size_t(i)] = uint8_t(declared >> (8 * i));
    chunk[2] = 0x18;  // the first chunk opens with an empty stage, the rate and one frame
    chunk[3] = 0x01;
    z_stream zs{};
    deflateInit(&zs, 1);
    for (uint64_t left = zeros + 5; left > 0; chunk[2] = chunk[3] = 0) {
        const size_t n = size_t(std::min<uint64_t>(left, chunk.size()));
        left -= n;
        zs.next_in = chunk.data();
        zs.avail_in = uInt(n);
        do {
            zs.next_out = buf.data();
            zs.avail_out = uInt(buf.size());
            deflate(&zs, left ? Z_NO_FLUSH : Z_FINISH);
            out.insert(out.end(), buf.begin(), buf.end() - zs.avail_out);
        } while (zs.avail_out == 0);
    }
    deflateEnd(&zs);
    return out;
}
}  // namespace

TEST_F(Container, RunsOfPassThroughTagsShareOneEntryAndComeBackByteForByte) {
    const std::vector<Bytes> frames(100000, swfb::showframe());
    std::vector<Bytes> mixed(10, swfb::showframe());
    mixed.push_back(action(1));
    mixed.insert(mixed.end(), 10, swfb::showframe());
    const Bytes label = swfb::tag(43, {'f', 0});  // FrameLabel "f"
    std::vector<Bytes> inner(20, label);
    inner.push_back(swfb::showframe());
    std::vector<Bytes> zerosafterend{swfb::showframe(), swfb::end(), Bytes(1 << 20, 0)};
    const std::vector<Bytes> longheads(10, swfb::tag(43, {'f', 0}, true)), shortheads(10, label);
    struct Case {
        const char* name;
        std::vector<Bytes> tags;
        std::vector<int> codes;  // of the entries; 0xFFFF is a run
        std::vector<Bytes> written{};  // when not the same tags
    };
    const Case cases[] = {
        {"long headers of short tags are written short", longheads, {0xFFFF, 0}, shortheads},
        {"a flood of empty tags", frames, {0xFFFF, 0}},
        {"fewer than a run stay apart", std::vector<Bytes>(7, swfb::showframe()), {1, 1, 1, 1, 1, 1, 1, 0}},
        {"a counted tag splits the runs", mixed, {0xFFFF, 12, 0xFFFF, 0}},
        {"zeros after the End are kept as bytes", zerosafterend, {1, 0, 0xFFFF}},
        {"a run inside a sprite", {swfb::sprite(2, 1, inner), swfb::place2(2, 1, 0, 0)}, {39, 0xFFFF, 0, 26, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes in = movie(c.tags);
        load(in);
        ASSERT_TRUE(fileloaded());
        EXPECT_EQ(loadedcodes(), c.codes);
        EXPECT_EQ(swfb::inflatemovie(roundtrip(in)), c.written.empty() ? in : movie(c.written));
    }
}

TEST_F(Container, MoviesBeyondTheLimitsFailWithAReason) {
    const struct {
        const char* name;
        Bytes file;
        off_t size;  // when not 0, the file is made this large, sparse: nothing is written
        const char* error;
    } cases[] = {
        {"declared and held past 1 GiB", zerostream(kmaxmovie, 3000000000u), 0,
         "too large: 3.0 GB uncompressed, the limit is 1 GiB"},
        {"a file past 1 GiB", movie({swfb::showframe()}), 1200000000,
         "too large: a 1.2 GB file, the limit is 1 GiB uncompressed"},
        {"more tags than the limit", movie(std::vector<Bytes>(60, action(1))), 0,
         "too many tags: more than the limit of 50 that are read one by one"},
    };
    CCmaxtags = 50;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string in = dir.file("big.swf"), out = dir.file("out.swf");
        swfb::writefile(in, c.file);
        ASSERT_EQ(c.size ? truncate(in.c_str(), c.size) : 0, 0);
        two_readfile(in.c_str());
        expectrefused();
        EXPECT_EQ(std::string(lasterror()), c.error);
        dooptimize(out.c_str(), 0);
        EXPECT_FALSE(exists(out));
    }
    // Runs count once: a flood of pass-through tags stays under the limit.
    load(movie(std::vector<Bytes>(60, swfb::showframe())));
    EXPECT_TRUE(fileloaded());
    CCmaxtags = kmaxtags;
    // A declared length past the limit over a stream that is not is a broken field.
    load(zerostream(1000, 3000000000u));
    EXPECT_TRUE(fileloaded());
}
