// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small helpers shared by the benchmarks: summary figures, CPU time, memory,
// the one-line results that scripts/benchmarks gathers, and a loaded window.
#include <QFile>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

struct Summary {
    double median = 0, min = 0, max = 0;
};

inline Summary summarize(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {median, v.front(), v.back()};
}

// User + system CPU time of this process, in seconds.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Resident memory of this process in kB (VmRSS of /proc/self/status; VmHWM
// for its peak), 0 where there is none.
inline long vmStatusKb(const char* field = "VmRSS:")
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return 0;
}
inline long vmRssKb() { return vmStatusKb(); }
// Starts the peak (VmHWM) again from the present resident memory.
inline bool resetPeakRss()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

// Voluntary context switches of all this process's threads so far: each time
// a thread goes to sleep, to be woken again, counts once. (Involuntary ones
// are other programs taking the core, not wake-ups of ours.)
#include <QDir>
inline long long contextSwitches()
{
    long long total = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task) + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    }
    return total;
}

// "RESULT <name> <value> <unit>": one figure for scripts/benchmarks.
inline void result(const char* name, double value, const char* unit)
{
    std::printf("RESULT %s %.6g %s\n", name, value, unit);
}
inline void result(const QByteArray& name, double value, const char* unit)
{
    result(name.constData(), value, unit);
}

// The window loaded and shown as at start-up, its port lookup kept away from
// the machine's own devices for as long as it lives.
#include <QCoreApplication>
#include "NoPorts.h"
#include "app/Form1.h"
struct ShownWindow {
    ShownWindow()
    {
        form.Form_Load();
        form.show();
        QCoreApplication::processEvents();
    }
    NoPorts noPorts;  // before the window: its start-up scan must find no port
    Form1 form;
};
