#include "app/start_point.h"

#include <algorithm>

#include <stdexcept>

#include "app/number_file.h"
#include "core/errors.h"

namespace tarvik {

const std::array<std::string_view, StartPointItemCount> StartPointItems{
    "-0.2; -1.4", "-0.8; -1.2", "-1.2; -0.8", "-1.2;  0.2", "-1.2;  0.8", "-1.2; 1.0",
    "-0.8;  1.4", "-0.2;  1.4", " 0.2;  2.0", " 0.5;  2.2", " 1.2;  2.2", " 1.0;  -1.0",
    " 2.0;  1.2", " 2.0;  0.8", " 2.0;  0.2", " 2.0; -0.8", " 1.2; -1.2", " 0.5; -1.2",
    " 0.2; -1.2", " 0", " 1", " 1.2", "-1", "-0.1", "-1...0", "-1...1", "-1...3", "-1...-3",
    " 0.5...1.5", "from file"};

namespace {

struct Pair { Real odd; Real even; };

// The values are the decimal numbers shown, not parsed from the texts.
constexpr std::array<Pair, 19> PairItems{{
    {-0.2L, -1.4L}, {-0.8L, -1.2L}, {-1.2L, -0.8L}, {-1.2L, 0.2L}, {-1.2L, 0.8L}, {-1.2L, 1.0L},
    {-0.8L, 1.4L}, {-0.2L, 1.4L}, {0.2L, 2.0L}, {0.5L, 2.2L}, {1.2L, 2.2L}, {1.0L, -1.0L},
    {2.0L, 1.2L}, {2.0L, 0.8L}, {2.0L, 0.2L}, {2.0L, -0.8L}, {1.2L, -1.2L}, {0.5L, -1.2L},
    {0.2L, -1.2L},
}};

constexpr std::array<Real, 5> ConstantItems{0.0L, 1.0L, 1.2L, -1.0L, -0.1L};

} // namespace

MyArray1 BuildStartPoint(int item, int n) {
    MyArray1 u = NewVector(n);
    if (item >= 0 && item <= 18) {
        const Pair p = PairItems[static_cast<std::size_t>(item)];
        for (int i = 1; i <= n; ++i) u[i] = (i % 2 == 1) ? p.odd : p.even;
    } else if (item >= 19 && item <= 23) {
        for (int i = 1; i <= n; ++i) u[i] = ConstantItems[static_cast<std::size_t>(item - 19)];
    } else if (item >= 24 && item <= 28) {
        // Ranges: i/(n-1) is formed in extended precision from the integers.
        for (int i = 0; i <= n - 1; ++i) {
            const Real t = static_cast<Real>(i) / static_cast<Real>(n - 1);
            Real v = 0;
            switch (item) {
            case 24: v = -1 + t; break;
            case 25: v = -1 + 2 * t; break;
            case 26: v = -1 + 4 * t; break;
            case 27: v = -1 - 2 * t; break;
            default: v = 0.5L + t; break;
            }
            u[i + 1] = v;
        }
    } else {
        throw std::invalid_argument("starting-point item out of range");
    }
    return u;
}

std::optional<std::string> ParseStartCoordinates(const std::string& text, std::vector<Real>& out,
                                                 const std::string& option) {
    std::vector<Real> values;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        std::string token = text.substr(start, comma - start);
        const std::size_t first = token.find_first_not_of(" \t");
        token = first == std::string::npos ? std::string() : token.substr(first, token.find_last_not_of(" \t") + 1 - first);
        Real value = 0;
        if (!ParseNumberToken(token, value)) return "Invalid numeric format in " + option + " '" + text + "'";
        values.push_back(value);
        if (comma == text.size()) break;
        start = comma + 1;
    }
    if (values.size() < 2) return option + " needs at least u1 and u2, got '" + text + "'";
    out = std::move(values);
    return std::nullopt;
}

std::string TooManyStartCoordinatesText(std::size_t given, int n) {
    return "The starting point has " + std::to_string(given) + " coordinates, more than n=" + std::to_string(n) + "!";
}

void ApplyStartCoordinates(MyArray1& u0, const std::vector<Real>& given, int n) {
    if (given.size() > static_cast<std::size_t>(n)) throw ERealBadError(TooManyStartCoordinatesText(given.size(), n));
    for (std::size_t i = 0; i < given.size(); ++i) u0[i + 1] = given[i];
}

} // namespace tarvik
