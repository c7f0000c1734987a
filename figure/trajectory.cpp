// The descent trajectory on the figure: one segment per iteration (or per
// sub-iteration of the collinear-gradients methods), markers at the points
// and short lines along the gradient direction.
#include "core/method_catalogue.h"
#include "figure/contour_figure.h"

namespace tarvik {

namespace {

Real ComponentOf(const MyArray1& v, std::size_t i) { return i < v.size() ? v[i] : 0.0L; }

int32_t Saturate(int64_t v) {
    if (v < INT32_MIN) return INT32_MIN;
    if (v > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(v);
}

} // namespace

// The points mapped here are those CheckTrajectoryStep maps for the runs
// that paint nothing; a point added here belongs there too.
PixelPos ContourFigure::TrajectoryPixel(RunState& s, Real u1, Real u2) const {
    return tarvik::TrajectoryPixel(s, PlaneFrame{PlaneRange, PlaneScale, FigCentreX, FigCentreY}, u1, u2);
}

void ContourFigure::DrawMarker(FigureCanvas& cv, PixelPos p) {
    DrawEllipse(cv, BoxAround(p, MarkerRadius));
}

void ContourFigure::DrawOrtLine(FigureCanvas& cv, PixelPos p, Real a, Real b, Real norm) {
    const Real r = MarkerRadius;
    // With r = 3 an ort in the plane is 18 pixels long; a gradient with
    // other components projects shorter.
    const int64_t dx = TruncClamped(a / norm * r * 6);
    const int64_t dy = TruncClamped(b / norm * r * 6);
    cv.Line(Saturate(p.x + dx), Saturate(p.y - dy), p.x, p.y);
}

void ContourFigure::DrawOrt(FigureCanvas& cv, const RunState& s, PixelPos p, Real a, Real b, Real norm) {
    cv.State().PenColour = clOrt;
    DrawOrtLine(cv, p, a, b, norm);
    cv.State().PenColour = s.SegmentColour;
}

void ContourFigure::DrawPrevOrt(FigureCanvas& cv, const RunState& s, PixelPos p) {
    // A substitute step shows its gradient line in the step's own colour.
    if (s.SegmentColour != clSteepestStep && s.SegmentColour != clNoHessianUpdate) cv.State().PenColour = clOrt;
    DrawOrtLine(cv, p, ComponentOf(s.GradJPrev, 1), ComponentOf(s.GradJPrev, 2), s.GradNormPrev);
    cv.State().PenColour = s.SegmentColour;
}

void ContourFigure::DrawTrajectoryStep(RunState& s) {
    FigureCanvas cv(image_, canvas_);
    CanvasState& st = canvas_;
    const bool collinear = IsCollinear(Traits(s.MethodCode));

    const CollinearState& base = s.Collinear;
    if (collinear && s.SubIterCount == 1) {
        CurPixel = TrajectoryPixel(s, ComponentOf(base.ub, 1), ComponentOf(base.ub, 2));
        // The delta-vicinity where the search for a descent direction
        // starts. Its dotted pen and clear brush stay for the rest of the
        // figure, so later markers are rings until the final one.
        st.BrushSolid = false;
        st.PenColour = clDeltaVicinity;
        st.Style = PenStyle::Dot;
        const int d = TruncClamped(s.CollDelta * PlaneScale);
        DrawEllipse(cv, BoxAround(CurPixel, d));
        st.BrushColour = clSubIter;
        st.PenColour = clSubIter;
        if (s.IterCount == 0 && s.RedrawTrajectory && base.gbNorm != 0)
            DrawOrt(cv, s, CurPixel, ComponentOf(base.gb, 1), ComponentOf(base.gb, 2), base.gbNorm);
        if (s.ShowSubIterPoints) {
            if (s.RedrawTrajectory && base.gbNorm != 0)
                DrawOrt(cv, s, CurPixel, ComponentOf(base.gb, 1), ComponentOf(base.gb, 2), base.gbNorm);
            DrawMarker(cv, TrajectoryPixel(s, ComponentOf(s.U, 1), ComponentOf(s.U, 2)));
        }
    }

    st.PenColour = s.SegmentColour;
    st.BrushColour = s.SegmentColour;

    NewPixel = TrajectoryPixel(s, ComponentOf(s.U, 1), ComponentOf(s.U, 2));
    if (!s.RedrawTrajectory) CurPixel = PrevPixel;

    if (!collinear) {
        cv.Line(CurPixel.x, CurPixel.y, NewPixel.x, NewPixel.y);
    } else if (s.IterationComplete) {
        const PixelPos start = TrajectoryPixel(s, ComponentOf(base.ub, 1), ComponentOf(base.ub, 2));
        cv.Line(start.x, start.y, NewPixel.x, NewPixel.y);
    }

    if (!collinear) {
        if (s.RedrawTrajectory && s.GradNormPrev != 0) DrawPrevOrt(cv, s, CurPixel);
        if (s.RedrawTrajectory) {
            if (s.IterCount == 1) {
                // The start point again, now small, over its ort line.
                st.BrushColour = clInitialPoint;
                st.PenColour = clInitialPoint;
            }
            DrawMarker(cv, CurPixel);
        }
    } else {
        if (!s.ShowSubIterPoints && (s.SegmentColour == clTrajectory || s.SegmentColour == clAngleStep)) {
            if (s.RedrawTrajectory && s.GradNorm != 0 && s.SegmentColour != clAngleStep)
                DrawOrt(cv, s, NewPixel, ComponentOf(s.GradJ, 1), ComponentOf(s.GradJ, 2), s.GradNorm);
            DrawMarker(cv, NewPixel);
        }
        if (s.ShowSubIterPoints && s.SubIterCount > 1) {
            if (s.RedrawTrajectory && s.GradNormPrev != 0) DrawPrevOrt(cv, s, CurPixel);
            DrawMarker(cv, NewPixel);
        }
    }

    if (!(s.ContinueRun != 0 && s.GradNorm != 0 && s.Step != 0)) {
        st.BrushSolid = true;
        st.BrushColour = clFinalPoint;
        st.PenColour = clFinalRim;
        DrawMarker(cv, NewPixel);
    }

    PrevPixel = CurPixel;
    CurPixel = NewPixel;
    s.SegmentColour = clTrajectory;
}

} // namespace tarvik
