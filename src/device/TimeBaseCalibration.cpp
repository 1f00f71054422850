#include "device/TimeBaseCalibration.h"

#include "device/DeviceText.h"
#include "model/ProgramHeader.h"

#include <cmath>
#include <cstdlib>

using namespace pellmora::model;

namespace pellmora::device {

namespace {

// One unit of CalibrationValue is 1/32 s of drift per day.
constexpr int UnitsPerSecond = 32;
constexpr int MaxSecondsPerDay = 7;
// Fractions this close to a limit count as on it, so that a drift such as
// 7 x (3/7) seconds is taken as the whole number it stands for.
constexpr double FractionTolerance = 1e-9;
constexpr double RoundDownBelow = 0.2;
constexpr double RoundUpFrom = 0.9;

} // namespace

int periodDays(CalibrationPeriod period)
{
    switch (period) {
    case CalibrationPeriod::Day:
        return 1;
    case CalibrationPeriod::Week:
        return 7;
    case CalibrationPeriod::Month:
        return 30;
    }
    return 1;
}

int periodMaximum(CalibrationPeriod period)
{
    switch (period) {
    case CalibrationPeriod::Day:
        return MaxSecondsPerDay;
    case CalibrationPeriod::Week:
        return 55;
    case CalibrationPeriod::Month:
        return 239;
    }
    return MaxSecondsPerDay;
}

QString periodWord(CalibrationPeriod period)
{
    switch (period) {
    case CalibrationPeriod::Day:
        return deviceText("den");
    case CalibrationPeriod::Week:
        return deviceText("týden");
    case CalibrationPeriod::Month:
        return deviceText("měsíc");
    }
    return {};
}

quint8 CalibrationFromSeconds(int seconds, CalibrationPeriod period)
{
    const int bounded = qBound(0, seconds, periodMaximum(period));
    const long units = std::lround(double(bounded) * UnitsPerSecond / periodDays(period));
    return quint8(qBound(0L, units, 255L));
}

CalibrationSetting SettingFromCalibration(quint8 calibrationValue)
{
    const int c = calibrationValue;
    if (c >= UnitsPerSecond)
        return {c / UnitsPerSecond, CalibrationPeriod::Day};
    if (7 * c >= UnitsPerSecond)
        return {7 * c / UnitsPerSecond, CalibrationPeriod::Week};
    return {30 * c / UnitsPerSecond, CalibrationPeriod::Month};
}

quint16 FlagsWithCalibration(quint16 flagsWord, quint8 value, bool late)
{
    quint16 flags = flagsWord & ~(header::CalibrationLateBit | header::CalibrationMask);
    if (late)
        flags |= header::CalibrationLateBit;
    return quint16(flags | value);
}

RoundingDecision DecideRounding(double drift)
{
    const double fraction = drift - std::floor(drift);
    if (fraction <= RoundDownBelow + FractionTolerance || fraction >= RoundUpFrom - FractionTolerance)
        return {false, int(std::lround(drift))};
    return {true, 0};
}

int RoundedSeconds(double drift, bool up)
{
    const int whole = int(std::floor(drift));
    return up ? whole + 1 : whole;
}

QString RoundingQuestion(double drift, const QString &word)
{
    // Always a point as the decimal separator, whatever the locale.
    return deviceText("Vypočtená kalibrační konstanta je : %1 sekund na %2, přejete si ji:")
        .arg(QString::number(drift, 'f', 2), word);
}

int DriftSeconds(QTime computer, QTime device)
{
    const int milliseconds = device.msecsTo(computer);
    const int seconds = std::abs(milliseconds) / 1000;
    return milliseconds < 0 ? -seconds : seconds;
}

Recommendation Recommend(int driftSeconds, int days)
{
    Recommendation result;
    result.late = driftSeconds > 0;
    // The rate a = |drift| / days compared in whole numbers, so that a rate
    // of exactly 1 s per day, week or month falls on the right side.
    const qint64 drift = std::abs(qint64(driftSeconds));
    const qint64 n = qMax(days, 1);
    const auto round = [&](CalibrationPeriod period) {
        result.kind = Recommendation::Kind::Round;
        result.period = period;
        result.drift = double(drift * periodDays(period)) / double(n);
    };
    if (drift > MaxSecondsPerDay * n) {
        result.kind = Recommendation::Kind::Capped;
        result.period = CalibrationPeriod::Day;
    } else if (drift >= n) {
        round(CalibrationPeriod::Day);
    } else if (7 * drift >= n) {
        round(CalibrationPeriod::Week);
    } else if (30 * drift >= n) {
        round(CalibrationPeriod::Month);
    } else {
        result.kind = Recommendation::Kind::Unneeded;
    }
    return result;
}

ProgrammingAge AgeSinceProgramming(const QString &dateText, QDate date, QDate today)
{
    if (dateText.isEmpty())
        return {0, noProgrammingDateText()};
    if (!date.isValid()) {
        return {0, deviceText("Datum posledního programování „%1“ nedokážu přečíst, a tak vám doporučenou "
                              "kalibraci nespočítám. Otevřete zařízení znovu z databáze.")
                       .arg(dateText)};
    }
    const qint64 days = date.daysTo(today);
    if (days == 0) {
        return {0, deviceText("Zařízení bylo naposledy programováno dnes (%1), takže ještě nelze zjistit, "
                              "o kolik se jeho hodiny za den odchylují. Doporučenou kalibraci vám nabídnu "
                              "nejdříve zítra.")
                       .arg(dateText)};
    }
    if (days < 0) {
        return {0, deviceText("Datum posledního programování %1 leží v budoucnosti, takže z něj doporučenou "
                              "kalibraci nespočítám. Zkontrolujte datum v počítači.")
                       .arg(dateText)};
    }
    return {int(qMin<qint64>(days, 1'000'000'000)), {}};
}

QString noProgrammingDateText()
{
    return deviceText("Nemohu vám nabídnout doporučenou kalibraci, poněvadž neznám kdy bylo naposledy zařízení "
                      "programováno.! ČTĚTE DÁL ! Datum se uchovává pouze v databázi, takže to svoje "
                      "zařízeníčko otevřete z databáze, ovšem pokud se tam nalézá.");
}

QString connectedQuestionText()
{
    return deviceText("Doufám že zařízení je stále připojeno na \"pupeční šňůru\", pokud ne moc ti toho s "
                      "kalibrací neporadím - potřebuji získat SYSTÉMOVÝ čas. TAK JE NEBO NE ? ");
}

QString clockRefusedText()
{
    return deviceText("PICmikráček se trošku vzpouzí - nechce posílat ACK, nebo je chyba na vaší straně, možná "
                      "i na mojí. (kontoluj připojení, uprav přenosovou rychlost)");
}

QString cappedDriftText()
{
    return deviceText("Promiňte, že jsem tak sprostý, ale \"uchcává\" to vo tolik, že snad radši nastavte co "
                      "největší možno kalibraci, no to vlastně udělám já.. a změňte čas");
}

QString preciseTimeBaseText()
{
    return deviceText("Časová základna je natolik přesná že neportřebuje kalibrovati, ovšem jestli jste před "
                      "touto operací nastavily nový čas, pak se není čemu divit, že?...");
}

} // namespace pellmora::device
