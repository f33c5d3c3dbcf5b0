// A scratch directory for one test, removed with everything in it.
#pragma once
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/enginerun.h"
#include "support/process.h"
#include "support/swfbuilder.h"

class Ttempdir : public swfb::Scratchdir {
public:
    Ttempdir() : Scratchdir("swcli") {}
    std::string path() const { return Scratchdir::path().substr(0, Scratchdir::path().size() - 1); }
    std::string operator/(const std::string& name) const { return file(name); }
    // Writes bytes to name (directories created), returns the full path.
    std::string put(const std::string& name, const swfb::Bytes& data = {}) const {
        std::filesystem::create_directories(std::filesystem::path(file(name)).parent_path());
        swfb::writefile(file(name), data);
        return file(name);
    }
};

// Starts the program args[0] with stdout and stderr in the files out and err
// (stdin from the file in, when given), in folder cwd when given, in a process
// group of its own when newgroup (as a terminal's foreground job). Returns its pid.
inline pid_t spawnwithfiles(std::vector<std::string> args, const std::string& out, const std::string& err,
                            const std::string& cwd = "", bool newgroup = false, const std::string& in = "") {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (newgroup) setpgid(0, 0);
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(o, 1);
    dup2(e, 2);
    if (!in.empty()) dup2(open(in.c_str(), O_RDONLY), 0);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

using swfb::slurp;

// Each of wants is somewhere in text.
inline void expecthas(const std::string& text, std::initializer_list<std::string> wants) {
    for (const std::string& want : wants) EXPECT_NE(text.find(want), std::string::npos) << want << "\n" << text;
}

struct Ran {
    int status = -1;  // -1 when ended by a signal
    std::string out, err;
};

// Runs argv to its end in folder cwd (when given), stdout and stderr apart,
// stdin from the file in when given.
inline Ran run(const Ttempdir& t, const std::vector<std::string>& argv, const std::string& cwd = "",
               const std::string& in = "") {
    const std::string out = t / "stdout", err = t / "stderr";
    int status = 0;
    waitpid(spawnwithfiles(argv, out, err, cwd, false, in), &status, 0);
    Ran r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return r;
}
