#include "SimRig.h"

#include "device/HexText.h"
#include "device/ServiceTransfers.h"

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::device;
using namespace Qt::StringLiterals;
using pellmora::test::patternImage;
using pellmora::test::SimRig;

namespace {

TEST(HexText, DigitsCountByPositionAndOthersCountZero)
{
    const QList<QPair<QString, quint32>> cases = {
        {u""_s, 0},        {u"0"_s, 0},         {u"7"_s, 7},        {u"FF"_s, 0xFF},
        {u"ff"_s, 0},      {u"1A"_s, 0x1A},     {u"G1"_s, 1},       {u" 1"_s, 1},
        {u"1 "_s, 0x10},   {u"ABCD"_s, 0xABCD}, {u"FFFF"_s, 0xFFFF}, {u"1FF"_s, 0x1FF},
        {u"Fa"_s, 0xF0},   {u"09"_s, 9},
        // beyond 32 bits: never a small number
        {u"100000000"_s, 0xFFFFFFFF}, {u"1000000FF"_s, 0xFFFFFFFF}, {u"0000000000FF"_s, 0xFF},
    };
    for (const auto &[text, number] : cases)
        EXPECT_EQ(HexTextToNumber(text), number) << text.toStdString();
}

// Upper-case digits, zero-padded to the width asked for and never cut
// shorter; what it writes reads back as the same number.
TEST(ServiceTransfers, NumbersWriteAsHexTextThatReadsBack)
{
    const struct {
        quint32 number;
        int digits;
        QString text;
    } cases[] = {
        {0, 2, u"00"_s},          {0x0A, 2, u"0A"_s},   {0xFF, 2, u"FF"_s},
        {0x1A, 3, u"01A"_s},      {0x1FF, 3, u"1FF"_s}, {0x3F8, 1, u"3F8"_s},
        {0xABCDE, 4, u"ABCDE"_s}, {0x12ABCDEF, 8, u"12ABCDEF"_s}, {0xFFFFFFFF, 8, u"FFFFFFFF"_s},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(NumberToHexText(c.number, c.digits), c.text) << c.text.toStdString();
        EXPECT_EQ(HexTextToNumber(NumberToHexText(c.number, c.digits)), c.number) << c.text.toStdString();
    }
}

QStringList cellsOf(const QByteArray &bytes)
{
    QStringList cells;
    for (char byte : bytes)
        cells << QString::number(quint8(byte), 16).rightJustified(2, u'0').toUpper();
    return cells;
}

TEST(ServiceTransfers, GridCellsConvertAllOrNothing)
{
    struct Case {
        const char *name;
        int address;
        QString cell;
        std::optional<quint8> stored; // nullopt: refused
    };
    const QList<Case> cases = {
        {"upper case", 5, u"FF"_s, 0xFF},
        {"lower case counts zero", 5, u"ff"_s, 0x00},
        {"blank", 300, u""_s, 0x00},
        {"one digit", 511, u"A"_s, 0x0A},
        {"above a byte", 0x1A, u"1FF"_s, std::nullopt},
        {"far above", 0, u"FFFFFFFFF"_s, std::nullopt},
        {"2^32 is not 00", 0, u"100000000"_s, std::nullopt},
        {"2^32 + FF is not FF", 0x1FF, u"1000000FF"_s, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QStringList cells(512, u"11"_s);
        cells[c.address] = c.cell;
        GridBuffer grid;
        grid.fill(0x77);
        QString problem;
        EXPECT_EQ(GridFromCells(cells, grid, &problem), c.stored.has_value());
        if (c.stored) {
            EXPECT_EQ(grid[c.address], *c.stored);
            EXPECT_EQ(grid[(c.address + 1) % 512], 0x11);
        } else {
            EXPECT_EQ(grid[c.address], 0x77); // nothing converted
            EXPECT_TRUE(problem.contains(c.cell)) << problem.toStdString();
        }
    }
    GridBuffer grid{};
    QString problem;
    EXPECT_FALSE(GridFromCells(QStringList(511, u"00"_s), grid, &problem));
    EXPECT_FALSE(problem.isEmpty());
}

TEST(ServiceTransfers, ProgramAndLoadWorkOnThePortAt2F8)
{
    SimRig rig({}, 1); // the switch hangs on COM2
    rig.state.SelectedPort = 0;
    ASSERT_TRUE(PowerServicePort(rig.link));
    EXPECT_EQ(rig.state.PortBase, 0x2F8);

    const QByteArray bytes = patternImage().toBytes();
    GridBuffer grid{};
    const DeviceOutcome programmed = ServiceProgram(rig.link, grid, cellsOf(bytes));
    EXPECT_TRUE(programmed.ok);
    EXPECT_TRUE(programmed.notices.isEmpty());

    EXPECT_EQ(rig.sim.memory(), bytes);
    // Reported only once the memory has programmed its last page: it answers at once.
    rig.link.I2cStart();
    EXPECT_EQ(rig.link.I2cSendByte(0xA0), link::Ack::Given);
    rig.link.I2cStop();

    SimRig later({}, 1);
    later.sim.setMemory(bytes);
    ASSERT_TRUE(PowerServicePort(later.link));
    GridBuffer loaded{};
    const DeviceOutcome load = ServiceLoad(later.link, loaded);
    EXPECT_TRUE(load.ok);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(loaded.data()), 512), bytes);
}

TEST(ServiceTransfers, FailuresLeaveGridAndMemoryAsTheyWere)
{
    const Notices noAck = {Notice::message(u"Neposílá ACK - Not Valid I2C Operation"_s)};
    SimRig rig({}, 0); // nothing hangs on COM2
    ASSERT_TRUE(PowerServicePort(rig.link));
    GridBuffer grid;
    grid.fill(0x42);

    const DeviceOutcome load = ServiceLoad(rig.link, grid);
    EXPECT_FALSE(load.ok);
    EXPECT_EQ(load.notices, noAck);
    EXPECT_EQ(grid[0], 0x42);

    EXPECT_EQ(ServiceProgram(rig.link, grid, QStringList(512, u"00"_s)).notices, noAck);

    // A cell above FF is refused before the bus is touched.
    SimRig here({}, 1);
    ASSERT_TRUE(PowerServicePort(here.link));
    const QByteArray before = here.sim.memory();
    QStringList cells(512, u"00"_s);
    cells[0x1A] = u"1FF"_s;
    grid.fill(0x42);
    const DeviceOutcome refused = ServiceProgram(here.link, grid, cells);
    EXPECT_FALSE(refused.ok);
    ASSERT_EQ(refused.notices.size(), 1);
    EXPECT_TRUE(refused.notices[0].text.contains(u"01AH"_s));
    EXPECT_EQ(here.sim.memory(), before);
    EXPECT_EQ(grid[0], 0x42);
}

} // namespace
