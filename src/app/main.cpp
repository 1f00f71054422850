// pellmora: the application. Reads the link options, opens the port backend,
// creates the main window (which loads the device database), shows it (which
// reads the configuration, calibrates the speeds and reopens the last
// program), creates the other windows hidden and runs the message loop.

#include "BaudRateCheckSystemForm.h"
#include "BaudRateSetupForm.h"
#include "Configuration.h"
#include "HelpAboutPic.h"
#include "InstructionsFormat.h"
#include "MainInterface.h"
#include "Prompt.h"
#include "Session.h"

#include "device/DeviceConnection.h"
#include "device/LinkOptions.h"
#include "link/Timing.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
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

// The windows that live beside the main window for the whole run, created
// hidden once the main window has been shown.
struct Windows {
    std::unique_ptr<InstructionsFormat> format;
    std::unique_ptr<HelpAboutPic> about;
    std::unique_ptr<Configuration> configuration;
    std::unique_ptr<BaudRateCheckSystemForm> checkPanel;
    std::unique_ptr<BaudRateSetupForm> speed;

    void create(Session &session, Prompt &prompt, Link &link)
    {
        format = std::make_unique<InstructionsFormat>(session.format);
        format->SetCurrentInstrFormat(session.configuration.FormatCode, session.configuration.UserOnWord,
                                      session.configuration.UserOffWord);
        about = std::make_unique<HelpAboutPic>(prompt);
        configuration = std::make_unique<Configuration>(session.program, prompt);
        // The speed dialog shows the check panel, so the panel comes first.
        checkPanel = std::make_unique<BaudRateCheckSystemForm>();
        speed = std::make_unique<BaudRateSetupForm>(link, *checkPanel);
        // Only the main window ends the application when it closes.
        for (QWidget *w : {static_cast<QWidget *>(format.get()), static_cast<QWidget *>(about.get()),
                           static_cast<QWidget *>(configuration.get()), static_cast<QWidget *>(checkPanel.get()),
                           static_cast<QWidget *>(speed.get())})
            w->setAttribute(Qt::WA_QuitOnClose, false);
    }

    void connect(MainInterface &window)
    {
        QObject::connect(&window, &MainInterface::instructionFormatRequested, format.get(), [this] {
            format->show();
            format->raise();
        });
        QObject::connect(format.get(), &InstructionsFormat::formatConfirmed, &window,
                         &MainInterface::instructionFormatChanged);
        QObject::connect(&window, &MainInterface::speedDialogRequested, speed.get(), [this] {
            speed->show();
            speed->raise();
        });
        QObject::connect(&window, &MainInterface::aboutRequested, about.get(), [this] {
            about->show();
            about->raise();
        });
        QObject::connect(about.get(), &HelpAboutPic::aboutTextRead, &window,
                         [&window](const QString &text) { window.infoBar().ShowScrollingThrough(text); });
        QObject::connect(configuration.get(), &Configuration::okConfirmed, &window,
                         &MainInterface::configurationConfirmed);
    }
};

MainInterface::Hooks hooksFor(device::DeviceConnection &connection, Windows &windows)
{
    MainInterface::Hooks hooks;
    Link &link = connection.link();
    hooks.pump = [] { QCoreApplication::processEvents(); };
    hooks.calibrateQuietly = [&link] {
        QCoreApplication::processEvents();
        CalibrateEeprom(link);
        QCoreApplication::processEvents();
        CalibratePic(link);
        QCoreApplication::processEvents();
    };
    hooks.calibrationSequence = [&windows, &link] {
        if (windows.speed)
            windows.speed->runCalibrationSequence();
        else
            RunCalibrationSequence(link, {});
    };
    hooks.linkPowerOn = [&link] { link.LinkPowerOn(); };
    hooks.linkPowerOff = [&link] { link.LinkPowerOff(); };
    hooks.configurationDialog = [&windows] {
        if (windows.configuration)
            windows.configuration->exec();
    };
    hooks.selectPeriods = [&windows](int code) {
        if (windows.configuration)
            windows.configuration->selectPeriods(code);
    };
    hooks.userWordFields = [&windows] {
        if (!windows.format)
            return QStringList();
        return QStringList{windows.format->userPositiveText(), windows.format->userNegativeText()};
    };
    return hooks;
}

} // namespace

int main(int argc, char **argv)
{
    Q_INIT_RESOURCE(assets);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellmora"));
    QTranslator qtTranslation;
    if (qtTranslation.load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslation);

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

    Windows windows;
    MainInterface window(session, prompt, hooksFor(*connection, windows));
    window.setLinkDescription(connection->description());
    window.setDeviceLink(&connection->link());
    window.show();
    windows.create(session, prompt, connection->link());
    windows.connect(window);

    const int result = app.exec();
    if (!connection->finish(&error)) {
        printError(error);
        return result == 0 ? 1 : result;
    }
    return result;
}
