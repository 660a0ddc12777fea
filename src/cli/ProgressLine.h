#pragma once

#include <QString>
#include <QTextStream>

// The progress bar of the commands that run long (convert, device upload): one line on stderr
// redrawn in place, drawn only when stderr is a terminal. It shows a bar, the percentage and a
// short text (the file in hand).
namespace tovrel::cli {

class ProgressLine
{
public:
    explicit ProgressLine(QTextStream &err);

    // The text shown and the count that fills the bar (the count done so far stays).
    void file(const QString &text, qint64 maximum);
    // How much of it is done.
    void step(qint64 done);
    // Takes the bar off the line, so other output starts on a clean line.
    void clear();

private:
    void draw();

    QTextStream &m_err;
    bool m_enabled;
    bool m_drawn = false;
    QString m_text;
    qint64 m_maximum = 0;
    qint64 m_done = 0;
};

} // namespace tovrel::cli
