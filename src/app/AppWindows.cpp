#include "app/AppWindows.h"

#include "ui/Prompt.h"
#include "ui/Session.h"

#include "connection/DeviceConnection.h"
#include "connection/LinkChoice.h"
#include "connection/SerialDevices.h"
#include "link/Timing.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>

using namespace pellmora::model;
using namespace pellmora::link;
using namespace pellmora::ui;

namespace pellmora::app {

namespace {

void showAndRaise(QWidget *w)
{
    w->show();
    w->raise();
}

// Closing one of these windows leaves the application running.
void keepApplicationOnClose(std::initializer_list<QWidget *> windows)
{
    for (QWidget *w : windows)
        w->setAttribute(Qt::WA_QuitOnClose, false);
}

} // namespace

void Windows::create(Session &session, Prompt &prompt, Link &link)
{
    format = std::make_unique<InstructionsFormat>(session.format);
    format->SetCurrentInstrFormat(session.configuration.FormatCode, session.configuration.UserOnWord,
                                  session.configuration.UserOffWord);
    comTest = std::make_unique<ComTest>();
    programming = std::make_unique<DeviceProgramming>();
    loading = std::make_unique<LoadingDeviceData>();
    port = std::make_unique<PortSelection>(session.link, prompt);
    about = std::make_unique<HelpAboutPic>(prompt);
    configuration = std::make_unique<Configuration>(session.program, prompt);
    deviceTime = std::make_unique<DeviceTimeDialog>(link, prompt);
    calibration = std::make_unique<OscCalibrationForm>(
        session.program, session.database, link, prompt,
        [this](const QString &periodWord, double drift) { return rounding->AskRounding(periodWord, drift); });
    overview = std::make_unique<DeviceOverviewForm>(session, prompt);
    openFromDatabase = std::make_unique<OpenFileDatabaseForm>(session, prompt);
    openToBox = std::make_unique<OpenToBoxForm>(session, prompt);
    directories = std::make_unique<DatabaseDirectoriesForm>(session.files);
    browse = std::make_unique<BrowseDialog>(prompt);
    box = std::make_unique<Box1>();
    simulation = std::make_unique<Simulation>(session.program, session.format);
    simulationSettings = std::make_unique<SimulationSettingsForm>();
    rounding = std::make_unique<OscCalibRoundForm>();
    // The speed dialog shows the check panel, so the panel comes first.
    checkPanel = std::make_unique<BaudRateCheckSystemForm>();
    speed = std::make_unique<BaudRateSetupForm>(link, *checkPanel);
    memoryReport = std::make_unique<MemoryReportForm>(session.deviceMemory);
    develInfo = std::make_unique<DevelInfoForm>(session.program.image, session.link);
    deviceOperations = std::make_unique<DeviceOperationsForm>(link, session.program.image, prompt,
                                                              [] { QCoreApplication::processEvents(); });
    // Only the main window ends the application when it closes.
    keepApplicationOnClose({format.get(), comTest.get(), programming.get(), loading.get(), port.get(), about.get(),
                            configuration.get(), deviceTime.get(), calibration.get(), overview.get(),
                            openFromDatabase.get(), openToBox.get(), directories.get(), browse.get(), box.get(),
                            simulation.get(), simulationSettings.get(), rounding.get(), checkPanel.get(),
                            speed.get(), memoryReport.get(), develInfo.get(), deviceOperations.get()});
}

void Windows::connect(MainInterface &window)
{
    connectDatabase(window);
    QObject::connect(&window, &MainInterface::instructionFormatRequested, format.get(), [this] { showAndRaise(format.get()); });
    QObject::connect(format.get(), &InstructionsFormat::formatConfirmed, &window,
                     &MainInterface::instructionFormatChanged);
    QObject::connect(&window, &MainInterface::speedDialogRequested, speed.get(), [this] { showAndRaise(speed.get()); });
    QObject::connect(&window, &MainInterface::aboutRequested, about.get(), [this] { showAndRaise(about.get()); });
    QObject::connect(about.get(), &HelpAboutPic::aboutTextRead, &window,
                     [&window](const QString &text) { window.infoBar().ShowScrollingThrough(text); });
    QObject::connect(configuration.get(), &Configuration::okConfirmed, &window,
                     &MainInterface::configurationConfirmed);
    window.setDeviceWindows({comTest.get(), programming.get(), loading.get()});
    QObject::connect(&window, &MainInterface::portDialogRequested, port.get(), [this] { showAndRaise(port.get()); });
    QObject::connect(port.get(), &PortSelection::connectionLost, &window,
                     [&window] { window.SetDeviceCommandsEnabled(false); });
    QObject::connect(port.get(), &PortSelection::statusPanelChanged, &window, &MainInterface::setStatusPanel);
    QObject::connect(&window, &MainInterface::developmentInfoRequested, develInfo.get(), [this] { develInfo->exec(); });
    connectDeviceWindows(window);
    connectSimulation(window);
}

namespace {

// The link chosen, for the next start of either program.
void storeLinkChoice(MainInterface &window, Prompt &prompt, const connection::LinkChoice &choice)
{
    const std::unique_ptr<QSettings> settings = connection::userSettings();
    if (!connection::writeLinkChoice(*settings, choice))
        prompt.message(&window, QCoreApplication::translate("pellmora::app",
                                                            "Zvolené spojení nelze uložit pro příští spuštění (%1).")
                                    .arg(settings->fileName()));
}

} // namespace

void Windows::followPort(MainInterface &window, connection::DeviceConnection &connection, Prompt &prompt)
{
    port->setDeviceBusy([&window, &connection] { return window.deviceBusy() || connection.link().busy(); });
    port->setLinkInUse(linkSelectionOf(connection.linkChoice()));
    port->setDeviceLists(serialDeviceEntries, ftdiCableEntries);
    showLinkState(window, connection);
    connection.setStateObserver([&window, &connection] { showLinkState(window, connection); });

    const auto followSelectedPort = [&window, &connection, &prompt](quint8 selected) {
        QString error;
        if (!connection.followSelectedPort(selected, &error)) {
            prompt.message(&window, error);
            connection.state().SelectedPort = connection.openedPort();
            window.setStatusPanel(1, PortSelection::portPanelText(connection.openedPort()));
            return;
        }
        showLinkState(window, connection);
    };
    QObject::connect(port.get(), &PortSelection::portSelected, &window, followSelectedPort);
    PortSelection *dialog = port.get();
    QObject::connect(dialog, &PortSelection::linkSelected, &window,
                     [dialog, &window, &connection, &prompt, followSelectedPort](const LinkSelection &selection) {
                         const std::optional<connection::LinkChoice> choice = linkChoiceOf(selection);
                         QString error = QCoreApplication::translate("pellmora::app", "Toto spojení program neumí.");
                         if (!choice || !connection.changeLink(*choice, connection.state().SelectedPort, &error)) {
                             prompt.message(&window, error);
                             followSelectedPort(connection.state().SelectedPort);
                             return;
                         }
                         dialog->setLinkInUse(linkSelectionOf(connection.linkChoice()));
                         storeLinkChoice(window, prompt, *choice);
                     });
}

LinkSelection linkSelectionOf(const connection::LinkChoice &choice)
{
    switch (choice.backend) {
    case connection::Backend::Sim:
        return {LinkKind::Simulated, {}};
    case connection::Backend::IoPort:
        return {LinkKind::IoPorts, {}};
    case connection::Backend::Tty:
        return {LinkKind::SerialDevice, choice.ttyDevice};
    case connection::Backend::Ftdi:
        return {LinkKind::FtdiCable, choice.ftdiDevice};
    }
    return {};
}

std::optional<connection::LinkChoice> linkChoiceOf(const LinkSelection &selection)
{
    switch (selection.kind) {
    case LinkKind::Simulated:
        return connection::LinkChoice{connection::Backend::Sim, {}};
    case LinkKind::IoPorts:
        return connection::LinkChoice{connection::Backend::IoPort, {}};
    case LinkKind::SerialDevice:
        return connection::LinkChoice{connection::Backend::Tty, selection.device};
    case LinkKind::FtdiCable:
        return connection::LinkChoice{connection::Backend::Ftdi, {}, selection.device};
    }
    return std::nullopt;
}

QList<DeviceEntry> serialDeviceEntries()
{
    QList<DeviceEntry> entries;
    for (const connection::SerialDevice &device : connection::listSerialDevices()) {
        QString text = device.path;
        if (!device.byId.isEmpty())
            text += QStringLiteral(" (%1)").arg(device.byId.section(QLatin1Char('/'), -1));
        entries.append({text, device.preferredPath()});
    }
    return entries;
}

QList<DeviceEntry> ftdiCableEntries()
{
    // With none listed the dialog does not offer the cable.
    QList<DeviceEntry> entries;
    for (const QString &serial : connection::ConnectedFtdiCables())
        entries.append({QObject::tr("kabel FTDI %1").arg(serial), serial});
    return entries;
}

void showLinkState(MainInterface &window, const connection::DeviceConnection &connection)
{
    window.showLinkState(connection.description(), connection.closedReason());
}

void Windows::connectDatabase(MainInterface &window)
{
    QObject::connect(&window, &MainInterface::devicesOverviewRequested, overview.get(),
                     [this] { showAndRaise(overview.get()); });
    QObject::connect(&window, &MainInterface::openFromDatabaseRequested, openFromDatabase.get(),
                     [this] { showAndRaise(openFromDatabase.get()); });
    QObject::connect(&window, &MainInterface::openToBoxRequested, openToBox.get(),
                     [this] { showAndRaise(openToBox.get()); });
    QObject::connect(&window, &MainInterface::databaseDirectoriesRequested, directories.get(),
                     [this] { showAndRaise(directories.get()); });
    QObject::connect(directories.get(), &DatabaseDirectoriesForm::browseRequested, browse.get(), &BrowseDialog::browse);
    QObject::connect(browse.get(), &BrowseDialog::folderAccepted, directories.get(),
                     &DatabaseDirectoriesForm::setBrowsedFolder);

    DeviceOverviewForm::MainWindowHooks hooks;
    hooks.saveDialogTitle = [&window] { return window.saveDialogTitle(); };
    hooks.setSaveDialogTitle = [&window](const QString &title) { window.setSaveDialogTitle(title); };
    hooks.askSaveFileName = [&window] { return window.askSaveFileName(); };
    hooks.save = [&window] { window.SaveClick(); };
    hooks.programLocked = [&window] { return window.deviceBusy(); };
    overview->setMainWindowHooks(hooks);
    for (OpenFileDatabaseForm *form : {openFromDatabase.get(), static_cast<OpenFileDatabaseForm *>(openToBox.get())}) {
        form->setProgramLocked(hooks.programLocked);
        QObject::connect(overview.get(), &DeviceOverviewForm::recordAppended, form, &OpenFileDatabaseForm::recordAppended);
        QObject::connect(overview.get(), &DeviceOverviewForm::recordRemoved, form, &OpenFileDatabaseForm::recordRemoved);
        QObject::connect(form, &OpenFileDatabaseForm::programOpened, &window, [&window] {
            window.editor().FillInstructionList();
            window.ReloadProgram();
        });
    }
}

void Windows::connectDeviceWindows(MainInterface &window)
{
    QObject::connect(&window, &MainInterface::deviceTimeRequested, deviceTime.get(),
                     [this] { showAndRaise(deviceTime.get()); });
    QObject::connect(&window, &MainInterface::oscillatorCalibrationRequested, calibration.get(),
                     [this] { showAndRaise(calibration.get()); });
    QObject::connect(&window, &MainInterface::memoryReportRequested, memoryReport.get(),
                     [this] { showAndRaise(memoryReport.get()); });
    QObject::connect(&window, &MainInterface::deviceOperationsRequested, deviceOperations.get(),
                     [this] { showAndRaise(deviceOperations.get()); });
}

void Windows::connectSimulation(MainInterface &window)
{
    QObject::connect(&window, &MainInterface::simulationRequested, simulation.get(),
                     [this] { showAndRaise(simulation.get()); });
    QObject::connect(&window, &MainInterface::programShown, simulation.get(), &Simulation::ProgramChanged);
    QObject::connect(simulation.get(), &Simulation::settingsRequested, simulationSettings.get(),
                     [this] { showAndRaise(simulationSettings.get()); });
    QObject::connect(simulationSettings.get(), &SimulationSettingsForm::speedChanged, simulation.get(),
                     &Simulation::setSpeed);
    simulation->setSpeed(simulationSettings->speed(), simulationSettings->speedText());
}

MainInterface::Hooks hooksFor(connection::DeviceConnection &connection, Windows &windows)
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

void ApplicationWindows::start(Session &session, Prompt &prompt, connection::DeviceConnection &connection)
{
    main = std::make_unique<MainInterface>(session, prompt, hooksFor(connection, others));
    showLinkState(*main, connection);
    main->setDeviceLink(&connection.link());
    main->show();
    others.create(session, prompt, connection.link());
    others.connect(*main);
    others.followPort(*main, connection, prompt);
}

void prepareApplication(QTranslator &qtTranslation)
{
    QApplication::setApplicationName(QStringLiteral("Pellmora"));
    if (qtTranslation.load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslation);
}

} // namespace pellmora::app
