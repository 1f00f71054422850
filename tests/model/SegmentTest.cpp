#include "model/ProgramHeader.h"
#include "model/Segment.h"

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::model;

namespace {

Program withPeriods(int code, int period = 0)
{
    Program program;
    ApplyPeriodCode(program, code);
    program.settings.CurrentPeriod = static_cast<quint8>(period);
    program.settings.SegmentStart = static_cast<quint16>(program.settings.SegmentCapacity * period);
    return program;
}

void setList(Program &program, const QList<quint16> &words)
{
    for (int i = 0; i < words.size(); ++i)
        program.image.words[program.settings.SegmentStart + i] = words[i];
    program.settings.InstructionCount = SegmentCount(program);
}

QList<quint16> wordsAt(const Program &program, int first, int n)
{
    return QList<quint16>(program.image.words.begin() + first, program.image.words.begin() + first + n);
}

} // namespace

TEST(Segment, InstructionWords)
{
    struct Case {
        int seconds;
        bool on;
        quint16 word;
    };
    const Case cases[] = {
        {5400, true, 0x9518}, {5, false, 0x0005}, {0, true, 0x8000}, {32399, true, 0xFE8F}, {32399, false, 0x7E8F},
    };
    for (const Case &c : cases)
        EXPECT_EQ(BuildInstructionWord(static_cast<quint16>(c.seconds), c.on), c.word) << c.seconds;
    // The on bit is added once, even when the delay already carries it.
    EXPECT_EQ(BuildInstructionWord(0x8005, true), 0x8005);
}

TEST(Segment, EditsAtPositions)
{
    struct Case {
        const char *what;
        QList<quint16> before;
        std::function<bool(Program &)> edit;
        bool done;
        QList<quint16> after; // the segment's first words after the edit
    };
    const Case cases[] = {
        {"insert before 0", {0x8005, 0x0005}, [](Program &p) { return SegmentInsert(p, 0, 0x800A); }, true,
         {0x800A, 0x8005, 0x0005, 0x0000}},
        {"insert at the end", {0x8005, 0x0005}, [](Program &p) { return SegmentInsert(p, 2, 0x800A); }, true,
         {0x8005, 0x0005, 0x800A, 0x0000}},
        {"insert beyond the end", {0x8005}, [](Program &p) { return SegmentInsert(p, 2, 0x800A); }, false,
         {0x8005, 0x0000}},
        {"delete the first of three", {1, 2, 3}, [](Program &p) { return SegmentDelete(p, 0); }, true,
         {2, 3, 0, 0}},
        {"delete the last", {1, 2, 3}, [](Program &p) { return SegmentDelete(p, 2); }, true, {1, 2, 0, 0}},
        {"delete past the list", {1, 2, 3}, [](Program &p) { return SegmentDelete(p, 3); }, false,
         {1, 2, 3, 0}},
        {"replace", {1, 2, 3}, [](Program &p) { return SegmentReplace(p, 1, 0x8000); }, true,
         {1, 0x8000, 3, 0}},
        {"replace past the list", {1, 2}, [](Program &p) { return SegmentReplace(p, 2, 7); }, false, {1, 2, 0}},
        {"no end marker stored by insert", {1}, [](Program &p) { return SegmentInsert(p, 0, 0); }, false, {1, 0}},
        {"no end marker stored by replace", {1}, [](Program &p) { return SegmentReplace(p, 0, 0); }, false,
         {1, 0}},
        {"append after words beyond the end marker", {1, 0, 0x1234, 0x4321},
         [](Program &p) { return SegmentAppend(p, 9); }, true, {1, 9, 0, 0x4321}},
    };
    for (const Case &c : cases) {
        Program program = withPeriods(4, 1); // the second of eight segments
        setList(program, c.before);
        EXPECT_EQ(c.edit(program), c.done) << c.what;
        EXPECT_EQ(wordsAt(program, 31, int(c.after.size())), c.after) << c.what;
        EXPECT_EQ(program.settings.InstructionCount, SegmentCount(program)) << c.what;
        EXPECT_EQ(wordsAt(program, 0, 31), QList<quint16>(31, 0)) << c.what;
    }
}

TEST(Segment, OnePeriodHoldsAtMost247Instructions)
{
    Program program;
    for (int i = 0; i < 247; ++i)
        ASSERT_TRUE(SegmentAppend(program, 0x8001)) << i;
    EXPECT_FALSE(SegmentAppend(program, 0x8001));
    EXPECT_FALSE(SegmentInsert(program, 0, 0x8001));
    EXPECT_EQ(program.settings.InstructionCount, 247);
    EXPECT_EQ(program.image.words[247], 0);
    EXPECT_EQ(program.image.words[246], 0x8001);
}

TEST(Segment, FullSegmentsFromAFileStayInsideTheirSegment)
{
    struct Case {
        int code;
        int period;
    };
    const Case cases[] = {{4, 0}, {4, 7}, {3, 5}, {0, 0}, {1, 0}};
    for (const Case &c : cases) {
        Program program = withPeriods(c.code, c.period);
        program.image.words.fill(0x8001);
        const int first = program.settings.SegmentStart;
        const int length = program.settings.SegmentCapacity;
        EXPECT_EQ(SegmentCount(program), length);
        program.settings.InstructionCount = SegmentCount(program);
        const DeviceImage before = program.image;

        EXPECT_FALSE(SegmentAppend(program, 0x0002));
        EXPECT_FALSE(SegmentInsert(program, 0, 0x0002));
        ASSERT_TRUE(SegmentDelete(program, 0));
        EXPECT_EQ(program.image.words[first + length - 1], 0) << c.code << "/" << c.period;
        EXPECT_EQ(program.settings.InstructionCount, length - 1);
        for (int w = 0; w < 256; ++w) {
            if (w < first || w >= first + length) {
                ASSERT_EQ(program.image.words[w], before.words[w]) << "word " << w;
            }
        }
    }
}

TEST(Segment, SettingsBeyondTheInstructionAreaNeverReachTheHeader)
{
    Program program;
    program.settings.SegmentCapacity = 248;
    program.settings.SegmentStart = 240; // not a start the editor makes
    program.image.words.fill(0x8001);
    const DeviceImage before = program.image;
    EXPECT_EQ(SegmentCount(program), 8);
    EXPECT_FALSE(SegmentAppend(program, 0x0003));
    EXPECT_TRUE(SegmentDelete(program, 0));
    EXPECT_EQ(program.image.words[247], 0);
    for (int w = 248; w < 256; ++w)
        EXPECT_EQ(program.image.words[w], before.words[w]) << w;

    program.settings.SegmentStart = 1000;
    EXPECT_EQ(SegmentCount(program), 0);
    EXPECT_FALSE(SegmentAppend(program, 0x0003));
    EXPECT_FALSE(SegmentDelete(program, 0));
}

TEST(Segment, SixPeriodsLeaveTheLastTwoWordsAlone)
{
    Program program = withPeriods(3, 5);
    EXPECT_EQ(program.settings.SegmentStart, 205);
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(SegmentAppend(program, 0x0001));
    EXPECT_FALSE(SegmentAppend(program, 0x0001));
    EXPECT_EQ(program.image.words[245], 0);
    EXPECT_EQ(program.image.words[246], 0);
    EXPECT_EQ(program.image.words[247], 0);
}
