#pragma once
// The output pane: the run's report, line by line, read-only and unwrapped,
// with both scroll bars; Save as writes its lines.
#include <QPlainTextEdit>
#include <string>
#include <vector>

namespace tarvik::ui {

class OutputPane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit OutputPane(QWidget* parent);

    void AppendLine(const QString& line) { appendPlainText(line); }
    // The pane's lines as a file keeps them; an empty pane has none.
    std::vector<std::string> Lines() const;
    // The pane reaches from top down to three pixels above bottom, at its
    // own left edge and width.
    void Span(int top, int bottom);
};

} // namespace tarvik::ui
