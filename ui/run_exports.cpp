// What a run leaves besides the report: the iterations of a single run as
// CSV ("Export trace"), and the table of a comparison ("Save as"), each CSV
// with the run's description beside it as JSON.
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/atomic_file.h"
#include "app/compare_run.h"
#include "app/report_file.h"
#include "app/run_description.h"
#include "ui/compare_controller.h"
#include "ui/main_window.h"
#include "ui/window_dialogs.h"

namespace tarvik::ui {

namespace {

const QString kDone = QStringLiteral("Done.wav");

void ThrowCannotWrite(const QString& path, const std::string& reason) {
    throw std::runtime_error("Cannot write file " + path.toStdString() + ": " + reason);
}

} // namespace

void TMainForm::BtnExportTraceClick() {
    Guarded([this] {
        const RunTrace& trace = driver_.Trace();
        if (trace.Empty()) return;
        PlayIfSoundOn(kDone);
        int filter = 0;
        const QString path = dialogs_->SaveFile(this, QStringLiteral("Export trace"), StartDir,
                                                QStringLiteral("trace.csv"), {QStringLiteral("CSV file (*.csv)")},
                                                filter, {QStringLiteral("csv")});
        if (path.isEmpty()) return;
        std::string error;
        if (!trace.WriteCsv(path.toStdString(), error)) ThrowCannotWrite(path, error);
        // The window asks at each failure: the description lists the answers.
        if (const auto failure = WriteDescriptionBeside(path.toStdString(), driver_.Description()))
            throw std::runtime_error(*failure);
        // Row 0 is the starting point; an iteration cut short by an error
        // has no row of its own.
        const int64_t iterations = static_cast<int64_t>(state_.IterCount) + 1;
        if (trace.RowCount() < iterations)
            host_.ShowInfo("The trace holds " + std::to_string(trace.RowCount()) + " rows for the starting point and " +
                           std::to_string(state_.IterCount) + " iterations: the last iteration did not complete.");
    });
}

void TMainForm::SaveComparisonAs() {
    static const QStringList filters{QStringLiteral("CSV file (*.csv)"), QStringLiteral("Text file (*.txt)")};
    static const QStringList suffixes{QStringLiteral("csv"), QStringLiteral("txt")};
    PlayIfSoundOn(kDone);
    int filter = 0;
    const QString path = dialogs_->SaveFile(this, QStringLiteral("Save as..."), StartDir, QStringLiteral("compare.csv"),
                                            filters, filter, suffixes);
    PlayIfSoundOn(kDone);
    if (path.isEmpty()) return;
    const bool csv = filter == 0 || QFileInfo(path).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0;
    if (csv) {
        const std::string text = FormatCompareCsv(compare_->Rows());
        if (const int failure = ReplaceFileContents(path.toStdString(), text)) ThrowCannotWrite(path, SystemErrorText(failure));
        if (compare_->Description().n > 0)
            if (const auto failure = WriteDescriptionBeside(path.toStdString(), compare_->Description()))
                throw std::runtime_error(*failure);
    } else {
        WriteReportFile(path.toStdString(), RichEditOut->Lines());
    }
    // Unlike a single run's report, the table may be wanted as CSV and as
    // text: Save as stays until Clear.
}

} // namespace tarvik::ui
