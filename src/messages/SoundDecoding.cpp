// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/Sound.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <sndfile.h>

#include "messages/WavView.h"

namespace {

// libsndfile reads from a file or from bytes in memory through Qt.
QIODevice& device(void* d) { return *static_cast<QIODevice*>(d); }

SF_VIRTUAL_IO deviceIo{
    [](void* d) -> sf_count_t { return device(d).size(); },
    [](sf_count_t offset, int whence, void* d) -> sf_count_t {
        QIODevice& io = device(d);
        const qint64 base = whence == SEEK_CUR ? io.pos() : whence == SEEK_END ? io.size() : 0;
        io.seek(std::clamp<qint64>(base + offset, 0, io.size()));
        return io.pos();
    },
    [](void* to, sf_count_t count, void* d) -> sf_count_t {
        return std::max<qint64>(device(d).read(static_cast<char*>(to), count), 0);
    },
    [](const void*, sf_count_t, void*) -> sf_count_t { return 0; },
    [](void* d) -> sf_count_t { return device(d).pos(); },
};

std::optional<SoundFile> refuse(QString* problem, const QString& why)
{
    if (problem)
        *problem = why;
    return std::nullopt;
}

QString openProblem()
{
    switch (sf_error(nullptr)) {
    case SF_ERR_UNRECOGNISED_FORMAT:
        return QStringLiteral("it is not a sound file, or not one in a format that can be read");
    case SF_ERR_UNSUPPORTED_ENCODING:
        return QStringLiteral("its sound is stored in an encoding that can't be decoded");
    default:
        return QStringLiteral("it is damaged or cut short (%1)")
            .arg(QString::fromUtf8(sf_strerror(nullptr)).remove(QRegularExpression(QStringLiteral("[.\\s]+$"))));
    }
}

std::optional<SoundFile> decode(QIODevice& file, double maxSeconds, QString* problem)
{
    std::optional<WavView> wav;
    if (IsWav(file)) {
        const std::optional<WavLayout> layout = WavLayoutOf(file);
        if (!layout)
            return refuse(problem,
                          QStringLiteral("it is damaged or cut short (its format or its sound is missing)"));
        wav.emplace(file, *layout);
    }
    SF_INFO info{};
    file.seek(0);
    SNDFILE* sf = sf_open_virtual(&deviceIo, SFM_READ, &info, wav ? static_cast<QIODevice*>(&*wav) : &file);
    if (!sf)
        return refuse(problem, openProblem());
    SoundFile out;
    out.boxFormat = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16 && info.channels == 1 &&
                    info.samplerate == 11025;
    if (info.channels <= 0 || info.samplerate <= 0 || info.frames <= 0) {
        sf_close(sf);
        return refuse(problem, QStringLiteral("it holds no sound"));
    }
    out.seconds = double(info.frames) / info.samplerate;
    if (out.seconds > maxSeconds) {
        sf_close(sf);
        return out;
    }
    Sound& s = out.sound;
    s.rate = info.samplerate;
    s.channels = info.channels;
    // The header's frame count may promise more than a cut-off copy holds.
    constexpr sf_count_t kBlock = 16384;
    s.samples.reserve(size_t(std::min<sf_count_t>(info.frames * info.channels, sf_count_t(1) << 24)));
    for (;;) {
        const size_t at = s.samples.size();
        s.samples.resize(at + size_t(kBlock * info.channels));
        const sf_count_t got = sf_readf_float(sf, s.samples.data() + at, kBlock);
        s.samples.resize(at + size_t(std::max<sf_count_t>(got, 0) * info.channels));
        if (got < kBlock)
            break;
    }
    sf_close(sf);
    if (s.samples.empty())
        return refuse(problem, QStringLiteral("it holds no sound"));
    out.seconds = s.seconds();
    return out;
}

}  // namespace

std::optional<SoundFile> DecodeSound(const QByteArray& file, double maxSeconds, QString* problem)
{
    QBuffer bytes;
    bytes.setData(file);
    bytes.open(QIODevice::ReadOnly);
    return decode(bytes, maxSeconds, problem);
}

std::optional<SoundFile> ReadSoundFile(const QString& path, double maxSeconds, QString* problem)
{
    // Only an ordinary file: opening a pipe would wait for a writer.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return refuse(problem, QStringLiteral("it cannot be read"));
    return decode(file, maxSeconds, problem);
}
