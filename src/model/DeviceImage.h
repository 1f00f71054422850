#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>

namespace pellmora::model {

// The 512-byte contents of the time switch's 24LC04 EEPROM, held as 256
// little-endian 16-bit words. Words 0..247 hold the instruction segments,
// words 248..255 the header (label, start-up time, identifier, flags).
struct DeviceImage {
    static constexpr int WordCount = 256;
    static constexpr int ByteCount = 512;

    std::array<quint16, WordCount> words{};

    // The image in file/EEPROM byte order: word k at offsets 2k (low) and 2k+1 (high).
    QByteArray toBytes() const;
    // Replaces the leading bytes of the image with up to 512 bytes of `bytes`;
    // image bytes beyond the end of `bytes` keep their value.
    void setBytes(const QByteArray &bytes);
    static DeviceImage fromBytes(const QByteArray &bytes);

    quint8 byteAt(int offset) const;
    void setByteAt(int offset, quint8 value);

    void clear() { words.fill(0); }
    bool operator==(const DeviceImage &) const = default;
};

} // namespace pellmora::model
