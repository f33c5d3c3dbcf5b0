#include "enginestate.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>


Tparams CCparams{};
Tdisproc CCdis_proc = nullptr;
void* CCvoid1 = nullptr;
void* CCvoid2 = nullptr;
int32_t CCthisindex = 0;
std::atomic<int32_t> CCancelProc{0};
std::atomic<int32_t> _thisrato{0};
Trlist CCresource_list[KIND_COUNT]{};
char CClasterror[512] = "";

char CCtmpdir[256] = "";
char CClame[256] = "";
char CCffmpeg[256] = "";
char CCexefile[256] = "";
int64_t Csrcfilesize = 0;
int64_t Cdstfilesize = 0;
int32_t Csrcx = 1;
int32_t Csrcy = 1;
double RatoImageSizeX = 1.0;
double RatoImageSizeY = 1.0;

void resetenginestate() {
    CCparams = Tparams{};
    CCdis_proc = nullptr;
    CCvoid1 = CCvoid2 = nullptr;
    CCthisindex = 0;
    CCancelProc = 0;
    _thisrato = 0;
    sourceclear();
    CClasterror[0] = 0;
    CCtmpdir[0] = CClame[0] = CCffmpeg[0] = CCexefile[0] = 0;
    Csrcfilesize = Cdstfilesize = 0;
    Csrcx = Csrcy = 1;
    RatoImageSizeX = RatoImageSizeY = 1.0;
    cleartoolnotes();
}

void setslobject(void* object1, void* object2) {
    CCvoid1 = object1;
    CCvoid2 = object2;
}
void setslproc(Tdisproc callback) { CCdis_proc = callback; }
Trlist* getresourcelist() { return CCresource_list; }
int position() { return _thisrato.load(std::memory_order_relaxed); }

void updatedis(const char*, int index, int kindbit, int code) {
    CCthisindex = index;
    if (CCdis_proc) CCdis_proc(kindbit, code, CCvoid1, CCvoid2);
}

void sourceclear() { std::memset(CCresource_list, 0, sizeof CCresource_list); }
void sourceoutclear() {
    for (auto& r : CCresource_list) r.dstsize = 0;
}

void seterror(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(CClasterror, sizeof CClasterror, fmt, ap);
    va_end(ap);
}
const char* lasterror() { return CClasterror; }

namespace {
std::mutex toolnotesmutex;
std::vector<std::string>& toolnotelist() {
    static std::vector<std::string> notes;
    return notes;
}
thread_local std::vector<std::string>* notesink = nullptr;
void addtoolnote(const std::string& note) {
    if (notesink) {
        notesink->push_back(note);
        return;
    }
    std::lock_guard<std::mutex> lock(toolnotesmutex);
    toolnotelist().push_back(note);
}
}  // namespace

void settoolnotesink(std::vector<std::string>* sink) { notesink = sink; }

void addtoolnotes(const std::vector<std::string>& notes) {
    for (const std::string& n : notes) addtoolnote(n);
}

void notetoolrun(const std::string& what, const char* tool, int status, int timeout_ms) {
    // A run stopped by the user is no fault of the tool.
    if (status == 0 || CCancelProc.load() != 0) return;
    std::string how;
    if (status == -2) {
        char secs[32];
        const double s = timeout_ms / 1000.0;
        std::snprintf(secs, sizeof secs, s >= 10 ? "%.0f" : "%.1f", s);
        how = std::string("timed out after ") + secs + " s";
    } else if (status == -1) {
        how = "could not start or was killed by a signal";
    } else if (status == 127) {
        how = "could not be started";  // what the child exits with when exec fails
    } else if (status > 0) {
        how = "failed with exit status " + std::to_string(status);
    } else {
        return;  // another negative value: the run was interrupted
    }
    addtoolnote(what + " kept: " + tool + " " + how);
}

void notetooloutput(const std::string& what, const char* tool) {
    if (CCancelProc.load() != 0) return;
    addtoolnote(what + " kept: " + tool + " wrote no usable output");
}

std::vector<std::string> toolnotes() {
    std::lock_guard<std::mutex> lock(toolnotesmutex);
    return toolnotelist();
}

void cleartoolnotes() {
    std::lock_guard<std::mutex> lock(toolnotesmutex);
    toolnotelist().clear();
}
