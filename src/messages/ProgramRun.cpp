// SPDX-License-Identifier: GPL-3.0-or-later
// PROGRAM MESSAGES: checks that the call box answers, then records each ticked
// message into it in turn: the record command, the sound file played over the
// audio path, and Timer1's stop characters once the file's time has passed.
// What the window shows of it is here; getting a message ready to be recorded
// is MessagePreparation's.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <algorithm>

#include "app/Form1.h"
#include "app/MessageBox.h"
#include "link/Protocol.h"
#include "messages/MessagePreparation.h"
#include "messages/MessageSlots.h"

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

// One ticked message recorded into the box, as the window shows it.
class SlotRun {
public:
    SlotRun(Form1& form, const MessageSlot& slot) : form(form), slot(slot) {}

    // True when the message was recorded; false ends the run.
    bool program()
    {
        form.LockForMessage();
        path = form.MsgDir + form.*slot.fileName;
        const std::optional<MessageTime> time = prepare();
        if (!time)
            return false;
        setBoxBackground(box(), kProgrammingColour);
        if (!form.SendCommandWithAck(slot.command, QByteArray(), 0, QString::fromLatin1(slot.what))) {
            form.Player->close();
            return fail();
        }
        record(time->recordLimit);

        // A line that went away during the recording took the stop characters
        // with it: the box was never told to stop, so this is no success. A
        // sound output that failed while the message played left the box a
        // cut message: no success either.
        if (form.MSComm1.deviceLost())
            return fail();
        if (form.Player->state() == SoundOutput::State::Failed) {
            qWarning("%s: the sound output failed while the message played: %s", slot.what,
                     qUtf8Printable(form.Player->trouble().why));
            return fail();
        }
        restoreButton();
        form.LogFile(QString::fromLatin1(slot.success) + path);
        form.TickWait(Ticks::kAfterMessage);
        return true;
    }

private:
    // The file measured, its length shown and its sound output opened; or
    // the message refused, its box shown.
    std::optional<MessageTime> prepare()
    {
        const YieldOnce yieldOnce = [this] { form.YieldOnce(); };
        const OrRefusal<double> bytes = MessageFileSize(path);
        if (const Refusal* refusal = std::get_if<Refusal>(&bytes))
            return refuse(*refusal);
        form.*slot.size = std::get<double>(bytes);
        const OrRefusal<MeasuredSound> sound = MeasureMessageSound(path, yieldOnce);
        if (const Refusal* refusal = std::get_if<Refusal>(&sound))
            return refuse(*refusal);
        const MessageTime time = TimeOfMessage(form.*slot.size, std::get<MeasuredSound>(sound));
        form.*slot.seconds = time.seconds;
        label()->setText(lengthCaption(form.*slot.seconds));
        label()->show();
        if (const auto refusal =
                OpenMessageOutput(path, time, std::get<MeasuredSound>(sound), *form.Player, yieldOnce))
            return refuse(*refusal);
        return time;
    }

    // The 300 ms lead-in, then the sound played while Timer1 counts the
    // recording to its end; this loop only shows the count.
    void record(qint32 recordLimit)
    {
        form.TickWait(Ticks::kBeforePlayback);
        form.RecordTicks = 0;
        form.RecordLimit = recordLimit;
        form.Recording = kTrue;
        form.Player->play();
        while (form.Recording != kFalse) {
            form.YieldOnce();
            label()->setText(lengthCaption(form.*slot.seconds) + QStringLiteral("  Timer: ") +
                             QLatin1Char(' ') + QString::number(form.RecordTicks));
        }
    }

    QCheckBox* box() const { return form.*slot.box; }
    QLabel* label() const { return form.*slot.lengthLabel; }

    void restoreButton()
    {
        setBoxBackground(box(), buttonFace());
        form.UnlockAfterMessage();
    }

    bool fail()
    {
        form.TickCountdown = 0;
        restoreButton();
        form.LogFile(FailureLine(QString::fromLatin1(slot.failed)));
        return false;
    }

    std::nullopt_t refuse(const Refusal& refusal)
    {
        fail();
        ShowWarning(&form, refusal.text, refusal.title);
        return std::nullopt;
    }

    Form1& form;
    const MessageSlot& slot;
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
