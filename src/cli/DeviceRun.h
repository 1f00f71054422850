#pragma once

// What every command that talks to the switch shares: the device options,
// the link they lead to, and the end of the run.

#include "connection/DeviceConnection.h"
#include "connection/LinkOptions.h"
#include "link/Link.h"
#include "link/LinkState.h"
#include "model/DeviceImage.h"
#include "model/Notice.h"

#include <QCommandLineParser>
#include <QString>

#include <memory>
#include <optional>

namespace pellmora::cli {

// The options every device command takes, and what they lead to: the port,
// the speeds, the backend, and the link over them.
struct DeviceRun {
    std::shared_ptr<link::IoPortGrant> ioPorts; // taken as the program started
    connection::LinkOptions linkOptions;
    link::LinkState state;
    bool verbose = false;
    std::unique_ptr<connection::DeviceConnection> connection;

    link::Link &link() { return connection->link(); }
};

// The options every device command takes: the link options, the port, the
// two speeds and --verbose.
void addDeviceOptions(QCommandLineParser &parser);
// Reads the device options into `run`; an error text on bad usage.
QString takeDeviceOptions(const QCommandLineParser &parser, DeviceRun &run);
// Opens the backend and calibrates both speeds; false (after saying why)
// when the port cannot be used.
bool connect(DeviceRun &run);
// Ends the run (trace, simulated memory); a failure there turns a success
// into an error exit.
int finish(DeviceRun &run, int code);
// Each notice's text as a line of standard output.
void printNotices(const model::Notices &notices);
// The program file at `path`; nullopt with a one-line error when it is none.
std::optional<model::DeviceImage> readImage(const QString &path, QString *error);

} // namespace pellmora::cli
