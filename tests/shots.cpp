// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the real window for the guide: the program as a technician sees
// it, driven in-process against the simulated call box linked as COM1.
//
//   shots <output folder> <sample messages folder>
//
// Operations run inside their click handlers' own event loops, so states that
// last only while an operation runs (busy captions, a message recording) are
// caught by timers polling from inside those loops.

#include <QMessageBox>
#include <QPainter>
#include <cstdio>

#include "FormFixture.h"
#include "PulseSink.h"
#include "SimHarness.h"
#include "WaitFor.h"

namespace {

QString g_outDir;
int g_failures = 0;

void save(const QImage& image, const char* name)
{
    const QString path = g_outDir + QLatin1Char('/') + QLatin1String(name);
    if (!image.save(path)) {
        std::fprintf(stderr, "shots: cannot write %s\n", qPrintable(path));
        ++g_failures;
        return;
    }
    std::printf("  %s\n", qPrintable(path));
}

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "shots: %s\n", what);
        ++g_failures;
    }
}

// The window with a modal box drawn where it stands over it. Without a window
// manager the box has no title bar; a plain one carries its title.
QImage windowWithBox(QWidget* window, QWidget* box)
{
    QImage image = window->grab().toImage();
    QPainter p(&image);
    const QImage boxImage = box->grab().toImage();
    const int titleHeight = 22;
    QPoint at = box->mapToGlobal(QPoint(0, 0)) - window->mapToGlobal(QPoint(0, 0));
    at.ry() = qMax(at.y(), titleHeight + 1);
    const QRect title(at.x(), at.y() - titleHeight, boxImage.width(), titleHeight);
    p.fillRect(title.united(QRect(at, boxImage.size())).adjusted(-1, -1, 1, 1), Qt::darkGray);
    p.fillRect(title, QColor(60, 80, 120));
    p.setPen(Qt::white);
    p.drawText(title.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft, box->windowTitle());
    p.drawImage(at, boxImage);
    return image;
}

// Runs `operation` (a click whose handler returns when the operation is over)
// while a timer checks `ready` every 20 ms and, the first time it holds, calls
// `take` from inside the operation. True when `take` ran.
bool during(const std::function<void()>& operation, const std::function<bool()>& ready,
           const std::function<void()>& take)
{
    bool taken = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!taken && ready()) {
            taken = true;
            take();
        }
    });
    poll.start();
    operation();
    return taken;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc != 3) {
        std::fprintf(stderr, "usage: shots <output folder> <sample messages folder>\n");
        return 2;
    }
    // A home folder of a technician, holding the sample messages, so the
    // pictures show neither this machine's home nor its folders.
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/zt870k-shots-XXXXXX"));
    const QString home = scratch.path() + QStringLiteral("/technician");
    const QString messages = home + QStringLiteral("/messages");
    QDir().mkpath(messages);
    for (const char* file : {"local.wav", "radio.wav", "lowbatt.wav"})
        QFile::copy(QString::fromLocal8Bit(argv[2]) + QLatin1Char('/') + QLatin1String(file),
                    messages + QLatin1Char('/') + QLatin1String(file));
    qputenv("HOME", home.toLocal8Bit());

    QApplication app(argc, argv);
    PulseSink::use();  // the programming picture needs a sound output
    g_outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_outDir);

    SimHarness sim(1);
    if (!sim.ok()) {
        std::fprintf(stderr, "shots: no simulated call box: %s\n", qPrintable(sim.error()));
        return 1;
    }
    CallBox& box = sim.box();  // paced like the real 300 baud line
    const std::pair<int, quint8> shown[] = {
        {StoredValues::Channel, 3},    {StoredValues::SpeakerVolume, 20}, {StoredValues::RadioVolume, 25},
        {StoredValues::IsdVolume, 2},  {StoredValues::CallCycles, 5},     {StoredValues::CycleDelay, 60},
        {StoredValues::LedPattern, 1}};
    for (const auto& [offset, value] : shown)
        box.values().setValue(offset, value);
    box.values().setProfileId(1234);

    LoadedForm form;
    form.show();
    spinFor(300);  // a few Timer1 ticks: port chosen, directory taken
    check(form.CommPortNumber == 1, "COM1 not chosen at start-up");

    std::printf("screenshots:\n");
    save(form.grab().toImage(), "startup.png");

    form.cmdReadValues->click();
    spinFor(200);
    check(form.txtProfileIdRead->text() == QStringLiteral("1234"), "read-out did not fill in");
    save(form.grab().toImage(), "readout.png");

    // A refused entry: the box stays up until it is answered.
    form.txtCallCycle->setText(QStringLiteral("45"));
    bool refusedShown = false;
    QTimer::singleShot(300, [&] {
        auto* warning = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!warning)
            return;
        refusedShown = true;
        save(windowWithBox(&form, warning), "refused-entry.png");
        save(warning->grab().toImage(), "refused-entry-box.png");
        warning->button(QMessageBox::Ok)->click();
    });
    form.cmdWriteCallCycle->click();
    check(refusedShown, "no message box for a refused entry");

    // A write half-way: busy caption, the other buttons locked.
    form.txtCallCycle->setText(QStringLiteral("12"));
    const bool writeShot = during(
        [&] { form.cmdWriteCallCycle->click(); },
        [&] { return form.cmdWriteCallCycle->text() == QStringLiteral("<<BUSY>>") &&
                     !box.hostBytes().isEmpty(); },
        [&] { save(form.grab().toImage(), "write-busy.png"); });
    check(writeShot, "write never showed busy");
    check(form.txtCallCycleRead->text() == QStringLiteral("12"), "write not read back");

    // Message programming: all three ticked; the picture is taken a couple of
    // seconds into the first recording, then the other two are let go.
    form.txtDirectory->setText(QDir::toNativeSeparators(messages));
    spinFor(300);  // the next Timer1 tick takes the new directory
    for (QCheckBox* message : {form.chkMsg1, form.chkMsg2, form.chkMsg6})
        message->setChecked(true);
    spinFor(150);
    const bool programShot = during(
        [&] { form.Command3->click(); },
        [&] { return form.Recording != kFalse && form.RecordTicks >= 12; },
        [&] {
            save(form.grab().toImage(), "programming.png");
            const QImage tick = form.chkMsg1->grab().toImage();
            check(tick.pixelColor(tick.width() - 3, tick.height() / 2) == QColor(0, 255, 0),
                  "the message being programmed is not green");
            form.chkMsg2->setChecked(false);
            form.chkMsg6->setChecked(false);
        });
    check(programShot, "programming never recorded");
    form.chkMsg1->setChecked(false);

    // A call box that answers nothing.
    box.setFaults({.silent = true});
    form.cmdReadValues->click();
    spinFor(200);
    check(!form.lblCommFail->text().isEmpty(), "no communications failure shown");
    save(form.grab().toImage(), "comm-fail.png");

    if (g_failures)
        std::fprintf(stderr, "shots: %d problem(s)\n", g_failures);
    return g_failures ? 1 : 0;
}
