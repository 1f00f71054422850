#include "TemporaryCurrentDirectory.h"

#include "storage/DatabaseEntry.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::storage;

namespace pellmora {
namespace {

const QString CannotRead = QStringLiteral("Nelze číst z disku, nebo soubor neexistuje v adresáři : ");

DatabaseRecord record(const QString &file, const QString &date = QStringLiteral("07.12.2026"))
{
    return {QStringLiteral("00A1"), QStringLiteral("Kuchyn"), date, file};
}

QByteArray programBytes(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + 3);
    return bytes;
}

TEST(DatabaseEntryPath, JoinsFolderAndFileWithASlashAndNothingElse)
{
    const struct {
        QString folder;
        QString file;
        QString path;
    } cases[] = {
        {QStringLiteral("C:\\progs"), QStringLiteral("kuchyn.plm"), QStringLiteral("C:\\progs/kuchyn.plm")},
        {QString(), QStringLiteral("kuchyn.plm"), QStringLiteral("/kuchyn.plm")},
        {QStringLiteral("/home/u/progs/"), QStringLiteral("a.plm"), QStringLiteral("/home/u/progs//a.plm")},
        {QStringLiteral("/progs"), QString(), QStringLiteral("/progs/")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(DatabaseEntryPath(c.folder, record(c.file)), c.path) << c.folder.toStdString();
}

class OpenDatabaseEntryTest : public testing::InTemporaryDirectory {
protected:
    void SetUp() override
    {
        InTemporaryDirectory::SetUp();
        ASSERT_TRUE(QDir().mkdir(QStringLiteral("progs")));
        locations.DeviceDirectory = path(QStringLiteral("progs"));
        locations.CurrentFileName = QStringLiteral("previous.plm");
        image.words.fill(0x1234);
    }

    DeviceDatabase database;
    FileLocations locations;
    DeviceImage image;
};

TEST_F(OpenDatabaseEntryTest, ReadsTheRecordsFileOrRefusesItWithItsPath)
{
    const struct {
        const char *name;
        int fileSize;  // -1: no such file
        bool opened;
    } cases[] = {
        {"whole program", 512, true},
        {"longer file: its first 512 bytes", 600, true},
        {"one byte short", 511, false},
        {"empty file", 0, false},
        {"missing file", -1, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        database.Records = {record(QStringLiteral("other.plm"), QStringLiteral("1.1.2025")),
                            record(QStringLiteral("kuchyn.plm"))};
        database.LastProgrammingDate.clear();
        image.words.fill(0x1234);
        const DeviceImage before = image;
        const QString file = path(QStringLiteral("progs/kuchyn.plm"));
        QFile::remove(file);
        if (c.fileSize >= 0)
            writeBytes(file, programBytes(c.fileSize));

        const FileOutcome outcome = OpenDatabaseEntry(database, 1, locations, image);

        EXPECT_EQ(outcome.ok, c.opened);
        EXPECT_EQ(database.LastProgrammingDate, QStringLiteral("07.12.2026"));
        EXPECT_EQ(locations.CurrentFileName, c.opened ? file : QStringLiteral("previous.plm"));
        locations.CurrentFileName = QStringLiteral("previous.plm");
        if (c.opened) {
            EXPECT_TRUE(outcome.notices.isEmpty());
            EXPECT_EQ(image.toBytes(), programBytes(c.fileSize).left(512));
        } else {
            EXPECT_EQ(outcome.notices, Notices{Notice::message(CannotRead + locations.DeviceDirectory
                                                               + QStringLiteral("/kuchyn.plm"))});
            EXPECT_EQ(image, before);
        }
    }
}

TEST_F(OpenDatabaseEntryTest, IndexOutsideTheTableChangesNothing)
{
    database.Records = {record(QStringLiteral("kuchyn.plm"))};
    database.LastProgrammingDate = QStringLiteral("earlier");
    writeBytes(path(QStringLiteral("progs/kuchyn.plm")), programBytes(512));
    const DeviceImage before = image;
    for (const int index : {-1, 1, 256}) {
        const FileOutcome outcome = OpenDatabaseEntry(database, index, locations, image);
        EXPECT_FALSE(outcome.ok) << index;
        EXPECT_TRUE(outcome.notices.isEmpty()) << index;
    }
    EXPECT_EQ(database.LastProgrammingDate, QStringLiteral("earlier"));
    EXPECT_EQ(image, before);
}

TEST_F(OpenDatabaseEntryTest, RecordWithoutFileNameNamesTheFolderAndKeepsTheImage)
{
    // The path is then the folder itself, which is no program file.
    database.Records = {record(QString())};
    const DeviceImage before = image;
    const FileOutcome outcome = OpenDatabaseEntry(database, 0, locations, image);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.notices, Notices{Notice::message(CannotRead + locations.DeviceDirectory + QStringLiteral("/"))});
    EXPECT_EQ(image, before);
}

} // namespace
} // namespace pellmora
