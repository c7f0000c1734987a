#pragma once
// The EngineHost of the headless batch mode: the output pane goes to
// standard output, message boxes to standard error, and the failure dialog
// is answered from the command line.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "core/silent_host.h"

namespace tarvik {

class RunDriver;
struct RunState;

class BatchHost : public SilentHost {
public:
    BatchHost(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

    void Attach(RunState& state, RunDriver& driver) { state_ = &state; driver_ = &driver; }
    // Set from the SIGINT handler; acted on at the next event pump.
    static volatile std::sig_atomic_t interruptRequested;
    bool Interrupted() const { return interrupted_; }
    // Prints whatever the pane holds that was not printed yet.
    void Flush();
    // 0, or the errno value of the first failed write of the report; the
    // run is stopped at its next event pump once a write has failed.
    int OutputError() const { return outputError_; }

    void AppendLine(const std::string& line) override;
    void ClearOutput() override;
    void ProcessEvents() override;
    void ShowInfo(const std::string& text) override;
    void ShowError(const std::string& text) override;
    // The batch mode answers by its policy; the question and the answer go
    // to standard error.
    void FailureAnswered(const std::string& text, FailureAnswer answer) override;
    void OutputSettled() override;

private:
    std::FILE* out_;
    std::FILE* err_;
    RunState* state_ = nullptr;
    RunDriver* driver_ = nullptr;
    std::vector<std::string> pending_;
    bool streaming_ = false;
    bool interrupted_ = false;
    int outputError_ = 0;
};

} // namespace tarvik
