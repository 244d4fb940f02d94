#pragma once
// A loaded window for tests: built after the simulated box is linked, so the
// start-up discovery finds it; Exit fails the test instead of ending it.
#include <QTest>
#include <memory>

#include "app/Form1.h"

inline std::unique_ptr<Form1> makeLoadedForm(int port)
{
    auto form = std::make_unique<Form1>();
    form->ExitProgram = [] { QFAIL("Exit was not expected"); };
    form->Form_Load();
    form->CommPortNumber = qint16(port);
    return form;
}

// The log's lines, newest first, without time stamps and line ends.
inline QStringList logTexts(const Form1& form)
{
    QStringList texts;
    const StatusLogBuffer& log = form.statusLogBuffer();
    for (qsizetype i = 0; i < log.lineCount(); ++i)
        texts << log.newest(i).mid(9).chopped(2);
    return texts;
}
