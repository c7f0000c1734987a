#pragma once
// The three failure classes of a run. The message is the text the user sees.
#include <stdexcept>
#include <string>

namespace tarvik {

class TarvikError : public std::runtime_error {
public:
    explicit TarvikError(const std::string& message) : std::runtime_error(message) {}
};

// A recoverable method failure: the user may continue with a substitute step.
class ENotSoBadError : public TarvikError {
public:
    using TarvikError::TarvikError;
};

// A run-ending error.
class EBadError : public TarvikError {
public:
    using TarvikError::TarvikError;
};

// An input error found while a run or a panel is set up.
class ERealBadError : public TarvikError {
public:
    using TarvikError::TarvikError;
};

} // namespace tarvik
