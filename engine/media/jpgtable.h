// JPEGTables (8): the encoding tables that DefineBits images share.
#pragma once
#include "../core/swftag.h"
#include "definejpeg.h"

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
