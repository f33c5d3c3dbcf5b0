#include "enginestate.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "shellexec.h"

Tparams CCparams{};
Tdisproc CCdis_proc = nullptr;
void* CCvoid1 = nullptr;
void* CCvoid2 = nullptr;
int32_t CCthisindex = 0;
std::atomic<int32_t> CCancelProc{0};
std::atomic<int32_t> _thisrato{0};
Trlist CCresource_list[KIND_COUNT]{};
char CClasterror[512] = "";

int tagkind(int code) {
    switch (code) {
    case 6: case 8: case 20: case 21: case 35: case 36: return KIND_IMAGE;
    case 2: case 22: case 32: case 83: return KIND_SHAPE;
    case 14: case 15: case 18: case 19: case 45: return KIND_SOUND;
    case 60: case 61: return KIND_FLV;
    case 10: case 11: case 33: case 37: case 48: case 74: case 75: return KIND_FONT;
    case 12: case 82: return KIND_AS;
    default: return -1;
    }
}

void setslobject(void* object1, void* object2) {
    CCvoid1 = object1;
    CCvoid2 = object2;
}
void setslproc(Tdisproc callback) { CCdis_proc = callback; }
Trlist* getresourcelist() { return CCresource_list; }
int position() { return _thisrato.load(std::memory_order_relaxed); }
// A cancel also ends the tool that runs now, which would otherwise hold the
// loop until its time limit.
void CancelProc() {
    CCancelProc.store(1);
    stoptools(false);
}

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
void addtoolnote(const std::string& note) {
    std::lock_guard<std::mutex> lock(toolnotesmutex);
    toolnotelist().push_back(note);
}
}  // namespace

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
