#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace pellmora::connection {

// What a command line asks of `pellmora` and `pellmora-cli`.
enum class CommandLineRequest {
    Run,     // the arguments parsed: go on
    Help,    // --help: print helpText() on standard output, exit 0
    Version, // --version: print versionText() on standard output, exit 0
    Wrong,   // a wrong argument: say which, exit 2
};

// A parser for our programs: -h/--help, -v/--version, options spelt with one
// dash or two ("-o", "--link"), options also after the positional arguments.
void prepareParser(QCommandLineParser &parser);

// Parses `arguments` (the program's name first). A wrong argument is named
// in `error`: "unknown option --frob", "--link needs a value",
// "--verbose takes no value".
CommandLineRequest parseArguments(QCommandLineParser &parser, const QStringList &arguments, QString *error);

// The parser's help with its first line replaced by `usage`
// ("Usage: pellmora-cli show FILE.plm [options]").
QString helpText(const QCommandLineParser &parser, const QString &usage);

// "<application name> <version>", e.g. "pellmora-cli 0.1".
QString versionText();

} // namespace pellmora::connection
