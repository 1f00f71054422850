#pragma once

#include "connection/LinkOptions.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QCommandLineParser;
class QSettings;

namespace pellmora::connection {

// The link the user chose in the port dialog, remembered between runs of
// both programs: the backend and, for a serial device, its path (empty: the
// selected COM port's own /dev/ttyS0..3), for an FTDI cable its serial
// number (empty: the only one connected).
struct LinkChoice {
    LinkChoice() = default;
    LinkChoice(Backend backend_, QString ttyDevice_ = {}, QString ftdiDevice_ = {})
        : backend(backend_), ttyDevice(std::move(ttyDevice_)), ftdiDevice(std::move(ftdiDevice_))
    {
    }

    Backend backend = Backend::Sim;
    QString ttyDevice;
    QString ftdiDevice;

    bool operator==(const LinkChoice &) const = default;
};

LinkChoice linkChoiceOf(const LinkOptions &options);
// `options` with the choice's backend and serial device.
LinkOptions withLinkChoice(LinkOptions options, const LinkChoice &choice);

// The choice stored in `settings`, read as untrusted text: nullopt when none
// is stored or what is stored names no link (the simulated switch then).
std::optional<LinkChoice> readLinkChoice(QSettings &settings);
// Stores the choice and writes it out at once; false when it could not be
// written.
bool writeLinkChoice(QSettings &settings, const LinkChoice &choice);

// The user's own settings of both programs, apart from the configuration
// file in the working folder (on Linux ~/.config/pellmora/pellmora.conf).
std::unique_ptr<QSettings> userSettings();

// The link options of one run: the choice stored in `settings`, with the
// link options of the command line `parser` has parsed over it for this run
// only (linkOptionsFrom).
std::optional<LinkOptions> linkOptionsOverStored(const QCommandLineParser &parser, QSettings &settings,
                                                 QString *error);

} // namespace pellmora::connection
