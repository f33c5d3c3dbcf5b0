// A whole command-line run: outputs planned, every file compressed (or
// inspected) in the engine's stage order, results reported in input order.
#pragma once
#include <string>

#include "cli/filewalk.h"
#include "cli/options.h"

// Returns the exit status: 0 all files done, 1 any failed, 130 interrupted.
int runbatch(const Tclioptions& o, const Twalkresult& inputs);

// The settings as one line, for --verbose.
std::string describesettings(const Tclioptions& o);
