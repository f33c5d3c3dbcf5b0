// Read and write cursors over dynamic byte arrays: SWF bit fields,
// little-endian integers and the primitive records.
#pragma once
#include <cstdint>
#include <stdexcept>

#include "pascal_com.h"
#include "records.h"

// Thrown when a read would leave the array or a value cannot be written in
// its field; the tag that was being parsed or written is then kept as read.
struct Tparseerror : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Tparsefill {
public:
    Tparsefill() = default;
    Tparsefill(unsigned char* buffer, uint32_t position, uint32_t bit);

    unsigned char* parsebuf = nullptr;
    uint32_t parsepos = 0;
    uint32_t parsebit = 0;
    // The write cursor refers to the owner's handle so that a writer can grow
    // the array instead of writing past it; owners trim to fillpos afterwards.
    unsigned char** fillbuf = nullptr;
    uint32_t fillpos = 0;
    uint32_t fillbit = 0;

    void setparse(unsigned char* buffer, uint32_t position = 0, uint32_t bit = 0) {
        parsebuf = buffer; parsepos = position; parsebit = bit;
    }
    void setfill(unsigned char*& handle, uint32_t position = 0, uint32_t bit = 0) {
        fillbuf = &handle; fillpos = position; fillbit = bit;
    }
    // Bytes left from the read cursor (whole bytes, bit index ignored).
    uint32_t parseleft() const {
        uint32_t n = pascal_com::length(parsebuf);
        return parsepos < n ? n - parsepos : 0;
    }
    void need(uint64_t nbytes) const {
        if (uint64_t(parsepos) + nbytes > pascal_com::length(parsebuf))
            throw Tparseerror("read past the end of the data");
    }

    // Bits.
    uint32_t getbitvalue(uint32_t n);
    int32_t getsbitvalue(uint32_t n);
    void setbitvalue(uint32_t n, uint32_t value);
    void setsbitvalue(uint32_t n, int32_t value);
    uint32_t UBparse(uint32_t n) { return getbitvalue(n); }
    int32_t SBparse(uint32_t n) { return getsbitvalue(n); }
    template <typename T> void UBparse(uint32_t n, T& v) { v = T(getbitvalue(n)); }
    template <typename T> void SBparse(uint32_t n, T& v) { v = T(getsbitvalue(n)); }
    void UBfill(uint32_t n, uint32_t value) { setbitvalue(n, value); }
    void SBfill(uint32_t n, int32_t value) { setsbitvalue(n, value); }
    void truncbitparse() { if (parsebit > 0) { ++parsepos; parsebit = 0; } }
    void truncbitfill() { if (fillbit > 0) { ++fillpos; fillbit = 0; } }

    // Bytes.
    uint8_t U8parse();
    int8_t S8parse() { return int8_t(U8parse()); }
    uint16_t U16parse();
    int16_t S16parse() { return int16_t(U16parse()); }
    uint32_t U32parse();
    int32_t S32parse() { return int32_t(U32parse()); }
    uint16_t FIXED8parse() { return U16parse(); }
    uint32_t FIXED16parse() { return U32parse(); }
    uint32_t FLOATparse() { return U32parse(); }
    uint32_t U24parse_moto();
    uint32_t U32parse_moto();
    template <typename T> void U8parse(T& v) { v = T(U8parse()); }
    template <typename T> void S8parse(T& v) { v = T(S8parse()); }
    template <typename T> void U16parse(T& v) { v = T(U16parse()); }
    template <typename T> void S16parse(T& v) { v = T(S16parse()); }
    template <typename T> void U32parse(T& v) { v = T(U32parse()); }
    template <typename T> void S32parse(T& v) { v = T(S32parse()); }
    template <typename T> void FIXED8parse(T& v) { v = T(FIXED8parse()); }
    template <typename T> void FIXED16parse(T& v) { v = T(FIXED16parse()); }
    template <typename T> void FLOATparse(T& v) { v = T(FLOATparse()); }

    void U8fill(uint32_t v);
    void S8fill(int32_t v) { U8fill(uint32_t(v)); }
    void U16fill(uint32_t v);
    void S16fill(int32_t v) { U16fill(uint32_t(v)); }
    void U32fill(uint32_t v);
    void S32fill(int32_t v) { U32fill(uint32_t(v)); }
    void FIXED8fill(uint32_t v) { U16fill(v); }
    void FIXED16fill(uint32_t v) { U32fill(v); }
    void FLOATfill(uint32_t v) { U32fill(v); }
    void U24fill_moto(uint32_t v);
    void U32fill_moto(uint32_t v);

    // Byte runs and strings.
    void Tbitarrayparse(unsigned char*& array, uint32_t n);
    void Tbitarrayfill(const unsigned char* array);
    void Stringparse(unsigned char*& array);
    void Stringfill(const unsigned char* array);

    // Records.
    void RGBparse(RGB& c);
    void RGBAparse(RGBA& c);
    void SRECTparse(SRECT& r);
    void Matrixparse(MATRIX& m);
    void CXFORMparse(CXFORM& c);
    void CXFORMWITHALPHAparse(CXFORMWITHALPHA& c);
    void GRADIENTparse(GRADIENT& g, int tagcode);
    void FOCALGRADIENTparse(FOCALGRADIENT& g, int tagcode);
    void FILTERLISTparse(FILTERLIST& list);

    void RGBfill(RGB c);
    void RGBAfill(RGBA c);
    void SRECTfill(SRECT r);
    void Matrixfill(MATRIX m);
    void CXFORMfill(CXFORM c);
    void CXFORMWITHALPHAfill(CXFORMWITHALPHA c);
    void GRADIENTfill(const GRADIENT& g, int tagcode);
    void FOCALGRADIENTfill(const FOCALGRADIENT& g, int tagcode);
    void FILTERLISTfill(const FILTERLIST& list);

    // Makes room for n more bytes at the write cursor (plus the partial byte).
    void room(uint32_t n);
};

void GRADIENTfree(GRADIENT& g);
void FOCALGRADIENTfree(FOCALGRADIENT& g);
void FILTERLISTfree(FILTERLIST& list);
// The width every writer gives a signed bit field: the smallest that holds
// all four values by the rule of getbytecount (zerobits: the width of 0).
// Wider than maxbits, the count field cannot say it, so the record is refused.
int fieldbits(int a, int b, int c, int d, int zerobits, int maxbits = 31);
