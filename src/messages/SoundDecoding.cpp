// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/SoundDecoding.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
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

QString damaged(QString why)
{
    return QStringLiteral("it is damaged or cut short (%1)")
        .arg(why.remove(QRegularExpression(QStringLiteral("[.\\s]+$"))));
}

// Why libsndfile did not open a file, from the error of that very open: its
// error state is global, and says nothing of a file it was never shown.
QString openProblem(int error, const char* text)
{
    switch (error) {
    case SF_ERR_UNRECOGNISED_FORMAT:
        return QStringLiteral("it is not a sound file, or not one in a format that can be read");
    case SF_ERR_UNSUPPORTED_ENCODING:
        return QStringLiteral("its sound is stored in an encoding that can't be decoded");
    default:
        return damaged(QString::fromUtf8(text));
    }
}

// A sound file open in libsndfile, read from its start up to a number of
// frames. It owns the file it reads, so the sound can be read while it plays,
// long after it was measured.
class DecodedStream final : public SoundStream {
public:
    DecodedStream(std::unique_ptr<QIODevice> file) : m_file(std::move(file)) {}
    ~DecodedStream() override { close(); }

    // Whether libsndfile takes the file; problem() says why not.
    bool open()
    {
        std::optional<WavLayout> layout;
        if (IsWav(*m_file)) {
            layout = WavLayoutOf(*m_file, &m_problem);
            if (!layout) {
                m_problem = damaged(m_problem);
                return false;
            }
            m_view.emplace(*m_file, *layout);
        }
        if (!start()) {
            m_problem = openProblem(sf_error(nullptr), sf_strerror(nullptr));
            return false;
        }
        m_frames = m_info.frames;
        // Past the sound its fact chunk states, a compressed format's last
        // block decodes to whatever its writer padded it with, a burst as
        // often as silence.
        if (layout && layout->factFrames > 0)
            m_frames = std::min<qint64>(m_frames, layout->factFrames);
        return true;
    }
    // Back to the first frame, for the sound to be read from its start again.
    bool rewind()
    {
        close();
        return start();
    }
    // From now on the sound ends after `frames` frames.
    void endAfter(qint64 frames) { m_frames = std::min(m_frames, frames); }

    bool boxFormat() const
    {
        return (m_info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16 && m_info.channels == 1 &&
               m_info.samplerate == 11025;
    }
    // The frames its header promises.
    qint64 frames() const { return m_frames; }
    QString problem() const { return m_problem; }
    int rate() const override { return m_info.samplerate; }
    int channels() const override { return m_info.channels; }
    qint64 read(float* to, qint64 frames) override
    {
        frames = std::min(frames, m_frames - m_read);
        const sf_count_t got = frames > 0 ? sf_readf_float(m_sf, to, frames) : 0;
        m_read += std::max<sf_count_t>(got, 0);
        return std::max<sf_count_t>(got, 0);
    }

private:
    bool start()
    {
        QIODevice* from = m_view ? static_cast<QIODevice*>(&*m_view) : m_file.get();
        m_info = SF_INFO{};
        m_read = 0;
        from->seek(0);
        m_sf = sf_open_virtual(&deviceIo, SFM_READ, &m_info, from);
        return m_sf != nullptr;
    }
    void close()
    {
        if (m_sf)
            sf_close(m_sf);
        m_sf = nullptr;
    }

    std::unique_ptr<QIODevice> m_file;
    std::optional<WavView> m_view;
    SNDFILE* m_sf = nullptr;
    SF_INFO m_info{};
    qint64 m_frames = 0;
    qint64 m_read = 0;
    QString m_problem;
};

std::optional<SoundFile> refuse(QString* problem, const QString& why)
{
    if (problem)
        *problem = why;
    return std::nullopt;
}

// The frames `sound` truly holds, decoded and dropped a block at a time, but
// no more than `most`.
qint64 countFrames(SoundStream& sound, qint64 most)
{
    std::vector<float> block(size_t(kStreamBlockFrames * sound.channels()));
    qint64 counted = 0;
    while (counted < most) {
        const qint64 got = sound.read(block.data(), std::min(kStreamBlockFrames, most - counted));
        if (got <= 0)
            break;
        counted += got;
    }
    return counted;
}

std::optional<SoundFile> decode(std::unique_ptr<QIODevice> file, double maxSeconds, QString* problem)
{
    auto stream = std::make_shared<DecodedStream>(std::move(file));
    if (!stream->open())
        return refuse(problem, stream->problem());
    if (stream->channels() <= 0 || stream->rate() <= 0 || stream->frames() <= 0)
        return refuse(problem, QStringLiteral("it holds no sound"));
    SoundFile out{stream->boxFormat(), double(stream->frames()) / stream->rate(), {}};
    if (out.seconds > maxSeconds)
        return out;
    // The header's frame count may promise more than a cut-off copy holds.
    const qint64 frames = countFrames(*stream, stream->frames());
    if (frames <= 0 || !stream->rewind())
        return refuse(problem, QStringLiteral("it holds no sound"));
    stream->endAfter(frames);
    out.seconds = double(frames) / stream->rate();
    out.sound = std::move(stream);
    return out;
}

}  // namespace

Sound ReadWhole(SoundStream& stream)
{
    Sound out{stream.rate(), stream.channels(), {}};
    if (out.channels <= 0)
        return out;
    for (;;) {
        const size_t at = out.samples.size();
        out.samples.resize(at + size_t(kStreamBlockFrames * out.channels));
        const qint64 got = stream.read(out.samples.data() + at, kStreamBlockFrames);
        out.samples.resize(at + size_t(std::max<qint64>(got, 0) * out.channels));
        if (got <= 0)
            return out;
    }
}

std::optional<SoundFile> DecodeSound(const QByteArray& file, double maxSeconds, QString* problem)
{
    auto bytes = std::make_unique<QBuffer>();
    bytes->setData(file);
    bytes->open(QIODevice::ReadOnly);
    return decode(std::move(bytes), maxSeconds, problem);
}

std::optional<SoundFile> ReadSoundFile(const QString& path, double maxSeconds, QString* problem)
{
    // Only an ordinary file: opening a pipe would wait for a writer.
    auto file = std::make_unique<QFile>(path);
    if (!QFileInfo(path).isFile() || !file->open(QIODevice::ReadOnly))
        return refuse(problem, QStringLiteral("it cannot be read"));
    return decode(std::move(file), maxSeconds, problem);
}
