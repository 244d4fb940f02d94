// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QtGlobal>

// Window-level flags are 16-bit integers: 0 is false, -1 is true.
using Boolean = qint16;
constexpr Boolean kFalse = 0;
constexpr Boolean kTrue = -1;
