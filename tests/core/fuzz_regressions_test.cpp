// Inputs that once broke the read-and-write path, run the way the fuzzer runs
// them so that each stays fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/params.h"
#include "pipeline/pipeline.h"
#include "support/enginerun.h"
#include "support/swfbuilder.h"

namespace fs = std::filesystem;

TEST(FuzzRegressions, StoredInputsRunClean) {
    const fs::path folder = fs::path(SHRINKWELL_TESTDATA) / "fuzz";
    std::vector<fs::path> inputs;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.is_regular_file(ec)) inputs.push_back(e.path());
    if (inputs.empty()) GTEST_SKIP() << "no stored inputs in " << folder;
    std::sort(inputs.begin(), inputs.end());

    swfb::Scratchdir dir("fuzzreg");
    setsalvage(1);  // as the fuzzer runs them: damaged inputs are written, not refused
    Tparams params;
    paramssetdef(params);
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.filename().string());
        // The fuzzer writes each input to a file of its own, then runs the stages.
        const std::string in = dir.file("in.swf");
        const swfb::Bytes bytes = swfb::readfile(input.string());
        ASSERT_TRUE(swfb::writefile(in, bytes));
        const swfb::EngineRun r = swfb::runengine(in, dir.file("out.swf"), params, dir.file("notools/"), dir.path());
        EXPECT_EQ(r.fault(), "");
        EXPECT_EQ(swfb::readfile(in), bytes) << "the source file was modified";
    }
    setsalvage(0);
}
