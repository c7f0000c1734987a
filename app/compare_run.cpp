#include "app/compare_run.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <limits>
#include <memory>

#include "app/batch_host.h"
#include "app/batch_run.h"
#include "app/figure_frame.h"
#include "app/memory_budget.h"
#include "app/pixel_path.h"
#include "app/run_driver.h"
#include "app/run_report.h"
#include "app/text_files.h"
#include "app/text_input.h"
#include "core/method_catalogue.h"

namespace tarvik {

namespace {

// Runs quietly: how each run ended is its summary's to say.
class CompareHost : public BatchHost {
public:
    CompareHost(std::FILE* sink, const CompareHooks& hooks, bool drawsLevelLines)
        : BatchHost(sink, sink), hooks_(hooks), drawsLevelLines_(drawsLevelLines) {}
    void Bind(RunState& state, RunDriver& driver) {
        state_ = &state;
        driver_ = &driver;
        Attach(state, driver);
    }
    // The level lines are drawn once, for the figure of all paths; their time
    // is not the method's. Every run fixes its figure's frame here, as the
    // figure does, from u°.
    void DrawLevelLines() override {
        if (!state_) return;
        if (hooks_.figureArea)
            frame_ = PlaneFrameFor(*hooks_.figureArea, state_->U0.at(1), state_->U0.at(2), state_->FunctionCode);
        if (!drawsLevelLines_ || !hooks_.drawLevelLines) return;
        const auto started = std::chrono::steady_clock::now();
        hooks_.drawLevelLines(*state_);
        drawingSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    }
    double drawingSeconds = 0;
    const std::optional<PlaneFrame>& Frame() const { return frame_; }
    void DrawTrajectoryStep() override {
        if (frame_ && state_) CheckTrajectoryStep(*state_, *frame_);
    }
    void ShowError(const std::string&) override {}
    void ShowInfo(const std::string&) override {}
    void ProcessEvents() override {
        if (hooks_.processEvents) hooks_.processEvents();
        if (hooks_.stopRequested && !stoppedByRequest && state_ && !state_->StopRequested && hooks_.stopRequested()) {
            stoppedByRequest = true;
            driver_->Stop();
            return;
        }
        BatchHost::ProcessEvents();
    }
    bool stoppedByRequest = false;

private:
    const CompareHooks& hooks_;
    bool drawsLevelLines_;
    RunState* state_ = nullptr;
    RunDriver* driver_ = nullptr;
    std::optional<PlaneFrame> frame_;
};

// The failure's statement without the dialog's question.
std::string OneLine(std::string text) {
    const std::size_t question = text.find("Would you like");
    if (question != std::string::npos) text.erase(question);
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string Scientific(Real value, int digits) {
    if (std::isnan(value)) return "";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, digits);
    return std::string(buffer, result.ptr);
}

// Microseconds: most runs of small problems take less than a millisecond.
std::string Seconds(double seconds) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 6);
    return std::string(buffer, result.ptr);
}

std::string EndingText(const RunSummary& summary) {
    switch (summary.ending) {
    case RunEnding::Criterion: return "criterion";
    case RunEnding::ZeroGradient: return "zero gradient";
    case RunEnding::ZeroStep: return "zero step";
    case RunEnding::DemoStep: return "demo step";
    case RunEnding::Stopped: return "stopped";
    case RunEnding::IterationLimit: return "iteration limit";
    case RunEnding::NoProgress: return "no progress";
    case RunEnding::None:
    case RunEnding::Failed: break;
    }
    return OneLine(summary.failureText.empty() ? "error" : summary.failureText);
}

// A failure that every method would meet in the same way: it came before
// the starting point was evaluated. Memory is the exception where a method
// keeps a matrix or pairs of its own, which other methods do without.
bool FailedForEveryMethod(const RunSummary& summary, int n, const MethodTraits& method) {
    if (summary.ending == RunEnding::None) return true;
    if (summary.ending != RunEnding::Failed || summary.startEvaluated) return false;
    return !(summary.failureText == NotEnoughMemoryText(n) && (method.hessianMatrix || method.inverseHessianTriangle || method.lbfgsPairs != 0));
}

} // namespace

std::optional<std::string> ParseMethodList(const std::string& text, std::vector<int>& positions) {
    positions.clear();
    if (text == "all") {
        for (const MethodId id : MethodsInGroupOrder()) positions.push_back(ListPosition(id));
        return std::nullopt;
    }
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, end - start);
        const std::optional<int> p = MethodPositionFrom(item);
        if (!p)
            return "--compare takes 'all' or methods (names, list texts or positions 0.." +
                   std::to_string(OldMethodPositions().size() - 1) + ") separated by commas, got '" + text + "'";
        if (std::find(positions.begin(), positions.end(), *p) != positions.end())
            return "--compare names method " + item + " more than once, got '" + text + "'";
        positions.push_back(*p);
        start = end + 1;
    }
    return std::nullopt;
}

CompareEnd RunComparison(const std::vector<int>& positions, const CompareHooks& hooks, std::vector<CompareRow>& rows) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> sink(std::fopen("/dev/null", "w"), &std::fclose);
    if (!sink) sink.reset(std::tmpfile());
    const int count = static_cast<int>(positions.size());
    for (int index = 0; index < count; ++index) {
        if (hooks.stopRequested && hooks.stopRequested()) return CompareEnd::Interrupted;
        const int position = positions[static_cast<std::size_t>(index)];
        const MethodTraits& method = MethodAtPosition(position);
        CompareHost host(sink.get(), hooks, rows.empty());
        RunState state(host);
        RunDriver driver(state);
        host.Bind(state, driver);
        driver.SetFailurePolicy(hooks.failureAnswer);
        if (!hooks.prepare(state, position)) return CompareEnd::ProblemRefused;
        driver.SetTraceKeepsRows(hooks.keepTraces);
        CompareRow row;
        std::optional<PixelPathThinner> thinner;
        if (hooks.keepPaths && hooks.figureArea) {
            driver.SetRowObserver([&](const TraceRow& r) {
                // The frame is fixed when the level lines are drawn, before row 0.
                if (!thinner && host.Frame()) thinner.emplace(*host.Frame());
                if (!thinner || thinner->Needed(r.u1, r.u2)) row.path.emplace_back(r.u1, r.u2);
            });
        }
        if (hooks.maxIterations) state.Params.MaxIterations = static_cast<int32_t>(*hooks.maxIterations);
        if (hooks.starting) hooks.starting(index, count, std::string(method.name));

        row.methodPosition = position;
        row.method = std::string(method.name);
        row.usesHessian = method.formsHessian;
        const auto started = std::chrono::steady_clock::now();
        driver.Start();
        while (driver.ResumePending()) driver.ResumeIfPending();
        row.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() - host.drawingSeconds;
        if (index == 0 && hooks.described && driver.Description().n > 0) hooks.described(driver.Description());

        const bool stopped = host.Interrupted() || host.stoppedByRequest;
        const RunSummary summary = driver.Summary();
        if (FailedForEveryMethod(summary, state.N, method)) {
            if (hooks.refused && !summary.failureText.empty()) hooks.refused(OneLine(summary.failureText));
            if (hooks.finished) hooks.finished(state);
            return CompareEnd::ProblemRefused;
        }
        row.ending = EndingText(summary);
        row.ranToEnd = summary.ending != RunEnding::Stopped;
        row.iterations = summary.iterations;
        row.evaluations = summary.evaluations;
        row.j = summary.j;
        row.gradNorm = summary.gradNorm;
        row.accuracy = summary.accuracy;
        row.hessianEvaluations = summary.hessianEvaluations;
        if (hooks.traced) hooks.traced(index, driver.Trace());
        if (hooks.finished) hooks.finished(state);
        rows.push_back(std::move(row));
        if (hooks.rowDone) hooks.rowDone(rows.back(), index, count);
        if (stopped) return CompareEnd::Interrupted;
    }
    return CompareEnd::Completed;
}

namespace {

extern "C" void OnCompareInterrupt(int) { BatchHost::interruptRequested = 1; }

} // namespace

CompareEnd RunComparison(const BatchOptions& options, const std::vector<int>& positions, std::vector<CompareRow>& rows,
                   std::FILE* err, const std::function<bool()>& stopRequested,
                   const std::function<void(RunState&)>& drawLevelLines,
                   const std::function<void(const RunDescription&)>& described,
                   const std::function<void(int, const RunTrace&)>& traced) {
    CompareHooks hooks;
    hooks.prepare = [&options, err](RunState& state, int position) {
        BatchOptions o = options;
        o.methodPosition = position;
        return ApplyBatchOptions(o, state, err);
    };
    // A single run of the batch mode always draws its figure.
    hooks.figureArea = BatchFigureArea(options);
    hooks.failureAnswer = options.failureAnswer;
    hooks.maxIterations = options.maxIterations;
    hooks.traced = traced;
    hooks.keepPaths = !options.figureFile.empty();
    hooks.keepTraces = options.ViewsNeedTrace();
    hooks.stopRequested = stopRequested;
    hooks.drawLevelLines = drawLevelLines;
    hooks.described = described;
    hooks.refused = [err](const std::string& message) { std::fprintf(err, "%s\n", message.c_str()); };
    // Ctrl-C stops the run going on and ends the comparison with the rows so far.
    BatchHost::interruptRequested = 0;
    const auto previous = std::signal(SIGINT, OnCompareInterrupt);
    const CompareEnd end = RunComparison(positions, hooks, rows);
    std::signal(SIGINT, previous);
    // A Ctrl-C after the last run's last look at it still counts.
    if (end == CompareEnd::Completed && BatchHost::interruptRequested) return CompareEnd::Interrupted;
    return end;
}

namespace {

const char* const kColumns[] = {"method",   "ending",    "iterations", "evaluations", "hessian_evaluations",
                                "J",        "grad_norm", "accuracy",   "seconds"};

std::vector<std::string> Cells(const CompareRow& r, int digits) {
    return {r.method,
            r.ending,
            std::to_string(r.iterations),
            std::to_string(r.evaluations),
            r.usesHessian ? std::to_string(r.hessianEvaluations) : std::string(),
            Scientific(r.j, digits),
            Scientific(r.gradNorm, digits),
            Scientific(r.accuracy, digits),
            Seconds(r.seconds)};
}

} // namespace

std::string FormatCompareTable(const std::vector<CompareRow>& rows) {
    std::vector<std::vector<std::string>> table;
    table.emplace_back(std::begin(kColumns), std::end(kColumns));
    for (const CompareRow& r : rows) {
        table.push_back(Cells(r, 3));
        // A long error text would widen every line; the CSV keeps it whole.
        std::string& ending = table.back()[1];
        if (ending.size() > 48) ending = ending.substr(0, 45) + "...";
    }
    std::vector<std::size_t> width(table[0].size(), 0);
    for (const auto& line : table)
        for (std::size_t c = 0; c < line.size(); ++c) width[c] = std::max(width[c], line[c].size());
    std::string out;
    for (const auto& line : table) {
        std::string text;
        for (std::size_t c = 0; c < line.size(); ++c) {
            // Names left, numbers right.
            const std::string pad(width[c] - line[c].size(), ' ');
            text += c < 2 ? line[c] + pad : pad + line[c];
            if (c + 1 < line.size()) text += "  ";
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out += text + "\n";
    }
    return out;
}

std::string FormatCompareBlocks(const std::vector<CompareRow>& rows) {
    std::string out;
    int number = 0;
    for (const CompareRow& r : rows) {
        const std::vector<std::string> c = Cells(r, 3);
        out += std::to_string(++number) + ". " + c[0] + "\n";
        out += "    ended: " + c[1] + "\n";
        out += "    iterations " + c[2] + ",  J + gradJ evaluations " + c[3];
        if (r.usesHessian) out += ",  Hessians " + c[4];
        out += "\n    J = " + c[5] + ",  ||gradJ|| = " + c[6] + "\n";
        out += "    accuracy " + c[7] + ",  time " + c[8] + " s\n";
    }
    return out;
}

std::string FormatCompareCsv(const std::vector<CompareRow>& rows) {
    std::string out;
    for (std::size_t c = 0; c < std::size(kColumns); ++c) out += std::string(c ? "," : "") + kColumns[c];
    out += TextLineEnd;
    for (const CompareRow& r : rows) {
        const std::vector<std::string> cells = Cells(r, 20);
        for (std::size_t c = 0; c < cells.size(); ++c) out += (c ? "," : "") + CsvField(cells[c]);
        out += TextLineEnd;
    }
    return out;
}

} // namespace tarvik
