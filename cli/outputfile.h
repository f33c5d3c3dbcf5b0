// Where a result goes when it is not simply a new file: standard input and
// output, a source replaced in place, and timestamps carried over.
#pragma once
#include <string>

#include <time.h>

// A file's access and modification times, taken before it is read (reading
// moves the access time).
struct Tfiletimes {
    timespec atime{}, mtime{};
    bool ok = false;
};
Tfiletimes filetimes(const std::string& path);
// False when they cannot be set (or were not taken).
bool settimes(const std::string& path, const Tfiletimes& times);

// Copies standard input to a new file at path. Empty on success, else why not.
std::string readstandardinput(const std::string& path);
// Copies the file at path to standard output. Empty on success, else why not.
std::string writestandardoutput(const std::string& path);

// A hidden name in the folder of source (links followed) for its replacement:
// a rename within one file system is atomic.
std::string replacementname(const std::string& source);
// Gives temp the mode, owner (where allowed) and, when times is given, those
// times of source, makes it durable and renames it over source. Empty on
// success, else why not; source is untouched then.
std::string replacesource(const std::string& source, const std::string& temp, const Tfiletimes* times);
