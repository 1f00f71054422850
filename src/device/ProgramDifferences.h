#pragma once

// What the differences between a program and the switch's memory mean, in
// words, one line each (after the byte list of a failed verification):
//
//   Perioda 2, instrukce 3: v souboru "Svítí 2hod", v zařízení "Nesvítí 5s"
//   Název: v souboru "Chodba", v zařízení "Předsíň"
//
// Each side's periods are laid out by its own header, and period N of one is
// set against period N of the other, position by position up to the end of
// the longer list: an instruction is worded as the instruction list words it
// (with `format`), the end of a list is "konec", a position after the end of
// a list or in a period that side does not have is "—". Positions whose
// words agree give no line, nor do words after the end of both lists (the
// switch never runs them). The header follows: Název, ID, Začátek, Periody,
// Příznaky, Korekce, each with both values as the dialogs show them.

#include "device/DeviceMemory.h"

#include "model/DeviceImage.h"
#include "model/InstructionFormat.h"

#include <QStringList>

namespace pellmora::device {

QStringList DifferenceLines(const model::DeviceImage &file, const model::DeviceImage &device,
                            const model::InstructionFormat &format);
QStringList DifferenceLines(const model::DeviceImage &file, const MemoryBytes &device,
                            const model::InstructionFormat &format);

} // namespace pellmora::device
