// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Form1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QScrollBar>
#include <QTextCursor>
#include <cstdio>
#include <cstdlib>

#include "app/FolderList.h"
#include "app/NumberEntry.h"
#include "app/SettingGrid.h"
#include "messages/SoundOutput.h"

namespace {

// Where the message directory starts: the user's home folder on systems without
// drive letters, the root of drive C on Windows.
QString startingFolder()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\");
#else
    return QDir::toNativeSeparators(QDir::homePath()) + QDir::separator();
#endif
}

QString ledPatternName(const QString& entry)
{
    const std::optional<int> pattern = EntryToInteger(entry, -32768, 32767);
    if (pattern == 1)
        return QStringLiteral("All On");
    if (pattern == 2)
        return QStringLiteral("Logo Only");
    return QString();
}

}  // namespace

Form1::Form1(QWidget* parent) : QWidget(parent), Player(MakeSoundOutput())
{
    setObjectName(QStringLiteral("Form1"));
    ExitProgram = [] {
        std::fflush(nullptr);
        std::_Exit(0);
    };
    BuildControls();
    ConnectHandlers();
}

Form1::~Form1() = default;

void Form1::ConnectHandlers()
{
    Timer1.setTimerType(Qt::PreciseTimer);
    m_waits.setHeartbeat(&Timer1);
    connect(&Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(&Timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);

    connect(cmdExitButton, &QPushButton::clicked, this, &Form1::cmdExitButton_Click);
    connect(cmdScanForPorts, &QPushButton::clicked, this, &Form1::cmdScanForPorts_Click);
    connect(cmdReadValues, &QPushButton::clicked, this, &Form1::cmdReadValues_Click);
    connect(cmdWriteChannel, &QPushButton::clicked, this, &Form1::cmdWriteChannel_Click);
    connect(cmdWriteProfileId, &QPushButton::clicked, this, &Form1::cmdWriteProfileId_Click);
    connect(cmdWriteSpkrVol, &QPushButton::clicked, this, &Form1::cmdWriteSpkrVol_Click);
    connect(cmdWriteRadioVol, &QPushButton::clicked, this, &Form1::cmdWriteRadioVol_Click);
    connect(cmdWriteIsdVol, &QPushButton::clicked, this, &Form1::cmdWriteIsdVol_Click);
    connect(cmdWriteCallCycle, &QPushButton::clicked, this, &Form1::cmdWriteCallCycle_Click);
    connect(cmdWriteCycleDelay, &QPushButton::clicked, this, &Form1::cmdWriteCycleDelay_Click);
    connect(cmdWriteLedPattern, &QPushButton::clicked, this, &Form1::cmdWriteLedPattern_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    // A check box's Click runs on every change of its state, the program's own included.
    connect(chkMsg1, &QCheckBox::toggled, this, &Form1::chkMsg1_Click);
    connect(chkMsg2, &QCheckBox::toggled, this, &Form1::chkMsg2_Click);
    connect(chkMsg6, &QCheckBox::toggled, this, &Form1::chkMsg6_Click);
    connect(txtDirectory, &QLineEdit::textChanged, this, &Form1::txtDirectory_Change);
    connect(Dir1, &FolderList::changed, this, &Form1::Dir1_Change);

    txtStatusMessages->setUndoRedoEnabled(false);
    m_logRefresh.setSingleShot(true);
    m_logRefresh.setInterval(0);
    connect(&m_logRefresh, &QTimer::timeout, this, &Form1::FlushStatusBox);
    connect(txtStatusMessages, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_logWriting)
            m_logBoxEdited = true;
    });
}

void Form1::Form_Load()
{
    Timer1.setInterval(100);
    Timer1.start();
    // Timer2 (10 ms) starts with the first countdown and stops at 0.
    CommPortNumber = 5;
    Msg1File.clear();
    Msg2File.clear();
    Msg6File.clear();
    MaxVolume = 63;
    txtDirectory->setText(startingFolder());
    Dir1->setPath(startingFolder());
    lblCommFail->setText(QString());
    lblCommFail->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    RecordTicks = 0;
    TickCountdown = 0;
    ReadFailed = kFalse;
    RetryCount = 0;
    m_log.clear();
    m_logLinesNotShown = 0;
    m_logWriting = true;
    txtStatusMessages->setPlainText(QString());
    m_logWriting = false;
    m_logBoxEdited = false;
    LineEnd = QStringLiteral("\r\n");
    LogFile(QStringLiteral("Interface Startup Complete"));
    lblMsg1Sec->hide();
    lblMsg2Sec->hide();
    lblMsg6Sec->hide();
    for (QLineEdit* box : ReadColumn())
        box->setText(QString());
    for (const GridRow& row : kSettingGrid)
        (this->*row.entryBox.member)->setText(QString());
    for (QLabel* hint : {lblSpkrInfo, lblSpkrInfo3, lblRadioInfo, lblRadioInfo3})
        hint->setText(QStringLiteral("Value:1-31(63)"));
    DiscoverPorts();
}

QList<QLineEdit*> Form1::ReadColumn() const
{
    QList<QLineEdit*> boxes;
    for (const GridRow& row : kSettingGrid)
        boxes << this->*row.readBox.member;
    return boxes << txtSoftwareVersion;
}

void Form1::cmdExitButton_Click()
{
    // Release the port first so its lock is gone with us, then stop wherever
    // the running operation stands.
    MSComm1.setPortOpen(false);
    ExitProgram();
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    cmdExitButton_Click();
}

void Form1::Timer1_Timer()
{
    // A tick that falls due while the previous one still waits is skipped.
    if (m_timer1Busy)
        return;
    m_timer1Busy = true;
    RecordingStep();
    RefreshMessageDirectory();
    ShowLedPatternNames();
    PortStep();
    m_timer1Busy = false;
}

void Form1::ShowLedPatternNames()
{
    lblLedPattern->setText(ledPatternName(txtNewLedPattern->text()));
    lblLedPatternRead->setText(ledPatternName(txtLedPatternRead->text()));
}

void Form1::LogFile(const QString& LogInfo)
{
    const QString line = FormatLogLine(QTime::currentTime(), LogInfo, LineEnd);
    m_log.add(line);
    ++m_logLinesNotShown;
    if (!m_logRefresh.isActive())
        m_logRefresh.start();
    if (LogObserver)
        LogObserver(line);
}

void Form1::FlushStatusBox()
{
    m_logRefresh.stop();
    if (m_logLinesNotShown == 0 && !m_logBoxEdited)
        return;
    m_logWriting = true;
    if (m_logBoxEdited) {
        // The user typed into the box: the log replaces its whole text.
        QString shown = m_log.text();
        shown.replace(LineEnd, QStringLiteral("\n"));
        txtStatusMessages->setPlainText(shown);
        m_logBoxEdited = false;
    } else {
        QString fresh;
        for (qsizetype i = 0; i < m_logLinesNotShown; ++i)
            fresh += m_log.newest(i);
        fresh.replace(LineEnd, QStringLiteral("\n"));
        QTextCursor top(txtStatusMessages->document());
        top.movePosition(QTextCursor::Start);
        top.insertText(fresh);
    }
    m_logLinesNotShown = 0;
    txtStatusMessages->moveCursor(QTextCursor::Start);
    txtStatusMessages->verticalScrollBar()->setValue(0);
    m_logWriting = false;
}
