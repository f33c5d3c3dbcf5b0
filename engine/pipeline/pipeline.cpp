#include "pipeline.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "../settings/schema.h"
#include "../media/mediareset.h"
#include "../vector/registry.h"
#include "../core/container.h"
#include "../core/enginestate.h"
#include "../core/fileutil.h"
#include "../core/pascal_com.h"
#include "../core/shellexec.h"
#include "../core/zhelpers.h"

using namespace pascal_com;

int CCsalvage = 0;
int32_t Ckept = 0;
int64_t Crewrittensize = 0;

namespace {
std::string& sourcepath() {
    static std::string path;
    return path;
}
bool loaded = false;
}  // namespace

void appinit(const char* toolsdir, const char* tmpdir) {
    std::snprintf(CCtmpdir, sizeof CCtmpdir, "%s", tmpdir ? tmpdir : "");
    // A tools folder without the programs falls back to PATH.
    std::snprintf(CClame, sizeof CClame, "%s", toolpath(toolsdir, "lame").c_str());
    std::snprintf(CCffmpeg, sizeof CCffmpeg, "%s", toolpath(toolsdir, "ffmpeg").c_str());
}

void one_initdata(const char* toolsdir, const char* tmpdir) {
    appinit(toolsdir, tmpdir);
    cleartoolnotes();
    clearres();
    sourceclear();
}

void setsalvage(int on) { CCsalvage = on ? 1 : 0; }

void two_readfile(const char* path) {
    Ckept = 0;
    Crewrittensize = 0;
    CCdamage = Tdamage{};  // a file refused before reading must not carry the last one's damage
    sourceclear();
    CClasterror[0] = 0;
    freeswf();
    loaded = false;
    sourcepath() = path ? path : "";
    Csrcfilesize = path ? filesize(path) : 0;
    clearres();
    const Tflashhead head = readflashhead(path);
    if (!head.ok) {
        struct stat st;
        if (!path || stat(path, &st) != 0 || !fileexists(path)) seterror("cannot open the file");
        else if (!S_ISREG(st.st_mode)) seterror("not a regular file");
        else if (st.st_size == 0) seterror("the file is empty");
        else seterror("not a Flash movie");
        return;
    }
    Csrcx = head.xmax - head.xmin;
    Csrcy = head.ymax - head.ymin;
    try {
        loaded = fillswftag(path, tags, _head);
    } catch (const std::bad_alloc&) {
        seterror("out of memory reading the movie");
        loaded = false;
    }
    if (!loaded) freeswf();
}

// Exported stages that do nothing: callers call them in their place in the order.
void three_getflashdata() {}
void four_getexistsparam() {}

void five_allimgsetratodef(int width, int height) {
    // A stage without width or height gives no ratio to scale by.
    RatoImageSizeX = width != 0 && Csrcx > 0 ? double(width) / Csrcx : 1.0;
    RatoImageSizeY = height != 0 && Csrcy > 0 ? double(height) / Csrcy : 1.0;
}

void six_allparamset(Tparams params) { CCparams = params; }
// Exported, does nothing (see three_getflashdata).
void seven_prepareopt() {}

void dooptimize(const char* outpath, int asexe) {
    Cdstfilesize = 0;
    Ckept = 0;
    Crewrittensize = 0;
    if (!loaded || !_head) {
        if (!CClasterror[0]) seterror("no movie is loaded");
        freeswf();
        loaded = false;
        return;
    }
    if (!outpath || !*outpath) {
        seterror("no output path");
        freeswf();
        loaded = false;
        return;
    }
    if (samefile(outpath, sourcepath().c_str())) {
        seterror("the output would overwrite the source file");
        freeswf();
        loaded = false;
        return;
    }
    if (moviedamaged() && !CCsalvage) {
        seterror("damaged: %s", damagetext().c_str());
        freeswf();
        loaded = false;
        return;
    }
    unsigned char* stub = nullptr;
    if (asexe) {
        if (CCexefile[0] && fileexists(CCexefile)) dump2file(CCexefile, stub, 0, 0);
        else bytearrayappend(stub, ExeHead, 0, -1);
    }
    bool ok = false;
    try {
        ok = saveswftag(outpath, _head, tags, stub, [] { freeswf(); });
    } catch (const std::bad_alloc&) {
        seterror("out of memory writing the movie");
    }
    setlength(stub, 1, 0);
    freeswf();
    loaded = false;
    Cdstfilesize = ok ? filesize(outpath) : 0;
}

void appfina() {
    freeswf();
    loaded = false;
    clearres();
}

void resetengine() {
    appfina();
    CCsalvage = 0;
    Ckept = 0;
    Crewrittensize = 0;
    resetcontainerstate();
    resetenginestate();
    resetzipstate();
    resetmediastate();
}

int keepsmaller(const char* outpath, int allowlarger) {
    Ckept = 0;
    Crewrittensize = Cdstfilesize;
    if (allowlarger || Cdstfilesize <= 0 || Cdstfilesize < Csrcfilesize || !outpath) return 0;
    // A salvaged movie is the repair of a broken source: a copy of that is no result.
    if (moviedamaged()) return 0;
    if (samefile(outpath, sourcepath().c_str())) return 0;
    unsigned char* data = nullptr;
    if (!dump2file(sourcepath().c_str(), data, 0, 0)) {
        // The rewrite stays: larger, but a whole movie, and the report says how large.
        seterror("the source could not be read again to keep it");
        return 0;
    }
    const unsigned char* pieces[1] = {data};
    const uint32_t sizes[1] = {length(data)};
    const bool ok = writefileatomic(outpath, pieces, sizes, 1);
    setlength(data, 1, 0);
    if (!ok) return 0;
    Cdstfilesize = filesize(outpath);
    Ckept = 1;
    return 1;
}

int64_t srcfilesize() { return Csrcfilesize; }
int64_t dstfilesize() { return Cdstfilesize; }
int fileloaded() { return loaded ? 1 : 0; }

void optfile(const char* inpath, const char* outpath) {
    setresetdefaults(CCparams);
    clearres();
    freeswf();
    CClasterror[0] = 0;
    sourcepath() = inpath ? inpath : "";
    if (!readflashhead(inpath).ok) {
        seterror("not a Flash movie");
        return;
    }
    if (fillswftag(inpath, tags, _head) && outpath && !samefile(outpath, inpath)) saveswftag(outpath, _head, tags, nullptr);
    freeswf();
}

// Exported for callers of the library that name them; they do nothing.
void postmsg(char*) {}
void doopt(char*) {}
void optimizeswftag() {}
