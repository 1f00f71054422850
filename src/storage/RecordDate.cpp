#include "storage/RecordDate.h"

#include <QList>

#include <optional>

namespace pellmora::storage {

namespace {

const QString FallbackFormat = QString::fromLatin1(DateFormat);
constexpr int MaximumLength = 10;

// One piece of a numeric date format: a run of d, M or y, or literal text.
struct Piece {
    QChar field;     // 'd', 'M', 'y', or null for a literal
    QString text;    // the run itself or the literal characters
};

bool isFieldLetter(QChar c) { return c == u'd' || c == u'M' || c == u'y'; }

// Splits a numeric format into its pieces; nothing for a format with names of
// days or months, quoted text, other letters, or a field missing or repeated.
std::optional<QList<Piece>> numericPieces(const QString &format)
{
    QList<Piece> pieces;
    QString seen;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        qsizetype end = i + 1;
        if (isFieldLetter(c)) {
            while (end < format.size() && format[end] == c)
                ++end;
            const qsizetype run = end - i;
            const bool fits = c == u'y' ? (run == 2 || run == 4) : run <= 2;
            if (!fits || seen.contains(c))
                return std::nullopt;
            seen.append(c);
            pieces.append({c, format.mid(i, run)});
        } else {
            if (c.isLetter() || c == u'\'')
                return std::nullopt;
            while (end < format.size() && !isFieldLetter(format[end]) && !format[end].isLetter()
                   && format[end] != u'\'')
                ++end;
            pieces.append({QChar(), format.mid(i, end - i)});
        }
        i = end;
    }
    if (seen.size() != 3)
        return std::nullopt;
    return pieces;
}

int widestLength(const QList<Piece> &pieces)
{
    int length = 0;
    for (const Piece &p : pieces)
        length += p.field.isNull() ? int(p.text.size()) : (p.field == u'y' ? 4 : 2);
    return length;
}

// Reads the digits of one field at `pos`: day and month take one or two, the
// year two or four.
std::optional<int> readField(const QString &text, qsizetype &pos, QChar field)
{
    const qsizetype maxDigits = field == u'y' ? 4 : 2;
    qsizetype end = pos;
    while (end < text.size() && end - pos < maxDigits && text[end] >= u'0' && text[end] <= u'9')
        ++end;
    const qsizetype digits = end - pos;
    const bool fits = field == u'y' ? (digits == 2 || digits == 4) : digits >= 1;
    if (!fits)
        return std::nullopt;
    const int value = text.mid(pos, digits).toInt();
    pos = end;
    return field == u'y' && digits == 2 ? 2000 + value : value;
}

QDate parseWith(const QString &text, const QList<Piece> &pieces)
{
    int day = 0, month = 0, year = 0;
    qsizetype pos = 0;
    for (const Piece &p : pieces) {
        if (p.field.isNull()) {
            if (text.mid(pos, p.text.size()) != p.text)
                return {};
            pos += p.text.size();
            continue;
        }
        const std::optional<int> value = readField(text, pos, p.field);
        if (!value)
            return {};
        (p.field == u'd' ? day : p.field == u'M' ? month : year) = *value;
    }
    if (pos != text.size())
        return {};
    return QDate(year, month, day);
}

} // namespace

QString RecordDateFormat(const QLocale &locale)
{
    const std::optional<QList<Piece>> pieces = numericPieces(locale.dateFormat(QLocale::ShortFormat));
    if (!pieces || widestLength(*pieces) > MaximumLength)
        return FallbackFormat;
    QString format;
    for (const Piece &p : *pieces)
        format += p.field == u'y' ? QStringLiteral("yyyy") : p.text;
    return format;
}

QString FormatRecordDate(QDate date)
{
    return date.toString(FallbackFormat);
}

QDate ParseRecordDate(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.trimmed();
    const QDate date = parseWith(trimmed, *numericPieces(FallbackFormat));
    if (date.isValid())
        return date;
    return parseWith(trimmed, *numericPieces(RecordDateFormat(locale)));
}

} // namespace pellmora::storage
