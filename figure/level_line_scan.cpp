#include "figure/level_line_scan.h"

#include <algorithm>
#include <cstdlib>

#include "core/function_catalogue.h"
#include "core/number_format.h"

namespace tarvik {

bool TouchesOtherTrack(const CrossingTable& t, int j, int c) {
    const int y0 = t.At(j, c), y1 = t.At(j, c + 1);
    if (!(y0 > 2 && y1 > 2)) return false;
    const int m = std::max(y0, y1);
    for (int k = 1; k <= TrackCount; ++k) {
        if (k == j) continue;
        if (t.At(k, c) == m || t.At(k, c + 1) == m) return true;
    }
    return false;
}

bool NoOtherTrackAt(const CrossingTable& t, int j, int a, int b) {
    const int m = std::max(t.At(j, a), t.At(j + 1, a));
    for (int k = 1; k <= TrackCount - 1; ++k) {
        if (k == j || k == j + 1) continue;
        if (t.At(k, b) == m) return false;
    }
    return true;
}

std::vector<LineSegment> TrackSegments(const CrossingTable& t, int LineLift) {
    std::vector<LineSegment> segments;
    const int width = t.Width();
    for (int j = 1; j <= TrackCount; ++j) {
        for (int c = 1; c <= width - 2; ++c) {
            const int y0 = t.At(j, c), y1 = t.At(j, c + 1);
            if (y0 == 0 || y1 == 0) continue;
            if (TouchesOtherTrack(t, j, c)) continue;
            // Near the top edge a long step is more likely a jump between
            // two curves than one curve.
            if (!(y1 > 8 || std::abs(y1 - y0) <= 5)) continue;
            if (!(y0 > 8 || std::abs(y0 - y1) <= 5)) continue;
            segments.push_back({c, y0 - LineLift, c + 1, y1 - LineLift});
        }
    }
    return segments;
}

std::vector<LineSegment> JoinSegments(const CrossingTable& t, int LineLift) {
    std::vector<LineSegment> segments;
    const int width = t.Width();
    for (int j = 1; j <= TrackCount - 1; ++j) {
        for (int c = 1; c <= width - 2; ++c) {
            const auto A = [&](int col) { return t.At(j, col); };
            const auto B = [&](int col) { return t.At(j + 1, col); };
            if (!((A(c) != 0 || A(c + 1) != 0) && (B(c) != 0 || B(c + 1) != 0))) continue;
            const bool touches = TouchesOtherTrack(t, j, c);

            // The left end of a closed curve, at column c + 1.
            const bool opens = touches || (A(c) == 0 && B(c) == 0 && A(c + 1) != 0 && B(c + 1) != 0);
            if (opens) {
                const bool shape = (A(c + 1) >= A(c + 2) && B(c + 1) <= B(c + 2)) ||
                                   (A(c + 1) >= A(c + 2) && B(c) == 0 && B(c + 2) == 0) ||
                                   (B(c + 1) <= B(c + 2) && A(c) == 0 && A(c + 2) == 0);
                if (shape && A(c + 1) < B(c + 1) && NoOtherTrackAt(t, j, c + 1, c))
                    segments.push_back({c + 1, A(c + 1) - LineLift, c + 1, B(c + 1) - LineLift});
            }

            // The right end of a closed curve, at column c.
            const bool closes = touches || (A(c + 1) == 0 && B(c + 1) == 0 && A(c - 1) != 0 && B(c - 1) != 0);
            if (closes) {
                const bool shape = (A(c - 1) <= A(c) && B(c) <= B(c - 1)) ||
                                   (A(c - 1) <= A(c) && B(c - 1) == 0 && B(c + 1) == 0) ||
                                   (B(c) <= B(c - 1) && A(c - 1) == 0 && A(c + 1) == 0);
                if (shape && A(c) < B(c) && NoOtherTrackAt(t, j, c, c + 1))
                    segments.push_back({c, A(c) - LineLift, c, B(c) - LineLift});
            }
        }
    }
    return segments;
}

Real LevelSpacingFactor(FunctionId function) { return Traits(function).levelSpacing; }

Real LevelStepFor(Real jAtReference, Real quadC, FunctionId function) {
    return (jAtReference - quadC) * LevelSpacingFactor(function) / 10 / LevelCount;
}

double LevelValue(Real quadC, Real levelStep, int k) {
    const int16_t kk = static_cast<int16_t>(k * k);
    return static_cast<double>(quadC + levelStep * k * kk);
}

std::string LevelNumberText(double level) {
    if (level < 1) return FormatFloat("0.00", level);
    if (level < 10) return FormatFloat("0.0", level);
    return FormatFloat("00", level);
}

bool PlaceLevelNumber(const CrossingTable& t, int k, int imageHeight, const LabelMetrics& m,
                      const LabelMemory& memory, PixelPos& position) {
    const int width = t.Width();
    int x = 0;
    for (int c = 2; c <= width - 2; ++c) {
        if (t.At(1, c) != 0) {
            x = c;
            break;
        }
    }
    if (x == 0) return false;

    int lx = x - m.textWidth / 2;
    int ly = t.At(1, x);
    if (lx <= 0) lx = 2;
    if (width - m.textWidth <= lx) lx = width - m.textWidth - 1;
    if (ly <= 0) ly = 3;
    if (imageHeight - m.textHeight <= ly) ly = imageHeight - m.textHeight;

    for (int e = 1; e <= k - 1; ++e) {
        if (memory.LabelEndX[e] > lx && memory.LabelEndX[e] - m.wideWidth < lx && memory.LabelEndY[e] >= ly &&
            memory.LabelEndY[e] - m.zeroHeight <= ly) {
            lx = memory.LabelEndX[e];
            // Past the right edge the table has no column: the row stays.
            const int column = lx + m.textWidth / 2;
            if (t.HasColumn(column)) ly = t.At(1, column);
        }
    }
    position = PixelPos{lx, ly};
    return true;
}

void RememberLevelNumber(LabelMemory& memory, int k, PixelPos position, int textWidth) {
    if (k >= LevelCount) return;
    memory.LabelEndX[k] = position.x + textWidth;
    memory.LabelEndY[k] = position.y;
}

} // namespace tarvik
