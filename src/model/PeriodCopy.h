#pragma once

// Copying the instructions of one period to another period or to all the
// others. A target's segment becomes the source's list followed by its end
// marker, the rest of the segment zero; the source and every other word of
// the image stay as they are.
//
//   CheckPeriodCopy(program, source, target)  what a copy would do: the
//                                      periods written, those among them that
//                                      hold instructions (the window asks
//                                      before replacing them), and the reason
//                                      it cannot be done, if any.
//   CopyPeriod(program, source, target)  the copy, all targets or none.
//
// target is a period (0-based) or AllOtherPeriods. A list that leaves its
// segment no room for the end marker (a segment that came full from a file
// or a device) is refused with the message of a full segment.

#include "model/Program.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace pellmora::model {

constexpr int AllOtherPeriods = -1;

namespace period_copy_text {
inline const QString OnePeriodOnly =
    QStringLiteral("Program má jen jednu periodu, není kam kopírovat. Periody se nastavují v Konfiguraci.");
inline const QString NoTarget = QStringLiteral("Není kam kopírovat.");
inline const QString AllOthers = QStringLiteral("všechny ostatní");
} // namespace period_copy_text

struct PeriodCopyCheck {
    QList<int> targets;  // the periods written, 0-based
    QList<int> replaced; // those of them that hold instructions now
    QString refusal;     // empty: the copy can be done
};

PeriodCopyCheck CheckPeriodCopy(const Program &program, int source, int target);
bool CopyPeriod(Program &program, int source, int target);

// The choices offered for a copy from `source`: every other period, then all
// others; `targets` receives the target of each choice.
QStringList PeriodCopyChoices(const ProgramSettings &settings, int source, QList<int> *targets);
// The question before instructions are replaced, naming the periods (1-based).
QString PeriodCopyReplaceQuestion(const QList<int> &replaced);
// The info line after a copy.
QString PeriodCopyDone(int source, int target);

} // namespace pellmora::model
