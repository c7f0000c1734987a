// The fuzzers' seed corpus (and every input a fuzzer once broke, once it is
// added there) replayed through the fuzz entry points: each parser holds
// its rules on each file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/fuzz_targets.h"

namespace tarvik {
namespace {

TEST(FuzzCorpus, EveryParserHoldsItsRulesOnEverySeed) {
    for (const auto& target : fuzz::Targets()) {
        const std::filesystem::path folder = std::filesystem::path(TARVIK_FUZZ_CORPUS) / target.name;
        int files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            try {
                target.run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            } catch (const std::exception& e) {
                ADD_FAILURE() << entry.path() << ": " << e.what();
            }
            ++files;
        }
        EXPECT_GT(files, 0) << "no seeds in " << folder;
    }
}

} // namespace
} // namespace tarvik
