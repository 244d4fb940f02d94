// SPDX-License-Identifier: GPL-3.0-or-later
// Fault soak: the real window and serial layer against the simulated call box,
// with faults chosen at random before and switched during random operations
// (read-outs, the eight writes with good and bad entries, message programming,
// scans). After every operation the window must be at rest (port closed and
// free, buttons idle, no wait or recording left running, no box open) and what
// it reported must be borne out by the wire: no success without the box's ACK,
// no read column the box never sent, nothing out of range ever sent.
//
//   ZT870K_SOAK_OPS   number of operations (default 100, about two minutes)
//   ZT870K_SOAK_SEED  random seed (default fixed; printed either way)
// A failure names the seed and the operation, with the operation's wire trace.
#include <algorithm>
#include <cstdio>
#include <map>
#include <random>

#include "AckFaults.h"
#include "WindowRig.h"
#include "WireOracle.h"

namespace {

constexpr double kTick = WindowRig::kTickMs;
constexpr double kFastByteMs = 3.0;

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok && v > 0 ? v : fallback;
}

using Sheet::kSlots;

// Entries a hurried technician might leave in a box: none of them may crash,
// send anything out of range or be sent differently on a retry.
const QStringList kOddEntries = {
    "", " ", "5x", "x5", " 1 2", "\t4\n", "&H1E", "&hA", "&O17", "&Hzz", "1e1", "+3", "-0", "-1",
    ".5", "1.5", "2.5", "9e99", "-9e99", "1e400", "99999", "٣", "５", "\u00A05", "🙂", "5🙂",
    QString(QChar(0)), "\r5", "5\r", "\x01\x02", "12345", QString(200, '9'), "e5", "&", "+",
    "..", "0x10", "١٢",
};

// The two lines a failed read-out logs.
const QStringList kReadOutFailures = {"ZT870K Comm Fail", "Data Read Errors From ZT870K"};

constexpr int kDefaultOps = 100;

// Up to ten seconds an operation, and never less than QtTest's five minutes.
[[maybe_unused]] const bool kWatchdogWidened = allowTestFunctionMs(
    qMax<qint64>(300000, qint64(envInt("ZT870K_SOAK_OPS", kDefaultOps)) * 10000));

}  // namespace

class TestSoak : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { USE_PRIVATE_SOUND_SERVER(); }

    void soak()
    {
        const int ops = envInt("ZT870K_SOAK_OPS", kDefaultOps);
        const quint32 seed = quint32(envInt("ZT870K_SOAK_SEED", 870870));
        std::printf("soak: %d operations, seed %u (ZT870K_SOAK_OPS, ZT870K_SOAK_SEED)\n", ops, seed);
        std::fflush(stdout);
        m_rng.seed(seed);

        m_rig = std::make_unique<WindowRig>(kFastByteMs);
        QVERIFY(m_rig->portReady);
        m_rig->form.log.clock = [this] { return m_rig->sim.box().nowMs(); };
        QVERIFY(m_rig->useSounds());
        for (const Sheet::Slot& s : kSlots)
            QVERIFY(writeWav(m_rig->dir + s.file, 500));

        QElapsedTimer total;
        total.start();
        for (int n = 0; n < ops; ++n) {
            const int roll = pick(0, 99);
            if (roll < 25)
                doReadOut();
            else if (roll < 78)
                doWrite();
            else if (roll < 93)
                doProgram();
            else
                doScan();
            if (!m_failure.isEmpty()) {
                std::printf("--- wire of the failed operation ---\n%s",
                            qPrintable(m_rig->sim.box().traceText()));
                QFAIL(qPrintable(QStringLiteral("seed %1, operation %2 (%3; faults %4): %5")
                                     .arg(seed).arg(m_opNumber).arg(m_op.kind, m_op.faults, m_failure)));
            }
            // A pulled line comes back before the next operation, as a technician
            // plugs the adapter in again; sometimes followed by a scan.
            if (!m_rig->sim.box().isLinked()) {
                ++m_eventsByKind[QStringLiteral("line plugged back in")];
                QVERIFY(m_rig->sim.relink());
                if (chance(0.5))
                    doScan();
            }
            spinFor(pick(0, 30));
        }

        std::printf("soak summary: %d operations in %.1f s, seed %u\n", ops, total.elapsed() / 1000.0, seed);
        auto print = [](const char* title, const std::map<QString, int>& counts) {
            std::printf("  %s:\n", title);
            for (const auto& [k, v] : counts)
                std::printf("    %-32s %d\n", qPrintable(k), v);
        };
        std::printf("  operations (count, seconds):\n");
        for (const auto& [k, v] : m_opsByKind)
            std::printf("    %-32s %5d %7.1f\n", qPrintable(k), v, m_msByKind[k] / 1000.0);
        print("faults injected", m_faultsByKind);
        print("events", m_eventsByKind);
        print("message boxes answered", m_boxesByTitle);
        std::printf("  read columns matched to a block sent: %d exactly, %d within noise"
                    " (%d of those framed by noise, not by the box)\n",
                    m_strictColumns, m_looseColumns, m_misframed);
        std::printf("  invariant checks passed: %ld\n", m_checks);
        std::fflush(stdout);
        m_rig.reset();
    }

private:
    // ---- one operation ----
    struct Op {
        QString kind;
        bool noise = false;    // random bytes on the line at some time during it
        bool lineLost = false; // the line went away during it
        double boundMs = 0;
        QString faults{};      // what was switched on, for the failure report
    };

    CallBoxFaults randomFaults()
    {
        CallBoxFaults f;
        f.seed = quint32(m_rng());
        if (chance(0.45))
            return f;
        const int kinds = chance(0.25) ? 2 : 1;
        auto notAck = [this] { const int b = pick(0, 254); return b >= 6 ? b + 1 : b; };  // never ACK
        for (int k = 0; k < kinds; ++k) {
            switch (pick(0, 13)) {
            case 0: f.silent = chance(0.5); if (!f.silent) f.silentFromQuery = pick(1, 5); break;
            case 1: f.wrongAck = notAck(); break;
            case 2: f.ackFromAttempt = pick(2, 5); f.earlyAttemptByte = chance(0.5) ? -1 : notAck(); break;
            case 3: f.doubleAck = true; break;
            case 4: f.ackDelayMs = pick(0, 300); break;
            case 5: case 6: f.ackDelayMs = pick(380, 420); break;  // straddles the 40-tick time-out
            case 7: f.sumsNeverAgree = true; break;
            case 8: {
                const int base = StoredValues::blockSum(m_rig->sim.box().values().storedBlock()) -
                                 m_rig->sim.box().values().value(StoredValues::Spare) -
                                 m_rig->sim.box().values().value(StoredValues::Spare + 1);
                for (int i = pick(1, 5); i > 0; --i)
                    f.sumSequence << base + pick(0, 3);
                break;
            }
            case 9: f.shortBlock = pick(1, 18); break;
            case 10: f.noiseIntervalMs = pick(15, 300); break;
            case 11: case 12: f.noiseInBlock = pick(1, 6); break;
            case 13: f.hangUpAfterBytes = pick(1, 12); break;
            }
        }
        return f;
    }

    void applyFaults(const CallBoxFaults& f, bool midOp)
    {
        const std::pair<const char*, bool> kinds[] = {
            {"silent", f.silent}, {"wrongAck", f.wrongAck >= 0}, {"ackFromAttempt", f.ackFromAttempt > 1},
            {"doubleAck", f.doubleAck}, {"lateAck380-420", f.ackDelayMs >= 380},
            {"ackDelay", f.ackDelayMs > 0 && f.ackDelayMs < 380}, {"sumsNeverAgree", f.sumsNeverAgree},
            {"sumSequence", !f.sumSequence.isEmpty()}, {"shortBlock", f.shortBlock > 0},
            {"silentFromQuery", f.silentFromQuery > 0}, {"noise", f.noiseIntervalMs > 0},
            {"noiseInBlock", f.noiseInBlock > 0}, {"hangUpAfterBytes", f.hangUpAfterBytes > 0},
        };
        QStringList on;
        for (const auto& [kind, set] : kinds)
            if (set)
                on << kind;
        for (const QString& k : on)
            ++m_faultsByKind[k];
        if (midOp)
            ++m_eventsByKind[QStringLiteral("fault switch mid-op")];
        m_op.noise = m_op.noise || f.noiseIntervalMs > 0 || f.noiseInBlock > 0;
        m_op.faults += (m_op.faults.isEmpty() ? "" : " -> ") + (on.isEmpty() ? "none" : on.join('+'));
        m_rig->sim.box().setFaults(f);
    }

    void scheduleMidOpEvents(const std::function<void()>& editEntry)
    {
        // Each event fires once at a random moment; the scope dies with the
        // operation. Everything random is drawn here, whether the event comes to
        // fire or not, so a seed always makes the same choices.
        auto at = [this](int ms, std::function<void()> what) {
            auto* t = new QTimer(m_opScope.get());
            t->setSingleShot(true);
            QObject::connect(t, &QTimer::timeout, t, [t, what] {
                // Nobody clicks while a message box is up: try again shortly.
                if (QApplication::activeModalWidget())
                    t->start(10);
                else
                    what();
            });
            t->start(ms);
        };
        if (chance(0.3)) {
            const CallBoxFaults next = randomFaults();
            at(pick(0, 1500), [this, next] { applyFaults(next, true); });
        }
        // An event that comes with chance `p`, within `latestMs`, counted as it fires.
        auto maybe = [&](double p, int latestMs, const char* event, std::function<void()> what) {
            if (chance(p))
                at(pick(0, latestMs), [this, event, what] {
                    ++m_eventsByKind[event];
                    what();
                });
        };
        maybe(0.05, 1500, "line pulled mid-op", [this] { m_rig->sim.hangUp(); });
        maybe(0.15, 1500, "scan clicked mid-op",
              [this] { QTest::mouseClick(m_rig->form.cmdScanForPorts, Qt::LeftButton); });
        if (chance(0.25)) {
            const int which = pick(0, 99);
            at(pick(0, 700), [this, which] {
                // Whatever other operation button is still enabled gets clicked.
                QList<QPushButton*> live = m_rig->operationButtons();
                live.removeIf([](QPushButton* b) { return !b->isEnabled(); });
                if (live.isEmpty())
                    return;
                ++m_eventsByKind[QStringLiteral("other operation clicked mid-op")];
                QTest::mouseClick(live[which % live.size()], Qt::LeftButton);
            });
        }
        if (editEntry)
            maybe(0.1, 800, "entry edited mid-op", editEntry);
    }

    // An operation of `kind` that may take up to `boundMs`.
    void begin(const QString& kind, double boundMs)
    {
        ++m_opNumber;
        ++m_opsByKind[kind];
        m_op = Op{.kind = kind, .boundMs = boundMs};
        m_failure.clear();
        m_opScope = std::make_unique<QObject>();
        m_rig->mark();  // the operation's log lines, boxes and wire start here
        m_rig->sim.box().setByteMs(chance(0.1) ? kRealLineByteMs : kFastByteMs);
        applyFaults(randomFaults(), false);
        if (qEnvironmentVariableIsSet("ZT870K_SOAK_VERBOSE")) {
            std::printf("op %d: %s, faults %s\n", m_opNumber, qPrintable(kind), qPrintable(m_op.faults));
            std::fflush(stdout);
        }
    }

    // Clicks the operation's button and, once it returns, checks the window
    // at rest and the lines it logged.
    void run(QPushButton* button)
    {
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(button, Qt::LeftButton);
        const double took = double(clock.elapsed());
        m_msByKind[m_op.kind] += took;
        m_opScope.reset();
        m_op.lineLost = m_op.lineLost || !m_rig->sim.box().isLinked();
        check(took <= m_op.boundMs, QStringLiteral("took %1 ms, more than the bound of %2 ms")
                                        .arg(took).arg(m_op.boundMs));
        checkAtRest();
        checkLogLines();
        m_rig->sim.box().clearFaults();
    }

    void doReadOut()
    {
        begin("read-out", 2 * (5 * (200 + 25) * kTick) + 2000);
        scheduleMidOpEvents({});
        run(m_rig->form.cmdReadValues);
        const QByteArray host = m_rig->sim.hostSent();
        check(host.count('q') == host.size(), "a read-out sent more than queries: " + host.toHex(' '));
        checkReadOutPart(opTexts(), int(host.size()));
    }

    // What a hurried technician types: plain digits in range, always taken
    // (with the value they must send), or something odd that may or may not be.
    std::pair<QString, std::optional<int>> writeEntry(const Sheet::Setting& row)
    {
        if (chance(0.55)) {
            const int v = pick(row.low, row.high);
            const QString text = row.valueBytes == 2 ? QStringLiteral("%1").arg(v, pick(1, 4), 10, QLatin1Char('0'))
                                                     : QString::number(v);
            return {text, text.size() <= row.digits ? std::optional(v) : std::nullopt};
        }
        if (chance(0.3))
            return {QString::number(chance(0.5) ? row.high + pick(1, 300) : row.low - pick(1, 300)), {}};
        return {kOddEntries[pick(0, int(kOddEntries.size()) - 1)], {}};
    }

    void doWrite()
    {
        const Sheet::Setting& row = Sheet::kSettings[pick(0, 7)];
        QLineEdit* entry = m_rig->form.*row.entry;
        const auto [text, expected] = writeEntry(row);
        begin(QStringLiteral("write ") + (expected ? "valid" : "odd/invalid"),
              2 * (4 * (2 + row.settleTicks + 40) * kTick + 30 * kTick + 5 * (200 + 25) * kTick) + 2000);
        entry->setText(text);
        const QString shownText = entry->text();  // the box may have cut it to its limit
        QString showing = shownText;  // or, after an edit while the write ran, what the edit left
        const QString editText = QString::number(pick(0, 999));
        scheduleMidOpEvents([&] { entry->setText(editText); showing = entry->text(); });
        run(m_rig->form.*row.button);

        const QStringList lines = opTexts();
        const QByteArray host = m_rig->sim.hostSent();
        const QString context = QStringLiteral(" [%1 \"%2\"]").arg(row.name(), shownText.toHtmlEscaped());
        check(entry->text() == showing, "the entry changed under the write" + context);
        if (lines == QStringList{row.outOfRange()}) {
            check(!expected, "a plain entry in range was refused" + context);
            check(host.isEmpty(), "a refused entry sent " + host.toHex(' ') + context);
            check(opBoxes(row.outOfRange()) == 1, "no single out-of-range box" + context);
            return;
        }
        checkWriteExchange(row, expected, lines, context);
    }

    // The write's attempts on the wire (the letter and a value in range, every
    // time the same), its retry lines and one outcome, each borne out by the
    // wire; then whatever the read-back sent and logged.
    void checkWriteExchange(const Sheet::Setting& row, std::optional<int> expected, const QStringList& lines,
                            const QString& context)
    {
        const QByteArray host = m_rig->sim.hostSent();
        const Attempts attempts = readAttempts(host, row.letter, row.valueBytes);
        check(attempts.sameValue, "a retry sent another value" + context);
        const QByteArray rest = host.mid(attempts.end);
        check(rest.count('q') == rest.size() || m_op.lineLost,
              "unexpected bytes after the write: " + host.toHex(' ') + context);
        if (attempts.count > 0) {
            const QByteArray& v = attempts.value;
            const int sent = row.valueBytes == 2 ? quint8(v[0]) * 256 + quint8(v[1]) : quint8(v[0]);
            check(sent >= row.low && sent <= row.high,
                  QStringLiteral("sent %1, out of range").arg(sent) + context);
            if (expected)
                check(sent == *expected, QStringLiteral("sent %1 for %2").arg(sent).arg(*expected) + context);
        }
        const AckLog log = readAckLog(lines, 0, row.name(), row.complete(), row.failed());
        if (!check(log.done || log.failed, "no outcome line: " + lines.join('|') + context))
            return;
        check(log.failed ? log.retries == 4 : log.retries <= 3,
              QStringLiteral("%1 retry lines before the outcome").arg(log.retries) + context);
        check(m_op.lineLost || attempts.count == log.retries + (log.done ? 1 : 0),
              QStringLiteral("%1 attempts on the wire for %2 retry lines").arg(attempts.count).arg(log.retries) +
                  context);
        if (log.done) {
            const QString problem = ackEvidenceProblem(m_rig->sim.box().wire(), row.letter + attempts.value,
                                                       loggedAt(row.complete()), true);
            check(problem.isEmpty(), "success without ACK: " + problem + context);
        }
        for (const TimedLine& line : opLines())
            if (line.text == notAckLine(row.name()))
                check(boxAnsweredBefore(m_rig->sim.box().wire(), line.ms),
                      "a not-ACK line with no answer from the box" + context);
        checkReadOutPart(lines.mid(log.next), int(rest.count('q')));
    }

    // Fresh files every time: 60 to 2400 bytes record for 0 to 1 ticks.
    // Mostly one slot ticked, sometimes two or three, now and then none.
    QList<int> tickSlots()
    {
        const int several[] = {3, 5, 6, 7};
        const int mask = chance(0.08) ? 0 : chance(0.65) ? 1 << pick(0, 2) : several[pick(0, 3)];
        QList<int> ticked;
        for (int s = 0; s < 3; ++s) {
            check(writeWav(m_rig->dir + kSlots[s].file, pick(60, 2400)), "can't write a message file");
            const bool on = mask & (1 << s);
            (m_rig->form.*kSlots[s].box)->setChecked(on);
            if (on)
                ticked << s;
        }
        return ticked;
    }

    void doProgram()
    {
        const QList<int> ticked = tickSlots();
        const double slotsMs =
            ticked.size() * (4 * 40 * kTick + 30 * kTick + 3 * 100 + 2 * 20 * kTick + 70 * kTick);
        begin(ticked.isEmpty() ? "program (none ticked)" : QStringLiteral("program %1 slot(s)").arg(ticked.size()),
              2 * (5 * (200 + 25) * kTick + slotsMs) + 2000);
        scheduleMidOpEvents({});
        run(m_rig->form.Command3);

        const QStringList lines = opTexts();
        const QByteArray host = m_rig->sim.hostSent();
        if (ticked.isEmpty()) {
            check(lines == QStringList{"No Message Selected"}, "nothing ticked: " + lines.join('|'));
            check(host.isEmpty(), "nothing ticked, yet sent " + host.toHex(' '));
            check(opBoxes("Must Select at Least One Message") == 1, "no single no-selection box");
            return;
        }
        // The read-out first: its queries, and at most its failure line.
        const int queries = int(host.size() - QByteArray(host).replace('q', "").size());
        check(host.left(queries).count('q') == queries, "queries after a message command: " + host.toHex(' '));
        const bool readFailed = !lines.isEmpty() && kReadOutFailures.contains(lines.first());
        const bool readOutRan = checkReadOutPart(readFailed ? lines.mid(0, 1) : QStringList{}, queries);
        if (readFailed || !readOutRan) {
            check(lines.size() == (readFailed ? 1 : 0), "the run went on after its read-out failed: " + lines.join('|'));
            check(host.size() == queries, "message commands after a failed read-out: " + host.toHex(' '));
            return;
        }
        checkSlotsRecorded(ticked, lines, host, queries);
    }

    // After the read-out, each ticked slot in order: retries, one outcome; a
    // failure ends the run.
    void checkSlotsRecorded(const QList<int>& ticked, const QStringList& lines, const QByteArray& host, int queries)
    {
        QByteArray expectHost = host.left(queries);
        int li = 0;
        for (int s : ticked) {
            const Sheet::Slot& slot = kSlots[s];
            const QString what = QString::fromLatin1(slot.what);
            const QString path = m_rig->dir + slot.file;
            const AckLog log = readAckLog(lines, li, what, slot.success + path, slot.failure);
            li += log.retries;
            if (!check(li < lines.size(), "no outcome for " + what + ": " + lines.join('|')))
                return;
            check(log.done || log.failed, "unexpected line for " + what + ": " + lines[li]);
            // A slot acknowledged but whose line went before both stops were
            // handed over fails without using up its attempts.
            const bool lostWhileRecording = !log.done && log.retries < 4 && m_op.lineLost;
            check(log.done ? log.retries <= 3 : (log.retries == 4 || lostWhileRecording),
                  QStringLiteral("%1 retries for %2").arg(log.retries).arg(what));
            expectHost += QByteArray(log.retries + (log.done || lostWhileRecording ? 1 : 0), slot.letter);
            // Both stops; with the line lost, what of them got through before it went.
            if (log.done || lostWhileRecording)
                expectHost += "dd";
            if (log.done) {
                const QString problem = ackEvidenceProblem(
                    m_rig->sim.box().wire(), QByteArray(1, slot.letter), loggedAt(slot.success + path), false);
                check(problem.isEmpty(), "programmed without ACK: " + problem);
            }
            ++li;
            if (!log.done)
                break;
        }
        check(li == lines.size(), "lines after the run: " + lines.mid(li).join('|'));
        check(m_op.lineLost ? expectHost.startsWith(host) : host == expectHost,
              "host sent " + host.toHex(' ') + ", expected " + expectHost.toHex(' '));
    }

    void doScan()
    {
        begin("scan (idle)", 5000);
        run(m_rig->form.cmdScanForPorts);
        const QString last = opLines().empty() ? QString() : opLines().back().text;
        const bool linked = m_rig->sim.box().isLinked();
        check(last == (linked ? "Total Comm Ports Found: 1" : "***No Serial Ports Detected"),
              "scan logged " + last);
        check(m_rig->sim.hostSent().isEmpty(), "a scan sent bytes");
    }

    void checkAtRest()
    {
        const QStringList problems = m_rig->unrestAnyBoxes();
        check(problems.isEmpty(), problems.join(QLatin1String("; ")));
        for (const ShownBox& b : m_rig->answerer.boxes) {
            ++m_boxesByTitle[b.title];
            const bool known =
                (b.title == "Comm Port Error" && b.text == Sheet::kPortBoxText) ||
                (b.title.startsWith("Bad ") && b.text.endsWith(" Out Of Range")) ||
                (b.title == "No Message Selected" && b.text == "Must Select at Least One Message");
            check(known && b.warningIcon, "unexpected box: " + b.title + " / " + b.text);
        }
    }

    void checkLogLines()
    {
        for (const TimedLine& line : opLines()) {
            check(isWellFormedLogLine(line.raw, m_rig->form.LineEnd),
                  "malformed log line: " + line.raw.toHtmlEscaped());
            check(isKnownLogText(line.text), "unknown log text: " + line.text);
        }
    }

    // The read-out at the end of `lines` (all that's left of the operation's log
    // once its own lines are taken off). True when its port opened, which only
    // a line gone away may prevent.
    bool checkReadOutPart(const QStringList& lines, int queries)
    {
        Form1& f = m_rig->form;
        const bool ran = opBoxes(Sheet::kPortBoxText) == 0;
        check(ran || m_op.lineLost, "the read-out's port was refused with the line in place");
        const QStringList column = m_rig->readColumn();
        if (!ran) {
            check(lines.isEmpty(), "log lines from a read-out that never opened: " + lines.join('|'));
            check(m_rig->readColumnEmpty(), "read column filled by a read-out that never opened");
            return false;
        }
        if (lines.size() == 1 && kReadOutFailures.contains(lines.first())) {
            check(m_rig->readColumnEmpty(), "read column filled after " + lines.first());
            check(!f.lblCommFail->text().isEmpty(), "no failure text after " + lines.first());
            check(f.ReadFailed == kTrue, "ReadFailed not set after " + lines.first());
            check(queries <= 5, QStringLiteral("%1 queries in one read-out").arg(queries));
            if (!m_op.lineLost && lines.first().startsWith("Data"))
                check(queries == 5, QStringLiteral("inconsistent data after %1 queries").arg(queries));
            return true;
        }
        check(lines.isEmpty(), "unexpected lines after the read-out: " + lines.join('|'));
        check(f.lblCommFail->text().isEmpty(), "failure text after a good read-out");
        check(!m_op.lineLost || queries >= 1, "a read-out that got nothing showed values");
        check(m_op.lineLost || (queries >= 2 && queries <= 4),
              QStringLiteral("values shown after %1 queries").arg(queries));
        check(!column.contains(QString()), "a good read-out left boxes empty: " + column.join('|'));
        const bool fromWire = columnFromWire(column, m_rig->sim.box().wire(), m_op.noise);
        check(fromWire, "the read column shows no block the box sent: " + column.join('|'));
        ++(m_op.noise ? m_looseColumns : m_strictColumns);
        // Noise can frame a "block" anywhere: count the times that happened.
        if (m_op.noise && fromWire && !columnFromWire(column, m_rig->sim.box().wire(), false))
            ++m_misframed;
        return true;
    }

    // The texts logged during the operation, scans left out.
    QStringList opTexts() const
    {
        QStringList out;
        for (const TimedLine& line : opLines())
            if (!isScanLine(line.text))
                out << line.text;
        return out;
    }

    // The boxes shown during the operation.
    // How many boxes the operation showed with `text`.
    int opBoxes(const QString& text) const
    {
        return int(std::ranges::count(m_rig->answerer.boxes, text, &ShownBox::text));
    }

    // When (box clock) the operation last logged `text`.
    double loggedAt(const QString& text) const
    {
        double at = 0;
        for (const TimedLine& line : opLines())
            if (line.text == text)
                at = line.ms;
        return at;
    }

    bool check(bool ok, const QString& what)
    {
        if (ok)
            ++m_checks;
        else if (m_failure.isEmpty())
            m_failure = what;
        return ok;
    }

    // ---- randomness ----
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }

    std::unique_ptr<WindowRig> m_rig;
    std::unique_ptr<QObject> m_opScope;  // owns the operation's mid-op timers
    std::mt19937 m_rng;
    // The operation's log lines, stamped with the box's clock.
    std::span<const TimedLine> opLines() const { return m_rig->form.log.sinceMark(); }
    Op m_op;
    QString m_failure;
    int m_opNumber = 0;

    std::map<QString, int> m_opsByKind, m_faultsByKind, m_eventsByKind, m_boxesByTitle;
    std::map<QString, double> m_msByKind;
    long m_checks = 0;
    int m_strictColumns = 0, m_looseColumns = 0, m_misframed = 0;
};

QTEST_MAIN(TestSoak)
#include "test_soak.moc"
