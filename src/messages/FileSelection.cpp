// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the message directory and finding each ticked message's sound file
// in it. A tick stands only while a file for its message is present.
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include "app/FolderList.h"
#include "app/Form1.h"
#include "app/MessageBox.h"
#include "messages/MessageSlots.h"

namespace {

// Directories, hidden files and anything that isn't there don't count.
bool isOrdinaryFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

}  // namespace

// Each handler searches on every change of its box, ticking and clearing
// alike, whoever made the change.
void Form1::chkMsg1_Click() { SearchMessageFile(kLocalSlot); }
void Form1::chkMsg2_Click() { SearchMessageFile(kRadioSlot); }
void Form1::chkMsg6_Click() { SearchMessageFile(kLowBattSlot); }

void Form1::Dir1_Change()
{
    txtDirectory->setText(QDir::toNativeSeparators(Dir1->path()));
}

void Form1::txtDirectory_Change()
{
    // Ticks were found in the old directory; the user ticks again for the new one.
    for (const MessageSlot& slot : kMessageSlots)
        (this->*slot.box)->setChecked(false);
}

void Form1::RefreshMessageDirectory()
{
    MsgDir = txtDirectory->text();
    if (!MsgDir.endsWith(QDir::separator()))
        MsgDir += QDir::separator();
}

void Form1::SearchMessageFile(int slot)
{
    const MessageSlot& s = kMessageSlots[slot];
    const QString preferred = QString::fromLatin1(s.preferred);
    const QString fallback = QString::fromLatin1(s.fallback);
    if (isOrdinaryFile(MsgDir + preferred)) {
        this->*s.fileName = preferred;
        return;
    }
    if (isOrdinaryFile(MsgDir + fallback)) {
        this->*s.fileName = fallback;
        return;
    }
    const QString both = MsgDir + preferred + QStringLiteral(" or ") + MsgDir + fallback;
    LogFile(QStringLiteral("No File ") + both);
    ShowWarning(this, QStringLiteral("File Not Found: ") + both, QStringLiteral("File Not Found"));
    // Clearing a ticked box is itself a change and searches once more.
    (this->*s.box)->setChecked(false);
}
