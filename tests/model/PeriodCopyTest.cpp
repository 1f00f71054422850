#include "model/PeriodCopy.h"
#include "model/ProgramEditor.h"
#include "model/ProgramHeader.h"
#include "model/Segment.h"

#include <gtest/gtest.h>

using namespace pellmora::model;

namespace {

struct CopyRow {
    const char *name;
    int periodCode;
    int source;
    int target;
    int sourceCount;   // instructions in the source period (the whole segment: no end marker)
    int occupied;      // a period that holds two instructions beforehand; -1: none
    QList<int> targets;
    QList<int> replaced;
    QString refusal;
};

// A row shows as its name wherever GoogleTest prints it (the test's name
// in CTest among others), never as the bytes of its pointers.
void PrintTo(const CopyRow &row, std::ostream *out)
{
    *out << row.name;
}

// A program whose source period holds `count` distinct instructions.
Program programFor(const CopyRow &row)
{
    Program program;
    ApplyPeriodCode(program, row.periodCode);
    const int first = SegmentFirstWord(program.settings, row.source);
    for (int i = 0; i < row.sourceCount; ++i)
        program.image.words[first + i] = BuildInstructionWord(quint16(i + 1), i % 2 == 0);
    if (row.occupied >= 0) {
        const int at = SegmentFirstWord(program.settings, row.occupied);
        program.image.words[at] = 0x8999;
        program.image.words[at + 1] = 0x0999;
    }
    program.image.words[246] = 0x1234; // outside every segment of six periods
    return program;
}

const QString Full = editor_text::SegmentFullOnAppend;

const CopyRow copyRows[] = {
    {"two periods, into the empty second", 1, 0, 1, 3, -1, {1}, {}, {}},
    {"eight periods, from the third to all others", 4, 2, AllOtherPeriods, 2, 5, {0, 1, 3, 4, 5, 6, 7}, {5}, {}},
    {"six periods, a full list into the last", 3, 0, 5, 40, 5, {5}, {5}, {}},
    {"an empty period clears the target", 1, 1, 0, 0, 0, {0}, {0}, {}},
    {"a list without room for its end marker", 4, 0, AllOtherPeriods, 31, -1, {1, 2, 3, 4, 5, 6, 7}, {}, Full},
    {"one period only", 0, 0, AllOtherPeriods, 3, -1, {}, {}, period_copy_text::OnePeriodOnly},
    {"onto itself", 2, 1, 1, 3, -1, {}, {}, period_copy_text::NoTarget},
    {"beyond the last period", 1, 0, 2, 3, -1, {}, {}, period_copy_text::NoTarget},
};

class PeriodCopyTest : public ::testing::TestWithParam<CopyRow> {};


TEST_P(PeriodCopyTest, CopiesAllTargetsOrNone)
{
    const CopyRow &row = GetParam();
    Program program = programFor(row);
    const Program before = program;
    const PeriodCopyCheck check = CheckPeriodCopy(program, row.source, row.target);
    EXPECT_EQ(check.targets, row.targets);
    EXPECT_EQ(check.replaced, row.replaced);
    EXPECT_EQ(check.refusal, row.refusal);

    EXPECT_EQ(CopyPeriod(program, row.source, row.target), row.refusal.isEmpty());
    if (!row.refusal.isEmpty()) {
        EXPECT_EQ(program.image, before.image);
        return;
    }
    const QList<quint16> copied = SegmentWords(before, row.source);
    for (int word = 0; word < DeviceImage::WordCount; ++word) {
        int period = -1;
        for (int p : row.targets) {
            const int first = SegmentFirstWord(program.settings, p);
            if (word >= first && word < first + SegmentLength(program.settings, p))
                period = p;
        }
        const int offset = period < 0 ? 0 : word - SegmentFirstWord(program.settings, period);
        const quint16 expected = period < 0 ? before.image.words[word] : copied.value(offset, EndMarker);
        ASSERT_EQ(program.image.words[word], expected) << "word " << word;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, PeriodCopyTest, ::testing::ValuesIn(copyRows),
                         [](const ::testing::TestParamInfo<CopyRow> &row) {
                             std::string name = row.param.name;
                             for (char &c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(PeriodCopyChoicesTest, OtherPeriodsThenAllOthers)
{
    Program program;
    ApplyPeriodCode(program, 2);
    QList<int> targets;
    EXPECT_EQ(PeriodCopyChoices(program.settings, 1, &targets),
              QStringList({"1. Perioda", "3. Perioda", "4. Perioda", "všechny ostatní"}));
    EXPECT_EQ(targets, QList<int>({0, 2, 3, AllOtherPeriods}));
    ApplyPeriodCode(program, 1);
    EXPECT_EQ(PeriodCopyChoices(program.settings, 0, &targets), QStringList({"2. Perioda"}));
    EXPECT_EQ(PeriodCopyReplaceQuestion({1, 4}),
              QStringLiteral("Periody 2, 5 už obsahují instrukce. Nahradit je instrukcemi této periody?"));
}

} // namespace
