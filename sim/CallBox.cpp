// SPDX-License-Identifier: GPL-3.0-or-later
#include "CallBox.h"

#include "PtyLink.h"

#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

CallBox::CallBox(QObject* parent) : QObject(parent)
{
    connect(&m_trace, &WireTrace::line, this, &CallBox::traceLine);
    connect(&m_pacer, &LinePacer::delivered, this, &CallBox::onDelivered);
    connect(&m_faults, &FaultInjector::noise, this,
            [this](const QByteArray& byte) { m_pacer.send(byte, 0, false); });
    connect(&m_faults, &FaultInjector::note, &m_trace, &WireTrace::event);
    connect(&m_reader, &CommandReader::note, &m_trace, &WireTrace::event);
    connect(&m_book, &RecordingBook::messageStored, this, &CallBox::messageStored);
    connect(&m_book, &RecordingBook::notice, this, &CallBox::notice);
}

CallBox::~CallBox()
{
    stopListening(QStringLiteral("simulator stopped"), 1000);
    attach(nullptr);
}

// Stops reading the line and drops what was still to go out on it; the box
// keeps m_link as it is.
void CallBox::stopServingLine()
{
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    m_pacer.setLink(nullptr);
    m_reader.reset();
}

void CallBox::attach(PtyLink* link)
{
    m_book.cut(QStringLiteral("line closed"));
    stopServingLine();
    m_link = link;
    m_pacer.setLink(link);
    if (!isLinked())
        return;
    m_notifier = new QSocketNotifier(link->masterFd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CallBox::onReadable);
    m_trace.event(QStringLiteral("linked COM%1 -> %2").arg(link->port()).arg(link->terminalPath()));
}

bool CallBox::isLinked() const
{
    return m_link && m_link->ok();
}

void CallBox::hangUp()
{
    if (!isLinked())
        return;
    m_book.cut(QStringLiteral("line pulled"));
    // The box stays on the line it had, now dead: link() still names it.
    stopServingLine();
    m_link->hangUp();
    m_trace.event(QStringLiteral("line hung up"));
    emit lineHungUp();
}

void CallBox::clearTrace()
{
    m_trace.clear();
    m_book.forgetEnded();
}

void CallBox::onReadable()
{
    if (!isLinked())
        return;
    char buf[256];
    for (;;) {
        const ssize_t n = ::read(m_link->masterFd(), buf, sizeof buf);
        if (n > 0) {
            for (ssize_t i = 0; i < n && isLinked(); ++i)
                onByte(static_cast<quint8>(buf[i]));
            if (!isLinked())
                return;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        lineGone();
        return;
    }
}

// EOF or EIO: nothing will come any more; stop listening rather than being
// woken for ever.
void CallBox::lineGone()
{
    if (m_notifier)
        m_notifier->setEnabled(false);
    m_trace.event(QStringLiteral("terminal side gone"));
    m_book.cut(QStringLiteral("line closed"));
}

void CallBox::onByte(quint8 byte)
{
    m_trace.add(WireDir::HostToBox, byte, nowMs());
    if (m_faults.countByteIn()) {
        hangUp();
        return;
    }
    if (m_faults.silent())
        return;
    const CommandReader::Step step = m_reader.read(byte);
    if (const Recording* r = m_book.running(); r && step.letter)
        m_book.cut(r->stops == 1 ? QStringLiteral("only one stop character")
                                 : QStringLiteral("no stop character"));
    if (step.stop)
        m_book.stop();
    if (step.whole)
        runCommand(*step.whole);
}

void CallBox::runCommand(const CommandReader::Command& command)
{
    if (command.letter == BoxBytes::kQuery) {
        if (const std::optional<QByteArray> block = m_faults.queryAnswer(m_values.storedBlock()))
            m_pacer.send(*block, 0, false);
        return;
    }
    if (const WriteCommand* write = writeCommandOf(command.letter))
        for (int i = 0; i < command.values.size(); ++i)
            m_values.setValue(write->offset + i, static_cast<quint8>(command.values.at(i)));
    const FaultInjector::Answer answer = m_faults.ackAnswer(command.letter);
    const bool records = answer.ack && isRecordCommand(command.letter);
    m_pacer.send(answer.bytes, answer.delayMs, answer.together, records ? command.letter : char(0));
}

void CallBox::onDelivered(const QByteArray& bytes, double ms, char mark)
{
    for (char byte : bytes)
        m_trace.add(WireDir::BoxToHost, static_cast<quint8>(byte), ms);
    if (mark)
        m_book.begin(mark, ms);
}
