#pragma once

// What to point out before a program goes into the switch: settings left on
// by mistake and parts of the program that are missing. Each finding is one
// sentence; no finding means nothing to ask.
//
//   ProgramFindings(program, savedInFile)   in this order: the fast clock is
//       on; the program has no instruction at all, or else each empty period
//       of a program of several periods; the switch has no name; the program
//       differs from its file (savedInFile false).
//   FindingsQuestion(findings)              the one question before
//       programming: each finding on a line of its own, then "Programovat
//       přesto?"; empty when there is no finding (nothing to ask).

#include "model/Program.h"

#include <QString>
#include <QStringList>

namespace pellmora::model {

namespace check_text {
inline const QString FastMode = QStringLiteral("Je zapnut zrychlený mód: hodiny spínače poběží 60x rychleji.");
inline const QString NoInstruction = QStringLiteral("Program neobsahuje žádnou instrukci.");
QString EmptyPeriod(int period); // "Perioda N nemá žádnou instrukci.", N from 1
inline const QString NoName = QStringLiteral("Spínač nemá název.");
inline const QString NotSaved = QStringLiteral("Program není uložen v souboru.");
inline const QString ProgramAnyway = QStringLiteral("Programovat přesto?");
} // namespace check_text

QStringList ProgramFindings(const Program &program, bool savedInFile);
QString FindingsQuestion(const QStringList &findings);

} // namespace pellmora::model
