// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A sound at another rate and channel count, converted by libsamplerate as it
// is read: it plays as long at the same pitch. Fewer channels take the mean of
// the sound's channels that fall to each, more repeat them in turn.

#include <QString>
#include <memory>

#include "messages/SampleStream.h"

// Null when no converter takes the sound to that rate and channel count;
// `problem` then says why, in words for the user ("its rate ... is beyond ...").
std::unique_ptr<SampleStream> ConvertedStream(std::shared_ptr<SampleStream> sound, int rate, int channels,
                                             QString* problem = nullptr);
