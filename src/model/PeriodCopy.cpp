#include "model/PeriodCopy.h"

#include "model/ProgramEditor.h"
#include "model/Segment.h"

#include <algorithm>

namespace pellmora::model {

namespace {

QString periodName(int period)
{
    return QString::number(period + 1) + editor_text::PeriodCaption;
}

} // namespace

PeriodCopyCheck CheckPeriodCopy(const Program &program, int source, int target)
{
    const ProgramSettings &s = program.settings;
    PeriodCopyCheck check;
    if (s.LastPeriod == 0) {
        check.refusal = period_copy_text::OnePeriodOnly;
        return check;
    }
    if (source < 0 || source > s.LastPeriod || target == source || target < AllOtherPeriods || target > s.LastPeriod) {
        check.refusal = period_copy_text::NoTarget;
        return check;
    }
    for (int period = 0; period <= s.LastPeriod; ++period) {
        if (period != source && (target == AllOtherPeriods || period == target))
            check.targets.append(period);
    }
    const int count = SegmentCount(program, source);
    for (int period : std::as_const(check.targets)) {
        // The list and its end marker have to fit into every target.
        if (count + 1 > SegmentLength(s, period))
            check.refusal = editor_text::SegmentFullOnAppend;
        if (SegmentCount(program, period) > 0)
            check.replaced.append(period);
    }
    return check;
}

bool CopyPeriod(Program &program, int source, int target)
{
    const PeriodCopyCheck check = CheckPeriodCopy(program, source, target);
    if (!check.refusal.isEmpty())
        return false;
    const QList<quint16> words = SegmentWords(program, source);
    for (int period : check.targets) {
        auto first = program.image.words.begin() + SegmentFirstWord(program.settings, period);
        std::fill(first, first + SegmentLength(program.settings, period), EndMarker);
        std::copy(words.cbegin(), words.cend(), first);
    }
    // The period on view may have been a target.
    program.settings.InstructionCount = SegmentCount(program);
    return true;
}

QStringList PeriodCopyChoices(const ProgramSettings &settings, int source, QList<int> *targets)
{
    QStringList choices;
    targets->clear();
    for (int period = 0; period <= settings.LastPeriod; ++period) {
        if (period == source)
            continue;
        choices.append(periodName(period));
        targets->append(period);
    }
    if (targets->size() > 1) {
        choices.append(period_copy_text::AllOthers);
        targets->append(AllOtherPeriods);
    }
    return choices;
}

QString PeriodCopyReplaceQuestion(const QList<int> &replaced)
{
    QStringList numbers;
    for (int period : replaced)
        numbers.append(QString::number(period + 1));
    if (replaced.size() == 1)
        return QStringLiteral("%1. perioda už obsahuje instrukce. Nahradit je instrukcemi této periody?")
            .arg(numbers.first());
    return QStringLiteral("Periody %1 už obsahují instrukce. Nahradit je instrukcemi této periody?")
        .arg(numbers.join(QStringLiteral(", ")));
}

QString PeriodCopyDone(int source, int target)
{
    const QString to = target == AllOtherPeriods ? period_copy_text::AllOthers + QStringLiteral(" periody")
                                                 : QString::number(target + 1) + QStringLiteral(". periody");
    return QStringLiteral("*** Instrukce %1. periody zkopírovány do: %2 ***").arg(source + 1).arg(to);
}

} // namespace pellmora::model
