// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
class QWidget;

// The modal warning box: exclamation icon, one OK button. Returns once the
// user has closed it.
void ShowWarning(QWidget* parent, const QString& prompt, const QString& title);
