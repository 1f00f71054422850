#include "AppWindows.h"

#include "Session.h"

#include "device/DeviceConnection.h"
#include "link/Timing.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace pellmora::ui {

void Windows::create(Session &session, Prompt &prompt, Link &link)
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

void Windows::connect(MainInterface &window)
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

void ApplicationWindows::start(Session &session, Prompt &prompt, device::DeviceConnection &connection)
{
    main = std::make_unique<MainInterface>(session, prompt, hooksFor(connection, others));
    main->setLinkDescription(connection.description());
    main->setDeviceLink(&connection.link());
    main->show();
    others.create(session, prompt, connection.link());
    others.connect(*main);
}

void prepareApplication(QTranslator &qtTranslation)
{
    QApplication::setApplicationName(QStringLiteral("Pellmora"));
    if (qtTranslation.load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslation);
}

} // namespace pellmora::ui
