// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The PC's sound output, through which the call box hears each message.

#include "messages/WavSound.h"

// Whether there is a sound output device that can play now.
bool SoundOutputAvailable();

// Starts playing the sound through the default output and returns at once.
// When the output doesn't take the file's format, the samples are converted
// to one it does take first, so the sound keeps its rate and pitch. A new call
// replaces whatever still plays. False when the output could not start.
bool PlaySoundAsync(const WavSound& sound);

// True when the output of the sound last started failed before the sound had
// played to its end (the sound server went away, the device was lost).
bool SoundOutputFailed();
