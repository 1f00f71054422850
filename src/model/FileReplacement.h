#pragma once

// Atomic replacement of a whole file, shared by every file the program writes
// (program files, configuration, database, the simulated memory, the bus
// trace): either the whole new contents are in place afterwards, or the
// previous file is left byte for byte and the reason is returned.

#include <QByteArray>
#include <QString>

#include <functional>

namespace pellmora::model {

// Called after the new contents were written and before they replace the old
// file; returning true abandons the write (the old file stays as it was).
using WriteInterruption = std::function<bool()>;

struct FileReplacement {
    bool ok = false;
    QString reason;  // why nothing was replaced, for the command line

    explicit operator bool() const { return ok; }
};

// Writes `bytes` into a temporary file beside `path` ("NAME.pellmora-tmp.XXXXXX")
// and renames it over `path` once every byte is known to be on disk. Only a
// regular file (or a name not yet taken) is replaced: a directory, a device
// node or a pipe is refused, and so is a file that may not be written. A
// replaced file keeps its owner, group and permission bits; a new one gets
// 0666 less the umask. A symbolic link is followed and its target replaced; a
// loop of links is refused. Temporary files of the same name left by a run
// that was killed while it wrote are removed first; one that a running
// program is still writing (it holds a native lock on it) is left alone.
FileReplacement replaceFile(const QString &path, const QByteArray &bytes, const WriteInterruption &interrupted = {});

} // namespace pellmora::model
