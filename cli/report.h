// What a person reads: per-file lines, the --info block, the summary and the
// progress bar.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/result.h"

std::string formatsize(int64_t bytes);
// The line for a compressed file (with the per-kind table when verbose).
std::string formatresult(const Tfileresult& r, bool verbose);
// "shrinkwell-cli: SOURCE: reason" for a failed file.
std::string formatfailure(const Tfileresult& r);
std::string formatinfo(const Tfileresult& r);

class Tsummary {
public:
    void add(const Tfileresult& r);
    void addfailure() { ++files_, ++failed_; }
    void setskipped(int n) { skipped_ = n; }
    int failed() const { return failed_; }
    int kept() const { return kept_; }
    int files() const { return files_; }
    std::string text(bool info) const;
    // One line for each outside program that some compressed movie needed
    // but that was not found: its sounds or videos were kept as they are.
    std::string toolnotes(bool lamefound, bool ffmpegfound) const;

private:
    int files_ = 0, failed_ = 0, skipped_ = 0;
    int withsound_ = 0, withvideo_ = 0;
    int kept_ = 0, salvaged_ = 0;
    int64_t before_ = 0, after_ = 0;
};

// "ETA 1:05" (or "ETA 2:03:04") for a batch that took elapsed seconds to do
// fraction (0..1) of its work; "ETA --:--" while too little is done to tell.
std::string formateta(double elapsed, double fraction);

// One self-overwriting line on a terminal; does nothing when disabled.
class Tprogressbar {
public:
    Tprogressbar(bool enabled, FILE* out);
    ~Tprogressbar() { clear(); }
    void update(const std::string& label, int percent);
    // Removes the bar so that a normal line can be printed.
    void clear();

private:
    bool enabled_;
    FILE* out_;
    bool shown_ = false;
    std::string lastline_;
};
