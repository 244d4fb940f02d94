// SPDX-License-Identifier: GPL-3.0-or-later
// What the port scan says of a port that is there but refuses to open: on the
// real window, a pseudo-terminal that refuses this user or that another
// program holds; and the wording of the advice for each refusal and device.
#include <QSerialPort>
#include <sys/stat.h>
#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/fsuid.h>
#include <unistd.h>
#endif

#include "FormFixture.h"
#include "LockFiles.h"
#include "SimHarness.h"
#include "link/PortAdvice.h"

class TestPortAdvice : public QObject {
    Q_OBJECT
private slots:
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
        LoadedForm form(5);
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
        QTest::mouseClick(form.cmdScanForPorts, Qt::LeftButton);
        if (oldFsuid >= 0)
            ::setfsuid(std::exchange(oldFsuid, -1));

        const QStringList texts = logTexts(form);
        QCOMPARE(form.Combo1->count(), 0);
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

QTEST_MAIN(TestPortAdvice)
#include "test_port_advice.moc"
