#pragma once

#include "model/DeviceImage.h"

#include <QString>

namespace pellmora::model {

// The header settings held beside the image while the user works. They reach
// the image through PackHeader and come back from it through UnpackHeader.
struct ProgramSettings {
    QString DeviceName;            // up to 10 characters, code page 1250 in the image
    quint16 DeviceId = 0;
    quint16 StartUpMinutes = 0;    // minutes after midnight
    quint8 PeriodCode = 0;         // 0..4 = 1, 2, 4, 6, 8 periods
    quint8 LastPeriod = 0;         // periods - 1
    quint16 SegmentCapacity = 248; // words per period segment
    quint8 CurrentPeriod = 0;
    quint16 SegmentStart = 0;      // SegmentCapacity x CurrentPeriod
    quint16 InstructionCount = 0;
    bool MemoryLocked = false;
    bool RandomDelays = false;
    bool FastMode = false;
    quint8 CalibrationValue = 0;
    bool CalibrationLate = false;
};

// The one program being edited: the memory image and its settings.
struct Program {
    DeviceImage image;
    ProgramSettings settings;
};

} // namespace pellmora::model
