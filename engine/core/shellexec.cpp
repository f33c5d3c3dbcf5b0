#include "shellexec.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

int shellexecute_wait(const char* program, const char* commandline) {
    if (!program) return -1;
    // Arguments are built before fork: the child only calls exec and _exit.
    std::vector<std::string> words;
    words.emplace_back(program);
    std::string line = commandline ? commandline : "";
    if (line.size() > 1023) line.resize(1023);
    size_t i = 0;
    while (i < line.size() && words.size() < 255) {
        while (i < line.size() && line[i] == ' ') ++i;
        size_t j = i;
        while (j < line.size() && line[j] != ' ') ++j;
        if (j > i) words.push_back(line.substr(i, j - i));
        i = j;
    }
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0) return -1;  // nothing was started, so nothing to wait for
    if (pid == 0) {
        execvp(program, argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
