#include "storage/ConfigurationFile.h"

#include "FileSizeLimit.h"
#include "TemporaryCurrentDirectory.h"

#include <QFileInfo>

#include <functional>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::storage;

namespace pellmora {
namespace {

using testing::InTemporaryDirectory;

QByteArray fileOf(const QList<QByteArray> &lines)
{
    QByteArray file;
    for (const QByteArray &line : lines)
        file += line + "\r\n";
    return file;
}

QByteArray withHeader(const QList<QByteArray> &keyLines)
{
    return fileOf(QList<QByteArray>{"CFG_Pellmora  ;"} + keyLines);
}

QString faultyLine(int n, const QString &line)
{
    return QStringLiteral("Configuration File Error at Line: %1  Read Line: '").arg(n) + line;
}

QString badNumber(int n)
{
    return QStringLiteral("Hele, na liniji %1 je nějaká chybička jo, tak se tam laskavě pozeraj ty OPERÁTORE !")
        .arg(n);
}

QString missingSecondWord(int n)
{
    return QStringLiteral("Hele, na liniji %1 je nějaká chybička jo - chybí tam duhý string - očekáváno: "
                          "\"User Instruction Format:'*'/'*'\" , tak se tam laskavě pozeraj ty OPERÁTORE !")
        .arg(n);
}

const QString WrongHeader = QStringLiteral(
    "To 'plmprg.cfg' teda, možná, neni konfigurační soubor, alespoň teda hlavička neodpovídá, dyžtak jí "
    "přepište (začít hned na ! 1.sloupci !) na 'CFG_Pellmora'");

TEST(ConfigurationParse, EachLineIsReadByItsKeyAndReportedByItsNumber)
{
    using Change = std::function<void(ConfigurationSettings &)>;
    struct Case {
        const char *name;
        QByteArray file;
        Change expected;
        QStringList messages;
    };
    const Case cases[] = {
        {"empty file", QByteArray(), [](auto &) {}, {WrongHeader}},
        {"header in lower case", fileOf({"cfg_pellmora", "Default Port:'COM3'"}), [](auto &) {}, {WrongHeader}},
        {"header keyword with any tail", fileOf({"CFG_Pellmora2 whatever", "Default Port:'COM3'"}),
         [](auto &s) { s.SelectedPort = 2; }, {}},
        {"directories with colons", withHeader({"Device Directory:'C:\\progs:x'", "System Directory:'D:\\'"}),
         [](auto &s) { s.DeviceDirectory = "C:\\progs:x"; s.SystemDirectory = "D:\\"; }, {}},
        {"value kept untrimmed", withHeader({"Last Programmed Device:' a.plm '  ;c"}),
         [](auto &s) { s.CurrentFileName = " a.plm "; }, {}},
        {"key in capitals", withHeader({"DEVICE DIRECTORY:'x'"}), [](auto &s) { s.DeviceDirectory = "x"; }, {}},
        {"blank before key", withHeader({" Device Directory:'x'"}), [](auto &) {},
         {faultyLine(1, " Device Directory:'x'")}},
        {"port com3 lower case", withHeader({"Default Port:'com3'"}), [](auto &s) { s.SelectedPort = 2; }, {}},
        {"port COM4", withHeader({"Default Port:'COM4'"}), [](auto &s) { s.SelectedPort = 3; }, {}},
        {"port COM5 silent", withHeader({"Default Port:'COM5'"}), [](auto &) {}, {}},
        {"format 37", withHeader({"Default Instruction Format:'37'"}), [](auto &s) { s.FormatCode = 3; }, {}},
        {"format empty", withHeader({"Default Instruction Format:''"}), [](auto &) {}, {badNumber(1)}},
        {"format letter", withHeader({"Default Instruction Format:'x4'"}), [](auto &) {}, {badNumber(1)}},
        {"speed 0", withHeader({"EEPROM Baud Rate:'0'"}), [](auto &s) { s.EepromBaudRate = 0; }, {}},
        {"speed 65535", withHeader({"Microcontroller Baud Rate:'65535'"}),
         [](auto &s) { s.PicBaudRate = 65535; }, {}},
        {"speed 70000", withHeader({"EEPROM Baud Rate:'70000'"}), [](auto &) {}, {badNumber(1)}},
        {"speed -5", withHeader({"Microcontroller Baud Rate:'-5'"}), [](auto &) {}, {badNumber(1)}},
        {"speed empty", withHeader({"EEPROM Baud Rate:''"}), [](auto &) {}, {badNumber(1)}},
        {"speed huge", withHeader({"EEPROM Baud Rate:'99999999999999999999999'"}), [](auto &) {},
         {badNumber(1)}},
        {"user words", withHeader({"User Instruction Format:'Rozsvi\x9d'/'Zhasni'  ;x"}),
         [](auto &s) { s.UserOnWord = "Rozsviť"; s.UserOffWord = "Zhasni"; }, {}},
        {"user words cut to 15", withHeader({"User Instruction Format:'1234567890123456'/'abcdefghijklmnopq'"}),
         [](auto &s) { s.UserOnWord = "123456789012345"; s.UserOffWord = "abcdefghijklmno"; }, {}},
        {"second user word missing", withHeader({"User Instruction Format:'on'"}),
         [](auto &s) { s.UserOnWord = "on"; }, {missingSecondWord(1)}},
        {"second user word without slash", withHeader({"User Instruction Format:'on' 'off'"}),
         [](auto &s) { s.UserOnWord = "on"; }, {missingSecondWord(1)}},
        {"second user word unclosed", withHeader({"User Instruction Format:'on'/'off"}),
         [](auto &s) { s.UserOnWord = "on"; }, {missingSecondWord(1)}},
        {"one apostrophe", withHeader({"Device Directory:'x"}), [](auto &) {},
         {faultyLine(1, "Device Directory:'x")}},
        {"no colon", withHeader({"Device Directory'x'"}), [](auto &) {}, {faultyLine(1, "Device Directory'x'")}},
        {"blank and comment lines are counted and reported",
         withHeader({"", ";only a comment", "Default Port:'COM2'", "Unknown Key:'v'"}),
         [](auto &s) { s.SelectedPort = 1; },
         {faultyLine(1, ""), faultyLine(2, ";only a comment"), faultyLine(4, "Unknown Key:'v'")}},
        {"later value wins", withHeader({"Default Port:'COM2'", "Default Port:'COM3'"}),
         [](auto &s) { s.SelectedPort = 2; }, {}},
        {"code page 1250 value", withHeader({QByteArray("Device Directory:'C:\\\xc8\xe1st'")}),
         [](auto &s) { s.DeviceDirectory = QStringLiteral("C:\\Část"); }, {}},
        {"LF endings and a last line without one", QByteArray("CFG_Pellmora\nDefault Port:'COM2'\nEEPROM Baud Rate:'5'"),
         [](auto &s) { s.SelectedPort = 1; s.EepromBaudRate = 5; }, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ConfigurationSettings settings;
        ConfigurationSettings expected;
        c.expected(expected);

        const Notices notices = ParseConfiguration(c.file, settings);

        EXPECT_EQ(settings, expected);
        Notices expectedNotices;
        for (const QString &m : c.messages)
            expectedNotices.append(Notice::message(m));
        EXPECT_EQ(notices, expectedNotices);
    }
}

ConfigurationSettings sampleSettings()
{
    ConfigurationSettings s;
    s.DeviceDirectory = QStringLiteral("C:\\Programy:časovače");
    s.SystemDirectory = QStringLiteral("D:\\sys;tém");
    s.CurrentFileName = QStringLiteral("C:\\Programy\\kuchyň.plm");
    s.SelectedPort = 3;
    s.FormatCode = 4;
    s.UserOnWord = QStringLiteral("Rozsviť na");
    s.UserOffWord = QStringLiteral("Zhasni na");
    s.EepromBaudRate = 0;
    s.PicBaudRate = 65535;
    return s;
}

TEST(ConfigurationWrite, WrittenSettingsReadBackUnchanged)
{
    const ConfigurationSettings written = sampleSettings();
    const QByteArray file = BuildConfiguration(QByteArray(), written, written.UserOnWord, written.UserOffWord);

    ConfigurationSettings read;
    EXPECT_TRUE(ParseConfiguration(file, read).isEmpty());
    EXPECT_EQ(read, written);
}

TEST(ConfigurationWrite, NewFileHoldsNineLinesWithEmptyComments)
{
    const QByteArray file = BuildConfiguration(QByteArray(), ConfigurationSettings(),
                                               QStringLiteral("Rozsviť na"), QStringLiteral("Zhasni na"));
    EXPECT_EQ(file, QByteArray("CFG_Pellmora  ;\r\n"
                               "Device Directory:''  ;\r\n"
                               "System Directory:''  ;\r\n"
                               "Last Programmed Device:''  ;\r\n"
                               "Default Port:'COM1'  ;\r\n"
                               "Default Instruction Format:'0'  ;\r\n"
                               "User Instruction Format:'Rozsvi\x9d na'/'Zhasni na'  ;\r\n"
                               "EEPROM Baud Rate:'1000'  ;\r\n"
                               "Microcontroller Baud Rate:'60'  ;\r\n"));
}

// Rewriting a file several times must keep each comment, turn hand-written
// extra lines into their comment text, and never let a value grow its line.
TEST(ConfigurationWrite, CommentsAndExtraLinesAcrossRuns)
{
    struct Case {
        const char *name;
        QByteArray oldFile;
        int lineIndex;
        QList<QByteArray> linesAfterRuns;  // that line after the first, second and third rewrite
    };
    const ConfigurationSettings s = sampleSettings();
    const Case cases[] = {
        {"comment of line 4", withHeader({"a:'b'", "c:'d'", "Last Programmed Device:'x' ;my; file"}), 3,
         {"Last Programmed Device:'C:\\Programy\\kuchy\xf2.plm'  ;my; file",
          "Last Programmed Device:'C:\\Programy\\kuchy\xf2.plm'  ;my; file",
          "Last Programmed Device:'C:\\Programy\\kuchy\xf2.plm'  ;my; file"}},
        {"tenth line", fileOf({"CFG_Pellmora", "", "", "", "", "", "", "", "", ";word"}), 9,
         {"word", "", ""}},
        {"header comment", fileOf({"CFG_Pellmora ; it's 'mine'"}), 0,
         {"CFG_Pellmora  ; it's 'mine'", "CFG_Pellmora  ; it's 'mine'", "CFG_Pellmora  ; it's 'mine'"}},
        {"semicolon in a folder", withHeader({"a:''", "System Directory:'D:\\sys;tém'  ;note"}), 2,
         {"System Directory:'D:\\sys;t\xe9m'  ;note", "System Directory:'D:\\sys;t\xe9m'  ;note",
          "System Directory:'D:\\sys;t\xe9m'  ;note"}},
        {"semicolon in the user words", withHeader({"", "", "", "", "", "User Instruction Format:'a;b'/'c;d' ;u"}),
         6, {"User Instruction Format:'x;y'/'z;w'  ;u", "User Instruction Format:'x;y'/'z;w'  ;u",
             "User Instruction Format:'x;y'/'z;w'  ;u"}},
        {"unreadable value keeps text after its first semicolon", withHeader({"Device Directory:'a;b"}), 1,
         {"Device Directory:'C:\\Programy:\xe8\x61sova\xe8\x65'  ;b",
          "Device Directory:'C:\\Programy:\xe8\x61sova\xe8\x65'  ;b",
          "Device Directory:'C:\\Programy:\xe8\x61sova\xe8\x65'  ;b"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray file = c.oldFile;
        for (const QByteArray &expected : c.linesAfterRuns) {
            file = BuildConfiguration(file, s, QStringLiteral("x;y"), QStringLiteral("z;w"));
            const QList<QByteArray> lines = file.split('\n');
            ASSERT_GT(lines.size(), c.lineIndex);
            EXPECT_EQ(lines[c.lineIndex], expected + "\r");
            EXPECT_GE(lines.size(), 10);  // nine lines and the empty rest after the last CR LF
        }
    }
}

TEST(ConfigurationWrite, KeepsAtMost255OldLines)
{
    QList<QByteArray> lines{"CFG_Pellmora"};
    for (int i = 2; i <= 300; ++i)
        lines.append(";line " + QByteArray::number(i));
    const QByteArray file = BuildConfiguration(fileOf(lines), ConfigurationSettings(), "a", "b");
    const QList<QByteArray> written = file.split('\n');
    ASSERT_EQ(written.size(), 256);  // 255 lines and the empty rest
    EXPECT_EQ(written[9], "line 10\r");
    EXPECT_EQ(written[254], "line 255\r");
}

using ConfigurationFileTest = InTemporaryDirectory;

TEST_F(ConfigurationFileTest, MissingFileIsCreatedEmptyAndFilledAtClose)
{
    ConfigurationSettings settings;
    const Notices read = ReadConfiguration(folder.path(), settings);
    EXPECT_EQ(read, Notices{Notice::message(QStringLiteral(
                        "Nenalezen konfigurační soubor - nebudou načteny adresáře atd. Vytvořím si nový !"))});
    EXPECT_EQ(settings, ConfigurationSettings());
    EXPECT_EQ(readBytes(ConfigurationFileName), QByteArray());
    // The created empty file is no longer missing: a second start finds no
    // header, and nothing to copy aside.
    EXPECT_EQ(ReadConfiguration(folder.path(), settings), Notices{Notice::message(WrongHeader)});
    EXPECT_EQ(QDir().entryList(QDir::Files), QStringList{ConfigurationFileName});

    const ConfigurationWriteOutcome written =
        WriteConfiguration(folder.path(), settings, QStringLiteral("Rozsviť na"), QStringLiteral("Zhasni na"));
    EXPECT_EQ(written.result, ConfigurationWrite::Written);
    EXPECT_TRUE(written.notices.isEmpty());
    EXPECT_EQ(readBytes(ConfigurationFileName),
              BuildConfiguration(QByteArray(), settings, QStringLiteral("Rozsviť na"), QStringLiteral("Zhasni na")));

    ConfigurationSettings again;
    EXPECT_TRUE(ReadConfiguration(folder.path(), again).isEmpty());
    EXPECT_EQ(again.UserOnWord, QStringLiteral("Rozsviť na"));
}

// A Save moves the current directory to the program files; the settings
// stay in the folder the program started in.
TEST_F(ConfigurationFileTest, FoundInItsFolderWhereverTheCurrentDirectoryIs)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    ConfigurationSettings settings;
    ReadConfiguration(folder.path(), settings);
    settings.PicBaudRate = 77;
    ASSERT_EQ(WriteConfiguration(folder.path(), settings, "a", "b").result, ConfigurationWrite::Written);
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
    ConfigurationSettings again;
    EXPECT_TRUE(ReadConfiguration(folder.path(), again).isEmpty());
    EXPECT_EQ(again.PicBaudRate, 77);
}

TEST_F(ConfigurationFileTest, AnUnreadableFileIsNotReplacedByAnEmptyOne)
{
    ASSERT_TRUE(QDir().mkdir(ConfigurationFileName));
    ConfigurationSettings settings;
    EXPECT_EQ(ReadConfiguration(folder.path(), settings).size(), 1);
    EXPECT_TRUE(QFileInfo(ConfigurationFileName).isDir());
}

// The reader takes at most 64 KiB: a longer file (copied aside below), or one
// that never ends, is refused like a file without its header and left as it was.
TEST_F(ConfigurationFileTest, AFileLongerThan64KiBIsRefusedLikeOneWithoutItsHeader)
{
    const QByteArray start = withHeader({"Default Port:'COM3'  ;"});
    const QByteArray largest = withHeader({"Default Port:'COM3'  ;" + QByteArray(LargestConfigurationFile - start.size(), 'x')});
    ASSERT_EQ(largest.size(), LargestConfigurationFile);
    struct Case {
        const char *name;
        QByteArray file;  // null: a link to an endless device
        bool refused;
    };
    const Case cases[] = {
        {"64 KiB", largest, false},
        {"endless", QByteArray(), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(ConfigurationFileName);
        if (c.file.isNull())
            ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), ConfigurationFileName));
        else
            writeBytes(ConfigurationFileName, c.file);
        ConfigurationSettings settings;

        const Notices notices = ReadConfiguration(folder.path(), settings);

        ASSERT_EQ(notices.size(), c.refused ? 1 : 0);
        if (c.refused) {
            EXPECT_TRUE(notices[0].text.startsWith(WrongHeader)) << notices[0].text.toStdString();
        }
        EXPECT_EQ(settings.SelectedPort, c.refused ? 0 : 2);
        if (c.file.isNull())
            EXPECT_EQ(QFileInfo(ConfigurationFileName).symLinkTarget(), QStringLiteral("/dev/zero"));
        else
            EXPECT_EQ(readBytes(ConfigurationFileName), c.file);
    }
}

// A file refused as a whole is copied aside to the first free backup name,
// which the message gives, and rewritten at close keeping its comments.
TEST_F(ConfigurationFileTest, RefusedFileIsCopiedAsideAndRewrittenWithItsComments)
{
    struct Case {
        const char *name;
        QByteArray file;
        QStringList backupsBefore;
        QString backup;
    };
    const QByteArray topAndPort = fileOf({"Pellmora ;top", "Default Port:'COM3' ;port"});
    const Case cases[] = {
        {"wrong header", topAndPort, {}, "plmprg.cfg.bak"},
        {"byte-order mark", "\xef\xbb\xbf" + fileOf({"CFG_Pellmora ;top", "Default Port:'COM3' ;port"}), {},
         "plmprg.cfg.bak"},
        {"backup names taken", topAndPort, {"plmprg.cfg.bak", "plmprg.cfg.bak.1"}, "plmprg.cfg.bak.2"},
        {"longer than 64 KiB", topAndPort + QByteArray(LargestConfigurationFile, 'x'), {}, "plmprg.cfg.bak"},
    };
    int row = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString here = path(QString::number(++row));
        ASSERT_TRUE(QDir().mkdir(here) && QDir::setCurrent(here));
        for (const QString &taken : c.backupsBefore)
            writeBytes(taken, "older");
        writeBytes(ConfigurationFileName, c.file);
        ConfigurationSettings settings;
        QString kept;
        EXPECT_EQ(ReadConfiguration(here, settings, &kept),
                  Notices{Notice::message(
                      WrongHeader + QStringLiteral("\nPůvodní soubor je uschován jako '%1/%2'.").arg(here, c.backup))});
        EXPECT_EQ(settings.SelectedPort, 0);
        EXPECT_TRUE(kept.isEmpty());
        EXPECT_EQ(readBytes(c.backup), c.file);
        for (const QString &taken : c.backupsBefore)
            EXPECT_EQ(readBytes(taken), "older");

        ASSERT_EQ(WriteConfiguration(here, settings, "a", "b").result, ConfigurationWrite::Written);
        const QList<QByteArray> lines = readBytes(ConfigurationFileName).split('\n');
        EXPECT_EQ(lines[0], "CFG_Pellmora  ;top\r");
        EXPECT_EQ(lines[1], "Device Directory:''  ;port\r");
        EXPECT_EQ(readBytes(c.backup), c.file);
    }
}

TEST_F(ConfigurationFileTest, CloseWithoutAFileWritesNothing)
{
    const ConfigurationWriteOutcome outcome = WriteConfiguration(folder.path(), ConfigurationSettings(), "a", "b");
    EXPECT_EQ(outcome.result, ConfigurationWrite::FileMissing);
    EXPECT_EQ(outcome.notices,
              Notices{Notice::message(QStringLiteral("Nenalezen konfigurační soubor - nebudou uloženy nastavení ! "
                                                     "-no vono se zase tak nic hróznýho nestalo, že?"))});
    EXPECT_FALSE(QFileInfo::exists(ConfigurationFileName));
}

// The rewrite at close fails when it is abandoned before the rename or when
// the disk is full; either way the old file stays byte for byte and the
// failure is reported, so that the window stays open.
TEST_F(ConfigurationFileTest, FailedRewriteLeavesThePreviousFileAndIsReported)
{
    const QByteArray previousBytes = withHeader({"Default Port:'COM2'  ;mine"});
    const auto rewrite = [this](const WriteInterruption &interrupted) {
        const ConfigurationWriteOutcome outcome = WriteConfiguration(folder.path(), sampleSettings(), "a", "b", interrupted);
        QString shown = outcome.result == ConfigurationWrite::Failed ? QStringLiteral("failed") : QStringLiteral("not failed");
        for (const Notice &n : outcome.notices)
            shown += (n.kind == Notice::Kind::Message ? QStringLiteral("\nmessage: ") : QStringLiteral("\ninfo: ")) + n.text;
        return shown;
    };
    const std::pair<const char *, std::function<std::optional<QString>()>> failures[] = {
        {"abandoned before the rename", [&] { return rewrite([] { return true; }); }},
        {"disk full", [&] { return testing::underFileSizeLimit(64, [&] { return rewrite({}); }); }},
    };
    for (const auto &[name, fail] : failures) {
        SCOPED_TRACE(name);
        writeBytes(ConfigurationFileName, previousBytes);

        EXPECT_EQ(fail(), QStringLiteral("failed\nmessage: Chyba vstupu/výstupu: soubor 'plmprg.cfg' nelze přepsat, "
                                         "nastavení nebyla uložena."));

        EXPECT_EQ(readBytes(ConfigurationFileName), previousBytes);
        EXPECT_EQ(QDir().entryList(QDir::Files | QDir::Hidden), QStringList{ConfigurationFileName});
    }
}

} // namespace
} // namespace pellmora
