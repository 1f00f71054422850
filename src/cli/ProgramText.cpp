#include "cli/ProgramText.h"

#include "model/Cp1250.h"
#include "model/ProgramHeader.h"
#include "model/Segment.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <array>

using namespace pellmora::model;

namespace pellmora::cli {

namespace {

// --- reading ------------------------------------------------------------------

const std::array<QLatin1StringView, 6> keyOrder{
    QLatin1StringView("name"), QLatin1StringView("id"), QLatin1StringView("start"),
    QLatin1StringView("periods"), QLatin1StringView("flags"), QLatin1StringView("calibration"),
};

struct ParseState {
    Program program;
    bool begun = false;       // the text opened with "begin": it must end with "end"
    bool ended = false;       // "end" was read
    bool anyProgram = false;  // a key or a period was read
    int nextKey = 0;          // keys before this one in keyOrder are closed
    int period = -1;          // the period whose instructions follow, 0-based
    QList<bool> periodSeen;
    QList<QList<quint16>> periods;
};

class Refusal {
public:
    explicit Refusal(QString reason) : reason_(std::move(reason)) {}
    const QString &reason() const { return reason_; }

private:
    QString reason_;
};

QString withoutComment(const QString &line)
{
    const qsizetype hash = line.indexOf(QLatin1Char('#'));
    return (hash < 0 ? line : line.left(hash)).trimmed();
}

// A quoted name: "..." with \" \\ and \xHH (a code page 1250 byte).
QString quotedName(const QString &value)
{
    QString name;
    qsizetype i = 1;
    for (;; ++i) {
        if (i >= value.size())
            throw Refusal(QStringLiteral("name: the closing quote is missing"));
        const QChar ch = value[i];
        if (ch == QLatin1Char('"'))
            break;
        if (ch != QLatin1Char('\\')) {
            name.append(ch);
            continue;
        }
        const QString rest = value.mid(i + 1);
        if (rest.startsWith(QLatin1Char('"')) || rest.startsWith(QLatin1Char('\\'))) {
            name.append(rest[0]);
            ++i;
        } else if (static const QRegularExpression hex(QStringLiteral("^x[0-9A-Fa-f]{2}"));
                   hex.match(rest).hasMatch()) {
            name.append(fromCp1250(QByteArray::fromHex(rest.mid(1, 2).toLatin1())));
            i += 3;
        } else {
            throw Refusal(QStringLiteral("name: unknown escape \\%1").arg(rest.left(1)));
        }
    }
    if (!withoutComment(value.mid(i + 1)).isEmpty())
        throw Refusal(QStringLiteral("name: text after the closing quote"));
    return name;
}

void readName(const QString &value, ProgramSettings &s)
{
    const QString trimmed = value.trimmed();
    const QString name = trimmed.startsWith(QLatin1Char('"')) ? quotedName(trimmed) : withoutComment(value);
    if (name.size() > NameMaxLength)
        throw Refusal(QStringLiteral("name: \"%1\" is over %2 characters").arg(name).arg(NameMaxLength));
    for (QChar ch : name) {
        if (!cp1250CanHold(ch))
            throw Refusal(QStringLiteral("name: the character '%1' has no code page 1250 byte").arg(ch));
    }
    s.DeviceName = name;
}

void readId(const QString &value, ProgramSettings &s)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9A-Fa-f]{4}$"));
    if (!pattern.match(value).hasMatch())
        throw Refusal(QStringLiteral("id: \"%1\" is not four hexadecimal digits").arg(value));
    s.DeviceId = static_cast<quint16>(value.toUInt(nullptr, 16));
}

void readStart(const QString &value, ProgramSettings &s)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,2}):(\\d\\d)$"));
    const QRegularExpressionMatch m = pattern.match(value);
    if (!m.hasMatch() || m.captured(1).toInt() > 23 || m.captured(2).toInt() > 59)
        throw Refusal(QStringLiteral("start: \"%1\" is not a time of day HH:MM").arg(value));
    s.StartUpMinutes = static_cast<quint16>(60 * m.captured(1).toInt() + m.captured(2).toInt());
}

void readPeriods(const QString &value, Program &program)
{
    bool ok = false;
    const int code = PeriodCodeOf(value.toInt(&ok));
    if (!ok || code < 0)
        throw Refusal(QStringLiteral("periods: \"%1\" is not 1, 2, 4, 6 or 8").arg(value));
    ApplyPeriodCode(program, code);
}

void readFlags(const QString &value, ProgramSettings &s)
{
    for (const QString &flag : value.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (flag == QLatin1String("random"))
            s.RandomDelays = true;
        else if (flag == QLatin1String("locked"))
            s.MemoryLocked = true;
        else if (flag == QLatin1String("fast"))
            s.FastMode = true;
        else
            throw Refusal(QStringLiteral("flags: unknown flag \"%1\" (random, locked, fast)").arg(flag));
    }
}

void readCalibration(const QString &value, ProgramSettings &s)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,3})\\s+(late|ahead)$"));
    const QRegularExpressionMatch m = pattern.match(value);
    if (!m.hasMatch() || m.captured(1).toInt() > 255)
        throw Refusal(QStringLiteral("calibration: \"%1\" is not 0..255 followed by late or ahead").arg(value));
    s.CalibrationValue = static_cast<quint8>(m.captured(1).toInt());
    s.CalibrationLate = m.captured(2) == QLatin1String("late");
}

void readKey(const QString &key, const QString &value, ParseState &state)
{
    qsizetype index = 0;
    while (index < qsizetype(keyOrder.size()) && keyOrder[index] != key)
        ++index;
    if (index == qsizetype(keyOrder.size()))
        throw Refusal(QStringLiteral("unknown key \"%1\"").arg(key));
    if (state.period >= 0 || index < state.nextKey)
        throw Refusal(QStringLiteral("key \"%1\" out of order (name, id, start, periods, flags, calibration, "
                                     "then the periods; each once)").arg(key));
    state.nextKey = int(index) + 1;
    ProgramSettings &s = state.program.settings;
    const QString plain = withoutComment(value);
    switch (index) {
    case 0: readName(value, s); break;
    case 1: readId(plain, s); break;
    case 2: readStart(plain, s); break;
    case 3: readPeriods(plain, state.program); break;
    case 4: readFlags(plain, s); break;
    default: readCalibration(plain, s); break;
    }
}

void readPeriodLine(const QString &number, ParseState &state)
{
    const int count = PeriodCount(state.program.settings.PeriodCode);
    bool ok = false;
    const int period = number.toInt(&ok);
    if (!ok || period < 1 || period > count)
        throw Refusal(QStringLiteral("period \"%1\" is not one of 1..%2").arg(number).arg(count));
    state.nextKey = int(keyOrder.size());
    state.periodSeen.resize(count);
    state.periods.resize(count);
    if (state.periodSeen[period - 1])
        throw Refusal(QStringLiteral("period %1 given twice").arg(period));
    state.periodSeen[period - 1] = true;
    state.period = period - 1;
}

quint16 readDelay(const QString &delay)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,2}):(\\d\\d):(\\d\\d)$"));
    const QRegularExpressionMatch m = pattern.match(delay);
    if (!m.hasMatch())
        throw Refusal(QStringLiteral("\"%1\" is not a delay h:mm:ss").arg(delay));
    const int h = m.captured(1).toInt();
    const int min = m.captured(2).toInt();
    const int sec = m.captured(3).toInt();
    if (h > 8 || min > 59 || sec > 59)
        throw Refusal(QStringLiteral("delay %1 out of range (0:00:00 to 8:59:59)").arg(delay));
    return static_cast<quint16>(3600 * h + 60 * min + sec);
}

void readInstruction(bool on, const QString &delay, ParseState &state)
{
    if (state.period < 0)
        throw Refusal(QStringLiteral("instruction before the first \"period N\" line"));
    const quint16 word = BuildInstructionWord(readDelay(delay), on);
    if (word == EndMarker)
        throw Refusal(QStringLiteral("an off instruction of 0 seconds cannot be stored (it ends the list)"));
    QList<quint16> &list = state.periods[state.period];
    const int most = state.program.settings.SegmentCapacity - 1;
    if (list.size() >= most)
        throw Refusal(QStringLiteral("period %1 holds more than %2 instructions").arg(state.period + 1).arg(most));
    list.append(word);
}

// "begin" and "end", which frame the text that the export writes.
bool readFrameLine(const QString &plain, ParseState &state)
{
    if (plain == QLatin1String("begin")) {
        if (state.begun || state.anyProgram)
            throw Refusal(QStringLiteral("\"begin\" only as the first line"));
        state.begun = true;
        return true;
    }
    if (plain == QLatin1String("end")) {
        state.ended = true;
        return true;
    }
    return false;
}

void readLine(const QString &line, ParseState &state)
{
    static const QRegularExpression keyLine(QStringLiteral("^([A-Za-z]+)\\s*:(.*)$"));
    static const QRegularExpression wordsLine(QStringLiteral("^(\\S+)\\s+(\\S+)$"));
    const QString plain = withoutComment(line);
    if (plain.isEmpty())
        return;
    if (state.ended)
        throw Refusal(QStringLiteral("text after \"end\""));
    if (readFrameLine(plain, state))
        return;
    state.anyProgram = true;
    if (const QRegularExpressionMatch m = keyLine.match(line.trimmed()); m.hasMatch()) {
        readKey(m.captured(1), m.captured(2), state);
        return;
    }
    const QRegularExpressionMatch m = wordsLine.match(plain);
    const QString first = m.captured(1);
    if (m.hasMatch() && first == QLatin1String("period"))
        readPeriodLine(m.captured(2), state);
    else if (m.hasMatch() && (first == QLatin1String("on") || first == QLatin1String("off")))
        readInstruction(first == QLatin1String("on"), m.captured(2), state);
    else
        throw Refusal(QStringLiteral("cannot read \"%1\"").arg(plain));
}

void storeInstructions(ParseState &state)
{
    Program &program = state.program;
    for (int p = 0; p < state.periods.size(); ++p) {
        program.settings.CurrentPeriod = static_cast<quint8>(p);
        program.settings.SegmentStart = static_cast<quint16>(SegmentFirstWord(program.settings, p));
        program.settings.InstructionCount = 0;
        for (quint16 word : state.periods[p])
            SegmentAppend(program, word);
    }
    program.settings.CurrentPeriod = 0;
    program.settings.SegmentStart = 0;
    program.settings.InstructionCount = SegmentCount(program);
}

// --- writing ------------------------------------------------------------------

bool plainName(const QString &name)
{
    if (name.isEmpty())
        return true;
    if (name.front().unicode() <= 0x20 || name.back().unicode() <= 0x20 || name.front() == QLatin1Char('"'))
        return false;
    for (QChar ch : name) {
        if (ch == QLatin1Char('#') || ch.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

QString nameValue(const QString &name)
{
    if (plainName(name))
        return name;
    QString quoted = QStringLiteral("\"");
    for (QChar ch : name) {
        if (ch == QLatin1Char('"') || ch == QLatin1Char('\\'))
            quoted += QLatin1Char('\\') + ch;
        else if (ch.category() == QChar::Other_Control)
            quoted += QStringLiteral("\\x") + QString::fromLatin1(toCp1250(QString(ch)).toHex().toUpper());
        else
            quoted += ch;
    }
    return quoted + QLatin1Char('"');
}

QString delayText(quint16 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString flagsValue(const ProgramSettings &s)
{
    QStringList flags;
    if (s.RandomDelays)
        flags << QStringLiteral("random");
    if (s.MemoryLocked)
        flags << QStringLiteral("locked");
    if (s.FastMode)
        flags << QStringLiteral("fast");
    return flags.join(QLatin1Char(' '));
}

void writeHeader(QString &out, const DeviceImage &image, const ProgramSettings &s, QStringList &leftOut)
{
    out += QStringLiteral("name: %1\n").arg(nameValue(RawDeviceName(image)));
    out += QStringLiteral("id: %1\n").arg(QStringLiteral("%1").arg(s.DeviceId, 4, 16, QLatin1Char('0')).toUpper());
    if (s.StartUpMinutes < 1440) {
        out += QStringLiteral("start: %1:%2\n")
                   .arg(s.StartUpMinutes / 60, 2, 10, QLatin1Char('0'))
                   .arg(s.StartUpMinutes % 60, 2, 10, QLatin1Char('0'));
    } else {
        leftOut << QStringLiteral("start-up time of %1 minutes (beyond 23:59)").arg(s.StartUpMinutes);
    }
    out += QStringLiteral("periods: %1\n").arg(PeriodCount(s.PeriodCode));
    if (const QString flags = flagsValue(s); !flags.isEmpty())
        out += QStringLiteral("flags: %1\n").arg(flags);
    out += QStringLiteral("calibration: %1 %2\n")
               .arg(s.CalibrationValue)
               .arg(s.CalibrationLate ? QStringLiteral("late") : QStringLiteral("ahead"));
    if (bool(image.words[header::FlagsWord] & header::MultiPeriodBit) != (s.LastPeriod != 0))
        leftOut << QStringLiteral("a multi-period bit that does not match the period count");
}

void writePeriod(QString &out, const Program &program, int period, QStringList &leftOut)
{
    out += QStringLiteral("period %1\n").arg(period + 1);
    const QList<quint16> words = SegmentWords(program, period);
    const int most = program.settings.SegmentCapacity - 1;
    for (int i = 0; i < words.size(); ++i) {
        const quint16 delay = DelaySeconds(words[i]);
        if (i >= most) {
            leftOut << QStringLiteral("period %1: instruction %2 of a full segment").arg(period + 1).arg(i + 1);
        } else if (delay > MaxDelaySeconds) {
            leftOut << QStringLiteral("period %1: instruction %2 with a delay of %3 s (over 8:59:59)")
                           .arg(period + 1).arg(i + 1).arg(delay);
        } else {
            out += QStringLiteral("%1 %2\n").arg(IsSwitchOn(words[i]) ? QStringLiteral("on") : QStringLiteral("off"),
                                                 delayText(delay));
        }
    }
    const int first = SegmentFirstWord(program.settings, period);
    const int length = SegmentLength(program.settings, period);
    for (int w = first + int(words.size()); w < first + length; ++w) {
        if (program.image.words[w] != EndMarker) {
            leftOut << QStringLiteral("period %1: words after the end marker").arg(period + 1);
            break;
        }
    }
}

} // namespace

bool ParseProgramText(const QByteArray &text, Program &program, ProgramTextError &error)
{
    ParseState state;
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        error.line = i + 1;
        QStringDecoder utf8(QStringDecoder::Utf8);
        QByteArray raw = lines[i];
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = utf8(raw);
        try {
            if (utf8.hasError())
                throw Refusal(QStringLiteral("not UTF-8 text"));
            readLine(line, state);
        } catch (const Refusal &refusal) {
            error.reason = refusal.reason();
            return false;
        }
    }
    if (!state.anyProgram) {
        error.reason = QStringLiteral("no program in the text (no key and no period)");
        return false;
    }
    if (state.begun && !state.ended) {
        error.reason = QStringLiteral("the \"end\" line is missing: the text was cut short");
        return false;
    }
    storeInstructions(state);
    PackHeader(state.program);
    program = state.program;
    error = {};
    return true;
}

QByteArray WriteProgramText(const DeviceImage &image, QStringList &leftOut)
{
    Program program;
    program.image = image;
    if (UnpackHeader(program)) {
        leftOut << QStringLiteral("period code %1 (written as one period)")
                       .arg((image.words[header::FlagsWord] & header::PeriodCodeMask) >> header::PeriodCodeShift);
    }
    QString out = QStringLiteral("begin\n");
    writeHeader(out, image, program.settings, leftOut);
    const int periods = PeriodCount(program.settings.PeriodCode);
    for (int p = 0; p < periods; ++p)
        writePeriod(out, program, p, leftOut);
    const int used = SegmentFirstWord(program.settings, periods);
    for (int w = used; w < InstructionAreaWords; ++w) {
        if (image.words[w] != 0) {
            leftOut << QStringLiteral("words %1..%2 outside every period").arg(used).arg(InstructionAreaWords - 1);
            break;
        }
    }
    return (out + QStringLiteral("end\n")).toUtf8();
}

} // namespace pellmora::cli
