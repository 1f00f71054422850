#include "app/AppWindows.h"

#include "ui/ProgramFileDialogs.h"
#include "ui/Prompt.h"
#include "ui/Session.h"

#include "connection/DeviceConnection.h"
#include "connection/LinkChoice.h"
#include "connection/SerialDevices.h"
#include "link/Timing.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPrintDialog>
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

void Windows::create(Session &session, Prompt &prompt, Link &link, ProgramSaving &mainWindow)
{
    format = std::make_unique<InstructionsFormat>(session.format);
    format->SetCurrentInstrFormat(session.configuration.FormatCode, session.configuration.UserOnWord,
                                  session.configuration.UserOffWord);
    comTest = std::make_unique<ComTest>();
    programming = std::make_unique<DeviceProgramming>();
    loading = std::make_unique<LoadingDeviceData>();
    port = std::make_unique<PortSelection>(session.link, prompt);
    about = std::make_unique<HelpAboutPic>(prompt, session.files);
    configuration = std::make_unique<Configuration>(session.program, prompt);
    deviceTime = std::make_unique<DeviceTimeDialog>(link, prompt);
    calibration = std::make_unique<OscCalibrationForm>(
        session.program, session.database, link, prompt,
        [this](const QString &periodWord, double drift) { return rounding->AskRounding(periodWord, drift); });
    overview = std::make_unique<DeviceOverviewForm>(session, prompt, mainWindow);
    openFromDatabase = std::make_unique<OpenFileDatabaseForm>(session, prompt);
    openToBox = std::make_unique<OpenToBoxForm>(session, prompt);
    directories = std::make_unique<DatabaseDirectoriesForm>(session.files, prompt);
    browse = std::make_unique<BrowseDialog>(prompt);
    box = std::make_unique<Box1>();
    simulation = std::make_unique<Simulation>(session.program, session.format);
    simulationSettings = std::make_unique<SimulationSettingsForm>();
    rounding = std::make_unique<OscCalibRoundForm>();
    // The speed dialog shows the check panel, so the panel comes first.
    checkPanel = std::make_unique<BaudRateCheckSystemForm>();
    speed = std::make_unique<BaudRateSetupForm>(link, *checkPanel);
    memoryReport = std::make_unique<MemoryReportForm>(session.deviceMemory, session.format);
    develInfo = std::make_unique<DevelInfoForm>(session.program.image, session.link);
    deviceOperations = std::make_unique<DeviceOperationsForm>(link, session.program.image, prompt,
                                                              [] { QCoreApplication::processEvents(); });
    // Only the main window ends the application when it closes.
    keepApplicationOnClose({format.get(), comTest.get(), programming.get(), loading.get(), port.get(), about.get(),
                            configuration.get(), deviceTime.get(), calibration.get(), overview.get(),
                            openFromDatabase.get(), openToBox.get(), directories.get(), browse.get(), box.get(),
                            simulation.get(), simulationSettings.get(), rounding.get(), checkPanel.get(),
                            speed.get(), memoryReport.get(), develInfo.get(), deviceOperations.get()});
    series = std::make_unique<SeriesProgrammingForm>(session, link, prompt);
    keepApplicationOnClose({series.get()});
}

void Windows::connect(MainInterface &window)
{
    connectDatabase(window);
    QObject::connect(format.get(), &InstructionsFormat::formatConfirmed, &window,
                     &MainInterface::instructionFormatChanged);
    QObject::connect(about.get(), &HelpAboutPic::aboutTextRead, &window,
                     [&window](const QString &text) { window.infoBar().ShowScrollingThrough(text); });
    QObject::connect(configuration.get(), &Configuration::okConfirmed, &window,
                     &MainInterface::configurationConfirmed);
    window.setDeviceWindows({comTest.get(), programming.get(), loading.get()});
    QObject::connect(port.get(), &PortSelection::connectionLost, &window,
                     [&window] { window.SetDeviceCommandsEnabled(false); });
    QObject::connect(port.get(), &PortSelection::statusPanelChanged, &window, &MainInterface::setStatusPanel);
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
                         const connection::LinkChoice choice = linkChoiceOf(selection);
                         QString error;
                         if (!connection.changeLink(choice, connection.state().SelectedPort, &error)) {
                             prompt.message(&window, error);
                             followSelectedPort(connection.state().SelectedPort);
                             return;
                         }
                         dialog->setLinkInUse(linkSelectionOf(connection.linkChoice()));
                         storeLinkChoice(window, prompt, choice);
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

connection::LinkChoice linkChoiceOf(const LinkSelection &selection)
{
    switch (selection.kind) {
    case LinkKind::Simulated:
        return {connection::Backend::Sim};
    case LinkKind::IoPorts:
        return {connection::Backend::IoPort};
    case LinkKind::SerialDevice:
        return {connection::Backend::Tty, selection.device};
    case LinkKind::FtdiCable:
        return {connection::Backend::Ftdi, {}, selection.device};
    }
    return {};
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
    QObject::connect(directories.get(), &DatabaseDirectoriesForm::browseRequested, browse.get(), &BrowseDialog::browse);
    QObject::connect(browse.get(), &BrowseDialog::folderAccepted, directories.get(),
                     &DatabaseDirectoriesForm::setBrowsedFolder);

    const auto programLocked = [&window] { return window.deviceBusy(); };
    QObject::connect(series.get(), &SeriesProgrammingForm::recordAppended, overview.get(),
                     &DeviceOverviewForm::recordAppendedElsewhere);
    for (OpenFileDatabaseForm *form : {openFromDatabase.get(), static_cast<OpenFileDatabaseForm *>(openToBox.get())}) {
        form->setProgramLocked(programLocked);
        form->setReplacingProgram([&window] { return window.SaveChangesQuery(); });
        QObject::connect(overview.get(), &DeviceOverviewForm::recordAppended, form, &OpenFileDatabaseForm::recordAppended);
        QObject::connect(overview.get(), &DeviceOverviewForm::recordRemoved, form, &OpenFileDatabaseForm::recordRemoved);
        QObject::connect(series.get(), &SeriesProgrammingForm::recordAppended, form,
                         &OpenFileDatabaseForm::recordAppended);
        QObject::connect(form, &OpenFileDatabaseForm::programOpened, &window, &MainInterface::programOpenedFromFile);
    }
}

void Windows::connectSimulation(MainInterface &window)
{
    QObject::connect(&window, &MainInterface::programShown, simulation.get(), &Simulation::ProgramChanged);
    QObject::connect(simulation.get(), &Simulation::settingsRequested, simulationSettings.get(),
                     [this] { showAndRaise(simulationSettings.get()); });
    QObject::connect(simulationSettings.get(), &SimulationSettingsForm::speedChanged, simulation.get(),
                     &Simulation::setSpeed);
    simulation->setSpeed(simulationSettings->speed(), simulationSettings->speedText());
}

void Windows::show(OtherWindow window)
{
    switch (window) {
    case OtherWindow::InstructionFormat: return showAndRaise(format.get());
    case OtherWindow::SpeedDialog: return showAndRaise(speed.get());
    case OtherWindow::About: return showAndRaise(about.get());
    case OtherWindow::OpenFromDatabase: return showAndRaise(openFromDatabase.get());
    case OtherWindow::DevicesOverview: return showAndRaise(overview.get());
    case OtherWindow::OpenToBox: return showAndRaise(openToBox.get());
    case OtherWindow::DatabaseDirectories: return showAndRaise(directories.get());
    case OtherWindow::PortDialog: return showAndRaise(port.get());
    case OtherWindow::DevelopmentInfo: develInfo->exec(); return;
    case OtherWindow::DeviceTime: return showAndRaise(deviceTime.get());
    case OtherWindow::OscillatorCalibration: return showAndRaise(calibration.get());
    case OtherWindow::MemoryReport: return showAndRaise(memoryReport.get());
    case OtherWindow::DeviceOperations: return showAndRaise(deviceOperations.get());
    case OtherWindow::Simulation: return showAndRaise(simulation.get());
    case OtherWindow::SeriesProgramming: return showAndRaise(series.get());
    }
}

void WindowServices::showWindow(OtherWindow window)
{
    windows_.show(window);
}

void WindowServices::calibrateQuietly()
{
    QCoreApplication::processEvents();
    CalibrateEeprom(link_);
    QCoreApplication::processEvents();
    CalibratePic(link_);
    QCoreApplication::processEvents();
}

void WindowServices::calibrationSequence()
{
    if (windows_.speed)
        windows_.speed->runCalibrationSequence();
    else
        RunCalibrationSequence(link_, {});
}

void WindowServices::linkPowerOn()
{
    link_.LinkPowerOn();
}

void WindowServices::linkPowerOff()
{
    link_.LinkPowerOff();
}

void WindowServices::pump()
{
    QCoreApplication::processEvents();
}

void WindowServices::configurationDialog()
{
    if (windows_.configuration)
        windows_.configuration->exec();
}

void WindowServices::selectPeriods(int periodCode)
{
    if (windows_.configuration)
        windows_.configuration->selectPeriods(periodCode);
}

QStringList WindowServices::userWordFields()
{
    if (!windows_.format)
        return {};
    return {windows_.format->userPositiveText(), windows_.format->userNegativeText()};
}

QString WindowServices::askOpenFileName(QWidget *parent, const QString &folder)
{
    return askProgramFileToOpen(parent, folder);
}

QString WindowServices::askSaveFileName(QWidget *parent, const QString &title, const QString &folder)
{
    return askProgramFileToSave(parent, title, folder);
}

QString WindowServices::askReportFileName(QWidget *parent, const QString &proposed, const QString &folder)
{
    return askReportFileToSave(parent, proposed, folder);
}

bool WindowServices::choosePrinter(QWidget *parent, QPrinter &printer)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QCoreApplication::translate("pellmora::app", "Tisk spínacího programu"));
    return dialog.exec() == QDialog::Accepted;
}

void ApplicationWindows::start(Session &session, Prompt &prompt, connection::DeviceConnection &connection)
{
    dialogsInFront = std::make_unique<DialogsInFront>();
    services = std::make_unique<WindowServices>(others, connection.link());
    main = std::make_unique<MainInterface>(session, prompt, *services);
    showLinkState(*main, connection);
    main->setDeviceLink(&connection.link());
    main->show();
    others.create(session, prompt, connection.link(), *main);
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
