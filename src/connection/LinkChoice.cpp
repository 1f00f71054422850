#include "connection/LinkChoice.h"

#include <QSettings>

using namespace Qt::StringLiterals;

namespace pellmora::connection {

namespace {

const QString BackendKey = u"link/backend"_s;
const QString TtyDeviceKey = u"link/ttyDevice"_s;
const QString FtdiDeviceKey = u"link/ftdiDevice"_s;

// A device path longer than any the system makes is not one, nor is a
// serial number longer than a USB string descriptor holds.
constexpr qsizetype DevicePathLimit = 4096;
constexpr qsizetype SerialNumberLimit = 126;

// A stored name read as untrusted text: empty when it cannot be one.
QString storedName(QSettings &settings, const QString &key, qsizetype limit)
{
    const QString name = settings.value(key).toString();
    return name.size() <= limit && !name.contains(QChar::Null) ? name : QString();
}

} // namespace

LinkChoice linkChoiceOf(const LinkOptions &options)
{
    return {options.backend, options.ttyDevice, options.ftdiDevice};
}

LinkOptions withLinkChoice(LinkOptions options, const LinkChoice &choice)
{
    options.backend = choice.backend;
    options.ttyDevice = choice.ttyDevice;
    options.ftdiDevice = choice.ftdiDevice;
    return options;
}

std::optional<LinkChoice> readLinkChoice(QSettings &settings)
{
    const std::optional<Backend> backend = backendFromName(settings.value(BackendKey).toString());
    if (!backend)
        return std::nullopt;
    LinkChoice choice;
    choice.backend = *backend;
    choice.ttyDevice = storedName(settings, TtyDeviceKey, DevicePathLimit);
    choice.ftdiDevice = storedName(settings, FtdiDeviceKey, SerialNumberLimit);
    return choice;
}

bool writeLinkChoice(QSettings &settings, const LinkChoice &choice)
{
    settings.setValue(BackendKey, backendName(choice.backend));
    settings.setValue(TtyDeviceKey, choice.ttyDevice);
    settings.setValue(FtdiDeviceKey, choice.ftdiDevice);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

std::unique_ptr<QSettings> userSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, u"pellmora"_s, u"pellmora"_s);
}

std::optional<LinkOptions> linkOptionsOverStored(const QCommandLineParser &parser, QSettings &settings,
                                                 QString *error)
{
    return linkOptionsFrom(parser, error, withLinkChoice({}, readLinkChoice(settings).value_or(LinkChoice{})));
}

} // namespace pellmora::connection
