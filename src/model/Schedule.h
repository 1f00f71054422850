#pragma once

// The day's schedule of each period: when the light switches and for how
// long, as clock times.
//
// The instructions of a period run in order from the start-up time: the
// first switches at StartUpMinutes, each following one when the delay of the
// one before has passed, and the period ends when the last delay has passed,
// to the second. Times are counted in seconds from midnight of the start-up
// day, so a time of 86400 or more falls on one of the following days. Each
// period is scheduled on its own from the start-up time; how the switch
// chains periods or stretches delays at random lies in the switch, so a
// schedule with random delays only says so ("+ náhodné prodlevy").
//
//   SchedulePeriod(program, period)   one period (0-based) of the program's
//                                     settings and image.
//   ProgramSchedule(program)          every period, in order.
//   ScheduleRows(schedule, format)    the texts of a schedule table: one row
//                                     per instruction and the end row.
//   LightAt(schedule, t)              the light at second t, nothing before
//                                     the start or from the end on.
//   DaysSpanned(schedule)             the whole days a period's timeline
//                                     covers.

#include "model/InstructionFormat.h"
#include "model/Program.h"

#include <QList>
#include <QString>

#include <optional>

namespace pellmora::model {

constexpr qint64 SecondsPerDay = 24 * 3600;

inline const QString ScheduleEndWord = QStringLiteral("konec");
inline const QString RandomDelaysText = QStringLiteral("+ náhodné prodlevy");

struct ScheduledInstruction {
    qint64 at = 0; // seconds from midnight of the start-up day
    bool switchOn = false;
    int delaySeconds = 0;

    qint64 until() const { return at + delaySeconds; }
    bool operator==(const ScheduledInstruction &) const = default;
};

struct PeriodSchedule {
    int period = 0;     // 0-based
    qint64 start = 0;   // the start-up time, seconds from midnight
    qint64 end = 0;     // when the last delay has passed
    QList<ScheduledInstruction> instructions;
    bool randomDelays = false;
    QString endSentence; // "Konec bude ..." of the period, as the main window words it
    bool operator==(const PeriodSchedule &) const = default;
};

PeriodSchedule SchedulePeriod(const Program &program, int period);
QList<PeriodSchedule> ProgramSchedule(const Program &program);

// "HH:MM:SS", preceded by "+Nd " when the time falls N >= 1 days after the
// start-up day.
QString ScheduleClockText(qint64 seconds);
// "h:mm:ss".
QString ScheduleDelayText(int seconds);
// The wording's word for a light state, without its trailing blank.
QString StateWord(bool switchOn, const InstructionFormat &format);

struct ScheduleRow {
    QString clock; // ScheduleClockText
    QString state; // StateWord, or "konec" in the end row
    QString delay; // ScheduleDelayText, empty in the end row
    bool operator==(const ScheduleRow &) const = default;
};
QList<ScheduleRow> ScheduleRows(const PeriodSchedule &schedule, const InstructionFormat &format);

std::optional<bool> LightAt(const PeriodSchedule &schedule, qint64 seconds);

// From the midnight before the start to the first midnight at or after the
// end, one day at the least; seconds from midnight of the start-up day.
struct ScheduleDays {
    qint64 from = 0;
    qint64 to = SecondsPerDay;
    qint64 days() const { return (to - from) / SecondsPerDay; }
    bool operator==(const ScheduleDays &) const = default;
};
ScheduleDays DaysSpanned(const PeriodSchedule &schedule);

} // namespace pellmora::model
