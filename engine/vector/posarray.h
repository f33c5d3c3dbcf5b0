// The point table of the shape divider: maps every absolute point of a shape
// once, so the same input point always lands on the same output point and
// rounding never accumulates along a path.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class Tposarray {
public:
    struct Tposentry {
        int32_t x, y;    // input point
        int32_t nx, ny;  // mapped point
    };

    Tposarray();
    virtual ~Tposarray();

    // Moves the pen to (x, y) / by (dx, dy) and looks the new point up, adding it
    // when new; returns its index.
    virtual int32_t addpos(int32_t x, int32_t y);
    virtual int32_t addposadd(int32_t dx, int32_t dy);
    // Index of (x, y) in the table, or -1 (appended first when add is set).
    // Sets lastrepeat to the point's index among repeated points when it had
    // been met before, else -1.
    virtual int32_t querypos(int32_t x, int32_t y, bool add);
    // Index of (x, y) among the points met more than once.
    virtual int32_t querymulti(int32_t x, int32_t y, bool add);

    const std::vector<Tposentry>& positions() const { return positions_; }
    // Room for about n distinct points, so a large shape is not rehashed as it grows.
    void reserve(size_t n);
    int64_t currentx = 0, currenty = 0;
    int32_t lastrepeat = -1;

protected:
    std::vector<Tposentry> positions_;

private:
    // Point -> index, open addressing, so a lookup costs the same however many
    // points the shape has.
    class Tpointindex {
    public:
        // The index stored for key, or -1; with add, stores next (the count so
        // far) for a new key and returns it.
        int32_t lookup(uint64_t key, bool add);
        int32_t size() const { return count_; }

        void reserve(size_t n);

    private:
        struct Tslot {
            uint64_t key;
            int32_t value;  // -1: empty
        };
        void rehash(size_t slots);
        std::vector<Tslot> slots_;
        int32_t count_ = 0;
    };
    Tpointindex posindex_, repindex_;
};

class Tnewposarray : public Tposarray {
public:
    explicit Tnewposarray(int32_t divisor);

    virtual void calexy(int32_t x, int32_t y, int32_t& nx, int32_t& ny);
    // Maps the absolute point (x, y); returns its index.
    virtual int32_t newaddpos(int32_t x, int32_t y, int32_t& nx, int32_t& ny);
    // Maps the pen moved by (dx, dy); gives the mapped delta from the last mapped point.
    virtual void newaddposadd(int32_t dx, int32_t dy, int32_t& ndx, int32_t& ndy);

    int32_t lastmappedx = 0, lastmappedy = 0;
    int32_t divisor;
};
