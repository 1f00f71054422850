#pragma once

// The wording of the two light states in the instruction list, the preview
// and the light switch.
//
//   FormatCode 1..4 picks the pair "On "/"Off ", "Zapnuto "/"Vypnuto ",
//   "Svítí "/"Nesvítí " or the user's own two words (each followed by a
//   blank and cut to 15 characters). Before any format was chosen
//   (FormatCode 0) the pair of code 3 is in force.
//
//   SetCurrentInstrFormat(code, positive, negative)  applies a code as read
//                                       from the configuration; an unknown
//                                       code leaves the words as they are.
//   ChooseFormat(code)                  a radio button of the format dialog:
//                                       codes 1..3 take effect at once, code
//                                       4 waits for ApplyUserWords.
//   ApplyUserWords(positive, negative)  the dialog's OK with "User" checked.
//   WordFor(switchOn)                   OnWord or OffWord.

#include <QString>
#include <QtGlobal>

namespace pellmora::model {

constexpr int FormatWordMaxLength = 15;
constexpr quint8 UserFormatCode = 4;

class InstructionFormat {
public:
    InstructionFormat();

    quint8 FormatCode = 0;
    QString OnWord;
    QString OffWord;

    void SetCurrentInstrFormat(int code, const QString &positive, const QString &negative);
    void ChooseFormat(int code);
    void ApplyUserWords(const QString &positive, const QString &negative);

    const QString &WordFor(bool switchOn) const { return switchOn ? OnWord : OffWord; }

    // The stored form of a user word: the word, a blank, at most 15 characters.
    static QString UserWord(const QString &word);
    static bool IsTableCode(int code) { return code >= 1 && code <= 3; }
};

} // namespace pellmora::model
