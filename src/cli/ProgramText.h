#pragma once

// The program text format: a readable form of a whole program file.
//
//   begin                     # the text ends with "end": one without it
//                             # was cut short
//   name: Chodba              # up to 10 characters of code page 1250; a
//   id: 1111                  # quoted form "..." keeps blanks, '#' and any
//   start: 18:30              # byte (\" \\ \xHH, HH a code page byte)
//   periods: 1                # 1 2 4 6 8
//   flags: locked             # any of random locked fast
//   calibration: 32 late      # 0..255, late or ahead
//   period 1
//   on 2:00:00                # on/off and a delay up to 8:59:59
//   off 0:30:00
//   end
//
// Keys come in this order, each at most once and each optional (the initial
// settings of a new program stand in); instructions follow a `period N` line.
// A text holds at least one key or period. The export writes `begin` and
// `end`; a text without `begin` (an older export, one written by hand) may
// leave out `end`. Nothing but comments follows `end`.
//
//   ParseProgramText(text, program, error)  builds the image (header packed);
//                                           false with the line and reason.
//   WriteProgramText(image, leftOut)        the text of an image; what the
//                                           format cannot carry is listed in
//                                           leftOut and not written.

#include "model/Program.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pellmora::cli {

struct ProgramTextError {
    int line = 0;
    QString reason;
};

bool ParseProgramText(const QByteArray &text, model::Program &program, ProgramTextError &error);
QByteArray WriteProgramText(const model::DeviceImage &image, QStringList &leftOut);

} // namespace pellmora::cli
