#include "cli/WordingOptions.h"

using namespace pellmora::model;

namespace pellmora::cli {

std::optional<InstructionFormat> takeWordingOptions(QStringList &args)
{
    int wording = 0;
    std::optional<QString> on;
    std::optional<QString> off;
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const bool wordingOption = arg == QLatin1String("--wording") || arg == QLatin1String("--on")
            || arg == QLatin1String("--off");
        if (!wordingOption) {
            rest << arg;
            continue;
        }
        if (i + 1 >= args.size())
            return std::nullopt;
        const QString value = args[++i];
        if (arg == QLatin1String("--wording")) {
            bool ok = false;
            wording = value.toInt(&ok);
            if (!ok || wording < 1 || wording > 4)
                return std::nullopt;
        } else if (arg == QLatin1String("--on")) {
            on = value;
        } else {
            off = value;
        }
    }
    const bool userWords = on || off;
    if (wording == 0)
        wording = userWords ? UserFormatCode : 3;
    if (userWords && wording != UserFormatCode)
        return std::nullopt;
    if (on.value_or(QString()).size() > FormatWordMaxLength || off.value_or(QString()).size() > FormatWordMaxLength)
        return std::nullopt;
    // Without words of their own, the user format shows the dialog's defaults.
    InstructionFormat format;
    format.SetCurrentInstrFormat(wording, on.value_or(QStringLiteral("Rozsviť na")),
                                 off.value_or(QStringLiteral("Zhasni na")));
    args = rest;
    return format;
}

} // namespace pellmora::cli
