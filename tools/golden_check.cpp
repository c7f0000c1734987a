// Runs the recorded batch cases (tests/golden/cases.txt) in this one process
// and compares a digest of each report, message text, exit status and figure
// file with tests/golden/expected.txt. Refactoring and speed work must leave
// every one of them byte-identical; only the operating time line is left out.
// One process instead of one per case: starting the graphics system 377
// times cost far more than the runs.
//
// usage: golden_check [--record] [--keep DIR] [--shard I/N] GOLDEN_DIR
//   --record    write GOLDEN_DIR/expected.txt from this build instead of comparing
//   --keep DIR  keep every output in DIR (to diff against an older build's)
//   --shard I/N run and compare only every N-th case from the I-th (1-based),
//               so that the suite's test runner can spread them over cores
#include <QByteArray>
#include <QCryptographicHash>
#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch_mode.h"
#include "figure/offscreen_figure.h"

namespace fs = std::filesystem;

namespace {

struct Case {
    std::string name, arguments;
};

std::vector<Case> ReadCases(const fs::path& file) {
    std::vector<Case> cases;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const auto bar = line.find('|');
        cases.push_back({line.substr(0, bar), bar == std::string::npos ? "" : line.substr(bar + 1)});
    }
    return cases;
}

// Words apart at spaces; double quotes keep spaces inside one word, as the
// shell reads the case lines.
std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string ReadWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

void WriteWhole(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

std::string Digest(const std::string& bytes) {
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
        .toHex()
        .left(16)
        .toStdString();
}

// A stream whose bytes are read back once the run has closed it.
class CapturedStream {
public:
    CapturedStream() : file_(open_memstream(&buffer_, &size_)) {}
    ~CapturedStream() {
        if (file_) std::fclose(file_);
        std::free(buffer_);
    }
    std::FILE* File() { return file_; }
    std::string Take() {
        std::fclose(file_);
        file_ = nullptr;
        return std::string(buffer_, size_);
    }

private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

// The digested text: exit status, report without its time line, then the
// messages; the work folder is taken out of every path.
// The case's own output files are named "@" in the record, so that a case
// can be renamed without touching its digest.
std::string TextRecord(int status, const std::string& out, const std::string& err, const std::string& stem) {
    std::string text = "exit " + std::to_string(status) + "\n";
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("Operating time of problem", 0) == 0) continue;
        ReplaceAll(line, stem, "@");
        text += line + "\n";
    }
    std::string messages = err;
    ReplaceAll(messages, stem, "@");
    return text + "--stderr\n" + messages;
}

std::string FigureRecord(const fs::path& stem) {
    std::string bytes;
    for (const char* extension : {"bmp", "gif", "jpeg", "png"}) {
        fs::path file = stem;
        file += std::string(".") + extension;
        if (fs::exists(file)) bytes += std::string("--") + extension + "\n" + ReadWhole(file);
    }
    return bytes;
}

std::string RunCase(const Case& c, const fs::path& work) {
    const fs::path stem = work / c.name;
    std::string arguments = c.arguments;
    ReplaceAll(arguments, "@", stem.string());
    CapturedStream out, err;
    int status;
    try {
        status = tarvik::RunBatchMode(SplitWords(arguments), out.File(), err.File(), tarvik::MakeBatchFigure);
    } catch (const std::exception& e) {
        std::fprintf(err.File(), "uncaught: %s\n", e.what());
        status = 134;
    }
    const std::string report = out.Take(), messages = err.Take();
    WriteWhole(stem.string() + ".out", report);
    WriteWhole(stem.string() + ".err", messages);
    return c.name + " text " + Digest(TextRecord(status, report, messages, stem.string())) + " figure " +
           Digest(FigureRecord(stem));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

} // namespace

int main(int argc, char** argv) {
    bool record = false;
    std::string keep, golden;
    int shard = 1, shards = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--record") record = true;
        else if (a == "--keep" && i + 1 < argc) keep = argv[++i];
        else if (a == "--shard" && i + 1 < argc) std::sscanf(argv[++i], "%d/%d", &shard, &shards);
        else golden = a;
    }
    if (golden.empty() || shards < 1 || shard < 1 || shard > shards || (record && shards > 1)) {
        std::cerr << "usage: golden_check [--record] [--keep DIR] [--shard I/N] GOLDEN_DIR\n";
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);

    fs::path work;
    if (keep.empty()) {
        std::string pattern = (fs::temp_directory_path() / "golden.XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("golden_check: work folder");
            return 2;
        }
        work = pattern;
    } else {
        work = fs::absolute(keep);
        fs::create_directories(work);
    }

    std::vector<std::string> actual;
    std::ofstream seconds(work / "seconds.txt", std::ios::app);
    std::set<std::string> names;
    const std::vector<Case> cases = ReadCases(fs::path(golden) / "cases.txt");
    for (std::size_t i = shard - 1; i < cases.size(); i += shards) {
        const Case& c = cases[i];
        names.insert(c.name);
        const auto start = std::chrono::steady_clock::now();
        actual.push_back(RunCase(c, work));
        seconds << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() << " " << c.name
                << "\n";
    }
    seconds.close();
    if (keep.empty()) fs::remove_all(work);
    std::sort(actual.begin(), actual.end());

    const fs::path expectedFile = fs::path(golden) / "expected.txt";
    if (record) {
        std::string all;
        for (const std::string& line : actual) all += line + "\n";
        WriteWhole(expectedFile, all);
        std::cout << "golden: recorded " << actual.size() << " cases\n";
        return 0;
    }
    std::vector<std::string> expected;
    for (const std::string& line : Lines(ReadWhole(expectedFile)))
        if (names.count(line.substr(0, line.find(' ')))) expected.push_back(line);
    if (expected == actual) {
        std::cout << "golden: " << actual.size() << " cases identical\n";
        return 0;
    }
    std::cout << "golden: these cases differ from the recorded digests:\n";
    const std::set<std::string> was(expected.begin(), expected.end()), is(actual.begin(), actual.end());
    int shown = 0;
    for (const std::string& line : expected)
        if (!is.count(line) && shown++ < 40) std::cout << "-" << line << "\n";
    for (const std::string& line : actual)
        if (!was.count(line) && shown++ < 40) std::cout << "+" << line << "\n";
    return 1;
}
