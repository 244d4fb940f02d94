// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the call box protocol reports what happened: one status log line at a
// time, as text without time stamp or line end.
#include <QString>

class LogSink {
public:
    virtual void LogFile(const QString& LogInfo) = 0;

protected:
    ~LogSink() = default;
};
