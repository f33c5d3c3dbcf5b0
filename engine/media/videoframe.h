// VideoFrame (code 61): the picture of one movie frame for a video stream.
// Collected into its stream when read; written with the stream's transcoded
// picture when the stream took one, else as read.
#pragma once
#include <cstdint>

#include "../core/swftag.h"

class Tswftag_definevideostream;

class Tswftag_videoframe : public Tswftag {
public:
    using Tswftag::Tswftag;
    ~Tswftag_videoframe() override;

    uint16_t StreamID = 0;
    uint16_t FrameNum = 0;
    // The video data is the body after these two fields; it is not copied.

    void doparse() override;
    void fillfromstru() override;
    void fillother() override;

    // The stream this frame was collected into (null when none) and its
    // place there.
    Tswftag_definevideostream* stream() const { return stream_; }
    int32_t streamindex() const { return index_; }

private:
    Tswftag_definevideostream* stream_ = nullptr;
    int32_t index_ = -1;
    bool orphan_ = false;
};
