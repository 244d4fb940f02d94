// SPDX-License-Identifier: GPL-3.0-or-later
// Port discovery, the port step and the device operation frame, on the real
// window and serial layer with simulated lines.
#include <QSerialPort>
#include <sys/stat.h>
#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/fsuid.h>
#include <unistd.h>
#endif

#include "FormFixture.h"
#include "LockFiles.h"
#include "ModalAnswerer.h"
#include "Sheet.h"
#include "SimHarness.h"
#include "link/PortAdvice.h"

class TestPorts : public QObject {
    Q_OBJECT
private slots:
    void discoveryListsOpenablePorts()
    {
        SimHarness sim(3);
        QVERIFY(sim.addLine(7));
        QVERIFY(sim.linkTo(9, QStringLiteral("/nonexistent/ttyX")));  // a dangling link is no port
        auto form = makeLoadedForm(3);
        const QStringList expected = {QStringLiteral("COM3"), QStringLiteral("COM7")};
        auto items = [&] {
            QStringList list;
            for (int i = 0; i < form->Combo1->count(); ++i)
                list << form->Combo1->itemText(i);
            return list;
        };
        QCOMPARE(items(), expected);
        QCOMPARE(form->Combo1->currentText(), QStringLiteral("COM3"));
        QCOMPARE(logTexts(*form).first(), QStringLiteral("Total Comm Ports Found: 2"));
        form->CommPortNumber = 5;
        QTRY_COMPARE_WITH_TIMEOUT(form->CommPortNumber, qint16(3), 1000);

        // Scanning again gives the same list, without duplicates, and a new line.
        form->Combo1->setEditText(QStringLiteral("COM7"));
        QTest::mouseClick(form->cmdScanForPorts, Qt::LeftButton);
        QCOMPARE(items(), expected);
        QCOMPARE(form->Combo1->currentText(), QStringLiteral("COM3"));
        QCOMPARE(logTexts(*form).mid(0, 2), QStringList(2, QStringLiteral("Total Comm Ports Found: 2")));
        QVERIFY(!form->MSComm1.PortOpen());
    }

    void portHeldElsewhereIsNotListed()
    {
        SimHarness sim(3);
        PtyLink* other = sim.addLine(4);
        QVERIFY(other);
        QSerialPort holder(other->terminalPath());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        auto form = makeLoadedForm(3);
        QCOMPARE(form->Combo1->count(), 1);
        QCOMPARE(form->Combo1->itemText(0), QStringLiteral("COM3"));
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
        auto form = makeLoadedForm(3);
        QTRY_COMPARE_WITH_TIMEOUT(form->CommPortNumber, qint16(3), 1000);
        form->Combo1->setFocus();
        form->Combo1->clearEditText();
        QTest::keyClicks(form->Combo1, text);
        QCOMPARE(form->Combo1->currentText(), text);
        if (port) {
            QTRY_COMPARE_WITH_TIMEOUT(form->CommPortNumber, qint16(port), 1000);
        } else {
            QTest::qWait(250);
            QCOMPARE(form->CommPortNumber, qint16(3));
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
        auto form = makeLoadedForm(3);
        QSerialPort holder(sim.link()->terminalPath());
        if (heldElsewhere)
            QVERIFY(holder.open(QIODevice::ReadWrite));
        else
            form->CommPortNumber = 12;
        form->Combo1->clearEditText();  // keep the port step from moving it

        ModalAnswerer answerer;
        const qsizetype lines = form->statusLogBuffer().lineCount();
        QVERIFY(!form->OpenDevicePort());
        QCOMPARE(answerer.boxes, QList<ShownBox>{Sheet::kPortBox});
        QCOMPARE(form->statusLogBuffer().lineCount(), lines);
        QVERIFY(!form->MSComm1.PortOpen());
    }

    void portClosedAfterOperation()
    {
        SimHarness sim(3);
        auto form = makeLoadedForm(3);
        QVERIFY(form->OpenDevicePort());
        QCOMPARE(form->MSComm1.Settings(), QStringLiteral("300,n,8,1"));
        QVERIFY(form->MSComm1.DTREnable() && form->MSComm1.RTSEnable());
        form->PrepareExchange();
        QCOMPARE(form->MSComm1.InputMode(), 1);
        form->CloseDevicePort();
        QVERIFY(!form->MSComm1.PortOpen());
        // Released for real: another program can take the device now.
        QSerialPort other(sim.link()->terminalPath());
        QVERIFY(other.open(QIODevice::ReadWrite));
    }

    void guardAndDeferredScan()
    {
        SimHarness sim(3);
        auto form = makeLoadedForm(3);
        QVERIFY(form->BeginDeviceOperation());
        QVERIFY(form->OpenDevicePort());
        QVERIFY(!form->BeginDeviceOperation());  // a second operation is refused

        // A scan clicked while the port is held must not touch it.
        const qsizetype lines = form->statusLogBuffer().lineCount();
        QTest::mouseClick(form->cmdScanForPorts, Qt::LeftButton);
        QVERIFY(form->MSComm1.PortOpen());
        QCOMPARE(form->MSComm1.CommPort(), 3);
        QCOMPARE(form->statusLogBuffer().lineCount(), lines);
        form->PrepareExchange();
        QVERIFY(form->SendCommandWithAck('v', QByteArray(1, 5), 0, QStringLiteral("Call Cycle")));

        // It runs once the operation is over.
        form->CloseDevicePort();
        form->EndDeviceOperation();
        QCOMPARE(logTexts(*form).first(), QStringLiteral("Total Comm Ports Found: 1"));
        QCOMPARE(form->statusLogBuffer().lineCount(), lines + 1);
        QVERIFY(form->BeginDeviceOperation());
        form->EndDeviceOperation();
    }

    void refusingPortGetsAdvice_data()
    {
        QTest::addColumn<bool>("denied");  // else held by a program with a lock
        QTest::newRow("permission denied") << true;
        QTest::newRow("in use, lock readable") << false;
    }

    // A port whose node exists but refuses gets one line after the count; a
    // missing device and a node that fails for another reason stay silent.
    void refusingPortGetsAdvice()
    {
#ifndef Q_OS_LINUX
        QSKIP("the advice is for Linux device nodes");
#else
        QFETCH(bool, denied);
        SimHarness sim(3);
        sim.removeLink(3);
        PtyLink* line = sim.addLine(6);
        QVERIFY(line);
        QVERIFY(sim.linkTo(8, QStringLiteral("/dev/null")));  // opens, but is no terminal
        QVERIFY(sim.linkTo(9, QStringLiteral("/nonexistent/ttyX")));
        auto form = makeLoadedForm(5);
        const QByteArray node = QFile::encodeName(line->terminalPath());

        QSerialPort holder(line->terminalPath());
        struct stat st {};
        QCOMPARE(::stat(node.constData(), &st), 0);
        // Root passes any mode, so it probes with the file access of nobody; both
        // the mode and the file access are put back however the test ends.
        int oldFsuid = -1;  // -1: unchanged
        const auto restore = qScopeGuard([&] {
            if (oldFsuid >= 0)
                ::setfsuid(oldFsuid);
            ::chmod(node.constData(), st.st_mode & 07777);
        });
        if (denied) {
            QCOMPARE(::chmod(node.constData(), 0), 0);
            if (::geteuid() == 0) {
                QCOMPARE(::chmod(QFile::encodeName(sim.linkFolder()).constData(), 0755), 0);
                oldFsuid = ::setfsuid(65534);
            }
            const int fd = ::open(node.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            QVERIFY2(fd < 0 && errno == EACCES, "the pseudo-terminal should refuse this user");
        } else {
            QVERIFY(holder.open(QIODevice::ReadWrite));
        }
        QTest::mouseClick(form->cmdScanForPorts, Qt::LeftButton);
        if (oldFsuid >= 0)
            ::setfsuid(std::exchange(oldFsuid, -1));

        const QStringList texts = logTexts(*form);
        QCOMPARE(form->Combo1->count(), 0);
        QCOMPARE(texts.at(1), QStringLiteral("***No Serial Ports Detected"));
        const QString advice = texts.at(0);
        QVERIFY2(!texts.at(2).startsWith(QLatin1String("COM")), qPrintable(texts.at(2)));
        QVERIFY2(advice.startsWith(QStringLiteral("COM6 (%1): ").arg(line->terminalPath())), qPrintable(advice));
        const QStringList parts = denied
            ? QStringList{"permission denied", "sudo usermod -aG dialout ", "log out and in"}
            : QStringList{QStringLiteral("in use by another program: %1 (pid %2) holds ")
                              .arg(QCoreApplication::applicationName().left(15))
                              .arg(QCoreApplication::applicationPid()),
                          lockFileName(line->terminalPath())};
        for (const QString& part : parts)
            QVERIFY2(advice.contains(part), qPrintable(advice));
#endif
    }

    void adviceWording_data()
    {
        using PortAdvice::Refusal;
        QTest::addColumn<Refusal>("refusal");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("expected");  // "" for no line
        QTest::newRow("fails otherwise") << Refusal::None << "/dev/ttyS1" << "" << "";
        QTest::newRow("group of the node") << Refusal::PermissionDenied << "/dev/ttyUSB0" << "uucp"
                                           << "sudo usermod -aG uucp ann";
        QTest::newRow("busy ttyACM, no lock") << Refusal::InUse << "/dev/ttyACM0" << "" << "ModemManager";
        QTest::newRow("busy ttyUSB, no lock") << Refusal::InUse << "/dev/ttyUSB0" << ""
                                              << "sudo fuser -v /dev/ttyUSB0";
    }

    void adviceWording()
    {
        QFETCH(PortAdvice::Refusal, refusal);
        QFETCH(QString, device);
        QFETCH(QString, group);
        QFETCH(QString, expected);
        const PortAdvice::Finding f{.refusal = refusal, .device = device, .group = group,
                                    .lockFile = {}, .holder = {}};  // no lock file
        const auto line = PortAdvice::adviceLine(7, f, QStringLiteral("ann"));
        QCOMPARE(line.has_value(), !expected.isEmpty());
        if (line) {
            QVERIFY2(line->startsWith(QStringLiteral("COM7 (%1): ").arg(device)) && line->contains(expected),
                     qPrintable(*line));
            QCOMPARE(line->contains(QLatin1String("ModemManager")), device.contains(QLatin1String("ACM")));
        }
    }
};

QTEST_MAIN(TestPorts)
#include "test_ports.moc"
