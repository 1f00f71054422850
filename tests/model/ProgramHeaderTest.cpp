#include "model/Cp1250.h"
#include "model/ProgramHeader.h"
#include "model/Segment.h"

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::model;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

std::string headerBytes(const Program &program)
{
    return program.image.toBytes().mid(0x1F0, 16).toHex(' ').toStdString();
}

std::string hexOf(const QByteArray &bytes)
{
    return bytes.toHex(' ').toStdString();
}

} // namespace

TEST(ProgramHeader, ChodbaImageByteForByte)
{
    Program program;
    program.settings.DeviceName = QStringLiteral("Chodba");
    program.settings.DeviceId = 0x1111;
    program.settings.StartUpMinutes = 18 * 60 + 30;
    program.settings.MemoryLocked = true;
    program.settings.CalibrationValue = 0x20;
    program.settings.CalibrationLate = true;
    ASSERT_TRUE(SegmentAppend(program, BuildInstructionWord(2 * 3600, true)));
    ASSERT_TRUE(SegmentAppend(program, BuildInstructionWord(30 * 60, false)));
    ASSERT_TRUE(SegmentAppend(program, BuildInstructionWord(5, true)));
    EXPECT_TRUE(PackHeader(program));

    QByteArray expected = hex("209C080705800000");
    expected.append(QByteArray(0x1F0 - 8, '\0'));
    expected.append(hex("4368 6F64 6261 0000 0000 5604 1111 2028"));
    EXPECT_EQ(hexOf(program.image.toBytes()), hexOf(expected));
}

TEST(ProgramHeader, PackedFieldsLandOnTheirBytes)
{
    struct Case {
        const char *what;
        ProgramSettings settings;
        QByteArray expected; // bytes 0x1F0..0x1FF
    };
    ProgramSettings obyvak;
    obyvak.DeviceName = QStringLiteral("Obývák");
    ProgramSettings tenChars;
    tenChars.DeviceName = QStringLiteral("Ložnice 12");
    ProgramSettings idAndStart;
    idAndStart.DeviceId = 0x1234;
    idAndStart.StartUpMinutes = 450;
    ProgramSettings flags;
    flags.PeriodCode = 1;
    flags.LastPeriod = 1;
    flags.RandomDelays = true;
    flags.MemoryLocked = true;
    flags.CalibrationValue = 0x40;
    ProgramSettings allFlags;
    allFlags.PeriodCode = 4;
    allFlags.LastPeriod = 7;
    allFlags.RandomDelays = allFlags.MemoryLocked = allFlags.FastMode = allFlags.CalibrationLate = true;
    allFlags.CalibrationValue = 0xFF;

    const Case cases[] = {
        {"Obývák in code page 1250", obyvak, hex("4F62FD76E16B00000000 0000 0000 0000")},
        {"ten characters, no zero byte", tenChars, hex("4C6F9E6E69636520 3132 0000 0000 0000")},
        {"empty name, id and start-up", idAndStart, hex("00000000000000000000 C201 3412 0000")},
        {"two periods, random, locked", flags, hex("00000000000000000000 0000 0000 40E1")},
        {"every flag", allFlags, hex("00000000000000000000 0000 0000 FFFC")},
    };
    for (const Case &c : cases) {
        Program program;
        program.settings = c.settings;
        PackHeader(program);
        EXPECT_EQ(headerBytes(program), hexOf(c.expected)) << c.what;
        // Packing never touches the instruction area.
        EXPECT_EQ(program.image.toBytes().left(0x1F0), QByteArray(0x1F0, '\0')) << c.what;
    }
}

TEST(ProgramHeader, PackKeepsInstructionsAndReportsAnUnstorableName)
{
    Program program;
    program.image.words.fill(0xABCD);
    program.settings.DeviceName = QStringLiteral("Kuchyň");
    EXPECT_TRUE(PackHeader(program));
    for (int k = 0; k < 248; ++k)
        ASSERT_EQ(program.image.words[k], 0xABCD) << k;

    struct Case {
        const char *name;
        bool stored;
    };
    const Case cases[] = {{"0123456789", true}, {"0123456789A", false}, {"日本", false}, {"Ĺ€ţ", true}};
    for (const Case &c : cases) {
        program.settings.DeviceName = QString::fromUtf8(c.name);
        EXPECT_EQ(PackHeader(program), c.stored) << c.name;
    }
}

TEST(ProgramHeader, UnpackReadsEverySetting)
{
    Program program;
    program.image.setBytes(QByteArray(0x1F0, '\0') + hex("2020 4F62 FD76 E16B 0909 C201 3412 40FC"));
    program.settings.CurrentPeriod = 0;
    EXPECT_FALSE(UnpackHeader(program));
    const ProgramSettings &s = program.settings;
    EXPECT_EQ(s.DeviceName, QStringLiteral("Obývák")); // blanks and tabs trimmed
    EXPECT_EQ(s.StartUpMinutes, 450);
    EXPECT_EQ(s.DeviceId, 0x1234);
    EXPECT_EQ(s.CalibrationValue, 0x40);
    EXPECT_EQ(s.PeriodCode, 4);
    EXPECT_EQ(s.LastPeriod, 7);
    EXPECT_EQ(s.SegmentCapacity, 31);
    EXPECT_TRUE(s.RandomDelays && s.MemoryLocked && s.FastMode && s.CalibrationLate);

    // Flags come back cleared when their bits are.
    program.image.words[255] = 0x0000;
    UnpackHeader(program);
    EXPECT_FALSE(s.RandomDelays || s.MemoryLocked || s.FastMode || s.CalibrationLate);
    EXPECT_EQ(s.SegmentCapacity, 248);
}

TEST(ProgramHeader, PeriodCodesFiveToSevenFallBackToOnePeriod)
{
    for (int code = 5; code <= 7; ++code) {
        Program program;
        program.settings.PeriodCode = 2;
        program.settings.LastPeriod = 3;
        program.settings.SegmentCapacity = 62;
        program.settings.CurrentPeriod = 3;
        program.image.words[255] = static_cast<quint16>(0x8000 | (code << 8) | 0x12);
        const DeviceImage before = program.image;
        EXPECT_TRUE(UnpackHeader(program)) << code;
        EXPECT_EQ(program.settings.PeriodCode, 0) << code;
        EXPECT_EQ(program.settings.LastPeriod, 0) << code;
        EXPECT_EQ(program.settings.SegmentCapacity, 248) << code;
        EXPECT_EQ(program.settings.CurrentPeriod, 0) << code;
        EXPECT_EQ(program.settings.SegmentStart, 0) << code;
        EXPECT_EQ(program.settings.CalibrationValue, 0x12) << code;
        EXPECT_EQ(program.image, before) << "unpacking changes nothing in the image";
    }
}

TEST(ProgramHeader, EveryHeaderSurvivesUnpackAndPack)
{
    // Every byte value appears in the label somewhere, the five bytes code
    // page 1250 leaves undefined among them.
    for (int first = 0; first < 256; first += 10) {
        Program program;
        for (int k = 0; k < 16; ++k)
            program.image.setByteAt(0x1F0 + k, static_cast<quint8>((first + k * 7) % 256));
        // A name without leading or trailing blanks or controls.
        program.image.setByteAt(0x1F0, 'A');
        program.image.setByteAt(0x1F9, 'Z');
        // A period code the program writes, with the multi-period bit to match.
        quint16 &flags = program.image.words[255];
        flags &= 0x7BFF;
        if (flags & 0x0300)
            flags |= 0x8000;
        const DeviceImage before = program.image;
        UnpackHeader(program);
        PackHeader(program);
        EXPECT_EQ(hexOf(program.image.toBytes()), hexOf(before.toBytes())) << first;
    }
}

TEST(ProgramHeader, UndefinedCodePageBytesMapToControlCodePoints)
{
    const QByteArray bytes = hex("8183889098");
    const QString text = fromCp1250(bytes);
    ASSERT_EQ(text.size(), 5);
    const char16_t expected[] = {0x81, 0x83, 0x88, 0x90, 0x98};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(text[i].unicode(), expected[i]) << i;
    bool ok = false;
    EXPECT_EQ(toCp1250(text, &ok), bytes);
    EXPECT_TRUE(ok);

    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(toCp1250(fromCp1250(all), &ok), all);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(cp1250CanHold(QChar(0x20AC)));  // euro sign, 0x80
    EXPECT_FALSE(cp1250CanHold(QChar(0x00E5))); // å is not in the code page
}

TEST(ProgramHeader, PeriodTableAndSegmentStarts)
{
    struct Case {
        int code;
        int periods;
        int last;
        int capacity;
        QList<int> starts;
    };
    const Case cases[] = {
        {0, 1, 0, 248, {0}},
        {1, 2, 1, 124, {0, 124}},
        {2, 4, 3, 62, {0, 62, 124, 186}},
        {3, 6, 5, 41, {0, 41, 82, 123, 164, 205}},
        {4, 8, 7, 31, {0, 31, 62, 93, 124, 155, 186, 217}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(PeriodCount(c.code), c.periods);
        EXPECT_EQ(LastPeriodFor(c.code), c.last);
        EXPECT_EQ(SegmentCapacityFor(c.code), c.capacity);
        EXPECT_EQ(PeriodCodeOf(c.periods), c.code);
        Program program;
        ApplyPeriodCode(program, c.code);
        for (int p = 0; p < c.periods; ++p) {
            EXPECT_EQ(SegmentFirstWord(program.settings, p), c.starts[p]) << c.code;
            EXPECT_LE(SegmentFirstWord(program.settings, p) + SegmentLength(program.settings, p), 248);
        }
        EXPECT_EQ(program.image.words[255] >> 8, (c.code ? 0x80 : 0) | c.code);
    }
    EXPECT_EQ(PeriodCodeOf(3), -1);
}

TEST(ProgramHeader, ApplyPeriodCodeRewritesOnlyThePeriodBits)
{
    Program program;
    program.image.words[255] = 0x7FFF; // every other bit set, code 7
    program.settings.CurrentPeriod = 3;
    ApplyPeriodCode(program, 3);
    EXPECT_EQ(program.image.words[255], 0xFBFF);
    EXPECT_EQ(program.settings.CurrentPeriod, 3) << "period 4 of 6 still exists";
    EXPECT_EQ(program.settings.SegmentStart, 123);
    ApplyPeriodCode(program, 0);
    EXPECT_EQ(program.image.words[255], 0x78FF);
    EXPECT_EQ(program.settings.CurrentPeriod, 0);
    EXPECT_EQ(program.settings.SegmentStart, 0);
}
