// The views of an ended run beside its report: the replay bar that moves
// along the path from the run's rows, and the convergence view that the
// tabs "Level lines" / "Convergence" put in the figure's place.
#include <QPushButton>
#include <QTabBar>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "chart/convergence_chart.h"
#include "figure/compare_overlay.h"
#include "figure/figure_geometry.h"
#include "ui/compare_controller.h"
#include "ui/convergence_view.h"
#include "ui/figure_panel.h"
#include "ui/figure_widget.h"
#include "ui/main_window.h"
#include "ui/replay_bar.h"
#include "ui/run_buttons.h"

namespace tarvik::ui {

void TMainForm::ShowReplayBar() {
    // Only an ended run that is still shown has a replay.
    if (ImageContours == nullptr || state_.Running || stepping_ || PanelRunButtons->BtnClear->isHidden()) return;
    replayTrack_.clear();
    replayPixels_.clear();
    replayColours_.clear();
    const PlaneFrame f = ImageContours->Figure().Frame();
    const auto pixel = [&f](Real u1, Real u2) {
        const PixelPos p = PointFormPixelClamped(u1, u2, f.scale, f.centreX, f.centreY);
        return QPoint(p.x, p.y);
    };
    int count = 0;
    if (compare_->HasTable()) {
        for (std::size_t i = 0; i < compare_->Rows().size(); ++i) {
            std::vector<QPoint> pixels;
            for (const auto& [u1, u2] : compare_->Rows()[i].path) pixels.push_back(pixel(u1, u2));
            count = std::max(count, static_cast<int>(pixels.size()));
            replayPixels_.push_back(std::move(pixels));
            replayColours_.push_back(QColor::fromRgb(ComparePathColour(static_cast<int>(i))));
        }
    } else {
        replayTrack_ = ReplayTrack(driver_.Trace());
        std::vector<QPoint> pixels;
        for (const ReplayPoint& r : replayTrack_) pixels.push_back(pixel(r.u1, r.u2));
        count = static_cast<int>(pixels.size());
        replayPixels_.push_back(std::move(pixels));
        replayColours_.push_back(QColor::fromRgb(static_cast<QRgb>(clTrajectory)));
    }
    if (count < 2) return;
    ReplayBar1->Reset(count);
    ReplayBar1->SetPositionText(QString());
    const int height = std::max(ReplayBar1->sizeHint().height(), TabViews->sizeHint().height());
    const int tabsWidth = TabViews->sizeHint().width();
    const int top = PanelContours->height() - height - 2;
    ReplayBar1->setGeometry(2, top, PanelContours->width() - 4 - tabsWidth, height);
    TabViews->setGeometry(PanelContours->width() - 2 - tabsWidth, top, tabsWidth, height);
    ConvergenceView1->setGeometry(2, 2, PanelContours->width() - 4, top - 4);
    ReplayBar1->show();
    ReplayBar1->raise();

    std::vector<ConvergenceView::Run> runs;
    std::optional<Real> jStar = knownMinimum_;
    if (compare_->HasTable()) {
        runs = compare_->ConvergenceRuns();
        jStar = compare_->KnownMinimum();
    } else {
        runs.push_back({state_.MethodName, -1, ThinnedRows(driver_.Trace(), ConvergencePlotBuilder::MaxPoints)});
    }
    const std::string title = state_.FunctionName.find("n=") != std::string::npos
                                  ? state_.FunctionName
                                  : state_.FunctionName + ", n = " + std::to_string(state_.N);
    ConvergenceView1->SetRuns(std::move(runs), jStar, state_.Choices.ByChangeOfJ ? 2 : 1, title);
    TabViews->setCurrentIndex(0);
    TabViews->show();
    TabViews->raise();
}

void TMainForm::ViewTabChanged(int tab) {
    const bool chart = tab == 1;
    if (ImageContours != nullptr) ImageContours->setVisible(!chart);
    ReplayBar1->setVisible(!chart && TabViews->isVisible());
    ConvergenceView1->setVisible(chart);
    if (chart) ConvergenceView1->raise();
}

void TMainForm::SavePlotClicked() {
    static const QStringList filters{QStringLiteral("PNG image (*.png)"), QStringLiteral("SVG image (*.svg)")};
    static const QStringList suffixes{QStringLiteral("png"), QStringLiteral("svg")};
    int filter = 0;
    const QString path = dialogs_->SaveFile(this, QStringLiteral("Save the plot"), StartDir,
                                            QStringLiteral("convergence.png"), filters, filter, suffixes);
    if (path.isEmpty()) return;
    try {
        SaveConvergencePlot(ConvergenceView1->Plot(), path.toStdString(),
                            path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) ? 's' : 'p');
    } catch (const std::exception& e) {
        host_.ShowError(e.what());
    }
}

void TMainForm::HideReplayBar() {
    if (ReplayBar1 == nullptr) return;
    ReplayBar1->Reset(0);
    ReplayBar1->hide();
    TabViews->hide();
    TabViews->setCurrentIndex(0);
    ConvergenceView1->hide();
    ConvergenceView1->SetRuns({}, std::nullopt, 1, std::string());
    if (ImageContours != nullptr) ImageContours->EndReplay();
}

void TMainForm::ReplayMoved(int position) {
    if (ImageContours == nullptr) return;
    std::vector<FigureWidget::ReplayPath> paths;
    for (std::size_t i = 0; i < replayPixels_.size(); ++i) paths.push_back({replayPixels_[i], replayColours_[i]});
    ImageContours->ShowReplay(paths, position);
    const auto number = [](Real v) { return std::isnan(v) ? QStringLiteral("-") : QString::number(static_cast<double>(v), 'g', 4); };
    QString text;
    if (replayTrack_.empty()) {
        // Compared runs move together by iteration; one that has ended stays at its end.
        text = QStringLiteral(" Iteration %1").arg(position);
    } else {
        const ReplayPoint& r = replayTrack_[static_cast<std::size_t>(position)];
        text = QStringLiteral(" k=%1  J=%2  ||gradJ||=%3  step=%4  accuracy=%5")
                   .arg(r.iteration)
                   .arg(number(r.j), number(r.gradNorm), number(r.stepLength), number(r.accuracy));
    }
    SetStatusText(text);
    ReplayBar1->SetPositionText(QStringLiteral("k=%1").arg(replayTrack_.empty() ? position : replayTrack_[static_cast<std::size_t>(position)].iteration));
}

} // namespace tarvik::ui
