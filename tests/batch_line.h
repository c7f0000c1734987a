#pragma once
// One batch command line run in the test's process, its standard output,
// standard error and exit status caught, as the batch mode's own main runs
// it.
#include <cstdio>
#include <string>
#include <vector>

#include "app/batch_host.h"
#include "app/batch_options.h"
#include "app/batch_run.h"
#include "app/run_driver.h"

namespace tarvik {

inline std::string ReadAll(std::FILE* f) {
    std::rewind(f);
    std::string text;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
    return text;
}

struct BatchResult {
    int status = -1;
    std::string out, err;
};

// Host may be a BatchHost of the test's own that wants the run state.
template <class Host = BatchHost>
BatchResult RunWith(const std::vector<std::string>& args) {
    BatchResult result;
    BatchOptions options;
    if (auto error = ParseBatchOptions(args, options)) {
        result.status = BatchExitUsage;
        result.err = *error;
        return result;
    }
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Host host(out, err);
    RunState state(host);
    if constexpr (requires { host.state; }) host.state = &state;
    RunDriver driver(state);
    result.status = ApplyBatchOptions(options, state, err) ? RunBatch(options, state, driver, host) : BatchExitError;
    result.out = ReadAll(out);
    result.err = ReadAll(err);
    std::fclose(out);
    std::fclose(err);
    return result;
}

} // namespace tarvik
