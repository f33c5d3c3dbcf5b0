// FLV, the container the video transcoder reads and writes: a file header,
// then tags (type, 24-bit size, timestamp, stream id, data), each followed
// by its 32-bit size as a back pointer. Integers are big-endian.
#pragma once
#include <cstdint>
#include <vector>

namespace flv {
constexpr uint32_t kfileheader = 13;  // signature, version, flags, header size, PreviousTagSize0
constexpr uint32_t ktagheader = 11;
constexpr uint32_t ktagtrailer = 4;
constexpr uint8_t kaudio = 8, kvideo = 9, kscript = 18;

// VP6 and VP6 with alpha carry one more byte in FLV than in SWF: the
// right and bottom crop of the coded picture.
inline bool hasadjustbyte(uint8_t codec) { return codec == 4 || codec == 5; }
}  // namespace flv

// One video tag as found in tag data: its codec and frame type from the
// flags byte, and where the frame's data (as SWF stores it) lies.
struct Tflvvideo {
    uint8_t codec = 0;
    uint8_t frametype = 0;
    uint32_t timestamp = 0;
    uint32_t offset = 0;  // of the frame data within the tag data
    uint32_t size = 0;
};

// The tags of one FLV stream, without the file header.
class Tflvfile {
public:
    Tflvfile() = default;
    ~Tflvfile();
    Tflvfile(const Tflvfile&) = delete;
    Tflvfile& operator=(const Tflvfile&) = delete;

    unsigned char* tagdata = nullptr;  // dynamic array

    uint32_t size() const;
    void clear();
    void putvideo(uint32_t timestamp, uint8_t frametype, uint8_t codec, const unsigned char* data, uint32_t n);
    // Header and tags; false when the file could not be written whole.
    bool savetofile(const char* path) const;
    // Takes the tags of the FLV file at path; false (and empty) when the file
    // is missing or does not begin like an FLV file.
    bool loadfromfile(const char* path);
    // The video tags in order. False when the tag data ends inside a tag or a
    // video tag is too short for its flags (and adjustment) bytes: the data
    // is then not a whole stream.
    bool videotags(std::vector<Tflvvideo>& out) const;
};
