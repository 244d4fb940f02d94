// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A message got ready to be recorded, apart from the window: its file found
// and measured, its sound decoded once to find how long it plays, and its
// sound output opened so that the box will hear it. Each step gives what it
// found, or why the message is refused. Every refusal comes before the call
// box is told to record, so the box keeps the message it had.

#include <QString>
#include <functional>
#include <optional>
#include <variant>

#include "messages/MessageTiming.h"
#include "messages/SoundDecoding.h"
#include "messages/SoundOutput.h"

// Why a message is not to be recorded, as its warning box tells it.
struct Refusal {
    QString title;
    QString text;
};

template <typename Found>
using OrRefusal = std::variant<Found, Refusal>;

// Lets the window's events run once; the steps that wait call it meanwhile.
using YieldOnce = std::function<void()>;

// The size in bytes of the message file at `path`.
OrRefusal<double> MessageFileSize(const QString& path);
// Its sound, decoded once to its end on a worker thread while the window goes on.
OrRefusal<MeasuredSound> MeasureMessageSound(const QString& path, const YieldOnce& yieldOnce);
// The sound output opened for `sound`, ready to play, unless the message
// records too long for the tick count or the box could not hear it.
std::optional<Refusal> OpenMessageOutput(const QString& path, const MessageTime& time,
                                         const MeasuredSound& sound, SoundOutput& output,
                                         const YieldOnce& yieldOnce);
