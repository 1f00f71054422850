// pellmora: the application. Takes the I/O ports (--link ioport) and gives up
// every capability before anything else, then reads the link options, opens
// the port backend,
// creates the main window (which loads the device database), shows it (which
// reads the configuration, calibrates the speeds and reopens the last
// program), creates the other windows hidden and runs the message loop.

#include "app/AppWindows.h"
#include "ui/Prompt.h"
#include "ui/Session.h"

#include "connection/DeviceConnection.h"
#include "connection/LinkOptions.h"
#include "connection/StartupPrivileges.h"
#include "link/IoPortBackend.h"
#include "storage/ConfigurationFile.h"

#include <QApplication>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>
#include <memory>

using namespace pellmora;
using namespace pellmora::app;
using namespace pellmora::storage;
using namespace pellmora::ui;

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

QString usage()
{
    return QStringLiteral("Použití: pellmora [volby spojení]\n") + connection::linkOptionsUsage();
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

    Q_INIT_RESOURCE(assets);
    QApplication app(argc, argv);
    QTranslator qtTranslation;
    prepareApplication(qtTranslation);

    QStringList args = QApplication::arguments().mid(1);
    if (args.contains(QStringLiteral("--help"))) {
        printError(usage());
        return 0;
    }
    QString error;
    std::optional<connection::LinkOptions> options = connection::takeLinkOptions(args, &error);
    if (!options || !args.isEmpty()) {
        printError(options ? QStringLiteral("Neznámá volba: %1").arg(args.first()) : error);
        printError(usage());
        return 2;
    }
    options->ioPorts = privileges.ioPorts;

    Session session;
    MessageBoxPrompt prompt;
    // A configured port that cannot be opened must not keep the program from
    // starting: it then comes up on COM1, where the port dialog can move it.
    const quint8 port = configuredPort();
    std::unique_ptr<connection::DeviceConnection> connection =
        connection::DeviceConnection::open(*options, session.link, port, &error);
    if (!connection && port != 0) {
        printError(error);
        connection = connection::DeviceConnection::open(*options, session.link, 0, &error);
    }
    if (!connection) {
        printError(error);
        QMessageBox::critical(nullptr, QApplication::applicationName(), error);
        return 1;
    }

    ApplicationWindows windows;
    windows.start(session, prompt, *connection);

    const int result = app.exec();
    if (!connection->finish(&error)) {
        printError(error);
        return result == 0 ? 1 : result;
    }
    return result;
}
