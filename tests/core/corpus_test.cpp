// Every real movie of the corpus through the engine with the "Best" preset: the
// output must read back with the same tags in the same order, untouched tags
// byte for byte, and sprites as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <typeinfo>

#include "settings/schema.h"
#include "core/pascal_com.h"
#include "core/swftag.h"
#include "core/tagfactory.h"
#include "support/enginerun.h"
#include "support/swfbuilder.h"

namespace fs = std::filesystem;
using swfb::Bytes;

namespace {

std::vector<std::string> corpusfiles() {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(SHRINKWELL_CORPUS, ec)) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (e.is_regular_file(ec) && (ext == ".swf" || ext == ".exe")) files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    // One empty entry stands for the absent folder, so that the suite reports a skip.
    if (files.empty()) files.emplace_back();
    return files;
}

// True when no tag class claims the code, so the engine must pass the body through.
bool plaincode(int code) {
    static std::map<int, bool> known;
    auto it = known.find(code);
    if (it != known.end()) return it->second;
    unsigned char* data = nullptr;
    pascal_com::setlength(data, 1, 2);
    data[0] = uint8_t(code << 6);
    data[1] = uint8_t(code >> 2);
    Tswftag* tag = createtag(data, 0, uint16_t(code));
    const bool plain = typeid(*tag) == typeid(Tswftag);
    delete tag;
    pascal_com::setlength(data, 1, 0);
    return known[code] = plain;
}

uint32_t le32(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }

// Signature through FrameCount.
size_t headerlength(const Bytes& fws) {
    if (fws.size() < 9) return fws.size();
    const int nbits = fws[8] >> 3;
    return std::min(fws.size(), size_t(8 + (5 + 4 * nbits + 7) / 8 + 4));
}

std::string where(size_t index, const swfb::ParsedTag& t) {
    std::ostringstream s;
    s << "tag #" << index << " (code " << t.code << (t.depth ? ", in a sprite" : "") << ")";
    return s.str();
}

class Corpus : public ::testing::TestWithParam<std::string> {};

TEST_P(Corpus, WritesBackEveryTag) {
    const std::string& path = GetParam();
    if (path.empty()) GTEST_SKIP() << "no corpus folder at " << SHRINKWELL_CORPUS;

    const Tpreset* best = findpreset("Best");
    ASSERT_TRUE(best);
    swfb::Scratchdir dir("corpus");
    const std::string out = dir.file("out.swf");
    const Bytes input = swfb::readfile(path);
    const swfb::EngineRun r = swfb::runengine(path, out, best->params, "/usr/bin/", dir.path());
    ASSERT_EQ(swfb::readfile(path), input) << "the source file was modified";
    if (!r.loaded) {
        ASSERT_FALSE(r.error.empty()) << "the engine refused the file without saying why";
        GTEST_SKIP() << "broken input, refused by the engine: " << r.error;
    }
    ASSERT_EQ(r.fault(), "");
    if (!r.written && r.error.rfind("damaged: ", 0) == 0) GTEST_SKIP() << "damaged input, refused: " << r.error;

    const Bytes before = swfb::unpackmovie(input);
    const Bytes outfile = swfb::readfile(out);
    const Bytes after = swfb::unpackmovie(outfile);
    ASSERT_FALSE(before.empty()) << "the engine loaded a file this test cannot unpack";
    ASSERT_GE(after.size(), 8u) << "the output cannot be unpacked";
    EXPECT_EQ(outfile[0], input[0] == 'M' ? 'M' : 'C') << "output must be compressed, projectors stay projectors";
    EXPECT_EQ(le32(after, 4), after.size()) << "FileLength must count the uncompressed output";
    EXPECT_EQ(after[3], before[3]) << "version";
    const size_t hb = headerlength(before), ha = headerlength(after);
    EXPECT_EQ(Bytes(after.begin() + 8, after.begin() + long(ha)), Bytes(before.begin() + 8, before.begin() + long(hb)))
        << "frame size, rate and count";

    const auto a = swfb::listtags(before);
    const auto b = swfb::listtags(after);
    size_t i = 0, j = 0, dropped = 0;
    while (i < a.size() && j < b.size()) {
        // Every re-encoded bitmap is written as a DefineBitsJPEG2, or a 3 when it has alpha.
        const bool reencoded = (a[i].code == 6 || a[i].code == 20 || a[i].code == 21 || a[i].code == 35 ||
                                a[i].code == 36) && (b[j].code == 21 || b[j].code == 35);
        if (a[i].code != b[j].code && !reencoded) {
            // An emptied SoundStreamBlock is left out of the output.
            if (a[i].code == 19) {
                ++i;
                ++dropped;
                continue;
            }
            FAIL() << where(i, a[i]) << " came out as " << where(j, b[j]);
        }
        ASSERT_EQ(a[i].depth, b[j].depth) << where(i, a[i]) << " moved into or out of a sprite";
        if (plaincode(a[i].code)) {
            EXPECT_EQ(a[i].body, b[j].body) << where(i, a[i]) << " changed but has no tag class";
        }
        ++i;
        ++j;
    }
    while (i < a.size() && a[i].code == 19) ++i, ++dropped;
    EXPECT_EQ(i, a.size()) << "the output lost tags from " << (i < a.size() ? where(i, a[i]) : "");
    EXPECT_EQ(j, b.size()) << "the output has tags the input did not";
    RecordProperty("dropped_stream_blocks", int(dropped));
}

std::string testname(const ::testing::TestParamInfo<std::string>& info) {
    if (info.param.empty()) return "absent";
    std::string name = fs::path(info.param).filename().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Movies, Corpus, ::testing::ValuesIn(corpusfiles()), testname);

}  // namespace
