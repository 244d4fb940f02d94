// SPDX-License-Identifier: GPL-3.0-or-later
// The window's controls as the rest of the program finds them (name, kind,
// place, limits, colours), and the folder list standing in for Dir1.

#include <unistd.h>

#include "FormFixture.h"

namespace {

int tw(int twips) { return int(std::lround(twips / 15.0)); }

const char* const kReadOutBoxes[] = {"txtChannelRead", "txtProfileIdRead", "txtSpkrReadVol", "txtRadioReadVol",
    "txtISDReadVol", "txtCallCycleRead", "txtCycleDelayRead", "txtLedPatternRead", "txtSoftwareVersion"};
const char* const kEntryBoxes[] = {"txtNewChannel", "txtNewProfileId", "txtNewSpkrVol", "txtNewRadioVol",
    "txtNewISDVol", "txtCallCycle", "txtCycleDelay", "txtNewLedPattern", "txtDirectory"};
const char* const kButtons[] = {"Command3", "cmdScanForPorts", "cmdExitButton", "cmdWriteChannel",
    "cmdWriteProfileId", "cmdWriteSpkrVol", "cmdWriteRadioVol", "cmdWriteIsdVol", "cmdWriteCallCycle",
    "cmdWriteCycleDelay", "cmdWriteLedPattern", "cmdReadValues"};
const char* const kLabels[] = {
    "Label3", "Label2", "lblMessageDirectory", "lblMsg1Sec", "lblMsg2Sec", "lblMsg6Sec",
    "Label30", "Label25", "Label8", "Label19", "Label20", "Label4", "Label14", "Label7", "Label9",
    "Label5", "Label12", "Label6", "Label10", "lblSpkrVolume2", "lblSpkrInfo3", "lblSpkrVolume",
    "lblSpkrInfo", "lblSpkrInfo2", "lblRadioVolume", "lblRadioInfo3", "Label29", "lblRadioInfo",
    "Label27", "lblISDVolume2", "lblISDInfo4", "lblISDInfo5", "lblISDVolume", "lblISDInfo",
    "lblISDInfo2", "lblCallCycleInfo2", "lblCallCycleInfo3", "lblCallCycle", "lblCallCycleInfo",
    "lblCycleDelayInfo3", "lblCycleDelayInfo2", "lblCycleDelay", "lblCycleDelayInfo", "Label17",
    "lblLedPatternRead", "Label11", "lblLedPattern", "lblISDInfo3", "lblSoftwareVersion",
    "lblCommFail", "Image1", "Label1", "Label26"};

}  // namespace

class TestLayout : public QObject {
    Q_OBJECT
    std::unique_ptr<Form1> form;

    template <class W>
    W* control(const char* name) { return form->findChild<W*>(QString::fromLatin1(name)); }

private slots:
    void initTestCase() {
        form = std::make_unique<Form1>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    void everyControlHasItsNameAndKind() {
        auto check = [this](const auto& names, const char* kind) {
            for (const char* name : names) {
                const auto found = form->findChildren<QWidget*>(QString::fromLatin1(name));
                QVERIFY2(found.size() == 1, name);
                QVERIFY2(found[0]->inherits(kind), name);
                QVERIFY2(found[0]->parentWidget() == form.get(), name);
            }
        };
        check(kReadOutBoxes, "QLineEdit");
        check(kEntryBoxes, "QLineEdit");
        check(kButtons, "QPushButton");
        check(kLabels, "QLabel");
        using Names = std::initializer_list<const char*>;
        check(Names{"chkMsg1", "chkMsg2", "chkMsg6"}, "QCheckBox");
        check(Names{"Combo1"}, "QComboBox");
        check(Names{"Dir1"}, "FolderList");
        check(Names{"txtStatusMessages"}, "QPlainTextEdit");
        QCOMPARE(form->Dir1, control<FolderList>("Dir1"));
        QCOMPARE(form->lblLedPattern, control<QLabel>("lblLedPattern"));
    }

    void windowIsFixedAndTitled() {
        QCOMPARE(form->minimumSize(), QSize(978, 672));
        QCOMPARE(form->maximumSize(), QSize(978, 672));
        QCOMPARE(form->windowTitle(), QStringLiteral("Corvale ZT870K VLQ Message Programmer"));
    }

    void geometry_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        auto row = [](const char* name, int l, int t, int w, int h) {
            QTest::newRow(name) << QString::fromLatin1(name) << QRect(l, t, w, h);
        };
        row("Label3", 4320, 0, 6975, 375);
        row("txtDirectory", 240, 600, 3375, 315);
        row("Dir1", 360, 4440, 3015, 1890);
        row("Combo1", 240, 6960, 1335, 315);
        row("txtChannelRead", 5520, 1080, 615, 420);
        row("txtNewLedPattern", 9600, 4440, 615, 420);
        row("cmdWriteCycleDelay", 11760, 3960, 2295, 375);
        row("lblISDInfo4", 6240, 3000, 1395, 255);    // two-line hint: T
        row("lblISDInfo5", 6240, 3240, 1395, 255);    // and T + 240
        row("Label12", 6240, 1680, 1395, 255);        // one-line hint: T + 120
        row("txtSoftwareVersion", 5760, 7440, 1335, 345);
        row("txtStatusMessages", 7080, 8520, 7095, 1455);
        row("Image1", 0, 9360, 5565, 690);
    }
    void geometry() {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        auto* w = form->findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(w->geometry(), QRect(tw(twips.x()), tw(twips.y()), tw(twips.width()), tw(twips.height())));
    }

    void captionsEndJustLeftOfTheirBox() {
        for (auto [caption, box] : {std::pair{"Label4", "txtChannelRead"},
                                    std::pair{"lblCallCycle", "txtCallCycle"}}) {
            const QRect c = control<QLabel>(caption)->geometry();
            const QRect b = control<QLineEdit>(box)->geometry();
            QVERIFY2(c.right() < b.left() && b.left() - c.right() <= 10, caption);
            QVERIFY(control<QLabel>(caption)->alignment() & Qt::AlignRight);
        }
    }

    void typingStopsAtTheLimit_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("limit");
        QTest::newRow("ISD volume") << "txtNewISDVol" << 1;
        QTest::newRow("speaker volume") << "txtNewSpkrVol" << 2;
        QTest::newRow("radio volume") << "txtNewRadioVol" << 2;
        QTest::newRow("call cycles") << "txtCallCycle" << 2;
        QTest::newRow("cycle delay") << "txtCycleDelay" << 3;
        QTest::newRow("LED pattern") << "txtNewLedPattern" << 3;
        QTest::newRow("directory") << "txtDirectory" << 120;
        QTest::newRow("channel: none") << "txtNewChannel" << 130;
        QTest::newRow("profile ID: none") << "txtNewProfileId" << 130;
    }
    void typingStopsAtTheLimit() {
        QFETCH(QString, name);
        QFETCH(int, limit);
        auto* box = form->findChild<QLineEdit*>(name);
        QVERIFY(box);
        box->clear();
        QTest::keyClicks(box, QString(130, QLatin1Char('7')));
        QCOMPARE(box->text(), QString(limit, QLatin1Char('7')));
    }

    void readOutBoxesRejectTyping() {
        for (const char* name : kReadOutBoxes) {
            auto* box = control<QLineEdit>(name);
            QVERIFY2(box->isReadOnly(), name);
            box->setText(QStringLiteral("5"));
            QTest::keyClicks(box, QStringLiteral("12"));
            QTest::keyClick(box, Qt::Key_Backspace);
            QCOMPARE(box->text(), QStringLiteral("5"));
        }
        for (const char* name : kEntryBoxes)
            QVERIFY2(!control<QLineEdit>(name)->isReadOnly(), name);
        QVERIFY(!form->txtStatusMessages->isReadOnly());
        QCOMPARE(form->txtStatusMessages->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    void boxesShowTheirColours_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("read-out") << "txtCycleDelayRead" << QColor(255, 255, 192);
        QTest::newRow("software version") << "txtSoftwareVersion" << QColor(255, 255, 192);
        QTest::newRow("entry") << "txtCycleDelay" << QColor(192, 255, 255);
        QTest::newRow("status log") << "txtStatusMessages" << QColor(Qt::white);
    }
    void boxesShowTheirColours() {
        QFETCH(QString, name);
        QFETCH(QColor, colour);
        auto* w = form->findChild<QWidget*>(name);
        QVERIFY(w && QMetaObject::invokeMethod(w, "clear"));  // the colour alone, no text over it
        const QImage image = w->grab().toImage();
        QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2).rgb(), colour.rgb());
    }

    void comboKeepsTypedText() {
        QVERIFY(form->Combo1->isEditable());
        QVERIFY(!form->Combo1->completer());
        form->Combo1->clear();
        form->Combo1->addItems({QStringLiteral("COM3"), QStringLiteral("COM7")});
        form->Combo1->setEditText(QString());
        QTest::keyClicks(form->Combo1->lineEdit(), QStringLiteral("com"));
        QTest::keyClick(form->Combo1->lineEdit(), Qt::Key_Return);
        QCOMPARE(form->Combo1->currentText(), QStringLiteral("com"));
        QCOMPARE(form->Combo1->count(), 2);
    }

    void frameLinesAreDrawn() {
        const QImage image = form->grab().toImage();
        const qreal r = image.devicePixelRatio();
        auto at = [&](int x, int y) { return image.pixelColor(int(x * r), int(y * r)); };
        const QColor background = at(tw(10000), tw(7000));
        // The read/write divider, the software-version rule and the bottom rule.
        QVERIFY(at(tw(7680), tw(6800)) != background);
        QVERIFY(at(tw(10000), tw(7200)) != background);
        QVERIFY(at(tw(7500), tw(8040)) != background);
        QCOMPARE(at(tw(7680) + 3, tw(6800)), background);
    }

    void folderList() {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QDir root(tmp.path());
        for (const char* d : {"beta", "Alpha", ".hidden", "Alpha/deep", "locked/inner"})
            QVERIFY(root.mkpath(QString::fromLatin1(d)));
        const QString file = root.filePath(QStringLiteral("sound.wav"));
        QVERIFY(QFile(file).open(QIODevice::WriteOnly));

        FolderList list;
        list.resize(300, 400);
        list.show();
        QSignalSpy changed(&list, &FolderList::changed);
        const QString top = QDir::cleanPath(root.absolutePath());
        QVERIFY(list.setPath(top));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(list.path(), top);

        auto rows = [&list] {
            QStringList out;
            for (int i = 0; i < list.count(); ++i)
                out << list.item(i)->text();
            return out;
        };
        // Ancestors from the root down, the current folder selected, then subfolders.
        const int depth = top.count(QLatin1Char('/')) + 1;
        QCOMPARE(list.count(), depth + 3);
        QCOMPARE(list.item(depth - 1)->data(FolderList::PathRole).toString(), top);
        QVERIFY(list.item(depth - 1)->isSelected());
        QCOMPARE(rows().mid(depth), (QStringList{"Alpha", "beta", "locked"}));

        // Same path or a missing one: nothing changes, nothing is announced.
        QVERIFY(list.setPath(top + QStringLiteral("/")));
        QVERIFY(!list.setPath(root.filePath(QStringLiteral("missing"))));
        QVERIFY(!list.setPath(file));
        QCOMPARE(list.path(), top);
        QCOMPARE(changed.size(), 1);

        // A single click selects only; a double click opens.
        QListWidgetItem* alpha = list.item(depth);
        const QPoint centre = list.visualItemRect(alpha).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(list.path(), top);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(list.path(), top + QStringLiteral("/Alpha"));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(rows().mid(depth + 1), QStringList{"deep"});

        // Double-clicking an ancestor goes back up.
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {},
                           list.visualItemRect(list.item(depth - 1)).center());
        QCOMPARE(list.path(), top);
        QCOMPARE(changed.size(), 3);

        // An unreadable folder opens but lists nothing (root reads it anyway).
        const QString locked = root.filePath(QStringLiteral("locked"));
        QVERIFY(QFile::setPermissions(locked, QFile::WriteOwner));
        QVERIFY(list.setPath(locked));
        if (::geteuid() != 0)
            QCOMPARE(list.count(), depth + 1);
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

QTEST_MAIN(TestLayout)
#include "test_layout.moc"
