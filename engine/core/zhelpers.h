// Whole-buffer compression helpers for SWF bodies and data inside tags.
#pragma once
#include <cstdint>
#include <string>

// Largest uncompressed movie the engine accepts (a guard against bombs).
constexpr uint32_t kmaxmovie = 1u << 30;

extern int CCfastzip;  // 1: zlib's default level instead of the strongest
extern int CClzmaout;  // 1: write LZMA ('ZWS') when smaller and the version allows
void resetzipstate();

// How the decompression of a whole movie ended.
struct Tstreamstate {
    bool ok = true;
    std::string why;      // "zlib check failed" and the like; empty when ok
    int64_t decoded = 0;  // bytes of the movie, its 8 header bytes included
    bool capped = false;  // decoding stopped at kmaxmovie with more to come
};

int unzipfile(unsigned char*& array, int64_t limit, Tstreamstate* state = nullptr);
int zipfile(unsigned char*& array);
// Decompresses a zlib stream into at most size bytes; false on a decoder error
// (what was decoded stands; why, when given, says what went wrong).
// more, when given, says whether the stream goes on past size.
bool unziparray(unsigned char*& array, uint32_t size, std::string* why = nullptr, bool* more = nullptr);
void ziparray(unsigned char*& array);
// Compresses data[0, n) into out (a zlib stream, as ziparray).
void zipbytes(const unsigned char* data, uint32_t n, unsigned char*& out);
void setfastzip(int fast);
void setlzmaout(int on);
// LZMA ('ZWS') body helpers: data is the bytes from offset 12 of the file.
bool unlzmaarray(const unsigned char* data, uint32_t datalen, uint32_t size, unsigned char*& out,
                 bool sizeunknown = false, std::string* why = nullptr, bool* more = nullptr);
// Bytes the movie file[0, n) decodes to, its 8 header bytes included, counted
// without keeping them and no further than stop.
uint64_t decodedlength(const unsigned char* file, uint32_t n, uint64_t stop);
bool lzmaarray(const unsigned char* data, uint32_t datalen, unsigned char*& out);
