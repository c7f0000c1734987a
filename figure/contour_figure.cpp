#include "figure/contour_figure.h"

#include <cmath>

#include "core/function_catalogue.h"
#include "core/number_format.h"
#include "figure/level_line_scan.h"
#include "figure/plane_levels.h"

namespace tarvik {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

ContourFigure::ContourFigure(int panelWidth, const QString& buttonFontFamily)
    : image_(FigureImageWidth(panelWidth), FigureImageWidth(panelWidth) - 7, QImage::Format_RGB32),
      area_{image_.width(), image_.width()}, buttonFontFamily_(buttonFontFamily) {
    Fill();
}

ContourFigure::ContourFigure(FigureSize size, const QString& buttonFontFamily)
    : image_(size.width, size.height, QImage::Format_RGB32), area_(size), buttonFontFamily_(buttonFontFamily) {
    Fill();
}

void ContourFigure::Fill() {
    canvas_.Font = FigureFont(buttonFontFamily_);
    canvas_.BrushColour = clFigBack;
    canvas_.BrushSolid = true;
    FigureCanvas cv(image_, canvas_);
    cv.FillRect(0, 0, image_.width(), image_.height());
    cv.TextOut(10, 10, QStringLiteral("The contours are being computed..."));
}

Colour ContourFigure::PixelColour(int x, int y) const {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return clNoPixel;
    return FromQRgb(image_.pixel(x, y));
}

void ContourFigure::DrawAxes(FigureCanvas& cv) {
    CanvasState& st = cv.State();
    const int cx = FigCentreX, cy = FigCentreY;
    // The square's corner: the ticks and numbers mark its quarters.
    const int ox = cx - PlaneSide / 2, oy = cy - PlaneSide / 2;
    const Real r = PlaneRange;
    const QString rText = Q(FormatGeneral(r));
    const QString minusRText = Q(FormatGeneral(-r));
    const QString halfText = Q(FormatGeneral(r / 2));
    const QString minusHalfText = Q(FormatGeneral(-r / 2));
    const int q = PlaneSide / 4;

    st.Font = FigureFont(buttonFontFamily_);
    st.FontColour = clAxisText;
    st.PenColour = clAxisU1;
    cv.Line(0, cy, 2 * cx, cy);
    cv.Line(ox + q, cy + 1, ox + q, cy - 2);
    cv.Line(ox + 3 * q, cy + 1, ox + 3 * q, cy - 2);
    cv.TextOut(ox, cy + 4, minusRText);
    cv.TextOut(ox + q - 4, cy + 4, minusHalfText);
    cv.TextOut(ox + 3 * q - 2, cy + 4, halfText);
    const int tw = cv.TextWidth(rText + QStringLiteral("0"));
    cv.TextOut(ox + 4 * q - tw / 2, cy + 4, rText);

    st.PenColour = clAxisU2;
    cv.Line(cx, 0, cx, 2 * cy);
    const int th = cv.TextHeight(QStringLiteral("0"));
    cv.Line(cx - 1, oy + q, cx + 2, oy + q);
    cv.Line(cx - 1, oy + 3 * q, cx + 2, oy + 3 * q);
    cv.TextOut(cx + 4, oy + q - th / 2, halfText);
    cv.TextOut(cx + 4, oy, rText);
    cv.TextOut(cx + 5, oy + 3 * q - th / 2, minusHalfText);
    cv.TextOut(cx + 5, oy + 4 * q - th - th / 2, minusRText);
}

void ContourFigure::DrawTitle(FigureCanvas& cv) {
    CanvasState& st = cv.State();
    st.BrushSolid = false;
    st.FontColour = clTitle;
    const QString full = QStringLiteral(" Level-lines for plane {u1,u2,0...}");
    // Written in pieces so that the two indices sit lower, as subscripts.
    int x = image_.width() - cv.TextWidth(full);
    x = cv.TextOut(x, 0, QStringLiteral(" Level-lines for plane {u"));
    x = cv.TextOut(x, 5, QStringLiteral("1"));
    x = cv.TextOut(x, 0, QStringLiteral(",u"));
    x = cv.TextOut(x, 5, QStringLiteral("2"));
    cv.TextOut(x, 0, QStringLiteral(",0...}"));
}

void ContourFigure::DrawSaddles(FigureCanvas& cv, FunctionId function) {
    const auto points = Traits(function).saddles;
    if (points.empty()) return;
    CanvasState& st = cv.State();
    st.PenColour = clSaddle;
    st.PenWidth = 5;
    for (const auto& sp : points) {
        const PixelPos p = OffsetFormPixel(sp.u1, sp.u2, PlaneScale, FigCentreX, FigCentreY);
        DrawEllipse(cv, BoxAround(p, 3));
    }
    st.PenWidth = 1;
}

void ContourFigure::DrawLevelLines(const RunState& s) {
    // Lets the waiting text written at creation appear before the long scan.
    s.Host->ProcessEvents();

    FigureCanvas cv(image_, canvas_);
    const PlaneFrame frame = PlaneFrameFor(area_, s.U0.at(1), s.U0.at(2), s.FunctionCode);
    DrawPlane(cv, frame);
    if (s.N > 2) DrawTitle(cv);
    if (PlaneLevels::OnThePlane(s)) {
        PlaneLevels levels(s, area_);
        DrawLevels(cv, levels, frame, s.N == 2);
    }
    DrawEndPoints(cv, s);
}

void ContourFigure::DrawPlane(FigureCanvas& cv, const PlaneFrame& frame) {
    CanvasState& st = canvas_;
    PlaneRange = frame.range;
    PlaneScale = frame.scale;
    PlaneSide = frame.side;
    MarkerRadius = 4;

    st.BrushColour = clFigBack;
    st.BrushSolid = true;
    st.PenWidth = 1;
    cv.FillRect(0, 0, image_.width(), image_.height());
    st.Style = PenStyle::Solid;
    st.PenWidth = 1;

    FigCentreX = frame.centreX;
    FigCentreY = frame.centreY;
    DrawAxes(cv);
}

void ContourFigure::DrawLevels(FigureCanvas& cv, PlaneLevels& levels, const PlaneFrame& frame, bool numbered) {
    CanvasState& st = canvas_;
    const FunctionId code = levels.Function();
    const int height = image_.height();
    LevelStep = levels.Step(frame);
    const int LineLift = static_cast<int>(std::trunc(static_cast<Real>(height) * 0.004L));

    // Each level is drawn as soon as it is scanned: J failing on the plane
    // leaves the levels before it drawn.
    CrossingTable CrossingRows(image_.width(), area_.height);
    LabelMemory labels;
    for (int k = 1; k <= LevelCount; ++k) {
        st.PenColour = clLevelLine;
        const double level = LevelValue(levels.QuadC(), LevelStep, k);
        levels.Scan(CrossingRows, frame, level);
        for (const LineSegment& seg : TrackSegments(CrossingRows, LineLift)) cv.Line(seg.x0, seg.y0, seg.x1, seg.y1);
        for (const LineSegment& seg : JoinSegments(CrossingRows, LineLift)) cv.Line(seg.x0, seg.y0, seg.x1, seg.y1);
        if (numbered) DrawLevelNumber(cv, CrossingRows, k, level, labels);
        DrawSaddles(cv, code);
    }
}

void ContourFigure::DrawLevelNumber(FigureCanvas& cv, const CrossingTable& crossings, int k, double level,
                                    LabelMemory& labels) {
    CanvasState& st = canvas_;
    st.Style = PenStyle::Solid;
    st.PenWidth = 1;
    st.FontColour = st.PenColour;
    // The level numbers of the design are in Arial, whose metrics the
    // figure's own sans serif has.
    st.Font = FigureFont(QString());
    const QString text = Q(LevelNumberText(level));
    LabelMetrics m;
    m.textWidth = cv.TextWidth(text);
    m.textHeight = cv.TextHeight(text);
    m.wideWidth = cv.TextWidth(QStringLiteral("000000000"));
    m.zeroHeight = cv.TextHeight(QStringLiteral("0"));
    PixelPos at;
    if (PlaceLevelNumber(crossings, k, image_.height(), m, labels, at)) {
        cv.TextOut(at.x, at.y, text);
        RememberLevelNumber(labels, k, at, m.textWidth);
    }
}

void ContourFigure::DrawEndPoints(FigureCanvas& cv, const RunState& s) {
    CanvasState& st = canvas_;
    if (UStarKnown(s) && s.UStar.size() >= 3) {
        st.BrushSolid = true;
        st.BrushColour = clOptimalPoint;
        st.PenColour = clOptimalPoint;
        const PixelPos p = PointFormPixelClamped(s.UStar[1], s.UStar[2], PlaneScale, FigCentreX, FigCentreY);
        DrawEllipse(cv, BoxAround(p, 4));
    }
    levelLines_ = image_;
    DrawStartMarker(cv, s.U0[1], s.U0[2]);
    startLines_ = image_;
}

void ContourFigure::MoveStartMarker(Real u1, Real u2) {
    if (levelLines_.isNull()) return;
    image_ = levelLines_;
    FigureCanvas cv(image_, canvas_);
    DrawStartMarker(cv, u1, u2);
    startLines_ = image_;
}

void ContourFigure::DrawStartMarker(FigureCanvas& cv, Real u1, Real u2) {
    CanvasState& st = canvas_;
    const PixelPos p0 = PointFormPixelClamped(u1, u2, PlaneScale, FigCentreX, FigCentreY);
    CurPixel = p0;
    PrevPixel = p0;
    st.BrushSolid = true;
    st.BrushColour = clInitialPoint;
    st.PenColour = clInitialPoint;
    DrawEllipse(cv, BoxAround(p0, 4));
    MarkerRadius = 3;
    NewPixel = p0;
}

} // namespace tarvik
