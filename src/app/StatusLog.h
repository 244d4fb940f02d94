// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status log: time-stamped lines, newest first. Lines are kept in the order
// they came so that adding one costs the same however long the log has grown;
// the newest-first text is built only when somebody asks for all of it.

#include <QString>
#include <QTime>
#include <vector>

// "HH:MM:SS" + one blank + text + lineEnd, on a 24-hour clock.
QString FormatLogLine(const QTime& time, const QString& text, const QString& lineEnd);

class StatusLogBuffer {
public:
    void clear();
    void add(const QString& line) { m_lines.push_back(line); m_chars += line.size(); }
    qsizetype lineCount() const { return qsizetype(m_lines.size()); }
    // The n-th newest line (0 is the newest).
    const QString& newest(qsizetype n) const { return m_lines[m_lines.size() - 1 - size_t(n)]; }
    // The whole log, newest line first.
    QString text() const;

private:
    std::vector<QString> m_lines;
    qsizetype m_chars = 0;
};
