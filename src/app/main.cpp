// pellmora: the application. Reads the link options, opens the port backend,
// creates the main window (which loads the device database), shows it (which
// reads the configuration, calibrates the speeds and reopens the last
// program), creates the other windows hidden and runs the message loop.

#include "AppWindows.h"
#include "Prompt.h"
#include "Session.h"

#include "device/DeviceConnection.h"
#include "device/LinkOptions.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>
#include <memory>

using namespace pellmora;
using namespace pellmora::ui;

namespace {

void printError(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
}

QString usage()
{
    return QStringLiteral("Použití: pellmora [volby spojení]\n") + device::linkOptionsUsage();
}

} // namespace

int main(int argc, char **argv)
{
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
    const std::optional<device::LinkOptions> options = device::takeLinkOptions(args, &error);
    if (!options || !args.isEmpty()) {
        printError(options ? QStringLiteral("Neznámá volba: %1").arg(args.first()) : error);
        printError(usage());
        return 2;
    }

    Session session;
    MessageBoxPrompt prompt;
    std::unique_ptr<device::DeviceConnection> connection =
        device::DeviceConnection::open(*options, session.link, session.link.SelectedPort, &error);
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
