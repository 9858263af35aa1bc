#pragma once
// CRC-64/WE: the ECMA-182 polynomial 42F0E1EBA9EA3693, initial value and
// final XOR all ones, no reflection. The update server publishes it for every
// package, so the value and its text form must match its computation bit for
// bit ("123456789" gives 62EC59E3F1A4F00A, written "0af0a4f1e359ec62").

#include <QByteArrayView>
#include <QString>

class Crc64
{
public:
    void update(QByteArrayView data);
    // The checksum of everything given so far.
    quint64 value() const { return ~m_register; }

    static quint64 of(QByteArrayView data);

private:
    quint64 m_register = ~quint64(0);
};

// The eight bytes of `value` from the least to the most significant, each as
// two lower-case hexadecimal digits.
QString Crc64Text(quint64 value);

// The text of the checksum of a whole file, read in blocks of 61440 bytes;
// the text of 0 when the file cannot be opened or read.
QString FileCrc64Text(const QString &path);
