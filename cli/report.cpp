#include "cli/report.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include "cli/jsonout.h"

namespace {

std::string printf1(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

std::string change(int64_t before, int64_t after) {
    const double p = savedpercent(before, after);
    return p >= 0 ? "saved " + printf1("%.1f%%", p) : "grew " + printf1("%.1f%%", -p);
}

std::string pad(std::string s, size_t width, bool left) {
    if (s.size() >= width) return s;
    return left ? s + std::string(width - s.size(), ' ') : std::string(width - s.size(), ' ') + s;
}

int terminalwidth(FILE* out) {
    winsize ws{};
    if (ioctl(fileno(out), TIOCGWINSZ, &ws) == 0 && ws.ws_col >= 20) return ws.ws_col;
    return 80;
}

// The last part of s that fits in width bytes, not starting inside a UTF-8 sequence.
std::string tail(const std::string& s, size_t width) {
    if (s.size() <= width) return s;
    size_t start = s.size() - width + 3;
    while (start < s.size() && (uint8_t(s[start]) & 0xC0) == 0x80) ++start;
    return "..." + s.substr(start);
}

}  // namespace

std::string formatsize(int64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " B";
    if (bytes < (int64_t(1) << 20)) return printf1("%.1f KB", double(bytes) / 1024);
    if (bytes < (int64_t(1) << 30)) return printf1("%.2f MB", double(bytes) / (1 << 20));
    return printf1("%.2f GB", double(bytes) / (1 << 30));
}

std::string formateta(double elapsed, double fraction) {
    // The first second and percent say little of the rest.
    if (!(fraction >= 0.01) || !(elapsed >= 1) || fraction >= 1) return fraction >= 1 ? "ETA 0:00" : "ETA --:--";
    const double left = elapsed * (1 - fraction) / fraction;
    if (left >= 100 * 3600) return "ETA --:--";
    const long s = long(left + 0.5);
    char buf[32];
    if (s >= 3600) std::snprintf(buf, sizeof buf, "ETA %ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else std::snprintf(buf, sizeof buf, "ETA %ld:%02ld", s / 60, s % 60);
    return buf;
}

std::string formatresult(const Tfileresult& r, bool verbose) {
    std::string how;
    if (r.kept) how = "kept: not smaller; the rewrite was " + formatsize(r.rewritten);
    else if (r.dropped > 0) how = change(savingbaseline(r), r.dstsize) + " of what was kept; " +
                                  std::to_string(r.dropped) + " bytes dropped";
    else how = change(r.srcsize, r.dstsize);
    std::string where = r.source + " -> " + r.output + (r.dryrun ? " (dry run, not written)" : "");
    if (r.inplace)
        where = r.source + (r.output.empty() ? " (left as it is)" : r.dryrun ? " (would be replaced)" : " (replaced)");
    std::string s = where + ": " + formatsize(r.srcsize) + " -> " + formatsize(r.dstsize) +
                    " (" + how + "), " + std::to_string(r.ms) + " ms\n";
    if (!r.warning.empty()) s += "  warning: " + r.warning + "\n";
    for (const auto& n : r.notes) s += "  note: " + n + "\n";
    if (!verbose) return s;
    s += "  " + pad("kind", 7, true) + pad("count", 7, false) + pad("before", 12, false) + pad("after", 12, false) +
         "\n";
    for (int i = 0; i < KIND_COUNT; ++i) {
        const Tkindresult& k = r.kinds[i];
        if (k.count == 0) continue;
        s += "  " + pad(kindnames[i].user, 7, true) + pad(std::to_string(k.count), 7, false) +
             pad(formatsize(k.srcsize), 12, false) + pad(formatsize(k.dstsize), 12, false) + "\n";
    }
    return s;
}

std::string formatfailure(const Tfileresult& r) { return "shrinkwell-cli: " + r.source + ": " + r.error + "\n"; }

std::string formatinfo(const Tfileresult& r) {
    const Tmovieheader& h = r.header;
    char bg[8];
    std::snprintf(bg, sizeof bg, "#%02x%02x%02x", h.red, h.green, h.blue);
    std::string s = r.source + "\n";
    s += "  signature   " + (h.signature.empty() ? "?" : h.signature) + ", version " + std::to_string(h.version) +
         "\n";
    s += "  size        " + formatsize(r.srcsize) + " on disk, FileLength " + std::to_string(h.filelength) +
         " bytes\n";
    s += "  stage       " + std::to_string(h.width) + " x " + std::to_string(h.height) + " px, " +
         std::to_string(h.framerate) + " fps, " + std::to_string(h.framecount) + " frames, background " + bg + "\n";
    s += "  resources   " + pad("count", 7, false) + pad("size", 12, false) + "\n";
    for (int i = 0; i < KIND_COUNT; ++i) {
        s += "    " + pad(kindnames[i].user, 10, true) + pad(std::to_string(r.kinds[i].count), 7, false) +
             pad(formatsize(r.kinds[i].srcsize), 12, false) + "\n";
    }
    if (!r.warning.empty()) s += "  warning: " + r.warning + "\n";
    return s;
}

void Tsummary::add(const Tfileresult& r) {
    ++files_;
    if (!r.ok) {
        ++failed_;
        return;
    }
    before_ += r.info ? r.srcsize : savingbaseline(r);
    after_ += r.dstsize;
    if (r.kept) ++kept_;
    if (r.salvaged) ++salvaged_;
    if (!r.info && r.kinds[KIND_SOUND].count > 0) ++withsound_;
    if (!r.info && r.kinds[KIND_FLV].count > 0) ++withvideo_;
}

std::string Tsummary::toolnotes(bool lamefound, bool ffmpegfound) const {
    auto note = [](const char* tool, const char* what, int movies) {
        return std::string("note: ") + tool + " was not found (in the tools folder or on PATH): the " + what +
               " of " + std::to_string(movies) + (movies == 1 ? " movie" : " movies") + " kept as they are\n";
    };
    std::string s;
    if (!lamefound && withsound_ > 0) s += note("lame", "sounds", withsound_);
    if (!ffmpegfound && withvideo_ > 0) s += note("ffmpeg", "videos", withvideo_);
    return s;
}

std::string Tsummary::text(bool info) const {
    const int good = files_ - failed_;
    std::string s = std::to_string(files_) + (files_ == 1 ? " file: " : " files: ") + std::to_string(good) +
                    (info ? " read" : " compressed") + ", " + std::to_string(failed_) + " failed";
    if (!info && good > 0)
        s += "; " + formatsize(before_) + " -> " + formatsize(after_) + ", " + change(before_, after_) + " (" +
             std::to_string(before_) + " -> " + std::to_string(after_) + " bytes)";
    if (kept_ > 0) s += "; " + std::to_string(kept_) + (kept_ == 1 ? " kept as it was" : " kept as they were") +
                        " (not smaller)";
    if (salvaged_ > 0) s += "; " + std::to_string(salvaged_) + " salvaged from damaged data";
    if (skipped_ > 0)
        s += "; " + std::to_string(skipped_) + (skipped_ == 1 ? " file" : " files") +
             " named *_compressed skipped";
    return s + "\n";
}

Tprogressbar::Tprogressbar(bool enabled, FILE* out) : enabled_(enabled), out_(out) {}

void Tprogressbar::update(const std::string& label, int percent) {
    if (!enabled_) return;
    percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
    const int width = terminalwidth(out_) - 1;
    const int barwidth = 24;
    const int filled = percent * barwidth / 100;
    std::string line = "[" + std::string(size_t(filled), '#') + std::string(size_t(barwidth - filled), '.') + "] " +
                       pad(std::to_string(percent), 3, false) + "% ";
    if (int(line.size()) < width) line += tail(label, size_t(width) - line.size());
    if (shown_ && line == lastline_) return;
    std::fputs(("\r\033[K" + line).c_str(), out_);
    std::fflush(out_);
    shown_ = true;
    lastline_ = line;
}

void Tprogressbar::clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", out_);
    std::fflush(out_);
    shown_ = false;
    lastline_.clear();
}
