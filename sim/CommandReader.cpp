// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandReader.h"

#include <QTimer>

namespace {

// A command whose value bytes do not follow within this time is dropped, so a
// stray letter cannot swallow the next command.
constexpr int kPartialCommandMs = 1000;

}  // namespace

const WriteCommand* writeCommandOf(char letter)
{
    for (const WriteCommand& c : kWriteCommands)
        if (c.letter == letter)
            return &c;
    return nullptr;
}

bool isRecordCommand(char letter) { return letter == 'A' || letter == 'B' || letter == 'F'; }

CommandReader::CommandReader(QObject* parent) : QObject(parent), m_partialTimer(new QTimer(this))
{
    m_partialTimer->setSingleShot(true);
    connect(m_partialTimer, &QTimer::timeout, this, [this] {
        emit note(QStringLiteral("command '%1' dropped: value bytes missing").arg(QLatin1Char(m_waiting->letter)));
        m_waiting = nullptr;
    });
}

CommandReader::Step CommandReader::read(quint8 byte)
{
    if (m_waiting) {
        m_values.append(static_cast<char>(byte));
        if (m_values.size() < m_waiting->valueBytes)
            return {};
        m_partialTimer->stop();
        const char letter = m_waiting->letter;
        m_waiting = nullptr;
        return {.whole = Command{letter, m_values}};
    }
    const char letter = static_cast<char>(byte);
    if (const WriteCommand* write = writeCommandOf(letter)) {
        m_waiting = write;
        m_values.clear();
        m_partialTimer->start(kPartialCommandMs);
        return {.letter = true};
    }
    if (letter == BoxBytes::kQuery || isRecordCommand(letter))
        return {.letter = true, .whole = Command{letter, {}}};
    // Anything else is not a command of this box.
    return {.stop = byte == BoxBytes::kStop};
}

void CommandReader::reset()
{
    m_partialTimer->stop();
    m_waiting = nullptr;
}
