#include "zhelpers.h"

#include <libdeflate.h>
#include <lzma.h>
#include <zlib.h>

#include <cstring>
#include <memory>

#include "pascal_com.h"

using namespace pascal_com;

int CCfastzip = 0;
int CClzmaout = 0;

void resetzipstate() { CCfastzip = CClzmaout = 0; }
void setfastzip(int fast) { CCfastzip = fast ? 1 : 0; }
void setlzmaout(int on) { CClzmaout = on ? 1 : 0; }

namespace {

// Decompresses the zlib stream in[0, inlen) into out from byte `at` on, at
// most size bytes, out's first `at` bytes kept: a header is not copied once
// more after the movie. As unziparray.
bool inflateinto(const unsigned char* in, uint32_t inlen, uint32_t size, unsigned char*& out, uint32_t at,
                 std::string* why, bool* more) {
    if (more) *more = false;
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) {
        if (why) *why = "decoder could not start";
        return false;
    }
    zs.next_in = const_cast<unsigned char*>(in);
    zs.avail_in = inlen;
    // Grow with the data rather than trusting the declared size up front.
    const uint64_t guess = 4ull * inlen + 4096;
    uint32_t cap = size < guess ? size : uint32_t(guess);
    // Written by inflate before it is read: no zeroing.
    if (cap) out = static_cast<unsigned char*>(setlength_raw(out, 1, size_t(at) + cap, false));
    uint32_t have = 0;
    int rc = Z_OK;
    while (have < size) {
        if (have == cap) {
            uint64_t grow = uint64_t(cap) * 2 + 4096;
            cap = grow > size ? size : uint32_t(grow);
            out = static_cast<unsigned char*>(setlength_raw(out, 1, size_t(at) + cap, false));
        }
        zs.next_out = out + at + have;
        zs.avail_out = cap - have;
        rc = inflate(&zs, Z_NO_FLUSH);
        have = cap - zs.avail_out;
        if (rc != Z_OK) break;
        if (zs.avail_in == 0 && zs.avail_out != 0) break;
    }
    const bool ok = rc == Z_STREAM_END || (rc == Z_OK && have == size);
    if (more && rc == Z_OK && have == size) {
        unsigned char probe;
        zs.next_out = &probe;
        zs.avail_out = 1;
        inflate(&zs, Z_NO_FLUSH);
        *more = zs.avail_out == 0;
    }
    if (why && !ok) {
        if (rc == Z_DATA_ERROR && zs.msg && std::strcmp(zs.msg, "incorrect data check") == 0) *why = "check failed";
        else if (rc == Z_DATA_ERROR) *why = std::string("data error (") + (zs.msg ? zs.msg : "bad data") + ")";
        else if (rc == Z_MEM_ERROR) *why = "ran out of memory";
        else *why = "stream cut short";
    }
    inflateEnd(&zs);
    setlength(out, 1, size_t(at) + have);
    return ok;
}

}  // namespace

bool unziparray(unsigned char*& array, uint32_t size, std::string* why, bool* more) {
    unsigned char* out = nullptr;
    const bool ok = inflateinto(array, length(array), size, out, 0, why, more);
    setlength(array, 1, 0);
    array = out;
    return ok;
}

namespace {

// Compresses data[0, n) into out from byte `at` on (a zlib stream), out's
// first `at` bytes kept: a header is not copied once more after the stream.
void zipinto(const unsigned char* array, uint32_t n, unsigned char*& out, uint32_t at) {
    if (CCfastzip) {
        uLongf bound = compressBound(n);
        out = static_cast<unsigned char*>(setlength_raw(out, 1, size_t(at) + bound, false));
        if (compress2(out + at, &bound, array ? array : reinterpret_cast<const Bytef*>(""), n,
                      Z_DEFAULT_COMPRESSION) != Z_OK)
            throw std::bad_alloc();
        setlength(out, 1, size_t(at) + bound);
    } else {
        // Setting a level-12 compressor up costs more than compressing most
        // tags, so each thread keeps one (bitmaps may be packed on several).
        thread_local std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> c(
            libdeflate_alloc_compressor(12), libdeflate_free_compressor);
        if (!c) throw std::bad_alloc();
        size_t bound = libdeflate_zlib_compress_bound(c.get(), n);
        out = static_cast<unsigned char*>(setlength_raw(out, 1, size_t(at) + bound, false));
        size_t got = libdeflate_zlib_compress(c.get(), array ? array : reinterpret_cast<const unsigned char*>(""), n,
                                              out + at, bound);
        if (!got) throw std::bad_alloc();
        setlength(out, 1, size_t(at) + got);
    }
}

}  // namespace

void zipbytes(const unsigned char* array, uint32_t n, unsigned char*& out) {
    setlength(out, 1, 0);
    zipinto(array, n, out, 0);
}

void ziparray(unsigned char*& array) {
    unsigned char* out = nullptr;
    zipbytes(array, length(array), out);
    setlength(array, 1, 0);
    array = out;
}

int unzipfile(unsigned char*& array, int64_t limit, Tstreamstate* state) {
    uint32_t n = length(array);
    if (n < 8) return 0;
    const char sig = char(array[0]);
    if (sig != 'C' && sig != 'c' && sig != 'Z') return 0;
    uint64_t total = uint32_t(array[4]) | uint32_t(array[5]) << 8 | uint32_t(array[6]) << 16 | uint64_t(array[7]) << 24;
    // A declared length too small to hold even the header is a broken
    // field, not a request for an empty movie: decode what the stream holds.
    const bool unknown = limit == -1 && total < 21;
    if (limit != -1) total = uint64_t(limit);
    if (total > kmaxmovie || unknown) total = kmaxmovie;
    uint32_t body = total > 8 ? uint32_t(total - 8) : 0;
    // The movie is decoded behind a copy of the 8 header bytes, not copied there after.
    unsigned char* out = nullptr;
    bytearrayappend(out, array, 0, 7);
    std::string why;
    bool ok;
    bool more = false;
    if (sig == 'Z') {
        // 'ZWS', version, u32 length, u32 LZMA data length, 5 property bytes, stream.
        if (n < 17) {
            setlength(out, 1, 0);
            return 0;
        }
        unsigned char* decoded = nullptr;
        ok = unlzmaarray(array + 12, n - 12, body, decoded, unknown, &why, &more);
        bytearrayappendraw(out, decoded, length(decoded));
        setlength(decoded, 1, 0);
    } else {
        ok = inflateinto(array + 8, n - 8, body, out, 8, &why, &more);
    }
    if (state) state->capped = more && total == kmaxmovie;
    if (more && total == kmaxmovie) {
        // Refused by the caller: no second copy of a gigabyte.
        setlength(out, 1, 0);
        return 0;
    }
    if (state) {
        state->ok = ok;
        state->why = ok ? std::string() : std::string(sig == 'Z' ? "LZMA " : "zlib ") + why;
        state->decoded = int64_t(length(out));
    }
    out[0] = 'F';
    setlength(array, 1, 0);
    array = out;
    return 1;
}

int zipfile(unsigned char*& array) {
    if (length(array) < 8 || array[0] != 'F') return 0;
    // Packed from where it lies: a second copy of a large movie costs its size.
    const unsigned char* body = array + 8;
    const uint32_t bodylen = length(array) - 8;
    unsigned char* result = nullptr;
    bytearrayappend(result, array, 0, 7);
    result[0] = 'C';
    try {
        zipinto(body, bodylen, result, 8);
    } catch (...) {
        setlength(result, 1, 0);
        throw;
    }
    // LZMA only where players already expect it: never raise the version for it.
    if (CClzmaout && array[3] >= 13) {
        unsigned char* lz = nullptr;
        if (lzmaarray(body, bodylen, lz) && length(lz) + 4 < length(result) - 8) {
            uint32_t datalen = length(lz) - 5;
            unsigned char le[4] = {uint8_t(datalen), uint8_t(datalen >> 8), uint8_t(datalen >> 16),
                                   uint8_t(datalen >> 24)};
            setlength(result, 1, 8);
            result[0] = 'Z';
            bytearrayappendraw(result, le, 4);
            bytearrayappendraw(result, lz, length(lz));
        }
        setlength(lz, 1, 0);
    }
    setlength(array, 1, 0);
    array = result;
    return 1;
}

namespace {

// Sets strm up to decode an SWF's LZMA body (5 property bytes, then the
// stream) into at most size bytes; false when the properties are unusable.
bool lzmastart(lzma_stream& strm, const unsigned char* data, uint32_t datalen, uint32_t size, bool sizeunknown) {
    if (datalen < 5) return false;
    lzma_filter filters[2]{};
    filters[0].id = LZMA_FILTER_LZMA1;
    if (lzma_properties_decode(&filters[0], nullptr, data, 5) != LZMA_OK) return false;
    auto* opt = static_cast<lzma_options_lzma*>(filters[0].options);
    // The window never needs to exceed the output; a damaged header may ask for 4 GiB.
    if (opt->dict_size > size) opt->dict_size = size < 4096 ? 4096 : size;
    filters[0].id = LZMA_FILTER_LZMA1EXT;
    opt->ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    opt->ext_size_low = sizeunknown ? UINT32_MAX : size;
    opt->ext_size_high = sizeunknown ? UINT32_MAX : 0;
    filters[1].id = LZMA_VLI_UNKNOWN;
    strm = LZMA_STREAM_INIT;
    const bool started = lzma_raw_decoder(&strm, filters) == LZMA_OK;
    free(opt);
    if (started) {
        strm.next_in = data + 5;
        strm.avail_in = datalen - 5;
    }
    return started;
}

}  // namespace

namespace {

// Calls step(buffer, size, got) into a throwaway buffer while it says the
// stream goes on, adding what each call decoded to total, up to stop.
template <typename Step>
uint64_t drain(uint64_t total, uint64_t stop, Step step) {
    // On the heap, not thread_local: static TLS is zeroed at the start of
    // every process and thread that loads the library, whether or not it
    // ever decodes.
    constexpr size_t size = 1 << 16;
    const auto sink = std::make_unique_for_overwrite<unsigned char[]>(size);
    for (bool more = true; more && total < stop;) {
        size_t got = 0;
        more = step(sink.get(), size, got);
        total += got;
    }
    return total;
}

}  // namespace

uint64_t decodedlength(const unsigned char* file, uint32_t n, uint64_t stop) {
    if (n < 8 || file[0] == 'F') return n;
    if (file[0] == 'C') {
        z_stream zs{};
        if (inflateInit(&zs) != Z_OK) return 8;
        zs.next_in = const_cast<unsigned char*>(file + 8);
        zs.avail_in = n - 8;
        const uint64_t total = drain(8, stop, [&zs](unsigned char* out, size_t size, size_t& got) {
            zs.next_out = out;
            zs.avail_out = uInt(size);
            const int rc = inflate(&zs, Z_NO_FLUSH);
            got = size - zs.avail_out;
            return rc == Z_OK && !(zs.avail_in == 0 && zs.avail_out != 0);
        });
        inflateEnd(&zs);
        return total;
    }
    if (n < 17) return 8;
    const uint32_t declared = uint32_t(file[4]) | uint32_t(file[5]) << 8 | uint32_t(file[6]) << 16 |
                              uint32_t(file[7]) << 24;
    lzma_stream strm;
    if (!lzmastart(strm, file + 12, n - 12, declared > 8 ? declared - 8 : 0, declared < 21)) return 8;
    const uint64_t total = drain(8, stop, [&strm](unsigned char* out, size_t size, size_t& got) {
        strm.next_out = out;
        strm.avail_out = size;
        const lzma_ret rc = lzma_code(&strm, LZMA_FINISH);
        got = size - strm.avail_out;
        return rc == LZMA_OK && !(strm.avail_in == 0 && strm.avail_out != 0);
    });
    lzma_end(&strm);
    return total;
}

bool unlzmaarray(const unsigned char* data, uint32_t datalen, uint32_t size, unsigned char*& out, bool sizeunknown,
                 std::string* why, bool* more) {
    setlength(out, 1, 0);
    if (more) *more = false;
    std::string ignored;
    std::string& reason = why ? *why : ignored;
    reason = "properties unreadable";
    lzma_stream strm;
    if (!lzmastart(strm, data, datalen, size, sizeunknown)) return false;
    const uint64_t guess = 8ull * datalen + 4096;
    uint32_t cap = size < guess ? size : uint32_t(guess);
    if (cap) setlength(out, 1, cap);
    uint32_t have = 0;
    lzma_ret rc = LZMA_OK;
    while (have < size) {
        if (have == cap) {
            uint64_t grow = uint64_t(cap) * 2 + 4096;
            cap = grow > size ? size : uint32_t(grow);
            setlength(out, 1, cap);
        }
        strm.next_out = out + have;
        strm.avail_out = cap - have;
        rc = lzma_code(&strm, LZMA_FINISH);
        have = cap - uint32_t(strm.avail_out);
        if (rc != LZMA_OK) break;
    }
    if (more && rc == LZMA_OK && have == size) {
        unsigned char probe;
        strm.next_out = &probe;
        strm.avail_out = 1;
        const lzma_ret probed = lzma_code(&strm, LZMA_FINISH);
        *more = probed == LZMA_OK && strm.avail_out == 0;
    }
    lzma_end(&strm);
    setlength(out, 1, have);
    const bool ok = rc == LZMA_STREAM_END || have == size;
    if (ok) reason.clear();
    else if (rc == LZMA_DATA_ERROR) reason = "data error";
    else if (rc == LZMA_MEM_ERROR || rc == LZMA_MEMLIMIT_ERROR) reason = "ran out of memory";
    else reason = "stream cut short";
    return ok;
}

bool lzmaarray(const unsigned char* data, uint32_t datalen, unsigned char*& out) {
    setlength(out, 1, 0);
    lzma_options_lzma opt{};
    if (lzma_lzma_preset(&opt, 9)) return false;
    if (opt.dict_size > datalen && datalen >= 4096) opt.dict_size = datalen;
    if (opt.dict_size < 4096) opt.dict_size = 4096;
    lzma_filter props[2]{};
    props[0].id = LZMA_FILTER_LZMA1;
    props[0].options = &opt;
    props[1].id = LZMA_VLI_UNKNOWN;
    uint8_t head[5];
    if (lzma_properties_encode(&props[0], head) != LZMA_OK) return false;
    // Known size and no end marker, as players read it.
    opt.ext_flags = 0;
    opt.ext_size_low = datalen;
    opt.ext_size_high = 0;
    lzma_filter filters[2]{};
    filters[0].id = LZMA_FILTER_LZMA1EXT;
    filters[0].options = &opt;
    filters[1].id = LZMA_VLI_UNKNOWN;
    lzma_stream strm = LZMA_STREAM_INIT;
    if (lzma_raw_encoder(&strm, filters) != LZMA_OK) return false;
    setlength(out, 1, 5 + datalen + datalen / 2 + 4096);
    std::memcpy(out, head, 5);
    strm.next_in = data;
    strm.avail_in = datalen;
    size_t have = 5;
    lzma_ret rc;
    for (;;) {
        if (have == length(out)) setlength(out, 1, length(out) * 2);
        strm.next_out = out + have;
        strm.avail_out = length(out) - have;
        rc = lzma_code(&strm, LZMA_FINISH);
        have = length(out) - strm.avail_out;
        if (rc != LZMA_OK) break;
    }
    lzma_end(&strm);
    setlength(out, 1, have);
    return rc == LZMA_STREAM_END;
}
