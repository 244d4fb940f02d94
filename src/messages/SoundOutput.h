// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The PC's sound output, through which the call box hears each message. Each
// message gets an output of its own: it is opened before the box is told to
// record, so that no recording is commanded that no sound would reach, and it
// finds the sound system as it is at that moment, restarted or not.

#include <QString>
#include <memory>

#include "messages/SampleStream.h"

class SoundOutput {
public:
    enum class State {
        Closed,
        Opening,  // finding the default output; open() returned already
        Ready,    // it can play now, and what it plays can be heard
        Playing,  // until the last sample has been heard
        Played,
        Failed,   // no output, or it failed before the sound had played to its end
    };
    // What made an output fail: each asks the user for something else.
    enum class Fault {
        None,
        NoOutput,    // no sound output can be reached, or it went away
        Silenced,    // the output, or this program's sound, is muted or at zero volume
        Unplayable,  // the sound cannot be made into what the output takes
    };
    struct Trouble {
        Fault fault = Fault::None;
        QString why;  // in words for the user: "the sound output “Speakers” is muted"
    };

    virtual ~SoundOutput() = default;
    // Starts opening the default output for `sound`, and returns at once. A
    // sound still playing is left to end on its own. The sound is read from
    // where it stands, as it plays.
    virtual void open(std::shared_ptr<SampleStream> sound) = 0;
    // Starts the opened sound, and returns at once.
    virtual void play() = 0;
    // Gives up an output that was opened but is not to play.
    virtual void close() = 0;
    virtual State state() const = 0;
    // Why it Failed; nothing while it has not.
    virtual Trouble trouble() const = 0;
};

// The platform's output: on Linux a connection of its own to the sound server
// for every message (PulseAudio, or PipeWire's server for its clients); Qt
// Multimedia's output elsewhere.
std::unique_ptr<SoundOutput> MakeSoundOutput();
// Qt Multimedia's output, on every platform.
std::unique_ptr<SoundOutput> MakeQtSoundOutput();
