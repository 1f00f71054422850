#include "model/ProgramEditor.h"
#include "model/ProgramHeader.h"
#include "model/Segment.h"

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::model;

namespace {

struct EditorFixture : ::testing::Test {
    Program program;
    InstructionFormat format;
    ProgramEditor editor{program, format};

    void usePeriods(int code)
    {
        ApplyPeriodCode(program, code);
        editor.ShowProgram();
    }
    void typeDelay(const char *text) { editor.DelayChanged(QString::fromLatin1(text), 0); }
    QList<quint16> words(int first, int n) const
    {
        return QList<quint16>(program.image.words.begin() + first, program.image.words.begin() + first + n);
    }
    Notices clickAt(int index, Notices (ProgramEditor::*action)())
    {
        editor.ListClick(index);
        return (editor.*action)();
    }
};

QStringList texts(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *item : items)
        list.append(QString::fromUtf8(item));
    return list;
}


TEST_F(EditorFixture, AppendAlternatesTheLightWhileTheDelayStays)
{
    editor.ShowProgram();
    typeDelay("1:3 :  ");
    EXPECT_TRUE(editor.view().newInstructionEnabled);
    EXPECT_EQ(editor.view().instruction, QStringLiteral("Nesvítí 1hod 30min "));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(editor.AppendInstruction().isEmpty());
    EXPECT_EQ(words(0, 4), QList<quint16>({0x1518, 0x9518, 0x1518, 0x0000}));
    EXPECT_EQ(editor.view().items, texts({"Nesvítí 1hod 30min ", "Svítí 1hod 30min ", "Nesvítí 1hod 30min "}));
    EXPECT_EQ(editor.view().countLabel, QStringLiteral("Počet Instrukcí :  3"));
    // The flip after the append already shows the next instruction.
    EXPECT_EQ(editor.lightState(), LightState::On);
    EXPECT_EQ(editor.view().instruction, QStringLiteral("Svítí 1hod 30min "));
    EXPECT_EQ(editor.view().lightSwitchHint, QStringLiteral("Svítí "));
    EXPECT_EQ(editor.view().endTime, QStringLiteral("Konec bude ve 4hodiny a 30minut "));
}

TEST_F(EditorFixture, InsertAndChangeKeepTheLight)
{
    editor.ShowProgram();
    editor.LightSwitch();
    typeDelay(" :  : 5");
    editor.AppendInstruction(); // on 5 s
    editor.AppendInstruction(); // off 5 s
    ASSERT_EQ(editor.view().items, texts({"Svítí 5s ", "Nesvítí 5s "}));
    ASSERT_EQ(editor.lightState(), LightState::On);
    EXPECT_EQ(editor.view().stored, 1); // the list shows the row stored last

    typeDelay(" :  :1 ");
    EXPECT_TRUE(clickAt(0, &ProgramEditor::InsertInstruction).isEmpty());
    EXPECT_EQ(words(0, 4), QList<quint16>({0x800A, 0x8005, 0x0005, 0x0000}));
    EXPECT_EQ(editor.lightState(), LightState::On);
    EXPECT_FALSE(editor.view().editButtonsEnabled);
    EXPECT_EQ(editor.view().countLabel, QStringLiteral("Počet Instrukcí :  3"));
    EXPECT_EQ(editor.view().stored, 0);

    EXPECT_TRUE(clickAt(2, &ProgramEditor::ChangeInstruction).isEmpty());
    EXPECT_EQ(words(0, 4), QList<quint16>({0x800A, 0x8005, 0x800A, 0x0000}));
    EXPECT_EQ(editor.view().items, texts({"Svítí 10s ", "Svítí 5s ", "Svítí 10s "}));
    EXPECT_EQ(editor.lightState(), LightState::On);
    EXPECT_EQ(editor.view().stored, 2);

    EXPECT_TRUE(clickAt(0, &ProgramEditor::DeleteInstruction).isEmpty());
    EXPECT_EQ(words(0, 4), QList<quint16>({0x8005, 0x800A, 0x0000, 0x0000}));
    EXPECT_EQ(editor.view().items, texts({"Svítí 5s ", "Svítí 10s "}));
    EXPECT_EQ(editor.view().countLabel, QStringLiteral("Počet Instrukcí :  2"));
    EXPECT_EQ(editor.view().stored, -1);
}

TEST_F(EditorFixture, AnOffInstructionOfNoSecondsIsRefusedEverywhere)
{
    editor.ShowProgram();
    typeDelay(" :  : 5");
    editor.AppendInstruction(); // off 5 s, light now on
    editor.LightSwitch();       // off again
    typeDelay(" :  :  ");
    EXPECT_FALSE(editor.view().newInstructionEnabled);
    EXPECT_TRUE(editor.AppendInstruction().isEmpty());

    const Notices refused{Notice::message(editor_text::ZeroOffRefused)};
    EXPECT_EQ(clickAt(0, &ProgramEditor::InsertInstruction), refused);
    EXPECT_EQ(clickAt(0, &ProgramEditor::ChangeInstruction), refused);
    EXPECT_EQ(words(0, 2), QList<quint16>({0x0005, 0x0000}));
    EXPECT_EQ(editor.view().items.size(), 1);
    EXPECT_EQ(editor.view().stored, -1);
    EXPECT_TRUE(editor.view().editButtonsEnabled) << "the user may correct the delay and try again";

    // An on instruction of no seconds is stored.
    editor.LightSwitch();
    EXPECT_TRUE(clickAt(0, &ProgramEditor::ChangeInstruction).isEmpty());
    EXPECT_EQ(words(0, 2), QList<quint16>({0x8000, 0x0000}));
    EXPECT_EQ(editor.view().items, texts({"Svítí "}));
}

TEST_F(EditorFixture, OnePeriodTakes247AppendsThenNothingMore)
{
    editor.ShowProgram();
    typeDelay(" :  : 1");
    for (int i = 0; i < 247; ++i)
        ASSERT_TRUE(editor.AppendInstruction().isEmpty());
    const DeviceImage full = program.image;
    EXPECT_TRUE(editor.AppendInstruction().isEmpty());
    EXPECT_EQ(program.image, full);
    EXPECT_EQ(program.image.words[247], 0);
    EXPECT_EQ(editor.view().items.size(), 247);
    EXPECT_TRUE(editor.view().newInstructionEnabled);
}

TEST_F(EditorFixture, EightPeriodsOfThirtyInstructions)
{
    usePeriods(4);
    typeDelay(" :  : 2");
    for (int period = 0; period < 8; ++period) {
        for (int i = 0; i < 31; ++i)
            editor.AppendInstruction();
        EXPECT_EQ(editor.view().items.size(), 30) << period;
        editor.NextPeriod();
    }
    for (int period = 0; period < 8; ++period) {
        EXPECT_EQ(program.image.words[31 * period + 30], 0) << period;
        EXPECT_EQ(words(31 * period, 2), QList<quint16>({0x0002, 0x8002})) << period;
    }
    EXPECT_EQ(program.settings.CurrentPeriod, 7);
    EXPECT_EQ(program.settings.SegmentStart, 217);
}

TEST_F(EditorFixture, SegmentFullFromAFile)
{
    usePeriods(4);
    for (int w = 0; w < 31; ++w)
        program.image.words[w] = 0x8003;
    program.image.words[31] = 0x0009; // the next segment
    editor.RefreshPeriodView();
    ASSERT_EQ(editor.view().items.size(), 31);
    typeDelay(" :  : 5");

    const Notices appendFull{Notice::message(editor_text::SegmentFullOnAppend)};
    EXPECT_EQ(editor.AppendInstruction(), appendFull);
    EXPECT_FALSE(editor.view().newInstructionEnabled);
    EXPECT_EQ(editor.view().instruction, editor_text::BeyondLimits);

    const Notices insertFull{Notice::message(editor_text::SegmentFullOnInsert)};
    EXPECT_EQ(clickAt(3, &ProgramEditor::InsertInstruction), insertFull);
    EXPECT_FALSE(editor.view().lightSwitchEnabled);
    EXPECT_EQ(program.image.words[31], 0x0009);

    // The first deletion leaves the most the editor stores; the second makes
    // room, and the switch and the append button come back.
    clickAt(0, &ProgramEditor::DeleteInstruction);
    EXPECT_EQ(program.image.words[30], 0);
    EXPECT_EQ(program.image.words[31], 0x0009);
    EXPECT_FALSE(editor.view().lightSwitchEnabled);
    clickAt(0, &ProgramEditor::DeleteInstruction);
    EXPECT_TRUE(editor.view().lightSwitchEnabled);
    EXPECT_TRUE(editor.view().newInstructionEnabled);
    EXPECT_TRUE(editor.AppendInstruction().isEmpty());
    EXPECT_EQ(program.image.words[29], 0x0005);
    EXPECT_EQ(program.image.words[30], 0);
    EXPECT_EQ(program.image.words[31], 0x0009);
}

TEST_F(EditorFixture, PeriodNavigationEnabling)
{
    struct Step {
        void (ProgramEditor::*action)();
        int period;
        bool back;
        bool next;
        const char *label;
    };
    usePeriods(1);
    const Step twoPeriods[] = {
        {&ProgramEditor::RefreshPeriodView, 0, false, true, "1. Perioda"},
        {&ProgramEditor::NextPeriod, 1, true, false, "2. Perioda"},
        {&ProgramEditor::NextPeriod, 1, true, false, "2. Perioda"},
        {&ProgramEditor::BackPeriod, 0, false, true, "1. Perioda"},
        {&ProgramEditor::BackPeriod, 0, false, true, "1. Perioda"},
        {&ProgramEditor::NextPeriod, 1, true, false, "2. Perioda"},
        {&ProgramEditor::ReturnToFirstPeriod, 0, false, true, "1. Perioda"},
    };
    for (const Step &s : twoPeriods) {
        (editor.*s.action)();
        EXPECT_EQ(program.settings.CurrentPeriod, s.period) << s.label;
        EXPECT_EQ(program.settings.SegmentStart, 124 * s.period) << s.label;
        EXPECT_EQ(editor.view().backPeriodEnabled, s.back) << s.label;
        EXPECT_EQ(editor.view().nextPeriodEnabled, s.next) << s.label;
        EXPECT_EQ(editor.view().outPeriod.toStdString(), s.label);
    }

    // A period beyond the new last one returns the view to period 1.
    usePeriods(4);
    for (int i = 0; i < 5; ++i)
        editor.NextPeriod();
    EXPECT_EQ(editor.view().outPeriod, QStringLiteral("6. Perioda"));
    program.settings.PeriodCode = 2;
    editor.ShowProgram();
    EXPECT_EQ(program.settings.CurrentPeriod, 0);
    EXPECT_FALSE(editor.view().backPeriodEnabled);
    EXPECT_TRUE(editor.view().nextPeriodEnabled);
}

TEST_F(EditorFixture, NavigationShowsThePeriodsOwnList)
{
    usePeriods(1);
    typeDelay(" :  : 7");
    editor.AppendInstruction();
    editor.ListClick(0);
    EXPECT_TRUE(editor.view().editButtonsEnabled);
    editor.NextPeriod();
    EXPECT_TRUE(editor.view().items.isEmpty());
    EXPECT_FALSE(editor.view().editButtonsEnabled);
    EXPECT_EQ(editor.view().countLabel, QStringLiteral("Počet Instrukcí :  0"));
    EXPECT_EQ(editor.view().endTime, QStringLiteral("Konec bude o půlnoci "));
    editor.BackPeriod();
    EXPECT_EQ(editor.view().items, texts({"Nesvítí 7s "}));
}

TEST_F(EditorFixture, ListClicks)
{
    editor.ShowProgram();
    typeDelay(" :  : 5");
    editor.AppendInstruction();
    editor.AppendInstruction();
    editor.ListClick(1);
    EXPECT_TRUE(editor.view().editButtonsEnabled);
    EXPECT_EQ(editor.view().instruction, QStringLiteral("Svítí 5s "));
    EXPECT_EQ(editor.view().positionLabel, QStringLiteral("Aktuální pozice : 2"));
    for (int nothing : {-1, 2, 99}) {
        editor.ListClick(nothing);
        EXPECT_FALSE(editor.view().editButtonsEnabled) << nothing;
        EXPECT_TRUE(editor.DeleteInstruction().isEmpty());
        EXPECT_EQ(editor.view().items.size(), 2) << nothing;
    }
}

TEST_F(EditorFixture, StartUpFieldWritesTheImageAtOnce)
{
    editor.ShowProgram();
    editor.StartUpChanged(QStringLiteral(" 7:3 "), 4);
    EXPECT_EQ(program.settings.StartUpMinutes, 450);
    EXPECT_EQ(program.image.words[253], 450);
    EXPECT_EQ(editor.view().endTime, QStringLiteral("Konec bude v 7hodin a 30minut "));
    editor.StartUpChanged(QStringLiteral(" 9:3 "), 1);
    // A tens digit of 2 over a 9 waits for its units: nothing is stored, and
    // leaving the field gives the hour up.
    editor.StartUpChanged(QStringLiteral("29:3 "), 1);
    EXPECT_EQ(editor.view().startUpText, QStringLiteral("29:3 "));
    EXPECT_EQ(program.image.words[253], 570);
    EXPECT_EQ(program.settings.StartUpMinutes, 570);
    editor.StartUpFinished();
    EXPECT_EQ(editor.view().startUpText, QStringLiteral(" 9:3 "));
    EXPECT_EQ(program.image.words[253], 570);
}

TEST_F(EditorFixture, ShowProgramKeepsTheStartUpTimeAndCountsTheList)
{
    program.settings.StartUpMinutes = 425;
    program.image.words[0] = 0x9C20;
    program.image.words[1] = 0x0708;
    editor.ShowProgram();
    EXPECT_EQ(editor.view().startUpText, QStringLiteral(" 7: 5"));
    EXPECT_EQ(program.image.words[253], 425);
    EXPECT_EQ(editor.view().countLabel, QStringLiteral("Počet Instrukcí :  2"));
    EXPECT_EQ(editor.view().endTime, QStringLiteral("Konec bude v 9hodin a 35minut "));
    EXPECT_EQ(ProgramTitle(program.settings), QStringLiteral("Pellmora - (UNTITLED)"));
    program.settings.DeviceName = QStringLiteral("Chodba");
    EXPECT_EQ(ProgramTitle(program.settings), QStringLiteral("Pellmora - (Chodba)"));
    EXPECT_EQ(ProgramTitle(program.settings, QStringLiteral("dev001.plm")),
              QStringLiteral("Pellmora - (Chodba) - dev001.plm"));
}

TEST_F(EditorFixture, WordingChangeRelabelsListAndHint)
{
    editor.ShowProgram();
    typeDelay(" :  : 5");
    editor.AppendInstruction();
    format.SetCurrentInstrFormat(1, {}, {});
    editor.FormatChanged();
    EXPECT_EQ(editor.view().items, texts({"Off 5s "}));
    EXPECT_EQ(editor.view().lightSwitchHint, QStringLiteral("On "));
    EXPECT_EQ(editor.view().lightSwitchCaption, QStringLiteral("Svítí ")) << "the menu follows at the next flip";
    editor.LightSwitch();
    EXPECT_EQ(editor.view().lightSwitchCaption, QStringLiteral("Off "));
    EXPECT_EQ(editor.view().instruction, QStringLiteral("Off 5s "));
}

} // namespace
