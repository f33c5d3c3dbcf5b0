// One tag of a loaded movie: its body as read and the body it writes.
#pragma once
#include <cstdint>

#include "parsefill.h"
#include "tagcode.h"

class Tswftag : public Tparsefill {
public:
    Tswftag(unsigned char* bytes, uint32_t offset);
    virtual ~Tswftag();
    Tswftag(const Tswftag&) = delete;
    Tswftag& operator=(const Tswftag&) = delete;

    // Code of an entry that holds a run of whole tags, headers included, in
    // rawbody; real codes have ten bits.
    static constexpr uint16_t krun = 0xFFFF;
    // A run of the tags data[from, to), written back as they are.
    static Tswftag* makerun(const unsigned char* data, uint32_t from, uint32_t to);
    // Adds the whole tags data[from, to) to a run.
    void extendrun(const unsigned char* data, uint32_t from, uint32_t to);

    int32_t keepraw = 0;
    uint16_t tagcode = 0;
    uint32_t taglen = 0;
    uint32_t headlen = 0;
    unsigned char* rawbody = nullptr;
    int32_t spriteref = -1;
    unsigned char* newbody = nullptr;

    virtual void doparse() {}
    virtual void fillfromstru() {}
    virtual void fillother();
    // Starts what the tag can work out before its turn to be written (an
    // outside encoder's run), so that it runs beside the writer.
    virtual void startwork() {}

    // Builds newbody and appends header and body to output. A subclass that
    // throws while rebuilding leaves the tag written as read. Returns the
    // body bytes written.
    uint32_t dofill(unsigned char*& output);
    // Header and rawbody, without asking the subclass.
    uint32_t dofillraw(unsigned char*& output);
    // Runs doparse; a failure marks the tag to be written as read.
    void safeparse();

    // Code and full length of the tag header at offset; false when the header
    // does not fit in the data.
    static bool peekheader(const unsigned char* bytes, uint32_t size, uint32_t offset, uint16_t& code,
                           uint32_t& bodylen, uint32_t& headlen);

protected:
    // Points the write cursor at newbody sized for `reserve` more bytes after fillpos.
    void beginfill(uint32_t reserve);
    // Trims newbody to what was written.
    void endfill();

    // The code the header of the written tag carries: a bitmap may be
    // written as another kind of bitmap tag.
    virtual uint16_t writtencode() const { return tagcode; }
};

// Appends a tag header in its shortest form (sprites always in the long one).
void appendtagheader(unsigned char*& output, uint16_t code, uint32_t bodylength);

// Base of every tag that defines a character.
class Tswftag_define : public Tswftag {
public:
    using Tswftag::Tswftag;
    uint16_t characterid = 0;
    void doparse() override;
    void fillfromstru() override;
    void fillother() override;
};
