#pragma once
// The level-line figure: a bitmap on which the level lines are drawn once
// when a run is prepared and the trajectory is added after each iteration.
// Every element has its own exact colour, because the mouse-over hints
// identify elements by the colour of the pixel under the pointer.
#include <QImage>
#include <string>

#include "core/run_state.h"
#include "figure/figure_canvas.h"
#include "figure/figure_geometry.h"

namespace tarvik {

// The markers' discs and rings, whose boxes are clipped around far points.
inline void DrawEllipse(FigureCanvas& cv, PixelBox box) { cv.Ellipse(box.left, box.top, box.right, box.bottom); }

class CrossingTable;
class PlaneLevels;
struct LabelMemory;

class ContourFigure {
public:
    // Creates the image for a panel of the given width: Width = panel - 7,
    // Height = Width - 7, filled with the background and the waiting text.
    // An empty family means the design's sans serif (see FigureFont).
    explicit ContourFigure(int panelWidth, const QString& buttonFontFamily = QString());
    // A picture of the given size, the plane's square centred in it (the
    // batch mode's --figure-size).
    explicit ContourFigure(FigureSize size, const QString& buttonFontFamily = QString());

    QImage& Image() { return image_; }
    const QImage& Image() const { return image_; }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }

    // Axes, five level lines, numbers or title, saddles, u* and u°.
    // Lets the host process pending events once before it starts. J is
    // evaluated on the plane {u1, u2, 0...} by an objective of the
    // figure's own, so the run is left as it was.
    void DrawLevelLines(const RunState& s);
    // One trajectory segment with its markers; throws EBadError when the
    // point's pixel does not fit a 32-bit integer (and clears
    // s.RedrawTrajectory). Sets s.SegmentColour back to clTrajectory.
    void DrawTrajectoryStep(RunState& s);
    // The figure as DrawLevelLines left it before it marked u°: what a run
    // from another starting point on the same plane would start from.
    const QImage& LevelLines() const { return levelLines_; }
    // The same with u° marked where the run started: an animation's first picture.
    const QImage& StartLines() const { return startLines_; }
    // Back to the level lines with u° marked at (u1, u2), the frame kept.
    void MoveStartMarker(Real u1, Real u2);
    // Text for status panel 0 for the pixel under the mouse; returns
    // currentHint unchanged where the hint is to stay as it was.
    std::string FigureHint(const RunState& s, int x, int y, const std::string& currentHint) const;

    // The colour of a pixel of the figure, clNoPixel outside it.
    Colour PixelColour(int x, int y) const;

    // Geometry kept after drawing.
    int PlaneRange = 0;
    Real PlaneScale = 0;
    int FigCentreX = 0;
    int FigCentreY = 0;
    int PlaneSide = 0;
    int MarkerRadius = 4;
    Real LevelStep = 0;
    PixelPos CurPixel, PrevPixel, NewPixel;
    // The geometry above as one frame, for what is drawn over the figure.
    PlaneFrame Frame() const { return {PlaneRange, PlaneScale, FigCentreX, FigCentreY, PlaneSide}; }

private:
    // The background and the axes of the frame.
    void DrawPlane(FigureCanvas& cv, const PlaneFrame& frame);
    // The five level lines of J on the plane, the numbers where the figure
    // shows them (n = 2) and the saddles over each.
    void DrawLevels(FigureCanvas& cv, PlaneLevels& levels, const PlaneFrame& frame, bool numbered);
    void DrawLevelNumber(FigureCanvas& cv, const CrossingTable& crossings, int k, double level, LabelMemory& labels);
    // u* where it is known, and u°.
    void DrawEndPoints(FigureCanvas& cv, const RunState& s);
    void DrawStartMarker(FigureCanvas& cv, Real u1, Real u2);
    void DrawAxes(FigureCanvas& cv);
    void DrawTitle(FigureCanvas& cv);
    void DrawSaddles(FigureCanvas& cv, FunctionId function);
    void DrawMarker(FigureCanvas& cv, PixelPos p);
    // The projection of (a, b, ...)/norm as a line ending at (x, y).
    void DrawOrtLine(FigureCanvas& cv, PixelPos p, Real a, Real b, Real norm);
    void DrawOrt(FigureCanvas& cv, const RunState& s, PixelPos p, Real a, Real b, Real norm);
    void DrawPrevOrt(FigureCanvas& cv, const RunState& s, PixelPos p);
    PixelPos TrajectoryPixel(RunState& s, Real u1, Real u2) const;

    void Fill();

    QImage image_;
    QImage levelLines_;
    QImage startLines_;
    // Where the plane's square is centred (see FigureSize).
    FigureSize area_;
    QString buttonFontFamily_;
    CanvasState canvas_;
};

} // namespace tarvik
