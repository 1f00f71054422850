#include "cli/Commands.h"

#include "connection/CommandLine.h"

#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

using namespace Qt::StringLiterals;

namespace pellmora::cli {

namespace {

using connection::CommandLineRequest;

void tellLostOutput(int error)
{
    QTextStream(stderr) << "pellmora-cli: standard output: cannot be written: "
                        << QString::fromLocal8Bit(std::strerror(error)) << '\n';
}

// The exit status once the command's output is out: a success whose output
// did not reach its place whole is a failure.
int withOutputChecked(int code)
{
    const bool told = std::ferror(stdout) != 0;
    if (std::fflush(stdout) != 0 && !told)
        tellLostOutput(errno);
    if (std::ferror(stdout) != 0 && code == ExitOk)
        return ExitFailed;
    return code;
}

QString usageLine(const Command &command)
{
    return (u"pellmora-cli "_s + command.name + u' ' + command.synopsis).trimmed();
}

int usageOf(const Command &command)
{
    QTextStream(stderr) << "usage: " << usageLine(command) << '\n';
    return ExitUsage;
}

// The commands, one synopsis a line, for the program's --help.
QString commandList(const QList<Command> &commands)
{
    QString list = u"Program files, settings files and the time switch on the command line.\n\nCommands:\n"_s;
    for (const Command &command : commands)
        list += u"  "_s + usageLine(command) + u'\n';
    return list + u"\n'pellmora-cli COMMAND --help' describes a command and its options."_s;
}

// Parses the arguments: --help (with the usage line `usage`) and --version
// are answered, a wrong argument is refused; nullopt when the command runs.
std::optional<int> answeredOrRefused(QCommandLineParser &parser, const QStringList &arguments, const QString &usage)
{
    QString error;
    switch (connection::parseArguments(parser, arguments, &error)) {
    case CommandLineRequest::Wrong:
        return usageError(error);
    case CommandLineRequest::Help:
        printOut(connection::helpText(parser, usage));
        return ExitOk;
    case CommandLineRequest::Version:
        printOut(connection::versionText() + u'\n');
        return ExitOk;
    case CommandLineRequest::Run:
        break;
    }
    return std::nullopt;
}

// Whether the command has its positional arguments and required options.
bool complete(const Command &command, const QCommandLineParser &parser)
{
    for (const QString &name : command.requiredOptions) {
        if (parser.value(name).isEmpty())
            return false;
    }
    return parser.positionalArguments().size() == command.positionalCount;
}

// A file named by an empty argument (-o "", an empty FILE): the reason, or
// nothing when every file argument names something. The synopsis tells which
// positional arguments are files.
std::optional<QString> emptyFileName(const Command &command, const QCommandLineParser &parser)
{
    for (const QString &name : command.requiredOptions) {
        if (parser.isSet(name) && parser.value(name).isEmpty())
            return u"-%1: the file name is empty"_s.arg(name);
    }
    const QStringList words = command.synopsis.split(u' ', Qt::SkipEmptyParts);
    const QStringList arguments = parser.positionalArguments();
    for (qsizetype i = 0; i < arguments.size() && i < words.size(); ++i) {
        if (arguments[i].isEmpty() && words[i].contains(u"FILE"_s))
            return u"%1: the file name is empty"_s.arg(command.name);
    }
    return std::nullopt;
}

// The arguments of one command (its name taken out): --help and --version
// answered, a wrong option or an incomplete command refused.
int runCommand(const Command &command, const QStringList &arguments)
{
    QCommandLineParser parser;
    connection::prepareParser(parser);
    parser.setApplicationDescription(command.summary);
    if (command.addOptions)
        command.addOptions(parser);
    if (const std::optional<int> answered =
            answeredOrRefused(parser, arguments, u"Usage: "_s + usageLine(command)))
        return *answered;
    if (const std::optional<QString> empty = emptyFileName(command, parser))
        return usageError(*empty);
    if (!complete(command, parser))
        return usageOf(command);
    return command.run(parser);
}

// Arguments that name no command: --help, --version, or a usage error.
int runWithoutCommand(const QList<Command> &commands, const QStringList &arguments)
{
    QCommandLineParser parser;
    connection::prepareParser(parser);
    parser.setApplicationDescription(commandList(commands));
    const QString usage = u"Usage: pellmora-cli COMMAND [ARGUMENTS]"_s;
    if (const std::optional<int> answered = answeredOrRefused(parser, arguments, usage))
        return *answered;
    if (!parser.positionalArguments().isEmpty())
        return usageError(u"unknown command "_s + parser.positionalArguments().constFirst());
    QTextStream(stderr) << connection::helpText(parser, usage);
    return ExitUsage;
}

} // namespace

QList<Command> commands(const std::shared_ptr<link::IoPortGrant> &ioPorts)
{
    return programFileCommands() + settingsFileCommands() + deviceCommands(ioPorts) + seriesCommands(ioPorts);
}

int runCommandLine(const QList<Command> &commands, const QStringList &arguments)
{
    const QString name = arguments.value(1);
    for (const Command &command : commands) {
        if (command.name == name)
            return withOutputChecked(runCommand(command, arguments.mid(0, 1) + arguments.mid(2)));
    }
    return withOutputChecked(runWithoutCommand(commands, arguments));
}

int usageError(const QString &text)
{
    QTextStream(stderr) << "pellmora-cli: " << text << '\n';
    return ExitUsage;
}

void printOut(const QByteArray &utf8)
{
    if (std::ferror(stdout) != 0)
        return; // already lost, and told
    if (std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stdout) != size_t(utf8.size())
        || std::fflush(stdout) != 0)
        tellLostOutput(errno);
}

void printOut(const QString &text)
{
    printOut(text.toUtf8());
}

void say(const QString &line)
{
    printOut(line + u'\n');
}

} // namespace pellmora::cli
