// The engine's numbered stages and the state they share.
#pragma once
#include <cstdint>

#include "../core/enginestate.h"
#include "../core/params.h"

void appinit(const char* toolsdir, const char* tmpdir);
void one_initdata(const char* toolsdir, const char* tmpdir);
void two_readfile(const char* path);
void three_getflashdata();
void four_getexistsparam();
void five_allimgsetratodef(int width, int height);
void six_allparamset(Tparams params);
void seven_prepareopt();
void dooptimize(const char* outpath, int asexe);
void appfina();
// Every module's process-wide state back to its values at start-up.
void resetengine();
int64_t srcfilesize();
int64_t dstfilesize();
void optfile(const char* inpath, const char* outpath);
void postmsg(char*);
void doopt(char*);
void optimizeswftag();
// 1 when the last two_readfile loaded a movie.
int fileloaded();

// 1: dooptimize writes a damaged movie (moviedamaged()) with what could be read
// instead of refusing it.
extern int CCsalvage;
void setsalvage(int on);

// Called by every front end after dooptimize: when the written movie is not
// smaller than the source, the output is replaced by the source's own bytes,
// so that compressing never makes a file larger. allowlarger keeps the
// rewritten movie anyway, and a salvaged damaged movie is never swapped back
// for its broken source. Returns 1 when the source's bytes were kept.
int keepsmaller(const char* outpath, int allowlarger);
// 1 when the last keepsmaller kept the source's bytes.
extern int32_t Ckept;
// Size of the rewritten movie, also when it was not kept.
extern int64_t Crewrittensize;

