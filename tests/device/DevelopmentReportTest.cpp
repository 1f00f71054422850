#include "device/DevelopmentReport.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::link;
using namespace pellmora::device;

namespace pellmora::device {
namespace {

struct ReportCase {
    const char *name;
    DevelopmentValues values;
    QStringList lines;
};

// A case shows as its name (in CTest's test names among others).
void PrintTo(const ReportCase &c, std::ostream *out)
{
    *out << c.name;
}

class DevelopmentReportLines : public ::testing::TestWithParam<ReportCase> {};

// Then the version, as --version prints it.
TEST_P(DevelopmentReportLines, LabelsPlacesAndValuesInTheirColumns)
{
    EXPECT_EQ(DevelopmentReport(GetParam().values),
              GetParam().lines + QStringList{QStringLiteral("Pellmora " PELLMORA_VERSION)});
}

INSTANTIATE_TEST_SUITE_P(
    Values, DevelopmentReportLines,
    ::testing::Values(
        ReportCase{"SecondPortAndCalibratedLoops",
                   {0x0012ABCD, 0x00402010, 0x00402018, 0x00402014, 0x2F8, 120, 40000},
                   {QStringLiteral("\"EEPROM\"         at: [0012ABCD H ] :  value not available.."),
                    QStringLiteral("\"I2C_Address\"    at: [00402010 H ] :02F8"),
                    QStringLiteral("\"PICmicro_Loop\"   at: [00402018 H ] :0078"),
                    QStringLiteral("\"EEPROM_Loop\"   at: [00402014 H ] :9C40")}},
        // Values wider than four digits are shown whole, never cut.
        ReportCase{"WideValuesAndHighPlaces",
                   {0xFFFFFFF0, 0xA, 0xB, 0xC, 0xFFFF, 0x12345, 0xABCDEF01},
                   {QStringLiteral("\"EEPROM\"         at: [FFFFFFF0 H ] :  value not available.."),
                    QStringLiteral("\"I2C_Address\"    at: [0000000A H ] :FFFF"),
                    QStringLiteral("\"PICmicro_Loop\"   at: [0000000B H ] :12345"),
                    QStringLiteral("\"EEPROM_Loop\"   at: [0000000C H ] :ABCDEF01")}},
        // A port too slow for the speeds set says what it reaches, after the
        // four lines.
        ReportCase{"SlowPortSaysWhatItReaches",
                   {0x10, 0x20, 0x30, 0x40, 0x3F8, 0, 0, 2000, 166, 60, 45},
                   {QStringLiteral("\"EEPROM\"         at: [00000010 H ] :  value not available.."),
                    QStringLiteral("\"I2C_Address\"    at: [00000020 H ] :03F8"),
                    QStringLiteral("\"PICmicro_Loop\"   at: [00000030 H ] :0000"),
                    QStringLiteral("\"EEPROM_Loop\"   at: [00000040 H ] :0000"),
                    QStringLiteral("Port je na paměť pomalý: místo 2000 baudů zvládne jen 166 baudů"),
                    QStringLiteral("Port je na procesor pomalý: místo 60 baudů zvládne jen 45 baudů")}},
        ReportCase{"NothingCalibratedYet",
                   {0, 0, 0, 0, 0, 0, 0},
                   {QStringLiteral("\"EEPROM\"         at: [00000000 H ] :  value not available.."),
                    QStringLiteral("\"I2C_Address\"    at: [00000000 H ] :0000"),
                    QStringLiteral("\"PICmicro_Loop\"   at: [00000000 H ] :0000"),
                    QStringLiteral("\"EEPROM_Loop\"   at: [00000000 H ] :0000")}}),
    [](const ::testing::TestParamInfo<ReportCase> &row) { return row.param.name; });

// The report of this run's objects: the values as they are now, and places
// that tell the four values apart and stay put while the values change.
TEST(DevelopmentValues, TakeTheCurrentValuesAndKeepTheirPlaces)
{
    DeviceImage image;
    LinkState link;
    link.PortBase = 0x3F8;
    link.PICmicro_Loop = 77;
    link.EEPROM_Loop = 40000;

    const DevelopmentValues before = developmentValues(image, link);
    EXPECT_EQ(before.PortBase, 0x3F8);
    EXPECT_EQ(before.PICmicro_Loop, 77u);
    EXPECT_EQ(before.EEPROM_Loop, 40000u);
    EXPECT_EQ(QSet<quint32>({before.imageAt, before.portBaseAt, before.picLoopAt, before.eepromLoopAt}).size(), 4);

    link.PortBase = 0x2F8;
    link.EEPROM_Loop = 5;
    const DevelopmentValues after = developmentValues(image, link);
    EXPECT_EQ(after.imageAt, before.imageAt);
    EXPECT_EQ(after.portBaseAt, before.portBaseAt);
    EXPECT_EQ(after.eepromLoopAt, before.eepromLoopAt);
    EXPECT_TRUE(DevelopmentReport(after)[1].endsWith(QStringLiteral(":02F8")));
    EXPECT_TRUE(DevelopmentReport(after)[3].endsWith(QStringLiteral(":0005")));
}

} // namespace
} // namespace pellmora::device
