// The CSV files as another program reads them: pandas.read_csv(path) (or,
// where pandas is not installed, Python's csv module) gets back every field
// as written (quoted names, 21-digit numbers, the header as the first row),
// and each number read back is the 80-bit value that was written.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "app/compare_run.h"
#include "app/run_trace.h"
#include "app/scientific_text.h"
#include "app/trace_csv.h"
#include "temp_folder.h"

namespace tarvik {
namespace {

using Table = std::vector<std::vector<std::string>>;

// Python reads `csv` as it is, with no options but text for every field,
// and writes the fields with separators no field holds.
bool ReadWithPython(const std::filesystem::path& csv, const std::filesystem::path& out) {
    const std::string script =
        "import csv,sys\n"
        "try:\n"
        "    import pandas\n"
        "    t=pandas.read_csv(sys.argv[1],dtype=str,keep_default_na=False)\n"
        "    rows=[list(t.columns)]+t.values.tolist()\n"
        "except ImportError:\n"
        "    rows=list(csv.reader(open(sys.argv[1],newline='',encoding='utf-8')))\n"
        "open(sys.argv[2],'w',encoding='utf-8',newline='').write('\\x1e'.join('\\x1f'.join(r) for r in rows))\n";
    const std::string command = "python3 -c \"$TARVIK_CSV_SCRIPT\" '" + csv.string() + "' '" + out.string() + "'";
    setenv("TARVIK_CSV_SCRIPT", script.c_str(), 1);
    return std::system(command.c_str()) == 0;
}

Table Split(const std::string& text) {
    Table rows;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\x1e', start), text.size());
        std::vector<std::string> fields;
        std::size_t f = start;
        for (;;) {
            const std::size_t g = std::min(text.find('\x1f', f), end);
            fields.push_back(text.substr(f, g - f));
            if (g == end) break;
            f = g + 1;
        }
        rows.push_back(fields);
        start = end + 1;
    }
    return rows;
}

class CsvRoundTrip : public testing::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        static const bool havePython = std::system("python3 -c pass >/dev/null 2>&1") == 0;
        if (!havePython) GTEST_SKIP() << "python3 is not installed";
    }
    Table Read(const std::string& csvText) {
        const auto csv = dir_ / "table.csv", out = dir_ / "fields.txt";
        std::ofstream(csv, std::ios::binary) << csvText;
        EXPECT_TRUE(ReadWithPython(csv, out));
        return Split(testing::ReadBytes(out));
    }
};

// Counts read as to_chars writes them, at every length and past the quick range.
TEST(ScientificText, IntegersAsToCharsWritesThem) {
    std::vector<int64_t> values{0, -1, INT64_MIN, INT64_MAX, 100000000, 99999999, 12345678};
    for (int64_t power = 1;; power *= 10) {
        for (int64_t d : {-1, 0, 1, 7}) values.push_back(power + d);
        if (power > INT64_MAX / 10) break;
    }
    for (const int64_t v : values) {
        char mine[24], theirs[24];
        EXPECT_EQ(std::string(mine, WriteInteger(v, mine)), std::string(theirs, std::to_chars(theirs, theirs + 24, v).ptr));
    }
}

Real FromBits(uint64_t significand, uint16_t signAndExponent) {
    unsigned char bytes[sizeof(Real)] = {};
    std::memcpy(bytes, &significand, 8);
    std::memcpy(bytes + 8, &signAndExponent, 2);
    Real v;
    std::memcpy(&v, bytes, sizeof(Real));
    return v;
}

const Real kValues[] = {1.0L / 3, -2.0L / 7, 1e-4930L, std::numeric_limits<Real>::max(), -0.0L, 12345678901234567890.0L};

// The trace's own number writer says what to_chars says, digit for digit:
// over the whole exponent range, subnormals and signed zeros included, and
// at exact ties (2^-31 has 22 significant digits, the last a 5).
TEST(ScientificText, WritesWhatToCharsWrites) {
    const auto check = [](Real v) {
        char mine[ScientificTextRoom], theirs[64];
        const std::string a(mine, WriteScientific21(v, mine));
        const std::string b(theirs, std::to_chars(theirs, theirs + sizeof theirs, v, std::chars_format::scientific, 20).ptr);
        ASSERT_EQ(a, b);
    };
    for (Real v : {0.0L, -0.0L, 1.0L, -1.0L, 0.1L, 9.999999999999999999999L, std::numeric_limits<Real>::max(),
                   std::numeric_limits<Real>::min(), std::numeric_limits<Real>::denorm_min(),
                   std::numeric_limits<Real>::infinity(), -std::numeric_limits<Real>::infinity()})
        check(v);
    for (int k = -200; k <= 200; ++k)
        for (Real m : {1.0L, 3.0L, 5.0L, 7.0L, 0.75L}) check(std::ldexp(m, k));
    std::mt19937_64 random(22);
    for (int i = 0; i < 20000; ++i) {
        const uint64_t significand = random() | (uint64_t(1) << 63);
        const uint16_t exponent = static_cast<uint16_t>(i % 4 == 0 ? random() % 0x7FFF : 16383 - 200 + random() % 400);
        const Real v = FromBits(significand, static_cast<uint16_t>(exponent | (i % 2 ? 0x8000 : 0)));
        check(v);
        if (i % 16 == 0) check(std::ldexp(static_cast<Real>(significand >> (i % 64)), -16445));   // subnormals
    }
    // Whole numbers (exact in 64 bits) whose last eight and the eight before
    // them run over every digit at every place, 9999 -> 10000 included.
    for (uint64_t low = 0; low < 100000000; low += 49999)
        for (uint64_t high : {uint64_t(10000000), uint64_t(99999999), low, 100000000 - 1 - low})
            for (uint64_t lead : {uint64_t(1), uint64_t(9), uint64_t(1844)}) {
                check(static_cast<Real>((lead * 100000000 + high) * 100000000 + low));
                check(static_cast<Real>(high * 100000000 + low + 1) / 1024);
            }
}

// A field is empty exactly where std::isnan says so, over every kind of
// encoding, those no arithmetic makes included.
TEST(TraceText, AFieldIsEmptyWhereIsnanSaysNaN) {
    constexpr uint64_t top = uint64_t(1) << 63;
    const struct {
        const char* what;
        uint64_t significand;
        uint16_t exponent;
    } cases[] = {
        {"one", top, 16383},           {"zero", 0, 0},
        {"-0", 0, 0x8000},             {"denormal", 12345, 0},
        {"pseudo-denormal", top | 7, 0}, {"infinity", top, 0x7FFF},
        {"-infinity", top, 0xFFFF},    {"quiet NaN", top | (top >> 1), 0x7FFF},
        {"signalling NaN", top | 1, 0x7FFF}, {"-NaN", top | (top >> 1), 0xFFFF},
        {"pseudo-NaN", 5, 0x7FFF},     {"pseudo-infinity", 0, 0x7FFF},
        {"unnormal", 5, 16383},        {"unnormal zero", 0, 100},
    };
    for (const auto& c : cases) {
        const Real v = FromBits(c.significand, c.exponent);
        EXPECT_EQ(TraceFieldEmpty(v), std::isnan(v)) << c.what;
    }
}

// The trace's line for a row, field by field from to_chars, as the rows
// that repeat a value must also read.
std::string ExpectedLine(const TraceRow& r, const std::vector<Real>& point) {
    const auto number = [](Real v) {
        char buffer[64];
        return std::isnan(v) ? std::string()
                             : std::string(buffer, std::to_chars(buffer, buffer + 64, v, std::chars_format::scientific, 20).ptr);
    };
    std::string line = std::to_string(r.iteration) + "," + std::to_string(r.evaluations);
    for (Real v : {r.j, r.gradNorm, r.stepLength, r.alpha, r.accuracy}) line += "," + number(v);
    if (point.empty()) {
        line += "," + number(r.u1) + "," + number(r.u2);
    } else {
        for (Real v : point) line += "," + number(v);
    }
    return line + "," + (r.subIterations >= 0 ? std::to_string(r.subIterations) : "") + "\r\n";
}

// Rows whose values repeat those of the row before (the text copied from
// there), alternate, come back after a NaN, differ only in sign or in the
// last bit, and rows after text put in between or after a clear, read as
// every field written anew would.
TEST(TraceText, ARepeatedValueReadsAsItsOwnText) {
    constexpr Real none = std::numeric_limits<Real>::quiet_NaN();
    const Real nextUp = std::nextafter(0.5L, 1.0L);
    const Real columns[][6] = {
        {0.5L, 0.5L, 0.5L, 0.5L, 0.5L, 0.5L},
        {0.5L, none, 0.5L, none, none, 0.5L},
        {0.0L, -0.0L, 0.0L, -0.0L, -0.0L, 0.0L},
        {0.5L, nextUp, 0.5L, 0.5L, nextUp, nextUp},
        {1e-4940L, 1e-4940L, 3.0L, 1e-4940L, 1e-4940L, std::numeric_limits<Real>::max()},
        {none, none, none, 2.0L, 2.0L, none},
        {-1.0L / 3, -1.0L / 3, 1.0L / 3, 1.0L / 3, -1.0L / 3, -1.0L / 3},
    };
    for (const bool allCoordinates : {false, true}) {
        TraceCsvText text;
        std::string expected;
        for (int k = 0; k < 6; ++k) {
            TraceRow r;
            r.iteration = k;
            r.evaluations = 1000000007LL * k;
            r.subIterations = k % 2 == 0 ? -1 : k;
            Real* fields[] = {&r.j, &r.gradNorm, &r.stepLength, &r.alpha, &r.accuracy, &r.u1, &r.u2};
            for (int c = 0; c < 7; ++c) *fields[c] = columns[c][k];
            const std::vector<Real> point = allCoordinates ? std::vector<Real>{r.u1, r.j, none, r.u2} : std::vector<Real>{};
            if (k == 3) {
                text.Append("between\r\n");
                expected += "between\r\n";
            }
            if (k == 4) {
                text.Clear();
                expected.clear();
            }
            text.AppendRow(r, allCoordinates ? point.data() : nullptr, static_cast<int>(point.size()));
            expected += ExpectedLine(r, point);
            ASSERT_EQ(std::string(text.View()), expected) << "row " << k << (allCoordinates ? ", all coordinates" : "");
        }
    }
}

TEST_F(CsvRoundTrip, TheComparisonTableKeepsQuotedTextAndEveryDigit) {
    std::vector<CompareRow> rows;
    for (Real v : kValues) {
        CompareRow r;
        r.method = "quasi-Newton L-BFGS, memory 15 pairs,Wolfe";
        r.ending = "Minimization direction is \"not\" a descent direction,\r\nsee (Wolfe line search).";
        r.usesHessian = v < 0;
        r.hessianEvaluations = 3;
        r.j = v;
        r.gradNorm = -v;
        r.accuracy = v / 7;
        rows.push_back(r);
    }
    const Table table = Read(FormatCompareCsv(rows));
    ASSERT_EQ(table.size(), rows.size() + 1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::vector<std::string>& f = table[i + 1];
        ASSERT_EQ(f.size(), table[0].size());
        EXPECT_EQ(f[0], rows[i].method);
        EXPECT_EQ(f[1], rows[i].ending);
        EXPECT_EQ(f[4], rows[i].usesHessian ? "3" : "");
        EXPECT_EQ(f[5], CsvNumber(rows[i].j));
        for (int c : {5, 6, 7}) {
            const Real expected = c == 5 ? rows[i].j : c == 6 ? rows[i].gradNorm : rows[i].accuracy;
            EXPECT_EQ(std::strtold(f[static_cast<std::size_t>(c)].c_str(), nullptr), expected) << f[static_cast<std::size_t>(c)];
        }
    }
}

TEST_F(CsvRoundTrip, AFullTraceKeepsEveryCoordinateOfEveryRow) {
    // More rows than the in-memory window, so that most come back from disk.
    constexpr int n = 3;
    const int rowCount = static_cast<int>(RunTrace::WindowRows) + 5;
    RunTrace trace;
    trace.Start(TraceHeader{n, true});
    auto coordinate = [](int row, int i) { return kValues[(row + i) % 6] / (row + 1); };
    for (int k = 0; k < rowCount; ++k) {
        TraceRow row;
        row.iteration = k;
        row.j = kValues[k % 6];
        // The first row has no step: an empty field, not "nan".
        row.stepLength = k == 0 ? std::numeric_limits<Real>::quiet_NaN() : kValues[k % 6];
        row.alpha = std::numeric_limits<Real>::quiet_NaN();
        row.subIterations = k % 2 == 0 ? -1 : k;
        trace.Add(row);
        const Real u[n] = {coordinate(k, 0), coordinate(k, 1), coordinate(k, 2)};
        trace.AddCoordinates(u, n);
    }
    std::string text;
    ASSERT_EQ(trace.WriteCsvTo([&text](std::string_view piece) { text += piece; return 0; }), 0);
    const Table table = Read(text);
    ASSERT_EQ(table.size(), static_cast<std::size_t>(rowCount) + 1);
    EXPECT_EQ(table[0], (std::vector<std::string>{"iteration", "evaluations", "J", "grad_norm", "step_length", "alpha",
                                                  "accuracy", "u1", "u2", "u3", "sub_iterations"}));
    for (int k = 0; k < rowCount; ++k) {
        const std::vector<std::string>& f = table[static_cast<std::size_t>(k) + 1];
        ASSERT_EQ(f.size(), 11u) << k;
        EXPECT_EQ(f[0], std::to_string(k));
        EXPECT_EQ(f[4].empty(), k == 0);
        EXPECT_EQ(f[5], "");
        EXPECT_EQ(f[10], k % 2 == 0 ? "" : std::to_string(k));
        const Real j = std::strtold(f[2].c_str(), nullptr);
        EXPECT_TRUE(j == kValues[k % 6] && std::signbit(j) == std::signbit(kValues[k % 6])) << f[2];
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(std::strtold(f[static_cast<std::size_t>(7 + i)].c_str(), nullptr), coordinate(k, i)) << k;
    }
}

} // namespace
} // namespace tarvik
