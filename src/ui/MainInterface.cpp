#include "ui/MainInterface.h"

#include "ui/CentreOnScreen.h"
#include "ui/EditorPanel.h"
#include "ui/NamedWidgets.h"
#include "ui/ProgramHistory.h"
#include "ui/Prompt.h"
#include "ui/Session.h"
#include "ui/WhenLinkIdle.h"

#include "device/ComTest.h"
#include "link/Timing.h"
#include "model/PeriodCopy.h"
#include "model/ProgramHeader.h"
#include "storage/ConfigurationFile.h"
#include "storage/DeviceDatabase.h"
#include "storage/FolderLock.h"
#include "storage/ProgramFile.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTime>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

using namespace pellmora::model;
using namespace pellmora::link;
using namespace pellmora::storage;

namespace pellmora::ui {

namespace {

// The central widget: the background picture stretched behind the groups.
class Background : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawPixmap(rect(), picture_);
    }

private:
    QPixmap picture_{QStringLiteral(":/background.png")};
};

} // namespace

MainInterface::MainInterface(Session &session, Prompt &prompt, MainWindowServices &services, QWidget *parent)
    : QMainWindow(parent), session_(session), editor_(session.program, session.format), prompt_(prompt),
      services_(services)
{
    setObjectName(QStringLiteral("MainInterface"));
    setWindowTitle(tr("Pellmora"));
    setWindowIcon(QIcon(QStringLiteral(":/pellmora.png")));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                   | Qt::WindowContextHelpButtonHint);
    startUpDirectory_ = QDir::currentPath();
    session_.files.StartUpDirectory = startUpDirectory_;
    history_ = std::make_unique<ProgramHistory>(session_.program, session_.format, [this] { showRestored(); });
    buildWindow();
    buildMenus();
    buildStatusBar();

    // A fresh program view: one period, an empty list, no file yet.
    ProgramSettings &settings = session_.program.settings;
    settings.SegmentCapacity = 248;
    settings.LastPeriod = 0;
    settings.CurrentPeriod = 0;
    settings.InstructionCount = 0;
    session_.files.CurrentFileName.clear();
    editorPanel_->applyView();

    TimeTimer.setObjectName(QStringLiteral("TimeTimer"));
    TimeTimer.setInterval(1000);
    connect(&TimeTimer, &QTimer::timeout, this, &MainInterface::TimeTimerTick);
    TimeTimer.start();
    connect(&info_, &InfoBar::textShown, InfoBarEdit, &QLineEdit::setText);

    fitToContents();
    centreOnScreen(*this);
    editorPanel_->focusList();

    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                AppActivate();
            else
                AppDeactivate();
        });
    }
    // Some widgets keep the status tips of their children to themselves; the
    // window takes every tip of its own widgets before anyone else.
    QCoreApplication::instance()->installEventFilter(this);
    pump();
    openDatabase();
}

MainInterface::~MainInterface() = default;

void MainInterface::buildWindow()
{
    auto *central = new Background(this);
    central->setObjectName(QStringLiteral("Background"));
    setCentralWidget(central);

    editorPanel_ = new EditorPanel(editor_, *history_, central);
    connect(editorPanel_, &EditorPanel::viewApplied, this, &MainInterface::showEditorView);
    connect(editorPanel_, &EditorPanel::noticesRaised, this, &MainInterface::showNotices);
    connect(editorPanel_, &EditorPanel::programShown, this, &MainInterface::programShown);

    auto *groups = new QHBoxLayout;
    groups->addWidget(editorPanel_, 10);
    groups->addWidget(buildGeneralGroup(), 3);

    InfoBarEdit = new QLineEdit(central);
    InfoBarEdit->setObjectName(QStringLiteral("InfoBar"));
    InfoBarEdit->setReadOnly(true);
    InfoBarEdit->setFocusPolicy(Qt::NoFocus);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    InfoBarEdit->setFont(mono);

    auto *outer = new QVBoxLayout(central);
    outer->addLayout(groups);
    outer->addWidget(InfoBarEdit);
}

QWidget *MainInterface::buildGeneralGroup()
{
    auto *general = new QGroupBox(tr(" Obecné "), this);
    general->setObjectName(QStringLiteral("General"));
    general->setAutoFillBackground(true);
    ComunicationTest = namedButton(QStringLiteral("ComunicationTest"), tr("&Test Komunikace"),
                                   tr("Testík \"Konimikace\"..."), general);
    LoadDeviceData = namedButton(QStringLiteral("LoadDeviceData"), tr("&Načti Data..."),
                                 tr("Načte data ze zařízení (obsah jako soubory *.PLM"), general);
    ProgramDevice = namedButton(QStringLiteral("ProgramDevice"), tr("&Programuj..."), {}, general);
    DeviceConfiguration = namedButton(QStringLiteral("DeviceConfiguration"), tr("&Konfigurace"),
                                      tr("Konfigurace zařízení"), general);

    auto *settings = new QGroupBox(tr(" Nastavení programátoru "), general);
    settings->setObjectName(QStringLiteral("ProgrammerSettings"));
    InstructionFormatButton = namedButton(QStringLiteral("InstructionFormatButton"), tr("&Formát Instrukcí"),
                                          tr("Nastavení požadovaného formátu instrukcí (v Boxu)"), settings);
    PortName = namedButton(QStringLiteral("PortName"), tr("P&ort ..."), tr("Nastavení komunikačního portu"), settings);
    auto *settingsLayout = new QVBoxLayout(settings);
    settingsLayout->addWidget(InstructionFormatButton);
    settingsLayout->addWidget(PortName);

    auto *layout = new QVBoxLayout(general);
    for (QWidget *w : {ComunicationTest, LoadDeviceData, ProgramDevice, DeviceConfiguration})
        layout->addWidget(w);
    layout->addStretch();
    layout->addWidget(settings);

    connect(InstructionFormatButton, &QPushButton::clicked, this,
            [this] { services_.showWindow(OtherWindow::InstructionFormat); });
    connect(PortName, &QPushButton::clicked, this, [this] { services_.showWindow(OtherWindow::PortDialog); });
    deviceCommands_ = new DeviceCommandsController(*this, prompt_, *LoadDeviceData, *ProgramDevice);
    connect(deviceCommands_, &DeviceCommandsController::idle, this, [this] {
        updateUndoItems();
        if (recalibrationPutOff_)
            QTimer::singleShot(0, this, &MainInterface::resumeRecalibration);
    });
    connect(ComunicationTest, &QPushButton::clicked, deviceCommands_, &DeviceCommandsController::ComunicationTestClick);
    connect(DeviceConfiguration, &QPushButton::clicked, this, &MainInterface::DeviceConfigurationClick);
    return general;
}

// The window has a fixed size: wide enough for the groups and for every
// panel of the status bar, the link panel at its narrowest whatever it says.
void MainInterface::fitToContents()
{
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QSize groups = sizeHint();
    int panels = linkPanelMinimumWidth() + 8;
    for (const QLabel *label : statusPanels_)
        panels += label->width() + 8;
    setFixedSize(qMax(groups.width(), panels + 16), groups.height());
}

bool MainInterface::deviceBusy() const
{
    return deviceCommands_->busy();
}

void MainInterface::setDeviceLink(link::Link *link)
{
    deviceCommands_->setDeviceLink(link);
}

void MainInterface::setDeviceWindows(const DeviceWindows &windows)
{
    deviceCommands_->setDeviceWindows(windows);
}

void MainInterface::ShowInfo(const QString &message)
{
    info_.ShowInfo(message);
}

void MainInterface::UpdateTitle()
{
    setWindowTitle(ProgramTitle(session_.program.settings, QFileInfo(session_.files.CurrentFileName).fileName()));
}

void MainInterface::SetDeviceCommandsEnabled(bool enabled)
{
    for (QAction *a : {Verification, LoadData, Programming, DeviceTime})
        a->setEnabled(enabled);
    LoadDeviceData->setEnabled(enabled);
    ProgramDevice->setEnabled(enabled);
}

void MainInterface::TimeTimerTick()
{
    setStatusPanel(3, QLocale().toString(QTime::currentTime(), QLocale::LongFormat));
}

void MainInterface::pump()
{
    services_.pump();
}

// The window system reports hints of controls and menu items as status tips;
// they go to the info bar, never to Qt's own status-bar message.
bool MainInterface::event(QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        info_.hint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

// A key that is the shortcut of one of the window's menu items.
bool MainInterface::isMenuShortcut(const QKeyEvent &key) const
{
    const QKeySequence pressed(key.keyCombination());
    const QList<QAction *> actions = findChildren<QAction *>();
    return std::any_of(actions.cbegin(), actions.cend(),
                       [&pressed](const QAction *action) { return action->shortcut() == pressed; });
}

// Watches three things: the hints of the window's own widgets (before any
// widget on the way keeps them), the menu shortcuts pressed in its fields
// and the window being exposed.
bool MainInterface::eventFilter(QObject *watched, QEvent *event)
{
    const bool ownWidget = watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == this;
    if (event->type() == QEvent::StatusTip && ownWidget) {
        info_.hint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    // The menus' shortcuts come before a field's own use of the same keys
    // (Ctrl+V verifies; pasting stays on the context menu and Shift+Insert).
    // A shortcut whose item is disabled does nothing in the field either.
    if ((event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) && ownWidget
        && isMenuShortcut(*static_cast<QKeyEvent *>(event))) {
        event->ignore();
        return true;
    }
    // A paint of the window in the user's sense is its being exposed by the
    // window system, not a repaint of one of its widgets.
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed())
        queuePaint();
    return QMainWindow::eventFilter(watched, event);
}

void MainInterface::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange && !(windowState() & Qt::WindowMinimized)
        && (static_cast<QWindowStateChangeEvent *>(event)->oldState() & Qt::WindowMinimized))
        queuePaint();
    QMainWindow::changeEvent(event);
}

void MainInterface::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    windowHandle()->installEventFilter(this);
    // A paint reported while the show still reads the configuration and the
    // last program waits until the show is over.
    showing_ = true;
    FormShow();
    showing_ = false;
    if (paintQueued_)
        QTimer::singleShot(0, this, &MainInterface::windowPainted);
}

// The paint handler runs from the event loop afterwards, never inside the
// paint itself, because it processes pending messages and may open dialogs.
void MainInterface::queuePaint()
{
    if (paintQueued_)
        return;
    paintQueued_ = true;
    if (!showing_)
        QTimer::singleShot(0, this, &MainInterface::windowPainted);
}

// The device database of the start-up directory. A program started where
// another one runs leaves both files of the folder to it: the database opens
// read-only and the settings are not written at close.
void MainInterface::openDatabase()
{
    folderLock_ = std::make_unique<FolderLock>(startUpDirectory_);
    const bool shared = folderLock_->heldByAnotherProgram();
    if (shared) {
        prompt_.message(this, tr("V této složce už běží jiný program Pellmora. Databáze zařízení je proto otevřena "
                                 "jen pro čtení a nastavení se při ukončení neuloží. Zařízení přidávejte a nastavení "
                                 "měňte v prvním programu."));
    }
    showNotices(LoadDatabase(session_.database, startUpDirectory_, [this] { pump(); }));
    if (shared) {
        session_.database.ReadOnlyReason = tr("Databáze je otevřena jen pro čtení, protože v této složce už běží "
                                              "jiný program Pellmora. Zařízení přidávejte a odstraňujte v něm.");
        configurationKept_ = tr("Nastavení se neuloží: při spuštění tohoto programu už v této složce běžel jiný "
                                "program Pellmora.");
    }
}

// The first show: the settings of the last run, both transfer speeds, and the
// program that was current when the application was last closed.
void MainInterface::FormShow()
{
    pump();
    QString kept;
    showNotices(ReadConfiguration(startUpDirectory_, session_.configuration, &kept));
    if (configurationKept_.isEmpty())
        configurationKept_ = kept;
    session_.takeConfiguration();
    setStatusPanel(1, tr("Port : COM%1").arg(int(session_.link.SelectedPort) + 1));
    pump();
    services_.calibrateQuietly();
    pump();
    const FileOutcome reopened = OpenLastFile(session_.files, session_.program.image);
    showNotices(reopened.notices);
    if (reopened.ok)
        UnpackHeader(session_.program);
    rememberProgram(reopened.ok);
}

// The welcome scrolls in at the first paint only: a later exposure (a menu
// or a dialog closed over the window) leaves the message in the info bar.
void MainInterface::windowPainted()
{
    paintQueued_ = false;
    pump();
    const bool first = firstPaint_;
    if (first)
        firstPaint();
    recalibrate_ = true;
    if (first)
        showWelcome();
}

void MainInterface::firstPaint()
{
    editor_.FillInstructionList();
    ShowProgram();
    firstPaint_ = false;
    pump();
    services_.calibrationSequence();
}

void MainInterface::showWelcome()
{
    info_.setInfoText(QStringLiteral("* Welcome to new Pellmora for ORVA by Vantor Corp.*"));
    info_.ShowInfo(QStringLiteral(" *** We're pleased You're interested in our products ***"));
}

void MainInterface::AppDeactivate()
{
    recalibrate_ = true;
}

// A transfer in progress runs on the calibrated delays: the calibration
// waits until it has ended (this window's command, or a transfer of another
// window) and runs then.
void MainInterface::AppActivate()
{
    if (!recalibrate_ || recalibrationPutOff_)
        return;
    if (deviceBusy() || deviceCommands_->linkBusy()) {
        recalibrationPutOff_ = true;
        if (!deviceBusy())
            whenLinkIdle(*deviceCommands_->deviceLink(), *this, [this] { resumeRecalibration(); });
        return; // otherwise the end of this window's command resumes it
    }
    recalibrate_ = false;
    services_.calibrationSequence();
}

void MainInterface::resumeRecalibration()
{
    recalibrationPutOff_ = false;
    AppActivate();
}

void MainInterface::closeEvent(QCloseEvent *event)
{
    // A transfer in progress keeps the window open: the link is in use and
    // the program is being read or written. Closing would switch the link off.
    if (!deviceBusy() && !deviceCommands_->refusedWhileTransferring() && FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

// Closing: the program saved if the user wants it so, the question, the
// interface supply off, and the settings written into the start-up directory.
bool MainInterface::FormCloseQuery()
{
    if (!SaveChangesQuery())
        return false;
    if (!prompt_.ask(this, tr("Chcete opravdu skončit ?"), Prompt::Buttons::OkCancel))
        return false;
    services_.linkPowerOff();
    const FileOutcome entered = EnterStartUpDirectory(session_.files);
    showNotices(entered.notices);
    if (entered.ok && !configurationKept_.isEmpty()) {
        prompt_.message(this, configurationKept_);
    } else if (entered.ok) {
        const QStringList words = services_.userWordFields();
        const ConfigurationWriteOutcome written = WriteConfiguration(
            startUpDirectory_, session_.configurationToWrite(), words.value(0), words.value(1));
        // The settings could not be replaced: the user chooses between staying
        // open (to free the file) and quitting without them.
        if (written.result == ConfigurationWrite::Failed) {
            const QString failure = written.notices.isEmpty() ? QString() : written.notices.first().text + u'\n';
            if (!prompt_.ask(this, failure + tr("Chcete program ukončit bez uložení nastavení, nebo v něm zůstat?"),
                             Prompt::Buttons::QuitOrStay))
                return false;
        } else {
            showNotices(written.notices);
        }
    }
    session_.database.Records.clear();
    return true;
}

void MainInterface::showNotices(const Notices &notices)
{
    prompt_.showNotices(this, notices, [this](const QString &text) { ShowInfo(text); });
}

// --- the editor ----------------------------------------------------------------

// What the window shows of the editor's view outside the editor panel.
void MainInterface::showEditorView(const EditorView &view)
{
    setStatusPanel(0, view.endTime);
    LightSwitchMenu->setText(view.lightSwitchCaption);
    LightSwitchMenu->setChecked(view.lightOn);
}

void MainInterface::ShowProgram()
{
    services_.selectPeriods(session_.program.settings.PeriodCode);
    editor_.ShowProgram();
    editorPanel_->applyView();
    UpdateTitle();
}

// The image was replaced (a file, the database or the device): what was
// done before cannot be taken back into it.
void MainInterface::ReloadProgram()
{
    UnpackHeader(session_.program);
    ShowProgram();
    history_->clear();
}

void MainInterface::instructionFormatChanged()
{
    editor_.FormatChanged();
    editorPanel_->applyView();
    history_->noteChange(tr("Formát Instrukcí"));
}

// An undone or redone step: the program and its wording as they were.
void MainInterface::showRestored()
{
    editor_.FormatChanged();
    ShowProgram();
}

void MainInterface::UndoClick()
{
    if (!deviceBusy())
        history_->undo();
}

void MainInterface::RedoClick()
{
    if (!deviceBusy())
        history_->redo();
}

// The items name the step they take back or make again.
void MainInterface::updateUndoItems()
{
    const QUndoStack &stack = history_->stack();
    UndoMenu->setEnabled(stack.canUndo() && !deviceBusy());
    RedoMenu->setEnabled(stack.canRedo() && !deviceBusy());
    UndoMenu->setText(stack.canUndo() ? tr("Zpět: %1").arg(stack.undoText()) : tr("Zpět"));
    RedoMenu->setText(stack.canRedo() ? tr("Znovu: %1").arg(stack.redoText()) : tr("Znovu"));
}

// The target is chosen, instructions in a target are replaced only when the
// user agrees, and a list that does not fit anywhere is not copied at all.
void MainInterface::CopyPeriodClick()
{
    const Program &program = session_.program;
    const int source = program.settings.CurrentPeriod;
    if (program.settings.LastPeriod == 0) {
        prompt_.message(this, period_copy_text::OnePeriodOnly);
        return;
    }
    QList<int> targets;
    const QStringList choices = PeriodCopyChoices(program.settings, source, &targets);
    const int chosen = prompt_.choose(this, tr("Kopírovat instrukce %1. periody do:").arg(source + 1), choices);
    if (chosen < 0 || chosen >= targets.size())
        return;
    const int target = targets[chosen];
    const PeriodCopyCheck check = CheckPeriodCopy(program, source, target);
    if (!check.refusal.isEmpty()) {
        prompt_.message(this, check.refusal);
        return;
    }
    if (!check.replaced.isEmpty()
        && !prompt_.ask(this, PeriodCopyReplaceQuestion(check.replaced), Prompt::Buttons::YesCancel))
        return;
    history_->record(tr("Kopíruj periodu"), [&] { CopyPeriod(session_.program, source, target); });
    editorPanel_->applyView();
    ShowInfo(PeriodCopyDone(source, target));
}

// Whatever the dialog changed, closed with OK or with its close box, is one step.
void MainInterface::DeviceConfigurationClick()
{
    history_->record(tr("Konfigurace"), [this] {
        services_.configurationDialog();
        PackHeader(session_.program);
        ShowProgram();
    });
}

void MainInterface::configurationConfirmed()
{
    editor_.RefreshPeriodView();
    setStatusBarHint(tr("Pellmora - Programming ") + session_.program.settings.DeviceName);
    editor_.ReturnToFirstPeriod();
    editorPanel_->applyView();
}

} // namespace pellmora::ui
