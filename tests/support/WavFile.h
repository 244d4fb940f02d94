#pragma once
// Tiny message files for tests: a WAV header and silence. Only the size
// matters to the programmer (it sets the recording time).

#include <QByteArray>
#include <QFile>
#include <QString>

inline bool writeWav(const QString& path, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray header(
        "RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x11\x2b\0\0\x22\x56\0\0\x02\0\x10\0data\0\0\0\0",
        44);
    return file.write(header.left(int(qMin<qint64>(bytes, 44)))) == qMin<qint64>(bytes, 44) &&
           file.resize(bytes);
}
