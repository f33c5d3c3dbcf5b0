#include "support/enginerun.h"

#include <lzma.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "pipeline/tagsmith.h"

namespace swfb {

static bool isprojectorfile(const std::string& path) {
    char head[2] = {};
    std::ifstream f(path, std::ios::binary);
    return f.read(head, 2) && head[0] == 'M' && head[1] == 'Z';
}

Bytes inflateall(const uint8_t* data, size_t size, size_t expect) {
    Bytes out;
    out.reserve(expect < (64u << 20) ? expect : (64u << 20));
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return out;
    zs.next_in = const_cast<uint8_t*>(data);
    zs.avail_in = uInt(size);
    uint8_t chunk[1 << 16];
    int rc;
    do {
        zs.next_out = chunk;
        zs.avail_out = sizeof chunk;
        rc = inflate(&zs, Z_NO_FLUSH);
        out.insert(out.end(), chunk, chunk + (sizeof chunk - zs.avail_out));
    } while (rc == Z_OK && out.size() < (1u << 30));
    inflateEnd(&zs);
    return out;
}

Bytes unlzma(const uint8_t* data, size_t size, uint64_t expect) {
    Bytes out;
    if (size < 5) return out;
    lzma_filter filters[2]{};
    filters[0].id = LZMA_FILTER_LZMA1;
    if (lzma_properties_decode(&filters[0], nullptr, data, 5) != LZMA_OK) return out;
    auto* opt = static_cast<lzma_options_lzma*>(filters[0].options);
    filters[0].id = LZMA_FILTER_LZMA1EXT;
    opt->ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    // A zero length is a broken field: decode to the end marker or the data's end.
    opt->ext_size_low = expect ? uint32_t(expect) : UINT32_MAX;
    opt->ext_size_high = expect ? uint32_t(expect >> 32) : UINT32_MAX;
    filters[1].id = LZMA_VLI_UNKNOWN;
    lzma_stream s = LZMA_STREAM_INIT;
    lzma_ret rc = lzma_raw_decoder(&s, filters);
    free(opt);
    if (rc != LZMA_OK) return out;
    s.next_in = data + 5;
    s.avail_in = size - 5;
    uint8_t chunk[1 << 16];
    do {
        s.next_out = chunk;
        s.avail_out = sizeof chunk;
        rc = lzma_code(&s, LZMA_FINISH);
        out.insert(out.end(), chunk, chunk + (sizeof chunk - s.avail_out));
    } while (rc == LZMA_OK && out.size() < (1u << 30));
    lzma_end(&s);
    return out;
}

EngineRun runengine(const std::string& in, const std::string& out, const Tparams& params,
                    const std::string& toolsdir, const std::string& tmpdir) {
    EngineRun r;
    std::error_code ec;
    std::filesystem::remove(out, ec);
    one_initdata(toolsdir.c_str(), tmpdir.c_str());
    two_readfile(in.c_str());
    r.loaded = fileloaded() != 0;
    r.tags = tagcount();
    three_getflashdata();
    four_getexistsparam();
    five_allimgsetratodef(params.ImgPmps_x, params.ImgPmps_y);
    Tparams p = params;
    p.ImgPmps_x = p.ImgPmps_y = 0;
    six_allparamset(p);
    seven_prepareopt();
    dooptimize(out.c_str(), isprojectorfile(in) ? 1 : 0);
    r.written = dstfilesize() > 0;
    if (!r.written) r.error = lasterror();
    appfina();
    r.outexists = std::filesystem::exists(out, ec);
    if (!r.outexists) return r;

    if (readflashhead(out.c_str()).ok) {
        two_readfile(out.c_str());
        r.reread = fileloaded() != 0;
        if (!r.reread) r.rereaderror = lasterror();
    } else {
        r.rereaderror = "readflashhead refused the output";
    }
    appfina();
    return r;
}

std::string EngineRun::fault() const {
    if (written && !outexists) return "an output size was reported but no file was written";
    if (!written && outexists) return "a file was left at the output path after a failed write";
    if (written && !reread) return "the output does not read back: " + rereaderror;
    if (!written && error.empty()) return "the write failed without a reason";
    return {};
}

Scratchdir::Scratchdir(const char* tag) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + tag + "-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch directory");
    path_ = pattern + "/";
}

Scratchdir::~Scratchdir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

Bytes unpackmovie(const Bytes& file) {
    Bytes movie = file;
    if (movie.size() >= 16 && movie[0] == 'M' && movie[1] == 'Z') {
        size_t n = movie.size();
        uint32_t len = le32(movie, n - 4);
        if (le32(movie, n - 8) != kprojectortrailer || len < 8 || len > n - 8) return {};
        movie = Bytes(movie.end() - 8 - long(len), movie.end() - 8);
    }
    if (movie.size() < 8 || movie[1] != 'W' || movie[2] != 'S') return {};
    const uint32_t declared = le32(movie, 4);
    const size_t expect = declared > 8 ? declared - 8 : 0;
    if (movie[0] == 'F') return movie;
    Bytes body;
    if (movie[0] == 'C') body = inflateall(movie.data() + 8, movie.size() - 8, expect);
    else if (movie[0] == 'Z' && movie.size() >= 17) body = unlzma(movie.data() + 12, movie.size() - 12, expect);
    else return {};
    Bytes out = {'F', 'W', 'S', movie[3], movie[4], movie[5], movie[6], movie[7]};
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace swfb
