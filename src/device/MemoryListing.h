#pragma once

// Memory contents as the windows show them: hexadecimal bytes, two upper-case
// digits each.

#include "device/DeviceMemory.h"

#include <QString>
#include <QStringList>

namespace pellmora::device {

inline constexpr int ListingBytesPerLine = 16;
inline constexpr int ListingLines = model::DeviceImage::ByteCount / ListingBytesPerLine; // 32

// "00".."FF".
QString ByteText(quint8 value);

// The memory listing: 32 lines of 53 characters, "0" + the line number (the
// address divided by 16) as two hex digits + "H:", then the line's 16 bytes,
// each after a blank: "010H: 00 01 ... 0F" holds addresses 0x100..0x10F.
QStringList MemoryListingLines(const MemoryBytes &memory);

} // namespace pellmora::device
