#pragma once
// The level lines without the painting: the column scan that finds where
// J minus a level changes sign, and the decisions which neighbouring
// crossings are joined by a segment. Kept apart from the drawing so that
// the rules can be checked on tables built by hand.
#include <cstdint>
#include <string>
#include <vector>

#include "core/numeric.h"
#include "figure/figure_geometry.h"

namespace tarvik {

inline constexpr int LevelCount = 5;
inline constexpr int TrackCount = 7;

// Rows of the sign changes, [track][column]: tracks 1..7 (row 0 of the
// storage unused), columns 0..Width, rows scanned 0..Rows (the window's
// square figure scans as many rows as columns). 0 means "no crossing".
class CrossingTable {
public:
    explicit CrossingTable(int width, int rows = -1)
        : width_(width), scanRows_(rows < 0 ? width : rows),
          rows_(static_cast<std::size_t>(TrackCount + 1) * static_cast<std::size_t>(width + 1), 0) {}

    int Width() const { return width_; }
    int Rows() const { return scanRows_; }
    bool HasColumn(int c) const { return c >= 0 && c <= width_; }
    int& At(int track, int column) { return rows_[Index(track, column)]; }
    int At(int track, int column) const { return rows_[Index(track, column)]; }

private:
    std::size_t Index(int track, int column) const {
        return static_cast<std::size_t>(track) * static_cast<std::size_t>(width_ + 1) + static_cast<std::size_t>(column);
    }
    int width_;
    int scanRows_;
    std::vector<int> rows_;
};

// J at the grid points of one drawing. The five levels scan largely the
// same points, and a track starts on the row where the one above it ended:
// each point's J is worked out once and then read back, bit for bit.
class GridValues {
public:
    explicit GridValues(int width, int rows = -1)
        : rows_(rows < 0 ? width : rows),
          values_(static_cast<std::size_t>(width + 1) * static_cast<std::size_t>(rows_ + 1)),
          known_(values_.size(), 0) {}

    // J at (c, r): evaluate() the first time, the kept value afterwards.
    template <class Evaluate>
    Real At(int c, int r, Evaluate&& evaluate) {
        // Column by column, as the scan walks.
        const std::size_t i = static_cast<std::size_t>(c) * static_cast<std::size_t>(rows_ + 1) + static_cast<std::size_t>(r);
        if (!known_[i]) {
            values_[i] = evaluate();
            known_[i] = 1;
        }
        return values_[i];
    }

private:
    int rows_;
    std::vector<Real> values_;
    std::vector<uint8_t> known_;
};

// Fills the table for one level. f(c, r) is J minus the level at the plane
// point of pixel (c, r). Each track continues the scan of its column below
// the previous track's crossing, so a column is walked from the top at most
// once over all tracks and keeps only its seven topmost sign changes. Rows
// run to Rows: in the window's figure Width, the full height of the
// square, below the image's last row.
template <class F>
void ScanCrossings(CrossingTable& table, F&& f) {
    const int width = table.Width();
    const int rows = table.Rows();
    for (int j = 1; j <= TrackCount; ++j) {
        for (int c = 0; c <= width; ++c) {
            const int start = j == 1 ? 0 : table.At(j - 1, c);
            table.At(j, c) = start;
            if (j > 1 && start == 0) continue;
            Real p = f(c, start);
            for (int r = start + 1; r <= rows; ++r) {
                // A level met exactly at the start row repeats that row.
                if (p == 0) break;
                const Real v = f(c, r);
                if (p * v > 0) {
                    table.At(j, c) = 0;
                    p = v;
                } else {
                    // Zero, a change of sign or NaN: a crossing.
                    table.At(j, c) = r;
                    break;
                }
            }
        }
    }
}

// True when track j's segment between columns c and c+1 ends on a row that
// another track also holds in one of those columns (both rows below row 2):
// such a segment would run along the other track's curve.
bool TouchesOtherTrack(const CrossingTable& t, int j, int c);
// False when a track other than j and j+1 (tracks 1..6 only) holds, in
// column b, the larger of the rows of tracks j and j+1 in column a.
bool NoOtherTrackAt(const CrossingTable& t, int j, int a, int b);

struct LineSegment {
    int x0, y0, x1, y1;
};
inline bool operator==(const LineSegment& a, const LineSegment& b) {
    return a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1;
}

// The segments along each track, in drawing order (track, then column).
std::vector<LineSegment> TrackSegments(const CrossingTable& t, int LineLift);
// The vertical joins between neighbouring tracks that close a curve at its
// left or right end, in drawing order.
std::vector<LineSegment> JoinSegments(const CrossingTable& t, int LineLift);

// The spacing factor of the levels for a function.
Real LevelSpacingFactor(FunctionId function);
// LevelStep from J at ((-R) div 2, 0).
Real LevelStepFor(Real jAtReference, Real quadC, FunctionId function);
// Level k (1..5): QuadC + LevelStep * k^3, rounded to double like the
// level variable of the scan.
double LevelValue(Real quadC, Real levelStep, int k);
// "0.00" below 1, "0.0" below 10, "00" from 10 up.
std::string LevelNumberText(double level);

// Metrics of the level-number font needed to place a number.
struct LabelMetrics {
    int textWidth = 0;      // width of the number's text
    int textHeight = 0;     // height of the number's text
    int wideWidth = 0;      // width of "000000000"
    int zeroHeight = 0;     // height of "0"
};
// Where earlier numbers ended (their right end and row), levels 1..4.
struct LabelMemory {
    int LabelEndX[LevelCount + 1] = {};
    int LabelEndY[LevelCount + 1] = {};
};
// Position of the number of level k: next to the first crossing of track 1,
// kept inside the image and moved off earlier numbers. False when track 1
// has no crossing in columns 2..Width-2 (the level gets no number).
bool PlaceLevelNumber(const CrossingTable& t, int k, int imageHeight, const LabelMetrics& m,
                      const LabelMemory& memory, PixelPos& position);
// Records where the number of level k ended; the last level's is not needed.
void RememberLevelNumber(LabelMemory& memory, int k, PixelPos position, int textWidth);

} // namespace tarvik
