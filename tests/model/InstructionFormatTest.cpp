#include "model/InstructionFormat.h"
#include "model/TimeText.h"

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::model;

TEST(InstructionFormat, WordPairsOfEveryCode)
{
    struct Case {
        int code;
        const char *positive;
        const char *negative;
        const char *on;
        const char *off;
        int formatCode;
    };
    const Case cases[] = {
        {1, "x", "y", "On ", "Off ", 1},
        {2, "x", "y", "Zapnuto ", "Vypnuto ", 2},
        {3, "x", "y", "Svítí ", "Nesvítí ", 3},
        {4, "Rozsviť na", "Zhasni na", "Rozsviť na ", "Zhasni na ", 4},
        {4, "123456789012345", "12345678901234", "123456789012345", "12345678901234 ", 4},
        {4, "", "", " ", " ", 4},
        {0, "x", "y", "Svítí ", "Nesvítí ", 0}, // nothing chosen yet: the pair of code 3
        {9, "x", "y", "Svítí ", "Nesvítí ", 9},
    };
    for (const Case &c : cases) {
        InstructionFormat format;
        format.SetCurrentInstrFormat(c.code, QString::fromUtf8(c.positive), QString::fromUtf8(c.negative));
        EXPECT_EQ(format.OnWord.toStdString(), c.on) << c.code;
        EXPECT_EQ(format.OffWord.toStdString(), c.off) << c.code;
        EXPECT_EQ(format.FormatCode, c.formatCode) << c.code;
    }
}

TEST(InstructionFormat, WordingOfTheList)
{
    struct Case {
        int code;
        quint16 word;
        const char *text;
    };
    const Case cases[] = {
        {1, 0x8005, "On 5s "},
        {4, 0x8E10, "Rozsviť na 1hod "},
        {4, 0x0708, "Zhasni na 30min "},
    };
    for (const Case &c : cases) {
        InstructionFormat format;
        format.SetCurrentInstrFormat(c.code, QStringLiteral("Rozsviť na"), QStringLiteral("Zhasni na"));
        EXPECT_EQ(InstructionText(c.word, format).toStdString(), c.text) << c.code;
    }
    InstructionFormat full;
    full.SetCurrentInstrFormat(4, QStringLiteral("AbcdefghijklmnO"), QStringLiteral("n"));
    EXPECT_EQ(InstructionText(0x8005, full).toStdString(), "AbcdefghijklmnO5s ");
}

TEST(InstructionFormat, DialogChoices)
{
    InstructionFormat format;
    format.SetCurrentInstrFormat(4, QStringLiteral("Ano"), QStringLiteral("Ne"));
    format.ChooseFormat(2);
    EXPECT_EQ(format.FormatCode, 2);
    EXPECT_EQ(format.OnWord, QStringLiteral("Zapnuto "));
    // Choosing the user's own words waits for OK.
    format.ChooseFormat(4);
    EXPECT_EQ(format.FormatCode, 4);
    EXPECT_EQ(format.OnWord, QStringLiteral("Zapnuto "));
    format.ApplyUserWords(QStringLiteral("Ano"), QStringLiteral("Ne"));
    EXPECT_EQ(format.OnWord, QStringLiteral("Ano "));
    EXPECT_EQ(format.OffWord, QStringLiteral("Ne "));
    format.ChooseFormat(7);
    EXPECT_EQ(format.FormatCode, 4);
}
