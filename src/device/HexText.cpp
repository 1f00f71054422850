#include "device/HexText.h"

namespace pellmora::device {

namespace {

quint32 hexDigitValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return 0; // lower case and anything else count 0 but keep their position
}

} // namespace

quint32 HexTextToNumber(QStringView text)
{
    constexpr quint32 Largest = 0xFFFFFFFF;
    quint32 number = 0;
    for (QChar c : text) {
        if (number > Largest / 16)
            return Largest;
        number = number * 16 + hexDigitValue(c);
    }
    return number;
}

QString NumberToHexText(quint32 value, int digits)
{
    return QString::number(value, 16).toUpper().rightJustified(digits, u'0');
}

} // namespace pellmora::device
