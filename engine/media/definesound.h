// DefineSound (code 14): an event sound. ADPCM and MP3 sounds are re-encoded
// to MP3 by the outside encoder and replaced when that is strictly smaller.
#pragma once
#include <cstdint>
#include <string>

#include "../core/swftag.h"
#include "mp3frames.h"
#include "workpool.h"

// SeekSamples and SoundSampleCount of a re-encoded event sound.
struct Tsoundtiming {
    int16_t seek = 0;
    uint32_t count = 0;
};
// Timing that makes the encoder's output of a sound at oldrate start and end
// where the original did, at newrate. oldseek: the original's SeekSamples;
// encoderskip: samples at oldrate that the encoder drops from the front of its
// input although the original plays them.
Tsoundtiming reencodedtiming(uint32_t oldrate, uint32_t newrate, int16_t oldseek, int encoderskip, uint32_t oldcount);

class Tswftag_definesound : public Tswftag_define {
public:
    using Tswftag_define::Tswftag_define;
    ~Tswftag_definesound() override;

    uint8_t SoundFormat = 0;  // 0, 3 PCM; 1 ADPCM; 2 MP3; others passed through
    uint8_t SoundRate = 0;
    uint8_t SoundSize = 0;
    uint8_t SoundType = 0;
    uint32_t SoundSampleCount = 0;
    unsigned char* sounddata = nullptr;  // for MP3 it begins with SeekSamples
    int16_t seeksamples = 0;
    // The file savetofile wrote, empty when none, the seconds of sound in it,
    // its sampling rate and the samples at its start that the encoder drops.
    std::string filename;
    double fileseconds = 0;
    uint32_t filerate = 0;
    int fileskip = 0;

    void doparse() override;
    void fillfromstru() override;
    void fillother() override {}
    void startwork() override;
    virtual void procsound() {}

    // Writes the sound where the encoder can read it: "%s.wav" (ADPCM decoded
    // to 16-bit PCM) or "%s.mp3" (the MP3 frames); other formats write nothing.
    void savetofile(const std::string& base);
    // Makes the walked MP3 the sound, played from `seek` samples on for `count` samples.
    void loadfrommp3(const Tmp3enc_dec& mp3, int16_t seek, uint32_t count);
    // Bytes the sound data would take with this MP3 in it.
    static uint32_t mp3datalength(const Tmp3enc_dec& mp3) { return uint32_t(mp3.mp3data.size()) + 2; }

private:
    Twork work_;  // procsound run ahead
};

class Tswftag_definesound_opt : public Tswftag_definesound {
public:
    using Tswftag_definesound::Tswftag_definesound;
    void procsound() override;
};
