#pragma once

// The byte-level helpers shared by the three files and the about text:
// code page 1250 at the file boundary, line splitting, bounded reading and
// atomic replacement of a whole file.

#include "model/FileReplacement.h"

#include <QByteArray>
#include <QList>
#include <QString>

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

// The one atomic replacement of a whole file, shared with the simulated
// switch's files below the storage layer.
using model::FileReplacement;
using model::replaceFile;
using model::WriteInterruption;

} // namespace pellmora::storage
