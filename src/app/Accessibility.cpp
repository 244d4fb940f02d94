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
// the setting without the write column's extras) and its three controls.
struct Row {
    QLineEdit* Form1::*readBox;
    QLabel* Form1::*readCaption;
    QLineEdit* Form1::*entryBox;
    QPushButton* Form1::*button;
};

const Row kRows[] = {
    {&Form1::txtChannelRead, &Form1::Label4, &Form1::txtNewChannel, &Form1::cmdWriteChannel},
    {&Form1::txtProfileIdRead, &Form1::Label5, &Form1::txtNewProfileId, &Form1::cmdWriteProfileId},
    {&Form1::txtSpkrReadVol, &Form1::lblSpkrVolume2, &Form1::txtNewSpkrVol, &Form1::cmdWriteSpkrVol},
    {&Form1::txtRadioReadVol, &Form1::lblRadioVolume, &Form1::txtNewRadioVol,
     &Form1::cmdWriteRadioVol},
    {&Form1::txtISDReadVol, &Form1::lblISDVolume2, &Form1::txtNewISDVol, &Form1::cmdWriteIsdVol},
    {&Form1::txtCallCycleRead, &Form1::lblCallCycleInfo2, &Form1::txtCallCycle,
     &Form1::cmdWriteCallCycle},
    {&Form1::txtCycleDelayRead, &Form1::lblCycleDelayInfo3, &Form1::txtCycleDelay,
     &Form1::cmdWriteCycleDelay},
    {&Form1::txtLedPatternRead, &Form1::Label17, &Form1::txtNewLedPattern,
     &Form1::cmdWriteLedPattern},
};

void name(QWidget* w, const QString& text) { w->setAccessibleName(text.trimmed()); }

}  // namespace

void SetUpKeyboardAndNames(Form1& f)
{
    // Names. Buttons keep their idle caption as their name: "<<BUSY>>" while
    // an operation runs says nothing about which button it is.
    name(f.txtDirectory, f.lblMessageDirectory->text());
    name(f.Dir1, QStringLiteral("Message directory folders"));
    for (QCheckBox* box : {f.chkMsg1, f.chkMsg2, f.chkMsg6})
        name(box, box->text());
    for (QPushButton* button : {f.Command3, f.cmdReadValues, f.cmdScanForPorts, f.cmdExitButton})
        name(button, button->text());
    for (const Row& row : kRows) {
        const QString setting = (f.*row.readCaption)->text().trimmed();
        name(f.*row.readBox, setting + QStringLiteral(" read"));
        name(f.*row.entryBox, setting + QStringLiteral(" write"));
        name(f.*row.button, (f.*row.button)->text());
    }
    name(f.txtSoftwareVersion, f.lblSoftwareVersion->text());
    // On Linux a screen reader takes an editable list's name from its text
    // (here the port) and its label from the buddy relation.
    name(f.Combo1, f.Label25->text());
    f.Label25->setBuddy(f.Combo1);
    name(f.txtStatusMessages, f.Label1->text());
    name(f.lblCommFail, QStringLiteral("Communications failure"));
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
