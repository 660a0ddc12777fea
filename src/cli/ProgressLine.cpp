#include "ProgressLine.h"

#include "io/Terminal.h"

#include <algorithm>

namespace tovrel::cli {

ProgressLine::ProgressLine(QTextStream &err) : m_err(err), m_enabled(errorStreamIsTerminal()) {}

void ProgressLine::file(const QString &text, qint64 maximum)
{
    m_text = text;
    m_maximum = maximum;
    draw();
}

void ProgressLine::step(qint64 done)
{
    m_done = done;
    draw();
}

void ProgressLine::clear()
{
    if (m_enabled && m_drawn)
        m_err << "\r\x1b[K";
    m_err.flush();
    m_drawn = false;
}

void ProgressLine::draw()
{
    if (!m_enabled)
        return;
    const int percent = m_maximum > 0 ? int(std::min<qint64>(m_done * 100 / m_maximum, 100)) : 0;
    const int filled = percent * 30 / 100;
    m_err << '\r' << '[' << QString(filled, QLatin1Char('#'))
          << QString(30 - filled, QLatin1Char('.')) << "] " << qSetFieldWidth(3) << percent
          << qSetFieldWidth(0) << "% " << m_text.left(50) << "\x1b[K";
    m_err.flush();
    m_drawn = true;
}

} // namespace tovrel::cli
