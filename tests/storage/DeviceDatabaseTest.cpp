#include "storage/DeviceDatabase.h"

#include "storage/RecordDate.h"
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

const QString TooSmall = QStringLiteral("Nevím jestli ten soubor devices.ddl je skutečně databázový, nemá totiž "
                                        "hlavičku, nebo je zcela prázdný...");
const QString TooLarge = QStringLiteral("Databázový soubor je až moc velkej....nenačtu to...smůla...");
const QString NoHeader = QStringLiteral("To 'device.ddl' nebude databázový soubor. Header missing error.");
const QString Missing = QStringLiteral(
    "Nenalezen databázový soubor 'devices.ddl' - Nebude vytvořena databáze o progamovaných zařízeních");
const QString NoFileName =
    QStringLiteral("Nebyly provedeny žádné změny v databázi! Nezadali jste jméno sluboru (*.PLM)");
const QString CannotWrite = QStringLiteral("Nelze zapisovat na disk !");
const QString NotCopied = QStringLiteral("Soubor 'devices.ddl' nebyl načten a jeho záložní kopii nelze vytvořit, "
                                         "databáze je proto otevřena jen pro čtení. Soubor opravte nebo přesuňte a "
                                         "spusťte program znovu.");
const QString TooManyRecords = QStringLiteral("Databáze obsahuje více než 256 záznamů a je otevřena jen pro čtení; "
                                              "změny by smazaly záznamy za 256.");

DatabaseRecord record(const char *id, const char *name, const char *date, const char *file)
{
    return {QString::fromUtf8(id), QString::fromUtf8(name), QString::fromUtf8(date), QString::fromUtf8(file)};
}

Notices messages(const QStringList &texts)
{
    Notices notices;
    for (const QString &t : texts)
        notices.append(Notice::message(t));
    return notices;
}

TEST(DatabaseFormat, EmptyAndOneRecordAreWrittenByteForByte)
{
    EXPECT_EQ(BuildDatabase({}), QByteArray("DDL { }"));
    EXPECT_EQ(BuildDatabase({record("00A1", "Kuchyn", "7.12.2026", "a.plm")}),
              QByteArray("DDL { ! $00A1 &Kuchyn #7.12.2026 @a.plm }"));
    EXPECT_EQ(BuildDatabase({record("00A1", "", "7.12.2026", "a.plm")}),
              QByteArray("DDL { ! $00A1 & #7.12.2026 @a.plm }"));
    EXPECT_EQ(BuildDatabase({record("FFFF", "Kuchyň", "", "č.plm")}),
              QByteArray("DDL { ! $FFFF &Kuchy\xf2 # @\xe8.plm }"));
}

TEST(DatabaseFormat, WrittenRecordsLoadBackWhole)
{
    QList<DatabaseRecord> records;
    for (int i = 0; i < DeviceDatabase::Capacity; ++i) {
        records.append({QStringLiteral("%1").arg(i, 4, 16, QChar(u'0')).toUpper(),
                        i % 3 == 0 ? QString() : QStringLiteral("Síň %1").arg(i),
                        QStringLiteral("%1.12.2026").arg(i % 28 + 1), QString(80, QChar(u'a' + i % 26))});
    }
    const ParsedDatabase parsed = ParseDatabase(BuildDatabase(records));
    EXPECT_TRUE(parsed.notices.isEmpty());
    EXPECT_EQ(parsed.records, records);
}

TEST(DatabaseParse, RefusalsAndOddFiles)
{
    struct Case {
        const char *name;
        QByteArray file;
        QList<DatabaseRecord> records;
        QStringList messages;
    };
    const QByteArray largest = "DDL {" + QByteArray(DeviceDatabase::LargestFile - 7, ' ') + " }";
    const Case cases[] = {
        {"6 bytes", "DDL { ", {}, {TooSmall}},
        {"empty", "", {}, {TooSmall}},
        {"7 bytes", "DDLxxxx", {}, {}},
        {"largest size", largest, {}, {}},
        {"one byte too large", largest + " ", {}, {TooLarge}},
        {"wrong header", "DDX { ! $0001 }", {}, {NoHeader}},
        {"no opening brace", "DDL ! $0001 &a }", {}, {}},
        {"brace only after offset 3", "DDL{{ ! $0001 }", {record("0001", "", "", "")}, {}},
        {"blanks around a label", "DDL { ! $0001 &  Kuchyn   #1.1.2026 @a }",
         {record("0001", "Kuchyn", "1.1.2026", "a")}, {}},
        {"exclamation mark in a label", "DDL { ! $0001 &Ahoj! #1.1.2026 @a }",
         {record("0001", "Ahoj", "1.1.2026", "a"), record("", "", "", "")}, {}},
        {"closing brace in a label ends the reading", "DDL { ! $0001 &a}b #d @f ! $0002 &c }",
         {record("0001", "a", "", "")}, {}},
        {"dates missing", "DDL { ! $0001 &a @a.plm ! $0002 &b @b.plm }",
         {record("0001", "a", "", "a.plm"), record("0002", "b", "", "b.plm")}, {}},
        {"counters run independently", "DDL { $0001 $0002 ! &x ! &y }",
         {record("0001", "x", "", ""), record("0002", "y", "", "")}, {}},
        {"id ends at its limit and the rest is skipped", "DDL { ! $12345&n }", {record("1234", "n", "", "")}, {}},
        {"at sign belongs to an id", "DDL { ! $a@b }", {record("a@b", "", "", "")}, {}},
        {"name cut to 10", "DDL { ! &12345678901234 }", {record("", "1234567890", "", "")}, {}},
        {"file kept to 80 of up to 255",
         "DDL { ! @" + QByteArray(300, 'f') + " }", {record("", "", "", QByteArray(80, 'f').constData())}, {}},
        {"a cut file name loses the blank it ends in",
         "DDL { ! @" + QByteArray(79, 'f') + "  g }", {record("", "", "", QByteArray(79, 'f').constData())}, {}},
        {"control bytes trimmed, high bytes kept", QByteArray("DDL { ! &\x01\x1f\xe8\x00x\xff\x20 }", 18),
         {{QString(), QStringLiteral("č") + QChar(0) + QStringLiteral("x˙"), QString(), QString()}}, {}},
        {"missing trailer", "DDL { ! $0001 &a", {record("0001", "a", "", "")}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedDatabase parsed = ParseDatabase(c.file);
        EXPECT_EQ(parsed.records, c.records);
        EXPECT_EQ(parsed.notices, messages(c.messages));
    }
}

TEST(DatabaseParse, MoreThan256RecordsLoadTheFirst256AndSaySo)
{
    QList<DatabaseRecord> records;
    for (int i = 0; i < 300; ++i)
        records.append({QStringLiteral("%1").arg(i, 4, 16, QChar(u'0')), QStringLiteral("n%1").arg(i), {}, {}});
    const ParsedDatabase parsed = ParseDatabase(BuildDatabase(records));
    EXPECT_EQ(parsed.records, records.mid(0, 256));
    ASSERT_EQ(parsed.notices.size(), 1);
    EXPECT_EQ(parsed.notices[0].kind, Notice::Kind::Message);

    // More fields of one kind than records is the same overflow.
    const ParsedDatabase fields = ParseDatabase("DDL { !" + QByteArray("$a ").repeated(257) + "}");
    EXPECT_EQ(fields.records, QList<DatabaseRecord>{record("a", "", "", "")});
    EXPECT_EQ(fields.notices.size(), 1);
}

TEST(DatabaseParse, PumpsBeforeEveryExaminedByte)
{
    struct Case {
        QByteArray file;
        int examined;
    };
    const Case cases[] = {
        {"DDL { }", 4},                  // ' ', '{' while searching, then ' ', '}'
        {"DDL { ! $0001 }", 8},          // ' ' '{' ' ' '!' ' ' '$' (the id text is one step) ' ' '}'
        {"DDLxxxx", 4},                  // no brace: the search runs to the end
        {"DDX { }", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file.constData());
        int pumped = 0;
        ParseDatabase(c.file, [&pumped] { ++pumped; });
        EXPECT_EQ(pumped, c.examined);
    }
}

using DeviceDatabaseTest = InTemporaryDirectory;

TEST_F(DeviceDatabaseTest, MissingFileIsCreatedAsAnEmptyDatabase)
{
    DeviceDatabase database;
    int pumped = 0;
    EXPECT_EQ(LoadDatabase(database, folder.path(), [&pumped] { ++pumped; }), messages({Missing}));
    EXPECT_EQ(pumped, 1);
    EXPECT_EQ(readBytes(DatabaseFileName), QByteArray("DDL { }"));

    DeviceDatabase again;
    EXPECT_TRUE(LoadDatabase(again, folder.path()).isEmpty());
    EXPECT_EQ(again.RecordCount(), 0);
}

// A load that is refused, or that cannot open an existing file, leaves the
// file as it was and the table empty. A refused file is copied aside to the
// first free backup name, which the message gives; one that cannot be copied
// makes the database read-only.
TEST_F(DeviceDatabaseTest, LoadAtTheSizeLimitsAndOfAnUnreadableFile)
{
    struct Case {
        const char *name;
        QByteArray file;  // null: a folder of that name
        QString message;  // empty: none
        QString kept;     // the backup's name, NotCopied, or empty: no copy
        QStringList backupsBefore = {};
    };
    const Case cases[] = {
        {"largest", "DDL {" + QByteArray(DeviceDatabase::LargestFile - 7, ' ') + " }", {}, {}},
        {"one byte more", QByteArray(DeviceDatabase::LargestFile + 1, 'x'), TooLarge, "devices.ddl.bak"},
        {"6 bytes", "DDL { ", TooSmall, "devices.ddl.bak"},
        {"empty: nothing to keep", "", TooSmall, {}},
        {"byte-order mark", "\xef\xbb\xbf" "DDL { ! $0001 &a }", NoHeader, "devices.ddl.bak"},
        {"backup names taken", "DDX { }", NoHeader, "devices.ddl.bak.2", {"devices.ddl.bak", "devices.ddl.bak.1"}},
        {"folder", QByteArray(), Missing, NotCopied},
    };
    int row = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString here = path(QString::number(++row));
        ASSERT_TRUE(QDir().mkdir(here) && QDir::setCurrent(here));
        for (const QString &taken : c.backupsBefore)
            writeBytes(taken, "older");
        if (c.file.isNull())
            ASSERT_TRUE(QDir().mkdir(DatabaseFileName));
        else
            writeBytes(DatabaseFileName, c.file);
        DeviceDatabase database;
        database.Records.append(record("0001", "old", "", ""));

        const Notices notices = LoadDatabase(database, here);

        QString expected = c.message;
        if (c.kept == NotCopied)
            expected += u'\n' + NotCopied;
        else if (!c.kept.isEmpty())
            expected += QStringLiteral("\nPůvodní soubor je uschován jako '%1/%2'.").arg(here, c.kept);
        EXPECT_EQ(notices, expected.isEmpty() ? Notices() : messages({expected}));
        EXPECT_EQ(database.RecordCount(), 0);
        EXPECT_EQ(database.readOnly(), c.kept == NotCopied);
        if (c.file.isNull())
            EXPECT_TRUE(QFileInfo(DatabaseFileName).isDir());
        else
            EXPECT_EQ(readBytes(DatabaseFileName), c.file);
        if (!c.kept.isEmpty() && c.kept != NotCopied) {
            EXPECT_EQ(readBytes(c.kept), c.file);
        }
        for (const QString &taken : c.backupsBefore)
            EXPECT_EQ(readBytes(taken), "older");
    }
}

DeviceDatabase loadedDatabase()
{
    DeviceDatabase database;
    LoadDatabase(database, QDir::currentPath());
    return database;
}

ProgramSettings device(quint16 id, const QString &name)
{
    ProgramSettings settings;
    settings.DeviceId = id;
    settings.DeviceName = name;
    return settings;
}

const QDate Today(2026, 12, 7);

TEST_F(DeviceDatabaseTest, AppendFillsTheRecordFromTheEditorAndRewritesTheFile)
{
    struct Case {
        QString currentFileName;
        quint16 id;
        QString name;
        DatabaseRecord expected;
    };
    const QString date = FormatRecordDate(Today);
    const Case cases[] = {
        {"C:\\progs\\kuchyn.plm", 0xA1, "Kuchyn", {"00A1", "Kuchyn", date, "kuchyn.plm"}},
        {"kuchyn.plm", 0xBEEF, "Obývák", {"BEEF", "Obývák", date, "kuchyn.plm"}},
        {"/home/u/progs/sklep.plm", 0, "", {"0000", "", date, "sklep.plm"}},
        {"C:\\" + QString(100, u'x'), 0x1, "12345678901", {"0001", "1234567890", date, QString(80, u'x')}},
    };
    DeviceDatabase database = loadedDatabase();
    QList<DatabaseRecord> expected;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.currentFileName.toStdString());
        const AppendOutcome outcome = AppendCurrentDevice(database, c.currentFileName, device(c.id, c.name), Today);
        EXPECT_TRUE(outcome.appended);
        EXPECT_TRUE(outcome.notices.isEmpty());
        expected.append(c.expected);
        EXPECT_EQ(database.Records, expected);
        EXPECT_EQ(ParseDatabase(readBytes(DatabaseFileName)).records, expected);
    }
    // The same device again is simply one more record.
    EXPECT_TRUE(AppendCurrentDevice(database, "kuchyn.plm", device(0xBEEF, "Obývák"), Today).appended);
    EXPECT_EQ(database.RecordCount(), 5);
}

TEST_F(DeviceDatabaseTest, RefusedAppendChangesNothing)
{
    struct Case {
        const char *name;
        QString currentFileName;
        QString label;
        QString message;  // empty: only checked to be a message naming the character
        QChar named;
    };
    QList<Case> cases = {{"no current file", QString(), "Kuchyn", NoFileName, QChar()}};
    for (char marker : QByteArray("!$&#@{}")) {
        cases.append({"marker in label", "a.plm", QStringLiteral("Ku%1chyn").arg(QChar(marker)), QString(),
                      QChar(marker)});
        cases.append({"marker in file name", QStringLiteral("C:\\a%1.plm").arg(QChar(marker)), "Kuchyn", QString(),
                      QChar(marker)});
    }
    DeviceDatabase database = loadedDatabase();
    ASSERT_TRUE(AppendCurrentDevice(database, "first.plm", device(1, "first"), Today).appended);
    const QList<DatabaseRecord> before = database.Records;
    const QByteArray fileBefore = readBytes(DatabaseFileName);
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.label.toStdString() + " " + c.currentFileName.toStdString());
        const AppendOutcome outcome = AppendCurrentDevice(database, c.currentFileName, device(2, c.label), Today);
        EXPECT_FALSE(outcome.appended);
        ASSERT_EQ(outcome.notices.size(), 1);
        if (!c.message.isEmpty())
            EXPECT_EQ(outcome.notices[0].text, c.message);
        else
            EXPECT_TRUE(outcome.notices[0].text.contains(u'\'' + QString(c.named) + u'\''));
        EXPECT_EQ(database.Records, before);
        EXPECT_EQ(readBytes(DatabaseFileName), fileBefore);
    }
}

TEST_F(DeviceDatabaseTest, The257thRecordIsRefused)
{
    DeviceDatabase database = loadedDatabase();
    for (int i = 0; i < DeviceDatabase::Capacity; ++i)
        database.Records.append(record("0001", "n", "", "f"));
    ASSERT_TRUE(WriteDatabase(database).isEmpty());
    const QByteArray fileBefore = readBytes(DatabaseFileName);

    const AppendOutcome outcome = AppendCurrentDevice(database, "x.plm", device(2, "full"), Today);

    EXPECT_FALSE(outcome.appended);
    EXPECT_EQ(outcome.notices.size(), 1);
    EXPECT_EQ(database.RecordCount(), DeviceDatabase::Capacity);
    EXPECT_EQ(readBytes(DatabaseFileName), fileBefore);
}

TEST_F(DeviceDatabaseTest, RemoveKeepsTheOthersInOrder)
{
    struct Case {
        int index;
        QList<int> kept;
    };
    const Case cases[] = {{0, {1, 2}}, {1, {0, 2}}, {2, {0, 1}}, {3, {0, 1, 2}}, {-1, {0, 1, 2}}};
    const QList<DatabaseRecord> three = {record("0000", "a", "", "a.plm"), record("0001", "b", "", "b.plm"),
                                         record("0002", "c", "", "c.plm")};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.index);
        DeviceDatabase database = loadedDatabase();
        database.Records = three;
        ASSERT_TRUE(WriteDatabase(database).isEmpty());

        EXPECT_TRUE(RemoveRecord(database, c.index).isEmpty());

        QList<DatabaseRecord> expected;
        for (int k : c.kept)
            expected.append(three[k]);
        EXPECT_EQ(database.Records, expected);
        EXPECT_EQ(ParseDatabase(readBytes(DatabaseFileName)).records, expected);
    }
}

// A database that a rewrite would cut short, or whose refused file could not
// be copied aside, refuses every change and leaves its file as it is.
TEST_F(DeviceDatabaseTest, ReadOnlyDatabaseRefusesEveryChange)
{
    QList<DatabaseRecord> records;
    for (int i = 0; i < 300; ++i)
        records.append(record("0001", "n", "", "f"));
    struct Case {
        const char *name;
        std::function<void()> place;
        QString reason;
        int loaded;
    };
    // A link is compared by its target: reading the device would not end.
    const auto fileState = [] {
        const QFileInfo file(DatabaseFileName);
        return file.isSymLink() ? file.symLinkTarget().toUtf8() : readBytes(DatabaseFileName);
    };
    const Case cases[] = {
        {"300 records", [&] { writeBytes(DatabaseFileName, BuildDatabase(records)); }, TooManyRecords, 256},
        {"link to a device", [] { ASSERT_TRUE(QFile::link("/dev/zero", DatabaseFileName)); }, NotCopied, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(DatabaseFileName);
        c.place();
        const QByteArray before = fileState();
        DeviceDatabase database;
        const Notices loaded = LoadDatabase(database, QDir::currentPath());
        ASSERT_EQ(database.RecordCount(), c.loaded);
        // The start-up message says so.
        ASSERT_FALSE(loaded.isEmpty());
        EXPECT_TRUE(loaded.last().text.contains(QStringLiteral("jen pro čtení"))) << loaded.last().text.toStdString();

        EXPECT_EQ(RemoveRecord(database, 0), messages({c.reason}));
        const AppendOutcome appended = AppendCurrentDevice(database, "a.plm", device(1, "a"), Today);
        EXPECT_FALSE(appended.appended);
        EXPECT_EQ(appended.notices, messages({c.reason}));

        EXPECT_EQ(database.RecordCount(), c.loaded);
        EXPECT_EQ(fileState(), before);
    }
}

// A Save makes another folder current; the database must still be rewritten
// where it was loaded from, or the next start would not find the records.
TEST_F(DeviceDatabaseTest, RewritesGoToTheFolderTheDatabaseWasLoadedFrom)
{
    DeviceDatabase database = loadedDatabase();
    ASSERT_TRUE(QDir().mkdir("devices"));
    ASSERT_TRUE(QDir::setCurrent(path("devices")));

    ASSERT_TRUE(AppendCurrentDevice(database, "a.plm", device(1, "a"), Today).appended);

    EXPECT_FALSE(QFileInfo::exists(path("devices/devices.ddl")));
    EXPECT_EQ(ParseDatabase(readBytes(path("devices.ddl"))).records.size(), 1);
}

TEST_F(DeviceDatabaseTest, FailedRewriteKeepsTheTableAndThePreviousFile)
{
    DeviceDatabase database = loadedDatabase();
    ASSERT_TRUE(AppendCurrentDevice(database, "a.plm", device(1, "a"), Today).appended);
    const QByteArray fileBefore = readBytes(DatabaseFileName);

    database.Records.append(record("0002", "b", "", "b.plm"));
    const auto shown = [](const Notices &notices) {
        QStringList texts;
        for (const Notice &n : notices)
            texts << n.text;
        return texts.join(u'\n');
    };
    // Abandoned before the rename, or on a full disk.
    EXPECT_EQ(shown(WriteDatabase(database, [] { return true; })), CannotWrite);
    EXPECT_EQ(testing::underFileSizeLimit(16, [&] { return shown(WriteDatabase(database)); }), CannotWrite);
    EXPECT_EQ(readBytes(DatabaseFileName), fileBefore);
    EXPECT_EQ(QDir().entryList(QDir::Files | QDir::Hidden), QStringList{DatabaseFileName});

    database.Directory = path("gone");
    const AppendOutcome outcome = AppendCurrentDevice(database, "c.plm", device(3, "c"), Today);
    EXPECT_TRUE(outcome.appended);
    EXPECT_EQ(outcome.notices, messages({CannotWrite}));
    EXPECT_EQ(database.RecordCount(), 3);
}

} // namespace
} // namespace pellmora
