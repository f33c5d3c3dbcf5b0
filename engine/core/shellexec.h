#pragma once
// Runs program with the space-separated arguments of commandline and waits
// for it. Returns its exit status, or -1 when it could not be started.
int shellexecute_wait(const char* program, const char* commandline);
