// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The box's side of the command set: which letters it takes, and the reading
// of them off the line, a letter and then the value bytes it takes.

#include "StoredValues.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

class QTimer;

// A command that stores values: its letter, where its bytes go in the value
// block, and how many follow the letter.
struct WriteCommand {
    char letter;
    StoredValues::Offset offset;
    int valueBytes;
};

inline constexpr WriteCommand kWriteCommands[] = {
    {.letter = 'r', .offset = StoredValues::Channel, .valueBytes = 1},
    {.letter = 's', .offset = StoredValues::SpeakerVolume, .valueBytes = 1},
    {.letter = 't', .offset = StoredValues::IsdVolume, .valueBytes = 1},
    {.letter = 'u', .offset = StoredValues::ProfileHigh, .valueBytes = 2},
    {.letter = 'v', .offset = StoredValues::CallCycles, .valueBytes = 1},
    {.letter = 'w', .offset = StoredValues::CycleDelay, .valueBytes = 1},
    {.letter = 'x', .offset = StoredValues::RadioVolume, .valueBytes = 1},
    {.letter = 'z', .offset = StoredValues::LedPattern, .valueBytes = 1},
};

// The box's own bytes, apart from the programmer's names for them.
namespace BoxBytes {
inline constexpr quint8 kAck = 0x06;
inline constexpr char kQuery = 'q';
inline constexpr char kStop = 'd';
}  // namespace BoxBytes

const WriteCommand* writeCommandOf(char letter);  // nullptr for any other letter
bool isRecordCommand(char letter);                // 'A', 'B' or 'F'

class CommandReader : public QObject {
    Q_OBJECT
public:
    struct Command {
        char letter = 0;
        QByteArray values;
    };
    // What one byte off the line did.
    struct Step {
        bool letter = false;  // began a command: a write, a query or a recording
        bool stop = false;    // a stop character between commands
        std::optional<Command> whole{};  // a command that has all its value bytes
    };

    explicit CommandReader(QObject* parent = nullptr);

    Step read(quint8 byte);
    void reset();  // forgets a command still waiting for its value bytes

signals:
    void note(const QString& text);

private:
    QTimer* m_partialTimer;
    const WriteCommand* m_waiting = nullptr;
    QByteArray m_values;
};
