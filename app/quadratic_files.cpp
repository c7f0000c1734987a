#include "app/quadratic_files.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "app/memory_budget.h"
#include "app/number_file.h"
#include "app/text_input.h"
#include "core/errors.h"

namespace tarvik {

namespace {

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// Reads count numbers into target[1..count] (target may be null to only
// check them), testing for the end of the file before each one, and
// requires that nothing but white space follows.
void ReadExactly(RunState& s, NumberFileReader& reader, int count, Real* target, bool releaseQuadratic = true) {
    auto fail = [&] {
        if (releaseQuadratic) FileDataError(s);
        throw ERealBadError(s.LastErrorText);
    };
    for (int i = 1; i <= count; ++i) {
        if (reader.AtEof()) fail();
        const Real value = reader.Next();
        if (target != nullptr) target[i] = value;
    }
    if (!reader.OnlyWhitespaceRemains()) fail();
}

// A file that cannot be opened, or holds a token that is not a number, is
// an input error like a file of the wrong length, and must not leave the
// quadratic half-read either.
template <class Body>
void WithFileErrors(RunState& s, bool releaseQuadratic, Body&& body) {
    try {
        body();
    } catch (const TarvikError&) {
        throw;
    } catch (const std::runtime_error& e) {
        if (releaseQuadratic) s.Quad.Release();
        s.LastErrorText = e.what();
        throw ERealBadError(e.what());
    }
}

} // namespace

void CheckPanelFiles(const std::string& hintA, const std::string& hintB, const std::string& hintUStar,
                     bool uStarFromFile) {
    if (hintA == DefaultHintFileA || hintB == DefaultHintFileB)
        throw ERealBadError("Not all files for a function was selected!");
    if (uStarFromFile && hintUStar == DefaultHintFileUStar)
        throw ERealBadError("Not all files for a function was selected!");
    if (FileExists(hintA) && FileExists(hintB)) {
        if (!uStarFromFile) return;
        if (FileExists(hintUStar)) return;
    }
    throw ERealBadError("Not all selected files exist!");
}

[[noreturn]] void FileDataError(RunState& s) {
    s.Quad.Release();
    throw ERealBadError(s.LastErrorText);
}

void LoadQuadraticData(RunState& s, const QuadraticFileChoice& choice) {
    const int n = choice.n;
    QuadraticData& q = s.Quad;
    q.Release();
    // The matrix is allocated (and zeroed) before the file says whether it
    // holds that many numbers at all. The second vector is the objective's
    // A u, allocated when a run is prepared.
    const __int128 nn = n;
    RequireMemory(n, MyArray2::Bytes(n) + 2 * (nn + 1) * static_cast<__int128>(sizeof(Real)));
    q.QuadA = NewMatrix(n);
    q.QuadB = NewVector(n);

    WithFileErrors(s, true, [&] {
        NumberFileReader reader(choice.pathA);
        s.LastErrorText = "File " + choice.pathA + " is incorrect!" + "\r" + "Check the dimension n.";
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) {
                if (reader.AtEof()) FileDataError(s);
                q.QuadA[i][j] = reader.Next();
            }
        if (!reader.OnlyWhitespaceRemains()) FileDataError(s);
    });

    for (int i = 1; i <= n - 1; ++i)
        for (int j = i + 1; j <= n; ++j) {
            q.QuadA[i][j] = (q.QuadA[i][j] + q.QuadA[j][i]) / 2.0L;
            q.QuadA[j][i] = q.QuadA[i][j];
        }

    WithFileErrors(s, true, [&] {
        NumberFileReader reader(choice.pathB);
        s.LastErrorText = "File " + choice.pathB + " is incorrect!";
        ReadExactly(s, reader, n, q.QuadB.data());
    });

    Real c = 0;
    if (!TryParseReal(CommaToDot(choice.cText), c)) {
        s.LastErrorText = "Incorrect data for C!";
        throw ERealBadError(s.LastErrorText);
    }
    q.QuadC = c;
    q.FileA = choice.pathA;
    q.FileB = choice.pathB;
    q.CText = choice.cText;

    if (choice.option == UStarSource::FromFile) {
        WithFileErrors(s, true, [&] {
            NumberFileReader reader(choice.pathUStar);
            s.LastErrorText = "File " + choice.pathUStar + " is incorrect!";
            ReadExactly(s, reader, n, nullptr);
        });
    }
}

void ReadUStarFile(RunState& s, const std::string& path) {
    // The file was checked when it was chosen, so no end-of-file tests; a
    // file changed since then still cannot yield a half-read point silently.
    // The quadratic itself was read and checked, so it stays.
    WithFileErrors(s, false, [&] {
        NumberFileReader reader(path);
        for (int i = 1; i <= s.N; ++i) s.UStar[i] = reader.Next();
    });
}

// A faulty u° file says nothing about the quadratic read from files, so
// its errors leave that data loaded; releasing it would only make the next
// Start fail for a reason the user cannot see.
void ReadU0File(RunState& s) {
    s.SetStatus(" Reading initial point from a file... ");
    const std::string& path = s.Choices.StartFile;
    WithFileErrors(s, false, [&] {
        NumberFileReader reader(path);
        s.LastErrorText = "File " + path + " is incorrect!";
        if (s.U0.size() < static_cast<std::size_t>(s.N) + 1) s.U0 = NewVector(s.N);
        ReadExactly(s, reader, s.N, s.U0.data(), false);
    });
}

void ValidateU0File(RunState& s, const std::string& path, int n) {
    s.Choices.StartFile = path;
    s.LastErrorText = "File " + path + " is incorrect!";
    WithFileErrors(s, false, [&] {
        NumberFileReader reader(path);
        ReadExactly(s, reader, n, nullptr, false);
    });
}

} // namespace tarvik
