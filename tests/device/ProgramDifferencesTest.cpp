#include "device/HeaderText.h"
#include "device/ProgramDifferences.h"

#include "model/ProgramHeader.h"
#include "model/Segment.h"

#include "../model/CorridorProgram.h"

#include <gtest/gtest.h>

#include <functional>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::device;

using namespace Qt::StringLiterals;

namespace {

DeviceImage chodba()
{
    return test::corridorProgram().image;
}

void setName(DeviceImage &image, const QByteArray &bytes)
{
    for (int i = 0; i < 10; ++i)
        image.setByteAt(0x1F0 + i, quint8(i < bytes.size() ? bytes[i] : 0));
}

InstructionFormat formatOf(int code, const QString &on = {}, const QString &off = {})
{
    InstructionFormat format;
    format.SetCurrentInstrFormat(code, on, off);
    return format;
}

} // namespace

TEST(ProgramDifferences, EachDifferenceInWords)
{
    struct Case {
        const char *what;
        std::function<void(DeviceImage &)> change; // of the device's memory
        InstructionFormat format;
        QStringList lines;
    };
    const Case cases[] = {
        {"the same", [](DeviceImage &) {}, formatOf(3), {}},
        {"an instruction's delay", [](DeviceImage &d) { d.words[1] = BuildInstructionWord(45 * 60, false); },
         formatOf(3), {u"Perioda 1, instrukce 2: v souboru \"Nesvítí 30min\", v zařízení \"Nesvítí 45min\""_s}},
        {"one more in the switch", [](DeviceImage &d) { d.words[3] = BuildInstructionWord(60, true); }, formatOf(3),
         {u"Perioda 1, instrukce 4: v souboru \"konec\", v zařízení \"Svítí 1min\""_s,
          u"Perioda 1, instrukce 5: v souboru \"—\", v zařízení \"konec\""_s}},
        {"one less in the switch", [](DeviceImage &d) { d.words[2] = EndMarker; }, formatOf(1),
         {u"Perioda 1, instrukce 3: v souboru \"On 5s\", v zařízení \"konec\""_s,
          u"Perioda 1, instrukce 4: v souboru \"konec\", v zařízení \"—\""_s}},
        {"after the end of both lists", [](DeviceImage &d) { d.words[10] = 0x1234; }, formatOf(3), {}},
        {"words compared, not texts: a user wording of one word",
         [](DeviceImage &d) { d.words[0] = BuildInstructionWord(2 * 3600, false); }, formatOf(4, u"X"_s, u"X"_s),
         {u"Perioda 1, instrukce 1: v souboru \"X 2hod\", v zařízení \"X 2hod\""_s}},
        {"name", [](DeviceImage &d) { setName(d, QByteArray("P\xF8\x65\x64s\xEDn\xEC")); }, formatOf(3),
         {u"Název: v souboru \"Chodba\", v zařízení \"Předsíně\""_s}},
        {"a name of control characters", [](DeviceImage &d) { setName(d, QByteArray("Ch\x1B[2J\x01")); },
         formatOf(3), {u"Název: v souboru \"Chodba\", v zařízení \"Ch\\x1B[2J\\x01\""_s}},
        {"identifier", [](DeviceImage &d) { d.words[header::IdWord] = 0x00AB; }, formatOf(3),
         {u"ID: v souboru \"1111\", v zařízení \"00AB\""_s}},
        {"start-up", [](DeviceImage &d) { d.words[header::StartUpWord] = 7 * 60 + 5; }, formatOf(3),
         {u"Začátek: v souboru \"18:30\", v zařízení \"07:05\""_s}},
        {"two periods in the switch",
         [](DeviceImage &d) { d.words[header::FlagsWord] |= header::MultiPeriodBit | (1 << header::PeriodCodeShift); },
         formatOf(3),
         {u"Perioda 2, instrukce 1: v souboru \"—\", v zařízení \"konec\""_s,
          u"Periody: v souboru \"1 perioda\", v zařízení \"rozdělit na 2\""_s}},
        {"flags",
         [](DeviceImage &d) { d.words[header::FlagsWord] |= header::RandomDelaysBit | header::FastModeBit; },
         formatOf(3),
         {u"Příznaky: v souboru \"Uzamkni paměť\", v zařízení \"Uzamkni paměť, + náhodné prodlevy, Zrychlený mód\""_s}},
        {"no flags", [](DeviceImage &d) { d.words[header::FlagsWord] &= ~header::MemoryLockedBit; }, formatOf(3),
         {u"Příznaky: v souboru \"Uzamkni paměť\", v zařízení \"žádné\""_s}},
        {"correction",
         [](DeviceImage &d) { d.words[header::FlagsWord] = (d.words[header::FlagsWord] & 0xF700) | 0x40; },
         formatOf(3),
         {u"Korekce: v souboru \"Zpožďuje se 1 s na den (konstanta 32)\", "
           "v zařízení \"Předchází se 2 s na den (konstanta 64)\""_s}},
        {"instructions before the header",
         [](DeviceImage &d) {
             d.words[0] = BuildInstructionWord(2 * 3600, false);
             d.words[header::IdWord] = 0x2222;
         },
         formatOf(3),
         {u"Perioda 1, instrukce 1: v souboru \"Svítí 2hod\", v zařízení \"Nesvítí 2hod\""_s,
          u"ID: v souboru \"1111\", v zařízení \"2222\""_s}},
    };
    for (const Case &c : cases) {
        DeviceImage device = chodba();
        c.change(device);
        EXPECT_EQ(DifferenceLines(chodba(), device, c.format), c.lines) << c.what;
    }
}

TEST(ProgramDifferences, FreshMemoryAgainstTheProgram)
{
    // An erased 24LC04 reads 0xFF: period code 7, one full period of
    // "on 9:06:07" words and no end marker.
    MemoryBytes erased;
    erased.fill(0xFF);
    const QStringList lines = DifferenceLines(chodba(), erased, formatOf(3));
    ASSERT_EQ(lines.size(), 248 + 1 + 6);
    EXPECT_EQ(lines[0], u"Perioda 1, instrukce 1: v souboru \"Svítí 2hod\", v zařízení \"Svítí 9hod 6min 7s\""_s);
    EXPECT_EQ(lines[3], u"Perioda 1, instrukce 4: v souboru \"konec\", v zařízení \"Svítí 9hod 6min 7s\""_s);
    EXPECT_EQ(lines[248], u"Perioda 1, instrukce 249: v souboru \"—\", v zařízení \"konec\""_s);
    EXPECT_EQ(lines[252], u"Periody: v souboru \"1 perioda\", v zařízení \"neplatný kód 7\""_s);
}

TEST(HeaderText, ValuesAsTheDialogsShowThem)
{
    const std::pair<std::pair<int, bool>, const char *> corrections[] = {
        {{0, false}, "Předchází se 0 s na měsíc (konstanta 0)"},
        {{4, true}, "Zpožďuje se 3 s na měsíc (konstanta 4)"},
        {{5, false}, "Předchází se 1 s na týden (konstanta 5)"},
        {{100, true}, "Zpožďuje se 3 s na den (konstanta 100)"},
        {{255, true}, "Zpožďuje se 7 s na den (konstanta 255)"},
    };
    for (const auto &[setting, text] : corrections)
        EXPECT_EQ(CorrectionText(quint8(setting.first), setting.second).toStdString(), text) << setting.first;

    const char *periods[] = {"1 perioda",     "rozdělit na 2",  "rozdělit na 4",  "rozdělit na 6",
                             "rozdělit na 8", "neplatný kód 5", "neplatný kód 6", "neplatný kód 7"};
    DeviceImage image;
    for (int code = 0; code < 8; ++code) {
        image.words[header::FlagsWord] = quint16(code << header::PeriodCodeShift);
        EXPECT_EQ(HeaderPeriodsText(image).toStdString(), periods[code]) << code;
    }
}
