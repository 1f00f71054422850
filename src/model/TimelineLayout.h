#pragma once

// The geometry of a period's timeline, the same on the screen and on paper:
// a bar over the whole days the period spans (DaysSpanned), its lit and dark
// spans, the start-up mark, and the hour ticks under it with their labels.
// Places along the bar are fractions of its width, 0 at the first midnight
// and 1 at the last; the painters scale them to their own units.
//
// Which ticks and labels fit depends on how wide the bar is against a
// label; the painters measure both in their own units (pixels, device
// units) and pass them as TimelineWidths.
//
//   TimelineLayout(schedule)       the layout of one period's schedule.
//   xOf(seconds)                   where a time falls on the bar.
//   spans()                        one span per instruction, in order.
//   ticks(widths, tickHourWidth)   the hour ticks and their labels.
//   gridLines(widths, ...)         the lines of the hour grid.

#include "model/Schedule.h"

#include <QList>
#include <QString>

namespace pellmora::model {

// Widths in the painter's own unit.
struct TimelineWidths {
    double bar = 0;   // the whole bar
    double label = 0; // the room one hour label needs, its gaps included
};

struct TimelineSpan {
    qint64 from = 0; // seconds from midnight of the start-up day
    qint64 to = 0;
    bool lit = false;
    double left = 0; // fractions of the bar's width
    double right = 0;
    bool operator==(const TimelineSpan &) const = default;
};

struct TimelineTick {
    qint64 hour = 0; // hours from the bar's first midnight
    double x = 0;    // fraction of the bar's width
    bool midnight = false;
    QString label;   // the hour of the day, "+Nd" at the midnight N days on; empty when unlabelled
    bool operator==(const TimelineTick &) const = default;
};

class TimelineLayout {
public:
    explicit TimelineLayout(const PeriodSchedule &schedule = {});

    const ScheduleDays &days() const { return days_; }
    qint64 hours() const { return days_.days() * 24; }
    double xOf(qint64 seconds) const;
    double startX() const { return xOf(start_); }
    const QList<TimelineSpan> &spans() const { return spans_; }

    // Hours between two labels, so that every label keeps its room; beyond
    // a day or two only some midnights are labelled.
    int labelStep(const TimelineWidths &widths) const;
    // A tick at every midnight, and at every other hour while an hour is at
    // least tickHourWidth wide; a label at every labelStep() hours.
    QList<TimelineTick> ticks(const TimelineWidths &widths, double tickHourWidth) const;
    // The hour grid inside the bar (its ends excluded): a line every hour
    // while an hour is at least everyHourWidth wide, else one at each label.
    QList<double> gridLines(const TimelineWidths &widths, double everyHourWidth) const;

private:
    double hourWidth(const TimelineWidths &widths) const;
    QString hourLabel(qint64 hour) const;

    ScheduleDays days_;
    qint64 start_ = 0;
    QList<TimelineSpan> spans_;
};

} // namespace pellmora::model
