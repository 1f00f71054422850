#pragma once

// The date of a database record, written when a device is appended and read
// back by the calibration as the day of its last programming. The program
// writes every date it shows or stores in one format, DateFormat (07.12.2026),
// whatever the machine's locale. Records written before in the locale's own
// numeric short date (widened to a four-digit year) are still read.

#include <QDate>
#include <QLocale>
#include <QString>

namespace pellmora::storage {

inline constexpr char DateFormat[] = "dd.MM.yyyy";

// The locale's numeric short date widened to a four-digit year, or DateFormat
// where that format is not numeric or longer than a record's 10 characters.
QString RecordDateFormat(const QLocale &locale = QLocale::system());
QString FormatRecordDate(QDate date);
// Reads a date in DateFormat or in the locale's RecordDateFormat (also with
// one-digit day or month); a two-digit year means 2000 to 2099. An unreadable
// text gives an invalid date.
QDate ParseRecordDate(const QString &text, const QLocale &locale = QLocale::system());

} // namespace pellmora::storage
