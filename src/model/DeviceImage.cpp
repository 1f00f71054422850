#include "model/DeviceImage.h"

namespace pellmora::model {

QByteArray DeviceImage::toBytes() const
{
    QByteArray bytes(ByteCount, '\0');
    for (int k = 0; k < WordCount; ++k) {
        bytes[2 * k] = static_cast<char>(words[k] & 0xFF);
        bytes[2 * k + 1] = static_cast<char>(words[k] >> 8);
    }
    return bytes;
}

void DeviceImage::setBytes(const QByteArray &bytes)
{
    const qsizetype n = qMin<qsizetype>(bytes.size(), ByteCount);
    for (qsizetype i = 0; i < n; ++i)
        setByteAt(int(i), static_cast<quint8>(bytes[i]));
}

DeviceImage DeviceImage::fromBytes(const QByteArray &bytes)
{
    DeviceImage image;
    image.setBytes(bytes);
    return image;
}

quint8 DeviceImage::byteAt(int offset) const
{
    const quint16 word = words[offset / 2];
    return static_cast<quint8>(offset % 2 == 0 ? word & 0xFF : word >> 8);
}

void DeviceImage::setByteAt(int offset, quint8 value)
{
    quint16 &word = words[offset / 2];
    if (offset % 2 == 0)
        word = static_cast<quint16>((word & 0xFF00) | value);
    else
        word = static_cast<quint16>((word & 0x00FF) | (value << 8));
}

} // namespace pellmora::model
