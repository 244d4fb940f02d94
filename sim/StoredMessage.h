// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A message the simulated box keeps: what reached its audio input during one
// recording, in the box's own format, timed on the wire trace's clock so that
// the sound can be laid against the bytes on the line.

#include <QString>
#include <QVector>
#include <QtGlobal>

struct StoredMessage {
    static constexpr int kRate = 11025;  // 16-bit mono, as the box stores it
    // Louder than -40 dBFS counts as sound; below it is dead air.
    static constexpr int kSoundLevel = 328;

    char letter = 0;  // 'A', 'B' or 'F'
    QVector<qint16> samples;
    double startMs = 0;  // wire clock (CallBox::nowMs) of samples[0]: the ACK, once placed
    double ackMs = 0;    // wire clock of the ACK that began the recording
    // Wire clock from which the samples are what the box heard: a sound server
    // may hand a new listener its first samples late (an idle PulseAudio null
    // sink up to 2 s), and what stands before them is silence put in.
    double heardMs = 0;
    QString cut;         // why the recording ended early; empty when both stop characters came
    QString path;        // the WAV file holding it; empty when none was written
    QString writeError;  // why no file was written, where a folder was set

    double seconds() const { return samples.size() / double(kRate); }
    double timeMs(qsizetype index) const { return startMs + index * 1000.0 / kRate; }
    // First and last sample louder than `level` (of 32767); -1 when none is.
    qsizetype firstLoud(int level = kSoundLevel) const;
    qsizetype lastLoud(int level = kSoundLevel) const;
    double peakDbfs() const;  // -inf for pure silence
    // "stored Local: 3.43 s, sound 0.32-3.31 s, peak -6.1 dBFS, ~/.../local.wav"
    QString line() const;

    // Lays the samples, heard from startMs on, on the recording's span of the
    // wire clock: from the ACK to `endMs`. What was played before the ACK or
    // after the end is dropped; silence fills in before what came late.
    void placeOnWire(double endMs);

    // Writes folder/local.wav (radio.wav, lowbatt.wav) as a 16-bit mono WAV,
    // replacing the slot's old file only once the new one is whole.
    bool write(const QString& folder);

    static QString slotName(char letter);  // "Local", "Radio", "LowBatt"
    static QString fileName(char letter);  // "local.wav", "radio.wav", "lowbatt.wav"
};
