// Bitmaps encoded on a pool of threads: the same bytes as on one thread.
#include "imagetest.h"
#include "media/imagebatch.h"

using namespace imagetest;

namespace {

TEST(ImageBatch, PoolWritesTheSameBytesAsOneThread) {
    std::vector<Bytes> tags;
    Bytes tables, image;
    swfb::splitjpeg(swfb::jpegimage(40, 40, 90, 3, 7), tables, image);
    tags.push_back(swfb::jpegtables(tables));
    tags.push_back(swfb::definebits(30, image));
    for (uint16_t id = 1; id <= 8; ++id) {
        tags.push_back(swfb::definebitsjpeg2(id, swfb::jpegimage(48 + id, 32, 95, 3, id)));
        tags.push_back(swfb::bitmapshape(uint16_t(100 + id), id, 640, 480, (8 + id) * kOne, 12 * kOne));
    }
    tags.push_back(swfb::definebitsjpeg3(9, swfb::jpegimage(20, 20, 95), Bytes(400, 128)));
    // With the lossless rewrites on, the repack of a large bitmap runs beside the re-encodes.
    Bytes argb(256 * 256 * 4);
    for (size_t i = 0; i < argb.size(); ++i) argb[i] = uint8_t(i % 4 == 0 ? 255 : i * 7 / 5);
    tags.push_back(swfb::definebitslossless2(20, 5, 256, 256, argb));
    Tparams p = imageparams();
    p.Img_Dm = p.Img_Iaco = 1;
    CCimagethreads = 1;
    const Imagerun one = runimages(tags, p);
    CCimagethreads = 4;
    const Imagerun four = runimages(tags, p);
    CCimagethreads = 0;
    EXPECT_EQ(one.file, four.file);
    EXPECT_EQ(one.factors, four.factors);
    EXPECT_EQ((std::array{one.stats.shrunk, one.stats.reencoded, one.stats.repacked}), (std::array{6, 6, 4}));
}

TEST(ImageBatch, ResultsInAnyOrderAndUnusedJobsAreDropped) {
    std::vector<Tbitmapinput> jobs(5);
    for (int i = 0; i < 5; ++i) {
        const Bytes j = swfb::jpegimage(16, 16, 90, 3, uint32_t(i));
        jobs[i].readcode = 21;
        jobs[i].id = uint16_t(i);
        jobs[i].width = jobs[i].height = 16;
        jobs[i].newwidth = jobs[i].newheight = 8;
        jobs[i].stream.assign(j.begin(), j.end());
    }
    const Tbitmapresult alone = encodebitmap(jobs[3]);
    {
        Timagebatch b(jobs, 3);
        const Tbitmapresult r3 = b.take(3);
        EXPECT_TRUE(r3.ok);
        EXPECT_EQ(r3.body, alone.body);
        EXPECT_TRUE(b.take(0).ok);
        EXPECT_FALSE(b.take(3).ok) << "taken twice";
        EXPECT_FALSE(b.take(9).ok);
        // Jobs 1, 2 and 4 are left to the destructor.
    }
    jobs[2].width = 0;
    Timagebatch b(jobs, 1);
    EXPECT_EQ(b.threads(), 0);
    EXPECT_FALSE(b.take(2).ok);
}

}  // namespace
