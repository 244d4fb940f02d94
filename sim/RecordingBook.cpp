// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingBook.h"

#include "MonitorRecorder.h"

RecordingBook::RecordingBook(const WireClock& clock, WireTrace& trace, QObject* parent)
    : QObject(parent), m_clock(clock), m_trace(trace)
{
}

RecordingBook::~RecordingBook() = default;

const Recording* RecordingBook::running() const
{
    return !m_recordings.isEmpty() && m_recordings.last().running() ? &m_recordings.last() : nullptr;
}

Recording* RecordingBook::runningRecording()
{
    return const_cast<Recording*>(std::as_const(*this).running());
}

void RecordingBook::begin(char letter, double ackMs)
{
    cut(QStringLiteral("a new recording began"));
    m_recordings.append({.letter = letter, .startMs = ackMs});
    m_trace.event(QStringLiteral("recording %1 started").arg(QLatin1Char(letter)));
    if (m_listening)
        m_recorder->start(letter, ackMs);
}

void RecordingBook::stop()
{
    Recording* r = runningRecording();
    if (!r)
        return;
    if (++r->stops == 1) {
        r->lastedMs = m_clock.nowMs() - r->startMs;
        m_trace.event(
            QStringLiteral("recording %1 lasted %2 ms").arg(QLatin1Char(r->letter)).arg(qRound(r->lastedMs)));
    } else {
        m_trace.event(QStringLiteral("recording %1 stopped").arg(QLatin1Char(r->letter)));
        if (m_recorder)
            m_recorder->stop(m_clock.nowMs());
    }
}

void RecordingBook::cut(const QString& why)
{
    Recording* r = runningRecording();
    if (!r)
        return;
    r->cut = why;
    m_trace.event(QStringLiteral("recording %1 cut: %2").arg(QLatin1Char(r->letter)).arg(why));
    if (m_recorder)
        m_recorder->stop(m_clock.nowMs(), why);
}

void RecordingBook::forgetEnded()
{
    m_recordings.removeIf([](const Recording& r) { return !r.running(); });
}

void RecordingBook::setListening(bool on)
{
    if (on == m_listening)
        return;
    m_listening = on;
    if (!on) {
        stopListening(QStringLiteral("listening switched off"), 0);
        return;
    }
    if (!m_recorder) {
        m_recorder = std::make_unique<MonitorRecorder>(m_clock);
        m_recorder->setFolder(m_messageFolder);
        connect(m_recorder.get(), &MonitorRecorder::stored, this, &RecordingBook::onStored);
        connect(m_recorder.get(), &MonitorRecorder::cannotListen, this, [this](const QString& why) {
            emit notice(QStringLiteral("cannot listen (%1): no message is kept").arg(why));
        });
    }
}

void RecordingBook::setMessageFolder(const QString& dir)
{
    m_messageFolder = dir;
    if (m_recorder)
        m_recorder->setFolder(dir);
}

const StoredMessage* RecordingBook::storedMessage(char letter) const
{
    const auto it = m_stored.constFind(letter);
    return it == m_stored.constEnd() ? nullptr : &it.value();
}

void RecordingBook::stopListening(const QString& why, int waitMs)
{
    if (!m_recorder)
        return;
    cut(why);
    m_recorder->finish(waitMs);
}

void RecordingBook::onStored(const StoredMessage& message)
{
    m_stored[message.letter] = message;
    emit messageStored(message);
    emit notice(message.line());
}
