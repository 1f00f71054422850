#pragma once

// The byte-level helpers shared by the three files and the about text:
// code page 1250 at the file boundary, line splitting, bounded reading and
// atomic replacement of a whole file.

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace pellmora::storage {

// Code page 1250 <-> text. Every byte decodes to one character and back.
QString decodeFileText(const QByteArray &bytes);
QByteArray encodeFileText(const QString &text);

// Splits file contents into lines ended by CR LF, LF or a lone CR. A last line
// without an ending counts; an empty input has no lines.
QList<QByteArray> splitLines(const QByteArray &bytes);

// Reads at most `limit` bytes from the start of the file; nothing when the
// file cannot be opened.
std::optional<QByteArray> readFileHead(const QString &path, qint64 limit);

// Called after the new contents were written and before they replace the old
// file; returning true abandons the write (the old file stays as it was).
using WriteInterruption = std::function<bool()>;

// Replaces the file with `bytes` as one step: either the whole new contents
// are in place afterwards, or the previous file is left byte for byte.
bool replaceFile(const QString &path, const QByteArray &bytes,
                 const WriteInterruption &interrupted = {});

} // namespace pellmora::storage
