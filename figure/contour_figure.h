#pragma once
// The level-line figure: a bitmap on which the level lines are drawn once
// when a run is prepared and the trajectory is added after each iteration.
// Every element has its own exact colour, because the mouse-over hints
// identify elements by the colour of the pixel under the pointer.
#include <QImage>
#include <string>

#include "core/run_state.h"

namespace tarvik {

struct PixelPos { int x = 0; int y = 0; };

class ContourFigure {
public:
    // Creates the image for a panel of the given width: Width = panel - 7,
    // Height = Width - 7, filled with the background and the waiting text.
    explicit ContourFigure(int panelWidth, const QString& buttonFontFamily = QString());

    QImage& Image() { return image_; }
    const QImage& Image() const { return image_; }

    // Axes, five level lines, numbers or title, saddles, u* and u°.
    // Evaluates J with N temporarily 2; restores N on every exit.
    void DrawLevelLines(RunState& s);
    // One trajectory segment with its markers; throws EBadError when the
    // point's pixel does not fit a 32-bit integer.
    void DrawTrajectoryStep(RunState& s);
    // Text for status panel 0 for the pixel under the mouse; returns
    // currentHint unchanged where the hint is to stay as it was.
    std::string FigureHint(const RunState& s, int x, int y, const std::string& currentHint) const;

    // Geometry kept after drawing.
    int PlaneRange = 0;
    Real PlaneScale = 0;
    int FigCentreX = 0;
    int FigCentreY = 0;
    int MarkerRadius = 4;
    Real LevelStep = 0;
    PixelPos CurPixel, PrevPixel, NewPixel;

private:
    QImage image_;
    QString buttonFontFamily_;
};

} // namespace tarvik
