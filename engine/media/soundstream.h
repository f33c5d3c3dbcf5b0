// Stream sound: SoundStreamHead and SoundStreamHead2 (codes 18, 45) and the
// SoundStreamBlocks (code 19) that follow them in their timeline. The head
// collects its blocks' audio when the file is read; an ADPCM or MP3 stream is
// re-encoded as one piece when the head is written, and its MP3 frames are
// dealt back over the same blocks so that sound and frames stay in step.
#pragma once
#include <cstdint>
#include <string>

#include "../core/swftag.h"
#include "mp3frames.h"
#include "workpool.h"

class Tswftag_soundstream : public Tswftag {
public:
    using Tswftag::Tswftag;
    ~Tswftag_soundstream() override;

    uint8_t Reserved = 0;
    uint8_t PlaybackSoundRate = 0, PlaybackSoundSize = 0, PlaybackSoundType = 0;
    uint8_t StreamSoundCompression = 0, StreamSoundRate = 0, StreamSoundSize = 0, StreamSoundType = 0;
    uint16_t StreamSoundSampleCount = 0;  // per SWF frame
    uint32_t totalsamples = 0;            // of the re-encoded stream
    int16_t LatencySeek = 0;
    bool haslatency = false;  // the head as read carries LatencySeek
    // ADPCM: the decoded PCM of all blocks; MP3: the frames of all blocks.
    unsigned char* streamdata = nullptr;
    uint32_t pcmframes = 0;   // sample frames of PCM collected
    // The bodies of the blocks as read, what a re-encoding must beat.
    unsigned char* rawblocks = nullptr;
    std::string filename;
    double fileseconds = 0;
    int reencoded = 0;
    int blockcount = 0;
    T_getmp3data cutting;

    void doparse() override;
    void fillfromstru() override;
    void fillother() override;
    void startwork() override;
    virtual void procstream() {}

    void addblock(const unsigned char* body, uint32_t n);
    // The next block's new body; false when the block is to be written as read.
    bool getblock(unsigned char*& out);
    // Writes the stream where the encoder can read it: "%s.wav" (ADPCM) or
    // "%s.mp3" (MP3); other formats write nothing.
    void savetofile(const std::string& base);
    // Makes the walked MP3 the stream.
    void loadfrommp3(const Tmp3enc_dec& mp3);

    // The head of the timeline the block is in, null when it has none.
    static Tswftag_soundstream* headof(const Tswftag* block);

private:
    uint32_t fieldsend_ = 0;  // where the fields end in the body as read
    bool written_ = false;    // rebuilt in this write, so its blocks may follow
    Twork work_;              // procstream run ahead
};

class Tswftag_soundstream_opt : public Tswftag_soundstream {
public:
    using Tswftag_soundstream::Tswftag_soundstream;
    void procstream() override;
};

class Tswftag_soundblock : public Tswftag {
public:
    using Tswftag::Tswftag;
    void doparse() override;
    void fillfromstru() override {}
    void fillother() override;
};
