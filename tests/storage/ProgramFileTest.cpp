#include "storage/ProgramFile.h"

#include "FileSizeLimit.h"
#include "TemporaryCurrentDirectory.h"

#include <QFileInfo>

#include <csignal>
#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::storage;

namespace pellmora {
namespace {

using testing::InTemporaryDirectory;
using testing::underFileSizeLimit;

QByteArray pattern(qsizetype size, int seed = 1)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed * 13) & 0xFF);
    return bytes;
}

DeviceImage patternImage(int seed)
{
    return DeviceImage::fromBytes(pattern(DeviceImage::ByteCount, seed));
}

const QString ProgramCannotBeRead = QStringLiteral("Nelze číst z disku");
const QString CannotSave =
    QStringLiteral("Nelze zapisovat na disk nebo je chybná cesta, nahlédněte prosím do ADRESÁŘŮ");
const QString ProgramCannotBeWritten = QStringLiteral("Nelze zapisovat na disk");
const QString LastFileMissing = QStringLiteral("Nelze číst z disku, nebo soubor neexistuje v adresáři : ");

using ProgramFileTest = InTemporaryDirectory;

TEST_F(ProgramFileTest, SaveAsThenOpenRestoresTheSame512Bytes)
{
    FileLocations locations;
    const DeviceImage saved = patternImage(3);
    ASSERT_TRUE(SaveProgramAs(path("a.plm"), locations, saved).ok);
    EXPECT_EQ(locations.CurrentFileName, path("a.plm"));
    EXPECT_EQ(QFileInfo(path("a.plm")).size(), 512);

    DeviceImage opened;
    locations.CurrentFileName.clear();
    const FileOutcome outcome = OpenProgramFile(path("a.plm"), locations, opened);
    EXPECT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.notices.isEmpty());
    EXPECT_EQ(opened, saved);
    EXPECT_EQ(locations.CurrentFileName, path("a.plm"));
}

// Open accepts any file of at least 512 bytes as its first 512; a shorter or
// missing file leaves the image as it was and is reported.
TEST_F(ProgramFileTest, OpenTakesTheFirst512BytesOrNothing)
{
    struct Case {
        const char *name;
        qsizetype size;  // -1: no file
        bool replaced;
    };
    const Case cases[] = {
        {"missing", -1, false}, {"empty", 0, false},   {"100 bytes", 100, false},
        {"511 bytes", 511, false}, {"512 bytes", 512, true}, {"1000 bytes", 1000, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = path(QStringLiteral("%1.plm").arg(c.size));
        if (c.size >= 0)
            writeBytes(file, pattern(c.size, 5));
        const DeviceImage before = patternImage(9);
        DeviceImage image = before;
        FileLocations locations;
        locations.CurrentFileName = QStringLiteral("previous.plm");

        const FileOutcome outcome = OpenProgramFile(file, locations, image);

        EXPECT_EQ(outcome.ok, c.replaced);
        EXPECT_EQ(locations.CurrentFileName, file);
        if (c.replaced) {
            EXPECT_TRUE(outcome.notices.isEmpty());
            EXPECT_EQ(image.toBytes(), pattern(c.size, 5).left(512));
        } else {
            EXPECT_EQ(outcome.notices, Notices{Notice::message(ProgramCannotBeRead)});
            EXPECT_EQ(image, before);
        }
    }
}

TEST_F(ProgramFileTest, StartUpReopenReportsAMissingOrShortFileAndKeepsTheImageZero)
{
    struct Case {
        const char *name;
        QString fileName;
        qsizetype size;  // -1: no file
        bool replaced;
        bool reported;
    };
    const Case cases[] = {
        {"no current file", QString(), -1, false, false},
        {"missing", QStringLiteral("gone.plm"), -1, false, true},
        {"100 bytes", QStringLiteral("short.plm"), 100, false, true},
        {"512 bytes", QStringLiteral("exact.plm"), 512, true, false},
        {"1000 bytes", QStringLiteral("long.plm"), 1000, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.size >= 0)
            writeBytes(c.fileName, pattern(c.size, 2));
        FileLocations locations;
        locations.CurrentFileName = c.fileName;
        DeviceImage image;

        const FileOutcome outcome = OpenLastFile(locations, image);

        EXPECT_EQ(outcome.ok, c.replaced);
        EXPECT_EQ(locations.CurrentFileName, c.fileName);
        EXPECT_EQ(image.toBytes(), c.replaced ? pattern(c.size, 2).left(512) : QByteArray(512, '\0'));
        const Notices expected =
            c.reported ? Notices{Notice::message(LastFileMissing + c.fileName)} : Notices{};
        EXPECT_EQ(outcome.notices, expected);
    }
}

// Save enters DeviceDirectory and stays there; without a current file it
// asks for a name, with a relative one it writes in that folder.
TEST_F(ProgramFileTest, SaveWritesInTheDeviceDirectoryOrAsksForAName)
{
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("devices")));
    const QString devices = path(QStringLiteral("devices"));
    for (const QString &current : {QString(), QStringLiteral("relative.plm")}) {
        SCOPED_TRACE(current.toStdString());
        QDir::setCurrent(folder.path());
        const FileLocations locations{current, devices, folder.path(), QString()};

        const SaveOutcome outcome = SaveProgram(locations, patternImage(4));

        EXPECT_EQ(outcome.result, current.isEmpty() ? SaveResult::NeedsFileName : SaveResult::Saved);
        EXPECT_TRUE(outcome.notices.isEmpty());
        EXPECT_EQ(QDir::currentPath(), QDir(devices).canonicalPath());
        EXPECT_EQ(QDir(devices).entryList(QDir::Files), current.isEmpty() ? QStringList() : QStringList{current});
    }
    EXPECT_EQ(readBytes(path(QStringLiteral("devices/relative.plm"))), pattern(512, 4));
}

// Every refused Save writes nothing and leaves an existing file as it was.
TEST_F(ProgramFileTest, RefusedSaveWritesNothing)
{
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("devices")));
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("devices/folder.plm")));
    writeBytes(QStringLiteral("kept.plm"), pattern(512, 8));
    struct Case {
        const char *name;
        QString deviceDirectory;
        QString currentFileName;
    };
    const Case cases[] = {
        {"empty device directory", QString(), path(QStringLiteral("kept.plm"))},
        {"device directory missing", path(QStringLiteral("nowhere")), path(QStringLiteral("kept.plm"))},
        {"current file is a folder", path(QStringLiteral("devices")), QStringLiteral("folder.plm")},
        {"current file in a missing folder", path(QStringLiteral("devices")), path(QStringLiteral("no/x.plm"))},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir::setCurrent(folder.path());
        const FileLocations locations{c.currentFileName, c.deviceDirectory, folder.path(), QString()};

        const SaveOutcome outcome = SaveProgram(locations, patternImage(1));

        EXPECT_EQ(outcome.result, SaveResult::Failed);
        EXPECT_EQ(outcome.notices, Notices{Notice::message(CannotSave)});
        EXPECT_EQ(readBytes(path(QStringLiteral("kept.plm"))), pattern(512, 8));
        EXPECT_TRUE(QFileInfo(path(QStringLiteral("devices/folder.plm"))).isDir());
    }
}

TEST_F(ProgramFileTest, SaveAsThatCannotCreateTheFileKeepsTheNewName)
{
    FileLocations locations;
    const QString target = path(QStringLiteral("missing/new.plm"));

    const FileOutcome outcome = SaveProgramAs(target, locations, patternImage(1));

    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.notices, Notices{Notice::message(ProgramCannotBeWritten)});
    EXPECT_EQ(locations.CurrentFileName, target);
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(ProgramFileTest, WriteInterruptedBeforeCommitLeavesThePreviousFile)
{
    const QByteArray previousBytes = pattern(700, 6);  // an older, longer file
    writeBytes(QStringLiteral("a.plm"), previousBytes);

    EXPECT_FALSE(WriteProgramFile(QStringLiteral("a.plm"), patternImage(2), [] { return true; }));

    EXPECT_EQ(readBytes(QStringLiteral("a.plm")), previousBytes);
    EXPECT_EQ(QDir().entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("a.plm")});
}

QString texts(const Notices &notices)
{
    QStringList shown;
    for (const Notice &n : notices)
        shown << n.text;
    return shown.join(u'\n');
}

// A Save or Save as that cannot put every byte on the disk says so and leaves
// the previous file byte for byte, with no temporary file beside it.
TEST_F(ProgramFileTest, SaveOnAFullDiskKeepsThePreviousFileAndSaysSo)
{
    const QByteArray previousBytes = pattern(700, 6);
    const QString file = path(QStringLiteral("a.plm"));
    struct Case {
        const char *name;
        std::function<Notices()> save;
        QString message;
    };
    const Case cases[] = {
        {"Save", [&] { return SaveProgram({file, folder.path(), folder.path(), {}}, patternImage(2)).notices; },
         CannotSave},
        {"Save as", [&] { FileLocations l; return SaveProgramAs(file, l, patternImage(2)).notices; }, ProgramCannotBeWritten},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(file, previousBytes);

        EXPECT_EQ(underFileSizeLimit(100, [&] { return texts(c.save()); }), c.message);

        EXPECT_EQ(readBytes(file), previousBytes);
        EXPECT_EQ(QDir().entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("a.plm")});
    }
}

// Only a regular file is replaced: a pipe, a device node or a folder of that
// name, also behind a symbolic link, is refused with the reason and stays.
TEST_F(ProgramFileTest, OnlyARegularFileIsReplaced)
{
    ASSERT_EQ(::mkfifo("pipe", 0644), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("pipe"), QStringLiteral("link")));
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("folder")));
    // A character device with the numbers of the null device, where this user may make one.
    const bool deviceNode = ::mknod("node", S_IFCHR | 0666, makedev(1, 3)) == 0;
    struct Case {
        const char *name;
        mode_t type;
    };
    const Case cases[] = {{"pipe", S_IFIFO}, {"link", S_IFIFO}, {"folder", S_IFDIR}, {"node", S_IFCHR}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.type == S_IFCHR && !deviceNode)
            continue;

        const FileReplacement written = WriteProgramFile(QString::fromLatin1(c.name), patternImage(1));

        EXPECT_FALSE(written.ok);
        EXPECT_TRUE(written.reason.contains(QStringLiteral("not a regular file"))) << written.reason.toStdString();
        struct stat status {};
        ASSERT_EQ(::stat(c.name, &status), 0);
        EXPECT_EQ(status.st_mode & S_IFMT, c.type);
    }
    const QStringList left = QDir().entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    EXPECT_EQ(left.join(u' ').toStdString(), deviceNode ? "folder link node pipe" : "folder link pipe");
}

// A replaced file keeps its owner, group and permission bits (an
// administrator saving a user's program leaves it the user's).
TEST_F(ProgramFileTest, AReplacedFileKeepsItsOwnerAndPermissions)
{
    writeBytes(QStringLiteral("a.plm"), pattern(512, 1));
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown("a.plm", 4321, 4322), 0);
    }
    ASSERT_EQ(::chmod("a.plm", 0604), 0);
    struct stat before {};
    ASSERT_EQ(::stat("a.plm", &before), 0);

    ASSERT_TRUE(WriteProgramFile(QStringLiteral("a.plm"), patternImage(2)));

    struct stat after {};
    ASSERT_EQ(::stat("a.plm", &after), 0);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(readBytes(QStringLiteral("a.plm")), pattern(512, 2));
}

// A save killed before its new file was in place leaves a temporary file; the
// next save of the same file removes it, but never a file the user named
// alike, nor the temporary file of a save that is still running.
TEST_F(ProgramFileTest, TheNextSaveRemovesWhatAKilledSaveLeft)
{
    writeBytes(QStringLiteral("a.plm"), pattern(512, 1));
    writeBytes(QStringLiteral("a.plm.backup"), pattern(512, 2));
    writeBytes(QStringLiteral("b.plm"), pattern(512, 3));
    const auto files = [] { return QDir().entryList(QDir::Files | QDir::Hidden | QDir::System).join(u' '); };
    const auto saveIn = [](const char *name, int seed, const std::function<bool()> &beforeCommit) {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(WriteProgramFile(QString::fromLatin1(name), patternImage(seed), beforeCommit) ? 0 : 1);
        return child;
    };
    const auto status = [](pid_t child) {
        int ended = 0;
        return ::waitpid(child, &ended, 0) == child ? ended : -1;
    };
    for (const char *name : {"a.plm", "b.plm"}) {
        const int killed = status(saveIn(name, 4, [] { return ::raise(SIGKILL) != 0; }));
        ASSERT_TRUE(WIFSIGNALED(killed));
    }
    ASSERT_EQ(QDir().entryList(QDir::Files).size(), 5) << files().toStdString();

    // A save of a.plm that is still running while the next one runs.
    int ready[2];
    int proceed[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(proceed), 0);
    const pid_t running = saveIn("a.plm", 6, [&] {
        char go = 0;
        return ::write(ready[1], "r", 1) != 1 || ::read(proceed[0], &go, 1) != 1;
    });
    char signal = 0;
    ASSERT_EQ(::read(ready[0], &signal, 1), 1);

    ASSERT_TRUE(WriteProgramFile(QStringLiteral("a.plm"), patternImage(5)));
    EXPECT_EQ(readBytes(QStringLiteral("a.plm")), pattern(512, 5));
    EXPECT_EQ(QDir().entryList(QDir::Files).size(), 5) << "b.plm's and the running save's stay: " << files().toStdString();

    ASSERT_EQ(::write(proceed[1], "g", 1), 1);
    const int finished = status(running);
    EXPECT_TRUE(WIFEXITED(finished) && WEXITSTATUS(finished) == 0) << "the running save went through";
    EXPECT_EQ(readBytes(QStringLiteral("a.plm")), pattern(512, 6));
    for (int fd : {ready[0], ready[1], proceed[0], proceed[1]})
        ::close(fd);

    ASSERT_TRUE(WriteProgramFile(QStringLiteral("b.plm"), patternImage(7)));
    EXPECT_EQ(files().toStdString(), "a.plm a.plm.backup b.plm");
    EXPECT_EQ(readBytes(QStringLiteral("a.plm.backup")), pattern(512, 2));
}

TEST_F(ProgramFileTest, ClosingReturnsToTheStartUpDirectory)
{
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("devices")));
    ASSERT_TRUE(QDir::setCurrent(path(QStringLiteral("devices"))));
    FileLocations locations;
    locations.StartUpDirectory = folder.path();
    EXPECT_TRUE(EnterStartUpDirectory(locations).ok);
    EXPECT_EQ(QDir::currentPath(), QDir(folder.path()).canonicalPath());

    locations.StartUpDirectory = path(QStringLiteral("gone"));
    const FileOutcome outcome = EnterStartUpDirectory(locations);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.notices,
              Notices{Notice::message(QStringLiteral("Nějaká vadná cesta spustitelného souboru (PMX): ")
                                      + locations.StartUpDirectory
                                      + QStringLiteral(" , nemohu uložit změny doposavad provedené"))});
    EXPECT_EQ(QDir::currentPath(), QDir(folder.path()).canonicalPath());
}

} // namespace
} // namespace pellmora
