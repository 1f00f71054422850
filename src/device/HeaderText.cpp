#include "device/HeaderText.h"

#include "device/DeviceText.h"
#include "device/HexText.h"
#include "device/TimeBaseCalibration.h"

#include "model/Cp1250.h"
#include "model/ProgramHeader.h"

using namespace pellmora::model;

namespace pellmora::device {

namespace {

quint16 flagsWord(const DeviceImage &image)
{
    return image.words[header::FlagsWord];
}

} // namespace

QString HeaderLabels::name() { return deviceText("Název"); }
QString HeaderLabels::id() { return deviceText("ID"); }
QString HeaderLabels::start() { return deviceText("Začátek"); }
QString HeaderLabels::periods() { return deviceText("Periody"); }
QString HeaderLabels::flags() { return deviceText("Příznaky"); }
QString HeaderLabels::correction() { return deviceText("Korekce"); }

QString HeaderNameText(const DeviceImage &image)
{
    // Bytes from a device or a file may be control characters: they are
    // written as \xHH so that no terminal or page acts on them.
    QString text;
    for (QChar ch : RawDeviceName(image)) {
        if (ch.category() == QChar::Other_Control)
            text += QStringLiteral("\\x") + NumberToHexText(quint8(toCp1250(QString(ch)).at(0)), 2);
        else
            text += ch;
    }
    return text;
}

QString HeaderIdText(const DeviceImage &image)
{
    return NumberToHexText(image.words[header::IdWord], 4);
}

QString HeaderStartText(const DeviceImage &image)
{
    const int minutes = image.words[header::StartUpWord];
    return QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString HeaderPeriodsText(const DeviceImage &image)
{
    const int code = (flagsWord(image) & header::PeriodCodeMask) >> header::PeriodCodeShift;
    if (code == 0)
        return deviceText("1 perioda");
    if (IsValidPeriodCode(code))
        return deviceText("rozdělit na %1").arg(PeriodCount(code));
    return deviceText("neplatný kód %1").arg(code);
}

QString HeaderFlagsText(const DeviceImage &image)
{
    const quint16 flags = flagsWord(image);
    QStringList checked;
    if (flags & header::MemoryLockedBit)
        checked << deviceText("Uzamkni paměť");
    if (flags & header::RandomDelaysBit)
        checked << deviceText("+ náhodné prodlevy");
    if (flags & header::FastModeBit)
        checked << deviceText("Zrychlený mód");
    return checked.isEmpty() ? deviceText("žádné") : checked.join(QStringLiteral(", "));
}

QString CorrectionText(quint8 calibrationValue, bool late)
{
    const CalibrationSetting setting = SettingFromCalibration(calibrationValue);
    return deviceText("%1 %2 s na %3 (konstanta %4)")
        .arg(late ? deviceText("Zpožďuje se") : deviceText("Předchází se"))
        .arg(setting.seconds)
        .arg(periodWord(setting.period))
        .arg(calibrationValue);
}

QString HeaderCorrectionText(const DeviceImage &image)
{
    const quint16 flags = flagsWord(image);
    return CorrectionText(static_cast<quint8>(flags & header::CalibrationMask), flags & header::CalibrationLateBit);
}

QList<std::pair<QString, QString>> HeaderTexts(const DeviceImage &image)
{
    return {
        {HeaderLabels::name(), HeaderNameText(image)},
        {HeaderLabels::id(), HeaderIdText(image)},
        {HeaderLabels::start(), HeaderStartText(image)},
        {HeaderLabels::periods(), HeaderPeriodsText(image)},
        {HeaderLabels::flags(), HeaderFlagsText(image)},
        {HeaderLabels::correction(), HeaderCorrectionText(image)},
    };
}

} // namespace pellmora::device
