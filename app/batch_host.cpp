#include "app/batch_host.h"

#include "app/atomic_file.h"
#include "app/run_driver.h"
#include "app/text_input.h"
#include "core/run_state.h"

namespace tarvik {

volatile std::sig_atomic_t BatchHost::interruptRequested = 0;

void BatchHost::AppendLine(const std::string& line) {
    pending_.push_back(line);
    if (streaming_) Flush();
}

// Until the first iteration is set up, the pane may still be cleared (large
// n, an input error), so lines are held back; afterwards they are printed
// as they come.
void BatchHost::ClearOutput() { pending_.clear(); }

void BatchHost::OutputSettled() {
    streaming_ = true;
    Flush();
}

void BatchHost::Flush() {
    std::string text;
    for (const auto& line : pending_) {
        text += line;
        text += '\n';
    }
    pending_.clear();
    const int error = WriteStream(out_, text);
    if (outputError_ == 0) outputError_ = error;
}

// A report that can no longer be written (a full disk, a closed pipe) ends
// the run as Ctrl-C would: nobody can read what it would go on to say.
void BatchHost::ProcessEvents() {
    if (!state_ || !driver_ || state_->StopRequested) return;
    if (interruptRequested && !interrupted_) {
        interrupted_ = true;
        driver_->Stop();
    } else if (outputError_ != 0 && !interrupted_) {
        driver_->Stop();
    }
}

void BatchHost::ShowInfo(const std::string& text) { std::fprintf(err_, "%s\n", ForTerminal(text).c_str()); }

void BatchHost::ShowError(const std::string& text) { std::fprintf(err_, "%s\n", ForTerminal(text).c_str()); }

void BatchHost::FailureAnswered(const std::string& text, FailureAnswer answer) {
    const char* name = answer == FailureAnswer::Yes ? "Yes"
                       : answer == FailureAnswer::No ? "No"
                       : answer == FailureAnswer::YesToAll ? "Yes to All"
                                                          : "Cancel";
    std::fprintf(err_, "%s [%s]\n", text.c_str(), name);
}

} // namespace tarvik
