#pragma once

// The header of a memory image in words, each value as the configuration and
// calibration dialogs show it, read from the header words themselves (not
// from settings derived from them).
//
//   HeaderNameText         the label, up to its trailing zero bytes; a
//                          control character as \xHH
//   HeaderIdText           four upper-case hexadecimal digits, "1111"
//   HeaderStartText        the start-up time "HH:MM"
//   HeaderPeriodsText      the period item of the configuration dialog,
//                          "1 perioda", "rozdělit na 2" ...
//   HeaderFlagsText        the checked options in the dialog's order,
//                          "Uzamkni paměť, + náhodné prodlevy, Zrychlený mód",
//                          or "žádné"
//   CorrectionText         the time-base correction as the calibration
//                          dialog shows it, with the stored constant:
//                          "Zpožďuje se 1 s na den (konstanta 32)"

#include "model/DeviceImage.h"

#include <QString>
#include <QList>
#include <QStringList>

#include <utility>

namespace pellmora::device {

// The labels of the header values, in the order they are listed.
struct HeaderLabels {
    static QString name();     // "Název"
    static QString id();       // "ID"
    static QString start();    // "Začátek"
    static QString periods();  // "Periody"
    static QString flags();    // "Příznaky"
    static QString correction(); // "Korekce"
};

QString HeaderNameText(const model::DeviceImage &image);
QString HeaderIdText(const model::DeviceImage &image);
QString HeaderStartText(const model::DeviceImage &image);
QString HeaderPeriodsText(const model::DeviceImage &image);
QString HeaderFlagsText(const model::DeviceImage &image);
QString HeaderCorrectionText(const model::DeviceImage &image);

QString CorrectionText(quint8 calibrationValue, bool late);

// Label and text of each header value, in the order above.
QList<std::pair<QString, QString>> HeaderTexts(const model::DeviceImage &image);

} // namespace pellmora::device
