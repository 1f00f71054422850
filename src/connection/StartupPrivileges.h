#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace pellmora::link {
class IoPortGrant;
class IoPortSystem;
}

namespace pellmora::connection {

// What the process keeps of its privileges once it has started.
struct StartupPrivileges {
    std::shared_ptr<link::IoPortGrant> ioPorts; // with --link ioport: the ports taken
    QString error;                              // a capability could not be given up: do not go on
};

// The first step of `pellmora` and `pellmora-cli`, before any Qt object
// exists (the application object loads plugins named by the environment):
// with --link ioport among `args`, or with no link named there while the
// process holds a capability (the stored link choice may be the I/O ports),
// takes the I/O ports and then gives up every capability; with any other
// link, or arguments that do not parse, gives them up at once. A program file given CAP_SYS_RAWIO thus
// never runs Qt code while it holds the capability.
StartupPrivileges TakeStartupPrivileges(QStringList args, std::unique_ptr<link::IoPortSystem> system);

// The program's arguments after its name, read before the application
// object exists.
QStringList StartupArguments(int argc, char **argv);

} // namespace pellmora::connection
