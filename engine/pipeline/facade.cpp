#include "facade.h"

#include <cstring>

#include "../vector/registry.h"
#include "pipeline.h"

namespace {

void begin(const Tmoviejob& job) {
    one_initdata(job.toolsdir.c_str(), job.tmpdir.c_str());
    setslobject(job.object1, job.object2);
    setslproc(job.progress);
}

void phase(const Tmoviejob& job, Tmoviephase p) {
    if (job.phase) job.phase(p);
}

void readloaded(Tmovieresult& r) {
    r.loaded = fileloaded() != 0;
    if (!r.loaded) return;
    r.damage = CCdamage;
    r.truncatedtags = Ctruncatedtags;
    r.damaged = moviedamaged();
}

// Read before appfina, which releases what they describe.
void finish(Tmovieresult& r) {
    std::memcpy(r.kinds, getresourcelist(), sizeof r.kinds);
    r.srcsize = srcfilesize();
    r.dstsize = dstfilesize();
    r.reason = lasterror();
    r.notes = toolnotes();
    appfina();
    // The callback's objects belong to the caller and may not outlive the call.
    setslproc(nullptr);
    setslobject(nullptr, nullptr);
}

}  // namespace

Tmovieresult compressmovie(const Tmoviejob& job) {
    Tmovieresult r;
    Tparams params = job.params;
    begin(job);
    phase(job, MOVIE_READ);
    two_readfile(job.source.c_str());
    readloaded(r);
    three_getflashdata();
    four_getexistsparam();
    five_allimgsetratodef(params.ImgPmps_x, params.ImgPmps_y);
    params.ImgPmps_x = 0;
    params.ImgPmps_y = 0;
    six_allparamset(params);
    seven_prepareopt();
    phase(job, MOVIE_WRITE);
    setsalvage(job.salvage ? 1 : 0);
    dooptimize(job.output.c_str(), job.asexe);
    setsalvage(0);
    if (!job.interrupted || !job.interrupted())
        r.kept = keepsmaller(job.output.c_str(), job.allowlarger ? 1 : 0) != 0;
    r.rewritten = Crewrittensize;
    finish(r);
    r.written = r.dstsize > 0;
    return r;
}

Tmovieresult inspectmovie(const Tmoviejob& job) {
    Tmovieresult r;
    begin(job);
    phase(job, MOVIE_READ);
    r.head = readflashhead(job.source.c_str());
    if (r.head.ok) {
        two_readfile(job.source.c_str());
        readloaded(r);
    }
    three_getflashdata();
    finish(r);
    return r;
}
