#pragma once

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace pellmora::link {
class IoPortGrant;
}

namespace pellmora::cli {

// What every command's exit status means.
enum ExitCode {
    ExitOk = 0,
    ExitFailed = 1, // the device, the comparison or a write of the output failed
    ExitUsage = 2,  // bad usage or unreadable input
};

// One command of pellmora-cli: its name and arguments as the usage texts
// show them, the options it takes beside --help and --version, and what it
// does with the arguments once they parsed, its positional arguments are as
// many as it takes and its required options are there.
struct Command {
    QString name;
    QString synopsis; // after the name: "FILE.plm [--wording 1..4] [--on WORD --off WORD]"
    QString summary;  // one sentence for --help
    int positionalCount = 0;
    QStringList requiredOptions = {}; // options with a value that must be given, e.g. "o"
    std::function<void(QCommandLineParser &)> addOptions = {};
    std::function<int(const QCommandLineParser &)> run = {};
};

// Each group of commands registers itself in its own source file.
QList<Command> programFileCommands(); // show, export, import, schedule, report
QList<Command> settingsFileCommands(); // config, db
// test, program, read, verify, clock; --link ioport drives the I/O ports
// taken as the program started.
QList<Command> deviceCommands(const std::shared_ptr<link::IoPortGrant> &ioPorts);
// series: many switches with consecutive identifiers.
QList<Command> seriesCommands(const std::shared_ptr<link::IoPortGrant> &ioPorts);

QList<Command> commands(const std::shared_ptr<link::IoPortGrant> &ioPorts);

// Runs the command that `arguments` (the program's name first) name, or
// answers --help and --version. Returns the exit status.
int runCommandLine(const QList<Command> &commands, const QStringList &arguments);

// "pellmora-cli: TEXT" on standard error; returns ExitUsage.
int usageError(const QString &text);

// Standard output: every command prints through these. Each text is handed
// to the system at once, so that output lost on the way (a full disk, a file
// size limit) is told on standard error as it happens; nothing more is
// printed after that, and the command ends with ExitFailed instead of a
// success (runCommandLine).
void printOut(const QString &text);
void printOut(const QByteArray &utf8);
// One line of standard output, written at once.
void say(const QString &line);

} // namespace pellmora::cli
