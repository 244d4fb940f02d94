// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoredMessage.h"

#include <QDir>
#include <QSaveFile>
#include <QStringList>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

qsizetype StoredMessage::firstLoud(int level) const
{
    for (qsizetype i = 0; i < samples.size(); ++i)
        if (std::abs(int(samples[i])) > level)
            return i;
    return -1;
}

qsizetype StoredMessage::lastLoud(int level) const
{
    for (qsizetype i = samples.size() - 1; i >= 0; --i)
        if (std::abs(int(samples[i])) > level)
            return i;
    return -1;
}

double StoredMessage::peakDbfs() const
{
    int peak = 0;
    for (qint16 s : samples)
        peak = std::max(peak, std::abs(int(s)));
    return peak == 0 ? -INFINITY : 20 * std::log10(peak / 32768.0);
}

QString StoredMessage::line() const
{
    QStringList parts{QStringLiteral("%1 s").arg(seconds(), 0, 'f', 2)};
    const qsizetype first = firstLoud();
    if (heardMs >= timeMs(samples.size())) {
        parts << QStringLiteral("nothing heard");
    } else {
        // Say where what was heard begins, when silence was put in before it.
        if (heardMs - ackMs >= 50)
            parts << QStringLiteral("heard from %1 s after the ACK").arg((heardMs - ackMs) / 1000, 0, 'f', 2);
        parts << (first < 0 ? QStringLiteral("no sound")
                            : QStringLiteral("sound %1-%2 s")
                                  .arg(first / double(kRate), 0, 'f', 2)
                                  .arg((lastLoud() + 1) / double(kRate), 0, 'f', 2));
        if (const double peak = peakDbfs(); !std::isinf(peak))
            parts << QStringLiteral("peak %1 dBFS").arg(peak, 0, 'f', 1);
    }
    const QString home = QDir::homePath() + QLatin1Char('/');
    if (!path.isEmpty())
        parts << (path.startsWith(home) ? QStringLiteral("~/") + path.mid(home.size()) : path);
    else if (!writeError.isEmpty())
        parts << QStringLiteral("not written: ") + writeError;
    return QStringLiteral("stored %1%2: %3")
        .arg(slotName(letter), cut.isEmpty() ? QString() : QStringLiteral(" (cut: %1)").arg(cut),
             parts.join(QStringLiteral(", ")));
}

void StoredMessage::placeOnWire(double endMs)
{
    const auto samplesIn = [](double ms) { return qsizetype(std::lround(std::max(0.0, ms) * kRate / 1000.0)); };
    const double heardFrom = samples.isEmpty() ? endMs : std::min(startMs, endMs);
    samples.remove(0, std::min(samplesIn(ackMs - heardFrom), samples.size()));
    const qsizetype late = samplesIn(heardFrom - ackMs);
    samples.insert(0, late, 0);
    startMs = ackMs;
    heardMs = timeMs(late);
    samples.resize(std::min(samples.size(), samplesIn(endMs - ackMs)));
}

namespace {

// Writes 16-bit mono samples as a WAV file through `file`, which replaces what
// stood under its name only once it is whole; the error, or nothing.
QString writeWav(QSaveFile& file, const QVector<qint16>& samples)
{
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    SF_INFO info{};
    info.samplerate = StoredMessage::kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* wav = sf_open_fd(file.handle(), SFM_WRITE, &info, SF_FALSE);
    if (!wav)
        return QString::fromLocal8Bit(sf_strerror(nullptr));
    const sf_count_t written = sf_write_short(wav, samples.constData(), samples.size());
    QString error = written == samples.size() ? QString() : QString::fromLocal8Bit(sf_strerror(wav));
    if (sf_close(wav) != 0 && error.isEmpty())
        error = QStringLiteral("not closed");
    if (error.isEmpty() && !file.commit())
        error = file.errorString();
    return error;
}

}  // namespace

bool StoredMessage::write(const QString& folder)
{
    path.clear();
    writeError.clear();
    if (!QDir().mkpath(folder)) {
        writeError = QStringLiteral("cannot make %1").arg(folder);
        return false;
    }
    const QString target = QDir(folder).filePath(fileName(letter));
    QSaveFile file(target);
    if (const QString error = writeWav(file, samples); !error.isEmpty()) {
        writeError = QStringLiteral("%1: %2").arg(target, error);
        return false;
    }
    path = target;
    return true;
}

namespace {

// The box's message slots: the record command's letter, the slot's name and
// its file.
struct Slot {
    char letter;
    const char* name;
    const char* file;
};
constexpr Slot kSlots[] = {{'A', "Local", "local.wav"}, {'B', "Radio", "radio.wav"},
                           {'F', "LowBatt", "lowbatt.wav"}};

const Slot* slotOf(char letter)
{
    for (const Slot& s : kSlots)
        if (s.letter == letter)
            return &s;
    return nullptr;
}

}  // namespace

QString StoredMessage::slotName(char letter)
{
    const Slot* s = slotOf(letter);
    return s ? QString::fromLatin1(s->name) : QStringLiteral("slot %1").arg(QLatin1Char(letter));
}

QString StoredMessage::fileName(char letter)
{
    const Slot* s = slotOf(letter);
    return s ? QString::fromLatin1(s->file) : QStringLiteral("slot-%1.wav").arg(QLatin1Char(letter));
}
