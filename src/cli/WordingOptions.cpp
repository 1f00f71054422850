#include "cli/WordingOptions.h"

using namespace pellmora::model;

using namespace Qt::StringLiterals;

namespace pellmora::cli {

namespace {

// 1..4, or 0 when not given; nullopt when given otherwise.
std::optional<int> wordingCode(const QCommandLineParser &parser)
{
    if (!parser.isSet(u"wording"_s))
        return 0;
    bool ok = false;
    const int wording = parser.value(u"wording"_s).toInt(&ok);
    return ok && wording >= 1 && wording <= 4 ? std::optional<int>(wording) : std::nullopt;
}

std::optional<QString> userWord(const QCommandLineParser &parser, const QString &name, QString *error)
{
    if (!parser.isSet(name))
        return std::nullopt;
    const QString word = parser.value(name);
    if (word.size() > FormatWordMaxLength)
        *error = u"--%1 must be at most %2 characters"_s.arg(name).arg(FormatWordMaxLength);
    return word;
}

} // namespace

void addWordingOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {u"wording"_s,
         u"Wording of the instructions: 1 On/Off, 2 Zapnuto/Vypnuto, 3 Svítí/Nesvítí (the default), "
         "4 the words of --on and --off."_s,
         u"1..4"_s},
        {u"on"_s, u"The word for switching on (at most 15 characters; implies --wording 4)."_s, u"WORD"_s},
        {u"off"_s, u"The word for switching off (at most 15 characters; implies --wording 4)."_s, u"WORD"_s},
    });
}

std::optional<InstructionFormat> wordingFrom(const QCommandLineParser &parser, QString *error)
{
    std::optional<int> wording = wordingCode(parser);
    if (!wording) {
        *error = u"--wording must be 1..4"_s;
        return std::nullopt;
    }
    QString tooLong;
    const std::optional<QString> on = userWord(parser, u"on"_s, &tooLong);
    const std::optional<QString> off = userWord(parser, u"off"_s, &tooLong);
    if (!tooLong.isEmpty()) {
        *error = tooLong;
        return std::nullopt;
    }
    const bool userWords = on || off;
    if (*wording == 0)
        wording = userWords ? UserFormatCode : 3;
    if (userWords && *wording != UserFormatCode) {
        *error = u"--on and --off go with --wording 4 only"_s;
        return std::nullopt;
    }
    // Without words of their own, the user format shows the dialog's defaults.
    InstructionFormat format;
    format.SetCurrentInstrFormat(*wording, on.value_or(u"Rozsviť na"_s), off.value_or(u"Zhasni na"_s));
    return format;
}

} // namespace pellmora::cli
