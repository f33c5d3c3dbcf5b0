#include "cli/options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "settings/effective.h"
#include "settings/schema.h"

#ifndef SHRINKWELL_VERSION
#define SHRINKWELL_VERSION "0.1.0"
#endif

namespace {

// Options that take a value and are not Tparams fields.
const char* const valueoptions[] = {"--output", "--preset", "--jobs", "--tools", "--tmp"};

// A field set on the command line. A custom value (JPEG quality, sample rate,
// bit rate) only takes effect at its level's custom setting, so giving one
// selects it.
struct Tsetting {
    const Tfield* field;
    int value;
    const char* option;
};

bool takesfieldvalue(const Tfield& f) { return f.option && !(f.flags & FIELD_BOOLEAN); }

bool parseint(const std::string& text, long& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && end && *end == 0 && text.find_first_of(" \t") == std::string::npos;
}

bool rangedint(const std::string& option, const std::string& text, int lo, int hi, int& out, std::string& error) {
    long v = 0;
    if (!parseint(text, v) || v < lo || v > hi) {
        error = option + ": expected a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) +
                ", got '" + text + "'";
        return false;
    }
    out = int(v);
    return true;
}

std::string presetnames() {
    std::string s;
    for (int i = 0; i < PRESET_COUNT; ++i) s += std::string(i ? ", " : "") + presets[i].name;
    return s;
}

std::string withslash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

// Long name for a short option letter; null when unknown.
const char* longname(char c) {
    switch (c) {
    case 'o': return "--output";
    case 'p': return "--preset";
    case 'j': return "--jobs";
    case 'q': return "--quiet";
    case 'v': return "--verbose";
    case 'h': return "--help";
    case 'V': return "--version";
    default: return nullptr;
    }
}

bool takesvalue(const std::string& name) {
    for (const char* v : valueoptions)
        if (name == v) return true;
    for (const Tfield& f : paramfields)
        if (takesfieldvalue(f) && name == f.option) return true;
    return false;
}

}  // namespace

std::string defaulttmpdir() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    std::string base;
    if (xdg && *xdg == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/.cache";
    }
    return base + "/shrinkwell/temp";
}

const char* cliversion() { return SHRINKWELL_VERSION; }

bool parseoptions(int argc, const char* const* argv, Tclioptions& o, std::string& error) {
    std::vector<Tsetting> settings;
    std::string presetname = o.preset;
    bool verbose = false, quiet = false;
    bool endofoptions = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (endofoptions || arg.size() < 2 || arg[0] != '-') {
            o.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            endofoptions = true;
            continue;
        }
        std::string name, value;
        bool hasvalue = false;
        if (arg[1] == '-') {
            size_t eq = arg.find('=');
            name = arg.substr(0, eq);
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                hasvalue = true;
            }
        } else {
            const char* l = longname(arg[1]);
            if (!l) {
                error = "unknown option '" + arg + "' (try --help)";
                return false;
            }
            name = l;
            if (arg.size() > 2) {
                if (!takesvalue(name)) {
                    error = "unknown option '" + arg + "' (try --help)";
                    return false;
                }
                value = arg.substr(2);
                hasvalue = true;
            }
        }
        if (takesvalue(name)) {
            if (!hasvalue) {
                if (i + 1 >= argc) {
                    error = name + " needs a value";
                    return false;
                }
                value = argv[++i];
            }
        } else if (hasvalue) {
            error = name + " takes no value";
            return false;
        }

        bool known = true;
        if (name == "--output") {
            if (value.empty()) {
                error = "--output: the directory name is empty";
                return false;
            }
            o.outdir = value;
        } else if (name == "--preset") {
            if (!findpreset(value)) {
                error = "--preset: unknown preset '" + value + "' (one of " + presetnames() + ")";
                return false;
            }
            presetname = findpreset(value)->name;
        } else if (name == "--jobs") {
            if (!rangedint(name, value, 1, 64, o.jobs, error)) return false;
        } else if (name == "--tools") {
            if (value.empty()) {
                error = "--tools: the directory name is empty";
                return false;
            }
            o.toolsdir = withslash(value);
        } else if (name == "--tmp") {
            if (value.empty()) {
                error = "--tmp: the directory name is empty";
                return false;
            }
            o.tmpdir = value;
        } else if (name == "--overwrite") {
            o.overwrite = true;
        } else if (name == "--info") {
            o.info = true;
        } else if (name == "--json") {
            o.json = true;
        } else if (name == "--fast") {
            o.fast = true;
        } else if (name == "--lzma") {
            o.lzma = true;
        } else if (name == "--allow-larger") {
            o.allowlarger = true;
        } else if (name == "--salvage") {
            o.salvage = true;
        } else if (name == "--quiet") {
            quiet = true;
        } else if (name == "--verbose") {
            verbose = true;
        } else if (name == "--help") {
            o.help = true;
        } else if (name == "--version") {
            o.version = true;
        } else {
            known = false;
            for (const Tfield& f : paramfields) {
                if (takesfieldvalue(f) && name == f.option) {
                    int32_t v = 0;
                    if (!fieldword(f, value, v) && !rangedint(name, value, f.lo, f.hi, v, error)) {
                        if (fieldwords(f)) error += " or one of " + std::string(fieldwords(f));
                        return false;
                    }
                    settings.push_back({&f, v, f.option});
                    known = true;
                } else if ((f.flags & FIELD_BOOLEAN) && f.option && name == f.option) {
                    settings.push_back({&f, 1, f.option});
                    known = true;
                } else if ((f.flags & FIELD_BOOLEAN) && f.offoption && name == f.offoption) {
                    settings.push_back({&f, 0, f.offoption});
                    known = true;
                }
            }
        }
        if (!known) {
            error = "unknown option '" + name + "' (try --help)";
            return false;
        }
    }
    if (o.help || o.version) return true;
    if (quiet && verbose) {
        error = "--quiet and --verbose cannot be used together";
        return false;
    }
    o.quiet = quiet;
    o.verbose = verbose;

    // Options apply on top of the preset whatever their order on the line.
    o.preset = presetname;
    o.params = findpreset(presetname)->params;
    for (const auto& s : settings) o.params.*s.field->member = s.value;
    for (const auto& s : settings) {
        if (!s.field->level) continue;
        for (const auto& t : settings) {
            if (t.field->member != s.field->level || t.value == LEVEL_CUSTOM) continue;
            error = std::string(s.option) + " needs level " + std::to_string(LEVEL_CUSTOM) + " (custom), but " +
                    t.option + " " + std::to_string(t.value) + " was given";
            return false;
        }
        o.params.*s.field->level = LEVEL_CUSTOM;
    }
    if (o.tmpdir.empty()) o.tmpdir = defaulttmpdir();
    if (o.inputs.empty()) {
        error = "no input files or directories (try --help)";
        return false;
    }
    return true;
}

std::string usagetext() {
    return "Usage: shrinkwell-cli [options] FILE|DIR...\n"
           "Makes Flash movies (.swf, and projector .exe files that carry one) smaller.\n"
           "Each FILE is compressed to NAME_compressed.EXT. Each DIR is searched, with its\n"
           "subdirectories, for .swf and .exe files (any letter case); when searching, files\n"
           "whose base name already ends in \"_compressed\" (or \"_compressed\" and a number)\n"
           "are skipped, since they are earlier output. Files named on the command line are\n"
           "always taken. The source files are never changed.\n"
           "\n"
           "Output:\n"
           "  -o, --output DIR       write the output files to DIR (created when missing);\n"
           "                         default: beside each source file\n"
           "      --overwrite        replace an existing NAME_compressed.EXT; without it the\n"
           "                         first free NAME_compressed0.EXT, NAME_compressed1.EXT...\n"
           "                         is used\n"
           "      --fast             faster, slightly larger compression of the output\n"
           "      --lzma             write LZMA-compressed (ZWS) movies where smaller, for\n"
           "                         movies of version 13 and later\n"
           "      --allow-larger     write the rewritten movie even when it is not smaller;\n"
           "                         without it such a file is copied unchanged (\"kept\")\n"
           "      --salvage          write a damaged movie with the part that could be read\n"
           "                         (without it a damaged movie fails and nothing is written)\n"
           "\n"
           "Settings (the preset first, then every option below on top of it):\n"
           "  -p, --preset NAME      Best, Good, Basic, Medium, Sprite or Custom (default Best)\n"
           "      --shape-ratio N    shape compression ratio, 1-100\n"
           "      --quality-shapes, --no-quality-shapes\n"
           "                         divide each shape only as far as keeps every point\n"
           "                         within 1/4 pixel where it is shown (on in Best, Good)\n"
           "      --font-ratio N     font compression ratio, 1-32\n"
           "      --image-quality L  image quality level: 0 best quality, 1 good, 2 normal,\n"
           "                         3 smallest file, 4 custom (--jpeg-quality)\n"
           "      --jpeg-quality Q   JPEG quality 0-80 for images (selects level 4)\n"
           "      --zoom PERCENT     shrink images by another 0-50 percent\n"
           "      --max-width PX     largest width at which the movie is played, to scale\n"
           "                         images down to; 0 = no limit\n"
           "      --max-height PX    the same for the height; 0 = no limit\n"
           "      --no-delete-metadata, --delete-metadata\n"
           "                         keep, or drop, JPEG metadata; kept JPEGs also get\n"
           "                         optimized Huffman tables (lossless)\n"
           "      --no-force-jpeg, --force-jpeg\n"
           "                         keep lossless bitmaps lossless, or let them become JPEG\n"
           "      --no-delete-invisible, --delete-invisible\n"
           "                         recolour fully transparent pixels to compress better and\n"
           "                         crop bitmaps to the part their fills show\n"
           "      --no-smooth-colour, --smooth-colour\n"
           "                         choose JPEG chroma subsampling per image: 4:2:0 where\n"
           "                         the colours stay as they are, else 4:4:4\n"
           "      --no-optimize-alpha, --optimize-alpha\n"
           "                         drop alpha planes that are all opaque, snap alpha values\n"
           "                         next to 0 and 255\n"
           "      --no-morph-shapes, --morph-shapes\n"
           "                         divide morph shapes like shapes\n"
           "      --no-delete-useless-points, --delete-useless-points\n"
           "                         merge straight edges on one line, drop empty edges and\n"
           "                         style changes that change nothing\n"
           "      --simplify-lines, --no-simplify-lines\n"
           "                         replace chains of straight edges that turn by less than\n"
           "                         the pen angle by fewer edges (off in Best)\n"
           "      --pen-angle DEG    that angle in degrees, 0-180 (every preset: 20)\n"
           "      --straighten-curves, --no-straighten-curves\n"
           "                         make curves that are almost straight straight edges\n"
           "                         (off in Best)\n"
           "      --straighten N     edge detail value for that, 0-10 (every preset: 1)\n"
           "      --curve-merge N    merge neighbouring curves that one curve fits: 0 never,\n"
           "                         1 within half the bound, 2 within it (Best, Custom: 1)\n"
           "                         (the bound of these shape options: 1/4 pixel where the\n"
           "                         shape is shown)\n"
           "      --quality-fonts, --no-quality-fonts\n"
           "                         divide a font only as far as keeps a glyph unit within\n"
           "                         half a pixel at its largest text height (on in all)\n"
           "      --sound-quality L  sound quality level 0-4 (4 = --sound-rate/--sound-bitrate)\n"
           "      --sound-rate KHZ   sample rate for sounds in kHz, 1-100 (selects level 4)\n"
           "      --sound-bitrate K  MP3 bit rate for sounds in kbit/s, 1-250 (selects level 4)\n"
           "      --mono, --stereo   make sounds mono, or keep their channels\n"
           "      --sound-encoding E cbr (0) constant bit rate, vbr (1) variable bit rate\n"
           "                         at a quality for the level (every preset), abr (2)\n"
           "                         average bit rate\n"
           "      --video-quality L  video quality level 0-4 (4 = --video-bitrate)\n"
           "      --video-bitrate K  video bit rate in kbit/s, 1-250 (selects level 4)\n"
           "      --max-video-width PX, --max-video-height PX\n"
           "                         largest size of video pictures, keeping their aspect;\n"
           "                         players scale them up to the video's size; 0 = no limit\n"
           "      --skip-image, --skip-sound, --skip-font, --skip-video\n"
           "                         keep that kind of resource exactly as it is\n"
           "\n"
           "Running:\n"
           "      --info             show each movie's header and resources; write nothing\n"
           "      --json             print one JSON object per file on standard output\n"
           "  -j, --jobs N           compress N files at a time, each in its own process (1-64)\n"
           "      --tools DIR        where the lame and ffmpeg programs are (default /usr/bin/)\n"
           "      --tmp DIR          scratch directory (default $XDG_CACHE_HOME or ~/.cache,\n"
           "                         then /shrinkwell/temp)\n"
           "  -q, --quiet            print only errors\n"
           "  -v, --verbose          also print the resources of each file\n"
           "  -h, --help             show this help\n"
           "  -V, --version          show the version\n"
           "\n"
           "Exit status: 0 when every file was compressed, kept or shown, 1 when any file\n"
           "failed (a damaged movie fails unless --salvage is given), 2 for a usage\n"
           "error, 130 when interrupted.\n";
}
