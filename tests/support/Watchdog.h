// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Frozen steps end the test with a message instead of its time-out.

#include <QByteArray>
#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <thread>

// Stops the whole test with a message if a step never returns: a frozen
// window would otherwise only show up as the suite's time-out.
class Watchdog {
public:
    Watchdog(int seconds, const char* what)
        : m_thread([this, seconds, what] {
              for (int i = 0; i < seconds * 10 && !m_done; ++i)
                  std::this_thread::sleep_for(std::chrono::milliseconds(100));
              if (!m_done) {
                  std::fprintf(stderr, "FROZEN: %s did not return within %d s\n", what, seconds);
                  std::_Exit(3);
              }
          })
    {
    }
    ~Watchdog()
    {
        m_done = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

// QtTest stops any test function after five minutes; a longer one must say so
// before the test runner starts its own watchdog, which reads this once.
inline bool allowTestFunctionMs(qint64 ms)
{
    return !qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT") &&
           qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number(qMin<qint64>(ms, INT_MAX)));
}
