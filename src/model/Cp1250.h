#pragma once

// Code page 1250, the one-byte character set of the device label and of the
// files the program shares with the installer's machines.
//
//   fromCp1250(bytes)        every byte gives exactly one character; the five
//                            byte values the code page leaves undefined (0x81,
//                            0x83, 0x88, 0x90, 0x98) give U+0081 ... U+0098, so
//                            any byte string converts back unchanged.
//   toCp1250(text, &ok)      one byte per character; ok turns false when a
//                            character has no byte (it is written as '?').
//   cp1250CanHold(ch)        whether `ch` has a byte in the code page.

#include <QByteArray>
#include <QChar>
#include <QString>

namespace pellmora::model {

QString fromCp1250(const QByteArray &bytes);
QByteArray toCp1250(const QString &text, bool *ok = nullptr);
bool cp1250CanHold(QChar ch);
bool cp1250CanHold(const QString &text);

} // namespace pellmora::model
