// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Accessibility.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/FolderList.h"
#include "app/Form1.h"
#include "app/SettingGrid.h"

namespace {

void name(QWidget* w, const QString& text) { w->setAccessibleName(text.trimmed()); }
void describe(QWidget* w, const char* text) { w->setAccessibleDescription(QString::fromLatin1(text)); }

}  // namespace

void SetUpKeyboardAndNames(Form1& f)
{
    // Whatever shows text (labels, buttons, check boxes) is named by that
    // text and renamed with it, so what is read out is what is on the screen:
    // a busy button is "<<BUSY>>", an empty failure label says nothing. The
    // description says what such a control is for. Only the boxes, which show
    // a value rather than a caption, get names: the caption beside them and
    // their column, which tells the read box from the entry box.
    for (const GridRow& row : kSettingGrid) {
        QLabel* readCaption = f.*row.readCaption.member;
        QLabel* writeCaption = f.*row.writeCaption.member;
        QLineEdit* readBox = f.*row.readBox.member;
        QLineEdit* entryBox = f.*row.entryBox.member;
        name(readBox, readCaption->text().trimmed() + QStringLiteral(" read"));
        name(entryBox, writeCaption->text().trimmed() + QStringLiteral(" write"));
        // The caption beside each box is its label, for those who look it up.
        readCaption->setBuddy(readBox);
        writeCaption->setBuddy(entryBox);
        describe(f.*row.writeButton.member, row.buttonDescription);
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
    for (const GridRow& row : kSettingGrid)
        chain << f.*row.entryBox.member << f.*row.writeButton.member;
    chain << f.cmdReadValues;
    for (QLineEdit* box : f.ReadColumn())
        chain << box;
    chain << f.Combo1 << f.cmdScanForPorts << f.cmdExitButton
          << f.txtStatusMessages;
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    f.txtStatusMessages->setTabChangesFocus(true);
}
