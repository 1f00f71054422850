#pragma once

// The file that keeps the simulated memory between runs: exactly the 512
// memory bytes, in address order (the same layout as a program file).
// Anything else is not used: the memory then starts fresh and the reason is
// kept for the caller to show. Only a memory that has changed is written, so
// that a file that could not be used at start is left as it was unless the
// bus really wrote the memory.

#include <QByteArray>
#include <QString>

namespace pellmora::sim {

class Eeprom24LC04;

class MemoryStateFile {
public:
    explicit MemoryStateFile(QString path); // empty = nothing kept

    // Fills the memory from the file when it holds a usable image.
    void load(Eeprom24LC04 &memory);
    // Writes the cells atomically when they differ from what the file holds;
    // true when there is no path, nothing to write, or the file was written.
    bool save(const QByteArray &cells, QString *error);
    // Why the file could not be used at start; empty when it was read or
    // there was none.
    const QString &problem() const { return problem_; }

private:
    QString path_;
    QByteArray persisted_; // what the file holds (or would, when it is unusable)
    QString problem_;
};

} // namespace pellmora::sim
