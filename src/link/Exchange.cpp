// The two exchanges with the call box: a command acknowledged by one ACK byte,
// with up to four attempts, and the read query answered by the value block.
#include "app/Form1.h"
#include "link/Protocol.h"

bool Form1::SendCommandWithAck(quint8 command, const QByteArray& valueBytes, int settleTicks,
                               const QString& what)
{
    RetryCount = 0;
    for (;;) {
        MSComm1.Output(QByteArray(1, char(command)));
        if (!valueBytes.isEmpty()) {
            TickWait(Ticks::kValuePause);
            for (char byte : valueBytes)
                MSComm1.Output(QByteArray(1, byte));
            if (settleTicks > 0)
                TickWait(settleTicks);
        }
        MSComm1.setInBufferCount(0);

        // Exactly one waiting byte is an answer; two arriving together are not.
        if (TimedWaitLeave(Ticks::kAckTimeout, [this] { return MSComm1.InBufferCount() == 1; })) {
            const QByteArray answer = MSComm1.Input();
            if (!answer.isEmpty() && quint8(answer.at(0)) == kAck) {
                TickCountdown = 0;
                return true;
            }
            LogFile(NotAckLine(what));
        } else {
            LogFile(TimeoutLine(what));
        }

        ++RetryCount;
        if (RetryCount > kMaxRetries) {
            TickCountdown = 0;
            return false;
        }
    }
}

std::optional<QByteArray> Form1::QueryValueBlock()
{
    if (MSComm1.InBufferCount() > 0)
        MSComm1.Input();
    MSComm1.Output(QByteArray(1, char(kReadCommand)));
    MSComm1.setInBufferCount(0);
    const bool complete = TimedWaitZero(Ticks::kReadTimeout, [this] {
        return MSComm1.InBufferCount() >= kMinBlockLength;
    });
    if (!complete)
        return std::nullopt;
    return MSComm1.Input();
}
