#pragma once

// The file that keeps the simulated memory between runs: exactly the 512
// memory bytes, in address order (the same layout as a program file).
// Anything else is not used: the memory then starts fresh and the reason is
// kept for the caller to show. Only a memory that has changed is written, so
// that a file that could not be used at start is left as it was unless the
// bus really wrote the memory.
//
// The file belongs to one run at a time, as a port does: a run holds the lock
// file "PATH.lock" beside it while it lives, and a second run on the same
// file is refused (refusal()) and neither reads nor writes it. So is a path
// that names something other than a regular file (a folder, a pipe, a
// device), which is never opened for reading or written.

#include "model/RunLock.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace pellmora::sim {

class Eeprom24LC04;

class MemoryStateFile {
public:
    explicit MemoryStateFile(QString path); // empty = nothing kept
    ~MemoryStateFile();

    // Takes the file for this run and fills the memory from it when it holds
    // a usable image. Called again after a refusal, it tries once more.
    void load(Eeprom24LC04 &memory);
    // Writes the cells atomically when they differ from what the file holds;
    // true when there is no path, nothing to write, or the file was written.
    // A refused file is never written.
    bool save(const QByteArray &cells, QString *error);
    // Why the file could not be used at start; empty when it was read or
    // there was none.
    const QString &problem() const { return problem_; }
    // Why this run may not use the file at all, in a sentence for the user;
    // empty when it may.
    const QString &refusal() const { return refusal_; }

private:
    bool take();
    void read(Eeprom24LC04 &memory);

    QString path_;
    std::unique_ptr<model::RunLock> lock_;
    QByteArray persisted_; // what the file holds (or would, when it is unusable)
    QString problem_;
    QString refusal_;
};

} // namespace pellmora::sim
