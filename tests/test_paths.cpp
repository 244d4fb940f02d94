// SPDX-License-Identifier: GPL-3.0-or-later
// Message files and directories as they turn up in the field: odd folder names,
// links, pipes, files that go away or change under a run, cut-off WAV files,
// and boxes filled by pasting far more than they take. Each case ends with a
// clear message or a correct run, never a freeze, and nothing out of range sent.
#include <QClipboard>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "WindowRig.h"
#include "app/StatusLog.h"
#include "messages/MessageTiming.h"

namespace {

// The rig of the message runs; its sounds folder is where the message directories are made.
struct PathRig : MessageRig {
    // Makes the folder `name` in the sounds folder and chooses it in the folder list.
    bool useFolder(const QString& name)
    {
        return QDir().mkpath(sounds.filePath(name)) && chooseFolder(sounds.filePath(name));
    }
};

QString hugePaste()
{
    QString junk = QStringLiteral("999");
    const QString pieces[] = {"\r\n", QString(QChar(0)), "\x01\x1b[2J", "\t", "é", "音", "🙂",
                              "\u2029", "&H", "-", "e9", " "};
    for (int i = 0; junk.size() < 100000; ++i)
        junk += pieces[i % std::size(pieces)] + QString::number(i);
    return junk;
}

}  // namespace

class TestPaths : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { USE_PRIVATE_SOUND_SERVER(); }
    void messageDirectories_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("viaLink");
        QTest::newRow("blanks") << "my voice messages" << false;
        QTest::newRow("accents") << "Méssages ñ" << false;
        QTest::newRow("CJK") << "音声" << false;
        QTest::newRow("link to a folder") << "real folder" << true;
    }

    // The directory is found, the message recorded, and the log names the file
    // exactly as it is called.
    void messageDirectories()
    {
        QFETCH(QString, name);
        QFETCH(bool, viaLink);
        RIG(PathRig, p);
        QString dir = p.sounds.filePath(name);
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(writeWav(dir + "/local.wav", 3000));
        if (viaLink) {
            const QString link = p.sounds.filePath("Nachrichten → link");
            QVERIFY(QFile::link(dir, link));
            dir = link;
        }
        QVERIFY(p.chooseFolder(dir));
        p.form.chkMsg1->setChecked(true);
        QVERIFY(p.form.chkMsg1->isChecked());
        QCOMPARE(p.form.Msg1File, QStringLiteral("local.wav"));

        p.program();

        const QString line = "Local/Msg1 Programmed " + p.dir + "local.wav";
        QCOMPARE(p.newLog(), QStringList{line});
        QCOMPARE(p.sim.hostCommands(), QByteArray("Add"));
        QCOMPARE(p.form.Msg1Len, 3000.0);
        QCOMPARE(p.unrest(), QStringList());
        p.form.FlushStatusBox();
        QVERIFY(p.form.txtStatusMessages->toPlainText().contains(line));
    }

    void fileEntries_data()
    {
        // What stands in the directory under the local message's names.
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("found");  // "" when the tick is refused
        QTest::addColumn<int>("programmedSize");  // -1 where the tick is refused
        QTest::newRow("link named local.wav to a file") << "link" << "local.wav" << 3000;
        QTest::newRow("dangling local.wav, msg1.wav there") << "dangling+msg1" << "msg1.wav" << 800;
        QTest::newRow("dangling local.wav alone") << "dangling" << "" << -1;
        QTest::newRow("pipe named local.wav, msg1.wav there") << "pipe+msg1" << "msg1.wav" << 800;
        QTest::newRow("pipe named local.wav alone") << "pipe" << "" << -1;
        QTest::newRow("unreadable local.wav") << "unreadable" << "local.wav" << 0;
    }

    void fileEntries()
    {
        QFETCH(QString, setup);
        QFETCH(QString, found);
        QFETCH(int, programmedSize);
        if (setup == "unreadable" && geteuid() == 0)
            QSKIP("running as root: file permissions don't keep root from reading");
        RIG(PathRig, p);
        QVERIFY(p.useFolder("sounds"));
        const QString local = p.dir + "local.wav";
        if (setup == "link") {
            QVERIFY(writeWav(p.sounds.filePath("elsewhere.wav"), 3000));
            QVERIFY(QFile::link(p.sounds.filePath("elsewhere.wav"), local));
        } else if (setup.startsWith("dangling")) {
            QVERIFY(QFile::link(p.sounds.filePath("gone.wav"), local));
        } else if (setup.startsWith("pipe")) {
            QCOMPARE(mkfifo(QFile::encodeName(local).constData(), 0600), 0);
        } else if (setup == "unreadable") {
            QVERIFY(writeWav(local, 800));
            QVERIFY(QFile::setPermissions(local, QFileDevice::Permissions()));
        }
        if (setup.endsWith("+msg1"))
            QVERIFY(writeWav(p.dir + "msg1.wav", 800));

        p.form.chkMsg1->setChecked(true);

        QCOMPARE(p.form.chkMsg1->isChecked(), !found.isEmpty());
        if (found.isEmpty()) {
            const QString both = p.dir + "local.wav or " + p.dir + "msg1.wav";
            QCOMPARE(p.newLog(), QStringList({"No File " + both, "No File " + both}));
            QCOMPARE(p.unrest(QList<ShownBox>(2, Sheet::fileNotFound(both))), QStringList());
            return;
        }
        QCOMPARE(p.form.Msg1File, found);
        QCOMPARE(p.unrest(), QStringList());
        p.program();
        if (programmedSize == 0) {  // a file the program can't read is refused, not recorded
            QCOMPARE(p.newLog(), QStringList{"**ERR: Local/MSG1 Failed to Program"});
            QCOMPARE(p.unrest({Sheet::fileNotFound(p.dir + found)}), QStringList());
            QCOMPARE(p.sim.hostCommands(), QByteArray());
            return;
        }
        QCOMPARE(p.newLog(), QStringList{"Local/Msg1 Programmed " + p.dir + found});
        QCOMPARE(p.form.Msg1Len, double(programmedSize));  // the file's size, not the link's
        QCOMPARE(p.sim.hostCommands(), QByteArray("Add"));
    }

    // The folder goes away after Local was ticked: ticking Radio warns, and the
    // run refuses Local with a message instead of recording silence.
    void directoryRemovedWhileSelected()
    {
        RIG(PathRig, p);
        QVERIFY(p.useFolder("usb stick"));
        QVERIFY(writeWav(p.dir + "radio.wav", 800));
        QVERIFY(p.tick(Sheet::kLocalMsg, 800));
        QVERIFY(QDir(p.dir).removeRecursively());

        p.form.chkMsg2->setChecked(true);
        const QString both = p.dir + "radio.wav or " + p.dir + "msg2.wav";
        QVERIFY(!p.form.chkMsg2->isChecked());
        QCOMPARE(p.newLog(), QStringList({"No File " + both, "No File " + both}));
        QCOMPARE(p.unrest(QList<ShownBox>(2, Sheet::fileNotFound(both))), QStringList());

        p.program();

        QCOMPARE(p.newLog(), QStringList{"**ERR: Local/MSG1 Failed to Program"});
        QCOMPARE(p.unrest({Sheet::fileNotFound(p.dir + "local.wav")}), QStringList());
        QCOMPARE(p.sim.hostSent(), QByteArray("qq"));  // the read-out, and no command
    }

    // Another program swaps local.wav for a longer take while the run's read-out
    // is going on: the recording time comes from the file as it is when its slot
    // is reached.
    void fileReplacedDuringReadOut()
    {
        RIG(PathRig, p);
        QVERIFY(p.useFolder("takes"));
        QVERIFY(p.tick(Sheet::kLocalMsg, 800));
        const QString local = p.dir + "local.wav";
        bool replaced = false;
        p.onEachByte([&](const WireByte& b) {
            if (replaced || b.dir != WireDir::HostToBox || b.byte != 'q')
                return;
            replaced = true;
            QTimer::singleShot(0, [&] {
                // Written aside and renamed over the old one, as editors save.
                QVERIFY(writeWav(local + ".new", 6615));
                QVERIFY(std::rename(QFile::encodeName(local + ".new").constData(),
                                    QFile::encodeName(local).constData()) == 0);
            });
        });
        qint32 limit = -1;
        p.whileRecording([&] { limit = p.form.RecordLimit; });

        p.program();

        QVERIFY(replaced);
        QCOMPARE(p.newLog(), QStringList{"Local/Msg1 Programmed " + p.dir + "local.wav"});
        QCOMPARE(p.form.Msg1Len, 6615.0);
        QCOMPARE(limit, 3);
        QVERIFY(p.form.lblMsg1Sec->text().startsWith("Length: .30  Timer: "));
    }

    // WAV files cut off in the middle of a sample, or shorter than their header
    // says, are played as far as they go; the next message then records as usual
    // (the player once waited for the rest of such a file for ever, freezing the
    // window at the next message).
    void cutOffWavDoesNotFreezeNextRecording()
    {
        RIG(PathRig, p);
        QVERIFY(p.useFolder("cut"));
        QVERIFY(writeFile(p.dir + "local.wav", wav(1, 1, 11025, 16, 1547, 1547)));   // half a sample at the end
        QVERIFY(writeFile(p.dir + "radio.wav", wav(1, 1, 11025, 16, 100000, 1000))); // a copy cut short
        QVERIFY(writeWav(p.dir + "lowbatt.wav", 1591));  // odd size, no length given
        for (QCheckBox* box : {p.form.chkMsg1, p.form.chkMsg2, p.form.chkMsg6})
            box->setChecked(true);

        p.program();

        QCOMPARE(p.newLog(), QStringList({"Local/Msg1 Programmed " + p.dir + "local.wav",
                                          "Radio/Msg2 Programmed " + p.dir + "radio.wav",
                                          "LowBatt/Msg6 Programmed " + p.dir + "lowbatt.wav"}));
        QCOMPARE(p.sim.hostCommands(), QByteArray("AddBddFdd"));
        QCOMPARE(p.unrest(), QStringList());
    }

    void pastedIntoEntry_data()
    {
        // Each box keeps what its own limit allows (none: the toolkit's 32767);
        // whatever it keeps of the paste starts with 999, out of every row's range.
        QTest::addColumn<const Sheet::Setting*>("setting");
        const char* const tags[] = {"channel", "profile",    "speaker",     "radio",
                                    "isd",     "call cycle", "cycle delay", "led pattern"};
        static_assert(std::size(tags) == std::size(Sheet::kSettings));
        for (size_t i = 0; i < std::size(tags); ++i)
            QTest::newRow(tags[i]) << &Sheet::kSettings[i];
    }

    void pastedIntoEntry()
    {
        QFETCH(const Sheet::Setting*, setting);
        RIG(WindowRig, rig);
        QLineEdit* box = rig.form.*setting->entry;
        const QString paste = hugePaste();
        QApplication::clipboard()->setText(paste);
        QCOMPARE(QApplication::clipboard()->text().size(), paste.size());
        box->setFocus();
        box->selectAll();
        QTest::keySequence(box, QKeySequence::Paste);

        QCOMPARE(box->text(), paste.left(setting->boxLimit));

        // Through the clipboard or set outright: refused the same way, nothing sent.
        for (int round = 0; round < 2; ++round) {
            if (round == 1)
                box->setText(paste);
            rig.mark();
            QTest::mouseClick(rig.form.*setting->button, Qt::LeftButton);
            QCOMPARE(rig.newLog(), QStringList{setting->outOfRange()});
            const bool tooLong = box->text().size() > setting->digits;
            QCOMPARE(rig.unrest({setting->refusal(tooLong)}), QStringList());
            QVERIFY(rig.sim.hostSent().isEmpty());
            QVERIFY(box->text().size() <= setting->boxLimit);
        }
    }

    // 100 kB with line breaks and control characters pasted as the directory: the
    // box keeps its 120 characters, ticking a message warns with what it kept, and
    // the log keeps the text as it came (a line break in it spreads the entry over
    // two lines of the box, as any message with a line break does).
    void pastedIntoDirectory()
    {
        RIG(WindowRig, rig);
        const QString paste = QStringLiteral("/tmp/x\r\ny\x01z") + hugePaste();
        QApplication::clipboard()->setText(paste);
        QLineEdit* dir = rig.form.txtDirectory;
        dir->setFocus();
        dir->selectAll();
        QTest::keySequence(dir, QKeySequence::Paste);
        QCOMPARE(dir->text(), paste.left(120));
        QVERIFY(rig.form.msgDirBecomes(paste.left(120) + kSep));

        rig.mark();
        rig.form.chkMsg1->setChecked(true);

        QVERIFY(!rig.form.chkMsg1->isChecked());
        QCOMPARE(rig.answerer.count(), 2);
        QCOMPARE(rig.answerer.boxes[0].title, QStringLiteral("File Not Found"));
        QCOMPARE(rig.newLog().size(), 2);
        const StatusLogBuffer& log = rig.form.statusLogBuffer();
        for (int i = 0; i < 2; ++i) {
            QVERIFY(log.newest(i).endsWith(rig.form.LineEnd));
            QVERIFY2(log.newest(i).contains(QStringLiteral("No File /tmp/x\r\ny\x01z999")), qPrintable(log.newest(i).left(40).toUtf8().toPercentEncoding()));
        }
        rig.form.FlushStatusBox();
        QString shown = rig.form.StatusLog();
        shown.replace(rig.form.LineEnd, QStringLiteral("\n"));
        // The box breaks lines at CR and at the Unicode line separators as well.
        for (QChar c : {QChar(u'\r'), QChar(0x2028), QChar(0x2029)})
            shown.replace(c, QLatin1Char('\n'));
        QString inBox = rig.form.txtStatusMessages->toPlainText();
        inBox.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        QCOMPARE(inBox, shown);
    }

    void deepFolderChosenInTheList_data()
    {
        QTest::addColumn<int>("length");  // of the chosen folder's path as the box shows it
        QTest::addColumn<bool>("decoy");  // its first 120 characters name a folder with a longer take
        QTest::newRow("120 characters and _new, beside the 120") << 124 << true;
        QTest::newRow("over 200 characters") << 210 << false;
    }

    // The box keeps the whole path of a folder double-clicked in the list, however
    // long: that folder's file is recorded, not one in a folder named by the first
    // 120 characters, and no tick fails for a folder nobody chose. Typing into it
    // still adds nothing beyond the limit, and the path can be shortened.
    void deepFolderChosenInTheList()
    {
        QFETCH(int, length);
        QFETCH(bool, decoy);
        RIG(PathRig, p);
        const QString top = QDir::toNativeSeparators(p.sounds.path());
        QVERIFY(top.size() < 100);
        const QString cut = top + kSep + QString(120 - top.size() - 1, QLatin1Char('m'));
        const QString chosen = decoy ? cut + "_new" : cut + QString(length - 120, QLatin1Char('n'));
        QCOMPARE(chosen.size(), length);
        QVERIFY(QDir().mkpath(chosen));
        const qint64 take = qint64(0.45 * kBytesPerSecond);
        QVERIFY(writeWav(chosen + "/local.wav", take));
        if (decoy) {
            QVERIFY(QDir().mkpath(cut));
            QVERIFY(writeWav(cut + "/local.wav", qint64(3 * kBytesPerSecond)));
        }

        FolderList* list = p.form.Dir1;
        QVERIFY(list->setPath(p.sounds.path()));
        QListWidgetItem* row = nullptr;
        for (int i = 0; i < list->count(); ++i)
            if (QDir::toNativeSeparators(list->item(i)->data(FolderList::PathRole).toString()) == chosen)
                row = list->item(i);
        QVERIFY(row);
        list->scrollToItem(row);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
        QCOMPARE(p.form.txtDirectory->text(), chosen);
        QVERIFY(p.form.msgDirBecomes(chosen + kSep));

        p.form.chkMsg1->setChecked(true);
        QVERIFY(p.form.chkMsg1->isChecked());
        QCOMPARE(p.answerer.count(), 0);
        p.program();

        QCOMPARE(p.newLog(), QStringList{"Local/Msg1 Programmed " + chosen + kSep + "local.wav"});
        QCOMPARE(p.form.Msg1Len, double(take));
        QCOMPARE(p.sim.hostCommands(), QByteArray("Add"));

        QLineEdit* box = p.form.txtDirectory;
        box->setFocus();
        box->end(false);
        QTest::keyClicks(box, QStringLiteral("xy"));
        QCOMPARE(box->text(), chosen);
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), chosen.chopped(1));
    }
};

QTEST_MAIN(TestPaths)
#include "test_paths.moc"
