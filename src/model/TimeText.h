#pragma once

// Czech time texts: instruction wording, the two masked time fields and the
// end-of-period sentence.
//
//   InstructionText(word, format)     "Svítí 1hod 30min " etc.
//   FillInstructionList(program, format)   item texts of the current
//                                     segment; sets InstructionCount.
//   NormaliseTwoPositions(text)       "  " -> "00", "5 " -> "50", " 5" -> "5".
//   ParseDelay(text)                  the delay field " :  :  " -> display
//                                     texts of hours, minutes, seconds and the
//                                     delay in seconds.
//   CorrectDelayField / CorrectStartUpField
//                                     the change rules of the two fields: put
//                                     back the remembered character where a
//                                     digit is impossible, move the caret,
//                                     remember the accepted characters; the
//                                     other digits stay where they were typed.
//   StartUpMinutesOf(text)            minutes after midnight of "HH:MM".
//   StartUpFieldText(minutes)         the field text showing a start-up time.
//   UpdateEndTime(program)            "Konec bude ..." for the current segment.
//   EndTimeSentence(totalMinutes)     the same for a total in minutes.

#include "model/InstructionFormat.h"
#include "model/Program.h"

#include <QString>
#include <QStringList>

namespace pellmora::model {

inline const QString EmptyDelayText = QStringLiteral(" :  :  ");
inline const QString EmptyStartUpText = QStringLiteral("  :  ");

QString InstructionText(quint16 word, const InstructionFormat &format);
QStringList FillInstructionList(Program &program, const InstructionFormat &format);

QString NormaliseTwoPositions(QStringView twoPositions);

struct DelayParts {
    QString hoursText;   // "1hod " or empty
    QString minutesText; // "30min " or empty
    QString secondsText; // "5s " or empty
    quint16 seconds = 0;
    QString display() const { return hoursText + minutesText + secondsText; }
    bool operator==(const DelayParts &) const = default;
};

DelayParts ParseDelay(const QString &delayText);

// The field as the user left it and what the field remembers of it.
struct FieldEdit {
    QString text;
    int caret = 0;
    QString remembered; // one character per watched position
    bool operator==(const FieldEdit &) const = default;
};

// Watched positions (0-based): hours 0, tens of minutes 2, tens of seconds 5.
inline const QString BlankDelayMemory = QStringLiteral("   ");
FieldEdit CorrectDelayField(const FieldEdit &edit);

// Watched positions (0-based): hours 0 and 1, tens of minutes 3; remembered
// are the characters of the last time the field held. `shownBefore` is the
// text the field showed before this change: it tells a units digit of the
// hour just typed from a tens digit typed over it. A tens digit of 2 typed
// over a units digit above 3 is taken as typed and leaves the hour pending
// (StartUpHourPending) until a units digit completes it; a units digit that
// makes the hour 24 or more is refused, with a pending tens digit.
inline const QString BlankStartUpMemory = QStringLiteral("   ");
FieldEdit CorrectStartUpField(const FieldEdit &edit, const QString &shownBefore = EmptyStartUpText);
// The hour is 24 to 29: the field holds no time yet.
bool StartUpHourPending(const QString &startUpText);
// The user left the field: a pending hour gives way to the remembered one.
FieldEdit FinishStartUpField(const FieldEdit &edit);

quint16 StartUpMinutesOf(const QString &startUpText);
QString StartUpFieldText(quint16 minutes);

QString EndTimeSentence(int totalMinutes);
QString UpdateEndTime(const Program &program);

} // namespace pellmora::model
