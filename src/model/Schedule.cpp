#include "model/Schedule.h"

#include "model/Segment.h"
#include "model/TimeText.h"

#include <algorithm>

namespace pellmora::model {

namespace {

// The end sentence works on the segment on view; show it this period's.
QString endSentenceOf(Program program, int period)
{
    program.settings.CurrentPeriod = static_cast<quint8>(period);
    program.settings.SegmentStart = static_cast<quint16>(SegmentFirstWord(program.settings, period));
    return UpdateEndTime(program);
}

QString twoDigits(qint64 value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

PeriodSchedule SchedulePeriod(const Program &program, int period)
{
    PeriodSchedule schedule;
    schedule.period = period;
    schedule.start = qint64(program.settings.StartUpMinutes) * 60;
    schedule.randomDelays = program.settings.RandomDelays;
    qint64 at = schedule.start;
    for (quint16 word : SegmentWords(program, period)) {
        const ScheduledInstruction instruction{at, IsSwitchOn(word), DelaySeconds(word)};
        schedule.instructions.append(instruction);
        at = instruction.until();
    }
    schedule.end = at;
    schedule.endSentence = endSentenceOf(program, period);
    return schedule;
}

QList<PeriodSchedule> ProgramSchedule(const Program &program)
{
    QList<PeriodSchedule> schedules;
    for (int p = 0; p <= program.settings.LastPeriod; ++p)
        schedules.append(SchedulePeriod(program, p));
    return schedules;
}

QString ScheduleClockText(qint64 seconds)
{
    const qint64 day = seconds / SecondsPerDay;
    const qint64 ofDay = seconds % SecondsPerDay;
    const QString clock = twoDigits(ofDay / 3600) + QLatin1Char(':') + twoDigits(ofDay % 3600 / 60)
        + QLatin1Char(':') + twoDigits(ofDay % 60);
    return day == 0 ? clock : QStringLiteral("+%1d ").arg(day) + clock;
}

QString ScheduleDelayText(int seconds)
{
    return QString::number(seconds / 3600) + QLatin1Char(':') + twoDigits(seconds % 3600 / 60) + QLatin1Char(':')
        + twoDigits(seconds % 60);
}

QString StateWord(bool switchOn, const InstructionFormat &format)
{
    return format.WordFor(switchOn).trimmed();
}

QList<ScheduleRow> ScheduleRows(const PeriodSchedule &schedule, const InstructionFormat &format)
{
    QList<ScheduleRow> rows;
    for (const ScheduledInstruction &instruction : schedule.instructions) {
        rows.append({ScheduleClockText(instruction.at), StateWord(instruction.switchOn, format),
                     ScheduleDelayText(instruction.delaySeconds)});
    }
    rows.append({ScheduleClockText(schedule.end), ScheduleEndWord, QString()});
    return rows;
}

std::optional<bool> LightAt(const PeriodSchedule &schedule, qint64 seconds)
{
    for (const ScheduledInstruction &instruction : schedule.instructions) {
        if (seconds >= instruction.at && seconds < instruction.until())
            return instruction.switchOn;
    }
    return std::nullopt;
}

ScheduleDays DaysSpanned(const PeriodSchedule &schedule)
{
    const qint64 from = schedule.start / SecondsPerDay * SecondsPerDay;
    const qint64 days = std::max<qint64>(1, (schedule.end - from + SecondsPerDay - 1) / SecondsPerDay);
    return {from, from + days * SecondsPerDay};
}

} // namespace pellmora::model
