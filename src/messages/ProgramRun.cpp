// SPDX-License-Identifier: GPL-3.0-or-later
// PROGRAM MESSAGES: checks that the call box answers, then records each ticked
// message into it in turn: the record command, the sound file played over the
// audio path, and Timer1's stop characters once the file's time has passed.
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <algorithm>

#include "app/Form1.h"
#include "app/MessageBox.h"
#include "link/Protocol.h"
#include "messages/MessageSlots.h"
#include "messages/MessageTiming.h"
#include "messages/SoundPlayer.h"
#include "messages/WavSound.h"

namespace {


const QColor kProgrammingColour(0, 255, 0);

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

QString lengthCaption(double seconds)
{
    return QStringLiteral("Length: ") + FormatSeconds(seconds);
}

class SlotRun {
public:
    SlotRun(Form1& form, const MessageSlot& slot) : f(form), s(slot) {}

    // True when the message was recorded; false ends the run.
    bool program()
    {
        f.LockForMessage();
        path = f.MsgDir + f.*s.fileName;

        // A file that went away since its box was ticked, one too long for
        // the tick count, one that holds no sound the player can play, or no
        // sound output at all: refused before the call box is told to record,
        // as otherwise the box would record silence over its stored message,
        // or never be told to stop.
        const QFileInfo info(path);
        if (!info.isFile() || !info.isReadable())
            return refuse(QStringLiteral("File Not Found: ") + path,
                          QStringLiteral("File Not Found"));
        f.*s.size = double(info.size());
        f.*s.seconds = PlayingSeconds(f.*s.size);
        if (RecordLimitFor(f.*s.seconds) > kMaxRecordLimit)
            return tooLong();
        QString problem;
        const std::optional<WavSound> sound = ReadWavFile(path, &problem);
        if (!sound)
            return refuse(QStringLiteral("Sound File Not Playable: ") + path + QStringLiteral("\n") +
                              problem.left(1).toUpper() + problem.mid(1) +
                              QStringLiteral(". Check that it is a WAV file of uncompressed "
                                             "8, 16 or 32-bit samples (the call box's own "
                                             "format is 16-bit mono at 11025 Hz)."),
                          QStringLiteral("Sound File Not Playable"));
        // A file in another format can play for longer than its size says:
        // the box then records for the whole of it.
        f.*s.seconds = std::max(f.*s.seconds, WavSeconds(*sound));
        const qint32 limit = RecordLimitFor(f.*s.seconds);
        if (limit > kMaxRecordLimit)
            return tooLong();
        label()->setText(lengthCaption(f.*s.seconds));
        label()->show();
        if (!SoundOutputAvailable())
            return refuse(QStringLiteral("No Sound Output: the PC has no sound output device to "
                                         "play ") + path +
                              QStringLiteral(" to the call box. Check that its sound output is "
                                             "connected, switched on and enabled, and that the "
                                             "sound system is running."),
                          QStringLiteral("No Sound Output"));

        setBoxBackground(box(), kProgrammingColour);
        if (!f.SendCommandWithAck(s.command, QByteArray(), 0, QString::fromLatin1(s.what)))
            return fail();

        f.TickWait(Ticks::kBeforePlayback);
        f.RecordTicks = 0;
        f.RecordLimit = limit;
        f.Recording = kTrue;
        PlaySoundAsync(*sound);
        // Timer1's recording step ends it; this loop only shows the count.
        while (f.Recording != kFalse) {
            f.YieldOnce();
            label()->setText(lengthCaption(f.*s.seconds) + QStringLiteral("  Timer: ") +
                             QLatin1Char(' ') + QString::number(f.RecordTicks));
        }

        // A line that went away during the recording took the stop characters
        // with it: the box was never told to stop, so this is no success. A
        // sound output that failed while the message played left the box a
        // cut message: no success either.
        if (f.MSComm1.deviceLost() || SoundOutputFailed())
            return fail();
        restoreButton();
        f.LogFile(QString::fromLatin1(s.success) + path);
        f.TickWait(Ticks::kAfterMessage);
        return true;
    }

private:
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

    bool tooLong()
    {
        label()->setText(lengthCaption(f.*s.seconds));
        label()->show();
        return refuse(QStringLiteral("File Too Long: ") + path, QStringLiteral("File Too Long"));
    }

    bool refuse(const QString& prompt, const QString& title)
    {
        fail();
        ShowWarning(&f, prompt, title);
        return false;
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
    if (!chkMsg1->isChecked() && !chkMsg2->isChecked() && !chkMsg6->isChecked()) {
        LogFile(QStringLiteral("No Message Selected"));
        ShowWarning(this, QStringLiteral("Must Select at Least One Message"),
                    QStringLiteral("No Message Selected"));
        EndDeviceOperation();
        return;
    }
    lblMsg1Sec->hide();
    lblMsg2Sec->hide();
    lblMsg6Sec->hide();

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
