// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the decoding of the value block: the input is the block as it came
// off the line. Every rule is checked against a plain decoding written here.

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstdint>

#include "FuzzCheck.h"
#include "settings/ValueBlock.h"

namespace {

QString hexOf(const QByteArray& block) { return QString::fromLatin1(block.left(40).toHex(' ')); }

// Decimal digits only, and the number they spell.
bool isDecimal(const QString& text, int expected, bool leadingZerosAllowed)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    if (!leadingZerosAllowed && text.size() > 1 && text[0] == u'0')
        return false;
    bool ok = false;
    return text.toInt(&ok) == expected && ok;
}

void checkProfileId(quint8 high, quint8 low)
{
    int expected = 0;
    if (!(high & 0x80))
        expected += (high & 0x3F) << 8;
    if (!(high & 0x40))
        expected += low;
    const int id = DecodeProfileId(high, low);
    const QString text = ProfileIdText(id);
    const auto detail = [&] {
        return QStringLiteral("profile bytes %1 %2: id %3, text \"%4\", expected %5")
            .arg(high, 2, 16, QLatin1Char('0')).arg(low, 2, 16, QLatin1Char('0'))
            .arg(id).arg(text).arg(expected);
    };
    FUZZ_CHECK(id == expected && id >= 0 && id <= 16383, detail());
    FUZZ_CHECK(text.size() >= 4 && isDecimal(text, id, true), detail());
    if (id >= 1000)
        FUZZ_CHECK(text == QString::number(id), detail());
}

// 0x80-0x9F as the Western code page shows them, U+FFFD where it has nothing.
const QString& western80()
{
    static const QString chars = QString::fromUtf8(
        "€\uFFFD‚ƒ„…†‡ˆ‰Š‹Œ\uFFFDŽ\uFFFD\uFFFD‘’“”•–—˜™š›œ\uFFFDžŸ");
    return chars;
}

void checkVersion(const QByteArray& bytes)
{
    FUZZ_CHECK(western80().size() == 32, QStringLiteral("reference table"));
    const QString text = SoftwareVersionText(bytes);
    FUZZ_CHECK(text.size() == bytes.size(), hexOf(bytes));
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const quint8 b = quint8(bytes[i]);
        char16_t expected = b;
        if (b < 0x20)
            expected = char16_t(0x2400 + b);
        else if (b == 0x7F)
            expected = 0x2421;
        else if (b >= 0x80 && b <= 0x9F)
            expected = western80()[b - 0x80].unicode();
        FUZZ_CHECK(text[i].unicode() == expected,
                   QStringLiteral("version character %1 of ").arg(i) + hexOf(bytes));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray block(reinterpret_cast<const char*>(data), qsizetype(size));

    int sum = 0;
    for (size_t i = 0; i < std::min<size_t>(size, 20); ++i)
        sum += data[i];
    FUZZ_CHECK(ValueBlockSum(block) == sum, QStringLiteral("sum %1, expected %2 for ")
                                                .arg(ValueBlockSum(block)).arg(sum) + hexOf(block));
    // The read-out keeps sums in 16-bit signed entries.
    FUZZ_CHECK(sum <= 32767, hexOf(block));

    for (int offset = -2; offset <= int(size) + 2 && offset < 64; ++offset) {
        const std::optional<quint8> b = BlockByte(block, offset);
        const bool inside = offset >= 0 && size_t(offset) < size;
        FUZZ_CHECK(b.has_value() == inside && (!inside || *b == data[offset]),
                   QStringLiteral("byte at %1 of ").arg(offset) + hexOf(block));
        if (inside) {
            FUZZ_CHECK(isDecimal(ByteText(*b), *b, false), hexOf(block));
            const QString isd = IsdVolumeText(*b);
            FUZZ_CHECK(*b == 255 ? isd == QStringLiteral("0") : isDecimal(isd, *b, false), hexOf(block));
        }
    }

    if (size >= 3)
        checkProfileId(data[BlockOffset::kProfileHigh], data[BlockOffset::kProfileLow]);
    for (size_t i = 0; i + 1 < size && i < 32; i += 2)
        checkProfileId(data[i], data[i + 1]);

    if (size >= size_t(BlockOffset::kVersion + BlockOffset::kVersionLength)) {
        const QByteArray version = block.mid(BlockOffset::kVersion, BlockOffset::kVersionLength);
        FUZZ_CHECK(SoftwareVersionText(version).size() == 8, hexOf(block));
    }
    checkVersion(block);
    return 0;
}
