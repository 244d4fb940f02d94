// SPDX-License-Identifier: GPL-3.0-or-later
// The window's start-up, status log, LED pattern names, tick waits and Exit,
// on the real window under the offscreen platform.
#include "FormFixture.h"
#include "LockFiles.h"
#include "WireOracle.h"
#include "app/StatusLog.h"

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { m_form.reset(); }

    void startupState()
    {
        Form1& f = form();
        for (QLineEdit* box : f.findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(box == f.txtDirectory || box->text().isEmpty(), qPrintable(box->objectName()));
        QVERIFY(f.lblMsg1Sec->isHidden() && f.lblMsg2Sec->isHidden() && f.lblMsg6Sec->isHidden());
        QVERIFY(f.lblCommFail->text().isEmpty());
        QCOMPARE(f.lblSpkrInfo->text(), QStringLiteral("Value:1-31(63)"));
        QCOMPARE(f.lblRadioInfo3->text(), QStringLiteral("Value:1-31(63)"));
        QVERIFY(!f.chkMsg1->isChecked() && !f.chkMsg2->isChecked() && !f.chkMsg6->isChecked());
        QCOMPARE(QDir(f.txtDirectory->text()).canonicalPath(), QDir::home().canonicalPath());
        QCOMPARE(QDir(f.Dir1->path()).canonicalPath(), QDir::home().canonicalPath());
        QCOMPARE(f.MaxVolume, qint16(63));
        QCOMPARE(f.TickCountdown, 0);
        QVERIFY(!f.Timer2.isActive());  // no countdown, no 10 ms wake-ups
        QVERIFY(f.Timer1.isActive());
        QCOMPARE(f.ReadFailed, kFalse);
        QCOMPARE(f.Combo1->count(), 0);
        QVERIFY(f.Combo1->currentText().isEmpty());

        // Two lines, the port count on top, each in the log's form.
        const StatusLogBuffer& log = f.statusLogBuffer();
        QCOMPARE(log.lineCount(), 2);
        QVERIFY(log.newest(0).endsWith(QStringLiteral(" ***No Serial Ports Detected\r\n")));
        QVERIFY(log.newest(1).endsWith(QStringLiteral(" Interface Startup Complete\r\n")));
        QVERIFY(isWellFormedLogLine(log.newest(0), QStringLiteral("\r\n")));
        QVERIFY(isWellFormedLogLine(log.newest(1), QStringLiteral("\r\n")));

        // With no port found, operations keep using port 5.
        QTest::qWait(250);
        QCOMPARE(f.CommPortNumber, qint16(5));
    }

    void logLineFormat()
    {
        const QString crlf = QStringLiteral("\r\n");
        QCOMPARE(FormatLogLine(QTime(14, 5, 7), QStringLiteral("A"), crlf), QStringLiteral("14:05:07 A\r\n"));
        QCOMPARE(FormatLogLine(QTime(9, 5, 7), QString(), crlf), QStringLiteral("09:05:07 \r\n"));
        QCOMPARE(FormatLogLine(QTime(0, 0, 0), QStringLiteral("x"), crlf), QStringLiteral("00:00:00 x\r\n"));

        StatusLogBuffer log;
        log.add(QStringLiteral("09:05:07 A\r\n"));
        log.add(QStringLiteral("09:05:08 B\r\n"));
        log.add(QStringLiteral("09:05:09 C\r\n"));
        QCOMPARE(log.text(), QStringLiteral("09:05:09 C\r\n09:05:08 B\r\n09:05:07 A\r\n"));
    }

    void logNewestFirstAndTypedTextReplaced()
    {
        Form1& f = form();
        for (const QString& text : {QStringLiteral("A"), QString(), QStringLiteral("C")})
            f.LogFile(text);
        const QStringList lines = f.StatusLog().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 6);  // five lines and the empty rest after the last CR LF
        QVERIFY(lines[0].endsWith(QStringLiteral(" C")));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d $")).match(lines[1]).hasMatch());
        QVERIFY(lines[2].endsWith(QStringLiteral(" A")));
        QVERIFY(lines[5].isEmpty());

        // The box shows the same lines, newest at the top and scrolled into view.
        const auto logAsShown = [&f] { return f.StatusLog().replace(QStringLiteral("\r\n"), "\n"); };
        QCoreApplication::processEvents();
        QCOMPARE(f.txtStatusMessages->toPlainText(), logAsShown());

        // Typing into the box is possible, but the next line replaces the text.
        f.txtStatusMessages->moveCursor(QTextCursor::End);
        QTest::keyClicks(f.txtStatusMessages, QStringLiteral("typed by hand"));
        QVERIFY(f.txtStatusMessages->toPlainText().contains(QStringLiteral("typed by hand")));
        f.LogFile(QStringLiteral("D"));
        QCoreApplication::processEvents();
        QVERIFY(!f.txtStatusMessages->toPlainText().contains(QStringLiteral("typed by hand")));
        QCOMPARE(f.txtStatusMessages->toPlainText(), logAsShown());
        QVERIFY(!f.StatusLog().contains(QStringLiteral("typed")));
    }

    void ledPatternNames_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("name");
        QTest::newRow("1") << "1" << "All On";
        QTest::newRow("2") << "2" << "Logo Only";
        QTest::newRow("1.5") << "1.5" << "Logo Only";
        QTest::newRow("2.5") << "2.5" << "Logo Only";
        QTest::newRow("2 and letters") << "2ab" << "Logo Only";
        QTest::newRow("0.5") << "0.5" << "";
        QTest::newRow("0") << "0" << "";
        QTest::newRow("3") << "3" << "";
        QTest::newRow("letters") << "abc" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("beyond 16 bits") << "9E9" << "";
    }

    void ledPatternNames()
    {
        QFETCH(QString, entry);
        QFETCH(QString, name);
        Form1& f = form();
        f.lblLedPattern->setText(QStringLiteral("stale"));
        f.txtNewLedPattern->setText(entry);
        QTRY_COMPARE_WITH_TIMEOUT(f.lblLedPattern->text(), name, 1000);
    }

    void ledReadNameFollowsReadBox()
    {
        Form1& f = form();
        f.txtLedPatternRead->setText(QStringLiteral("1"));
        QTRY_COMPARE_WITH_TIMEOUT(f.lblLedPatternRead->text(), QStringLiteral("All On"), 1000);
        // A value beyond 16 bits names nothing and the rest of the tick still runs.
        f.txtLedPatternRead->setText(QStringLiteral("9E9"));
        f.Combo1->setEditText(QStringLiteral("COM9"));
        QTRY_COMPARE_WITH_TIMEOUT(f.CommPortNumber, qint16(9), 1000);
        QCOMPARE(f.lblLedPatternRead->text(), QString());
    }

    void tickWaitNeverShort()
    {
        Form1& f = form();
        for (int n : {2, 2, 2, 5, 25}) {
            m_ticks = 0;
            f.TickWait(n);
            QVERIFY2(m_ticks >= n, qPrintable(QStringLiteral("%1 ticks waited for %2").arg(m_ticks).arg(n)));
            QCOMPARE(f.TickCountdown, 0);
        }
        f.TickWait(0);  // yields once and returns
        QCOMPARE(f.TickCountdown, 0);

        // A timeout that comes right after another (a late timer catching up)
        // does not count: a wait may stretch on a busy machine, never shrink.
        f.TickCountdown = 5;
        for (int i = 0; i < 3; ++i)
            f.Timer2_Timer();
        QVERIFY(f.TickCountdown >= 4);
        QTRY_COMPARE_WITH_TIMEOUT(f.TickCountdown, 0, 2000);
    }

    void timedWaits()
    {
        Form1& f = form();
        TickWaits waits{f.TickCountdown, f.Timer2};  // as the link waits, on the window's count
        // A condition already true succeeds after one yield, however long the wait.
        QVERIFY(waits.waitLeave(200, [] { return true; }));
        QVERIFY(f.TickCountdown >= 195);
        // The remaining count runs down by itself afterwards; then Timer2 rests.
        QVERIFY(f.Timer2.isActive());
        QTRY_COMPARE_WITH_TIMEOUT(f.TickCountdown, 0, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!f.Timer2.isActive(), 100);
        QVERIFY(waits.waitZero(200, [] { return true; }));
        QCOMPARE(f.TickCountdown, 0);

        // A condition that never holds times out after the full count.
        for (auto wait : {&TickWaits::waitLeave, &TickWaits::waitZero}) {
            m_ticks = 0;
            QVERIFY(!(waits.*wait)(40, [] { return false; }));
            QVERIFY(m_ticks >= 40);
            QCOMPARE(f.TickCountdown, 0);
        }

        // The condition is tested after each yield, never before the first one.
        int tests = 0;
        bool flag = false;
        QTimer::singleShot(50, this, [&] { flag = true; });
        QVERIFY(waits.waitLeave(100, [&] { ++tests; return flag; }));
        QVERIFY(tests >= 2);
    }

    void conditionTrueAsCountReachesZero()
    {
        Form1& f = form();
        TickWaits waits{f.TickCountdown, f.Timer2};
        // True exactly in the yield in which the count reaches 0: success in both forms.
        QVERIFY(waits.waitLeave(5, [&] { return f.TickCountdown == 0; }));
        QVERIFY(waits.waitZero(5, [&] { return f.TickCountdown == 0; }));
    }

    void exitInsideWaitEndsProgram()
    {
#ifndef EXIT_PROBE_PATH
        QSKIP("exit probe not built");
#else
        QProcess probe;
        probe.setProcessChannelMode(QProcess::MergedChannels);
        probe.start(QStringLiteral(EXIT_PROBE_PATH), {});
        QVERIFY(probe.waitForFinished(20000));
        const QString out = QString::fromLocal8Bit(probe.readAll());
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QVERIFY2(probe.exitCode() == 0, qPrintable(out));
        QVERIFY(out.contains(QStringLiteral("Interface Startup Complete")));
        QVERIFY2(!out.contains(QStringLiteral("wait returned")), qPrintable(out));
        // The port was released: its lock file is gone with the program.
        const auto m = QRegularExpression(QStringLiteral("opened /dev/pts/(\\d+)")).match(out);
        QVERIFY2(m.hasMatch(), qPrintable(out));
        for (const QString& lock : lockFilePaths("/dev/pts/" + m.captured(1)))
            QVERIFY(!QFile::exists(lock));
#endif
    }

    void renderStartupWindow()
    {
        Form1& f = form();
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QTest::qWait(150);
        const QImage image = f.grab().toImage();
        auto seen = [&](QPoint inWindow) { return image.pixelColor(inWindow * image.devicePixelRatio()); };
        // The empty boxes in their colours: the read column yellow, the entries pale blue.
        for (QLineEdit* box : f.findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
            if (box != f.txtDirectory)
                QCOMPARE(seen(box->mapTo(&f, box->rect().center())),
                         box->isReadOnly() ? QColor(255, 255, 192) : QColor(192, 255, 255));
        // The log's newest line drawn at the top of its box, as far as its text reaches.
        QPlainTextEdit* log = f.txtStatusMessages;
        const QTextCursor newestEnd = log->document()->find(QStringLiteral(" ***No Serial Ports Detected"));
        QVERIFY(newestEnd.atBlockEnd() && newestEnd.blockNumber() == 0);
        const QRect textEnd = log->cursorRect(newestEnd);
        int inkEnd = 0;  // right of the last pixel drawn along the line
        for (int x = 0; x < log->viewport()->width(); ++x)
            for (int y = textEnd.top(); y <= textEnd.bottom(); ++y)
                inkEnd = seen(log->viewport()->mapTo(&f, QPoint(x, y))).lightness() < 128 ? x + 1 : inkEnd;
        QVERIFY2(qAbs(inkEnd - textEnd.left()) <= 2, qPrintable(QString::number(inkEnd)));
    }

private:
    // The window, loaded on first use: the log's line form and the exit probe
    // need none.
    LoadedForm& form()
    {
        if (!m_form) {
            m_form = std::make_unique<LoadedForm>();
            m_ticks = 0;
            connect(&m_form->Timer2, &QTimer::timeout, this, [this] { ++m_ticks; });
        }
        return *m_form;
    }

    std::unique_ptr<LoadedForm> m_form;
    int m_ticks = 0;
};

QTEST_MAIN(TestApp)
#include "test_app.moc"
