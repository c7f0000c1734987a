// One libFuzzer program per target; TARVIK_FUZZ_TARGET names it.
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const auto run = [] {
        for (const auto& target : tarvik::fuzz::Targets())
            if (std::strcmp(target.name, TARVIK_FUZZ_TARGET) == 0) return target.run;
        std::abort();
    }();
    run(data, size);
    return 0;
}
