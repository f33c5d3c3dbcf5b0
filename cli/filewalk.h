// Turns the files and directories of the command line into the list of movies.
#pragma once
#include <string>
#include <vector>

struct Twalkresult {
    std::vector<std::string> files;    // in command-line order, each directory's entries sorted
    // For each file, its folder below the directory argument it was found in,
    // ending with '/'; empty for a file named directly or at that top.
    std::vector<std::string> subdirs;
    std::vector<std::string> skipped;  // earlier output met while walking
    std::vector<std::string> errors;   // "path: reason" for directories that could not be read
};

// ".swf" or ".exe" in any letter case.
bool ismoviename(const std::string& filename);
// Base name ends in "_compressed", optionally followed by a counter.
bool iscompressedname(const std::string& filename);

// Names given explicitly are taken as they are (a missing one fails later with
// its own message); directories are walked recursively without following
// directory links. A file reached twice is listed once.
Twalkresult collectinputs(const std::vector<std::string>& args);
