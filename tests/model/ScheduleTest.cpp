#include "model/ProgramHeader.h"
#include "model/Schedule.h"
#include "model/Segment.h"
#include "model/TimelineLayout.h"

#include <gtest/gtest.h>

#include <vector>

using namespace pellmora;
using namespace pellmora::model;

using namespace Qt::StringLiterals;

namespace {

using Words = std::vector<quint16>;

quint16 on(int h, int m, int s)
{
    return BuildInstructionWord(quint16(h * 3600 + m * 60 + s), true);
}

quint16 off(int h, int m, int s)
{
    return BuildInstructionWord(quint16(h * 3600 + m * 60 + s), false);
}

// A program of `periodCode` whose period p holds lists[p], written straight
// into the image as a file or the switch would hold it.
Program programOf(int startUpMinutes, int periodCode, const std::vector<Words> &lists)
{
    Program program;
    ApplyPeriodCode(program, periodCode);
    program.settings.StartUpMinutes = quint16(startUpMinutes);
    for (std::size_t p = 0; p < lists.size(); ++p) {
        const int first = SegmentFirstWord(program.settings, int(p));
        for (std::size_t i = 0; i < lists[p].size(); ++i)
            program.image.words[std::size_t(first) + i] = lists[p][i];
    }
    return program;
}

InstructionFormat formatOf(int code, const char *on = "Rozsviť na", const char *off = "Zhasni na")
{
    InstructionFormat format;
    format.SetCurrentInstrFormat(code, QString::fromUtf8(on), QString::fromUtf8(off));
    return format;
}

std::string rowsText(const QList<ScheduleRow> &rows)
{
    QString text;
    for (const ScheduleRow &row : rows)
        text += row.clock + QLatin1Char('|') + row.state + QLatin1Char('|') + row.delay + QLatin1Char('\n');
    return text.toStdString();
}

} // namespace

TEST(Schedule, ClockTimesOfEachPeriodFromTheStartUpTime)
{
    struct Case {
        const char *what;
        Program program;
        int period;
        InstructionFormat format;
        const char *rows;        // clock|state|delay per row
        const char *endSentence; // the main window's sentence for the same period
    };
    std::vector<Words> eightPeriods(8);
    eightPeriods[0] = {on(1, 0, 0)};
    eightPeriods[5] = {on(0, 30, 0), off(0, 0, 30), on(0, 0, 0)};
    eightPeriods[7] = {off(0, 0, 1), on(2, 0, 0)};
    Words fullSegment(31, on(0, 0, 1)); // 8 periods: 31 words, no end marker
    const Case cases[] = {
        {"chodba", programOf(18 * 60 + 30, 0, {{on(2, 0, 0), off(0, 30, 0), on(0, 0, 5)}}), 0, formatOf(3),
         "18:30:00|Svítí|2:00:00\n20:30:00|Nesvítí|0:30:00\n21:00:00|Svítí|0:00:05\n21:00:05|konec|\n",
         "Konec bude v 21hodin "},
        {"past midnight", programOf(23 * 60, 0, {{on(1, 0, 0), off(0, 59, 59), on(0, 0, 1)}}), 0, formatOf(3),
         "23:00:00|Svítí|1:00:00\n+1d 00:00:00|Nesvítí|0:59:59\n+1d 00:59:59|Svítí|0:00:01\n+1d 01:00:00|konec|\n",
         "Konec bude příší den o půlnoci a 59minut "},
        {"ends at midnight", programOf(22 * 60, 0, {{on(2, 0, 0)}}), 0, formatOf(3),
         "22:00:00|Svítí|2:00:00\n+1d 00:00:00|konec|\n", "Konec bude příší den o půlnoci "},
        {"several days", programOf(20 * 60, 0, {Words(6, on(8, 59, 59))}), 0, formatOf(3),
         "20:00:00|Svítí|8:59:59\n+1d 04:59:59|Svítí|8:59:59\n+1d 13:59:58|Svítí|8:59:59\n"
         "+1d 22:59:57|Svítí|8:59:59\n+2d 07:59:56|Svítí|8:59:59\n+2d 16:59:55|Svítí|8:59:59\n+3d 01:59:54|konec|\n",
         "Konec bude po dalších 3dnech v 1hodinu a 54minut "},
        {"8 periods, the sixth", programOf(6 * 60, 4, eightPeriods), 5, formatOf(3),
         "06:00:00|Svítí|0:30:00\n06:30:00|Nesvítí|0:00:30\n06:30:30|Svítí|0:00:00\n06:30:30|konec|\n",
         "Konec bude v 6hodin a 30minut "},
        {"8 periods, the last", programOf(6 * 60, 4, eightPeriods), 7, formatOf(3),
         "06:00:00|Nesvítí|0:00:01\n06:00:01|Svítí|2:00:00\n08:00:01|konec|\n", "Konec bude v 8hodin "},
        {"8 periods, an empty one", programOf(6 * 60, 4, eightPeriods), 6, formatOf(3), "06:00:00|konec|\n",
         "Konec bude v 6hodin "},
        {"a full segment ends at its last word", programOf(0, 4, {fullSegment, {off(1, 0, 0)}}), 0, formatOf(3),
         nullptr, "Konec bude o půlnoci "},
        {"no instruction at midnight", programOf(0, 0, {}), 0, formatOf(3), "00:00:00|konec|\n",
         "Konec bude o půlnoci "},
        {"wording 1", programOf(60, 0, {{on(0, 0, 5), off(0, 1, 0)}}), 0, formatOf(1),
         "01:00:00|On|0:00:05\n01:00:05|Off|0:01:00\n01:01:05|konec|\n", "Konec bude v 1hodinu a 1minutu "},
        {"wording 2", programOf(60, 0, {{on(0, 0, 5), off(0, 1, 0)}}), 0, formatOf(2),
         "01:00:00|Zapnuto|0:00:05\n01:00:05|Vypnuto|0:01:00\n01:01:05|konec|\n", "Konec bude v 1hodinu a 1minutu "},
        {"wording 4", programOf(60, 0, {{on(0, 0, 5), off(0, 1, 0)}}), 0, formatOf(4),
         "01:00:00|Rozsviť na|0:00:05\n01:00:05|Zhasni na|0:01:00\n01:01:05|konec|\n",
         "Konec bude v 1hodinu a 1minutu "},
        {"wording 4, a word of 15 characters", programOf(60, 0, {{on(0, 0, 5)}}), 0,
         formatOf(4, "Světlo plné 150", "x"), "01:00:00|Světlo plné 150|0:00:05\n01:00:05|konec|\n",
         "Konec bude v 1hodinu "},
        // Bytes from a file or a switch: a start-up time beyond 23:59 and a
        // delay beyond what the delay field takes.
        {"untrusted header and delay", programOf(1500, 0, {{0x7FFF}}), 0, formatOf(3),
         "+1d 01:00:00|Nesvítí|9:06:07\n+1d 10:06:07|konec|\n", "Konec bude příší den v 10hodin a 6minut "},
    };
    for (const Case &c : cases) {
        const PeriodSchedule schedule = SchedulePeriod(c.program, c.period);
        if (c.rows)
            EXPECT_EQ(rowsText(ScheduleRows(schedule, c.format)), c.rows) << c.what;
        else
            EXPECT_EQ(schedule.instructions.size(), 31) << c.what;
        EXPECT_EQ(schedule.endSentence.toStdString(), c.endSentence) << c.what;
        EXPECT_EQ(schedule.period, c.period) << c.what;
    }
}

TEST(Schedule, EveryPeriodOnItsOwnWithTheRandomDelaysFlag)
{
    std::vector<Words> lists(4);
    lists[0] = {on(1, 0, 0)};
    lists[2] = {off(0, 10, 0), on(0, 5, 0)};
    Program program = programOf(17 * 60, 2, lists);
    program.settings.RandomDelays = true;

    const QList<PeriodSchedule> schedules = ProgramSchedule(program);
    ASSERT_EQ(schedules.size(), 4);
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(schedules[p].period, p);
        EXPECT_EQ(schedules[p].start, 17 * 3600);
        EXPECT_EQ(schedules[p].instructions.size(), qsizetype(lists[std::size_t(p)].size()));
        EXPECT_TRUE(schedules[p].randomDelays);
    }
    EXPECT_EQ(schedules[2].end, 17 * 3600 + 15 * 60);
    EXPECT_EQ(schedules[1].end, schedules[1].start);
}

TEST(Schedule, LightAtATimeFollowsTheInstructionRunning)
{
    // 10:00 on 1 h, off 30 min, on 0 s (never seen), off 1 s.
    const PeriodSchedule schedule =
        SchedulePeriod(programOf(600, 0, {{on(1, 0, 0), off(0, 30, 0), on(0, 0, 0), off(0, 0, 1)}}), 0);
    const qint64 start = 10 * 3600;
    const std::pair<qint64, std::optional<bool>> cases[] = {
        {start - 1, std::nullopt}, {start, true},           {start + 3599, true},
        {start + 3600, false},     {start + 5399, false},   {start + 5400, false},
        {start + 5401, std::nullopt}, {start + SecondsPerDay, std::nullopt},
    };
    for (const auto &[at, expected] : cases)
        EXPECT_EQ(LightAt(schedule, at), expected) << at;
}

// The timeline's bar covers the whole days of the period; its spans stand
// where their times fall in those days (in hours from the bar's first
// midnight here); its labels keep a room of 30 units apart on a bar of the
// width given, every hour has a tick while an hour is 2 units wide and the
// grid a line while it is 4 units wide.
TEST(Schedule, TimelineCoversTheWholeDaysOfThePeriod)
{
    const struct {
        const char *what;
        Program program;
        qint64 fromDay, toDay;
        const char *spans; // "start S: from-to on|off, ..." in hours of the bar
        double barWidth;
        const char *labels;
        int ticks;
        int gridLines;
    } cases[] = {
        {"one evening", programOf(18 * 60 + 30, 0, {{on(2, 0, 0), off(0, 30, 0), on(0, 0, 5)}}), 0, 1,
         "start 18.5: 18.5-20.5 on, 20.5-21 off, 21-21.0014 on", 640, "0 2 4 6 8 10 12 14 16 18 20 22 +1d", 25, 23},
        {"no instruction", programOf(18 * 60, 0, {}), 0, 1, "start 18:", 100, "0 12 +1d", 25, 23},
        {"ends at midnight, labels just fit", programOf(22 * 60, 0, {{on(2, 0, 0)}}), 0, 1, "start 22: 22-24 on", 60,
         "0 12 +1d", 25, 1},
        {"a second past midnight, midnights only", programOf(22 * 60, 0, {{on(2, 0, 1)}}), 0, 2,
         "start 22: 22-24.0003 on", 48, "0 +2d", 3, 0},
        {"several days", programOf(20 * 60, 0, {Words(3, on(8, 59, 59))}), 0, 2,
         "start 20: 20-28.9997 on, 28.9997-37.9994 on, 37.9994-46.9992 on", 320,
         "0 6 12 18 +1d 6 12 18 +2d", 49, 47},
        {"start-up beyond 23:59", programOf(1500, 0, {{on(0, 10, 0)}}), 1, 2, "start 1: 1-1.16667 on", 240,
         "+1d 3 6 9 12 15 18 21 +2d", 25, 23},
    };
    for (const auto &c : cases) {
        const PeriodSchedule schedule = SchedulePeriod(c.program, 0);
        const ScheduleDays days = DaysSpanned(schedule);
        EXPECT_EQ(days, (ScheduleDays{c.fromDay * SecondsPerDay, c.toDay * SecondsPerDay})) << c.what;

        const TimelineLayout layout(schedule);
        EXPECT_EQ(layout.days(), days) << c.what;
        const auto hoursOf = [&](double fraction) { return QString::number(fraction * double(layout.hours())); };
        QStringList spans;
        for (const TimelineSpan &span : layout.spans())
            spans << hoursOf(span.left) + QLatin1Char('-') + hoursOf(span.right) + (span.lit ? u" on"_s : u" off"_s);
        EXPECT_EQ((u"start "_s + hoursOf(layout.startX()) + u": "_s + spans.join(u", "_s)).trimmed().toStdString(),
                  c.spans)
            << c.what;

        const TimelineWidths widths{c.barWidth, 30};
        const QList<TimelineTick> ticks = layout.ticks(widths, 2);
        QStringList labels;
        for (const TimelineTick &tick : ticks) {
            if (!tick.label.isEmpty())
                labels << tick.label;
        }
        EXPECT_EQ(labels.join(QLatin1Char(' ')).toStdString(), c.labels) << c.what;
        EXPECT_EQ(ticks.size(), c.ticks) << c.what;
        EXPECT_EQ(layout.gridLines(widths, 4).size(), c.gridLines) << c.what;
    }
}
