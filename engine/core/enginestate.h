// Resource list, progress, cancel and the engine's copy of the parameters.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "kinds.h"
#include "params.h"

struct Trlist {
    int32_t srcsize;
    int32_t count;
    int32_t dstsize;
};

using Tdisproc = void (*)(int kind, int code, void* object1, void* object2);

extern Tparams CCparams;
extern Tdisproc CCdis_proc;
extern void* CCvoid1;
extern void* CCvoid2;
extern int32_t CCthisindex;
extern std::atomic<int32_t> CCancelProc;
extern std::atomic<int32_t> _thisrato;
extern Trlist CCresource_list[KIND_COUNT];
// Why the last file could not be read or written, empty when it could.
extern char CClasterror[512];

// Where the engine works and what it scales by, set by the stages.
extern char CCtmpdir[256];
extern char CClame[256];
extern char CCffmpeg[256];
extern char CCexefile[256];
extern int64_t Csrcfilesize;
extern int64_t Cdstfilesize;
extern int32_t Csrcx;
extern int32_t Csrcy;
extern double RatoImageSizeX;
extern double RatoImageSizeY;

void setslobject(void* object1, void* object2);
void setslproc(Tdisproc callback);
Trlist* getresourcelist();
int position();
void updatedis(const char* kindname, int index, int kindbit, int code);
// This module's globals back to their values at start-up.
void resetenginestate();
void sourceclear();
void sourceoutclear();
void seterror(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
const char* lasterror();

// Why sounds and videos of the file being worked on were kept after lame or
// ffmpeg misbehaved, one line each ("sound 3 kept: lame timed out after 31 s").
// Cleared when a file is read.
// status is shellexecute_argv's: 0 and an interrupted run note nothing.
void notetoolrun(const std::string& what, const char* tool, int status, int timeout_ms);
// The tool ended well but what it wrote could not be used.
void notetooloutput(const std::string& what, const char* tool);
std::vector<std::string> toolnotes();
// Notes of this thread go to sink instead (null: back to the list), so that
// work run beside the writer adds its notes in file order, when taken.
void settoolnotesink(std::vector<std::string>* sink);
void addtoolnotes(const std::vector<std::string>& notes);
void cleartoolnotes();
