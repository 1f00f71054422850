#include "cli/ProgramFindings.h"

#include "cli/Commands.h"

#include "device/ProgramDifferences.h"
#include "model/ProgramChecks.h"
#include "model/ProgramHeader.h"

#include <QTextStream>

using namespace pellmora::model;

namespace pellmora::cli {

bool checkBeforeProgramming(const DeviceImage &image, bool strict)
{
    Program program;
    program.image = image;
    UnpackHeader(program);
    const QStringList findings = ProgramFindings(program, true);
    QTextStream err(stderr);
    for (const QString &finding : findings)
        err << "varování: " << finding << '\n';
    if (strict && !findings.isEmpty()) {
        err << "pellmora-cli: --strict: nothing was programmed\n";
        return false;
    }
    return true;
}

void printDifferences(const DeviceImage &image, const device::MemoryBytes &device, const InstructionFormat &format)
{
    for (const QString &line : device::DifferenceLines(image, device, format))
        printOut(line + u'\n');
}

} // namespace pellmora::cli
