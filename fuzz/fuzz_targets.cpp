#include "fuzz/fuzz_targets.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "app/batch_options.h"
#include "app/configuration.h"
#include "app/ini_file.h"
#include "app/number_file.h"
#include "core/number_format.h"
#include "app/quadratic_files.h"
#include "app/start_point.h"
#include "app/text_input.h"
#include "core/errors.h"
#include "core/formula.h"
#include "core/fp_guard.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "core/silent_host.h"

namespace tarvik::fuzz {

namespace {

void Require(bool holds, const std::string& rule) {
    if (!holds) throw PropertyViolation(rule);
}

std::string_view Text(const uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A folder of this process for the files the readers open by path; it
// goes when the process ends.
class ScratchFolder {
public:
    ScratchFolder() {
        // Memory-backed where there is such a folder: the readers open a
        // file for every input.
        const char* tmp = std::getenv("TMPDIR");
        const char* parent = tmp && *tmp ? tmp : access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        path_ = std::string(parent) + "/tarvik-fuzz-XXXXXX";
        if (mkdtemp(path_.data()) == nullptr) std::abort();
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::string WriteScratch(const char* name, std::string_view contents) {
    static const ScratchFolder folder;
    const std::string path = folder.Path() + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) std::abort();
    if (!contents.empty() && std::fwrite(contents.data(), 1, contents.size(), f) != contents.size()) std::abort();
    if (std::fclose(f) != 0) std::abort();
    return path;
}

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator) parts.emplace_back();
        else parts.back().push_back(c);
    }
    return parts;
}

bool SameReal(Real a, Real b) { return a == b && std::signbit(a) == std::signbit(b); }

} // namespace

void NumberFiles(const uint8_t* data, std::size_t size) {
    const std::string_view text = Text(data, size);
    NumberFileReader reader(WriteScratch("numbers.txt", text));
    // The reader takes the file token by token, exactly as the token parser
    // takes each whitespace-separated word, whatever the chunk boundaries.
    std::size_t i = 0;
    for (;;) {
        while (i < text.size() && IsSeparator(text[i])) ++i;
        const bool atEnd = reader.AtEof();
        Require(atEnd == (i == text.size()), "the reader's end of file is the text's");
        if (atEnd) break;
        std::size_t j = i;
        while (j < text.size() && !IsSeparator(text[j])) ++j;
        const std::string token(text.substr(i, j - i));
        Real expected = 0;
        const bool parses = token.size() <= 4096 && ParseNumberToken(token, expected);
        Real value = 0;
        try {
            value = reader.Next();
        } catch (const std::runtime_error&) {
            Require(!parses, "the reader rejects only tokens that do not parse: " + token.substr(0, 80));
            break;
        }
        Require(parses && SameReal(value, expected), "the reader reads the token's value: " + token.substr(0, 80));
        Require(std::isfinite(value), "numbers read are finite");
        i = j;
    }
}

void QuadraticFiles(const uint8_t* data, std::size_t size) {
    if (size == 0) return;
    // First byte: n and the u* option; the rest: A, b, C and u* apart by '|'.
    const int n = 2 + data[0] % 4;
    const std::vector<std::string> parts = Split(Text(data + 1, size - 1), '|');
    auto part = [&parts](std::size_t k) { return k < parts.size() ? parts[k] : std::string(); };
    SilentHost host;
    RunState s{host};
    s.N = n;
    QuadraticFileChoice choice;
    choice.n = n;
    choice.pathA = WriteScratch("A.txt", part(0));
    choice.pathB = WriteScratch("b.txt", part(1));
    choice.cText = part(2);
    choice.pathUStar = WriteScratch("ustar.txt", part(3));
    choice.option = data[0] & 0x10 ? UStarSource::FromFile : (data[0] & 0x20 ? UStarSource::Unknown : UStarSource::Zero);
    try {
        LoadQuadraticData(s, choice);
    } catch (const ERealBadError& e) {
        // Only a bad C keeps the matrix and the vector, which were read.
        Require(!s.Quad.Loaded() || std::string(e.what()) == "Incorrect data for C!",
                "a failed reading leaves no quadratic behind");
        return;
    }
    Require(s.Quad.Loaded(), "a successful reading leaves the quadratic loaded");
    const auto length = static_cast<std::size_t>(n) + 1;
    Require(s.Quad.QuadA.rows() == length && s.Quad.QuadB.size() == length, "the arrays have dimension n");
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            Require(SameReal(s.Quad.QuadA[i][j], s.Quad.QuadA[j][i]), "the matrix read is symmetric");
    if (choice.option == UStarSource::FromFile) {
        s.UStar = NewVector(n);
        ReadUStarFile(s, choice.pathUStar);
    }
    try {
        ValidateU0File(s, choice.pathB, n);
    } catch (const ERealBadError&) {
        Require(false, "a vector b that was read is a valid u° file of the same dimension");
    }
}

void Configuration(const uint8_t* data, std::size_t size) {
    const IniFile ini = IniFile::Parse(Text(data, size));
    // Whatever was read is written so that it reads back the same.
    const std::string text = ini.Text();
    Require(IniFile::Parse(text).Text() == text, "an INI text reads back as written");
    for (const auto& section : ini.Sections())
        for (const auto& entry : section.entries) {
            Require(ini.HasKey(section.name, entry.key), "every key read is found");
            ini.ReadInteger(section.name, entry.key, 0);
            ini.ReadBool(section.name, entry.key, false);
        }

    const tarvik::Configuration read = ReadConfiguration(ini, tarvik::Configuration{});
    const std::string written = WriteConfiguration(read).Text();
    const tarvik::Configuration again = ReadConfiguration(IniFile::Parse(written), tarvik::Configuration{});
    Require(WriteConfiguration(again).Text() == written, "a configuration written by Exit restores exactly");
}

void TypedNumbers(const uint8_t* data, std::size_t size) {
    const std::string_view text = Text(data, size);
    const std::string dotted = CommaToDot(text);
    Require(dotted.size() == text.size() && dotted.find(',') == std::string::npos, "CommaToDot replaces every comma");

    Real value = 0;
    if (TryParseReal(dotted, value)) {
        Require(std::isfinite(value), "a typed real is finite");
        Require(FormatAccuracyText(std::fabs(value)).size() <= 60, "an accuracy text has at most 60 characters");
        FormatFloat("0.00E+00", value);
        FormatFloat("0.###", value);
        FormatFloat("#.##", value);
        Real back = 0;
        if (TryParseReal(FormatGeneral(value), back))
            Require(std::fabs(back - value) <= 1e-14L * std::fabs(value), "the general form keeps 15 digits");
    }
    int32_t integer = 0;
    if (TryParseInt32(text, integer)) {
        Real same = 0;
        Require(TryParseReal(text, same) && same == integer, "an integer text is a real text of the same value");
        int32_t back = 0;
        Require(TryParseInt32(std::to_string(integer), back) && back == integer, "an integer reads back");
        Require(GroupDigits(std::to_string(integer)) == FormatGroupedInt(integer), "grouping is of the digits");
    }
}

void BatchOptions(const uint8_t* data, std::size_t size) {
    const std::vector<std::string> args = Split(Text(data, size), '\n');
    tarvik::BatchOptions options;
    if (ParseBatchOptions(args, options) || options.help) return;
    // What the parser accepted is what a run can be set up from.
    Require(options.accuracyMode == 1 || options.accuracyMode == 2, "the accuracy mode is 1 or 2");
    Require(options.functionPosition >= 0 && options.functionPosition < FunctionCount, "a function of the list");
    Require(options.methodPosition >= 0 && options.methodPosition < MethodCount, "a method of the list");
    Require(options.startItem >= 0 && options.startItem < StartPointItemCount, "a starting point of the list");
    Require(!options.maxIterations || *options.maxIterations >= 1, "an iteration limit is positive");
    TunableParameters params;
    for (const auto& [name, value] : options.params)
        Require(!ApplyParameter(params, name, value), "an accepted parameter applies: " + name);
}

void Formula(const uint8_t* data, std::size_t size) {
    if (size == 0) return;
    const int n = 1 + data[0] % 6;
    const std::string_view text = Text(data + 1, size - 1);
    ParsedFormula f;
    if (const std::optional<FormulaError> error = ParseFormula(text, f)) {
        Require(!error->message.empty(), "a refused formula has a message");
        Require(error->line >= 0 && error->column >= 0 && static_cast<std::size_t>(error->column) <= text.size() + 1,
                "the place of an error lies in the text");
        return;
    }
    Require(!f.shape.twoDimensional || f.shape.largestFixedIndex <= 2, "a two-dimensional formula names u1 and u2 only");
    CompiledFormula c;
    if (const std::optional<FormulaError> error = CompiledFormula::Compile(f, n, c, 20000)) {
        Require(!error->message.empty(), "a formula refused for n has a message");
        return;
    }
    MyArray1 u = NewVector(n), g = NewVector(n), again = NewVector(n), v = NewVector(n), hv = NewVector(n);
    for (int i = 1; i <= n; ++i) {
        u[i] = 0.75L * i - 1.5L;
        v[i] = i == 1 ? 1 : 0;
    }
    MyArray2 H = NewMatrix(n);
    Real j1 = 0, j2 = 0;
    const bool faulted = FaultedRunning([&] {
        j1 = c.Value(u);
        j2 = c.Value(u);
        c.Gradient(u, g);
        c.Gradient(u, again);
        c.HessianTimes(u, v, hv);
        c.FillHessian(u, H);
        PinValue(j1);
        PinValue(j2);
    });
    const auto same = [](Real a, Real b) { return SameReal(a, b) || (std::isnan(a) && std::isnan(b)); };
    Require(same(j1, j2), "J is the same at the same point");
    for (int i = 1; i <= n; ++i) Require(same(g[i], again[i]), "gradJ is the same at the same point");
    if (faulted || !std::isfinite(j1)) return;
    // The first column without the terms that cannot add to it is the
    // product with e_1, every term taken (up to the sign of a zero).
    for (int i = 1; i <= n; ++i) Require(H[i][1] == hv[i] || std::isnan(hv[i]), "a Hessian column is its product");
}

const std::vector<Target>& Targets() {
    static const std::vector<Target> targets = {
        {"number_files", NumberFiles},
        {"quadratic_files", QuadraticFiles},
        {"configuration", Configuration},
        {"typed_numbers", TypedNumbers},
        {"batch_options", BatchOptions},
        {"formula", Formula},
    };
    return targets;
}

} // namespace tarvik::fuzz
