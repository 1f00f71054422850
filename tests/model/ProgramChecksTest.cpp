#include "model/ProgramChecks.h"
#include "model/ProgramHeader.h"
#include "model/Segment.h"

#include <gtest/gtest.h>

#include <functional>

using namespace pellmora;
using namespace pellmora::model;

namespace {

// A named switch of one period with one instruction: nothing to point out.
Program soundProgram()
{
    Program program;
    program.settings.DeviceName = QStringLiteral("Chodba");
    program.image.words[0] = BuildInstructionWord(60, true);
    return program;
}

} // namespace

TEST(ProgramChecks, FindingsInTheirOrder)
{
    struct Case {
        const char *what;
        std::function<void(Program &)> change;
        bool saved;
        QStringList findings;
    };
    const Case cases[] = {
        {"nothing to point out", [](Program &) {}, true, {}},
        {"fast clock", [](Program &p) { p.settings.FastMode = true; }, true, {check_text::FastMode}},
        {"no instruction", [](Program &p) { p.image.words[0] = EndMarker; }, true, {check_text::NoInstruction}},
        {"no instruction in any of 8 periods: one finding",
         [](Program &p) {
             p.image.words[0] = EndMarker;
             ApplyPeriodCode(p, 4);
         },
         true, {check_text::NoInstruction}},
        {"empty periods of several",
         [](Program &p) {
             ApplyPeriodCode(p, 2);
             p.image.words[124] = BuildInstructionWord(5, false); // period 3 of 4
         },
         true,
         {QStringLiteral("Perioda 2 nemá žádnou instrukci."), QStringLiteral("Perioda 4 nemá žádnou instrukci.")}},
        {"a name of blanks", [](Program &p) { p.settings.DeviceName = QStringLiteral("   "); }, true,
         {check_text::NoName}},
        {"unsaved", [](Program &) {}, false, {check_text::NotSaved}},
        {"everything at once",
         [](Program &p) {
             p.settings.FastMode = true;
             p.settings.DeviceName.clear();
             ApplyPeriodCode(p, 1);
         },
         false,
         {check_text::FastMode, QStringLiteral("Perioda 2 nemá žádnou instrukci."), check_text::NoName,
          check_text::NotSaved}},
    };
    for (const Case &c : cases) {
        Program program = soundProgram();
        c.change(program);
        EXPECT_EQ(ProgramFindings(program, c.saved), c.findings) << c.what;
    }
}

TEST(ProgramChecks, OneQuestionListsEveryFindingOrNoneIsAsked)
{
    EXPECT_EQ(FindingsQuestion({}), QString());
    EXPECT_EQ(FindingsQuestion({check_text::FastMode, check_text::NoName}),
              QStringLiteral("Je zapnut zrychlený mód: hodiny spínače poběží 60x rychleji.\n"
                             "Spínač nemá název.\n\nProgramovat přesto?"));
}
