// Long random sequences of editing operations and period changes, checked
// after every step against a plain list model of the segment and against the
// words the editor must never touch.

#include "model/ProgramEditor.h"
#include "model/ProgramHeader.h"
#include "model/Segment.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace pellmora;
using namespace pellmora::model;

namespace {

class RandomSession {
public:
    explicit RandomSession(unsigned seed)
        : rng(seed)
    {
        // Some runs start from an image as a file may bring it: full
        // segments, words after end markers, any header.
        if (pick(3) == 0) {
            for (quint16 &w : program.image.words)
                w = static_cast<quint16>(pick(4) == 0 ? 0 : pick(0x10000));
            program.image.words[255] &= 0xF8FF;
            UnpackHeader(program);
        } else {
            ApplyPeriodCode(program, pick(5));
        }
        editor.ShowProgram();
    }

    void step()
    {
        const DeviceImage before = program.image;
        const ProgramSettings settingsBefore = program.settings;
        const int first = SegmentFirstWord(program.settings);
        const int length = SegmentLength(program.settings);
        QList<quint16> list = SegmentWords(program);
        const bool navigation = doRandomOperation(list);
        checkSegment(list, navigation);
        checkUntouched(before, settingsBefore, first, length);
    }

    std::mt19937 rng;
    Program program;
    InstructionFormat format;
    ProgramEditor editor{program, format};
    QString lastOperation;
    bool formatChanged = false;

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    QString randomDelayText()
    {
        const char *digits = "0123456789 ";
        QString text = EmptyDelayText;
        for (int pos : {0, 2, 3, 5, 6}) {
            if (pick(3) != 0)
                text[pos] = QLatin1Char(digits[pick(11)]);
        }
        return text;
    }

    quint16 typedWord() const
    {
        return BuildInstructionWord(ParseDelay(editor.view().delayText).seconds, editor.lightState() == LightState::On);
    }

    // Runs one operation and mirrors its effect in `list`. Returns whether it
    // was a period change (which shows another segment).
    bool doRandomOperation(QList<quint16> &list)
    {
        const EditorView &v = editor.view();
        const int capacity = SegmentLength(program.settings);
        const bool editable = v.editButtonsEnabled && v.selected >= 0;
        switch (pick(12)) {
        case 0:
            lastOperation = QStringLiteral("delay");
            editor.DelayChanged(randomDelayText(), pick(8));
            return false;
        case 1:
            lastOperation = QStringLiteral("light switch");
            editor.LightSwitch();
            return false;
        case 2:
        case 3:
            lastOperation = QStringLiteral("append");
            if (v.newInstructionEnabled && list.size() + 1 < capacity && typedWord() != 0)
                list.append(typedWord());
            editor.AppendInstruction();
            return false;
        case 4:
            lastOperation = QStringLiteral("insert");
            if (editable && list.size() + 1 < capacity && typedWord() != 0)
                list.insert(v.selected, typedWord());
            editor.InsertInstruction();
            return false;
        case 5:
            lastOperation = QStringLiteral("change");
            if (editable && v.selected < list.size() && typedWord() != 0)
                list[v.selected] = typedWord();
            editor.ChangeInstruction();
            return false;
        case 6:
            lastOperation = QStringLiteral("delete");
            if (editable && v.selected < list.size())
                list.removeAt(v.selected);
            editor.DeleteInstruction();
            return false;
        case 7:
        case 8:
            lastOperation = QStringLiteral("click");
            editor.ListClick(pick(int(v.items.size()) + 2) - 1);
            return false;
        case 9:
            lastOperation = QStringLiteral("next period");
            editor.NextPeriod();
            return true;
        case 10:
            lastOperation = QStringLiteral("back period");
            editor.BackPeriod();
            return true;
        default:
            lastOperation = QStringLiteral("wording");
            format.SetCurrentInstrFormat(1 + pick(4), QStringLiteral("Rozsviť"), QStringLiteral("Zhasni"));
            editor.FormatChanged();
            return false;
        }
    }

    void checkSegment(const QList<quint16> &expected, bool navigation)
    {
        const ProgramSettings &s = program.settings;
        const EditorView &v = editor.view();
        const std::string op = lastOperation.toStdString();
        ASSERT_LE(s.CurrentPeriod, s.LastPeriod) << op;
        ASSERT_EQ(s.SegmentStart, s.SegmentCapacity * s.CurrentPeriod) << op;
        const QList<quint16> words = SegmentWords(program);
        if (!navigation) {
            // As std::vector: comparing two empty QLists trips the undefined-behaviour sanitizer.
            ASSERT_EQ(std::vector<quint16>(words.begin(), words.end()),
                      std::vector<quint16>(expected.begin(), expected.end())) << op;
        }
        ASSERT_EQ(s.InstructionCount, words.size()) << op;
        ASSERT_EQ(v.items.size(), words.size()) << op;
        for (int i = 0; i < words.size(); ++i)
            ASSERT_EQ(v.items[i], InstructionText(words[i], format)) << op << " item " << i;
        ASSERT_EQ(v.backPeriodEnabled, s.CurrentPeriod > 0) << op;
        ASSERT_EQ(v.nextPeriodEnabled, s.CurrentPeriod < s.LastPeriod) << op;
        ASSERT_EQ(v.endTime, UpdateEndTime(program)) << op;
        if (SegmentHasRoom(s)) {
            ASSERT_TRUE(v.lightSwitchEnabled) << op;
        }
    }

    void checkUntouched(const DeviceImage &before, const ProgramSettings &settingsBefore, int first, int length)
    {
        const std::string op = lastOperation.toStdString();
        for (int w = 0; w < DeviceImage::WordCount; ++w) {
            const bool inSegment = w >= first && w < first + length;
            if (!inSegment) {
                ASSERT_EQ(program.image.words[w], before.words[w]) << op << " word " << w;
            }
        }
        // The editor leaves a zero word after any list it changed.
        const int count = SegmentCount(program);
        if (count < length && program.image.words != before.words) {
            ASSERT_EQ(program.image.words[first + count], 0) << op;
        }
        // Words the editor wrote stay below the most it may store.
        if (program.image.words != before.words) {
            ASSERT_LT(count, length) << op;
        }
        ASSERT_EQ(program.settings.PeriodCode, settingsBefore.PeriodCode) << op;
    }
};

} // namespace

// One session per seed, each its own test, so that the sessions run side by side.
class ProgramEditorRandom : public ::testing::TestWithParam<unsigned> {};

TEST_P(ProgramEditorRandom, LongSessionKeepsEveryInvariant)
{
    const unsigned seed = GetParam();
    RandomSession session(seed);
    for (int i = 0; i < 1500; ++i) {
        session.step();
        if (::testing::Test::HasFatalFailure()) {
            ADD_FAILURE() << "seed " << seed << " step " << i;
            return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ProgramEditorRandom, ::testing::Range(1u, 13u));
