// SPDX-License-Identifier: GPL-3.0-or-later
// Keyboard and screen-reader use of the window: every control that takes the
// focus is named, names tell the controls apart, and Tab walks the window in
// working order, each entry box followed by its write button.

#include <QAccessible>

#include "WindowRig.h"
#include "messages/MessageTiming.h"

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
    for (QWidget* w : form.findChildren<QWidget*>())
        if (!w->focusProxy() && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&form))
            out << w;
    return out;
}

}  // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowRig> rig;
    Form1* form = nullptr;

private slots:
    void initTestCase() { USE_PRIVATE_SOUND_SERVER(); }
    void init()
    {
        rig = std::make_unique<WindowRig>();
        QVERIFY2(rig->ready(), qPrintable(rig->error()));
        form = &rig->form;
        QApplication::setActiveWindow(form);
        QVERIFY(QTest::qWaitForWindowActive(form));
    }
    void cleanup() { rig.reset(); }

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
        QTest::newRow("entry box") << "txtCallCycle" << "TOTAL CALL CYCLES write";
        QTest::newRow("entry box with extras") << "txtNewLedPattern" << "LED PATTERN (1-2) write";
        QTest::newRow("trailing blank dropped") << "txtLedPatternRead" << "LED PATTERN read";
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

    // What is read out is what is shown (Label in Name): a control showing
    // text is named by it, in every state an operation takes it through, and
    // its description still says what it is for. Each row watches one control
    // through one situation and must see it show `text` (a beginning of it;
    // "" for an empty control) at least once.
    void namesFollowWhatIsShown_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("description");  // "" where not checked
        QTest::newRow("read button busy") << "cmdReadValues" << "read-out" << "<<BUSY>>"
            << "Reads every setting and the software version from the call box";
        QTest::newRow("write button busy") << "cmdWriteCallCycle" << "write" << "<<BUSY>>"
                                           << "Writes the call cycles";
        QTest::newRow("write button idle") << "cmdWriteCallCycle" << "start" << "WRITE CALL CYCLE"
                                           << "Writes the call cycles";
        QTest::newRow("program button busy") << "Command3" << "programming" << "<<PROGRAMMING>>"
                                             << "Records the ticked messages into the call box";
        QTest::newRow("length label") << "lblMsg1Sec" << "programming" << "Length: .45" << "";
        QTest::newRow("timer label") << "lblMsg1Sec" << "programming" << "Length: .45  Timer: "
            << "Length and recording time of the local message";
        QTest::newRow("failure label empty") << "lblCommFail" << "read-out" << ""
                                             << "Shows why the last read-out failed";
        QTest::newRow("failure label with advice")
            << "lblCommFail" << "silent box" << "COMM FAIL: Verify ZT870K initial Power-Up."
            << "Shows why the last read-out failed";
        QTest::newRow("LED pattern typed") << "lblLedPattern" << "typed 2" << "Logo Only" << "";
        QTest::newRow("LED pattern read") << "lblLedPatternRead" << "read-out" << "All On"
            << "Name of the LED pattern read from the call box";
        QTest::newRow("speaker hint at start") << "lblSpkrInfo" << "start" << "Value:1-31(63)" << "";
        QTest::newRow("speaker hint read") << "lblSpkrInfo" << "read-out" << "Value:1-63" << "";
        QTest::newRow("radio read hint at start") << "lblRadioInfo3" << "start" << "Value:1-31(63)" << "";
        QTest::newRow("radio read hint read") << "lblRadioInfo3" << "read-out" << "Value:1-63" << "";
        QTest::newRow("check box") << "chkMsg1" << "start" << "Local Msg" << "";
    }
    void namesFollowWhatIsShown()
    {
        QFETCH(QString, control);
        QFETCH(QString, situation);
        QFETCH(QString, text);
        QFETCH(QString, description);
        QWidget* w = form->findChild<QWidget*>(control);
        QVERIFY(w);
        auto shown = [w] { return w->property("text").toString(); };  // a button's or a label's
        // Every state the control passes through, as text and name together.
        QList<QPair<QString, QString>> seen;
        auto look = [&] {
            const QPair<QString, QString> now{shown(), accessibleName(w)};
            if (seen.isEmpty() || seen.last() != now)
                seen << now;
        };
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, look);
        QObject::connect(&rig->sim.box(), &CallBox::traceLine, &watch, look);
        look();
        watch.start(5);

        rig->sim.box().values().setValue(StoredValues::LedPattern, 1);
        if (situation == "read-out") {
            form->cmdReadValues_Click();
        } else if (situation == "write") {
            rig->write(Sheet::kCallCycle, QStringLiteral("12"));
        } else if (situation == "silent box") {
            rig->sim.box().setFaults({.silent = true});
            form->cmdReadValues_Click();
        } else if (situation == "programming") {
            QVERIFY(rig->useSounds());
            QVERIFY(rig->tick(Sheet::kLocalMsg, qint64(0.45 * kBytesPerSecond)));
            form->Command3_Click();
        } else if (situation == "typed 2") {
            form->txtNewLedPattern->setText(QStringLiteral("2"));
        } else {
            QCOMPARE(situation, QStringLiteral("start"));
        }
        spinFor(250);  // a Timer1 tick names the LED patterns
        look();
        QCOMPARE(rig->answerer.count(), 0);

        bool met = false;
        for (const auto& [caption, name] : seen) {
            QCOMPARE(name, caption);
            met = met || (text.isEmpty() ? caption.isEmpty() : caption.startsWith(text));
        }
        QVERIFY2(met, qPrintable(control + " never showed \"" + text + "\""));
        if (!description.isEmpty())
            QCOMPARE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Description), description);
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
