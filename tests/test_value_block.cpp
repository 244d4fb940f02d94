// SPDX-License-Identifier: GPL-3.0-or-later
// The pure rules of the read column: block sum, profile ID, version text.
#include <QTest>

#include "settings/ValueBlock.h"

class TestValueBlock : public QObject {
    Q_OBJECT
private slots:
    void profileId_data()
    {
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::addColumn<QString>("text");
        QTest::newRow("300") << 0x01 << 0x2C << "0300";
        QTest::newRow("9999") << 0x27 << 0x0F << "9999";
        QTest::newRow("7") << 0x00 << 0x07 << "0007";
        QTest::newRow("zero") << 0x00 << 0x00 << "0000";
        QTest::newRow("both flags") << 0xFF << 0xFF << "0000";
        QTest::newRow("largest") << 0x3F << 0xFF << "16383";
        QTest::newRow("bit 6 drops low") << 0x41 << 0x2C << "0256";
        QTest::newRow("bit 7 drops high") << 0x81 << 0x2C << "0044";
        QTest::newRow("two digits") << 0x00 << 0x63 << "0099";
        QTest::newRow("1000") << 0x03 << 0xE8 << "1000";
    }

    void profileId()
    {
        QFETCH(int, high);
        QFETCH(int, low);
        QFETCH(QString, text);
        QCOMPARE(ProfileIdText(DecodeProfileId(quint8(high), quint8(low))), text);
    }

    void blockSum_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<int>("sum");
        QTest::newRow("19 bytes: offsets 0-18") << QByteArray(19, char(0xFF)) << 19 * 255;
        QTest::newRow("20 bytes: offsets 0-19") << QByteArray(20, char(0xFF)) << 20 * 255;
        QTest::newRow("25 bytes: 20 on ignored") << QByteArray(25, char(0xFF)) << 20 * 255;
        QTest::newRow("offset 20 ignored") << QByteArray(20, '\0') + char(100) << 0;
        QTest::newRow("bytes unsigned") << QByteArray("\x80\x01", 2) << 129;
        QTest::newRow("empty") << QByteArray() << 0;
    }

    void blockSum()
    {
        QFETCH(QByteArray, block);
        QFETCH(int, sum);
        QCOMPARE(ValueBlockSum(block), sum);
    }

    void isdVolume()
    {
        QCOMPARE(IsdVolumeText(255), QStringLiteral("0"));
        QCOMPARE(IsdVolumeText(6), QStringLiteral("6"));
        QCOMPARE(IsdVolumeText(0), QStringLiteral("0"));
        QCOMPARE(IsdVolumeText(254), QStringLiteral("254"));
        QCOMPARE(ByteText(200), QStringLiteral("200"));
    }

    void versionKeepsEightCharacters_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QByteArray("V1.12ZTK") << "V1.12ZTK";
        QTest::newRow("blanks kept") << QByteArray(" V1  2  ") << " V1  2  ";
        QTest::newRow("NUL in the middle") << QByteArray("V1\0\0ZT\x1F!", 8)
                                           << QString::fromUtf8("V1\u2400\u2400ZT\u241F!");
        QTest::newRow("DEL and Western") << QByteArray("\x7F\x80\x9FV1.2A", 8)
                                         << QString::fromUtf8("\u2421\u20AC\u0178V1.2A");
        QTest::newRow("version with euro and trade mark") << QByteArray("V1\x80\x99 1.2", 8)
                                                          << QString::fromUtf8("V1€™ 1.2");
        // The whole of 0x80-0x9F; the five bytes without a character stay U+FFFD.
        QTest::newRow("Western 80-87") << QByteArray("\x80\x81\x82\x83\x84\x85\x86\x87", 8)
                                       << QString::fromUtf8("€\uFFFD‚ƒ„…†‡");
        QTest::newRow("Western 88-8F") << QByteArray("\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F", 8)
                                       << QString::fromUtf8("ˆ‰Š‹Œ\uFFFDŽ\uFFFD");
        QTest::newRow("Western 90-97") << QByteArray("\x90\x91\x92\x93\x94\x95\x96\x97", 8)
                                       << QString::fromUtf8("\uFFFD‘’“”•–—");
        QTest::newRow("Western 98-9F") << QByteArray("\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F", 8)
                                       << QString::fromUtf8("˜™š›œ\uFFFDžŸ");
        QTest::newRow("Latin-1") << QByteArray("\xE9\xA0\xFF\xC4V1.2", 8)
                                 << QString::fromUtf8("\u00E9\u00A0\u00FF\u00C4V1.2");
    }

    void versionKeepsEightCharacters()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const QString shown = SoftwareVersionText(bytes);
        QCOMPARE(shown.size(), 8);
        QCOMPARE(shown, text);
    }

    void shortBlockHasNoByte()
    {
        const QByteArray block(16, char(7));
        QCOMPARE(BlockByte(block, 15), std::optional<quint8>(7));
        QVERIFY(!BlockByte(block, 16));
        QVERIFY(!BlockByte(block, -1));
    }
};

QTEST_APPLESS_MAIN(TestValueBlock)
#include "test_value_block.moc"
