// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The read-out's exchange: query the call box until two consecutive value
// blocks have the same byte sum.
#include <QByteArray>

class DeviceLink;
class TickWaits;

struct ReadOutcome {
    enum Kind {
        Agreed,          // `block` is the second of two blocks that agree
        CommFail,        // a query got no complete block in time
        DataReadErrors,  // the blocks never agreed
    };
    Kind kind;
    QByteArray block;
};

// On an open, prepared port. Each disagreement costs a pause and another
// query; the fifth block only proves the data never settled.
ReadOutcome ReadUntilTwoAgree(DeviceLink& link, TickWaits& waits);
