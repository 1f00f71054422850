#include "storage/FileText.h"

#include "model/Cp1250.h"

#include <QFile>

using namespace pellmora::model;

namespace pellmora::storage {

namespace {
constexpr qint64 ChunkSize = 64 * 1024;
} // namespace

QString decodeFileText(const QByteArray &bytes)
{
    return fromCp1250(bytes);
}

QByteArray encodeFileText(const QString &text)
{
    return toCp1250(text);
}

QList<QByteArray> splitLines(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.append(bytes.mid(start, i - start));
        const bool crlf = c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
        i += crlf ? 2 : 1;
        start = i;
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start));
    return lines;
}

std::optional<QByteArray> readFileHead(const QString &path, qint64 limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes;
    while (bytes.size() < limit) {
        const QByteArray chunk = file.read(qMin<qint64>(limit - bytes.size(), ChunkSize));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    return bytes;
}

} // namespace pellmora::storage
