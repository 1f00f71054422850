#pragma once

// A file that the program refuses to read at start-up (the database or the
// configuration file) would be replaced by a new one at the next write. Its
// bytes are copied aside first: "devices.ddl" to "devices.ddl.bak", or to
// "devices.ddl.bak.1", "devices.ddl.bak.2" ... when that name is taken.

#include <QString>

#include <optional>

namespace pellmora::storage {

// Copies the regular file at `path` to its first free backup name and returns
// the copy's full path; nothing when no copy could be made (no regular file,
// a folder that cannot be written).
std::optional<QString> CopyRefusedFile(const QString &path);

// The sentence the start-up message adds about the copy.
QString RefusedFileCopiedText(const QString &copy);

} // namespace pellmora::storage
