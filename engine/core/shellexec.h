#pragma once
#include <string>
#include <vector>

// Runs program with exactly these arguments (no shell, no word splitting),
// stdin from /dev/null, stdout and stderr to /dev/null, in its own process
// group; kills that group after timeout_ms (<= 0: no limit). A program name
// without a slash is searched on PATH.
// Returns its exit status, -1 when it could not be started or died by a
// signal, -2 when it ran out of time, -3 when it was stopped by stoptools()
// or not started because a stop or a cancel (CCancelProc) is pending: the
// caller keeps its data as read, and that is no trouble of the tool.
// Safe from several threads at once; a tool dies with the thread that started it.
int shellexecute_argv(const std::string& program, const std::vector<std::string>& args, int timeout_ms);

constexpr int ktoolstopped = -3;

// Async-signal-safe, and safe from another thread: kills the process group
// of the running tool at once. With forgood (a program that is ending) no
// tool starts any more in this process.
void stoptools(bool forgood);
// Sets CCancelProc. Async-signal-safe; also ends the tool that runs now
// (stoptools).
void CancelProc();

// Runs program with the space-separated arguments of commandline and waits
// for it. Returns its exit status, or -1 when it could not be started.
int shellexecute_wait(const char* program, const char* commandline);

// Whether program (a path, or a bare name searched on PATH) is an executable file.
bool toolavailable(const char* program);

// dir + name when that is an executable file, else the bare name so that the
// launcher searches PATH.
std::string toolpath(const char* dir, const char* name);
