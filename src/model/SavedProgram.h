#pragma once

// What the program was when it was last loaded from a file, saved, or
// started anew: whether the user has changed it since, and whether it is
// what a file holds. Programs are compared as they would be written to the
// file (the header packed from the settings); what only the window's view
// holds (the period on view, the instruction count) does not count.
//
//   remember(program, inFile)   the program as it is now is the one kept;
//                               inFile: a file holds it (loaded or saved),
//                               false for a new program.
//   changed(program)            it differs from the one kept.
//   inFile(program)             a file holds it: kept from a file and
//                               unchanged since.

#include "model/DeviceImage.h"
#include "model/Program.h"

namespace pellmora::model {

class SavedProgram {
public:
    void remember(const Program &program, bool inFile);
    bool changed(const Program &program) const;
    bool inFile(const Program &program) const { return inFile_ && !changed(program); }

private:
    DeviceImage kept_;
    bool inFile_ = false;
};

} // namespace pellmora::model
