#pragma once
// The method and function ids, declared without their entries: a header
// that only holds an id (the run state, say) need not be rebuilt when an
// entry is added to a catalogue. The entries are in method_catalogue.h and
// function_catalogue.h.
#include <cstdint>

namespace tarvik {

enum class MethodId : std::uint8_t;
enum class FunctionId : std::uint8_t;

} // namespace tarvik
