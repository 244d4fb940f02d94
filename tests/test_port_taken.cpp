// SPDX-License-Identifier: GPL-3.0-or-later
// The chosen port held by another program, or without a device: each kind of
// operation shows the unavailable-port box (the message programming twice:
// once for its read-out, once for itself), logs nothing, sends nothing and
// leaves the window as it was, apart from the read column that a read-out
// always clears first.
#include <QSerialPort>

#include "WindowRig.h"

using Button = QPushButton* Form1::*;

// Everything a failed open must leave alone.
static QStringList windowState(const WindowRig& rig)
{
    const Form1& f = rig.form;
    QStringList s;
    for (const Sheet::Setting& setting : Sheet::kSettings)
        s << (f.*setting.entry)->text();
    s << f.txtDirectory->text();
    for (const Sheet::Slot& slot : Sheet::kSlots)
        s << ((f.*slot.box)->isChecked() ? "ticked" : "clear")
          << ((f.*slot.label)->isHidden() ? "hidden" : (f.*slot.label)->text());
    s << f.lblCommFail->text() << f.Combo1->currentText() << QString::number(f.CommPortNumber)
      << QString::number(f.ReadFailed) << f.Msg1File << QString::number(f.Msg1Len);
    return s << rig.buttonStates();
}

class TestPortTaken : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { USE_PRIVATE_SOUND_SERVER(); }

    void eachOperation_data()
    {
        QTest::addColumn<Button>("button");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<bool>("clearsColumn");
        QTest::addColumn<bool>("held");  // else a port without a device is chosen
        QTest::newRow("read-out") << &Form1::cmdReadValues << 1 << true << true;
        QTest::newRow("write") << &Form1::cmdWriteCallCycle << 1 << false << true;
        QTest::newRow("message programming") << &Form1::Command3 << 2 << true << true;
        QTest::newRow("read-out, no device") << &Form1::cmdReadValues << 1 << true << false;
        QTest::newRow("write, no device") << &Form1::cmdWriteCallCycle << 1 << false << false;
    }

    void eachOperation()
    {
        QFETCH(Button, button);
        QFETCH(int, boxes);
        QFETCH(bool, clearsColumn);
        QFETCH(bool, held);
        RIG(WindowRig, rig);
        QVERIFY(rig.useSounds());
        QVERIFY(rig.tick(Sheet::kLocalMsg, 800));
        rig.form.txtCallCycle->setText("12");
        rig.readOut();
        const QStringList column = rig.readColumn();
        QVERIFY(!rig.readColumnEmpty());
        rig.form.ReadFailed = kFalse;
        QSerialPort other(rig.sim.link()->terminalPath());
        if (held)
            QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
        else
            QVERIFY(rig.choosePort(7));
        const QStringList before = windowState(rig);
        rig.mark();

        QTest::mouseClick(rig.form.*button, Qt::LeftButton);

        QCOMPARE(rig.newLog(), QStringList());
        QCOMPARE(windowState(rig), before);
        QCOMPARE(rig.readColumnEmpty(), clearsColumn);
        if (!clearsColumn)
            QCOMPARE(rig.readColumn(), column);
        QVERIFY(rig.sim.hostSent().isEmpty());

        // Once the other program lets go, or the box's port is chosen again,
        // the same click goes through.
        other.close();
        rig.sim.link()->makeRaw();
        QCOMPARE(rig.unrest(QList<ShownBox>(boxes, Sheet::kPortBox)), QStringList());
        QVERIFY(rig.choosePort(WindowRig::kPort));
        rig.mark();
        rig.readOut();
        QCOMPARE(rig.readColumn(), column);
        QCOMPARE(rig.unrest(), QStringList());
    }
};

QTEST_MAIN(TestPortTaken)
#include "test_port_taken.moc"
