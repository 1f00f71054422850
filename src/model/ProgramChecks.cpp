#include "model/ProgramChecks.h"

#include "model/ProgramHeader.h"
#include "model/Segment.h"

namespace pellmora::model {

QString check_text::EmptyPeriod(int period)
{
    return QStringLiteral("Perioda %1 nemá žádnou instrukci.").arg(period);
}

namespace {

QStringList emptyPeriods(const Program &program)
{
    QStringList findings;
    const int periods = program.settings.LastPeriod + 1;
    int empty = 0;
    for (int p = 0; p < periods; ++p) {
        if (SegmentCount(program, p) == 0) {
            findings << check_text::EmptyPeriod(p + 1);
            ++empty;
        }
    }
    if (empty == periods)
        return {check_text::NoInstruction};
    return periods > 1 ? findings : QStringList();
}

} // namespace

QStringList ProgramFindings(const Program &program, bool savedInFile)
{
    QStringList findings;
    if (program.settings.FastMode)
        findings << check_text::FastMode;
    findings << emptyPeriods(program);
    if (TrimDeviceName(program.settings.DeviceName).isEmpty())
        findings << check_text::NoName;
    if (!savedInFile)
        findings << check_text::NotSaved;
    return findings;
}

QString FindingsQuestion(const QStringList &findings)
{
    if (findings.isEmpty())
        return {};
    return findings.join(u'\n') + QStringLiteral("\n\n") + check_text::ProgramAnyway;
}

} // namespace pellmora::model
