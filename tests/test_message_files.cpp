// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the message directory and finding each message's sound file, on the
// real window under the offscreen platform.
#include "FormFixture.h"
#include "ModalAnswerer.h"
#include "Sheet.h"
#include "WavFile.h"

namespace {

// What stands in a message file here: only its name counts.
const QByteArray kBlank(64, '\0');

// One message's files and folders in the message directory, and the name it takes.
struct Choice {
    int slot = 0;
    QStringList files{};
    QString expected{};  // "" when neither name counts
    QStringList dirs{};
    QString folder{};  // below the temporary dir: the message directory
};

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
        QTest::addColumn<Choice>("c");
        auto row = [](const char* tag, const Choice& c) { QTest::newRow(tag) << c; };
        row("local: both, preferred wins", {0, {"local.wav", "msg1.wav"}, "local.wav"});
        row("radio: both, preferred wins", {1, {"msg2.wav", "radio.wav"}, "radio.wav"});
        row("lowbatt: both, preferred wins", {2, {"lowbatt.wav", "msg6.wav"}, "lowbatt.wav"});
        row("local: fallback alone", {0, {"msg1.wav"}, "msg1.wav"});
        row("radio: fallback alone", {1, {"msg2.wav"}, "msg2.wav"});
        row("lowbatt: fallback alone", {2, {"msg6.wav"}, "msg6.wav"});
        row("dot-file is not the preferred file", {0, {".local.wav", "msg1.wav"}, "msg1.wav"});
        row("folder named local.wav does not count", {0, {"msg1.wav"}, "msg1.wav", {"local.wav"}});
        row("folders under both names do not count", {.slot = 1, .dirs = {"radio.wav", "msg2.wav"}});
        row("letter case follows the file system", {0, {"LOCAL.WAV", "msg1.wav"}, "msg1.wav"});
        row("another message's file does not count", {1, {"local.wav", "msg1.wav", "lowbatt.wav"}});
        row("files in a hidden folder count", {2, {"lowbatt.wav"}, "lowbatt.wav", {}, ".sounds"});
    }

    // Found: the name is stored, the box stays ticked, nothing is said, and
    // clearing the box searches again without a word. Not found: the box ends clear.
    void fileChoice()
    {
        QFETCH(Choice, c);
        QDir dir(m->sounds.path());
        if (!c.folder.isEmpty()) {
            QVERIFY(dir.mkdir(c.folder));
            QVERIFY(dir.cd(c.folder));
        }
        for (const QString& f : c.files)
            QVERIFY(writeFile(dir.filePath(f), kBlank));
        for (const QString& d : c.dirs)
            QVERIFY(dir.mkdir(d));
        QVERIFY(useDirectory(QDir::toNativeSeparators(dir.path()) + kSep));

        box(c.slot)->setChecked(true);
        QCOMPARE(box(c.slot)->isChecked(), !c.expected.isEmpty());
        if (c.expected.isEmpty()) {
            QCOMPARE(m->answerer.count(), 2);
            QVERIFY(fileName(c.slot)->isEmpty());
            return;
        }
        QCOMPARE(*fileName(c.slot), c.expected);
        box(c.slot)->setChecked(false);
        QCOMPARE(*fileName(c.slot), c.expected);
        QCOMPARE(m->answerer.count(), 0);
        QVERIFY(log().isEmpty());
    }

    void missingFileWarnsTwiceAndKeepsName()
    {
        const QString withFiles = m->sounds.path() + kSep;
        QVERIFY(writeFile(withFiles + "local.wav", kBlank));
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
        QVERIFY(writeFile(dir + kSep + "radio.wav", kBlank));
        QVERIFY(useDirectory(trailing ? dir + kSep : dir));
        QCOMPARE(m->form.MsgDir, dir + kSep);
        m->form.chkMsg2->setChecked(true);
        QVERIFY(m->form.chkMsg2->isChecked());
        QCOMPARE(m->form.Msg2File, QStringLiteral("radio.wav"));
        QCOMPARE(m->answerer.count(), 0);

        m->form.txtDirectory->setText(QString());
        QVERIFY(m->form.msgDirBecomes(kSep));
    }

    // A change of the directory text unticks all three boxes, in order; their
    // searches still see the old directory for up to a tick, where the files are.
    void directoryChangeClearsBoxesSilently()
    {
        const QString dir = m->sounds.path() + kSep;
        for (const char* f : {"local.wav", "radio.wav", "msg6.wav"})
            QVERIFY(writeFile(dir + f, kBlank));
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
        QVERIFY(writeFile(voices + "/msg2.wav", kBlank));
        QVERIFY(useDirectory(m->sounds.path()));
        m->form.chkMsg2->setChecked(false);

        QVERIFY(m->form.Dir1->setPath(voices));
        const QString shown = QDir::toNativeSeparators(voices);
        QCOMPARE(m->form.txtDirectory->text(), shown);
        QVERIFY(m->form.msgDirBecomes(shown + kSep));
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
        return m->form.msgDirBecomes(dir.endsWith(kSep) ? dir : dir + kSep);
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
