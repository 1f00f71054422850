#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace pellmora::cli {

enum ExitCode { ExitOk = 0, ExitRefused = 1, ExitUsage = 2 };

struct Command {
    QString name;
    std::function<int(QStringList)> run;
};

// Each group of commands registers itself in its own source file.
QList<Command> programFileCommands(); // show, export, import, schedule, report
QList<Command> settingsFileCommands(); // config, db
QList<Command> deviceCommands();      // test, program, read, verify, clock

QList<Command> commands();

} // namespace pellmora::cli
