#include "app/Accessibility.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/FolderList.h"
#include "app/Form1.h"

namespace {

// One row of the settings grid: the row's name (its read caption, which names
// the setting without the write column's extras), its three controls, the
// write caption beside the entry box, and what the write button does.
struct Row {
    QLineEdit* Form1::*readBox;
    QLabel* Form1::*readCaption;
    QLineEdit* Form1::*entryBox;
    QLabel* Form1::*writeCaption;
    QPushButton* Form1::*button;
    const char* writes;
};

const Row kRows[] = {
    {&Form1::txtChannelRead, &Form1::Label4, &Form1::txtNewChannel, &Form1::Label7,
     &Form1::cmdWriteChannel, "Writes the channel"},
    {&Form1::txtProfileIdRead, &Form1::Label5, &Form1::txtNewProfileId, &Form1::Label6,
     &Form1::cmdWriteProfileId, "Writes the profile ID"},
    {&Form1::txtSpkrReadVol, &Form1::lblSpkrVolume2, &Form1::txtNewSpkrVol, &Form1::lblSpkrVolume,
     &Form1::cmdWriteSpkrVol, "Writes the speaker volume"},
    {&Form1::txtRadioReadVol, &Form1::lblRadioVolume, &Form1::txtNewRadioVol, &Form1::Label29,
     &Form1::cmdWriteRadioVol, "Writes the radio volume"},
    {&Form1::txtISDReadVol, &Form1::lblISDVolume2, &Form1::txtNewISDVol, &Form1::lblISDVolume,
     &Form1::cmdWriteIsdVol, "Writes the ISD volume"},
    {&Form1::txtCallCycleRead, &Form1::lblCallCycleInfo2, &Form1::txtCallCycle,
     &Form1::lblCallCycle, &Form1::cmdWriteCallCycle, "Writes the call cycles"},
    {&Form1::txtCycleDelayRead, &Form1::lblCycleDelayInfo3, &Form1::txtCycleDelay,
     &Form1::lblCycleDelay, &Form1::cmdWriteCycleDelay, "Writes the cycle delay"},
    {&Form1::txtLedPatternRead, &Form1::Label17, &Form1::txtNewLedPattern, &Form1::Label11,
     &Form1::cmdWriteLedPattern, "Writes the LED pattern"},
};

void name(QWidget* w, const QString& text) { w->setAccessibleName(text.trimmed()); }
void describe(QWidget* w, const char* text) { w->setAccessibleDescription(QString::fromLatin1(text)); }

}  // namespace

void SetUpKeyboardAndNames(Form1& f)
{
    // Whatever shows text (labels, buttons, check boxes) is named by that
    // text and renamed with it, so what is read out is what is on the screen:
    // a busy button is "<<BUSY>>", an empty failure label says nothing. The
    // description says what such a control is for. Only the boxes, which show
    // a value rather than a caption, get names: the caption of their row and
    // their column, which tells the read box from the entry box.
    for (const Row& row : kRows) {
        const QString setting = (f.*row.readCaption)->text().trimmed();
        name(f.*row.readBox, setting + QStringLiteral(" read"));
        name(f.*row.entryBox, setting + QStringLiteral(" write"));
        // The caption beside each box is its label, for those who look it up.
        (f.*row.readCaption)->setBuddy(f.*row.readBox);
        (f.*row.writeCaption)->setBuddy(f.*row.entryBox);
        describe(f.*row.button, row.writes);
    }
    describe(f.cmdReadValues, "Reads every setting and the software version from the call box");
    describe(f.Command3, "Records the ticked messages into the call box");
    describe(f.cmdScanForPorts, "Looks for the serial ports again");
    describe(f.cmdExitButton, "Ends the program");
    describe(f.lblCommFail, "Shows why the last read-out failed");
    describe(f.lblMsg1Sec, "Length and recording time of the local message");
    describe(f.lblMsg2Sec, "Length and recording time of the radio message");
    describe(f.lblMsg6Sec, "Length and recording time of the low battery message");
    describe(f.lblLedPattern, "Name of the LED pattern to write");
    describe(f.lblLedPatternRead, "Name of the LED pattern read from the call box");

    name(f.txtDirectory, f.lblMessageDirectory->text());
    f.lblMessageDirectory->setBuddy(f.txtDirectory);
    name(f.Dir1, f.Label30->text());
    f.Label30->setBuddy(f.Dir1);
    name(f.txtSoftwareVersion, f.lblSoftwareVersion->text());
    f.lblSoftwareVersion->setBuddy(f.txtSoftwareVersion);
    // On Linux a screen reader takes an editable list's name from its text
    // (here the port) and its label from the buddy relation.
    name(f.Combo1, f.Label25->text());
    f.Label25->setBuddy(f.Combo1);
    name(f.txtStatusMessages, f.Label1->text());
    f.Label1->setBuddy(f.txtStatusMessages);
    // A picture shows no text; its name says what it shows.
    name(f.Image1, QStringLiteral("ZT870K call box programmer logo"));

    // Tab order: choose and program the messages, then down the write
    // column (each entry followed by its button), then the read-out and what
    // it filled in, the port, and the way out. The log comes last; Tab leaves
    // it rather than typing a tab into it.
    QList<QWidget*> chain{f.txtDirectory, f.Dir1, f.chkMsg1, f.chkMsg2, f.chkMsg6, f.Command3};
    for (const Row& row : kRows)
        chain << f.*row.entryBox << f.*row.button;
    chain << f.cmdReadValues;
    for (const Row& row : kRows)
        chain << f.*row.readBox;
    chain << f.txtSoftwareVersion << f.Combo1 << f.cmdScanForPorts << f.cmdExitButton
          << f.txtStatusMessages;
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    f.txtStatusMessages->setTabChangesFocus(true);
}
