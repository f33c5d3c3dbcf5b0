#include "cli/options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <getopt.h>

#include "settings/effective.h"
#include "settings/schema.h"

#ifndef SHRINKWELL_VERSION
#define SHRINKWELL_VERSION "0.1.0"
#endif

namespace {

// The options that are not Tparams fields.
struct Tlongoption {
    const char* name;
    bool value;
};
const Tlongoption longoptions[] = {
    {"output", true},     {"preset", true},   {"jobs", true},     {"tools", true},    {"tmp", true},
    {"overwrite", false}, {"info", false},    {"json", false},    {"fast", false},    {"lzma", false},
    {"allow-larger", false}, {"salvage", false}, {"quiet", false}, {"verbose", false}, {"help", false},
    {"version", false},   {"dry-run", false}, {"in-place", false}, {"preserve", false},
};

// Leading ':' tells a missing value apart from an unknown option.
const char* const kshortoptions = ":o:p:j:qvhVn";
// getopt_long returns this plus the index of a long option.
constexpr int klongbase = 1000;

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
    case 'n': return "--dry-run";
    default: return nullptr;
    }
}

bool takesvalue(const std::string& name) {
    for (const Tlongoption& l : longoptions)
        if (l.value && name == std::string("--") + l.name) return true;
    for (const Tfield& f : paramfields)
        if (takesfieldvalue(f) && name == f.option) return true;
    return false;
}

// The messages glibc's getopt prints, which scripts and users know.
std::string getopterror(int c, const std::string& arg, const std::vector<std::string>& names) {
    if (optopt >= klongbase) {
        const std::string name = "'--" + names[size_t(optopt - klongbase)] + "'";
        return "option " + name + (c == ':' ? " requires an argument" : " doesn't allow an argument");
    }
    if (optopt != 0) {
        const std::string letter(1, char(optopt));
        return (c == ':' ? "option requires an argument -- '" : "invalid option -- '") + letter + "'";
    }
    const std::string typed = arg.substr(0, arg.find('='));
    std::string matches;
    int count = 0;
    for (const auto& n : names)
        if (("--" + n).compare(0, typed.size(), typed) == 0) matches += " '--" + n + "'", ++count;
    if (count > 1) return "option '" + typed + "' is ambiguous; possibilities:" + matches;
    return "unrecognized option '" + typed + "'";
}

// Options that ask for opposite things, or for an output that cannot be.
const char* clashes(const Tclioptions& o) {
    bool stdinput = false;
    for (const auto& in : o.inputs) stdinput |= in == "-";
    if (stdinput && o.inputs.size() > 1) return "'-' (standard input) must be the only input";
    if (stdinput && o.json) return "--json cannot be used with '-': standard output carries the movie";
    if (stdinput && o.inplace) return "--in-place cannot be used with '-' (standard input)";
    if (stdinput && !o.outdir.empty()) return "--output cannot be used with '-': the movie goes to standard output";
    if (o.inplace && !o.outdir.empty()) return "--in-place and --output cannot be used together";
    if (o.inplace && o.allowlarger) return "--in-place replaces a movie only when smaller: not with --allow-larger";
    if (o.inplace && o.overwrite) return "--in-place and --overwrite cannot be used together";
    return nullptr;
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

    // The long options: the fixed ones, then every field option of the schema.
    std::vector<std::string> names;
    for (const Tlongoption& l : longoptions) names.push_back(l.name);
    for (const Tfield& f : paramfields)
        for (const char* option : {f.option, f.offoption})
            if (option) names.push_back(option + 2);
    std::vector<option> table;
    for (size_t i = 0; i < names.size(); ++i) {
        const bool value = takesvalue("--" + names[i]);
        table.push_back({names[i].c_str(), value ? required_argument : no_argument, nullptr, klongbase + int(i)});
    }
    table.push_back({nullptr, 0, nullptr, 0});

    // getopt_long reorders its array; the caller's stays as it is.
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) args.push_back(const_cast<char*>(argv[i]));
    args.push_back(nullptr);
    optind = 0;  // a fresh scan, also when called again
    opterr = 0;
    for (;;) {
        const int c = getopt_long(argc, args.data(), kshortoptions, table.data(), nullptr);
        if (c == -1) break;
        const char* arg = optind > 0 && optind <= argc ? args[optind - 1] : "";
        if (c == '?' || c == ':') {
            error = getopterror(c, arg, names);
            return false;
        }
        std::string name, value = optarg ? optarg : "";
        if (c >= klongbase) name = "--" + names[size_t(c - klongbase)];
        else if (const char* l = longname(char(c))) name = l;

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
        } else if (name == "--dry-run") {
            o.dryrun = true;
        } else if (name == "--in-place") {
            o.inplace = true;
        } else if (name == "--preserve") {
            o.preserve = true;
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
            quiet = true, verbose = false;
        } else if (name == "--verbose") {
            verbose = true, quiet = false;
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
            error = "unrecognized option '" + name + "'";
            return false;
        }
    }
    for (int i = optind; i < argc; ++i) o.inputs.push_back(args[size_t(i)]);
    if (o.help || o.version) return true;
    o.quiet = quiet;
    o.verbose = verbose;
    if (const char* clash = clashes(o)) {
        error = clash;
        return false;
    }

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
        error = "no input files or directories";
        return false;
    }
    return true;
}

std::string usagetext() {
    return "Usage: shrinkwell-cli [options] FILE|DIR...\n"
           "       shrinkwell-cli [options] - < IN.swf > OUT.swf\n"
           "Makes Flash movies (.swf, and projector .exe files that carry one) smaller.\n"
           "Each FILE is compressed to NAME_compressed.EXT. Each DIR is searched, with its\n"
           "subdirectories, for .swf and .exe files (any letter case); when searching, files\n"
           "whose base name already ends in \"_compressed\" (or \"_compressed\" and a number)\n"
           "are skipped, since they are earlier output. Files named on the command line are\n"
           "always taken. The source files are never changed, unless --in-place is given.\n"
           "A FILE of - reads the movie from standard input and writes the result to\n"
           "standard output (messages go to standard error); it is the only input then.\n"
           "\n"
           "Output:\n"
           "  -o, --output DIR       write the output files to DIR (created when missing),\n"
           "                         each found in a DIR argument at its place in that\n"
           "                         tree; default: beside each source file\n"
           "      --overwrite        replace an existing NAME_compressed.EXT; without it the\n"
           "                         first free NAME_compressed0.EXT, NAME_compressed1.EXT...\n"
           "                         is used\n"
           "  -n, --dry-run          compress in the scratch directory only and report what\n"
           "                         would be saved; write nothing\n"
           "      --in-place         replace each source with its result when that is\n"
           "                         smaller (atomically, keeping its mode and owner);\n"
           "                         otherwise leave it as it is\n"
           "      --preserve         give each output the source's access and\n"
           "                         modification times\n"
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
           "      --skip-image, --skip-shape, --skip-sound, --skip-font, --skip-video\n"
           "                         keep that kind of resource exactly as it is\n"
           "\n"
           "Running:\n"
           "      --info             show each movie's header and resources; write nothing\n"
           "      --json             print one JSON object per file on standard output\n"
           "                         (not with -, whose result has standard output)\n"
           "  -j, --jobs N           compress N files at a time, each in its own process (1-64)\n"
           "      --tools DIR        where the lame and ffmpeg programs are (default /usr/bin/)\n"
           "      --tmp DIR          scratch directory (default $XDG_CACHE_HOME or ~/.cache,\n"
           "                         then /shrinkwell/temp)\n"
           "  -q, --quiet            print only errors\n"
           "  -v, --verbose          also print the resources of each file (of -q and -v,\n"
           "                         the last one given counts)\n"
           "  -h, --help             show this help\n"
           "  -V, --version          show the version\n"
           "\n"
           "Short options can be combined (-qn, -j2) and long ones shortened to any unique\n"
           "beginning (--dry, --jobs=2).\n"
           "\n"
           "Exit status: 0 when every file was compressed, kept or shown, 1 when any file\n"
           "failed (a damaged movie fails unless --salvage is given), 2 for a usage\n"
           "error, 130 when interrupted.\n";
}
