// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The PC's sound output, through which the call box hears each message. Each
// message gets an output of its own: it is opened before the box is told to
// record, so that no recording is commanded that no sound would reach, and it
// finds the sound system as it is at that moment, restarted or not.

#include <memory>

#include "messages/Sound.h"

class SoundOutput {
public:
    enum class State {
        Closed,
        Opening,  // finding the default output; open() returned already
        Ready,    // it can play now
        Playing,  // until the last sample has been heard
        Played,
        Failed,   // no output, or it failed before the sound had played to its end
    };

    virtual ~SoundOutput() = default;
    // Starts opening the default output for `sound`, and returns at once. A
    // sound still playing is left to end on its own. The sound is read from
    // where it stands, as it plays.
    virtual void open(std::shared_ptr<SoundStream> sound) = 0;
    // Starts the opened sound, and returns at once.
    virtual void play() = 0;
    // Gives up an output that was opened but is not to play.
    virtual void close() = 0;
    virtual State state() const = 0;
};

// The platform's output: on Linux a connection of its own to the sound server
// for every message (PulseAudio, or PipeWire's server for its clients); Qt
// Multimedia's output elsewhere.
std::unique_ptr<SoundOutput> MakeSoundOutput();
// Qt Multimedia's output, on every platform.
std::unique_ptr<SoundOutput> MakeQtSoundOutput();
