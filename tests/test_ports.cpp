// SPDX-License-Identifier: GPL-3.0-or-later
// Port discovery, the port step and the device operation frame, on the real
// window and serial layer with simulated lines.
#include <QSerialPort>

#include "FormFixture.h"
#include "ModalAnswerer.h"
#include "Sheet.h"
#include "SimHarness.h"

class TestPorts : public QObject {
    Q_OBJECT
private slots:
    void discoveryListsOpenablePorts()
    {
        SimHarness sim(3);
        QVERIFY(sim.addLine(7));
        QVERIFY(sim.linkTo(9, QStringLiteral("/nonexistent/ttyX")));  // a dangling link is no port
        LoadedForm form(3);
        const QStringList expected = {QStringLiteral("COM3"), QStringLiteral("COM7")};
        auto items = [&] {
            QStringList list;
            for (int i = 0; i < form.Combo1->count(); ++i)
                list << form.Combo1->itemText(i);
            return list;
        };
        QCOMPARE(items(), expected);
        QCOMPARE(form.Combo1->currentText(), QStringLiteral("COM3"));
        QCOMPARE(logTexts(form).first(), QStringLiteral("Total Comm Ports Found: 2"));
        form.CommPortNumber = 5;
        QTRY_COMPARE_WITH_TIMEOUT(form.CommPortNumber, qint16(3), 1000);

        // Scanning again gives the same list, without duplicates, and a new line.
        form.Combo1->setEditText(QStringLiteral("COM7"));
        QTest::mouseClick(form.cmdScanForPorts, Qt::LeftButton);
        QCOMPARE(items(), expected);
        QCOMPARE(form.Combo1->currentText(), QStringLiteral("COM3"));
        QCOMPARE(logTexts(form).mid(0, 2), QStringList(2, QStringLiteral("Total Comm Ports Found: 2")));
        QVERIFY(!form.MSComm1.PortOpen());
    }

    void portHeldElsewhereIsNotListed()
    {
        SimHarness sim(3);
        PtyLink* other = sim.addLine(4);
        QVERIFY(other);
        QSerialPort holder(other->terminalPath());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        LoadedForm form(3);
        QCOMPARE(form.Combo1->count(), 1);
        QCOMPARE(form.Combo1->itemText(0), QStringLiteral("COM3"));
    }

    void typedPortName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");  // 0: unchanged
        QTest::newRow("COM9") << "COM9" << 9;
        QTest::newRow("COM15") << "COM15" << 15;
        QTest::newRow("lower case") << "com9" << 0;
        QTest::newRow("leading zero") << "COM09" << 0;
        QTest::newRow("blank inside") << "COM 9" << 0;
        QTest::newRow("blank around") << " COM9" << 0;
        QTest::newRow("above 15") << "COM16" << 0;
        QTest::newRow("empty") << "" << 0;
    }

    void typedPortName()
    {
        QFETCH(QString, text);
        QFETCH(int, port);
        SimHarness sim(3);
        LoadedForm form(3);
        QTRY_COMPARE_WITH_TIMEOUT(form.CommPortNumber, qint16(3), 1000);
        form.Combo1->setFocus();
        form.Combo1->clearEditText();
        QTest::keyClicks(form.Combo1, text);
        QCOMPARE(form.Combo1->currentText(), text);
        if (port) {
            QTRY_COMPARE_WITH_TIMEOUT(form.CommPortNumber, qint16(port), 1000);
        } else {
            QTest::qWait(250);
            QCOMPARE(form.CommPortNumber, qint16(3));
        }
    }

    void unavailablePort_data()
    {
        QTest::addColumn<bool>("heldElsewhere");
        QTest::newRow("no device") << false;
        QTest::newRow("held by another program") << true;
    }

    void unavailablePort()
    {
        QFETCH(bool, heldElsewhere);
        SimHarness sim(3);
        LoadedForm form(3);
        QSerialPort holder(sim.link()->terminalPath());
        if (heldElsewhere)
            QVERIFY(holder.open(QIODevice::ReadWrite));
        else
            form.CommPortNumber = 12;
        form.Combo1->clearEditText();  // keep the port step from moving it

        ModalAnswerer answerer;
        const qsizetype lines = form.statusLogBuffer().lineCount();
        QVERIFY(!form.OpenDevicePort());
        QCOMPARE(answerer.boxes, QList<ShownBox>{Sheet::kPortBox});
        QCOMPARE(form.statusLogBuffer().lineCount(), lines);
        QVERIFY(!form.MSComm1.PortOpen());
    }

    void portClosedAfterOperation()
    {
        SimHarness sim(3);
        LoadedForm form(3);
        QVERIFY(form.OpenDevicePort());
        QCOMPARE(form.MSComm1.Settings(), QStringLiteral("300,n,8,1"));
        QVERIFY(form.MSComm1.DTREnable() && form.MSComm1.RTSEnable());
        form.PrepareExchange();
        QCOMPARE(form.MSComm1.InputMode(), 1);
        form.CloseDevicePort();
        QVERIFY(!form.MSComm1.PortOpen());
        // Released for real: another program can take the device now.
        QSerialPort other(sim.link()->terminalPath());
        QVERIFY(other.open(QIODevice::ReadWrite));
    }

    void guardAndDeferredScan()
    {
        SimHarness sim(3);
        LoadedForm form(3);
        QVERIFY(form.BeginDeviceOperation());
        QVERIFY(form.OpenDevicePort());
        QVERIFY(!form.BeginDeviceOperation());  // a second operation is refused

        // A scan clicked while the port is held must not touch it.
        const qsizetype lines = form.statusLogBuffer().lineCount();
        QTest::mouseClick(form.cmdScanForPorts, Qt::LeftButton);
        QVERIFY(form.MSComm1.PortOpen());
        QCOMPARE(form.MSComm1.CommPort(), 3);
        QCOMPARE(form.statusLogBuffer().lineCount(), lines);
        form.PrepareExchange();
        QVERIFY(form.SendCommandWithAck('v', QByteArray(1, 5), 0, QStringLiteral("Call Cycle")));

        // It runs once the operation is over.
        form.CloseDevicePort();
        form.EndDeviceOperation();
        QCOMPARE(logTexts(form).first(), QStringLiteral("Total Comm Ports Found: 1"));
        QCOMPARE(form.statusLogBuffer().lineCount(), lines + 1);
        QVERIFY(form.BeginDeviceOperation());
        form.EndDeviceOperation();
    }
};

QTEST_MAIN(TestPorts)
#include "test_ports.moc"
