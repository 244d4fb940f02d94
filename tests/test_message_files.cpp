// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the message directory and finding each message's sound file, on the
// real window under the offscreen platform.
#include "FormFixture.h"
#include "ModalAnswerer.h"
#include "Sheet.h"
#include "WaitFor.h"

namespace {

const QString kSep = QDir::separator();

bool touch(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray(64, '\0')) == 64;
}

}  // namespace

class TestMessageFiles : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m = std::make_unique<Window>();
        QVERIFY(m->sounds.isValid());
    }
    void cleanup() { m.reset(); }

    void fileChoice_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("folder");  // below the temporary dir: the message directory
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("dirs");
        QTest::addColumn<QString>("expected");  // "" when neither name counts
        const QString top;
        QTest::newRow("local: both, preferred wins")
            << 0 << top << QStringList{"local.wav", "msg1.wav"} << QStringList{} << "local.wav";
        QTest::newRow("radio: both, preferred wins")
            << 1 << top << QStringList{"msg2.wav", "radio.wav"} << QStringList{} << "radio.wav";
        QTest::newRow("lowbatt: both, preferred wins")
            << 2 << top << QStringList{"lowbatt.wav", "msg6.wav"} << QStringList{} << "lowbatt.wav";
        QTest::newRow("local: fallback alone")
            << 0 << top << QStringList{"msg1.wav"} << QStringList{} << "msg1.wav";
        QTest::newRow("radio: fallback alone")
            << 1 << top << QStringList{"msg2.wav"} << QStringList{} << "msg2.wav";
        QTest::newRow("lowbatt: fallback alone")
            << 2 << top << QStringList{"msg6.wav"} << QStringList{} << "msg6.wav";
        QTest::newRow("dot-file is not the preferred file")
            << 0 << top << QStringList{".local.wav", "msg1.wav"} << QStringList{} << "msg1.wav";
        QTest::newRow("folder named local.wav does not count")
            << 0 << top << QStringList{"msg1.wav"} << QStringList{"local.wav"} << "msg1.wav";
        QTest::newRow("folders under both names do not count")
            << 1 << top << QStringList{} << QStringList{"radio.wav", "msg2.wav"} << "";
        QTest::newRow("letter case follows the file system")
            << 0 << top << QStringList{"LOCAL.WAV", "msg1.wav"} << QStringList{} << "msg1.wav";
        QTest::newRow("another message's file does not count")
            << 1 << top << QStringList{"local.wav", "msg1.wav", "lowbatt.wav"} << QStringList{} << "";
        QTest::newRow("files in a hidden folder count")
            << 2 << ".sounds" << QStringList{"lowbatt.wav"} << QStringList{} << "lowbatt.wav";
    }

    // Found: the name is stored, the box stays ticked, nothing is said, and
    // clearing the box searches again without a word. Not found: the box ends clear.
    void fileChoice()
    {
        QFETCH(int, slot);
        QFETCH(QString, folder);
        QFETCH(QStringList, files);
        QFETCH(QStringList, dirs);
        QFETCH(QString, expected);
        QDir dir(m->sounds.path());
        if (!folder.isEmpty()) {
            QVERIFY(dir.mkdir(folder));
            QVERIFY(dir.cd(folder));
        }
        for (const QString& f : files)
            QVERIFY(touch(dir.filePath(f)));
        for (const QString& d : dirs)
            QVERIFY(dir.mkdir(d));
        QVERIFY(useDirectory(QDir::toNativeSeparators(dir.path()) + kSep));

        box(slot)->setChecked(true);
        if (expected.isEmpty()) {
            QVERIFY(!box(slot)->isChecked());
            QCOMPARE(m->answerer.count(), 2);
            QVERIFY(fileName(slot)->isEmpty());
            return;
        }
        QVERIFY(box(slot)->isChecked());
        QCOMPARE(*fileName(slot), expected);
        box(slot)->setChecked(false);
        QCOMPARE(*fileName(slot), expected);
        QCOMPARE(m->answerer.count(), 0);
        QVERIFY(log().isEmpty());
    }

    void missingFileWarnsTwiceAndKeepsName()
    {
        const QString withFiles = m->sounds.path() + kSep;
        QVERIFY(touch(withFiles + "local.wav"));
        QVERIFY(useDirectory(withFiles));
        m->form.chkMsg1->setChecked(true);
        QCOMPARE(m->form.Msg1File, QStringLiteral("local.wav"));

        QVERIFY(QDir(m->sounds.path()).mkdir("empty"));
        const QString empty = withFiles + "empty" + kSep;
        QVERIFY(useDirectory(empty));
        m->form.log.mark();
        m->form.chkMsg1->setChecked(true);

        const QString both = empty + "local.wav or " + empty + "msg1.wav";
        QCOMPARE(log(), QStringList({"No File " + both, "No File " + both}));
        QCOMPARE(m->answerer.boxes, QList<ShownBox>(2, Sheet::fileNotFound(both)));
        QVERIFY(!m->form.chkMsg1->isChecked());
        QCOMPARE(m->form.Msg1File, QStringLiteral("local.wav"));  // the last name found stays
    }

    void directoryRefresh_data()
    {
        QTest::addColumn<bool>("trailing");
        QTest::newRow("with separator") << true;
        QTest::newRow("without separator") << false;
    }

    // The directory text is taken as typed; only the separator is added.
    void directoryRefresh()
    {
        QFETCH(bool, trailing);
        const QString dir = QDir::toNativeSeparators(m->sounds.path());
        QVERIFY(touch(dir + kSep + "radio.wav"));
        QVERIFY(useDirectory(trailing ? dir + kSep : dir));
        QCOMPARE(m->form.MsgDir, dir + kSep);
        m->form.chkMsg2->setChecked(true);
        QVERIFY(m->form.chkMsg2->isChecked());
        QCOMPARE(m->form.Msg2File, QStringLiteral("radio.wav"));
        QCOMPARE(m->answerer.count(), 0);

        m->form.txtDirectory->setText(QString());
        QVERIFY(waitFor([&] { return m->form.MsgDir == kSep; }, 2000));
    }

    // A change of the directory text unticks all three boxes, in order; their
    // searches still see the old directory for up to a tick, where the files are.
    void directoryChangeClearsBoxesSilently()
    {
        const QString dir = m->sounds.path() + kSep;
        for (const char* f : {"local.wav", "radio.wav", "msg6.wav"})
            QVERIFY(touch(dir + f));
        QVERIFY(QDir(dir).mkdir("empty"));
        QVERIFY(useDirectory(dir));
        for (int slot = 0; slot < 3; ++slot)
            box(slot)->setChecked(true);
        QStringList order;
        for (int slot = 0; slot < 3; ++slot)
            connect(box(slot), &QCheckBox::toggled, this,
                    [&order, slot](bool on) { order << QString::number(slot) + (on ? "+" : "-"); });

        m->form.txtDirectory->setText(dir + "empty" + kSep);
        QCOMPARE(order, QStringList({"0-", "1-", "2-"}));
        QCOMPARE(m->answerer.count(), 0);
        QVERIFY(log().isEmpty());
        QCOMPARE(m->form.Msg6File, QStringLiteral("msg6.wav"));
    }

    // The folder list writes its path into the text box; typing doesn't move it.
    void folderListSetsDirectoryText()
    {
        QVERIFY(QDir(m->sounds.path()).mkdir("voices"));
        const QString voices = m->sounds.path() + "/voices";
        QVERIFY(touch(voices + "/msg2.wav"));
        QVERIFY(useDirectory(m->sounds.path()));
        m->form.chkMsg2->setChecked(false);

        QVERIFY(m->form.Dir1->setPath(voices));
        const QString shown = QDir::toNativeSeparators(voices);
        QCOMPARE(m->form.txtDirectory->text(), shown);
        QVERIFY(waitFor([&] { return m->form.MsgDir == shown + kSep; }, 2000));
        m->form.chkMsg2->setChecked(true);
        QCOMPARE(m->form.Msg2File, QStringLiteral("msg2.wav"));

        const QString before = m->form.Dir1->path();
        m->form.txtDirectory->setText(m->sounds.path());
        QCOMPARE(m->form.Dir1->path(), before);
        QVERIFY(!m->form.chkMsg2->isChecked());
    }

private:
    // Points the window at `dir` and waits for Timer1 to take it into MsgDir.
    bool useDirectory(const QString& dir)
    {
        m->form.txtDirectory->setText(dir);
        const QString expected = dir.endsWith(kSep) ? dir : dir + kSep;
        return waitFor([&] { return m->form.MsgDir == expected; }, 2000);
    }

    QCheckBox* box(int slot) const { return m->form.*Sheet::kSlots[slot].box; }
    QString* fileName(int slot) const { return &(m->form.*Sheet::kSlots[slot].fileName); }

    // A fresh window for each case, the boxes it shows answered, and a folder
    // of message files; the window goes first.
    struct Window {
        QTemporaryDir sounds;
        ModalAnswerer answerer;
        LoadedForm form;
    };
    std::unique_ptr<Window> m;
    QStringList log() const { return m->form.log.texts(); }  // since init(), oldest first
};

QTEST_MAIN(TestMessageFiles)
#include "test_message_files.moc"
