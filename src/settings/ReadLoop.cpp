// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ReadLoop.h"

#include "app/TickWaits.h"
#include "link/DeviceLink.h"
#include "link/MSComm.h"
#include "link/Protocol.h"
#include "settings/ValueBlock.h"

namespace {
constexpr int kMaxBlocks = 4;
}  // namespace

ReadOutcome ReadUntilTwoAgree(DeviceLink& link, TickWaits& waits)
{
    quint8 ReadAttempt = 0;
    qint16 BlockSum[kMaxBlocks + 1] = {};
    for (;;) {
        const std::optional<QByteArray> block = link.QueryValueBlock();
        if (!block)
            return {ReadOutcome::CommFail, {}};
        ++ReadAttempt;
        if (ReadAttempt > kMaxBlocks)
            return {ReadOutcome::DataReadErrors, {}};
        BlockSum[ReadAttempt] = qint16(ValueBlockSum(*block));
        if (ReadAttempt > 1 && BlockSum[ReadAttempt - 1] == BlockSum[ReadAttempt]) {
            link.port().setInBufferCount(0);
            return {ReadOutcome::Agreed, *block};
        }
        waits.wait(Ticks::kReadPause);
    }
}
