#include "device/MemoryListing.h"

#include "device/HexText.h"


namespace pellmora::device {

QString ByteText(quint8 value)
{
    return NumberToHexText(value, 2);
}

QStringList MemoryListingLines(const MemoryBytes &memory)
{
    QStringList lines;
    lines.reserve(ListingLines);
    for (int row = 0; row < ListingLines; ++row) {
        QString line = QStringLiteral("0") + ByteText(quint8(row)) + QStringLiteral("H:");
        for (int column = 0; column < ListingBytesPerLine; ++column)
            line += QLatin1Char(' ') + ByteText(memory[std::size_t(row * ListingBytesPerLine + column)]);
        lines.append(line);
    }
    return lines;
}

} // namespace pellmora::device
