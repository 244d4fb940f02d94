// SPDX-License-Identifier: GPL-3.0-or-later
// The number entry rule that every typed number goes through.
#include <QtTest>
#include <clocale>
#include <cmath>
#include <limits>

#include "app/NumberEntry.h"

class TestNumberEntry : public QObject {
    Q_OBJECT
private slots:
    void readNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("plain") << "12" << 12.0;
        QTest::newRow("trailing letters") << "5x" << 5.0;
        QTest::newRow("leading letter") << "x5" << 0.0;
        QTest::newRow("point first") << ".6" << 0.6;
        QTest::newRow("blanks inside") << " 1 2 " << 12.0;
        QTest::newRow("tab and line feed") << "\t3\n4" << 34.0;
        QTest::newRow("carriage return ends") << "3\r4" << 3.0;
        QTest::newRow("sign") << "-5" << -5.0;
        QTest::newRow("plus sign") << "+7" << 7.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("point alone") << "." << 0.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("exponent") << "1E4" << 10000.0;
        QTest::newRow("exponent lower") << "2e2" << 200.0;
        QTest::newRow("exponent sign") << "15e-1" << 1.5;
        QTest::newRow("exponent without digits") << "3E" << 3.0;
        QTest::newRow("exponent sign without digits") << "3E+" << 3.0;
        QTest::newRow("hex") << "&HA" << 10.0;
        QTest::newRow("hex lower") << "&hff" << 255.0;
        QTest::newRow("hex stops") << "&H1G" << 1.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal stops at 8") << "&o78" << 7.0;
        QTest::newRow("ampersand alone") << "&" << 0.0;
        QTest::newRow("ampersand other") << "&X1" << 0.0;
        QTest::newRow("hex not at start") << "1&H2" << 1.0;
        QTest::newRow("non-ascii digit") << QString::fromUtf8("\xd9\xa3") << 0.0;
        QTest::newRow("non-ascii after") << QString::fromUtf8("4\xc3\xa9") << 4.0;
        QTest::newRow("nan word") << "NaN" << 0.0;
        QTest::newRow("inf word") << "inf" << 0.0;
    }

    void readNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(ReadNumber(text), expected);
    }

    void roundsHalfToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");
        // Each row is named after its value.
        const std::pair<double, double> rows[] = {{0.5, 0.0},  {1.5, 2.0}, {2.5, 2.0},   {-0.5, 0.0},
                                                  {-1.5, -2.0}, {0.6, 1.0}, {2.4999, 2.0}};
        for (const auto& [value, expected] : rows)
            QTest::newRow(QByteArray::number(value)) << value << expected;
    }

    void roundsHalfToEven()
    {
        QFETCH(double, value);
        QFETCH(double, expected);
        QCOMPARE(RoundHalfEven(value), expected);
        QVERIFY(!std::signbit(RoundHalfEven(value)) || expected < 0);
    }

    void entryToInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("expected");  // -999 for "refused"
        QTest::newRow("in range") << "12" << 1 << 30 << 12;
        QTest::newRow("rounded into range") << ".6" << 1 << 30 << 1;
        QTest::newRow("half down to zero") << "0.5" << 1 << 30 << -999;
        QTest::newRow("above") << "31" << 1 << 30 << -999;
        QTest::newRow("byte does not wrap") << "256" << 0 << 255 << -999;
        QTest::newRow("negative") << "-5" << 0 << 9999 << -999;
        QTest::newRow("exponent beyond 16 bits") << "9E9" << -32768 << 32767 << -999;
        QTest::newRow("huge exponent") << "1E999" << -32768 << 32767 << -999;
        QTest::newRow("huge negative exponent") << "-1E999" << -32768 << 32767 << -999;
        QTest::newRow("tiny exponent") << "1E-999" << -32768 << 32767 << 0;
        QTest::newRow("hex") << "&HA" << 0 << 255 << 10;
        QTest::newRow("empty is zero") << "" << 0 << 2 << 0;
        QTest::newRow("rounded to two") << "2.5" << -32768 << 32767 << 2;
        QTest::newRow("1.5 is two") << "1.5" << -32768 << 32767 << 2;
    }

    void entryToInteger()
    {
        QFETCH(QString, text);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(int, expected);
        const std::optional<int> got = EntryToInteger(text, low, high);
        if (expected == -999)
            QVERIFY2(!got.has_value(), qPrintable(QString::number(got.value_or(0))));
        else
            QCOMPARE(got, std::optional<int>(expected));
    }

    void oddTextNeverBreaks()
    {
        // Long, odd and hostile texts must give a defined, finite-or-infinite result.
        const QStringList texts = {
            QString(100000, QLatin1Char('9')),
            QStringLiteral("1") + QString(5000, QLatin1Char('0')) + QStringLiteral("E-5000"),
            QString(20000, QLatin1Char('&')),
            QStringLiteral("&H") + QString(400, QLatin1Char('F')),
            QStringLiteral("0.") + QString(100000, QLatin1Char('1')),
            QString(3, QChar(0xD800)),  // lone surrogates
            QString(10, QChar(0)),
            QStringLiteral("1E") + QString(1000, QLatin1Char('9')),
        };
        for (const QString& text : texts) {
            QVERIFY(!std::isnan(ReadNumber(text)));
            (void)EntryToInteger(text, -32768, 32767);
        }
        QVERIFY(std::isinf(ReadNumber(QString(400, QLatin1Char('9')))));
        QCOMPARE(ReadNumber(texts[1]), 1.0);
    }

    void pointInCommaLocale()
    {
        // The window's QApplication hands the user's locale to the C library. In a
        // locale whose decimal separator is a comma the point must still count.
        // None is installed on a bare machine, so the test compiles its own.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile source(dir.filePath(QStringLiteral("comma.src")));
        QVERIFY(source.open(QIODevice::WriteOnly));
        source.write("LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"\"\ngrouping -1\nEND LC_NUMERIC\n");
        source.close();
        // localedef warns about the categories left out and exits 1; -c writes anyway.
        QProcess localedef;
        localedef.setStandardOutputFile(QProcess::nullDevice());
        localedef.setStandardErrorFile(QProcess::nullDevice());
        localedef.start(QStringLiteral("localedef"), {QStringLiteral("-c"), QStringLiteral("-i"),
                                                      source.fileName(), dir.filePath(QStringLiteral("comma"))});
        localedef.waitForFinished();
        qputenv("LOCPATH", QFile::encodeName(dir.path()));
        if (!std::setlocale(LC_NUMERIC, "comma")) {
            qunsetenv("LOCPATH");
            QSKIP("localedef could not build a comma locale (Debian package locales missing?)");
        }
        const auto restore = qScopeGuard([] {
            std::setlocale(LC_NUMERIC, "C");
            qunsetenv("LOCPATH");
        });
        QCOMPARE(QByteArray(std::localeconv()->decimal_point), QByteArray(","));
        QCOMPARE(ReadNumber(QStringLiteral("1.5")), 1.5);
        QCOMPARE(ReadNumber(QStringLiteral(".6E1")), 6.0);
        QCOMPARE(ReadNumber(QStringLiteral("1,5")), 1.0);
        QCOMPARE(EntryToInteger(QStringLiteral(".6"), 1, 30), std::optional<int>(1));
    }
};

QTEST_APPLESS_MAIN(TestNumberEntry)
#include "test_number_entry.moc"
