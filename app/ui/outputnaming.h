// Where the compressed copy of a source file goes, and what became of it.
#pragma once
#include <QString>

struct tagOutList {
    QString srcpath;
    QString basename;
    QString outpath;
    QString outbasename;
    // Set when the engine wrote no complete output; the reason is kept for the list.
    bool failed = false;
    QString error;
    // The result was not smaller, so the output is a copy of the source.
    bool kept = false;
};

struct COutputNames {
    QString basename;     // source file name without its last extension
    QString extension;    // text after the last ".", empty without one
    QString outbasename;  // basename + "_compressed"
    QString outpath;
    int isExe = 1;        // 0 only for a ".swf" source, in any letter case
};

// Splits the source path; touches no file.
COutputNames splitOutputNames(const QString& srcpath, const QString& outdir);
// As above, then claims the output path: it is created (or emptied) at once, and
// when it exists but cannot be written the first free "<base>_compressed<n>.<ext>" is taken.
COutputNames makeOutputNames(const QString& srcpath, const QString& outdir);
