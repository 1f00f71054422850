// Random and mutated inputs for the readers (the three files and the program
// text that pellmora-cli imports): whatever the bytes, a reader ends with
// settings, records, an image or messages within their limits, and never
// reads outside its input (run under the address sanitizer too).

#include "cli/ProgramText.h"
#include "storage/ConfigurationFile.h"
#include "storage/DeviceDatabase.h"
#include "storage/ProgramFile.h"

#include "TemporaryCurrentDirectory.h"

#include <random>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::storage;

namespace pellmora {
namespace {

class Mutator {
public:
    explicit Mutator(unsigned seed) : random(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

    QByteArray randomBytes(int maxSize, const QByteArray &alphabet = {})
    {
        QByteArray bytes(below(maxSize + 1), '\0');
        for (char &b : bytes)
            b = alphabet.isEmpty() ? static_cast<char>(below(256)) : alphabet[below(int(alphabet.size()))];
        return bytes;
    }

    // One to four edits of `bytes`: truncation, byte changes, inserted
    // markers, runs of 0x00 or 0xFF, or a huge line.
    QByteArray mutate(QByteArray bytes, const QByteArray &markers)
    {
        for (int edits = 1 + below(4); edits > 0; --edits) {
            const int at = bytes.isEmpty() ? 0 : below(int(bytes.size()) + 1);
            switch (below(7)) {
            case 0: bytes.truncate(at); break;
            case 1:
                if (at < bytes.size())
                    bytes[at] = static_cast<char>(below(256));
                break;
            case 2: bytes.insert(at, markers[below(int(markers.size()))]); break;
            case 3: bytes.insert(at, QByteArray(1 + below(40), below(2) ? '\0' : '\xff')); break;
            case 4: bytes.remove(at, below(20)); break;
            case 5: bytes.insert(at, randomBytes(30, markers)); break;
            case 6:
                if (below(40) == 0)
                    bytes.insert(at, QByteArray(20000 + below(80000), markers[below(int(markers.size()))]));
                break;
            }
        }
        return bytes;
    }

private:
    std::mt19937 random;
};

constexpr int Rounds = 6000;

QByteArray sampleConfiguration()
{
    ConfigurationSettings s;
    s.DeviceDirectory = QStringLiteral("C:\\progs;x:y");
    s.CurrentFileName = QStringLiteral("C:\\progs\\a.plm");
    s.SelectedPort = 2;
    return BuildConfiguration("CFG_Pellmora ;c\r\nx ;y\r\n\r\n;extra\r\n", s, QStringLiteral("zap"),
                              QStringLiteral("vyp"));
}

QList<QByteArray> firstLines(const QByteArray &file, int count)
{
    return storage::splitLines(file).mid(0, count);
}

TEST(Robustness, ConfigurationReaderAndWriter)
{
    Mutator m(20261207);
    const QByteArray sample = sampleConfiguration();
    ConfigurationSettings written;
    written.DeviceDirectory = QStringLiteral("D:\\a;b");
    written.UserOnWord = QStringLiteral("on");
    written.EepromBaudRate = 0;
    for (int round = 0; round < Rounds; ++round) {
        SCOPED_TRACE(round);
        QByteArray input = round % 3 == 0 ? m.randomBytes(600, round % 2 ? QByteArray() : "':;/\r\nCFG_Pellmorcom1")
                                          : m.mutate(sample, "':;/\r\n\x00\xff");
        if (round % 500 == 1)  // around the largest file read
            input = sample + QByteArray(LargestConfigurationFile - sample.size() - 1 + m.below(3), ';');
        ConfigurationSettings settings;
        const Notices notices = ParseConfiguration(input, settings);

        ASSERT_LE(settings.SelectedPort, 3);
        ASSERT_LE(settings.FormatCode, 9);
        ASSERT_LE(settings.UserOnWord.size(), 15);
        ASSERT_LE(settings.UserOffWord.size(), 15);
        ASSERT_LE(notices.size(), qMax<qsizetype>(1, storage::splitLines(input).size()));
        if (!input.startsWith("CFG_Pellmora") || input.size() > LargestConfigurationFile) {
            ASSERT_EQ(notices.size(), 1);
            ASSERT_EQ(settings, ConfigurationSettings());
        }

        // Whatever the old file held, the nine rewritten lines give back the
        // settings (when the comments they keep leave them short enough to be
        // read), and a second rewrite keeps them byte for byte.
        const QByteArray once = BuildConfiguration(input, written, QStringLiteral("on"), QStringLiteral("off"));
        const QByteArray twice = BuildConfiguration(once, written, QStringLiteral("on"), QStringLiteral("off"));
        ASSERT_EQ(firstLines(twice, 9), firstLines(once, 9));
        const QByteArray nineLines = firstLines(once, 9).join("\r\n");
        if (nineLines.size() > LargestConfigurationFile)
            continue;
        ConfigurationSettings reread;
        const Notices rereadNotices = ParseConfiguration(nineLines, reread);
        ASSERT_TRUE(rereadNotices.isEmpty());
        ConfigurationSettings expected = written;
        expected.UserOffWord = QStringLiteral("off");
        ASSERT_EQ(reread, expected);
    }
}

void expectFieldWithinLimits(const QString &text, qsizetype limit, const QString &forbidden)
{
    ASSERT_LE(text.size(), limit);
    if (text.isEmpty())
        return;
    ASSERT_GT(text.front().unicode(), 0x20);
    ASSERT_GT(text.back().unicode(), 0x20);
    for (QChar c : forbidden)
        ASSERT_FALSE(text.contains(c));
}

TEST(Robustness, DatabaseReader)
{
    Mutator m(71424);
    QList<DatabaseRecord> records;
    for (int i = 0; i < 40; ++i)
        records.append({QStringLiteral("%1").arg(i, 4, 10, QChar(u'0')), QStringLiteral("Síň %1").arg(i),
                        QStringLiteral("07.12.2026"), QStringLiteral("soubor%1.plm").arg(i)});
    const QByteArray sample = BuildDatabase(records);
    const QString setA = QStringLiteral("!#$&{}");
    for (int round = 0; round < Rounds; ++round) {
        SCOPED_TRACE(round);
        QByteArray input = round % 3 == 0 ? "DDL {" + m.randomBytes(800, round % 2 ? QByteArray() : " !$&#@{}ab")
                                          : m.mutate(sample, "!$&#@{} \x00\xff");
        if (round % 500 == 1)
            input = "DDL {" + QByteArray(DeviceDatabase::LargestFile - 5 - m.below(3), '$');
        qsizetype pumped = 0;
        const ParsedDatabase parsed = ParseDatabase(input, [&pumped] { ++pumped; });

        ASSERT_LE(pumped, input.size());
        ASSERT_LE(parsed.records.size(), DeviceDatabase::Capacity);
        ASSERT_LE(parsed.notices.size(), 1);
        const bool refused = input.size() < 7 || input.size() > DeviceDatabase::LargestFile || !input.startsWith("DDL");
        if (refused) {
            ASSERT_TRUE(parsed.records.isEmpty());
            ASSERT_EQ(parsed.notices.size(), 1);
        }
        for (const DatabaseRecord &r : parsed.records) {
            expectFieldWithinLimits(r.Id, DatabaseRecord::IdLength, setA);
            expectFieldWithinLimits(r.Name, DatabaseRecord::NameLength, setA + u'@');
            expectFieldWithinLimits(r.Date, DatabaseRecord::DateLength, setA + u'@');
            expectFieldWithinLimits(r.File, DatabaseRecord::FileLength, setA + u'@');
        }
        // What was loaded is written so that it loads again unchanged.
        ASSERT_EQ(ParseDatabase(BuildDatabase(parsed.records)).records, parsed.records);
    }
}

// Whatever the text, the import either names the line it refuses or builds
// an image that the export writes completely and that reads back the same.
TEST(Robustness, ProgramTextParser)
{
    Mutator m(1830);
    const QByteArray sample = "# Chodba\nname: \"Ch\\x8Ad #\\\"\"\nid: 1a2B\nstart: 18:30\nperiods: 2\n"
                              "flags: random locked fast\ncalibration: 32 late\nperiod 1\non 2:00:00  # two hours\n"
                              "off 0:30:00\r\nperiod 2\non 8:59:59\noff 0:00:01\n";
    const QByteArray markers = ":\n#\"\\ 0123456789period onf\x8a\xc3";
    for (int round = 0; round < Rounds; ++round) {
        SCOPED_TRACE(round);
        const QByteArray input = round % 3 == 0 ? m.randomBytes(300, round % 2 ? QByteArray() : markers)
                                                : m.mutate(sample, markers);
        Program program;
        cli::ProgramTextError error;

        if (!cli::ParseProgramText(input, program, error)) {
            ASSERT_GE(error.line, 1);
            ASSERT_LE(error.line, input.count('\n') + 1);
            ASSERT_FALSE(error.reason.isEmpty());
            continue;
        }
        QStringList leftOut;
        const QByteArray text = cli::WriteProgramText(program.image, leftOut);
        ASSERT_TRUE(leftOut.isEmpty()) << leftOut.join(u'\n').toStdString();
        Program again;
        ASSERT_TRUE(cli::ParseProgramText(text, again, error)) << error.reason.toStdString() << "\n" << text.constData();
        ASSERT_EQ(again.image, program.image) << text.constData();
    }
}

using ImageRobustness = testing::InTemporaryDirectory;

TEST_F(ImageRobustness, ProgramFileReader)
{
    Mutator m(512);
    const DeviceImage before = DeviceImage::fromBytes(QByteArray(512, '\x5a'));
    for (int round = 0; round < 1000; ++round) {
        SCOPED_TRACE(round);
        const QByteArray input = m.randomBytes(round % 2 ? 1100 : 520);
        writeBytes(QStringLiteral("r.plm"), input);
        DeviceImage image = before;

        const bool read = ReadProgramFile(QStringLiteral("r.plm"), image);

        ASSERT_EQ(read, input.size() >= 512);
        ASSERT_EQ(image.toBytes(), read ? input.left(512) : before.toBytes());
    }
}

} // namespace
} // namespace pellmora
