#pragma once

// The arithmetic of the time-base correction: the drift of the switch's
// clock stated as seconds per day, week or month becomes CalibrationValue
// (1/32 s of drift per day per unit, one byte) and CalibrationLate; a drift
// measured since the last programming becomes a recommended setting.

#include <QDate>
#include <QString>
#include <QTime>
#include <QtGlobal>

namespace pellmora::device {

// The period the drift is stated for, in the order of the dialog's items.
enum class CalibrationPeriod { Day = 0, Week = 1, Month = 2 };

int periodDays(CalibrationPeriod period);       // 1, 7, 30
int periodMaximum(CalibrationPeriod period);    // 7, 55, 239 seconds per period
QString periodWord(CalibrationPeriod period);   // "den", "týden", "měsíc"

// round(seconds / days x 32). Seconds outside 0..periodMaximum are taken
// as the nearest limit, so the result is always a byte.
quint8 CalibrationFromSeconds(int seconds, CalibrationPeriod period);

// What the dialog shows for a stored CalibrationValue: the coarsest period
// in which the drift is at least one whole second, seconds rounded down.
struct CalibrationSetting {
    int seconds = 0;
    CalibrationPeriod period = CalibrationPeriod::Month;
    bool operator==(const CalibrationSetting &) const = default;
};
CalibrationSetting SettingFromCalibration(quint8 calibrationValue);

// The header's flags word with bit 11 := late and bits 0..7 := value; the
// other bits kept.
quint16 FlagsWithCalibration(quint16 flagsWord, quint8 value, bool late);

// Rounding a drift x >= 0 (seconds per period) to whole seconds: a fraction
// up to 0.2 or from 0.9 on rounds to the nearest whole number at once, any
// other asks the user whether to round up or down.
struct RoundingDecision {
    bool ask = false;
    int seconds = 0; // the rounded value when not asking
};
RoundingDecision DecideRounding(double drift);
int RoundedSeconds(double drift, bool up); // whole part, plus 1 when up
// "Vypočtená kalibrační konstanta je : 2.50 sekund na den, přejete si ji:"
QString RoundingQuestion(double drift, const QString &periodWord);

// Drift in whole seconds between the computer's time of day and the
// device's: positive when the device lags behind the computer. Only times of
// day are compared (midnight is not taken into account); the milliseconds of
// the difference are dropped.
int DriftSeconds(QTime computer, QTime device);

// The recommendation for a drift measured over `days` days.
struct Recommendation {
    enum class Kind {
        Capped,     // more than 7 s a day: the largest correction, with its message
        Round,      // `drift` seconds per `period`, to be rounded (DecideRounding)
        Unneeded,   // less than 1 s a month: seconds 0, period unchanged, with its message
    };
    Kind kind = Kind::Unneeded;
    CalibrationPeriod period = CalibrationPeriod::Day;
    double drift = 0;  // seconds per period, for Round
    bool late = false; // the device's clock lags
};
// `days` must be at least 1.
Recommendation Recommend(int driftSeconds, int days);

// The whole days from the last programming date to `today`, or the message
// that says why no rate can be computed from it: no date known (empty text),
// a text that could not be read as a date (`date` invalid), today's date or
// a later one. `dateText` is the date as stored, `date` what was read from it.
struct ProgrammingAge {
    int days = 0;
    QString problem; // empty when days >= 1
};
ProgrammingAge AgeSinceProgramming(const QString &dateText, QDate date, QDate today);

// The dialog's messages.
QString noProgrammingDateText();
QString connectedQuestionText(); // asked with Yes / Abort
QString clockRefusedText();
QString cappedDriftText();
QString preciseTimeBaseText();

} // namespace pellmora::device
