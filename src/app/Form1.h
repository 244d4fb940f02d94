// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The programmer's one window. It owns every control, the serial control and
// all window-level state; the handlers and shared routines are spread over the
// subsystem folders (app/, link/, settings/, messages/) but all belong here.
// The call box protocol itself (waits, port set-up, exchanges, read loop) lives
// beneath it in objects that know no widgets; the routines here hand on to them.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/Boolean.h"
#include "app/LogSink.h"
#include "app/StatusLog.h"
#include "app/TickWaits.h"
#include "link/DeviceLink.h"
#include "link/MSComm.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QCheckBox;
class QComboBox;
class FolderList;
class SoundOutput;

class Form1 : public QWidget, public LogSink {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // ---- Window-level state (all of it; nothing else is global) ----
    qint16 CommPortNumber = 0;
    Countdown TickCountdown;  // ticks; Timer2 runs only while it is above 0
    qint16 RetryCount = 0;
    qint16 MaxVolume = 0;
    Boolean ReadFailed = kFalse;
    QString LineEnd;
    qint16 RecordTicks = 0;
    qint32 RecordLimit = 0;
    Boolean Recording = kFalse;
    QString MsgDir;
    QString Msg1File, Msg2File, Msg6File;
    double Msg1Len = 0, Msg1Sec = 0, Msg2Len = 0, Msg2Sec = 0, Msg6Len = 0, Msg6Sec = 0;

    // The whole log, newest line first, each line ending in LineEnd.
    QString StatusLog() const { return m_log.text(); }
    const StatusLogBuffer& statusLogBuffer() const { return m_log; }

    MSComm MSComm1;
    QTimer Timer1;  // 100 ms: recording step, directory refresh, LED names, port step
    QTimer Timer2;  // 10 ms: counts TickCountdown down while it is above 0
    // The sound player through which the call box hears each message.
    std::unique_ptr<SoundOutput> Player;

    // ---- Controls (objectName == member name) ----
    // Title and message panel
    QLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtDirectory = nullptr;
    QLabel* lblMessageDirectory = nullptr;
    QCheckBox* chkMsg1 = nullptr;
    QLabel* lblMsg1Sec = nullptr;
    QCheckBox* chkMsg2 = nullptr;
    QLabel* lblMsg2Sec = nullptr;
    QCheckBox* chkMsg6 = nullptr;
    QLabel* lblMsg6Sec = nullptr;
    QPushButton* Command3 = nullptr;
    QLabel* Label30 = nullptr;
    FolderList* Dir1 = nullptr;
    // Ports and exit
    QLabel* Label25 = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* cmdScanForPorts = nullptr;
    QPushButton* cmdExitButton = nullptr;
    // Settings grid headers
    QLabel* Label8 = nullptr;
    QLabel* Label19 = nullptr;
    QLabel* Label20 = nullptr;
    // Channel row
    QLabel* Label4 = nullptr;
    QLineEdit* txtChannelRead = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* txtNewChannel = nullptr;
    QLabel* Label9 = nullptr;
    QPushButton* cmdWriteChannel = nullptr;
    // Profile ID row
    QLabel* Label5 = nullptr;
    QLineEdit* txtProfileIdRead = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* txtNewProfileId = nullptr;
    QLabel* Label10 = nullptr;
    QPushButton* cmdWriteProfileId = nullptr;
    // Speaker volume row
    QLabel* lblSpkrVolume2 = nullptr;
    QLineEdit* txtSpkrReadVol = nullptr;
    QLabel* lblSpkrInfo3 = nullptr;
    QLabel* lblSpkrVolume = nullptr;
    QLineEdit* txtNewSpkrVol = nullptr;
    QLabel* lblSpkrInfo = nullptr;
    QLabel* lblSpkrInfo2 = nullptr;
    QPushButton* cmdWriteSpkrVol = nullptr;
    // Radio volume row
    QLabel* lblRadioVolume = nullptr;
    QLineEdit* txtRadioReadVol = nullptr;
    QLabel* lblRadioInfo3 = nullptr;
    QLabel* Label29 = nullptr;
    QLineEdit* txtNewRadioVol = nullptr;
    QLabel* lblRadioInfo = nullptr;
    QLabel* Label27 = nullptr;
    QPushButton* cmdWriteRadioVol = nullptr;
    // ISD volume row
    QLabel* lblISDVolume2 = nullptr;
    QLineEdit* txtISDReadVol = nullptr;
    QLabel* lblISDInfo4 = nullptr;
    QLabel* lblISDInfo5 = nullptr;
    QLabel* lblISDVolume = nullptr;
    QLineEdit* txtNewISDVol = nullptr;
    QLabel* lblISDInfo = nullptr;
    QLabel* lblISDInfo2 = nullptr;
    QPushButton* cmdWriteIsdVol = nullptr;
    // Call cycles row
    QLabel* lblCallCycleInfo2 = nullptr;
    QLineEdit* txtCallCycleRead = nullptr;
    QLabel* lblCallCycleInfo3 = nullptr;
    QLabel* lblCallCycle = nullptr;
    QLineEdit* txtCallCycle = nullptr;
    QLabel* lblCallCycleInfo = nullptr;
    QPushButton* cmdWriteCallCycle = nullptr;
    // Cycle delay row
    QLabel* lblCycleDelayInfo3 = nullptr;
    QLineEdit* txtCycleDelayRead = nullptr;
    QLabel* lblCycleDelayInfo2 = nullptr;
    QLabel* lblCycleDelay = nullptr;
    QLineEdit* txtCycleDelay = nullptr;
    QLabel* lblCycleDelayInfo = nullptr;
    QPushButton* cmdWriteCycleDelay = nullptr;
    // LED pattern row
    QLabel* Label17 = nullptr;
    QLineEdit* txtLedPatternRead = nullptr;
    QLabel* lblLedPatternRead = nullptr;
    QLabel* Label11 = nullptr;
    QLineEdit* txtNewLedPattern = nullptr;
    QLabel* lblLedPattern = nullptr;
    QPushButton* cmdWriteLedPattern = nullptr;
    // Below the grid
    QPushButton* cmdReadValues = nullptr;
    QLabel* lblISDInfo3 = nullptr;
    QLabel* lblSoftwareVersion = nullptr;
    QLineEdit* txtSoftwareVersion = nullptr;
    // Bottom strip
    QLabel* lblCommFail = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QPlainTextEdit* txtStatusMessages = nullptr;
    QLabel* Label26 = nullptr;

    // ---- Handlers ----
    void Form_Load();                // app/Form1.cpp
    void cmdExitButton_Click();      // app/Form1.cpp
    void Timer1_Timer();             // app/Form1.cpp
    void Timer2_Timer() { m_waits.tick(); }
    void cmdScanForPorts_Click();    // link/Ports.cpp
    void cmdReadValues_Click();      // settings/ReadOut.cpp
    void cmdWriteChannel_Click();    // settings/Writes.cpp (all eight)
    void cmdWriteProfileId_Click();
    void cmdWriteSpkrVol_Click();
    void cmdWriteRadioVol_Click();
    void cmdWriteIsdVol_Click();
    void cmdWriteCallCycle_Click();
    void cmdWriteCycleDelay_Click();
    void cmdWriteLedPattern_Click();
    void chkMsg1_Click();            // messages/FileSelection.cpp
    void chkMsg2_Click();
    void chkMsg6_Click();
    void Dir1_Change();
    void txtDirectory_Change();
    void Command3_Click();           // messages/ProgramRun.cpp

    // ---- Shared routines ----
    // Status log (app/Form1.cpp)
    void LogFile(const QString& LogInfo) override;
    // Brings the log box up to date at once (it otherwise catches up on the
    // next pass of the event loop, so a burst of lines costs one refresh).
    void FlushStatusBox();
    // Waits (app/TickWaits.h). Each yields at least once before it tests anything.
    void YieldOnce() { m_waits.yieldOnce(); }
    void TickWait(int ticks) { m_waits.wait(ticks); }
    // Timer1 duties (recording step: messages/Recording.cpp; directory refresh:
    // messages/FileSelection.cpp; LED names: app/Form1.cpp; port step: link/Ports.cpp)
    void RecordingStep();
    void RefreshMessageDirectory();
    void ShowLedPatternNames();
    void PortStep();
    // Port discovery (link/Ports.cpp)
    void DiscoverPorts();
    // Device operation frame and exchanges (link/Frame.cpp; the protocol in
    // link/DeviceLink.h). OpenDevicePort shows the unavailable-port box itself.
    bool OpenDevicePort();
    void PrepareExchange() { m_link.prepare(); }
    void CloseDevicePort() { m_link.close(); }
    bool SendCommandWithAck(quint8 command, const QByteArray& valueBytes, int settleTicks,
                            const QString& what)
    {
        return m_link.SendCommandWithAck(command, valueBytes, settleTicks, what);
    }
    // Guard: one device operation at a time. A click that finds another
    // operation running is refused; a scan asked for meanwhile runs after it.
    bool BeginDeviceOperation() { return m_link.begin(); }
    void EndDeviceOperation();
    // The busy state of the buttons, per kind of operation (link/Frame.cpp).
    void LockForReadOut();
    void UnlockAfterReadOut();
    void LockForWrite(int row);
    void UnlockAfterWrite(int row);
    void LockForMessage();
    void UnlockAfterMessage();
    // Read-out and writes (settings/)
    void ReadAllValues();
    void ShowValueBlock(const QByteArray& block);  // fills the read column
    void RunSettingWrite(int index);  // of its row in kSettingWrites and kSettingGrid
    // The read column top to bottom, the software version last.
    QList<QLineEdit*> ReadColumn() const;
    // Message files (messages/FileSelection.cpp)
    void SearchMessageFile(int slot);

    // What Exit does after releasing the port; tests replace it. The default
    // ends the process at once.
    std::function<void()> ExitProgram;
    // Called with every line added to the status log (for traces and tests).
    std::function<void(const QString&)> LogObserver;

protected:
    void closeEvent(class QCloseEvent* event) override;
    void paintEvent(class QPaintEvent* event) override;

private:
    void BuildControls();  // app/Layout.cpp
    void ConnectHandlers();
    bool m_timer1Busy = false;
    bool m_logBoxEdited = false;  // the user typed into the log box
    bool m_logWriting = false;
    qsizetype m_logLinesNotShown = 0;
    QTimer m_logRefresh;
    bool m_scanPending = false;
    StatusLogBuffer m_log;
    TickWaits m_waits{TickCountdown, Timer2};
    DeviceLink m_link{MSComm1, m_waits, TickCountdown, *this, RetryCount};
    friend class Form1Layout;
};
