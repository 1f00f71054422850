#pragma once

// The database and the configuration file of a folder belong to the first
// program started there: it holds the lock file "pellmora.lock" in the folder
// until it ends. A program started in the same folder while the first runs
// reads both files but writes neither, so that neither program undoes the
// other's changes. A lock left behind by a program that no longer runs is
// taken over, also an empty one that names no program.

#include "model/RunLock.h"

#include <QString>

namespace pellmora::storage {

inline constexpr char FolderLockFileName[] = "pellmora.lock";

class FolderLock {
public:
    // Takes the lock of `folder` unless a running program holds it.
    explicit FolderLock(const QString &folder);

    // Another running program holds the folder's lock. A lock that cannot
    // be made for any other reason (a folder that cannot be written) does not
    // count: the writes then fail and say so on their own.
    bool heldByAnotherProgram() const { return heldByAnother_; }

private:
    model::RunLock lock_;
    bool heldByAnother_ = false;
};

} // namespace pellmora::storage
