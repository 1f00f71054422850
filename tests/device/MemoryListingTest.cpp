#include "device/MemoryListing.h"

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::device;


namespace {

TEST(MemoryListing, ThirtyTwoLinesLabelledByAddressOverSixteen)
{
    MemoryBytes memory{};
    for (std::size_t i = 0; i < memory.size(); ++i)
        memory[i] = quint8(i ^ (i >> 8) * 0x5A);
    const QStringList lines = MemoryListingLines(memory);

    ASSERT_EQ(lines.size(), 32);
    for (int row = 0; row < lines.size(); ++row) {
        const QString &line = lines.at(row);
        EXPECT_EQ(line.size(), 53) << row;
        EXPECT_EQ(line.left(5), QStringLiteral("0%1H:").arg(row, 2, 16, QLatin1Char('0')).toUpper()) << row;
        const QStringList bytes = line.mid(6).split(QLatin1Char(' '));
        ASSERT_EQ(bytes.size(), 16) << row;
        for (int column = 0; column < 16; ++column) {
            bool ok = false;
            EXPECT_EQ(bytes.at(column).toInt(&ok, 16), memory[std::size_t(row * 16 + column)]);
            EXPECT_TRUE(ok);
            EXPECT_EQ(bytes.at(column), bytes.at(column).toUpper());
        }
    }
    EXPECT_EQ(lines.at(16).left(8), QStringLiteral("010H: ") + ByteText(memory[0x100]));
    EXPECT_EQ(lines.at(31).right(2), ByteText(memory[0x1FF]));
}

TEST(MemoryListing, BlankAndFullMemory)
{
    const QString zeros = QStringLiteral(" 00").repeated(16);
    const QStringList blank = MemoryListingLines(MemoryBytes{});
    EXPECT_EQ(blank.first(), QStringLiteral("000H:") + zeros);
    EXPECT_EQ(blank.last(), QStringLiteral("01FH:") + zeros);

    MemoryBytes full;
    full.fill(0xFF);
    EXPECT_EQ(MemoryListingLines(full).at(10), QStringLiteral("00AH:") + QStringLiteral(" FF").repeated(16));
}

} // namespace
