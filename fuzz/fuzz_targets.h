#pragma once
// The entry points of the parser fuzzers. Each takes arbitrary bytes, feeds
// them to one family of parsers and checks what must hold for every input;
// a broken rule raises PropertyViolation (an uncaught exception is a crash
// to libFuzzer). The corpus replay of the engine tests calls the same
// functions without libFuzzer.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvik::fuzz {

class PropertyViolation : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

struct Target {
    const char* name;  // also the corpus folder fuzz/corpus/<name>
    void (*run)(const uint8_t* data, std::size_t size);
};

// Number files of the quadratic problem and of u°: the chunked reader and
// the token parser.
void NumberFiles(const uint8_t* data, std::size_t size);
// The quadratic's files: n, A, b, C and u* read and validated together.
void QuadraticFiles(const uint8_t* data, std::size_t size);
// data.ini: the INI text and the configuration read from it.
void Configuration(const uint8_t* data, std::size_t size);
// Typed numbers: dimension, accuracy and parameter texts.
void TypedNumbers(const uint8_t* data, std::size_t size);
// The batch command line, one argument per line.
void BatchOptions(const uint8_t* data, std::size_t size);
// A typed formula J(u) (the first byte chooses n), compiled and evaluated.
void Formula(const uint8_t* data, std::size_t size);

const std::vector<Target>& Targets();

} // namespace tarvik::fuzz
