// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "app/Form1.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zt870k-programmer"));
    Form1 window;
    // The window appears only once start-up, port discovery included, is done.
    window.Form_Load();
    window.show();
    return app.exec();
}
