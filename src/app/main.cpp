// pellmora: the application. Takes the I/O ports (--link ioport) and gives up
// every capability before anything else, then reads the arguments (the link
// stored from the port dialog, the command line over it), enters the user
// folder when told, opens the port backend (one that cannot be opened leaves
// the link closed and the status bar saying why),
// creates the main window (which loads the device database), shows it (which
// reads the configuration, calibrates the speeds and reopens the last
// program), creates the other windows hidden and runs the message loop.

#include "app/AppWindows.h"
#include "ui/Prompt.h"
#include "ui/Session.h"

#include "connection/CommandLine.h"
#include "connection/DeviceConnection.h"
#include "connection/LinkChoice.h"
#include "connection/LinkOptions.h"
#include "connection/StartupPrivileges.h"
#include "link/IoPortBackend.h"
#include "storage/ConfigurationFile.h"
#include "storage/UserFolder.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QSettings>
#include <QTextStream>
#include <QTranslator>

#include <cstdio>
#include <memory>
#include <variant>

using namespace pellmora;
using namespace pellmora::app;
using namespace pellmora::storage;
using namespace pellmora::ui;

using namespace Qt::StringLiterals;

namespace {

void printError(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
}

// The port the configuration file names, read quietly: the port backend is
// opened before the first show reads the configuration (the calibration runs
// through it), and a serial line or the I/O ports must be those of the port
// the user chose last time. The messages come with the real reading.
quint8 configuredPort()
{
    ConfigurationSettings settings;
    if (const std::optional<QByteArray> contents = ReadConfigurationBytes(ConfigurationFileName))
        ParseConfiguration(*contents, settings);
    return settings.SelectedPort;
}

// The program's arguments: the link options and --user-folder.
struct Arguments {
    connection::LinkOptions linkOptions;
    bool userFolder = false;
};

void addOptions(QCommandLineParser &parser)
{
    connection::prepareParser(parser);
    parser.setApplicationDescription(
        u"Composes the switching program of a time switch, programs it into the device and verifies it."_s);
    connection::addLinkOptions(parser);
    parser.addOption({u"user-folder"_s,
                      u"Work in the user folder %1 (created on first start, with about.abg), "
                      "where the configuration and the database are kept; else in the current folder."_s
                          .arg(QDir::toNativeSeparators(storage::userFolderPath()))});
}

void printHelp(const QCommandLineParser &parser)
{
    QTextStream(stdout) << connection::helpText(parser, u"Usage: pellmora [options]"_s);
}

void printVersion()
{
    QTextStream(stdout) << connection::versionText() << '\n';
}

// --help and --version need no display: they are answered before the
// windows' application object exists, which would need one. The other
// arguments wait for it, since it takes out its own options (-platform,
// -style ...) first.
bool answeredWithoutWindows(int &argc, char **argv)
{
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(u"Pellmora"_s);
    QCommandLineParser parser;
    addOptions(parser);
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(u"help"_s))
        printHelp(parser);
    else if (parser.isSet(u"version"_s))
        printVersion();
    else
        return false;
    return true;
}

// The arguments, or the exit status when the program is not to start: a
// wrong argument is named on standard error.
std::variant<Arguments, int> parseArguments()
{
    QCommandLineParser parser;
    addOptions(parser);
    QString error;
    switch (connection::parseArguments(parser, QApplication::arguments(), &error)) {
    case connection::CommandLineRequest::Help:
        printHelp(parser);
        return 0;
    case connection::CommandLineRequest::Version:
        printVersion();
        return 0;
    case connection::CommandLineRequest::Wrong:
        printError(u"pellmora: "_s + error);
        return 2;
    case connection::CommandLineRequest::Run:
        break;
    }
    if (!parser.positionalArguments().isEmpty()) {
        printError(u"pellmora: unexpected argument "_s + parser.positionalArguments().constFirst());
        return 2;
    }
    const std::optional<connection::LinkOptions> options =
        connection::linkOptionsOverStored(parser, *connection::userSettings(), &error);
    if (!options) {
        printError(u"pellmora: "_s + error);
        return 2;
    }
    return Arguments{*options, parser.isSet(u"user-folder"_s)};
}

// The user folder becomes the current directory before anything reads a
// file; the installed about text, else the built-in one, is copied there.
bool enterUserFolder()
{
    QString error;
    if (storage::EnterUserFolder(storage::userFolderPath(), storage::installedAboutTexts() << u":/about.abg"_s,
                                 &error))
        return true;
    printError(error);
    QMessageBox::critical(nullptr, QApplication::applicationName(), error);
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    // Privileges first, before any Qt object exists: the application object
    // loads plugins that the environment names.
    const connection::StartupPrivileges privileges =
        connection::TakeStartupPrivileges(connection::StartupArguments(argc, argv), link::RealIoPortSystem());
    if (!privileges.error.isEmpty()) {
        printError(privileges.error);
        return 1;
    }

    if (answeredWithoutWindows(argc, argv))
        return 0;
    Q_INIT_RESOURCE(assets);
    QApplication app(argc, argv);
    QTranslator qtTranslation;
    prepareApplication(qtTranslation);

    std::variant<Arguments, int> parsed = parseArguments();
    if (const int *exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    Arguments &arguments = std::get<Arguments>(parsed);
    if (arguments.userFolder && !enterUserFolder())
        return 1;
    connection::LinkOptions &options = arguments.linkOptions;
    options.ioPorts = privileges.ioPorts;
    QString error;

    Session session;
    MessageBoxPrompt prompt;
    // A link that cannot be opened does not keep the program from starting:
    // the editor works, the status bar says why, and the next device
    // operation tries again.
    std::unique_ptr<connection::DeviceConnection> connection =
        connection::DeviceConnection::create(options, session.link, configuredPort(), &error);
    if (!connection) {
        printError(error);
        return 1;
    }
    if (!connection->closedReason().isEmpty())
        printError(connection->closedReason());

    ApplicationWindows windows;
    windows.start(session, prompt, *connection);

    const int result = app.exec();
    if (!connection->finish(&error)) {
        printError(error);
        return result == 0 ? 1 : result;
    }
    return result;
}
