#pragma once

// What the device commands say about the program beyond the transfer itself.
//
//   checkBeforeProgramming(image, strict)   prints each finding of the checks
//       before programming as "varování: TEXT" on standard error; false when
//       `strict` and there was a finding (nothing is to be programmed then).
//       The program comes from a file, so it is never an unsaved one.
//   printDifferences(image, device, format) the differences of a failed
//       verification in words, one line each on standard output.

#include "device/DeviceMemory.h"
#include "model/DeviceImage.h"
#include "model/InstructionFormat.h"

namespace pellmora::cli {

bool checkBeforeProgramming(const model::DeviceImage &image, bool strict);
void printDifferences(const model::DeviceImage &image, const device::MemoryBytes &device,
                      const model::InstructionFormat &format);

} // namespace pellmora::cli
