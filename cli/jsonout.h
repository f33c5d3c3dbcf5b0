// The --json lines: one object per file.
#pragma once
#include <string>

#include "cli/result.h"

// A JSON string literal. Paths are bytes, not always UTF-8: a byte that is not
// part of valid UTF-8 becomes the lone surrogate \udcXX (the "surrogateescape"
// convention), so that the original bytes can be recovered.
std::string jsonstring(const std::string& s);

// One line without the newline: the compression result, or for an --info run
// the header and resource list.
std::string resultjson(const Tfileresult& r);

// Percentage saved, 0 when before is 0.
double savedpercent(int64_t before, int64_t after);
