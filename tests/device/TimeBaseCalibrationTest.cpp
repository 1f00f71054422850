#include "device/TimeBaseCalibration.h"

#include "model/ProgramHeader.h"

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::device;
using Kind = Recommendation::Kind;
using Period = CalibrationPeriod;

namespace {

TEST(TimeBaseCalibration, SecondsPerPeriodBecomeAByteOfThirtySecondsPerDay)
{
    struct Case {
        int seconds;
        Period period;
        int expected;
    };
    const QList<Case> cases = {
        {0, Period::Day, 0},
        {5, Period::Day, 160},
        {7, Period::Day, 224},     // a day's largest
        {55, Period::Week, 251},   // a week's largest
        {239, Period::Month, 255}, // a month's largest
        {3, Period::Week, 14},     // 13.71 rounds up
        {3, Period::Month, 3},     // 3.2 rounds down
        {100, Period::Month, 107},
        // Typed values beyond the period's limits stay a byte.
        {99, Period::Day, 224},
        {99, Period::Week, 251},
        {-9, Period::Day, 0},
        {-9, Period::Month, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CalibrationFromSeconds(c.seconds, c.period), c.expected) << c.seconds << " per " << int(c.period);
}

TEST(TimeBaseCalibration, StoredValueOpensOnTheCoarsestWholeSecondPeriod)
{
    struct Case {
        int value;
        CalibrationSetting shown;
        int recomputed; // what OK commits after merely opening
    };
    const QList<Case> cases = {
        {0, {0, Period::Month}, 0},
        {4, {3, Period::Month}, 3},
        {5, {1, Period::Week}, 5},
        {31, {6, Period::Week}, 27},
        {32, {1, Period::Day}, 32},
        {100, {3, Period::Day}, 96},
        {255, {7, Period::Day}, 224},
    };
    for (const Case &c : cases) {
        const CalibrationSetting shown = SettingFromCalibration(quint8(c.value));
        EXPECT_EQ(shown, c.shown) << c.value;
        EXPECT_LE(shown.seconds, periodMaximum(shown.period)) << c.value;
        EXPECT_EQ(CalibrationFromSeconds(shown.seconds, shown.period), c.recomputed) << c.value;
    }
}

TEST(TimeBaseCalibration, FlagsWordKeepsItsOtherBits)
{
    EXPECT_EQ(FlagsWithCalibration(0xF0FF, 0x12, false), 0xF012);
    EXPECT_EQ(FlagsWithCalibration(0xF000, 0xA0, true), 0xF8A0);
    EXPECT_EQ(FlagsWithCalibration(0x08FF, 0, false), 0x0000);
    EXPECT_EQ(FlagsWithCalibration(0x0700, 1, true), 0x0F01);
}

TEST(TimeBaseCalibration, RoundingAsksOnlyBetweenTwoFifthsAndNineTenths)
{
    struct Case {
        double drift;
        bool ask;
        int seconds; // when not asking
    };
    const QList<Case> cases = {
        {5.0, false, 5},  {2.2, false, 2},  {2.21, true, 0}, {2.5, true, 0},
        {2.89, true, 0},  {2.9, false, 3},  {6.95, false, 7}, {0.1, false, 0},
        {7.0 * (3.0 / 7.0), false, 3}, // a whole number reached through division
    };
    for (const Case &c : cases) {
        const RoundingDecision decision = DecideRounding(c.drift);
        EXPECT_EQ(decision.ask, c.ask) << c.drift;
        if (!c.ask) {
            EXPECT_EQ(decision.seconds, c.seconds) << c.drift;
        }
    }
    EXPECT_EQ(RoundedSeconds(2.5, true), 3);
    EXPECT_EQ(RoundedSeconds(2.5, false), 2);
}

TEST(TimeBaseCalibration, RoundingQuestionWritesTwoDecimalsWithAPoint)
{
    EXPECT_EQ(RoundingQuestion(2.5, periodWord(Period::Day)),
              QStringLiteral("Vypočtená kalibrační konstanta je : 2.50 sekund na den, přejete si ji:"));
    EXPECT_EQ(RoundingQuestion(1.5, periodWord(Period::Month)),
              QStringLiteral("Vypočtená kalibrační konstanta je : 1.50 sekund na měsíc, přejete si ji:"));
    EXPECT_EQ(RoundingQuestion(4.666666, periodWord(Period::Week)),
              QStringLiteral("Vypočtená kalibrační konstanta je : 4.67 sekund na týden, přejete si ji:"));
}

TEST(TimeBaseCalibration, DriftIsSignedWholeSecondsOfTheTimesOfDay)
{
    struct Case {
        QTime computer;
        QTime device;
        int drift;
    };
    const QList<Case> cases = {
        {QTime(12, 0, 35), QTime(12, 0, 0), 35},            // device behind
        {QTime(12, 0, 0), QTime(12, 0, 3), -3},             // device ahead
        {QTime(12, 0, 0, 999), QTime(12, 0, 0), 0},         // milliseconds dropped
        {QTime(11, 59, 58, 900), QTime(12, 0, 0), -1},      // of the difference
        {QTime(10, 0, 0), QTime(8, 59, 30), 3630},
        {QTime(0, 0, 5), QTime(23, 59, 55), -86390},        // no wrap at midnight
    };
    for (const Case &c : cases)
        EXPECT_EQ(DriftSeconds(c.computer, c.device), c.drift) << c.computer.toString().toStdString();
}

TEST(TimeBaseCalibration, RecommendationPicksThePeriodFromTheDailyRate)
{
    struct Case {
        const char *name;
        int drift;
        int days;
        Kind kind;
        Period period;
        double perPeriod;
        bool late;
    };
    const QList<Case> cases = {
        {"35 s behind in 7 days", 35, 7, Kind::Round, Period::Day, 5.0, true},
        {"10 s behind in 4 days", 10, 4, Kind::Round, Period::Day, 2.5, true},
        {"3 s ahead in 7 days", -3, 7, Kind::Round, Period::Week, 3.0, false},
        {"1 s ahead in 20 days", -1, 20, Kind::Round, Period::Month, 1.5, false},
        {"exactly 7 s a day", 14, 2, Kind::Round, Period::Day, 7.0, true},
        {"more than 7 s a day", 15, 2, Kind::Capped, Period::Day, 0, true},
        {"exactly 1 s a day", -4, 4, Kind::Round, Period::Day, 1.0, false},
        {"exactly 1 s a week", 1, 7, Kind::Round, Period::Week, 1.0, true},
        {"exactly 1 s a month", 1, 30, Kind::Round, Period::Month, 1.0, true},
        {"under 1 s a month", 1, 31, Kind::Unneeded, Period::Day, 0, true},
        {"no drift", 0, 5, Kind::Unneeded, Period::Day, 0, false},
    };
    for (const Case &c : cases) {
        const Recommendation r = Recommend(c.drift, c.days);
        EXPECT_EQ(r.kind, c.kind) << c.name;
        EXPECT_EQ(r.late, c.late) << c.name;
        if (c.kind != Kind::Unneeded) {
            EXPECT_EQ(r.period, c.period) << c.name;
        }
        if (c.kind == Kind::Round) {
            EXPECT_DOUBLE_EQ(r.drift, c.perPeriod) << c.name;
        }
    }
}

TEST(TimeBaseCalibration, AgeSinceProgrammingRefusesWhatGivesNoRate)
{
    const QDate today(2026, 12, 8);
    struct Case {
        QString text;
        QDate date;
        int days;
        QString mentions; // empty: no problem
    };
    const QList<Case> cases = {
        {"01.12.2026", QDate(2026, 12, 1), 7, {}},
        {"07.12.2026", QDate(2026, 12, 7), 1, {}},
        {"", QDate(), 0, noProgrammingDateText()},
        {"32.13.2026", QDate(), 0, "32.13.2026"},
        {"08.12.2026", today, 0, "dnes"},
        {"09.12.2026", QDate(2026, 12, 9), 0, "budoucnosti"},
    };
    for (const Case &c : cases) {
        const ProgrammingAge age = AgeSinceProgramming(c.text, c.date, today);
        EXPECT_EQ(age.days, c.days) << c.text.toStdString();
        if (c.mentions.isEmpty()) {
            EXPECT_TRUE(age.problem.isEmpty()) << c.text.toStdString();
        } else {
            EXPECT_TRUE(age.problem.contains(c.mentions)) << age.problem.toStdString();
        }
    }
}

} // namespace
