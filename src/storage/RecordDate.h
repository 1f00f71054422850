#pragma once

// The date of a database record, written when a device is appended and read
// back by the calibration as the day of its last programming. Both directions
// use one format: the locale's numeric short date widened to a four-digit year
// (Czech: 07.12.2026), or dd.MM.yyyy where that format is not numeric or would
// be longer than the 10 characters a record's date holds.

#include <QDate>
#include <QLocale>
#include <QString>

namespace pellmora::storage {

QString RecordDateFormat(const QLocale &locale = QLocale::system());
QString FormatRecordDate(QDate date, const QLocale &locale = QLocale::system());
// Reads a date written by FormatRecordDate (also with one-digit day or month);
// a two-digit year means 2000 to 2099. An unreadable text gives an invalid date.
QDate ParseRecordDate(const QString &text, const QLocale &locale = QLocale::system());

} // namespace pellmora::storage
