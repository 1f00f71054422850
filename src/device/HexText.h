#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

namespace pellmora::device {

// Hexadecimal text as the windows read it: the last character has weight 1,
// each one to its left 16 times more; "0".."9" and upper-case "A".."F" count,
// any other character counts 0 but still takes its position. A number that
// does not fit in 32 bits gives FFFFFFFF: it is never cut down to a small
// number that would pass for a valid one.
quint32 HexTextToNumber(QStringView text);

// `value` in upper-case hexadecimal digits, padded with leading zeros to
// at least `digits` characters.
QString NumberToHexText(quint32 value, int digits);

} // namespace pellmora::device
