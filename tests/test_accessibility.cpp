// Keyboard and screen-reader use of the window: every control that takes the
// focus is named, names tell the controls apart, and Tab walks the window in
// working order, each entry box followed by its write button.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <memory>

#include "FormFixture.h"
#include "ModalAnswerer.h"
#include "SimHarness.h"

namespace {

QString accessibleName(QWidget* w)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// Widgets of the window a user can reach with Tab, in no particular order.
// Inner parts that hand their focus to a control (the list's line edit) are
// that control.
QList<QWidget*> focusableControls(Form1& form)
{
    QList<QWidget*> out;
    for (QWidget* w : form.findChildren<QWidget*>()) {
        if (w->focusProxy() || !(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(&form))
            continue;
        out << w;
    }
    return out;
}

}  // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
    std::unique_ptr<SimHarness> sim;  // keeps start-up off the real ports
    std::unique_ptr<LoadedForm> form;

private slots:
    void init()
    {
        sim = std::make_unique<SimHarness>(3);
        QVERIFY2(sim->ok(), qPrintable(sim->error()));
        form = std::make_unique<LoadedForm>();
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    void cleanup()
    {
        form.reset();
        sim.reset();
    }

    void everyFocusableControlHasItsOwnName()
    {
        const QList<QWidget*> controls = focusableControls(*form);
        QVERIFY(controls.size() >= 30);
        QHash<QString, QString> owner;
        for (QWidget* w : controls) {
            const QString n = accessibleName(w);
            QVERIFY2(!n.isEmpty(), qPrintable(w->objectName() + " has no accessible name"));
            QVERIFY2(!owner.contains(n), qPrintable(QStringLiteral("\"%1\" names both %2 and %3")
                                                        .arg(n, owner.value(n), w->objectName())));
            owner.insert(n, w->objectName());
        }
    }

    void namesFollowTheCaptions_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::newRow("read box") << "txtCallCycleRead" << "CALL CYCLES read";
        QTest::newRow("entry box") << "txtCallCycle" << "CALL CYCLES write";
        QTest::newRow("trailing blank dropped") << "txtNewLedPattern" << "LED PATTERN write";
        QTest::newRow("button") << "cmdWriteCycleDelay" << "WRITE CYCLE DELAY";
        QTest::newRow("check box") << "chkMsg6" << "Low Battery";
        QTest::newRow("directory") << "txtDirectory" << "Message Directory Location";
        QTest::newRow("version") << "txtSoftwareVersion" << "ZT870K Software Version";
    }
    void namesFollowTheCaptions()
    {
        QFETCH(QString, control);
        QFETCH(QString, name);
        QWidget* w = form->findChild<QWidget*>(control);
        QVERIFY(w);
        QCOMPARE(accessibleName(w), name);
    }

    // The port list is read out as the port it shows, labelled by its caption.
    void portListIsLabelled()
    {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(form->Combo1);
        QVERIFY(iface);
        QCOMPARE(iface->text(QAccessible::Name), form->Combo1->currentText());
        QStringList labels;
        for (const auto& [other, relation] : iface->relations(QAccessible::Label))
            labels << other->text(QAccessible::Name);
        QCOMPARE(labels, QStringList{"Available Comm Ports"});
    }

    // A busy caption must not rename the button for a screen reader.
    void buttonKeepsItsNameWhileBusy()
    {
        ModalAnswerer answerer;
        form->CommPortNumber = 3;
        sim->box().setByteMs(1.0);
        QString nameWhileBusy;
        QString captionWhileBusy;
        QObject::connect(&sim->box(), &CallBox::traceLine, form.get(), [&] {
            if (captionWhileBusy.isEmpty() && form->cmdReadValues->text() != "READ ALL VALUES") {
                captionWhileBusy = form->cmdReadValues->text();
                nameWhileBusy = accessibleName(form->cmdReadValues);
            }
        });
        form->cmdReadValues_Click();
        QCOMPARE(captionWhileBusy, QStringLiteral("<<BUSY>>"));
        QCOMPARE(nameWhileBusy, QStringLiteral("READ ALL VALUES"));
    }

    // Tab pressed from the directory box walks the whole window once and
    // comes back; Shift+Tab walks it backwards.
    void tabWalksTheWindowInWorkingOrder()
    {
        const QStringList expected{
            "txtDirectory",      "Dir1",              "chkMsg1",           "chkMsg2",
            "chkMsg6",           "Command3",          "txtNewChannel",     "cmdWriteChannel",
            "txtNewProfileId",   "cmdWriteProfileId", "txtNewSpkrVol",     "cmdWriteSpkrVol",
            "txtNewRadioVol",    "cmdWriteRadioVol",  "txtNewISDVol",      "cmdWriteIsdVol",
            "txtCallCycle",      "cmdWriteCallCycle", "txtCycleDelay",     "cmdWriteCycleDelay",
            "txtNewLedPattern",  "cmdWriteLedPattern", "cmdReadValues",    "txtChannelRead",
            "txtProfileIdRead",  "txtSpkrReadVol",    "txtRadioReadVol",   "txtISDReadVol",
            "txtCallCycleRead",  "txtCycleDelayRead", "txtLedPatternRead", "txtSoftwareVersion",
            "Combo1",            "cmdScanForPorts",   "cmdExitButton",     "txtStatusMessages"};
        QCOMPARE(expected.size(), focusableControls(*form).size());

        auto focusName = [] {
            QWidget* w = QApplication::focusWidget();
            while (w && w->objectName().isEmpty())
                w = w->parentWidget();
            return w ? w->objectName() : QString();
        };
        form->txtDirectory->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(focusName(), QStringLiteral("txtDirectory"));
        QStringList forward{focusName()};
        for (int i = 1; i <= expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            forward << focusName();
        }
        QCOMPARE(forward.mid(0, expected.size()), expected);
        QCOMPARE(forward.last(), expected.first());  // round, out of the log too

        QStringList backward;
        for (int i = 1; i <= expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            backward.prepend(focusName());
        }
        QCOMPARE(backward, expected);
        // Walking typed nothing anywhere.
        QVERIFY(form->txtNewChannel->text().isEmpty());
        QVERIFY(!form->txtStatusMessages->toPlainText().contains(QLatin1Char('\t')));
    }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
