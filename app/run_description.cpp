#include "app/run_description.h"

#include "core/typed_function.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <charconv>
#include <cmath>
#include <utility>

#include "app/atomic_file.h"
#include "app/recommended_parameters.h"
#include "app/start_point.h"
#include "app/text_files.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "core/parameter_table.h"
#include "tarvik_version.h"

namespace tarvik {

RunDescription DescribeRun(const RunState& s) {
    RunDescription d;
    d.n = s.N;
    d.functionName = std::string(Traits(s.FunctionCode).name);
    d.functionPosition = ListPosition(s.FunctionCode);
    d.methodName = std::string(Traits(s.MethodCode).name);
    d.methodPosition = ListPosition(s.MethodCode);
    d.startItem = s.Choices.StartItem;
    if (d.startItem == StartPointFromFileItem) d.startFile = s.Choices.StartFile;
    if (s.U0.size() == static_cast<std::size_t>(s.N) + 1) d.start.assign(s.U0.begin() + 1, s.U0.end());
    d.accuracyMode = s.Choices.ByDistance ? 1 : 2;
    d.eps = s.Choices.EpsText;
    d.params = s.Params;
    if (s.Params.MaxIterations > 0) d.maxIterations = s.Params.MaxIterations;
    d.startGiven = s.Choices.StartCoordinates;
    d.fromFiles = Traits(s.FunctionCode).fromFiles;
    if (d.fromFiles) {
        d.matrixAFile = s.Quad.FileA;
        d.vectorBFile = s.Quad.FileB;
        d.cText = s.Quad.CText;
        d.ustar = s.Choices.UStarOption;
        if (d.ustar == UStarSource::FromFile) d.ustarFile = s.Choices.UStarFile;
    }
    if (Traits(s.FunctionCode).typed) {
        d.formula = FormulaName(s.Typed.formula.text);
        d.formulaUStar = s.Typed.uStar;
    }
    return d;
}

namespace {

// 21 significant digits, which read back as the same 80-bit value.
std::string JsonNumber(Real value) {
    if (!std::isfinite(value)) return "null";
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 20).ptr;
    return std::string(buffer, end);
}

// The shortest text that reads back as the same value: what a user would
// have typed for it.
std::string ShortestText(Real value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

std::string Quoted(const std::string& text) {
    // Bytes that are not UTF-8 (a file name from an 8-bit system) become
    // U+FFFD rather than making the whole description unwritable.
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The position older scripts give, which --method and --function still take;
// an entry added since has none.
template <class Id>
std::string PositionJson(Id id) {
    const std::optional<int> position = OldPosition(id);
    return position ? std::to_string(*position) : "null";
}

std::string FailureAnswerName(FailureAnswer answer) {
    switch (answer) {
    case FailureAnswer::Yes: return "yes";
    case FailureAnswer::No: return "no";
    case FailureAnswer::YesToAll: return "all";
    case FailureAnswer::Cancel:
    case FailureAnswer::None: break;
    }
    return "cancel";
}

std::string UStarName(UStarSource source) {
    switch (source) {
    case UStarSource::FromFile: return "file";
    case UStarSource::Unknown: return "unknown";
    case UStarSource::Zero: break;
    }
    return "zero";
}

// A parameter's value as --param reads it.
std::string ParameterText(const ParameterRow& row, const TunableParameters& p) {
    switch (row.kind) {
    case ParameterKind::Decimal: return ShortestText(p.*row.real);
    case ParameterKind::Integer: return std::to_string(p.*row.integer);
    case ParameterKind::Interpolation:
        return p.*row.choice == 0 ? "quadratic" : p.*row.choice == 1 ? "cubic" : std::to_string(p.*row.choice);
    }
    return {};
}

bool SameValue(const ParameterRow& row, const TunableParameters& a, const TunableParameters& b) {
    switch (row.kind) {
    case ParameterKind::Decimal: return a.*row.real == b.*row.real && std::signbit(a.*row.real) == std::signbit(b.*row.real);
    case ParameterKind::Integer: return a.*row.integer == b.*row.integer;
    case ParameterKind::Interpolation: return a.*row.choice == b.*row.choice;
    }
    return true;
}

// Each parameter once (the collinear rows are listed for both methods).
std::vector<const ParameterRow*> DistinctParameters() {
    std::vector<const ParameterRow*> rows;
    for (const ParameterRow& row : AllParameters())
        if (FindParameter(row.key) == &row) rows.push_back(&row);
    return rows;
}

// A shell word that means the text itself.
std::string ShellWord(const std::string& text) {
    const bool plain = !text.empty() && text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                               "0123456789_-+=.,/:@%") == std::string::npos;
    if (plain) return text;
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// An object of already written values, one member a line.
using Member = std::pair<std::string, std::string>;

std::string Object(const std::vector<Member>& members, int depth) {
    if (members.empty()) return "{}";
    const std::string end(TextLineEnd);
    std::string out = "{";
    for (std::size_t i = 0; i < members.size(); ++i)
        out += (i ? "," : "") + end + std::string(2 * static_cast<std::size_t>(depth + 1), ' ') +
               Quoted(members[i].first) + ": " + members[i].second;
    return out + end + std::string(2 * static_cast<std::size_t>(depth), ' ') + "}";
}

std::string Array(const std::vector<std::string>& values) {
    std::string out = "[";
    for (std::size_t i = 0; i < values.size(); ++i) out += (i ? ", " : "") + values[i];
    return out + "]";
}

std::string CommandLineOf(const RunDescription& d, const std::string& failure) {
    std::vector<std::string> args = {"tarvik", "--batch", "--n", std::to_string(d.n), "--function",
                                     std::string(FunctionAtPosition(d.functionPosition).key), "--start",
                                     std::to_string(d.startItem)};
    if (d.comparedMethods.empty()) {
        args.insert(args.end(), {"--method", std::string(MethodAtPosition(d.methodPosition).key)});
    } else {
        std::string list;
        for (int p : d.comparedMethods) list += (list.empty() ? "" : ",") + std::string(MethodAtPosition(p).key);
        args.insert(args.end(), {"--compare", list});
    }
    args.insert(args.end(), {"--accuracy", std::to_string(d.accuracyMode), "--eps", d.eps});
    TunableParameters batchStart;
    ApplyRecommendedParameters(batchStart, FunctionAtListPosition(d.functionPosition));
    for (const ParameterRow* row : DistinctParameters())
        // The limit has an option of its own, below.
        if (row->integer != &TunableParameters::MaxIterations && !SameValue(*row, d.params, batchStart))
            args.insert(args.end(), {"--param", std::string(row->key) + "=" + ParameterText(*row, d.params)});
    args.insert(args.end(), {"--on-failure", failure});
    if (d.fromFiles) {
        args.insert(args.end(), {"--matrix-a", d.matrixAFile, "--vector-b", d.vectorBFile, "--c", d.cText, "--ustar",
                                 UStarName(d.ustar)});
        if (d.ustar == UStarSource::FromFile) args.insert(args.end(), {"--ustar-file", d.ustarFile});
    }
    if (!d.formula.empty()) {
        args.insert(args.end(), {"--formula", d.formula});
        std::string ustar;
        for (Real x : d.formulaUStar) ustar += (ustar.empty() ? "" : ",") + ShortestText(x);
        if (!ustar.empty()) args.insert(args.end(), {"--ustar", ustar});
    }
    if (!d.startFile.empty()) args.insert(args.end(), {"--start-file", d.startFile});
    if (!d.startGiven.empty()) {
        std::string point;
        for (Real x : d.startGiven) point += (point.empty() ? "" : ",") + ShortestText(x);
        args.insert(args.end(), {"--start-point", point});
    }
    if (d.maxIterations) args.insert(args.end(), {"--max-iterations", std::to_string(*d.maxIterations)});
    std::string line;
    for (const std::string& a : args) line += (line.empty() ? "" : " ") + ShellWord(a);
    return line;
}

// The one answer that repeats the run: the policy, or the window's answers
// when they were all alike (Yes to All goes on as Yes does). Nothing when
// they differed.
std::optional<std::string> RepeatingFailureAnswer(const RunDescription& d) {
    if (d.failurePolicy) return FailureAnswerName(*d.failurePolicy);
    std::optional<std::string> answer;
    for (FailureAnswer a : d.failureAnswers) {
        const std::string name = FailureAnswerName(a == FailureAnswer::YesToAll ? FailureAnswer::Yes : a);
        if (answer && *answer != name) return std::nullopt;
        answer = name;
    }
    return answer ? answer : std::string("cancel");
}

} // namespace

std::string DescriptionJson(const RunDescription& d) {
    std::vector<Member> top = {{"program", Quoted("Tarvik")}, {"version", Quoted(TARVIK_VERSION)}};
    const FunctionId function = FunctionAtListPosition(d.functionPosition);
    std::vector<Member> functionMembers{{"key", Quoted(std::string(Traits(function).key))},
                                                                     {"name", Quoted(d.functionName)},
                                                                     {"position", PositionJson(function)}};
    if (!d.formula.empty()) functionMembers.emplace_back("formula", Quoted(d.formula));
    top.emplace_back("function", Object(functionMembers, 1));
    top.emplace_back("n", std::to_string(d.n));
    if (d.comparedMethods.empty()) {
        const MethodId method = MethodAtListPosition(d.methodPosition);
        top.emplace_back("method", Object({{"key", Quoted(std::string(Traits(method).key))},
                                           {"name", Quoted(d.methodName)},
                                           {"position", PositionJson(method)}}, 1));
    } else {
        std::vector<std::string> methods;
        for (int p : d.comparedMethods)
            methods.push_back("{\"key\": " + Quoted(std::string(MethodAtPosition(p).key)) +
                              ", \"name\": " + Quoted(std::string(MethodAtPosition(p).name)) +
                              ", \"position\": " + PositionJson(MethodAtListPosition(p)) + "}");
        top.emplace_back("compared_methods", Array(methods));
    }
    std::vector<std::string> start;
    for (Real x : d.start) start.push_back(JsonNumber(x));
    const bool itemKnown = d.startItem >= 0 && d.startItem < StartPointItemCount;
    std::vector<Member> startMembers = {
        {"item", std::to_string(d.startItem)},
        {"text", Quoted(itemKnown ? std::string(StartPointItems[static_cast<std::size_t>(d.startItem)]) : "")}};
    if (!d.startFile.empty()) startMembers.emplace_back("file", Quoted(d.startFile));
    if (!d.startGiven.empty()) {
        std::vector<std::string> given;
        for (Real x : d.startGiven) given.push_back(JsonNumber(x));
        startMembers.emplace_back("given", Array(given));
    }
    startMembers.emplace_back("u0", Array(start));
    top.emplace_back("starting_point", Object(startMembers, 1));
    top.emplace_back("accuracy",
                     Object({{"mode", std::to_string(d.accuracyMode)},
                             {"criterion", Quoted(d.accuracyMode == 1 ? "||u-u*||/||u\u00B0-u*||"
                                                                      : "| J(u') - J(u'') |/J(u\u00B0)")},
                             {"eps", Quoted(d.eps)}},
                            1));
    std::vector<Member> params;
    for (const ParameterRow* row : DistinctParameters()) {
        std::string value = ParameterText(*row, d.params);
        if (row->kind == ParameterKind::Interpolation) value = Quoted(value);
        if (row->kind == ParameterKind::Decimal && !std::isfinite(d.params.*row->real)) value = "null";
        params.emplace_back(std::string(row->key), value);
    }
    top.emplace_back("parameters", Object(params, 1));
    std::vector<std::string> answers;
    for (FailureAnswer a : d.failureAnswers) answers.push_back(Quoted(FailureAnswerName(a)));
    top.emplace_back("on_failure", Quoted(d.failurePolicy ? FailureAnswerName(*d.failurePolicy) : "ask"));
    if (!d.failurePolicy) top.emplace_back("failure_answers", Array(answers));
    top.emplace_back("max_iterations", d.maxIterations ? std::to_string(*d.maxIterations) : "null");
    if (d.fromFiles) {
        std::vector<Member> files = {{"matrix_a", Quoted(d.matrixAFile)},
                                     {"vector_b", Quoted(d.vectorBFile)},
                                     {"c", Quoted(d.cText)},
                                     {"ustar", Quoted(UStarName(d.ustar))}};
        if (d.ustar == UStarSource::FromFile) files.emplace_back("ustar_file", Quoted(d.ustarFile));
        top.emplace_back("quadratic_from_files", Object(files, 1));
    }
    if (d.comparedMethods.empty()) top.emplace_back("trace_all_coordinates", d.allCoordinates ? "true" : "false");
    const std::optional<std::string> failure = RepeatingFailureAnswer(d);
    top.emplace_back("command_line", Quoted(CommandLineOf(d, failure.value_or("cancel"))));
    // The window's answers differed from one failure to the next: no
    // single --on-failure repeats them.
    if (!failure) top.emplace_back("command_line_repeats_run", "false");
    return Object(top, 0) + std::string(TextLineEnd);
}

std::string DescriptionPathFor(const std::string& csvPath) {
    const std::size_t size = csvPath.size();
    if (size >= 4 && csvPath[size - 4] == '.' && std::tolower(static_cast<unsigned char>(csvPath[size - 3])) == 'c' &&
        std::tolower(static_cast<unsigned char>(csvPath[size - 2])) == 's' &&
        std::tolower(static_cast<unsigned char>(csvPath[size - 1])) == 'v')
        return csvPath.substr(0, size - 4) + ".json";
    return csvPath + ".json";
}

std::optional<std::string> WriteDescriptionBeside(const std::string& csvPath, const RunDescription& d) {
    if (!IsRegularFileTarget(csvPath)) return std::nullopt;
    const std::string path = DescriptionPathFor(csvPath);
    if (const int error = ReplaceFileContents(path, DescriptionJson(d)))
        return "Cannot write file " + path + ": " + SystemErrorText(error);
    return std::nullopt;
}

} // namespace tarvik
