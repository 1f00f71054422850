#pragma once

// Instruction words and the period segment being edited.
//
// An instruction word holds the light state in bit 15 (SwitchOn) and the
// delay in seconds in bits 0..14; 0x0000 ends a segment's list. The segment
// of the current period starts at SegmentStart and is SegmentCapacity words
// long; positions are relative to SegmentStart. Every operation stays inside
// that segment and inside the instruction area (words 0..247), whatever the
// settings say, and refuses (returns false) rather than write elsewhere.
//
//   BuildInstructionWord(seconds, on)   seconds 0..32399; 0x8000 added once.
//   SegmentCount(program)               words before the first 0x0000, at
//                                       most the segment length.
//   SegmentAppend / SegmentInsert / SegmentDelete / SegmentReplace
//                                       edit at a position and keep
//                                       InstructionCount in step; append and
//                                       insert keep room for the end marker.
//   SegmentWords(program)               the instruction words of the list.

#include "model/Program.h"

#include <QList>

namespace pellmora::model {

constexpr quint16 SwitchOnBit = 0x8000;
constexpr quint16 DelayMask = 0x7FFF;
constexpr quint16 EndMarker = 0x0000;
constexpr int MaxDelaySeconds = 8 * 3600 + 59 * 60 + 59; // 8:59:59

inline bool IsSwitchOn(quint16 word) { return word & SwitchOnBit; }
inline quint16 DelaySeconds(quint16 word) { return word & DelayMask; }

quint16 BuildInstructionWord(quint16 delaySeconds, bool switchOn);

// First word and length of the current segment, cut to the instruction area.
int SegmentFirstWord(const ProgramSettings &settings);
int SegmentLength(const ProgramSettings &settings);
// The same for the segment of any period (0-based).
int SegmentFirstWord(const ProgramSettings &settings, int period);
int SegmentLength(const ProgramSettings &settings, int period);

quint16 SegmentCount(const Program &program);
quint16 SegmentCount(const Program &program, int period);
QList<quint16> SegmentWords(const Program &program);
QList<quint16> SegmentWords(const Program &program, int period);

// Whether one more instruction fits and still leaves the end marker.
bool SegmentHasRoom(const ProgramSettings &settings);

bool SegmentAppend(Program &program, quint16 word);
bool SegmentInsert(Program &program, int position, quint16 word);
bool SegmentDelete(Program &program, int position);
bool SegmentReplace(Program &program, int position, quint16 word);

} // namespace pellmora::model
