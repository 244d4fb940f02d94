// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A WAV file as libsndfile is shown it: its fmt, fact and data chunks alone,
// in the usual order and padded, whatever else the file holds and in whatever
// order. Playing needs none of the metadata, and libsndfile loops for ever on
// some damaged metadata chunks (a LIST chunk's sub-chunk lengths, for one) and
// refuses a fmt chunk after the data or an odd-sized chunk without its pad
// byte, as some writers leave them.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <optional>

// Where a WAV file's sound data lies, and the header that goes before it.
struct WavLayout {
    QByteArray head;  // RIFF, WAVE, fmt, fact, and the data chunk's id and length
    qint64 dataAt = 0;
    qint64 dataLength = 0;
    // The sound's length in frames as its fact chunk states it; 0 where the
    // file has none or leaves it 0.
    qint64 factFrames = 0;
};

// Whether the bytes begin as a WAV file does.
bool IsWav(QIODevice& file);
// The layout of a WAV file, found by walking its chunks in small reads, never
// copying it. Nothing when it has no fmt or no data chunk; `problem` then says
// what is wrong with it, in words for the user ("its fmt chunk is missing").
std::optional<WavLayout> WavLayoutOf(QIODevice& file, QString* problem);

// A WAV file as its layout shows it: the header, then the data read from the
// file as it is asked for.
class WavView : public QIODevice {
public:
    WavView(QIODevice& file, WavLayout layout);
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_layout.head.size() + m_layout.dataLength; }

protected:
    qint64 readData(char* to, qint64 most) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice& m_file;
    const WavLayout m_layout;
};
