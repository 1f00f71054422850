#include "model/TimeText.h"

#include "model/Segment.h"

namespace pellmora::model {

namespace {

// Positions of the delay field "h:mm:ss" and of the start-up field "hh:mm".
constexpr int DelayLength = 7;
constexpr int DelayHours = 0;
constexpr int DelayMinutes = 2;
constexpr int DelaySecondsPos = 5;
constexpr int StartUpLength = 5;
constexpr int StartUpHours = 0;
constexpr int StartUpMinutesPos = 3;

QString timePart(int value, const char *unit)
{
    return value == 0 ? QString() : QString::number(value) + QLatin1String(unit);
}

// The field text as a masked edit of `length` positions holds it: digits and
// blanks, separators where the mask puts them. Anything else reads as blank.
QString fieldText(const QString &text, const QString &empty)
{
    QString result = empty;
    for (int i = 0; i < empty.size() && i < text.size(); ++i) {
        if (empty[i] == QLatin1Char(' ') && text[i].isDigit() && text[i].unicode() < 0x80)
            result[i] = text[i];
    }
    return result;
}

QString threeChars(QChar a, QChar b, QChar c)
{
    const QChar chars[] = {a, b, c};
    return QString(chars, 3);
}

QString memory(const QString &remembered)
{
    return remembered.size() == 3 ? remembered : QStringLiteral("   ");
}

// A value of the field: an unfilled position and a typed 0 read alike.
int digitValue(QChar ch)
{
    return ch.isDigit() ? ch.digitValue() : 0;
}

} // namespace

QString InstructionText(quint16 word, const InstructionFormat &format)
{
    const int s = DelaySeconds(word);
    return format.WordFor(IsSwitchOn(word)) + timePart(s / 3600, "hod ")
        + timePart(s % 3600 / 60, "min ") + timePart(s % 60, "s ");
}

QStringList FillInstructionList(Program &program, const InstructionFormat &format)
{
    QStringList items;
    for (quint16 word : SegmentWords(program))
        items.append(InstructionText(word, format));
    program.settings.InstructionCount = static_cast<quint16>(items.size());
    return items;
}

QString NormaliseTwoPositions(QStringView twoPositions)
{
    const QChar tens = twoPositions.size() > 0 ? twoPositions[0] : QLatin1Char(' ');
    const QChar units = twoPositions.size() > 1 ? twoPositions[1] : QLatin1Char(' ');
    const int value = 10 * digitValue(tens) + digitValue(units);
    return value == 0 ? QStringLiteral("00") : QString::number(value);
}

DelayParts ParseDelay(const QString &delayText)
{
    const QString text = fieldText(delayText, EmptyDelayText);
    const int hours = digitValue(text[DelayHours]);
    const int minutes = NormaliseTwoPositions(QStringView(text).mid(DelayMinutes, 2)).toInt();
    const int seconds = NormaliseTwoPositions(QStringView(text).mid(DelaySecondsPos, 2)).toInt();
    DelayParts parts;
    parts.hoursText = timePart(hours, "hod ");
    parts.minutesText = timePart(minutes, "min ");
    parts.secondsText = timePart(seconds, "s ");
    parts.seconds = static_cast<quint16>(3600 * hours + 60 * minutes + seconds);
    return parts;
}

FieldEdit CorrectDelayField(const FieldEdit &edit)
{
    FieldEdit out{fieldText(edit.text, EmptyDelayText), edit.caret, memory(edit.remembered)};
    QString &t = out.text;
    const QString &r = out.remembered;
    if (t[DelayMinutes] > QLatin1Char('5')) {
        t[DelayMinutes] = r[1];
        out.caret = DelayMinutes;
    }
    if (t[DelaySecondsPos] > QLatin1Char('5')) {
        t[DelaySecondsPos] = r[2];
        out.caret = DelaySecondsPos;
    }
    if (t[DelayHours] > QLatin1Char('8'))
        t[DelayHours] = r[0];
    out.remembered = threeChars(t[DelayHours], t[DelayMinutes], t[DelaySecondsPos]);
    out.caret = qBound(0, out.caret, DelayLength);
    return out;
}

namespace {

bool hourAbove23(const QString &t)
{
    return t[StartUpHours] > QLatin1Char('1') && t[StartUpHours + 1] > QLatin1Char('3');
}

} // namespace

FieldEdit CorrectStartUpField(const FieldEdit &edit, const QString &shownBefore)
{
    FieldEdit out{fieldText(edit.text, EmptyStartUpText), edit.caret, memory(edit.remembered)};
    const QString before = fieldText(shownBefore, EmptyStartUpText);
    QString &t = out.text;
    const QString &r = out.remembered;
    if (t[StartUpHours] > QLatin1Char('2'))
        t[StartUpHours] = r[0];
    if (t[StartUpMinutesPos] > QLatin1Char('5')) {
        t[StartUpMinutesPos] = r[2];
        out.caret = StartUpMinutesPos + 1;
    }
    // A units digit typed under a tens digit of 2 completes the hour: above
    // 23 it is refused, and so is a tens digit still waiting for it.
    if (hourAbove23(t) && t[StartUpHours + 1] != before[StartUpHours + 1]) {
        t[StartUpHours + 1] = r[1];
        out.caret = StartUpHours + 2;
        if (hourAbove23(t))
            t[StartUpHours] = r[0];
    }
    // A tens digit of 2 typed over a units digit above 3 waits for the units.
    if (hourAbove23(t))
        out.remembered = threeChars(r[0], r[1], t[StartUpMinutesPos]);
    else
        out.remembered = threeChars(t[StartUpHours], t[StartUpHours + 1], t[StartUpMinutesPos]);
    out.caret = qBound(0, out.caret, StartUpLength);
    return out;
}

bool StartUpHourPending(const QString &startUpText)
{
    return hourAbove23(fieldText(startUpText, EmptyStartUpText));
}

FieldEdit FinishStartUpField(const FieldEdit &edit)
{
    FieldEdit out{fieldText(edit.text, EmptyStartUpText), edit.caret, memory(edit.remembered)};
    if (hourAbove23(out.text)) {
        out.text[StartUpHours] = out.remembered[0];
        out.text[StartUpHours + 1] = out.remembered[1];
    }
    return out;
}

quint16 StartUpMinutesOf(const QString &startUpText)
{
    const QString text = fieldText(startUpText, EmptyStartUpText);
    const int hours = NormaliseTwoPositions(QStringView(text).mid(StartUpHours, 2)).toInt();
    const int minutes = NormaliseTwoPositions(QStringView(text).mid(StartUpMinutesPos, 2)).toInt();
    return static_cast<quint16>(60 * hours + minutes);
}

QString StartUpFieldText(quint16 minutes)
{
    QString text = QStringLiteral("%1:%2")
                       .arg(minutes / 60 % 100, 2, 10, QLatin1Char('0'))
                       .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    // The field shows a 0 and an unfilled position alike.
    return text.replace(QLatin1Char('0'), QLatin1Char(' '));
}

QString EndTimeSentence(int totalMinutes)
{
    const int d = totalMinutes / 1440;
    const int h = totalMinutes % 1440 / 60;
    const int m = totalMinutes % 60;

    QString day;
    if (d == 1)
        day = QStringLiteral("příší den ");
    else if (d >= 2)
        day = QStringLiteral("po dalších %1dnech ").arg(d);

    QString hour;
    if (h == 0)
        hour = QStringLiteral("o půlnoci ");
    else if (h == 1)
        hour = QStringLiteral("v 1hodinu ");
    else if (h <= 4)
        hour = QStringLiteral("ve %1hodiny ").arg(h);
    else
        hour = QStringLiteral("v %1hodin ").arg(h);

    QString minute;
    if (m == 1)
        minute = QStringLiteral("a 1minutu ");
    else if (m >= 2 && m <= 4)
        minute = QStringLiteral("a %1minuty ").arg(m);
    else if (m >= 5)
        minute = QStringLiteral("a %1minut ").arg(m);

    return QStringLiteral("Konec bude ") + day + hour + minute;
}

QString UpdateEndTime(const Program &program)
{
    int total = program.settings.StartUpMinutes;
    // Each instruction counts with its whole minutes only.
    for (quint16 word : SegmentWords(program))
        total += DelaySeconds(word) / 60;
    return EndTimeSentence(total);
}

} // namespace pellmora::model
