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

// The caption beside a box names it, and is its label for those who look it up.
void captionNames(QLabel* caption, QWidget* box, const QString& column = QString())
{
    name(box, caption->text().trimmed() + column);
    caption->setBuddy(box);
}

// The grid's boxes are named by their caption and their column, which tells
// the read box from the entry box.
void nameGrid(Form1& f)
{
    for (const GridRow& row : kSettingGrid) {
        captionNames(f.*row.readCaption.member, f.*row.readBox.member, QStringLiteral(" read"));
        captionNames(f.*row.writeCaption.member, f.*row.entryBox.member, QStringLiteral(" write"));
        describe(f.*row.writeButton.member, row.buttonDescription);
    }
}

void describeTheRest(Form1& f)
{
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
}

void nameTheOtherBoxes(Form1& f)
{
    captionNames(f.lblMessageDirectory, f.txtDirectory);
    captionNames(f.Label30, f.Dir1);
    captionNames(f.lblSoftwareVersion, f.txtSoftwareVersion);
    // On Linux a screen reader takes an editable list's name from its text
    // (here the port) and its label from the buddy relation.
    captionNames(f.Label25, f.Combo1);
    captionNames(f.Label1, f.txtStatusMessages);
    // A picture shows no text; its name says what it shows.
    name(f.Image1, QStringLiteral("ZT870K call box programmer logo"));
}

// Choose and program the messages, then down the write column (each entry
// followed by its button), then the read-out and what it filled in, the port,
// and the way out. The log comes last; Tab leaves it rather than typing a tab
// into it.
void setTabOrder(Form1& f)
{
    QList<QWidget*> chain{f.txtDirectory, f.Dir1, f.chkMsg1, f.chkMsg2, f.chkMsg6, f.Command3};
    for (const GridRow& row : kSettingGrid)
        chain << f.*row.entryBox.member << f.*row.writeButton.member;
    chain << f.cmdReadValues;
    for (QLineEdit* box : f.ReadColumn())
        chain << box;
    chain << f.Combo1 << f.cmdScanForPorts << f.cmdExitButton << f.txtStatusMessages;
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    f.txtStatusMessages->setTabChangesFocus(true);
}

}  // namespace

void SetUpKeyboardAndNames(Form1& f)
{
    // Whatever shows text (labels, buttons, check boxes) is named by that
    // text and renamed with it, so what is read out is what is on the screen:
    // a busy button is "<<BUSY>>", an empty failure label says nothing. The
    // description says what such a control is for. Only the boxes, which show
    // a value rather than a caption, get names.
    nameGrid(f);
    describeTheRest(f);
    nameTheOtherBoxes(f);
    setTabOrder(f);
}
