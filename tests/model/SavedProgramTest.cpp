#include "model/SavedProgram.h"
#include "model/ProgramHeader.h"
#include "model/Segment.h"

#include <gtest/gtest.h>

#include <functional>

using namespace pellmora;
using namespace pellmora::model;

namespace {

// A program as it stands after loading a file: its settings unpacked from
// the header.
Program loadedProgram()
{
    Program program;
    program.settings.DeviceName = QStringLiteral("Chodba");
    program.settings.DeviceId = 0x1A2B;
    program.settings.StartUpMinutes = 1110;
    program.image.words[0] = BuildInstructionWord(7200, true);
    program.image.words[1] = BuildInstructionWord(1800, false);
    PackHeader(program);
    UnpackHeader(program);
    return program;
}

} // namespace

// Every change a save would write counts; what only the view holds does not.
TEST(SavedProgram, ChangedWhenASaveWouldWriteOtherBytes)
{
    struct Case {
        const char *what;
        std::function<void(Program &)> change;
        bool changed;
    };
    const Case cases[] = {
        {"nothing", [](Program &) {}, false},
        {"another period on view", [](Program &p) { p.settings.CurrentPeriod = 0; p.settings.InstructionCount = 9; },
         false},
        {"the header packed again", [](Program &p) { PackHeader(p); }, false},
        {"an instruction's delay", [](Program &p) { p.image.words[1] = BuildInstructionWord(1801, false); }, true},
        {"an instruction appended", [](Program &p) { p.image.words[2] = BuildInstructionWord(5, true); }, true},
        {"the label", [](Program &p) { p.settings.DeviceName = QStringLiteral("Chodbá"); }, true},
        {"the identifier", [](Program &p) { p.settings.DeviceId = 0x1A2C; }, true},
        {"the start-up time", [](Program &p) { p.settings.StartUpMinutes = 1111; }, true},
        {"the fast clock", [](Program &p) { p.settings.FastMode = true; }, true},
        {"the periods", [](Program &p) { ApplyPeriodCode(p, 1); }, true},
        {"the correction", [](Program &p) { p.settings.CalibrationValue = 3; }, true},
        {"a byte beyond the lists", [](Program &p) { p.image.words[200] = 1; }, true},
    };
    for (const Case &c : cases) {
        Program program = loadedProgram();
        SavedProgram saved;
        saved.remember(program, true);
        c.change(program);
        EXPECT_EQ(saved.changed(program), c.changed) << c.what;
        EXPECT_EQ(saved.inFile(program), !c.changed) << c.what;
    }
}

TEST(SavedProgram, ANewProgramIsInNoFileUntilSaved)
{
    Program program = loadedProgram();
    SavedProgram saved;
    saved.remember(program, false);
    EXPECT_FALSE(saved.changed(program));
    EXPECT_FALSE(saved.inFile(program));

    program.settings.DeviceName = QStringLiteral("Sklep");
    EXPECT_TRUE(saved.changed(program));
    saved.remember(program, true); // saved
    EXPECT_FALSE(saved.changed(program));
    EXPECT_TRUE(saved.inFile(program));
}
