// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The base of the window tests: the real window, loaded as at start-up with no
// real port in reach (a simulated box's ports where a SimHarness is in place,
// else none at all), its status log read as it grows, and an Exit nobody asked
// for stopping the test (the window's own Exit would end the process as if
// every test had passed).
//
// It brings what a test of the window reaches for: the window's widgets, and
// all of Qt Core and Qt Test.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "NoPorts.h"
#include "WaitFor.h"
#include "app/FolderList.h"
#include "app/Form1.h"

// What ends a message directory as the window holds it.
inline const QString kSep = QDir::separator();

// A status log line as it was added, with the reader's clock at that moment.
struct TimedLine {
    QString raw;   // "HH:MM:SS text" + line end
    QString text;  // the text alone
    double ms = 0;
};

// Every line the window logs, oldest first, as LogObserver hands it over.
class LogReader {
public:
    explicit LogReader(Form1& form)
    {
        form.LogObserver = [this, &form](const QString& line) {
            m_lines.push_back({line, line.mid(9).chopped(form.LineEnd.size()), clock ? clock() : 0});
            if (onLine)
                onLine(m_lines.back());
        };
    }
    const std::vector<TimedLine>& lines() const { return m_lines; }
    // The lines logged since mark(), and their texts, oldest first.
    std::span<const TimedLine> sinceMark() const { return std::span(m_lines).subspan(m_marked); }
    QStringList texts() const
    {
        QStringList out;
        for (const TimedLine& line : sinceMark())
            out << line.text;
        return out;
    }
    void mark() { m_marked = m_lines.size(); }

    std::function<double()> clock;                 // stamps TimedLine::ms
    std::function<void(const TimedLine&)> onLine;  // called with each new line

private:
    std::vector<TimedLine> m_lines;
    size_t m_marked = 0;
};

// Loaded as at start-up; then, if given, `port` chosen over what the scan found.
class LoadedForm : public Form1 {
public:
    explicit LoadedForm(std::optional<int> port = std::nullopt)
    {
        if (!NoPorts::inPlace())
            m_noPorts.emplace();
        ExitProgram = [] { qFatal("the program tried to exit during a test"); };
        Form_Load();
        log.mark();
        if (port)
            CommPortNumber = qint16(*port);
    }
    LogReader log{*this};  // marked once loaded

    // Whether MsgDir becomes `dir`, as Timer1 takes the directory box's text
    // into it on its next tick.
    bool msgDirBecomes(const QString& dir) { return waitFor([&] { return MsgDir == dir; }, 2000); }

private:
    std::optional<NoPorts> m_noPorts;
};

// All the log's texts, newest first.
inline QStringList logTexts(const LoadedForm& form)
{
    QStringList texts;
    for (const TimedLine& line : form.log.lines())
        texts.prepend(line.text);
    return texts;
}
