#pragma once

// A lock file held for a whole run (QLockFile): a second program that wants
// the same thing while the first runs is told so. A lock file left behind by
// a program that no longer runs is taken over, also one that names no owner
// at all (a program killed between creating the file and writing its
// process id into it leaves it empty).

#include <QLockFile>
#include <QString>

namespace pellmora::model {

class RunLock {
public:
    enum class Result {
        Taken,
        HeldByAnother, // a running program holds it
        Failed,        // the lock file cannot be made (a folder that cannot be written)
    };

    explicit RunLock(const QString &lockFilePath);

    // Takes the lock unless a running program holds it; never waits.
    Result take();

private:
    QLockFile lock_;
    QString path_;
};

} // namespace pellmora::model
