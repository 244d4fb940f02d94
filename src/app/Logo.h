// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The programmer's logo in the window's bottom strip: drawn, so that it stays
// sharp at any screen scale and ships no picture file.
#include <QPixmap>

// 371 x 46 logical pixels, drawn at `pixelRatio` device pixels to one.
QPixmap ProgrammerLogo(qreal pixelRatio);
