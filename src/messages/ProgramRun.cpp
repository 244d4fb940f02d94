// SPDX-License-Identifier: GPL-3.0-or-later
// PROGRAM MESSAGES: checks that the call box answers, then records each ticked
// message into it in turn: the record command, the sound file played over the
// audio path, and Timer1's stop characters once the file's time has passed.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "app/Form1.h"
#include "app/MessageBox.h"
#include "link/Protocol.h"
#include "messages/MessageSlots.h"
#include "messages/MessageTiming.h"
#include "messages/SoundDecoding.h"
#include "messages/SoundOutput.h"

namespace {

const QColor kProgrammingColour(0, 255, 0);
// How long a sound system may take to open an output.
constexpr qint64 kOpenMs = 3000;

void setBoxBackground(QCheckBox* box, const QColor& colour)
{
    // A button's background is painted in its Button role, not Window.
    QPalette palette = box->palette();
    palette.setColor(box->backgroundRole(), colour);
    box->setPalette(palette);
    box->setAutoFillBackground(true);
}

QColor buttonFace()
{
    return QApplication::palette().color(QPalette::Button);
}

QString capitalized(const QString& text)
{
    return text.left(1).toUpper() + text.mid(1);
}

QString lengthCaption(double seconds)
{
    return QStringLiteral("Length: ") + FormatSeconds(seconds);
}

// Lets the window go on until `done` holds, or `timeoutMs` have passed.
bool yieldUntil(Form1& f, const std::function<bool()>& done, qint64 timeoutMs = -1)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (timeoutMs >= 0 && waited.elapsed() >= timeoutMs)
            return false;
        f.YieldOnce();
    }
    return true;
}

// Runs `job` on a thread of its own while the window goes on: a long file
// takes a moment to decode, and the window must not stall meanwhile.
template <typename Job>
auto aside(Form1& f, Job job)
{
    std::optional<decltype(job())> result;
    std::atomic<bool> finished = false;
    std::thread worker([&] {
        result.emplace(job());
        finished = true;
        QMetaObject::invokeMethod(qApp, [] {}, Qt::QueuedConnection);  // wakes the loop
    });
    yieldUntil(f, [&] { return finished.load(); });
    worker.join();
    return std::move(*result);
}

class SlotRun {
public:
    SlotRun(Form1& form, const MessageSlot& slot) : f(form), s(slot) {}

    // True when the message was recorded; false ends the run.
    bool program()
    {
        f.LockForMessage();
        path = f.MsgDir + f.*s.fileName;
        std::optional<MessageTime> time = measure();
        if (!time)
            return false;
        setBoxBackground(box(), kProgrammingColour);
        if (!f.SendCommandWithAck(s.command, QByteArray(), 0, QString::fromLatin1(s.what))) {
            f.Player->close();
            return fail();
        }
        record(time->recordLimit);

        // A line that went away during the recording took the stop characters
        // with it: the box was never told to stop, so this is no success. A
        // sound output that failed while the message played left the box a
        // cut message: no success either.
        if (f.MSComm1.deviceLost())
            return fail();
        if (f.Player->state() == SoundOutput::State::Failed) {
            qWarning("%s: the sound output failed while the message played: %s", s.what,
                     qUtf8Printable(f.Player->trouble().why));
            return fail();
        }
        restoreButton();
        f.LogFile(QString::fromLatin1(s.success) + path);
        f.TickWait(Ticks::kAfterMessage);
        return true;
    }

private:
    // The file measured and its sound output opened: a file that went away
    // since its box was ticked, one too long for the tick count, one that
    // holds no sound that can be played, or no sound output at all is refused
    // before the call box is told to record, as otherwise the box would record
    // silence over its stored message, or never be told to stop.
    std::optional<MessageTime> measure()
    {
        const QFileInfo info(path);
        if (!info.isFile() || !info.isReadable())
            return refuse(QStringLiteral("File Not Found: ") + path, QStringLiteral("File Not Found"));
        f.*s.size = double(info.size());
        QString problem;
        // The sound is decoded once, to its end, to find how long it plays:
        // on a thread of its own, as a long file takes a moment.
        const std::optional<SoundFile> file =
            aside(f, [&] { return ReadSoundFile(path, kLongestSoundSeconds, &problem); });
        if (!file)
            return notPlayable(problem);
        const MessageTime time = TimeOfMessage(f.*s.size, *file);
        f.*s.seconds = time.seconds;
        label()->setText(lengthCaption(f.*s.seconds));
        label()->show();
        if (time.recordLimit > kMaxRecordLimit || !file->sound)
            return refuse(QStringLiteral("File Too Long: ") + path, QStringLiteral("File Too Long"));
        if (!soundOutputReady(file->sound))
            return outputRefused(f.Player->state() == SoundOutput::State::Opening
                                     ? SoundOutput::Trouble{SoundOutput::Fault::NoOutput,
                                                            QStringLiteral("the sound system did not answer in time")}
                                     : f.Player->trouble());
        return time;
    }

    // The sound output cannot play the message so that the box hears it.
    std::optional<MessageTime> outputRefused(const SoundOutput::Trouble& trouble)
    {
        f.Player->close();
        const QString why = trouble.why.isEmpty() ? QString() : QStringLiteral(" (") + trouble.why + QStringLiteral(")");
        switch (trouble.fault) {
        case SoundOutput::Fault::Unplayable:
            return notPlayable(trouble.why);
        case SoundOutput::Fault::Silenced:
            return refuse(QStringLiteral("Sound Output Silent: ") + path + QStringLiteral("\n") +
                              capitalized(trouble.why) +
                              QStringLiteral(", so the call box would record silence over its "
                                             "message. Unmute the sound output, or raise its "
                                             "volume, then program again."),
                          QStringLiteral("Sound Output Silent"));
        default:
            return refuse(QStringLiteral("No Sound Output: the PC has no sound output device to "
                                         "play ") + path + QStringLiteral(" to the call box") + why +
                              QStringLiteral(". Check that its sound output is connected, switched "
                                             "on and enabled, and that the sound system is running."),
                          QStringLiteral("No Sound Output"));
        }
    }

    // The 300 ms lead-in, then the sound played while Timer1 counts the
    // recording to its end; this loop only shows the count.
    void record(qint32 recordLimit)
    {
        f.TickWait(Ticks::kBeforePlayback);
        f.RecordTicks = 0;
        f.RecordLimit = recordLimit;
        f.Recording = kTrue;
        f.Player->play();
        while (f.Recording != kFalse) {
            f.YieldOnce();
            label()->setText(lengthCaption(f.*s.seconds) + QStringLiteral("  Timer: ") +
                             QLatin1Char(' ') + QString::number(f.RecordTicks));
        }
    }

    std::optional<MessageTime> notPlayable(const QString& problem)
    {
        return refuse(QStringLiteral("Sound File Not Playable: ") + path + QStringLiteral("\n") +
                          capitalized(problem) +
                          QStringLiteral(". Check that it is a sound file such as a WAV file "
                                         "(the call box's own format is 16-bit mono at "
                                         "11025 Hz)."),
                      QStringLiteral("Sound File Not Playable"));
    }

    QCheckBox* box() const { return f.*s.box; }
    QLabel* label() const { return f.*s.lengthLabel; }

    void restoreButton()
    {
        setBoxBackground(box(), buttonFace());
        f.UnlockAfterMessage();
    }

    bool fail()
    {
        f.TickCountdown = 0;
        restoreButton();
        f.LogFile(FailureLine(QString::fromLatin1(s.failed)));
        return false;
    }

    // Opens the sound output for this message and waits (the window going
    // on) until it can play, or not; a sound system that doesn't answer
    // within the time counts as none.
    bool soundOutputReady(const std::shared_ptr<SoundStream>& sound)
    {
        f.Player->open(sound);
        yieldUntil(f, [this] { return f.Player->state() != SoundOutput::State::Opening; }, kOpenMs);
        return f.Player->state() == SoundOutput::State::Ready;
    }

    std::nullopt_t refuse(const QString& prompt, const QString& title)
    {
        fail();
        ShowWarning(&f, prompt, title);
        return std::nullopt;
    }

    Form1& f;
    const MessageSlot& s;
    QString path;
};

}  // namespace

void Form1::Command3_Click()
{
    if (!BeginDeviceOperation())
        return;
    if (std::none_of(std::begin(kMessageSlots), std::end(kMessageSlots),
                     [this](const MessageSlot& slot) { return (this->*slot.box)->isChecked(); })) {
        LogFile(QStringLiteral("No Message Selected"));
        ShowWarning(this, QStringLiteral("Must Select at Least One Message"),
                    QStringLiteral("No Message Selected"));
        EndDeviceOperation();
        return;
    }
    for (const MessageSlot& slot : kMessageSlots)
        (this->*slot.lengthLabel)->hide();

    // The read-out doubles as the check that the call box answers at all.
    ReadFailed = kFalse;
    ReadAllValues();
    if (ReadFailed == kTrue || !OpenDevicePort()) {
        EndDeviceOperation();
        return;
    }
    PrepareExchange();
    // Each box is read only when the run reaches its slot, so a change made
    // while an earlier message records still counts.
    for (const MessageSlot& slot : kMessageSlots) {
        if (!(this->*slot.box)->isChecked()) {
            (this->*slot.lengthLabel)->hide();
            continue;
        }
        if (!SlotRun(*this, slot).program())
            break;
    }
    CloseDevicePort();
    EndDeviceOperation();
}
