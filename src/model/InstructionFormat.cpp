#include "model/InstructionFormat.h"

#include <array>

namespace pellmora::model {

namespace {

struct WordPair {
    const char *on;
    const char *off;
};

// Codes 1..3; the user's pair (code 4) comes from the configuration.
constexpr std::array<WordPair, 3> formatTable{{
    {"On ", "Off "},
    {"Zapnuto ", "Vypnuto "},
    {"Svítí ", "Nesvítí "},
}};

constexpr int DefaultFormatCode = 3;

} // namespace

InstructionFormat::InstructionFormat()
{
    const WordPair &pair = formatTable[DefaultFormatCode - 1];
    OnWord = QString::fromUtf8(pair.on);
    OffWord = QString::fromUtf8(pair.off);
}

QString InstructionFormat::UserWord(const QString &word)
{
    return (word + QLatin1Char(' ')).left(FormatWordMaxLength);
}

void InstructionFormat::SetCurrentInstrFormat(int code, const QString &positive, const QString &negative)
{
    if (IsTableCode(code)) {
        ChooseFormat(code);
    } else if (code == UserFormatCode) {
        FormatCode = UserFormatCode;
        ApplyUserWords(positive, negative);
    } else {
        FormatCode = static_cast<quint8>(code);
    }
}

void InstructionFormat::ChooseFormat(int code)
{
    if (code == UserFormatCode) {
        FormatCode = UserFormatCode;
        return;
    }
    if (!IsTableCode(code))
        return;
    const WordPair &pair = formatTable[code - 1];
    FormatCode = static_cast<quint8>(code);
    OnWord = QString::fromUtf8(pair.on);
    OffWord = QString::fromUtf8(pair.off);
}

void InstructionFormat::ApplyUserWords(const QString &positive, const QString &negative)
{
    OnWord = UserWord(positive);
    OffWord = UserWord(negative);
}

} // namespace pellmora::model
