#include "ui/output_pane.h"

#include <QTextDocument>

namespace tarvik::ui {

OutputPane::OutputPane(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("RichEditOut"));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setReadOnly(true);
    setUndoRedoEnabled(false);
    // The pane's lines were measured for a rich edit with an inset of one
    // pixel; Qt's default margin of four cut the end of the longest ones.
    document()->setDocumentMargin(1);
}

std::vector<std::string> OutputPane::Lines() const {
    std::vector<std::string> lines;
    if (!document()->isEmpty())
        for (const QString& line : toPlainText().split(QLatin1Char('\n'))) lines.push_back(line.toStdString());
    return lines;
}

void OutputPane::Span(int top, int bottom) { setGeometry(x(), top, width(), bottom - top - 3); }

} // namespace tarvik::ui
