#include "model/TimelineLayout.h"

namespace pellmora::model {

namespace {

constexpr qint64 SecondsPerHour = 3600;

} // namespace

TimelineLayout::TimelineLayout(const PeriodSchedule &schedule) : days_(DaysSpanned(schedule)), start_(schedule.start)
{
    for (const ScheduledInstruction &instruction : schedule.instructions) {
        spans_.append({instruction.at, instruction.until(), instruction.switchOn, xOf(instruction.at),
                       xOf(instruction.until())});
    }
}

double TimelineLayout::xOf(qint64 seconds) const
{
    return double(seconds - days_.from) / double(days_.to - days_.from);
}

double TimelineLayout::hourWidth(const TimelineWidths &widths) const
{
    return widths.bar / double(hours());
}

int TimelineLayout::labelStep(const TimelineWidths &widths) const
{
    const double hour = hourWidth(widths);
    for (int step : {1, 2, 3, 4, 6, 12, 24, 48, 96, 168, 336, 720, 1440}) {
        if (step * hour >= widths.label)
            return step;
    }
    return 2880;
}

QString TimelineLayout::hourLabel(qint64 hour) const
{
    const qint64 day = days_.from / SecondsPerDay + hour / 24;
    if (hour % 24 == 0 && day > 0)
        return QStringLiteral("+%1d").arg(day);
    return QString::number(hour % 24);
}

QList<TimelineTick> TimelineLayout::ticks(const TimelineWidths &widths, double tickHourWidth) const
{
    const bool everyHour = hourWidth(widths) >= tickHourWidth;
    const int step = labelStep(widths);
    QList<TimelineTick> result;
    for (qint64 hour = 0; hour <= hours(); ++hour) {
        const bool midnight = hour % 24 == 0;
        if (!midnight && !everyHour)
            continue;
        const QString label = hour % step == 0 ? hourLabel(hour) : QString();
        result.append({hour, xOf(days_.from + hour * SecondsPerHour), midnight, label});
    }
    return result;
}

QList<double> TimelineLayout::gridLines(const TimelineWidths &widths, double everyHourWidth) const
{
    const int step = hourWidth(widths) >= everyHourWidth ? 1 : labelStep(widths);
    QList<double> lines;
    for (qint64 hour = step; hour < hours(); hour += step)
        lines.append(xOf(days_.from + hour * SecondsPerHour));
    return lines;
}

} // namespace pellmora::model
