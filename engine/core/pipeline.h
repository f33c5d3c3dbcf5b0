// The engine's numbered stages and the state they share.
#pragma once
#include <cstdint>

#include "params.h"

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
int64_t srcfilesize();
int64_t dstfilesize();
void optfile(const char* inpath, const char* outpath);
void postmsg(char*);
void doopt(char*);
void optimizeswftag();
// 1 when the last two_readfile loaded a movie.
int fileloaded();
