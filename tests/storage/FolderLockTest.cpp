#include "storage/FolderLock.h"

#include "TemporaryCurrentDirectory.h"

#include <QDateTime>

#include <memory>

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

} // namespace
} // namespace pellmora
