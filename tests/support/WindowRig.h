// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rig on the base window: the simulated call box on a pseudo-terminal
// linked as COM3, the window loaded and shown with COM3 chosen, modal boxes
// recorded and answered, and a sounds folder to use as the message directory.
// With it come the sheet, the private sound server its message runs play
// through, and the message files a test puts into the sounds folder.

#include "FormFixture.h"
#include "ModalAnswerer.h"
#include "PulseSink.h"
#include "Sheet.h"
#include "SimHarness.h"
#include "WaitFor.h"
#include "Watchdog.h"
#include "WavFile.h"

class WindowRig {
public:
    static constexpr int kPort = 3;
    static constexpr double kTickMs = 10.0;

    // The byte time of every rig built for message runs.
    static constexpr double kMessageByteMs = 2.0;

    // A short byte time keeps the suite fast where pacing is not under test.
    explicit WindowRig(double byteMs = 1.0)
    {
        sim.box().setByteMs(byteMs);
        form.show();
        // Timer1's first tick at once rather than 100 ms on: its port step
        // takes the COM3 the start-up scan chose.
        form.Timer1_Timer();
        portReady = waitFor([this] { return form.CommPortNumber == kPort; }, 3000);
        mark();
    }
    bool ready() const { return portReady; }
    QString error() const { return sim.error(); }

    // Log texts added since mark(), oldest first, without time stamp and line end.
    QStringList newLog() const { return form.log.texts(); }
    // A fresh start for what a test looks at next: the log, the boxes shown
    // and the wire.
    void mark()
    {
        form.log.mark();
        answerer.clear();
        sim.box().clearTrace();
    }

    // Makes the sounds folder the message directory, as typed into its box;
    // `dir` is then that directory as MsgDir holds it.
    bool useSounds()
    {
        dir = QDir::toNativeSeparators(sounds.path()) + kSep;
        form.txtDirectory->setText(dir);
        return sounds.isValid() && form.msgDirBecomes(dir);
    }
    // Makes `folder` the message directory as chosen in the folder list, and
    // waits for the next Timer1 tick to take it into MsgDir, then `dir`.
    bool chooseFolder(const QString& folder)
    {
        if (!form.Dir1->setPath(folder))
            return false;
        dir = QDir::toNativeSeparators(folder) + kSep;
        return form.txtDirectory->text() + kSep == dir && form.msgDirBecomes(dir);
    }

    // Puts a message file of `bytes` bytes into the message directory under
    // the slot's first name and ticks the slot; true when the tick stays.
    bool tick(const Sheet::Slot& slot, qint64 bytes)
    {
        if (writeWav(dir + slot.file, bytes))
            (form.*slot.box)->setChecked(true);
        return (form.*slot.box)->isChecked();
    }

    // Runs PROGRAM MESSAGES on a fresh trace and log, then lets the box read
    // the last bytes off the line. A run that never returns stops the test.
    void program()
    {
        mark();
        {
            Watchdog watchdog(60, "PROGRAM MESSAGES");
            QTest::mouseClick(form.Command3, Qt::LeftButton);
        }
        spinFor(100);
    }

    // READ ALL VALUES, as clicked; it returns once the read-out is over.
    void readOut() { QTest::mouseClick(form.cmdReadValues, Qt::LeftButton); }
    // Types `text` into a setting's entry box and clicks its write button.
    void write(const Sheet::Setting& setting, const QString& text)
    {
        (form.*setting.entry)->setText(text);
        QTest::mouseClick(form.*setting.button, Qt::LeftButton);
    }

    // Chooses another port through the list's text, as a user would.
    bool choosePort(int port)
    {
        form.Combo1->setEditText(QStringLiteral("COM%1").arg(port));
        return waitFor([this, port] { return form.CommPortNumber == port; }, 3000);
    }

    // Texts of the read column, in window order.
    QStringList readColumn() const
    {
        QStringList out;
        for (QLineEdit* box : form.ReadColumn())
            out << box->text();
        return out;
    }
    bool readColumnEmpty() const { return readColumn().join(QString()).isEmpty(); }

    QList<QPushButton*> operationButtons() const
    {
        return {form.cmdReadValues,    form.cmdWriteChannel,   form.cmdWriteProfileId, form.cmdWriteSpkrVol,
                form.cmdWriteRadioVol, form.cmdWriteIsdVol,    form.cmdWriteCallCycle, form.cmdWriteCycleDelay,
                form.cmdWriteLedPattern, form.Command3};
    }
    // Each operation button, in that order, as "on:" or "off:" and its caption.
    QStringList buttonStates() const
    {
        QStringList out;
        for (QPushButton* b : operationButtons())
            out << (b->isEnabled() ? "on:" : "off:") + b->text();
        return out;
    }

    // What keeps the window from rest after an operation, nothing when at
    // rest: the port closed and free for anyone else, every button enabled
    // with its idle caption, no wait or recording running, no box open, and
    // since mark() exactly `boxes` shown (any, for unrestAnyBoxes).
    QStringList unrest(const QList<ShownBox>& boxes = {}) { return restProblems(&boxes); }
    QStringList unrestAnyBoxes() { return restProblems(nullptr); }

    // Calls `probe` every 5 ms while a message records, from inside the run's
    // waits, until the rig goes.
    void whileRecording(std::function<void()> probe)
    {
        auto* timer = new QTimer(&m_hooks);
        QObject::connect(timer, &QTimer::timeout, [this, probe] {
            if (form.Recording != kFalse)
                probe();
        });
        timer->start(5);
    }

    // Calls `probe` with every byte the box sees or sends from now on, as it
    // happens (inside the window's waits), so a test can look at the window
    // at that moment or change the box.
    void onEachByte(std::function<void(const WireByte&)> probe)
    {
        QObject::connect(&sim.box(), &CallBox::traceLine, &m_hooks,
                         [this, probe, seen = qsizetype(0)]() mutable {
                             const QList<WireByte>& wire = sim.box().wire();
                             if (seen > wire.size())
                                 seen = 0;
                             while (seen < wire.size())
                                 probe(wire[seen++]);
                         });
    }

    SimHarness sim{kPort};  // before the window: its port scan must find the box
    ModalAnswerer answerer;
    LoadedForm form;
    bool portReady = false;
    QTemporaryDir sounds;
    QString dir;

private:
    QStringList restProblems(const QList<ShownBox>* boxes);
    QObject m_hooks;
};

// The rig of the message runs, its sounds folder the message directory.
struct MessageRig : WindowRig {
    MessageRig() : WindowRig(kMessageByteMs) { dirReady = useSounds(); }
    bool ready() const { return portReady && dirReady; }
    bool dirReady = false;
};
