#include "figure/contour_figure.h"

#include <cmath>

#include "core/number_format.h"
#include "figure/level_line_scan.h"

namespace tarvik {

namespace {

// The figure evaluates J on the plane of u1 and u2 as the two-dimensional
// function. N goes back on every way out, also when J fails during the
// scan, and the figure's evaluations never show in the run's count.
class PlaneEvaluationScope {
public:
    explicit PlaneEvaluationScope(RunState& s) : s_(s), savedN_(s.N), savedEvalCount_(s.EvalCount) {
        s_.N = 2;
        if (s_.U.size() < 3) s_.U.resize(3, 0.0L);
    }
    ~PlaneEvaluationScope() { Restore(); }
    PlaneEvaluationScope(const PlaneEvaluationScope&) = delete;
    PlaneEvaluationScope& operator=(const PlaneEvaluationScope&) = delete;

    int32_t SavedN() const { return savedN_; }
    void Restore() {
        s_.N = savedN_;
        s_.EvalCount = savedEvalCount_;
    }

private:
    RunState& s_;
    int32_t savedN_;
    int32_t savedEvalCount_;
};

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

ContourFigure::ContourFigure(int panelWidth, const QString& buttonFontFamily)
    : buttonFontFamily_(buttonFontFamily) {
    const int width = FigureImageWidth(panelWidth);
    const int height = width - 7;
    image_ = QImage(width, height, QImage::Format_RGB32);
    canvas_.Font = FigureFont(buttonFontFamily_);
    canvas_.BrushColour = clFigBack;
    canvas_.BrushSolid = true;
    FigureCanvas cv(image_, canvas_);
    cv.FillRect(0, 0, width, height);
    cv.TextOut(10, 10, QStringLiteral("The contours are being computed..."));
}

Colour ContourFigure::PixelColour(int x, int y) const {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return clNoPixel;
    return FromQRgb(image_.pixel(x, y));
}

void ContourFigure::DrawAxes(FigureCanvas& cv) {
    CanvasState& st = cv.State();
    const int width = image_.width();
    const int cx = FigCentreX, cy = FigCentreY;
    const Real r = PlaneRange;
    const QString rText = Q(FormatGeneral(r));
    const QString minusRText = Q(FormatGeneral(-r));
    const QString halfText = Q(FormatGeneral(r / 2));
    const QString minusHalfText = Q(FormatGeneral(-r / 2));
    const int q = width / 4;

    st.Font = FigureFont(buttonFontFamily_);
    st.FontColour = clAxisText;
    st.PenColour = clAxisU1;
    cv.Line(0, cy, 2 * cx, cy);
    cv.Line(q, cy + 1, q, cy - 2);
    cv.Line(3 * q, cy + 1, 3 * q, cy - 2);
    cv.TextOut(0, cy + 4, minusRText);
    cv.TextOut(q - 4, cy + 4, minusHalfText);
    cv.TextOut(3 * q - 2, cy + 4, halfText);
    const int tw = cv.TextWidth(rText + QStringLiteral("0"));
    cv.TextOut(4 * q - tw / 2, cy + 4, rText);

    st.PenColour = clAxisU2;
    cv.Line(cx, 0, cx, 2 * cy);
    const int th = cv.TextHeight(QStringLiteral("0"));
    cv.Line(cx - 1, q, cx + 2, q);
    cv.Line(cx - 1, 3 * q, cx + 2, 3 * q);
    cv.TextOut(cx + 4, q - th / 2, halfText);
    cv.TextOut(cx + 4, 0, rText);
    cv.TextOut(cx + 5, 3 * q - th / 2, minusHalfText);
    cv.TextOut(cx + 5, 4 * q - th - th / 2, minusRText);
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

void ContourFigure::DrawLevelLines(RunState& s, const PlaneJ& J) {
    // Lets the waiting text written at creation appear before the long scan.
    s.Host->ProcessEvents();

    FigureCanvas cv(image_, canvas_);
    CanvasState& st = canvas_;
    PlaneEvaluationScope scope(s);
    const int32_t savedN = scope.SavedN();
    const FunctionId code = s.FunctionCode;
    const FunctionTraits& function = Traits(code);
    const int width = image_.width();
    const int height = image_.height();

    const PlaneFrame frame = PlaneFrameFor(width, s.U0.at(1), s.U0.at(2), code);
    PlaneRange = frame.range;
    PlaneScale = frame.scale;
    MarkerRadius = 4;

    st.BrushColour = clFigBack;
    st.BrushSolid = true;
    st.PenWidth = 1;
    cv.FillRect(0, 0, width, height);
    st.Style = PenStyle::Solid;
    st.PenWidth = 1;

    FigCentreX = frame.centreX;
    FigCentreY = frame.centreY;
    DrawAxes(cv);
    if (savedN > 2) DrawTitle(cv);

    const Real range = PlaneRange;
    s.U[1] = (-PlaneRange) / 2;
    s.U[2] = 0;
    if (!function.fromFiles) s.Quad.QuadC = 0;
    const Real quadC = s.Quad.QuadC;
    LevelStep = LevelStepFor(J(s.U), quadC, code);

    const double h = static_cast<double>(static_cast<Real>(2 * PlaneRange) / static_cast<Real>(width));
    const Real hReal = h;
    const int LineLift = static_cast<int>(std::trunc(static_cast<Real>(height) * 0.004L));

    CrossingTable CrossingRows(width);
    GridValues planeJ(width);
    LabelMemory labels;
    // The level numbers of the design are in Arial, whose metrics the
    // figure's own sans serif has.
    const QFont numberFont = FigureFont(QString());
    for (int k = 1; k <= LevelCount; ++k) {
        st.PenColour = clLevelLine;
        const double level = LevelValue(quadC, LevelStep, k);
        const Real levelReal = level;
        const auto placeU = [&](int c, int r) {
            s.U[1] = static_cast<Real>(c) * hReal - range;
            s.U[2] = range - static_cast<Real>(r) * hReal;
        };
        int lastC = 0, lastR = 0;
        ScanCrossings(CrossingRows, [&](int c, int r) -> Real {
            lastC = c;
            lastR = r;
            return planeJ.At(c, r, [&] { placeU(c, r); return J(s.U); }) - levelReal;
        });
        // s.U ends on the last point asked for, also when its J was kept.
        placeU(lastC, lastR);
        for (const LineSegment& seg : TrackSegments(CrossingRows, LineLift)) cv.Line(seg.x0, seg.y0, seg.x1, seg.y1);
        for (const LineSegment& seg : JoinSegments(CrossingRows, LineLift)) cv.Line(seg.x0, seg.y0, seg.x1, seg.y1);

        if (savedN == 2) {
            st.Style = PenStyle::Solid;
            st.PenWidth = 1;
            st.FontColour = st.PenColour;
            st.Font = numberFont;
            const QString text = Q(LevelNumberText(level));
            LabelMetrics m;
            m.textWidth = cv.TextWidth(text);
            m.textHeight = cv.TextHeight(text);
            m.wideWidth = cv.TextWidth(QStringLiteral("000000000"));
            m.zeroHeight = cv.TextHeight(QStringLiteral("0"));
            PixelPos at;
            if (PlaceLevelNumber(CrossingRows, k, height, m, labels, at)) {
                cv.TextOut(at.x, at.y, text);
                RememberLevelNumber(labels, k, at, m.textWidth);
            }
        }
        DrawSaddles(cv, code);
    }
    scope.Restore();

    if (UStarKnown(s) && s.UStar.size() >= 3) {
        st.BrushSolid = true;
        st.BrushColour = clOptimalPoint;
        st.PenColour = clOptimalPoint;
        const PixelPos p = PointFormPixelClamped(s.UStar[1], s.UStar[2], PlaneScale, FigCentreX, FigCentreY);
        DrawEllipse(cv, BoxAround(p, 4));
    }

    const PixelPos p0 = PointFormPixelClamped(s.U0[1], s.U0[2], PlaneScale, FigCentreX, FigCentreY);
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
