// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/Sound.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <samplerate.h>
#include <sndfile.h>

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

QByteArray le32(quint32 v)
{
    QByteArray out(4, 0);
    qToLittleEndian(v, out.data());
    return out;
}

QByteArray chunk(const QByteArray& id, const QByteArray& body)
{
    QByteArray out = id + le32(quint32(body.size())) + body;
    if (body.size() & 1)
        out.append('\0');
    return out;
}

bool isWav(QIODevice& file)
{
    const QByteArray start = file.seek(0) ? file.read(12) : QByteArray();
    return start.startsWith("RIFF") && start.endsWith("WAVE");
}

// Where a WAV file's sound data lies, and the header that goes before it.
struct WavLayout {
    QByteArray head;  // RIFF, WAVE, fmt, fact, and the data chunk's id and length
    qint64 dataAt = 0;
    qint64 dataLength = 0;
};

// libsndfile loops for ever on some damaged metadata chunks (a LIST chunk's
// sub-chunk lengths, for one), and refuses a fmt chunk after the data or an
// odd-sized chunk without its pad byte, as some writers leave them. Playing
// needs none of the metadata, so it is shown only the fmt, fact and data
// chunks, in the usual order and padded. Nothing when there is no fmt and
// data chunk. The file is walked through small reads, never copied.
std::optional<WavLayout> wavLayout(QIODevice& file)
{
    const qint64 size = file.size();
    const auto bytes = [&file, size](qint64 at, qint64 length) {
        return at < size && file.seek(at) ? file.read(std::min(length, size - at)) : QByteArray();
    };
    const auto known = [&](qint64 at) {
        const QByteArray id = bytes(at, 4);
        return id == "data" || id == "fmt " || id == "fact";
    };
    const auto looksLikeChunkId = [&](qint64 at) {
        const QByteArray id = at + 8 <= size ? bytes(at, 4) : QByteArray();
        return id.size() == 4 &&
               std::all_of(id.begin(), id.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
    };
    QByteArray fmt, fact;
    std::optional<WavLayout> layout;
    for (qint64 pos = 12; pos + 8 <= size;) {
        const QByteArray header = bytes(pos, 8);
        if (header.size() < 8)
            break;
        const QByteArray id = header.left(4);
        const qint64 length = qFromLittleEndian<quint32>(header.constData() + 4);
        const qint64 body = pos + 8;
        if (id == "fmt " && fmt.isEmpty())
            fmt = bytes(body, length);
        else if (id == "fact" && fact.isEmpty())
            fact = bytes(body, length);
        else if (id == "data" && !layout)
            // Streaming writers leave the length 0: the rest of the file.
            layout = WavLayout{{}, body, length == 0 ? size - body : std::min(length, size - body)};
        qint64 next = body + length;
        const bool padMissing = (length & 1) && !known(next + 1) &&
                                (known(next) || (!looksLikeChunkId(next + 1) && looksLikeChunkId(next)));
        if ((length & 1) && !padMissing)
            ++next;
        pos = next;
    }
    if (fmt.isEmpty() || !layout)
        return std::nullopt;
    QByteArray head = "WAVE" + chunk("fmt ", fmt);
    if (!fact.isEmpty())
        head += chunk("fact", fact);
    // The data comes last, so an odd length needs no pad byte after it.
    layout->head = "RIFF" + le32(quint32(head.size() + 8 + layout->dataLength)) + head + "data" +
                   le32(quint32(layout->dataLength));
    return layout;
}

// A WAV file as its layout shows it: the header, then the data read from the
// file as it is asked for.
class WavView : public QIODevice {
public:
    WavView(QIODevice& file, WavLayout layout) : m_file(file), m_layout(std::move(layout))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_layout.head.size() + m_layout.dataLength; }

protected:
    qint64 readData(char* to, qint64 most) override
    {
        const qint64 at = pos(), head = m_layout.head.size();
        most = std::min(most, size() - at);
        if (most <= 0)
            return 0;
        if (at < head) {
            const qint64 n = std::min(most, head - at);
            memcpy(to, m_layout.head.constData() + at, size_t(n));
            return n;
        }
        const qint64 from = m_layout.dataAt + at - head;
        if (m_file.pos() != from && !m_file.seek(from))
            return -1;
        return m_file.read(to, most);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice& m_file;
    const WavLayout m_layout;
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
    if (isWav(file)) {
        const std::optional<WavLayout> layout = wavLayout(file);
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

Sound ConvertSound(const Sound& sound, int rate, int channels)
{
    Sound out{rate, channels, {}};
    const int in = sound.channels;
    const qint64 frames = sound.frames();
    if (in <= 0 || channels <= 0 || sound.rate <= 0 || rate <= 0 || frames == 0)
        return out;

    // Channels first, so that the rate converter has no more to do than needed.
    Sound mixed{sound.rate, channels, {}};
    if (channels != in) {
        mixed.samples.resize(size_t(frames * channels));
        // Output channel c takes the mean of input channels c, c + channels,
        // ...; with more output channels that is input channel c % in alone.
        for (qint64 i = 0; i < frames; ++i) {
            const float* from = sound.samples.data() + i * in;
            float* to = mixed.samples.data() + i * channels;
            for (int c = 0; c < channels; ++c) {
                float sum = 0;
                int n = 0;
                for (int k = c % in; k < in; k += channels, ++n)
                    sum += from[k];
                to[c] = sum / float(n);
            }
        }
    }
    const std::vector<float>& source = channels == in ? sound.samples : mixed.samples;
    if (rate == sound.rate)
        return channels == in ? sound : mixed;

    // Band-limited sinc interpolation keeps what lies above the new rate's
    // reach from folding back as false tones. The fastest sinc converter
    // passes 80 % of the band with a noise floor at 16 bits: at the box's
    // 11025 Hz that is all of a voice up to 4.4 kHz, the whole telephone band
    // and more, where the better converters take two to six times as long.
    const double ratio = double(rate) / sound.rate;
    out.samples.resize(size_t((std::ceil(double(frames) * ratio) + 16) * channels));
    SRC_DATA job{};
    job.data_in = source.data();
    job.input_frames = long(frames);
    job.data_out = out.samples.data();
    job.output_frames = long(out.samples.size() / size_t(channels));
    job.src_ratio = ratio;
    if (src_simple(&job, SRC_SINC_FASTEST, channels) != 0)
        job.output_frames_gen = 0;
    out.samples.resize(size_t(job.output_frames_gen) * size_t(channels));
    return out;
}
