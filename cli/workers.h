// Files processed in forked worker processes: the engine serves one file per
// process, so parallel work needs processes, not threads.
#pragma once
#include <cstddef>
#include <functional>

#include "cli/filerun.h"
#include "cli/result.h"

class Tworkerpool {
public:
    // Runs in a worker: the result of task index.
    using Ttask = std::function<Tfileresult(size_t index, const Tprogressfn& progress)>;
    // Run in the parent.
    using Tprogress = std::function<void(size_t index, int percent)>;
    using Tdone = std::function<void(size_t index, Tfileresult& result)>;  // in completion order
    // 0 go on, 1 hand out nothing more, 2 end the workers now.
    using Tstop = std::function<int()>;

    // workerexit runs in each worker before it ends (its own clean-up).
    // corefd: the write end of the pipe whose bytes are the cores a worker's
    // threads may take beyond its own; a byte is put there for each of the
    // jobs that has no worker working (-1: none).
    Tworkerpool(int jobs, std::function<void()> workerexit, int corefd = -1);
    // Hands out tasks 0..count-1 until stop() says no more (the busy workers
    // then get SIGINT); every task handed out gets exactly one done() call,
    // also when its worker dies. When stop() says 2, the workers end within
    // about a second: a result already on its way is still delivered, the
    // others fail as "interrupted".
    void run(size_t count, const Ttask& task, const Tprogress& progress, const Tdone& done, const Tstop& stop);

private:
    int jobs_;
    std::function<void()> workerexit_;
    int corefd_;
};
