// JPEGTables (8): the encoding tables that DefineBits images share.
#pragma once
#include "../core/swftag.h"

// The tables of the most recent JPEGTables tag with a body, of the movie
// being read; emptied when that movie's tags are freed.
extern unsigned char* JPGTABLE;

class Tswftag_jpgtable : public Tswftag {
public:
    using Tswftag::Tswftag;
    ~Tswftag_jpgtable() override;

    void doparse() override;
    // The tables are written only when a DefineBits that relies on them is
    // written as read; every other DefineBits becomes self-contained.
    void fillfromstru() override;
    void fillother() override {}

private:
    bool tablesneeded();
    bool settables_ = false;
};
