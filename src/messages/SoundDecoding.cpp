// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/SoundDecoding.h"

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

// A sound file open in libsndfile, decoded as it is read, from its start up
// to a number of frames. It owns the file it reads, so the sound can be read
// while it plays, long after it was measured.
class SoundFileReader final : public SampleStream {
public:
    SoundFileReader(std::unique_ptr<QIODevice> file) : m_file(std::move(file)) {}
    ~SoundFileReader() override { close(); }

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

std::optional<MeasuredSound> unplayable(QString* problem, const QString& why)
{
    if (problem)
        *problem = why;
    return std::nullopt;
}

// The frames `sound` truly holds, decoded and dropped a block at a time, but
// no more than `most`.
qint64 countFrames(SampleStream& sound, qint64 most)
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

}  // namespace

std::optional<MeasuredSound> MeasureSound(std::unique_ptr<QIODevice> file, double maxSeconds, QString* problem)
{
    auto reader = std::make_shared<SoundFileReader>(std::move(file));
    if (!reader->open())
        return unplayable(problem, reader->problem());
    if (reader->channels() <= 0 || reader->rate() <= 0 || reader->frames() <= 0)
        return unplayable(problem, QStringLiteral("it holds no sound"));
    MeasuredSound out{.boxFormat = reader->boxFormat(), .seconds = double(reader->frames()) / reader->rate()};
    out.tooLong = out.seconds > maxSeconds;
    if (out.tooLong)
        return out;
    // The header's frame count may promise more than a cut-off copy holds.
    const qint64 frames = countFrames(*reader, reader->frames());
    if (frames <= 0 || !reader->rewind())
        return unplayable(problem, QStringLiteral("it holds no sound"));
    reader->endAfter(frames);
    out.seconds = double(frames) / reader->rate();
    out.samples = std::move(reader);
    return out;
}

std::optional<MeasuredSound> MeasureSoundFile(const QString& path, double maxSeconds, QString* problem)
{
    // Only an ordinary file: opening a pipe would wait for a writer.
    auto file = std::make_unique<QFile>(path);
    if (!QFileInfo(path).isFile() || !file->open(QIODevice::ReadOnly))
        return unplayable(problem, QStringLiteral("it cannot be read"));
    return MeasureSound(std::move(file), maxSeconds, problem);
}
