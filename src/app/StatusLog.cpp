// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StatusLog.h"

QString FormatLogLine(const QTime& time, const QString& text, const QString& lineEnd)
{
    return time.toString(QStringLiteral("HH:mm:ss")) + QLatin1Char(' ') + text + lineEnd;
}

void StatusLogBuffer::clear()
{
    m_lines.clear();
    m_chars = 0;
}

QString StatusLogBuffer::text() const
{
    QString all;
    all.reserve(m_chars);
    for (auto it = m_lines.rbegin(); it != m_lines.rend(); ++it)
        all += *it;
    return all;
}
