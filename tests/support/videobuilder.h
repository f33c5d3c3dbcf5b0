// Embedded video for the tests: stream and frame tags, and real pictures
// made by the transcoder from its built-in test pattern.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/swfbuilder.h"

namespace swfb {

Bytes definevideostream(uint16_t id, uint16_t frames, uint16_t width, uint16_t height, uint8_t codec,
                        uint8_t deblocking = 0, uint8_t smoothing = 0);
Bytes videoframe(uint16_t stream, uint16_t framenum, const Bytes& data);

// The video tags of an FLV file: codec and the frame data as SWF stores it (after the flags byte and, for VP6, the
// adjustment byte). Read here independently of the engine.
struct FlvPicture {
    int codec;
    int frametype;
    uint32_t timestamp;
    Bytes data;
};
std::vector<FlvPicture> flvpictures(const Bytes& flv);

bool havetranscoder();
// `frames` pictures of the moving test pattern at width x height, encoded by the transcoder as Sorenson H.263 at kbps;
// empty when that failed. filter, when given, is applied to the pattern first (e.g. "noise=alls=80:allf=t").
std::vector<Bytes> h263clip(const std::string& dir, int frames, int width, int height, int kbps,
                            const std::string& filter = "");

// A movie showing stream `id` at depth 1: the stream, then one VideoFrame and one ShowFrame per picture.
Bytes videomovie(uint16_t id, uint8_t codec, uint16_t width, uint16_t height, const std::vector<Bytes>& pictures);

}  // namespace swfb
