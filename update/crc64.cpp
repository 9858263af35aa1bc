#include "update/crc64.h"

#include <QFile>

#include <array>

namespace {

constexpr quint64 kPolynomial = 0x42F0E1EBA9EA3693ULL;
constexpr qint64 kFileBlockSize = 61440;

constexpr std::array<quint64, 256> makeTable()
{
    std::array<quint64, 256> table{};
    for (quint64 byte = 0; byte < 256; ++byte) {
        quint64 crc = byte << 56;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & (quint64(1) << 63)) ? (crc << 1) ^ kPolynomial : crc << 1;
        table[byte] = crc;
    }
    return table;
}

constexpr std::array<quint64, 256> kTable = makeTable();

} // namespace

void Crc64::update(QByteArrayView data)
{
    quint64 crc = m_register;
    for (const char c : data)
        crc = kTable[((crc >> 56) ^ quint8(c)) & 0xFF] ^ (crc << 8);
    m_register = crc;
}

quint64 Crc64::of(QByteArrayView data)
{
    Crc64 crc;
    crc.update(data);
    return crc.value();
}

QString Crc64Text(quint64 value)
{
    QString text;
    text.reserve(16);
    for (int i = 0; i < 8; ++i)
        text += QStringLiteral("%1").arg(uint((value >> (8 * i)) & 0xFF), 2, 16, QLatin1Char('0'));
    return text;
}

QString FileCrc64Text(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Crc64Text(0);
    Crc64 crc;
    QByteArray block(kFileBlockSize, Qt::Uninitialized);
    for (;;) {
        const qint64 read = file.read(block.data(), kFileBlockSize);
        if (read < 0)
            return Crc64Text(0);
        if (read == 0)
            break;
        crc.update(QByteArrayView(block.constData(), read));
    }
    return Crc64Text(crc.value());
}
