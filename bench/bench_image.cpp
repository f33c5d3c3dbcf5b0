// Image re-encoding speed over the corpus bitmaps: decode, scale and encode
// each in megapixels per second, beside libjpeg-turbo's own decode + encode of
// the same JPEG data; then whole movies written with the bitmaps encoded on
// one thread and on the pool, whose outputs must be the same bytes.
//   bench_image [--reps N] [folder]
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>
#include <string>
#include <vector>

#include "core/container.h"
#include "pipeline/pipeline.h"
#include "core/swftag.h"
#include "pipeline/tagsmith.h"
#include "media/bitmapjob.h"
#include "media/canvas.h"
#include "media/definejpeg.h"
#include "media/imagebatch.h"
#include "media/imagescale.h"
#include "media/jpegcodec.h"
#include "media/ssim.h"
#include "support/enginerun.h"
#include "support/swfbuilder.h"

namespace fs = std::filesystem;
using swfb::Bytes;

namespace {

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

double best(int reps, const std::function<void()>& f) {
    double t = 1e30;
    for (int i = 0; i < reps; ++i) {
        const double t0 = now();
        f();
        t = std::min(t, now() - t0);
    }
    return t;
}

struct Bitmap {
    Tbitmapinput input;
    std::vector<uint8_t> canvas;  // decoded, for the scale and encode rows
    std::vector<uint8_t> small;   // scaled to half, for the encode row
};

// Every bitmap the engine would re-encode, copied out of the loaded movie.
void collect(const std::string& path, std::vector<Bitmap>& out, const std::string& tmp) {
    one_initdata("/nonexistent/", tmp.c_str());
    two_readfile(path.c_str());
    for (int i = 0; i < tagcount(); ++i) {
        auto* b = dynamic_cast<Tswftag_definejpeg*>(tags[i]);
        if (!b || b->keepraw || b->colormapped) continue;
        Bitmap m;
        Tbitmapinput& in = m.input;
        in.readcode = b->tagcode;
        in.id = b->characterid;
        in.width = b->canvaswidth;
        in.height = b->canvasheight;
        in.format = b->bitmapformat;
        if (in.readcode == 20 || in.readcode == 36) {
            const uint32_t n = pascal_com::length(b->rawbody);
            if (n > 7) in.packed.assign(b->rawbody + 7, b->rawbody + n);
        } else {
            in.stream.assign(b->jpegstream, b->jpegstream + pascal_com::length(b->jpegstream));
            in.alphadata.assign(b->alphadata, b->alphadata + pascal_com::length(b->alphadata));
        }
        in.newwidth = std::max(1, in.width / 2);
        in.newheight = std::max(1, in.height / 2);
        in.quality = 90;
        out.push_back(std::move(m));
    }
    appfina();
}

bool decode(Bitmap& b) {
    const Tbitmapinput& in = b.input;
    if (!in.stream.empty()) {
        int w, h, c;
        return JpegtoCanvas24(in.stream.data(), in.stream.size(), b.canvas, w, h, c);
    }
    std::vector<uint8_t> px, alpha;
    const size_t want = losslessbytes(in.readcode, in.format, in.width, in.height);
    if (!want || !inflateblock(in.packed.data(), in.packed.size(), want, px, false)) return false;
    if (in.readcode == 20) losslesstocanvas(in.format, px.data(), in.width, in.height, b.canvas);
    else lossless2tocanvas(px.data(), in.width, in.height, b.canvas, alpha);
    return true;
}

struct Jumperr {
    jpeg_error_mgr pub;
    std::jmp_buf back;
};
[[noreturn]] void jump(j_common_ptr c) { std::longjmp(reinterpret_cast<Jumperr*>(c->err)->back, 1); }

// libjpeg-turbo alone doing the job's work at full size: decode to RGB, encode
// at 90 with the engine's settings (jpegcodec.cpp: 4:4:4, fitted Huffman tables).
void turbo(const std::vector<uint8_t>& stream) {
    jpeg_decompress_struct d{};
    Jumperr e{};
    d.err = jpeg_std_error(&e.pub);
    e.pub.error_exit = jump;
    std::vector<uint8_t> rgb;
    if (setjmp(e.back)) {
        jpeg_destroy_decompress(&d);
        return;
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, stream.data(), static_cast<unsigned long>(stream.size()));
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    const size_t stride = size_t(d.output_width) * 3;
    rgb.resize(stride * d.output_height);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = rgb.data() + stride * d.output_scanline;
        jpeg_read_scanlines(&d, &row, 1);
    }
    const int w = int(d.output_width), h = int(d.output_height);
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    jpeg_compress_struct c{};
    c.err = jpeg_std_error(&e.pub);
    e.pub.error_exit = jump;
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    if (setjmp(e.back)) {
        jpeg_destroy_compress(&c);
        std::free(buf);
        return;
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    c.comp_info[0].h_samp_factor = 1;
    c.comp_info[0].v_samp_factor = 1;
    c.optimize_coding = TRUE;
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = rgb.data() + stride * c.next_scanline;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::free(buf);
}

double engineonce(const std::string& path, const std::string& out, const Tparams& params, const std::string& tmp) {
    one_initdata("/nonexistent/", tmp.c_str());
    two_readfile(path.c_str());
    five_allimgsetratodef(0, 0);
    six_allparamset(params);
    const double t0 = now();
    dooptimize(out.c_str(), 0);
    const double t = now() - t0;
    appfina();
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    int reps = 3;
    bool statsonly = false;
    std::string folder = SHRINKWELL_CORPUS;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--reps") && i + 1 < argc) reps = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--stats")) statsonly = true;
        else folder = argv[i];
    }
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        std::printf("bench_image: no corpus at %s, skipped\n", folder.c_str());
        return 0;
    }
    swfb::Scratchdir dir("bench_image");
    std::vector<std::string> paths;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.is_regular_file(ec) && e.path().extension() == ".swf") paths.push_back(e.path().string());
    std::sort(paths.begin(), paths.end());

    if (statsonly) {
        // What happened to each movie's bitmaps at the default settings.
        Tparams params;
        paramssetdef(params);
        params.Img_Aio = 0;
        params.Img_ForceZip = 0;
        params.Sha_ForceCCR = params.Sha_FontCCR = 20;
        params.Skip_Sound = params.Skip_Video = 1;
        Timagestats total;
        std::printf("%-60s %5s %5s %5s %5s %5s %5s %5s %5s %5s  keepsize: named uncorr placed early twice\n", "movie",
                    "new", "shrnk", "longr", "floor", "fail", "nojpg", "norgb", "cmap", "bad");
        for (const std::string& p : paths) {
            imagestatsclear();
            engineonce(p, dir.file("s.swf"), params, dir.path());
            const Timagestats& s = CCimagestats;
            if (!s.reencoded && !s.keptlonger && !s.keptquality && !s.keptfailed && !s.notjpeg && !s.notrgb && !s.colormapped && !s.badheader)
                continue;
            std::printf("%-60s %5d %5d %5d %5d %5d %5d %5d %5d %5d  %d %d %d %d %d\n", fs::path(p).filename().c_str(),
                        s.reencoded, s.shrunk, s.keptlonger, s.keptquality, s.keptfailed, s.notjpeg, s.notrgb, s.colormapped, s.badheader,
                        s.keepsize[1], s.keepsize[2], s.keepsize[3], s.keepsize[4], s.keepsize[5]);
            total.reencoded += s.reencoded;
            total.shrunk += s.shrunk;
            total.keptlonger += s.keptlonger;
            total.keptquality += s.keptquality;
            total.keptfailed += s.keptfailed;
            total.notjpeg += s.notjpeg;
            total.notrgb += s.notrgb;
            total.colormapped += s.colormapped;
            total.badheader += s.badheader;
            for (int k = 0; k < 8; ++k) total.keepsize[k] += s.keepsize[k];
        }
        const Timagestats& s = total;
        std::printf("%-60s %5d %5d %5d %5d %5d %5d %5d %5d %5d  %d %d %d %d %d\n", "total", s.reencoded, s.shrunk,
                    s.keptlonger, s.keptquality, s.keptfailed, s.notjpeg, s.notrgb, s.colormapped, s.badheader, s.keepsize[1],
                    s.keepsize[2], s.keepsize[3], s.keepsize[4], s.keepsize[5]);
        return 0;
    }

    std::vector<Bitmap> bitmaps;
    std::vector<std::pair<size_t, std::string>> withimages;  // source pixels, path
    std::vector<std::pair<size_t, size_t>> ranges;           // of bitmaps, one a movie in withimages
    size_t movies = 0;
    for (const std::string& p : paths) {
        const size_t before = bitmaps.size();
        collect(p, bitmaps, dir.path());
        size_t px = 0;
        for (size_t i = before; i < bitmaps.size(); ++i) px += size_t(bitmaps[i].input.width) * bitmaps[i].input.height;
        if (px) ++movies;
        // The pool's goal is for movies with four bitmaps or more.
        if (px && bitmaps.size() - before >= 4) {
            withimages.push_back({px, p});
            ranges.push_back({before, bitmaps.size()});
        }
    }
    // The rows up to the pool's are the work of one thread.
    CCimagethreads = 1;
    // Decoded once outside the timings so that each row times one step.
    std::vector<Bitmap*> ok, jpegs;
    double mp = 0, jpegmp = 0;
    for (Bitmap& b : bitmaps) {
        if (!decode(b)) continue;
        ok.push_back(&b);
        mp += double(b.input.width) * b.input.height / 1e6;
        if (!b.input.stream.empty()) {
            jpegs.push_back(&b);
            jpegmp += double(b.input.width) * b.input.height / 1e6;
        }
        b.small = b.canvas;
        int w = b.input.width, h = b.input.height;
        Canvas24Scale(b.small, w, h, b.input.newwidth, b.input.newheight);
    }
    const double tdecode = best(reps, [&] {
        std::vector<uint8_t> keep;
        for (Bitmap* b : ok) {
            keep.swap(b->canvas);
            decode(*b);
        }
    });
    const double tscale = best(reps, [&] {
        for (Bitmap* b : ok) {
            std::vector<uint8_t> c = b->canvas;
            int w = b->input.width, h = b->input.height;
            Canvas24Scale(c, w, h, b->input.newwidth, b->input.newheight);
        }
    });
    const double tbox = best(reps, [&] {
        for (Bitmap* b : ok) {
            std::vector<uint8_t> c = b->canvas;
            int w = b->input.width, h = b->input.height;
            Canvas24Scale_HalfTone(c, w, h, b->input.newwidth, b->input.newheight);
        }
    });
    const double tcopy = best(reps, [&] {
        for (Bitmap* b : ok) {
            std::vector<uint8_t> c = b->canvas;
            if (c.empty()) std::puts("");
        }
    });
    const double tencode = best(reps, [&] {
        std::vector<uint8_t> out;
        for (Bitmap* b : ok) Canvas24toJpeg(b->canvas.data(), b->input.width, b->input.height, out, 90);
    });
    const double tencodesmall = best(reps, [&] {
        std::vector<uint8_t> out;
        for (Bitmap* b : ok) Canvas24toJpeg(b->small.data(), b->input.newwidth, b->input.newheight, out, 90);
    });
    const double tjob = best(reps, [&] {
        for (Bitmap* b : ok) encodebitmap(b->input);
    });
    const double tjobfloor = best(reps, [&] {
        for (Bitmap* b : ok) {
            Tbitmapinput in = b->input;
            in.minssim = imagessimfloor(0);
            encodebitmap(in);
        }
    });
    const double tssim = best(reps, [&] {
        for (Bitmap* b : ok) {
            const std::vector<uint8_t> y = canvasluma(b->canvas, b->input.width, b->input.height);
            if (planessim(y.data(), y.data(), b->input.width, b->input.height) < 0) std::puts("");
        }
    });
    const double tjpegjob = best(reps, [&] {
        for (Bitmap* b : jpegs) {
            Tbitmapinput in = b->input;
            in.newwidth = in.width;
            in.newheight = in.height;
            encodebitmap(in);
        }
    });
    const double tturbo = best(reps, [&] {
        for (Bitmap* b : jpegs) turbo(b->input.stream);
    });

    std::printf("bench_image: %zu bitmaps (%.2f MP) re-encodable in %zu movies of %s, best of %d\n", ok.size(), mp,
                movies, folder.c_str(), reps);
    std::printf("  %-50s %9s %9s\n", "", "s", "MP/s");
    auto row = [](const char* name, double t, double m) { std::printf("  %-50s %9.4f %9.1f\n", name, t, m / t); };
    row("decode (JPEG, or inflate + convert)", tdecode, mp);
    row("scale to half (nearest, incl. copy of the canvas)", tscale, mp);
    row("scale to half (area average, as the engine does)", tbox, mp);
    row("  of which copying the canvas", tcopy, mp);
    row("encode at full size, q90, 4:4:4, fitted tables", tencode, mp);
    row("encode at half size (MP of the source)", tencodesmall, mp);
    row("whole job to half size: decode+scale+encode", tjob, mp);
    row("whole job to half size with the Best SSIM floor", tjobfloor, mp);
    row("  luma + SSIM alone, at full size", tssim, mp);
    row("JPEG bitmaps: whole job at full size", tjpegjob, jpegmp);
    row("JPEG bitmaps: libjpeg-turbo decode+encode alone", tturbo, jpegmp);
    std::printf("  (libjpeg-turbo alone with the engine's settings: 4:4:4, fitted tables, q90)\n");

    // The pool alone: each movie's bitmaps as one batch, on one thread and on
    // the pool.
    {
        std::printf("  bitmaps of a movie as one batch, 1 thread vs pool of %u:\n",
                    std::max(1u, std::thread::hardware_concurrency()));
        double sum1 = 0, sumn = 0;
        for (size_t m = 0; m < withimages.size(); ++m) {
            std::vector<Tbitmapinput> jobs;
            for (size_t i = ranges[m].first; i < ranges[m].second; ++i) jobs.push_back(bitmaps[i].input);
            auto run = [&](int threads) {
                CCimagethreads = threads;
                Timagebatch batch(jobs, threads);
                for (size_t k = 0; k < batch.size(); ++k) batch.take(k);
            };
            // A few milliseconds each: many turns, one thread and the pool
            // alternating, so that both see the same load.
            double t1 = 1e30, tn = 1e30;
            for (int i = 0; i < std::max(reps, 10); ++i) {
                t1 = std::min(t1, best(1, [&] { run(1); }));
                tn = std::min(tn, best(1, [&] { run(0); }));
            }
            sum1 += t1;
            sumn += tn;
            std::printf("    %-60s %3zu bitmaps %8.3f s %8.3f s  x%.2f\n", fs::path(withimages[m].second).filename().c_str(),
                        jobs.size(), t1, tn, t1 / tn);
        }
        std::printf("    %-60s %11s %8.3f s %8.3f s  x%.2f\n", "batch total", "", sum1, sumn, sum1 / sumn);
    }

    // Whole movies with the most bitmap pixels among those with several
    // bitmaps, sequential against the pool.
    std::sort(withimages.rbegin(), withimages.rend());
    if (withimages.size() > 6) withimages.resize(6);
    Tparams params;
    paramssetdef(params);
    params.Img_Aio = 0;
    params.Sha_ForceCCR = params.Sha_FontCCR = 20;
    params.Skip_Sound = params.Skip_Video = 1;
    const std::string out1 = dir.file("one.swf"), outn = dir.file("pool.swf");
    std::printf("  movie write (dooptimize), 1 thread vs pool of %u:\n", std::max(1u, std::thread::hardware_concurrency()));
    double sum1 = 0, sumn = 0;
    for (const auto& [px, path] : withimages) {
        CCimagethreads = 1;
        const double t1 = best(reps, [&] { engineonce(path, out1, params, dir.path()); });
        CCimagethreads = 0;
        const double tn = best(reps, [&] { engineonce(path, outn, params, dir.path()); });
        const bool same = swfb::readfile(out1) == swfb::readfile(outn);
        sum1 += t1;
        sumn += tn;
        std::printf("    %-60s %6.2f MP %8.3f s %8.3f s  x%.2f %s\n", fs::path(path).filename().c_str(), px / 1e6, t1, tn,
                    t1 / tn, same ? "same bytes" : "OUTPUT DIFFERS");
    }
    std::printf("    %-60s %9s %8.3f s %8.3f s  x%.2f\n", "movie total", "", sum1, sumn, sum1 / sumn);
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("  peak resident memory of this run: %.1f MB\n", u.ru_maxrss / 1024.0);
    return 0;
}
