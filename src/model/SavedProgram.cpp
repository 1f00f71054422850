#include "model/SavedProgram.h"

#include "model/ProgramHeader.h"

namespace pellmora::model {

namespace {

// The 512 bytes a save would write now.
DeviceImage asWritten(const Program &program)
{
    Program packed = program;
    PackHeader(packed);
    return packed.image;
}

} // namespace

void SavedProgram::remember(const Program &program, bool inFile)
{
    kept_ = asWritten(program);
    inFile_ = inFile;
}

bool SavedProgram::changed(const Program &program) const
{
    return asWritten(program) != kept_;
}

} // namespace pellmora::model
