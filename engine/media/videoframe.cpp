#include "videoframe.h"

#include "definevideostream.h"

using namespace pascal_com;

namespace {
constexpr uint32_t kframehead = 4;  // StreamID, FrameNum
}

Tswftag_videoframe::~Tswftag_videoframe() {
    if (orphan_) Tswftag_definevideostream::countorphanframe(StreamID, -1);
}

void Tswftag_videoframe::doparse() {
    StreamID = U16parse();
    FrameNum = U16parse();
    // By id rather than by the last stream of the timeline: frames often
    // sit in a sprite while their stream is defined on the main timeline,
    // and two streams may interleave their frames.
    stream_ = Tswftag_definevideostream::find(StreamID);
    if (stream_) {
        index_ = stream_->putdata(rawbody + kframehead, length(rawbody) - kframehead);
    } else if (!orphan_) {
        orphan_ = true;
        Tswftag_definevideostream::countorphanframe(StreamID, 1);
    }
}

void Tswftag_videoframe::fillfromstru() {
    setlength(newbody, 1, length(rawbody) + 1);
    setfill(newbody, 0, 0);
    U16fill(StreamID);
    U16fill(FrameNum);
    endfill();
}

void Tswftag_videoframe::fillother() {
    if (Tswftag_definevideostream::alive(stream_) && stream_->getdata(index_, newbody)) return;
    bytearrayappend(newbody, rawbody, int(kframehead), -1);
}
