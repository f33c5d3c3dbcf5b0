#include "soundstream.h"

#include <algorithm>
#include <cmath>

#include "../core/container.h"
#include "../core/fileutil.h"
#include "adpcm.h"
#include "soundencode.h"
#include "wavwriter.h"

using namespace pascal_com;

Tswftag_soundstream::~Tswftag_soundstream() {
    work_ = Twork();  // ended before the data it works on goes
    setlength(streamdata, 1, 0);
    setlength(rawblocks, 1, 0);
}

void Tswftag_soundstream::doparse() {
    UBparse(4, Reserved);
    UBparse(2, PlaybackSoundRate);
    UBparse(1, PlaybackSoundSize);
    UBparse(1, PlaybackSoundType);
    UBparse(4, StreamSoundCompression);
    UBparse(2, StreamSoundRate);
    UBparse(1, StreamSoundSize);
    UBparse(1, StreamSoundType);
    U16parse(StreamSoundSampleCount);
    // Some writers leave LatencySeek out of MP3 heads.
    haslatency = StreamSoundCompression == 2 && parseleft() >= 2;
    LatencySeek = haslatency ? S16parse() : 0;
    fieldsend_ = parsepos;
    setlength(streamdata, 1, 0);
    setlength(rawblocks, 1, 0);
    pcmframes = totalsamples = 0;
    blockcount = reencoded = 0;
}

void Tswftag_soundstream::startwork() {
    if (blockcount > 0 && (StreamSoundCompression == 1 || StreamSoundCompression == 2))
        work_ = Twork([this] { procstream(); });
}

void Tswftag_soundstream::fillfromstru() {
    written_ = false;
    setlength(newbody, 1, 8);
    setfill(newbody, 0, 0);
    if (work_.valid()) work_.finish();
    else procstream();
    UBfill(4, Reserved);
    UBfill(2, PlaybackSoundRate);
    UBfill(1, PlaybackSoundSize);
    UBfill(1, PlaybackSoundType);
    UBfill(4, StreamSoundCompression);
    UBfill(2, StreamSoundRate);
    UBfill(1, StreamSoundSize);
    UBfill(1, StreamSoundType);
    U16fill(StreamSoundSampleCount);
    if (StreamSoundCompression == 2 && (haslatency || reencoded)) S16fill(LatencySeek);
    endfill();
}

void Tswftag_soundstream::fillother() {
    if (!reencoded) bytearrayappend(newbody, rawbody, int(fieldsend_), -1);
    // The blocks that follow are cut from the start.
    cutting = T_getmp3data();
    written_ = true;
}

void Tswftag_soundstream::addblock(const unsigned char* body, uint32_t n) {
    ++blockcount;
    if (StreamSoundCompression == 1 || StreamSoundCompression == 2) bytearrayappendraw(rawblocks, body, n);
    if (StreamSoundCompression == 1 && n) {
        const uint32_t at = length(streamdata);
        uint32_t got = adpcmtopcm(body, n, StreamSoundType, -1, streamdata);
        // The bits that pad a block to whole bytes can read as a sample or
        // two more than the head declares; real samples take more room.
        const uint32_t channels = StreamSoundType + 1u, bits = (body[0] >> 6) + 2u;
        const uint32_t want = StreamSoundSampleCount;
        if (want && got > want && uint64_t(got - want) * channels * bits < 8) {
            setlength(streamdata, 1, at + size_t(want) * channels * 2);
            got = want;
        }
        pcmframes += got;
    } else if (StreamSoundCompression == 2 && n > 4) {
        bytearrayappendraw(streamdata, body + 4, n - 4);
    }
}

bool Tswftag_soundstream::getblock(unsigned char*& out) {
    if (!reencoded || StreamSoundCompression != 2 || !written_ || keepraw || blockcount <= 0) return false;
    // Keeps the running total after block k at k / blockcount of the sound.
    const double target = double(cutting.blocks + 1) / blockcount * totalsamples - double(cutting.samplescut);
    Tmp3enc_dec::getmp3data_bysamples(cutting, streamdata, length(streamdata), int32_t(target));
    const uint32_t bytes = cutting.position - cutting.blockstart;
    setlength(out, 1, 4 + size_t(bytes));
    setfill(out, 0, 0);
    U16fill(uint32_t(cutting.blocksamples));
    S16fill(0);
    if (bytes) std::copy(streamdata + cutting.blockstart, streamdata + cutting.position, out + 4);
    return true;
}

void Tswftag_soundstream::savetofile(const std::string& base) {
    filename.clear();
    fileseconds = 0;
    const uint32_t n = length(streamdata);
    if (!n) return;
    if (StreamSoundCompression == 1) {
        const std::string name = base + ".wav";
        const uint32_t rate = CCintrate[StreamSoundRate & 3];
        if (pcmframes && wavesave(name, pcmformat(StreamSoundType + 1, rate, 16), streamdata, n)) {
            filename = name;
            fileseconds = double(pcmframes) / rate;
        }
    } else if (StreamSoundCompression == 2) {
        Tmp3enc_dec walk;
        walk.loadfrombuf(streamdata, n);
        const std::string name = base + ".mp3";
        if (walk.framecount && dump2tofile(false, name.c_str(), streamdata)) {
            filename = name;
            fileseconds = walk.seconds();
        }
    }
}

void Tswftag_soundstream::loadfrommp3(const Tmp3enc_dec& mp3) {
    const uint8_t rate = swfrateindex(mp3.samplingrate);
    const uint8_t type = mp3.last.channelmode == 3 ? 0 : 1;
    PlaybackSoundRate = StreamSoundRate = rate;
    PlaybackSoundSize = StreamSoundSize = 1;
    PlaybackSoundType = StreamSoundType = type;
    StreamSoundCompression = 2;
    StreamSoundSampleCount = uint16_t(blockcount > 0 ? mp3.totalsamples / uint32_t(blockcount) : 0);
    totalsamples = mp3.totalsamples;
    LatencySeek = 0;
    setlength(streamdata, 1, mp3.mp3data.size());
    std::copy(mp3.mp3data.begin(), mp3.mp3data.end(), streamdata);
    pcmframes = 0;
    reencoded = 1;
}

void Tswftag_soundstream_opt::procstream() {
    if (blockcount <= 0 || reencoded || (StreamSoundCompression != 1 && StreamSoundCompression != 2)) return;
    Tsoundencoder encoder;
    if (!encoder.ready()) return;
    savetofile(encoder.base());
    Tmp3enc_dec mp3;
    const std::string what = spriteref == -1 ? "sound stream of the main timeline" : "sound stream of a sprite";
    if (filename.empty() || !soundcanshrink(length(rawblocks), fileseconds) ||
        !encoder.encode(filename, fileseconds, mp3, what))
        return;
    // The encoder's delay and padding make the sound up to two frames longer;
    // a stream plays along its timeline, so what runs past the original
    // length would only stretch the frames that carry it.
    mp3.keepsamples(uint32_t(std::ceil(fileseconds * mp3.samplingrate - 1e-6)));
    // A block can take the samples of its share plus up to two frames carried over.
    if (mp3.totalsamples / uint32_t(blockcount) + 2 * 1152 + 1 > UINT16_MAX) return;
    // Compared as written: every block keeps a four-byte header, and the head
    // may gain LatencySeek.
    const int64_t extra = std::max<int64_t>(0, 4 * int64_t(blockcount) + 6 - int64_t(length(rawbody)));
    if (extra < INT32_MAX && soundsmaller(rawblocks, length(rawblocks), mp3.mp3data, uint32_t(extra)))
        loadfrommp3(mp3);
}

Tswftag_soundstream* Tswftag_soundstream::headof(const Tswftag* block) {
    Tswftag* current = block->spriteref != -1 ? Cthisstream_sprite : Cthisstream_root;
    auto* head = dynamic_cast<Tswftag_soundstream*>(current);
    // The sprite pointer may still name the head of an earlier sprite.
    if (!head || head->keepraw || head->spriteref != block->spriteref) return nullptr;
    return head;
}

void Tswftag_soundblock::doparse() {
    if (Tswftag_soundstream* head = Tswftag_soundstream::headof(this)) head->addblock(rawbody, length(rawbody));
}

void Tswftag_soundblock::fillother() {
    Tswftag_soundstream* head = Tswftag_soundstream::headof(this);
    if (!head || !head->getblock(newbody)) Tswftag::fillother();
}
