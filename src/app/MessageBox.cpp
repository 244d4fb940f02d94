// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MessageBox.h"

#include <QMessageBox>

void ShowWarning(QWidget* parent, const QString& prompt, const QString& title)
{
    QMessageBox box(QMessageBox::Warning, title, prompt, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("WarningBox"));
    box.exec();
}
