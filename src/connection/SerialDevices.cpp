#include "connection/SerialDevices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace pellmora::connection {

namespace {

// The kinds of serial device offered, in the order they are listed.
const QStringList &devicePrefixes()
{
    static const QStringList prefixes{u"ttyS"_s, u"ttyUSB"_s, u"ttyACM"_s};
    return prefixes;
}

// The number after the prefix, -1 when the name is not prefix + digits.
int deviceNumber(const QString &name, const QString &prefix)
{
    if (!name.startsWith(prefix) || name.size() == prefix.size())
        return -1;
    bool ok = false;
    const int number = QStringView(name).mid(prefix.size()).toInt(&ok);
    return ok && number >= 0 ? number : -1;
}

// The kernel makes a node for every 8250 port it has room for; sysfs gives
// those without a UART the port type 0.
bool hasUart(const QString &root, const QString &name)
{
    QFile type(root + u"/sys/class/tty/"_s + name + u"/type"_s);
    if (!type.open(QIODevice::ReadOnly))
        return true;
    return type.read(16).trimmed() != "0";
}

// /dev/ttyUSB0 -> /dev/serial/by-id/usb-..., for every link there that
// leads to a device node.
QHash<QString, QString> stableNames(const QString &root)
{
    QHash<QString, QString> names;
    const QDir byId(root + u"/dev/serial/by-id"_s);
    const QFileInfoList links = byId.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    const QString rootPath = QDir::cleanPath(QDir(root).absolutePath());
    for (const QFileInfo &link : links) {
        if (!link.isSymLink())
            continue;
        QString target = QDir::cleanPath(link.symLinkTarget());
        if (rootPath != u"/"_s) {
            if (!target.startsWith(rootPath + u'/'))
                continue;
            target = target.mid(rootPath.size());
        }
        if (!names.contains(target))
            names.insert(target, u"/dev/serial/by-id/"_s + link.fileName());
    }
    return names;
}

} // namespace

QList<SerialDevice> listSerialDevices(const QString &root)
{
    const QDir dev(root + u"/dev"_s);
    const QStringList entries = dev.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    const QHash<QString, QString> byId = stableNames(root);
    QList<SerialDevice> devices;
    for (const QString &prefix : devicePrefixes()) {
        QList<std::pair<int, QString>> numbered;
        for (const QString &name : entries) {
            const int number = deviceNumber(name, prefix);
            if (number >= 0 && (prefix != u"ttyS" || hasUart(root, name)))
                numbered.append({number, name});
        }
        std::sort(numbered.begin(), numbered.end());
        for (const auto &[number, name] : numbered) {
            const QString path = u"/dev/"_s + name;
            devices.append({path, byId.value(path)});
        }
    }
    return devices;
}

} // namespace pellmora::connection
