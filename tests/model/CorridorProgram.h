#pragma once

// The corridor program of examples/chodba.plm, as the tests of the views of
// a program build it: 18:30, on 2 h, off 30 min, on 5 s; locked memory,
// correction 32 with the clock lagging.

#include "model/ProgramHeader.h"
#include "model/Segment.h"

namespace pellmora::test {

inline model::Program corridorProgram()
{
    using namespace Qt::StringLiterals;
    model::Program program;
    program.settings.DeviceName = u"Chodba"_s;
    program.settings.DeviceId = 0x1111;
    program.settings.StartUpMinutes = 18 * 60 + 30;
    program.settings.MemoryLocked = true;
    program.settings.CalibrationValue = 0x20;
    program.settings.CalibrationLate = true;
    model::SegmentAppend(program, model::BuildInstructionWord(2 * 3600, true));
    model::SegmentAppend(program, model::BuildInstructionWord(30 * 60, false));
    model::SegmentAppend(program, model::BuildInstructionWord(5, true));
    model::PackHeader(program);
    return program;
}

} // namespace pellmora::test
