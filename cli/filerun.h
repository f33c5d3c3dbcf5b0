// One file through the engine, in the desktop program's stage order.
#pragma once
#include <csignal>
#include <functional>
#include <string>

#include "cli/result.h"
#include "core/params.h"

struct Trunsettings {
    Tparams params{};
    std::string toolsdir;  // prefix of lame and ffmpeg, ends with '/'
    std::string tmpdir;    // this process's own scratch directory, ends with '/'
    bool allowlarger = false;  // write the rewrite even when it is not smaller
    bool salvage = false;      // write a damaged movie with what could be read
};

// 0..100 over the whole file: reading fills the first half, writing the second.
using Tprogressfn = std::function<void(int percent)>;

// Raised by the interrupt handler (which also asks the engine to stop): the
// file being worked on counts as failed and its output is removed.
extern volatile std::sig_atomic_t cliinterrupted;

Tfileresult compressfile(const std::string& source, const std::string& output, const Trunsettings& s,
                         const Tprogressfn& progress);
// Header and resource list only; writes nothing.
Tfileresult inspectfile(const std::string& source, const Trunsettings& s, const Tprogressfn& progress);

// The file's own signature ("FWS", "CWS", "ZWS"), or the embedded movie's
// behind "MZ+" for a projector; empty when it is neither.
std::string moviesignature(const std::string& path);
