#pragma once
// A small drawing surface over a QImage with the behaviour the figure relies
// on: a current pen, brush and font that persist between calls, lines that
// cover their start pixel and not their end pixel, ellipses whose bounding
// box excludes its right and bottom edge, and text drawn on a box of the
// brush colour unless the brush is clear. Nothing is antialiased, so every
// pixel carries one of the figure's exact colours.
#include <QFont>
#include <QImage>
#include <QString>

#include "figure/figure_colours.h"

namespace tarvik {

enum class PenStyle { Solid, Dot };

// The drawing state. It belongs to the figure and survives between calls,
// because later drawing inherits what earlier drawing left (a dotted pen,
// a clear brush).
struct CanvasState {
    Colour PenColour = 0x000000;
    int PenWidth = 1;                 // 0 and 1 both mean one pixel
    PenStyle Style = PenStyle::Solid;
    Colour BrushColour = 0xFFFFFF;
    bool BrushSolid = true;
    QFont Font;
    Colour FontColour = 0x000000;
};

// The font of the figure's texts: the family (empty: the design's sans
// serif, Liberation Sans) at the small size of the figure, without
// antialiasing so that text pixels have exact colours.
QFont FigureFont(const QString& family);

class FigureCanvas {
public:
    FigureCanvas(QImage& image, CanvasState& state) : image_(image), state_(state) {}

    CanvasState& State() { return state_; }

    // Fills the rectangle with the brush colour, whatever the brush style.
    void FillRect(int left, int top, int right, int bottom);
    // The line from (x0, y0) to (x1, y1): covers the first point, not the
    // last. Any coordinates are accepted; what falls outside is clipped.
    void Line(int x0, int y0, int x1, int y1);
    // The ellipse inside the box (x1, y1)-(x2, y2), right and bottom edges
    // excluded; outlined with the pen and filled with the brush when solid.
    void Ellipse(int x1, int y1, int x2, int y2);
    // Writes the text with its top-left corner at (x, y) in the font colour;
    // a solid brush first paints the text's box. Returns the x where the
    // text ends.
    int TextOut(int x, int y, const QString& text);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;
    // The colour at (x, y), or clNoPixel outside the image.
    Colour Pixel(int x, int y) const;

private:
    void PutPixel(int x, int y, Colour c);

    QImage& image_;
    CanvasState& state_;
};

} // namespace tarvik
