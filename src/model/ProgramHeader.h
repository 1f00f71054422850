#pragma once

// The header of the program image (words 248..255) and the period table.
//
//   PackHeader(program)        settings -> header words; the instruction area
//                              is not touched. Returns false when the label
//                              could not be stored whole (over 10 characters
//                              or a character code page 1250 cannot hold).
//   UnpackHeader(program)      header words -> settings. Returns true when the
//                              image carried a period code of 5..7 and the
//                              program fell back to one period; the image
//                              itself is left as it is.
//   ApplyPeriodCode(program, code)   choose 1, 2, 4, 6 or 8 periods (code
//                              0..4): derives LastPeriod and SegmentCapacity
//                              (the period on view stays while it exists) and
//                              rewrites the period bits of the flags word.
//   PeriodCount / SegmentCapacityFor / LastPeriodFor   the period table.
//   InitialSettings()          the settings of a freshly started program.

#include "model/Program.h"

namespace pellmora::model {

namespace header {
constexpr int NameFirstWord = 248;
constexpr int NameBytes = 10;
constexpr int StartUpWord = 253;
constexpr int IdWord = 254;
constexpr int FlagsWord = 255;

constexpr quint16 MultiPeriodBit = 0x8000;
constexpr quint16 RandomDelaysBit = 0x4000;
constexpr quint16 MemoryLockedBit = 0x2000;
constexpr quint16 FastModeBit = 0x1000;
constexpr quint16 CalibrationLateBit = 0x0800;
constexpr quint16 PeriodCodeMask = 0x0700;
constexpr int PeriodCodeShift = 8;
constexpr quint16 CalibrationMask = 0x00FF;
} // namespace header

constexpr int InstructionAreaWords = 248;
constexpr int MaxPeriodCode = 4;
constexpr int NameMaxLength = 10;

bool IsValidPeriodCode(int code);
int PeriodCount(int periodCode);          // 1, 2, 4, 6, 8
quint16 SegmentCapacityFor(int periodCode); // 248, 124, 62, 41, 31
quint8 LastPeriodFor(int periodCode);     // 0, 1, 3, 5, 7
// The period code of a number of periods, or -1 when it is not 1, 2, 4, 6 or 8.
int PeriodCodeOf(int periods);

ProgramSettings InitialSettings();

bool PackHeader(Program &program);
bool UnpackHeader(Program &program);
void ApplyPeriodCode(Program &program, int periodCode);

// The label bytes of the header decoded one character per byte, without
// trimming (trailing zero bytes are dropped).
QString RawDeviceName(const DeviceImage &image);
// Leading and trailing blanks and control characters removed.
QString TrimDeviceName(const QString &name);

} // namespace pellmora::model
