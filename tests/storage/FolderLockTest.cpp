#include "storage/FolderLock.h"

#include "TemporaryCurrentDirectory.h"

#include <QCoreApplication>
#include <QDateTime>

#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace pellmora;
using namespace pellmora::storage;

namespace pellmora {
namespace {

using FolderLockTest = testing::InTemporaryDirectory;

// The first program holds its folder for its whole run, however long; the
// folder is free again once it has ended.
TEST_F(FolderLockTest, HeldByTheFirstProgramUntilItEnds)
{
    struct Case {
        const char *name;
        int ageInSeconds;
    };
    const Case cases[] = {{"just taken", 0}, {"held for a day", 24 * 3600}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto first = std::make_unique<FolderLock>(folder.path());
        ASSERT_FALSE(first->heldByAnotherProgram());
        QFile lockFile(path(FolderLockFileName));
        ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
        ASSERT_TRUE(lockFile.setFileTime(QDateTime::currentDateTime().addSecs(-c.ageInSeconds),
                                         QFileDevice::FileModificationTime));
        lockFile.close();

        EXPECT_TRUE(FolderLock(folder.path()).heldByAnotherProgram());

        first.reset();
        EXPECT_FALSE(FolderLock(folder.path()).heldByAnotherProgram());
    }
}

// A lock file that names no running program is taken over, also one left
// empty or garbled by a program killed while it wrote it; an empty one whose
// program still holds it open (it is about to write its id) is not.
TEST_F(FolderLockTest, ALockLeftBehindIsTakenOver)
{
    struct Case {
        const char *name;
        QByteArray contents;
        int ageInSeconds;
        bool stillOpenInItsProgram;
        bool held;
    };
    const Case cases[] = {
        {"empty, left by a killed program", "", 60, false, false},
        {"empty, left a moment ago", "", 0, false, false},
        {"garbled", "\x01?\nno pid\n", 3600, false, false},
        {"empty while its program writes it", "", 0, true, true},
        {"empty while a program started long ago writes it", "", 60, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString lockPath = path(FolderLockFileName);
        writeBytes(lockPath, c.contents);
        QFile lockFile(lockPath);
        ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
        ASSERT_TRUE(lockFile.setFileTime(QDateTime::currentDateTime().addSecs(-c.ageInSeconds),
                                         QFileDevice::FileModificationTime));
        if (c.stillOpenInItsProgram) {
            ASSERT_EQ(::flock(lockFile.handle(), LOCK_EX | LOCK_NB), 0);
        } else {
            lockFile.close();
        }

        {
            const FolderLock next(folder.path());
            EXPECT_EQ(next.heldByAnotherProgram(), c.held);
            qint64 pid = 0;
            QString host;
            QString application;
            const bool named = QLockFile(lockPath).getLockInfo(&pid, &host, &application);
            EXPECT_EQ(named && pid == QCoreApplication::applicationPid(), !c.held);
        }
        lockFile.close();
        QFile::remove(lockPath);
    }
}

} // namespace
} // namespace pellmora
