#include "model/ProgramHeader.h"
#include "model/Segment.h"
#include "model/TimeText.h"

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::model;

namespace {

std::string u8(const QString &text)
{
    return text.toStdString();
}

} // namespace

TEST(TimeText, InstructionTexts)
{
    struct Case {
        quint16 word;
        const char *text;
    };
    const Case cases[] = {
        {0x9518, "Svítí 1hod 30min "}, {0x0005, "Nesvítí 5s "}, {0x8000, "Svítí "},
        {0x1C20, "Nesvítí 2hod "},     {0xFE8F, "Svítí 8hod 59min 59s "}, {0x0E15, "Nesvítí 1hod 5s "},
        {0x803C, "Svítí 1min "},       {0x7FFF, "Nesvítí 9hod 6min 7s "},
    };
    const InstructionFormat format;
    for (const Case &c : cases)
        EXPECT_EQ(u8(InstructionText(c.word, format)), c.text) << std::hex << c.word;
}

TEST(TimeText, FillInstructionListStopsAtTheEndMarkerOrTheSegmentEnd)
{
    Program program;
    ApplyPeriodCode(program, 4);
    program.settings.SegmentStart = 31;
    program.image.words[30] = 0x0001; // previous segment
    program.image.words[31] = 0x9518;
    program.image.words[32] = 0x0005;
    program.image.words[34] = 0x0006; // after the end marker: never shown
    InstructionFormat format;
    EXPECT_EQ(FillInstructionList(program, format),
              QStringList({QStringLiteral("Svítí 1hod 30min "), QStringLiteral("Nesvítí 5s ")}));
    EXPECT_EQ(program.settings.InstructionCount, 2);

    for (int w = 31; w < 62; ++w)
        program.image.words[w] = 0x8001;
    program.image.words[62] = 0x8002; // next segment
    EXPECT_EQ(FillInstructionList(program, format).size(), 31);
    EXPECT_EQ(program.settings.InstructionCount, 31);
}

TEST(TimeText, TwoPositionNormalisation)
{
    const std::pair<const char *, const char *> cases[] = {
        {"  ", "00"}, {"5 ", "50"}, {" 5", "5"}, {"59", "59"}, {"1 ", "10"}, {"00", "00"}, {"0 ", "00"}, {"05", "5"},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(u8(NormaliseTwoPositions(QString::fromLatin1(in))), out) << in;
}

TEST(TimeText, ParseDelay)
{
    struct Case {
        const char *text;
        const char *hours;
        const char *minutes;
        const char *seconds;
        int delay;
    };
    const Case cases[] = {
        {"1:3 :  ", "1hod ", "30min ", "", 5400},
        {" :5 :  ", "", "50min ", "", 3000},
        {" : 5:  ", "", "5min ", "", 300},
        {" :  :  ", "", "", "", 0},
        {"1: 5:  ", "1hod ", "5min ", "", 3900},
        {" :45:3 ", "", "45min ", "30s ", 2730},
        {"8:59:59", "8hod ", "59min ", "59s ", 32399},
        {" :  : 5", "", "", "5s ", 5},
        {"", "", "", "", 0},         // short text reads as blank
        {"x:ab:c9", "", "", "9s ", 9}, // non-digits read as blank
    };
    for (const Case &c : cases) {
        const DelayParts parts = ParseDelay(QString::fromLatin1(c.text));
        EXPECT_EQ(u8(parts.hoursText), c.hours) << c.text;
        EXPECT_EQ(u8(parts.minutesText), c.minutes) << c.text;
        EXPECT_EQ(u8(parts.secondsText), c.seconds) << c.text;
        EXPECT_EQ(parts.seconds, c.delay) << c.text;
        // The display texts are the time parts of the stored instruction.
        InstructionFormat format;
        EXPECT_EQ(format.OnWord + parts.display(), InstructionText(BuildInstructionWord(parts.seconds, true), format));
    }
}

namespace {

struct FieldCase {
    const char *what;
    const char *text;
    int caret;
    const char *remembered;
    const char *corrected;
    int caretAfter;
    const char *rememberedAfter; // nullptr: not checked
    int minutes;                 // start-up minutes; -1: not checked
    const char *shownBefore = nullptr; // the start-up field's text before the change; nullptr: empty
};

using FieldRule = FieldEdit (*)(const FieldEdit &, const QString &);

FieldEdit delayRule(const FieldEdit &edit, const QString &)
{
    return CorrectDelayField(edit);
}

FieldEdit startUpRule(const FieldEdit &edit, const QString &shownBefore)
{
    return CorrectStartUpField(edit, shownBefore);
}

void checkFieldCases(FieldRule correct, std::initializer_list<FieldCase> cases)
{
    for (const FieldCase &c : cases) {
        const QString before = c.shownBefore ? QString::fromLatin1(c.shownBefore) : EmptyStartUpText;
        const FieldEdit out =
            correct({QString::fromLatin1(c.text), c.caret, QString::fromLatin1(c.remembered)}, before);
        EXPECT_EQ(u8(out.text), c.corrected) << c.what;
        EXPECT_EQ(out.caret, c.caretAfter) << c.what;
        if (c.rememberedAfter) {
            EXPECT_EQ(u8(out.remembered), c.rememberedAfter) << c.what;
        }
        if (c.minutes >= 0) {
            EXPECT_EQ(StartUpMinutesOf(out.text), c.minutes) << c.what;
        }
    }
}

} // namespace

TEST(TimeText, DelayFieldPutsBackImpossibleDigits)
{
    checkFieldCases(delayRule, {
        {"accepted", "1:3 :  ", 3, "   ", "1:3 :  ", 3, "13 ", -1},
        {"nine hours", "9:3 :  ", 1, "13 ", "1:3 :  ", 1, "13 ", -1},
        {"sixty minutes", "1:6 :  ", 3, "13 ", "1:3 :  ", 2, "13 ", -1},
        {"sixty seconds", " :  :7 ", 6, "   ", " :  :  ", 5, "   ", -1},
        {"all three", "9:9 :9 ", 7, "245", "2:4 :5 ", 5, "245", -1},
        {"eight hours pass", "8:59:59", 7, "   ", "8:59:59", 7, "855", -1},
        {"garbage reads blank", "?:ab", 9, "   ", " :  :  ", 7, "   ", -1},
    });
}

TEST(TimeText, StartUpFieldPutsBackImpossibleDigits)
{
    checkFieldCases(startUpRule, {
        {"07:30", " 7:3 ", 4, "   ", " 7:3 ", 4, " 73", 450},
        {"07:05", " 7: 5", 5, "   ", " 7: 5", 5, nullptr, 425},
        {"23:59", "23:59", 5, "23 ", "23:59", 5, "235", 1439},
        {"first digit 3", "3 :  ", 1, "   ", "  :  ", 1, nullptr, 0},
        {"hour 24 typed", "24:  ", 2, "2  ", "2 :  ", 2, "2  ", 1200, "2 :  "},
        // A tens digit typed over a units digit above 3 waits for its units.
        {"tens 2 over 14", "24:  ", 1, "14 ", "24:  ", 1, "14 ", -1, "14:  "},
        {"tens 2 over 19", "29:3 ", 1, "19 ", "29:3 ", 1, "193", -1, "19:3 "},
        // The units complete it: valid, or refused together with the tens.
        {"pending 26 becomes 22", "22:45", 2, " 64", "22:45", 2, "224", 1365, "26:45"},
        {"pending 26, units 7", "27:45", 2, " 64", " 6:45", 2, " 64", 405, "26:45"},
        {"pending 28, units blanked", "2 :3 ", 1, "183", "2 :3 ", 1, "2 3", 1230, "28:3 "},
        {"sixty minutes", "12:6 ", 4, "12 ", "12:  ", 4, nullptr, 720},
        {"midnight", "  :  ", 0, "   ", "  :  ", 0, nullptr, 0},
        {"20:00", "2 :  ", 2, "   ", "2 :  ", 2, nullptr, 1200},
    });
}

TEST(TimeText, LeavingTheStartUpFieldGivesUpAPendingHour)
{
    const struct {
        const char *text;
        const char *remembered;
        const char *finished;
    } cases[] = {
        {"26:45", " 64", " 6:45"},
        {"29:1 ", "181", "18:1 "},
        {"22:45", "224", "22:45"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(StartUpHourPending(QString::fromLatin1(c.text)), c.text != std::string(c.finished)) << c.text;
        const FieldEdit out = FinishStartUpField({QString::fromLatin1(c.text), 1, QString::fromLatin1(c.remembered)});
        EXPECT_EQ(u8(out.text), c.finished) << c.text;
        EXPECT_FALSE(StartUpHourPending(out.text)) << c.text;
    }
}

TEST(TimeText, StartUpFieldShowsAndReadsBackTheSameTime)
{
    for (int minutes = 0; minutes < 1440; ++minutes) {
        const QString text = StartUpFieldText(static_cast<quint16>(minutes));
        const FieldEdit out = CorrectStartUpField({text, 0, BlankStartUpMemory});
        ASSERT_EQ(out.text, text) << minutes;
        ASSERT_EQ(StartUpMinutesOf(out.text), minutes) << u8(text);
    }
    EXPECT_EQ(u8(StartUpFieldText(425)), " 7: 5");
}

TEST(TimeText, EndTimeSentences)
{
    const std::pair<int, const char *> cases[] = {
        {0, "Konec bude o půlnoci "},
        {60, "Konec bude v 1hodinu "},
        {61, "Konec bude v 1hodinu a 1minutu "},
        {2 * 60 + 2, "Konec bude ve 2hodiny a 2minuty "},
        {4 * 60 + 4, "Konec bude ve 4hodiny a 4minuty "},
        {5 * 60 + 5, "Konec bude v 5hodin a 5minut "},
        {21 * 60, "Konec bude v 21hodin "},
        {23 * 60 + 59, "Konec bude v 23hodin a 59minut "},
        {1480, "Konec bude příší den o půlnoci a 40minut "},
        {2 * 1440 + 90, "Konec bude po dalších 2dnech v 1hodinu a 30minut "},
        {50 * 1440, "Konec bude po dalších 50dnech o půlnoci "},
        {51 * 1440 + 60, "Konec bude po dalších 51dnech v 1hodinu "},
    };
    for (const auto &[minutes, text] : cases)
        EXPECT_EQ(u8(EndTimeSentence(minutes)), text) << minutes;
}

TEST(TimeText, UpdateEndTimeCountsWholeMinutesOfTheCurrentSegment)
{
    struct Case {
        const char *what;
        int startUp;
        QList<quint16> words;
        const char *sentence;
    };
    const Case cases[] = {
        {"no instructions", 0, {}, "Konec bude o půlnoci "},
        {"two of 59 s", 0, {0x803B, 0x003B}, "Konec bude o půlnoci "},
        {"Chodba", 18 * 60 + 30, {0x9C20, 0x0708, 0x8005}, "Konec bude v 21hodin "},
        {"over midnight", 22 * 60, {5400, 4250}, "Konec bude příší den o půlnoci a 40minut "},
    };
    for (const Case &c : cases) {
        Program program;
        ApplyPeriodCode(program, 1);
        program.settings.SegmentStart = 124;
        program.settings.StartUpMinutes = static_cast<quint16>(c.startUp);
        program.image.words[0] = 0x9000; // another period's list counts not
        for (int i = 0; i < c.words.size(); ++i)
            program.image.words[124 + i] = c.words[i];
        program.image.words[124 + c.words.size() + 1] = 0x7000; // beyond the end marker
        EXPECT_EQ(u8(UpdateEndTime(program)), c.sentence) << c.what;
    }
}
