// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/WavView.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <utility>

namespace {

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

// Reads a file's bytes at any place, clipped to its end.
class Walker {
public:
    explicit Walker(QIODevice& file) : m_file(file), m_size(file.size()) {}
    qint64 size() const { return m_size; }

    QByteArray bytes(qint64 at, qint64 length) const
    {
        return at < m_size && m_file.seek(at) ? m_file.read(std::min(length, m_size - at)) : QByteArray();
    }
    // A chunk this file's sound needs starts here.
    bool knownId(qint64 at) const
    {
        const QByteArray id = bytes(at, 4);
        return id == "data" || id == "fmt " || id == "fact";
    }
    // Four printable characters with room for a chunk header: a chunk of any
    // kind may start here.
    bool idLike(qint64 at) const
    {
        const QByteArray id = at + 8 <= m_size ? bytes(at, 4) : QByteArray();
        return id.size() == 4 &&
               std::all_of(id.begin(), id.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
    }
    // A chunk of odd length is followed by a pad byte, but some writers leave
    // it out. The chunk ids on either side of where the pad would be tell:
    // a known id one byte on means the pad is there; a known id at once means
    // it is missing; else an id-like text at once, and none one byte on, does.
    bool padMissing(qint64 next) const
    {
        if (knownId(next + 1))
            return false;
        return knownId(next) || (idLike(next) && !idLike(next + 1));
    }

private:
    QIODevice& m_file;
    const qint64 m_size;
};

// What keeps a file from having the chunks its sound needs, the first chunk
// that runs past the file's end being the likeliest: a copy cut short.
QString missingChunk(const QByteArray& fmt, const QByteArray& cutChunk)
{
    if (!cutChunk.isEmpty()) {
        const bool printable = std::all_of(cutChunk.begin(), cutChunk.end(),
                                           [](char c) { return c > 0x20 && c <= 0x7E; });
        return printable ? QStringLiteral("its %1 chunk runs past the end of the file")
                               .arg(QString::fromLatin1(cutChunk))
                         : QStringLiteral("a chunk runs past the end of the file");
    }
    return fmt.isEmpty() ? QStringLiteral("its fmt chunk is missing")
                         : QStringLiteral("its data chunk is missing");
}

}  // namespace

bool IsWav(QIODevice& file)
{
    const QByteArray start = file.seek(0) ? file.read(12) : QByteArray();
    return start.startsWith("RIFF") && start.endsWith("WAVE");
}

std::optional<WavLayout> WavLayoutOf(QIODevice& file, QString* problem)
{
    const Walker walk(file);
    QByteArray fmt, fact, cutChunk;
    std::optional<WavLayout> layout;
    for (qint64 pos = 12; pos + 8 <= walk.size();) {
        const QByteArray header = walk.bytes(pos, 8);
        if (header.size() < 8)
            break;
        const QByteArray id = header.left(4);
        const qint64 length = qFromLittleEndian<quint32>(header.constData() + 4);
        const qint64 body = pos + 8;
        if (id == "fmt " && fmt.isEmpty())
            fmt = walk.bytes(body, length);
        else if (id == "fact" && fact.isEmpty())
            fact = walk.bytes(body, length);
        else if (id == "data" && !layout)
            // Streaming writers leave the length 0: the rest of the file.
            layout = WavLayout{{}, body, length == 0 ? walk.size() - body : std::min(length, walk.size() - body)};
        pos = body + length;
        if (pos > walk.size() && cutChunk.isEmpty())
            cutChunk = id.trimmed();
        if ((length & 1) && !walk.padMissing(pos))
            ++pos;
    }
    if (fmt.isEmpty() || !layout) {
        *problem = missingChunk(fmt, cutChunk);
        return std::nullopt;
    }
    QByteArray head = "WAVE" + chunk("fmt ", fmt);
    if (!fact.isEmpty())
        head += chunk("fact", fact);
    if (fact.size() >= 4)
        layout->factFrames = qFromLittleEndian<quint32>(fact.constData());
    // The data comes last, so an odd length needs no pad byte after it.
    layout->head = "RIFF" + le32(quint32(head.size() + 8 + layout->dataLength)) + head + "data" +
                   le32(quint32(layout->dataLength));
    return layout;
}

WavView::WavView(QIODevice& file, WavLayout layout) : m_file(file), m_layout(std::move(layout))
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 WavView::readData(char* to, qint64 most)
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
