#include "app/compare_run.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <memory>

#include "app/batch_host.h"
#include "app/batch_run.h"
#include "app/run_driver.h"
#include "app/text_input.h"
#include "core/method_catalogue.h"

namespace tarvik {

namespace {

// Runs quietly; remembers the last message a box would have shown, which
// names how a failed run ended.
class CompareHost : public BatchHost {
public:
    CompareHost(std::FILE* sink, std::function<void(RunState&)> levelLines)
        : BatchHost(sink, sink), levelLines_(std::move(levelLines)) {}
    void Bind(RunState& state) { state_ = &state; }
    // The level lines are drawn once, for the figure of all paths; their time
    // is not the method's.
    void DrawLevelLines() override {
        if (!levelLines_ || !state_) return;
        const auto started = std::chrono::steady_clock::now();
        levelLines_(*state_);
        drawingSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    }
    double drawingSeconds = 0;
    void ShowError(const std::string& text) override { lastMessage = text; }
    void ShowInfo(const std::string&) override {}
    int AskFailureChoice(const std::string& text) override {
        lastMessage = text;
        return BatchHost::AskFailureChoice(text);
    }
    std::string lastMessage;

private:
    RunState* state_ = nullptr;
    std::function<void(RunState&)> levelLines_;
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

std::string Seconds(double seconds) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 3);
    return std::string(buffer, result.ptr);
}

} // namespace

std::optional<std::string> ParseMethodList(const std::string& text, std::vector<int>& positions) {
    positions.clear();
    if (text == "all") {
        for (int p = 0; p < MethodCount; ++p) positions.push_back(p);
        return std::nullopt;
    }
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, end - start);
        int32_t p = -1;
        if (!TryParseInt32(item, p) || p < 0 || p >= MethodCount)
            return "--compare takes 'all' or method positions 0.." + std::to_string(MethodCount - 1) +
                   " separated by commas, got '" + text + "'";
        if (std::find(positions.begin(), positions.end(), p) == positions.end()) positions.push_back(p);
        start = end + 1;
    }
    return std::nullopt;
}

CompareEnd RunComparison(const BatchOptions& options, const std::vector<int>& positions, std::vector<CompareRow>& rows,
                   std::FILE* err, const std::function<bool()>& stopRequested,
                   const std::function<void(RunState&)>& drawLevelLines) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> sink(std::fopen("/dev/null", "w"), &std::fclose);
    if (!sink) sink.reset(std::tmpfile());
    for (int position : positions) {
        if (stopRequested && stopRequested()) return CompareEnd::Interrupted;
        BatchOptions o = options;
        o.methodPosition = position;
        CompareHost host(sink.get(), rows.empty() ? drawLevelLines : std::function<void(RunState&)>());
        RunState state(host);
        host.Bind(state);
        RunDriver driver(state);
        if (!ApplyBatchOptions(o, state, err)) return CompareEnd::ProblemRefused;

        CompareRow row;
        row.methodPosition = position;
        row.method = std::string(MethodAtPosition(position).name);
        const auto started = std::chrono::steady_clock::now();
        RunBatch(o, state, driver, host);
        row.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() - host.drawingSeconds;

        switch (driver.LastEnding()) {
        case RunDriver::Ending::Normal:
            row.ending = state.GradNorm == 0 ? "zero gradient" : state.Step == 0 ? "zero step" : "criterion";
            row.ranToEnd = true;
            break;
        case RunDriver::Ending::Stopped:
            row.ending = host.StoppedByLimit() ? "iteration limit" : "stopped";
            row.ranToEnd = host.StoppedByLimit();
            break;
        case RunDriver::Ending::Error:
            row.ending = OneLine(host.lastMessage.empty() ? "error" : host.lastMessage);
            row.ranToEnd = true;
            break;
        case RunDriver::Ending::InputError:
        case RunDriver::Ending::None:
            // The problem itself was refused: every method would be.
            if (!host.lastMessage.empty()) std::fprintf(err, "%s\n", OneLine(host.lastMessage).c_str());
            return CompareEnd::ProblemRefused;
        }
        row.iterations = state.IterCount;
        row.j = state.JCur;
        row.gradNorm = state.GradNorm;
        row.accuracy = state.AccuracyValue;
        driver.Trace().ForEachRow([&row](const TraceRow& r) {
            row.evaluations = r.evaluations;
            row.path.emplace_back(r.u1, r.u2);
        });
        rows.push_back(std::move(row));
        if (host.Interrupted()) return CompareEnd::Interrupted;
    }
    return CompareEnd::Completed;
}

namespace {

const char* const kColumns[] = {"method", "ending", "iterations", "evaluations", "J", "grad_norm", "accuracy", "seconds"};

std::vector<std::string> Cells(const CompareRow& r, int digits) {
    return {r.method,
            r.ending,
            std::to_string(r.iterations),
            std::to_string(r.evaluations),
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

std::string FormatCompareCsv(const std::vector<CompareRow>& rows) {
    std::string out;
    for (std::size_t c = 0; c < std::size(kColumns); ++c) out += std::string(c ? "," : "") + kColumns[c];
    out += "\r\n";
    for (const CompareRow& r : rows) {
        const std::vector<std::string> cells = Cells(r, 20);
        for (std::size_t c = 0; c < cells.size(); ++c) out += (c ? "," : "") + CsvField(cells[c]);
        out += "\r\n";
    }
    return out;
}

} // namespace tarvik
