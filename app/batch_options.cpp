#include "app/batch_options.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "app/atomic_file.h"
#include "app/compare_run.h"
#include "app/problem_preparation.h"
#include "app/start_point.h"
#include "app/text_input.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"

namespace tarvik {

namespace {

std::optional<int> ParseIndex(const std::string& text, int count) {
    int32_t value = 0;
    if (!TryParseInt32(text, value) || value < 0 || value >= count) return std::nullopt;
    return value;
}

// A number in the list older scripts counted in.
std::optional<int> OldNumber(const std::string& text, std::size_t count) {
    return ParseIndex(text, static_cast<int>(count));
}

// A key, an exact list text, or the list position older scripts give.
std::optional<int> FunctionPositionFrom(const std::string& text) {
    if (const FunctionTraits* f = FunctionByKey(text)) return ListPosition(f->id);
    if (auto old = OldNumber(text, OldFunctionPositions().size())) return ListPosition(*FunctionAtOldPosition(*old));
    for (const auto& entry : FunctionList())
        if (entry.name == text) return ListPosition(entry.id);
    return std::nullopt;
}

// The highest position older scripts give, for the messages.
std::string LastOldPosition(std::size_t count) { return std::to_string(count - 1); }

} // namespace

FigureSize BatchFigureArea(const BatchOptions& options) {
    if (options.figureSize) return *options.figureSize;
    const int width = FigureImageWidth(BatchFigurePanelWidth);
    return {width, width};
}

char PlotTypeForPath(const std::string& path) {
    if (path == StandardOutputName) return 'p';
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return 0;
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "png") return 'p';
    if (extension == "svg") return 's';
    return 0;
}

std::optional<int> MethodPositionFrom(const std::string& text) {
    if (const MethodTraits* m = MethodByKey(text)) return ListPosition(m->id);
    if (auto old = OldNumber(text, OldMethodPositions().size())) return ListPosition(*MethodAtOldPosition(*old));
    for (const auto& entry : MethodList())
        if (entry.name == text) return ListPosition(entry.id);
    return std::nullopt;
}

namespace {


} // namespace

std::optional<std::string> ApplyParameter(TunableParameters& p, const std::string& name, const std::string& value) {
    const ParameterRow* param = FindParameter(name);
    if (param == nullptr) return "unknown parameter " + name;
    switch (param->kind) {
    case ParameterKind::Decimal: {
        Real parsed = 0;
        if (!TryParseReal(CommaToDot(value), parsed) || !InRange(param->valid, parsed)) return "Incorrect data in parameter!";
        p.*param->real = parsed;
        return std::nullopt;
    }
    case ParameterKind::Integer: {
        int32_t parsed = 0;
        if (!TryParseInt32(value, parsed) || !InRange(param->valid, parsed)) return "Incorrect data in parameter!";
        p.*param->integer = parsed;
        return std::nullopt;
    }
    case ParameterKind::Interpolation:
        if (value == "cubic" || value == "1") p.*param->choice = 1;
        else if (value == "quadratic" || value == "0") p.*param->choice = 0;
        else return name + " must be quadratic or cubic";
        return std::nullopt;
    }
    return "unknown parameter " + name;
}

namespace {

// What a command line said, beyond the values themselves.
struct Given {
    bool method = false;
    bool accuracy = false;
    bool function = false;
};

// A formula file a little longer than the longest formula still gets the
// parser's own message about its length.
constexpr std::size_t kFormulaFileLimit = 4 * kFormulaMaxCharacters;

std::optional<std::string> ReadFormulaFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot read the formula file '" + path + "'";
    std::string read(kFormulaFileLimit + 1, '\0');
    in.read(read.data(), static_cast<std::streamsize>(read.size()));
    if (in.bad()) return "cannot read the formula file '" + path + "'";
    read.resize(static_cast<std::size_t>(in.gcount()));
    text = std::move(read);
    return std::nullopt;
}

// One option with its value.
std::optional<std::string> ReadOption(const std::string& a, const std::string& v, BatchOptions& o, Given& seen) {
    if (a == "--n") {
        int32_t n = 0;
        if (!TryParseInt32(v, n)) return "--n must be an integer from 2 to 10000, got '" + v + "'";
        if (auto refusal = DimensionRefusal(n)) return refusal;
        o.n = n;
        o.nText = v;
    } else if (a == "--function") {
        auto p = FunctionPositionFrom(v);
        if (!p)
            return "--function must be a position 0.." + LastOldPosition(OldFunctionPositions().size()) +
                   " or an exact function name, got '" + v + "'";
        o.functionPosition = *p;
        seen.function = true;
    } else if (a == "--formula" || a == "--formula-file") {
        if (o.formulaGiven) return "give the formula once, with --formula or --formula-file";
        if (a == "--formula") o.formulaText = v;
        else if (auto error = ReadFormulaFile(v, o.formulaText)) return error;
        o.formulaGiven = true;
    } else if (a == "--start") {
        auto p = ParseIndex(v, StartPointItemCount);
        if (!p) return "--start must be a starting-point item 0..29, got '" + v + "'";
        o.startItem = *p;
    } else if (a == "--method") {
        auto p = MethodPositionFrom(v);
        if (!p)
            return "--method must be a position 0.." + LastOldPosition(OldMethodPositions().size()) +
                   " or an exact method name, got '" + v + "'";
        o.methodPosition = *p;
        seen.method = true;
    } else if (a == "--accuracy") {
        if (v != "1" && v != "2") return "--accuracy must be 1 (distance to u*) or 2 (change of J), got '" + v + "'";
        o.accuracyMode = v == "1" ? 1 : 2;
        seen.accuracy = true;
    } else if (a == "--eps") {
        o.epsText = v;
    } else if (a == "--on-failure") {
        if (v == "yes") o.failureAnswer = FailureAnswer::Yes;
        else if (v == "no") o.failureAnswer = FailureAnswer::No;
        else if (v == "cancel") o.failureAnswer = FailureAnswer::Cancel;
        else if (v == "all") o.failureAnswer = FailureAnswer::YesToAll;
        else return "--on-failure must be yes, no, cancel or all, got '" + v + "'";
    } else if (a == "--param") {
        const auto eq = v.find('=');
        if (eq == std::string::npos || eq == 0) return "--param needs NAME=VALUE, got '" + v + "'";
        TunableParameters probe;
        const std::string name = v.substr(0, eq), value = v.substr(eq + 1);
        if (auto error = ApplyParameter(probe, name, value)) return "--param " + v + ": " + *error;
        o.params.emplace_back(name, value);
    } else if (a == "--max-iterations") {
        int32_t k = 0;
        if (!TryParseInt32(v, k) || k < 1) return "--max-iterations must be a positive integer, got '" + v + "'";
        o.maxIterations = k;
    } else if (a == "--matrix-a") {
        o.matrixAFile = v;
    } else if (a == "--vector-b") {
        o.vectorBFile = v;
    } else if (a == "--c") {
        o.cText = v;
    } else if (a == "--ustar") {
        if (v == "zero") o.ustarOption = UStarSource::Zero;
        else if (v == "unknown") o.ustarOption = UStarSource::Unknown;
        else if (v == "file") o.ustarOption = UStarSource::FromFile;
        else if (ParseStartCoordinates(v, o.formulaUStar, "--ustar")) return "--ustar must be zero, unknown, file or U1,U2,..., got '" + v + "'";
        o.ustarOptionGiven = o.formulaUStar.empty();
    } else if (a == "--ustar-file") {
        o.ustarFile = v;
    } else if (a == "--start-file") {
        o.startFile = v;
    } else if (a == "--start-point") {
        if (auto error = ParseStartCoordinates(v, o.startPoint)) return error;
    } else if (a == "--figure") {
        o.figureFile = v;
    } else if (a == "--figure-size") {
        const std::size_t x = v.find_first_of("xX");
        int32_t width = 0, height = 0;
        if (x == std::string::npos || !TryParseInt32(v.substr(0, x), width) || !TryParseInt32(v.substr(x + 1), height) ||
            width < MinFigureSide || width > MaxFigureSide || height < MinFigureSide || height > MaxFigureSide)
            return "--figure-size must be WxH, each from " + std::to_string(MinFigureSide) + " to " +
                   std::to_string(MaxFigureSide) + " pixels, got '" + v + "'";
        o.figureSize = FigureSize{width, height};
    } else if (a == "--animate") {
        o.animateFile = v;
    } else if (a == "--plot") {
        if (PlotTypeForPath(v) == 0) return "--plot writes .png or .svg, got '" + v + "'";
        o.plotFile = v;
    } else if (a == "--plot-y") {
        if (v == "j") o.plotQuantity = PlotQuantity::J;
        else if (v == "grad") o.plotQuantity = PlotQuantity::GradNorm;
        else if (v == "accuracy") o.plotQuantity = PlotQuantity::Accuracy;
        else return "--plot-y must be j, grad or accuracy, got '" + v + "'";
    } else if (a == "--plot-x") {
        if (v == "iterations") o.plotAxis = PlotAxis::Iterations;
        else if (v == "evaluations") o.plotAxis = PlotAxis::Evaluations;
        else return "--plot-x must be iterations or evaluations, got '" + v + "'";
    } else if (a == "--compare") {
        if (auto error = ParseMethodList(v, o.compareMethods)) return error;
    } else if (a == "--trace") {
        o.traceFile = v;
    } else {
        return "unknown option " + a + " (see --help)";
    }
    return std::nullopt;
}

// Every output has one place, and standard output holds one of them.
std::optional<std::string> CheckOutputs(const BatchOptions& o) {
    if (!o.compareMethods.empty() && !o.traceFile.empty()) return "--trace records one run: it does not go with --compare";
    if ((o.csv || !o.csvFile.empty()) && o.compareMethods.empty()) return "--csv is for the table of --compare";
    std::string toStandardOutput;
    for (const auto& [option, file] : {std::pair<const char*, const std::string*>{"--trace", &o.traceFile},
                                       {"--figure", &o.figureFile},
                                       {"--csv", &o.csvFile},
                                       {"--animate", &o.animateFile},
                                       {"--plot", &o.plotFile}}) {
        if (*file != "-") continue;
        if (!toStandardOutput.empty()) return toStandardOutput + " - and " + option + " - cannot both go to standard output";
        toStandardOutput = option;
    }
    if (o.csv && (o.figureFile == "-" || o.animateFile == "-" || o.plotFile == "-"))
        return "--csv prints the table on standard output: no other output can go there too";
    if (o.traceAllCoordinates && o.traceFile.empty()) return "--trace-all-coordinates needs --trace FILE";
    return std::nullopt;
}

// The starting point, the criterion and the files the chosen function needs.
std::optional<std::string> CheckProblem(BatchOptions& o, const Given& seen) {
    if (o.startItem == StartPointFromFileItem && o.startFile.empty())
        return "--start 29 (from file) needs --start-file FILE";
    if (!o.startFile.empty()) o.startItem = StartPointFromFileItem;
    if (o.startPoint.size() > static_cast<std::size_t>(o.n)) return TooManyStartCoordinatesText(o.startPoint.size(), o.n);
    // Himmelblau 28 and the saddle have no single known minimum: the window
    // offers only the criterion of the change of J for them.
    if (o.formulaGiven && !seen.function) o.functionPosition = ListPosition(FunctionId::Formula);
    const FunctionTraits& function = Traits(FunctionAtListPosition(o.functionPosition));
    if (o.formulaGiven != function.typed)
        return function.typed ? "\"" + std::string(function.name) + "\" needs --formula EXPR or --formula-file FILE"
                              : std::string("--formula and --formula-file go with --function formula");
    if (!o.formulaUStar.empty() && !function.typed) return "--ustar U1,U2,... is the known minimum of a typed formula";
    if (function.typed) {
        if (const std::optional<FormulaError> error = SetFormula(o.typed, o.formulaText)) return error->message;
        o.typed.uStar = o.formulaUStar;
        if (o.ustarOptionGiven && o.ustarOption == UStarSource::Zero)
            o.typed.uStar.assign(static_cast<std::size_t>(o.typed.TwoDimensional() ? 2 : o.n), 0.0L);
        // The dimension itself is refused as for the built-in n = 2 functions, when the run is prepared.
        if (!o.typed.TwoDimensional() || o.n == 2)
            if (auto refusal = TypedFunctionRefusal(o.typed, o.n)) return refusal;
        if (!o.typed.UStarKnown()) {
            if (seen.accuracy && o.accuracyMode == 1)
                return "u* of the formula is unknown: give --ustar U1,U2,... or use --accuracy 2";
            o.accuracyMode = 2;
        }
    }
    if (function.changeOfJOnly) {
        if (seen.accuracy && o.accuracyMode == 1) return "this function has no single known minimum: use --accuracy 2";
        o.accuracyMode = 2;
    }
    if (function.fromFiles) {
        if (o.matrixAFile.empty() || o.vectorBFile.empty())
            return "\"Quadratic from FILE\" needs --matrix-a FILE and --vector-b FILE";
        if (o.ustarOption == UStarSource::FromFile && o.ustarFile.empty()) return "--ustar file needs --ustar-file FILE";
    }
    if (!o.ustarFile.empty() && !o.ustarOptionGiven) o.ustarOption = UStarSource::FromFile;
    return std::nullopt;
}

} // namespace

std::optional<std::string> ParseBatchOptions(const std::vector<std::string>& args, BatchOptions& o) {
    Given seen;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o.help = true;
            continue;
        }
        if (a == "--csv") {
            // A file name follows when the next argument is not an option;
            // bare, the table goes to standard output as CSV.
            if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
                o.csvFile = args[++i];
                if (o.csvFile.empty()) return "option --csv needs a file name, got ''";
            } else {
                o.csv = true;
            }
            continue;
        }
        if (a == "--trace-all-coordinates") {
            o.traceAllCoordinates = true;
            continue;
        }
        if (i + 1 >= args.size()) return "option " + a + " needs a value (see --help)";
        const std::string& v = args[++i];
        // An empty file name is a mistake on the command line, not a way
        // of leaving the option out.
        if (v.empty() && (a == "--matrix-a" || a == "--vector-b" || a == "--ustar-file" || a == "--start-file" ||
                          a == "--figure" || a == "--trace" || a == "--animate" || a == "--plot"))
            return "option " + a + " needs a file name, got ''";
        if (auto error = ReadOption(a, v, o, seen)) return error;
    }
    if (o.help) return std::nullopt;
    if (!seen.method && o.compareMethods.empty()) return "--method or --compare is required (see --help)";
    if (auto error = CheckOutputs(o)) return error;
    return CheckProblem(o, seen);
}

std::string BatchHelpText() {
    std::string text =
        "Usage: tarvik --batch --n N --function F --start I --method M --accuracy 1|2 --eps E [options]\n"
        "\n"
        "Runs one minimization without a window and prints the report, line by line,\n"
        "exactly as the output pane would hold it. Message boxes go to standard error.\n"
        "\n"
        "  --n N               dimension, an integer from 2 to 10000 (default 2)\n"
        "  --function F        function: its name (below), its exact list text, or its\n"
        "                      list position as older scripts give it (default rosenbrock)\n"
        "  --start I           starting-point item 0..29 (default 0; 29 = from file)\n"
        "  --method M          method: its name (below), its exact list text, or its list\n"
        "                      position as older scripts give it (required)\n"
        "  --accuracy 1|2      1: ||u-u*||/||u°-u*||, 2: |J(u')-J(u'')|/J(u°) (default 1)\n"
        "  --eps E             accuracy as typed into the accuracy box, from 1E-20 to 1\n"
        "                      (default 0.01)\n"
        "  --on-failure A      answer to a recoverable method failure: yes, no, cancel, all\n"
        "                      (default cancel)\n"
        "  --param NAME=VALUE  set a tunable parameter (repeatable), NAME one of\n"
        "                      ConstStepSize WolfeC2 WolfeInterpolation NewtonCgForcingC MaxSubIter\n"
        "                      TrustMaxRadius CollC1 CollC2 CollDeltaDemo CollDeltaFull\n"
        "                      TridiaAlpha TridiaBeta TridiaDelta TridiaGamma HilbertD\n"
        "                      MaxIterations NoProgressIterations\n"
        "                      For \"Himmelblau 28 (n=2)\" CollC1 and CollDeltaFull start at the\n"
        "                      recommended 0.1 and 0.05, as in the window; --param values apply\n"
        "                      on top of them\n"
        "  --max-iterations K  stop the run after K iterations, as the Stop button would\n"
        "                      NoProgressIterations=K (default 50, 0: never) ends a run whose\n"
        "                      u and J have repeated those of one of the two iterations\n"
        "                      before, bit for bit, K times in a row; it ends as Stop ends it,\n"
        "                      with the line \" No progress: u and J have repeated for K iterations\"\n"
        "  --matrix-a FILE     \"Quadratic from FILE\": matrix A (n*n numbers)\n"
        "  --vector-b FILE     \"Quadratic from FILE\": vector b (n numbers)\n"
        "  --c C               \"Quadratic from FILE\": free term C (default 0)\n"
        "  --ustar zero|unknown|file   known minimum of \"Quadratic from FILE\" (default zero)\n"
        "  --ustar-file FILE   the file of u* (implies --ustar file)\n"
        "  --formula EXPR      the function J(u) = EXPR (implies --function formula), in\n"
        "                      u1..un, u[i] in sum(i, FROM, TO, EXPR), n, pi, e, + - * / ^,\n"
        "                      sin cos tan atan exp log sqrt abs sinh cosh tanh\n"
        "  --formula-file FILE the formula read from FILE\n"
        "  --ustar U1,U2,...   the formula's known minimum (without it: --accuracy 2)\n"
        "  --start-file FILE   the starting point from a file (implies --start 29)\n"
        "  --start-point U1,U2[,U3,...]  the starting point's first coordinates, the\n"
        "                      others from --start (numbers as in a number file)\n"
        "  --figure FILE       save the final figure (.gif, .jpeg/.jpg, .bmp or .png;\n"
        "                      '-': GIF on standard output)\n"
        "  --figure-size WxH   the figure's size in pixels, each from 64 to 4096 (default\n"
        "                      431x424, the window's at its first start)\n"
        "  --animate FILE      save the descent as an animated GIF: the level lines,\n"
        "                      then one frame per iteration (at most 300, evenly\n"
        "                      thinned); with --compare every path advances together\n"
        "  --plot FILE         save the convergence plot (.png or .svg; '-': PNG on\n"
        "                      standard output), one line per run, log scale\n"
        "  --plot-y j|grad|accuracy   what the plot shows: J - J* (J where J* is not\n"
        "                      known), ||gradJ|| or the accuracy (default j)\n"
        "  --plot-x iterations|evaluations   the plot's axis (default iterations)\n"
        "  --trace FILE        save every iteration as CSV (row 0 is the starting point;\n"
        "                      '-': standard output), the run's description beside it\n"
        "                      as JSON (run.csv -> run.json)\n"
        "  --trace-all-coordinates  the trace holds all n coordinates of every point\n"
        "                      (u1..un) instead of u1 and u2; warns when it passes 1 GB\n"
        "  --compare LIST      run several methods on the problem, one after another, and\n"
        "                      print a table of how each ended; LIST is 'all' or methods\n"
        "                      separated by commas, each at most once, such as\n"
        "                      steepest-wolfe,bfgs-wolfe,newton (names, list texts or\n"
        "                      positions)\n"
        "                      (--method is then not needed); --figure draws every path\n"
        "                      over one set of level lines, --max-iterations applies to\n"
        "                      each run\n"
        "  --csv               the --compare table as CSV with a header row, printed\n"
        "                      instead of the aligned table\n"
        "  --csv FILE          the --compare table as CSV to FILE ('-': standard output),\n"
        "                      its description beside it as JSON, the aligned table\n"
        "                      printed as well\n"
        "  --help              this text\n"
        "\n"
        "An output FILE that is '-' goes to standard output, and the report (or the\n"
        "aligned table) then goes to standard error; only one output can be '-'.\n"
        "A FILE that names a device, a FIFO or a socket is written in place.\n"
        "\n"
        "Exit status: 0 when the run ended normally (accuracy reached, zero gradient,\n"
        "zero step), was stopped by --max-iterations or ended for no progress; 1 when\n"
        "it ended by an error or an input error, or the report, the figure, the trace\n"
        "or the table could not be written (an older file of that name is then left as\n"
        "it was, and so is a read-only one); 2 for\n"
        "a bad command line, an empty FILE or two outputs to '-' among them; 130 when\n"
        "stopped by Ctrl-C. With --compare: 0 when every run ran, whatever its ending\n"
        "(a failed run has its row); 1 when the problem could not be prepared or its\n"
        "starting point not evaluated, which every method would meet alike, or an\n"
        "output not written.\n"
        "\nFunctions (name, list position, list text):\n";
    // Name, the position older scripts give (none for an entry added since), list text.
    const auto line = [](std::string_view key, std::optional<int> position, std::string_view name) {
        std::string l = "  " + std::string(key);
        l.resize(std::max<std::size_t>(l.size() + 1, 26), ' ');
        const std::string p = position ? std::to_string(*position) : "";
        return l + std::string(2 - std::min<std::size_t>(p.size(), 2), ' ') + p + "  " + std::string(name) + "\n";
    };
    for (const FunctionId f : FunctionsInListOrder()) text += line(Traits(f).key, OldPosition(f), Traits(f).name);
    text += "\nMethods:\n";
    for (const MethodId m : MethodsInGroupOrder()) text += line(Traits(m).key, OldPosition(m), Traits(m).name);
    text += "\nStarting points:\n";
    for (int i = 0; i < StartPointItemCount; ++i)
        text += "  " + std::to_string(i) + "  \"" + std::string(StartPointItems[static_cast<std::size_t>(i)]) + "\"\n";
    return text;
}

} // namespace tarvik
