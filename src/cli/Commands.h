#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace pellmora::link {
class IoPortGrant;
}

namespace pellmora::cli {

enum ExitCode { ExitOk = 0, ExitRefused = 1, ExitUsage = 2 };

struct Command {
    QString name;
    std::function<int(QStringList)> run;
};

// Each group of commands registers itself in its own source file.
QList<Command> programFileCommands(); // show, export, import, schedule, report
QList<Command> settingsFileCommands(); // config, db
// test, program, read, verify, clock; --link ioport drives the I/O ports
// taken as the program started.
QList<Command> deviceCommands(const std::shared_ptr<link::IoPortGrant> &ioPorts);

QList<Command> commands(const std::shared_ptr<link::IoPortGrant> &ioPorts);

} // namespace pellmora::cli
