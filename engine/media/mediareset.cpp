#include "mediareset.h"

#include "definejpeg.h"
#include "definevideostream.h"
#include "imagebatch.h"
#include "soundencode.h"

void resetmediastate() {
    imagestatsclear();
    pascal_com::freearray(JPGTABLE);
    CCimagethreads = 0;
    CCsoundtimeout_base_ms = ksoundtimeoutbase_ms;
    Cflvtimeoutbase_ms = kflvtimeoutbase_ms;
}
