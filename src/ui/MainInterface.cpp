#include "ui/MainInterface.h"

#include "ui/CentreOnScreen.h"
#include "ui/ComTest.h"
#include "ui/DeviceProgramming.h"
#include "ui/LoadingDeviceData.h"
#include "ui/Prompt.h"
#include "ui/Session.h"
#include "ui/WhenLinkIdle.h"

#include "device/ComTest.h"
#include "device/DeviceMemory.h"
#include "link/Timing.h"
#include "model/ProgramHeader.h"
#include "storage/ConfigurationFile.h"
#include "storage/DeviceDatabase.h"
#include "storage/FolderLock.h"
#include "storage/ProgramFile.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTime>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

using namespace pellmora::model;
using namespace pellmora::link;
using namespace pellmora::storage;

namespace pellmora::ui {

namespace {

// The instruction list. A list view makes its first row current when it gets
// the keyboard focus without one; here the focus alone chooses no row, so the
// edit buttons follow only a row the user clicked or moved to.
class InstructionList : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void focusInEvent(QFocusEvent *event) override
    {
        const bool noRow = currentRow() < 0;
        const QSignalBlocker quiet(this);
        QListWidget::focusInEvent(event);
        if (noRow)
            setCurrentRow(-1);
    }
};

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

QFrame *panel(const QString &name, QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Raised);
    frame->setAutoFillBackground(true);
    return frame;
}

QPushButton *button(const QString &name, const QString &caption, const QString &hint, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    if (!hint.isEmpty()) {
        b->setStatusTip(hint);
        b->setToolTip(hint);
    }
    return b;
}

QAction *item(QMenu *menu, const QString &name, const QString &caption, const QKeySequence &shortcut,
              const QString &hint)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setStatusTip(hint);
    return action;
}

QMenu *menu(QMenuBar *bar, const QString &name, const QString &caption, const QString &hint)
{
    QMenu *m = bar->addMenu(caption);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name + QStringLiteral("Item"));
    m->menuAction()->setStatusTip(hint);
    return m;
}

constexpr int StatusPanelCount = 4;

} // namespace

MainInterface::MainInterface(Session &session, Prompt &prompt, Hooks hooks, QWidget *parent)
    : QMainWindow(parent), session_(session), editor_(session.program, session.format), prompt_(prompt),
      hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("MainInterface"));
    setWindowTitle(tr("Pellmora"));
    setWindowIcon(QIcon(QStringLiteral(":/pellmora.png")));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                   | Qt::WindowContextHelpButtonHint);
    startUpDirectory_ = QDir::currentPath();
    session_.files.StartUpDirectory = startUpDirectory_;
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
    applyView();

    TimeTimer.setObjectName(QStringLiteral("TimeTimer"));
    TimeTimer.setInterval(1000);
    connect(&TimeTimer, &QTimer::timeout, this, &MainInterface::TimeTimerTick);
    TimeTimer.start();
    connect(&info_, &InfoBar::textShown, InfoBarEdit, &QLineEdit::setText);

    fitToContents();
    centreOnScreen(*this);
    InstructionsBox->setFocus();

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

    QWidget *instructions = buildInstructionGroup();
    auto *middle = new QVBoxLayout;
    middle->addWidget(buildProgrammerGroup());
    middle->addWidget(buildPeriodsPanel());
    middle->addStretch();

    auto *groups = new QHBoxLayout;
    groups->addWidget(instructions, 5);
    groups->addLayout(middle, 5);
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

QWidget *MainInterface::buildInstructionGroup()
{
    InstuctionGB = new QGroupBox(tr(" Instrukce "), this);
    InstuctionGB->setObjectName(QStringLiteral("InstuctionGB"));
    InstuctionGB->setAutoFillBackground(true);

    InstructionsBox = new InstructionList(InstuctionGB);
    InstructionsBox->setObjectName(QStringLiteral("InstructionsBox"));
    InstructionsBox->setStatusTip(tr("Box instrukcí"));
    InstructionsBox->setContextMenuPolicy(Qt::CustomContextMenu);
    InstructionsBox->setMouseTracking(true);
    InstructionsBox->viewport()->setMouseTracking(true);
    InstructionsBox->setMinimumSize(210, 300);

    EELIOut = new QLabel(tr("Počet instrukcí :"), InstuctionGB);
    EELIOut->setObjectName(QStringLiteral("EELIOut"));
    EELIOut->setStatusTip(tr("Aktuální počet zadaných instrukcí"));
    CurrentPosition = new QLabel(tr("Aktuální pozice :"), InstuctionGB);
    CurrentPosition->setObjectName(QStringLiteral("CurrentPosition"));
    CurrentPosition->setStatusTip(tr("Pozice vybrané instrukce"));

    auto *layout = new QVBoxLayout(InstuctionGB);
    layout->addWidget(InstructionsBox, 1);
    layout->addWidget(EELIOut);
    layout->addWidget(CurrentPosition);
    return InstuctionGB;
}

QWidget *MainInterface::buildProgrammerGroup()
{
    Programmer = new QGroupBox(tr(" Programátor "), this);
    Programmer->setObjectName(QStringLiteral("Programmer"));
    Programmer->setAutoFillBackground(true);

    QFrame *condition = panel(QStringLiteral("ConditionBox"), Programmer);
    auto *delayLabel = new QLabel(tr("Prodleva :"), condition);
    InDelay = new QLineEdit(condition);
    InDelay->setObjectName(QStringLiteral("InDelay"));
    InDelay->setInputMask(QStringLiteral("9:99:99;0"));
    InDelay->setFixedWidth(80);
    delayLabel->setBuddy(InDelay);
    Instruction = new QLineEdit(tr("Instruction"), condition);
    Instruction->setObjectName(QStringLiteral("Instruction"));
    Instruction->setReadOnly(true);
    Instruction->setFocusPolicy(Qt::NoFocus);

    LightSwitch = new QToolButton(condition);
    LightSwitch->setObjectName(QStringLiteral("LightSwitch"));
    LightSwitch->setCheckable(true);
    LightSwitch->setIconSize(QSize(32, 32));
    LightSwitch->setAutoRaise(true);
    GlyphContainerON = new QToolButton(condition);
    GlyphContainerON->setObjectName(QStringLiteral("GlyphContainerON"));
    GlyphContainerON->setIcon(QIcon(QStringLiteral(":/light_on.png")));
    GlyphContainerON->hide();
    GlyphContainerOFF = new QToolButton(condition);
    GlyphContainerOFF->setObjectName(QStringLiteral("GlyphContainerOFF"));
    GlyphContainerOFF->setIcon(QIcon(QStringLiteral(":/light_off.png")));
    GlyphContainerOFF->hide();
    LightSwitch->setIcon(GlyphContainerOFF->icon());

    auto *conditionRow = new QHBoxLayout;
    conditionRow->addWidget(delayLabel);
    conditionRow->addWidget(InDelay);
    conditionRow->addStretch();
    conditionRow->addWidget(LightSwitch);
    auto *conditionLayout = new QVBoxLayout(condition);
    conditionLayout->addLayout(conditionRow);
    conditionLayout->addWidget(Instruction);

    QFrame *commands = panel(QStringLiteral("CommandTLs"), Programmer);
    NewInstruction = button(QStringLiteral("NewInstruction"), tr("&Další Instrukce"), {}, commands);
    DeleteInstruction = button(QStringLiteral("DeleteInstruction"), tr("&Smaž Instrukci"), {}, commands);
    InsertInstruction = button(QStringLiteral("InsertInstruction"), tr("&Vlož Instrukci"), {}, commands);
    ChangeInstruction = button(QStringLiteral("ChangeInstruction"), tr("&Změň Instrukci"), {}, commands);
    auto *commandLayout = new QGridLayout(commands);
    commandLayout->addWidget(NewInstruction, 0, 0);
    commandLayout->addWidget(DeleteInstruction, 0, 1);
    commandLayout->addWidget(InsertInstruction, 1, 0);
    commandLayout->addWidget(ChangeInstruction, 1, 1);
    for (QPushButton *b : {NewInstruction, DeleteInstruction, InsertInstruction, ChangeInstruction})
        b->setEnabled(false);

    QFrame *startUp = panel(QStringLiteral("StartUpPanel"), Programmer);
    startUp->setStatusTip(tr("Začátek provádění instrukcí >START<"));
    auto *startUpLabel = new QLabel(tr("StartUp Time:"), startUp);
    StartUpTime = new QLineEdit(startUp);
    StartUpTime->setObjectName(QStringLiteral("StartUpTime"));
    StartUpTime->setInputMask(QStringLiteral("99:99;0"));
    StartUpTime->setFixedWidth(70);
    startUpLabel->setBuddy(StartUpTime);
    auto *startUpLayout = new QHBoxLayout(startUp);
    startUpLayout->addWidget(startUpLabel);
    startUpLayout->addWidget(StartUpTime);
    startUpLayout->addStretch();

    auto *layout = new QVBoxLayout(Programmer);
    layout->addWidget(condition);
    layout->addWidget(commands);
    layout->addWidget(startUp);

    PopupMenuBox = new QMenu(this);
    PopupMenuBox->setObjectName(QStringLiteral("PopupMenuBox"));
    DeleteInstructionPopUp = PopupMenuBox->addAction(tr("&Smaž Instrukci"));
    DeleteInstructionPopUp->setObjectName(QStringLiteral("DeleteInstructionPopUp"));
    InsertInstructionPopUp = PopupMenuBox->addAction(tr("&Vlož Instrukci"));
    InsertInstructionPopUp->setObjectName(QStringLiteral("InsertInstructionPopUp"));
    ChangeInstructionPopUp = PopupMenuBox->addAction(tr("&Zaměň Instrukci"));
    ChangeInstructionPopUp->setObjectName(QStringLiteral("ChangeInstructionPopUp"));
    for (QAction *a : {DeleteInstructionPopUp, InsertInstructionPopUp, ChangeInstructionPopUp})
        a->setEnabled(false);
    connect(InstructionsBox, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenuBox->popup(InstructionsBox->viewport()->mapToGlobal(at)); });

    connect(InDelay, &QLineEdit::textChanged, this, &MainInterface::InDelayChange);
    connect(StartUpTime, &QLineEdit::textChanged, this, &MainInterface::StartUpTimeChange);
    connect(LightSwitch, &QToolButton::clicked, this, &MainInterface::LightSwitchClick);
    connect(NewInstruction, &QPushButton::clicked, this, &MainInterface::NewInstructionClick);
    connect(InsertInstruction, &QPushButton::clicked, this, &MainInterface::InsertInstructionClick);
    connect(ChangeInstruction, &QPushButton::clicked, this, &MainInterface::ChangeInstructionClick);
    connect(DeleteInstruction, &QPushButton::clicked, this, &MainInterface::DeleteInstructionClick);
    connect(InsertInstructionPopUp, &QAction::triggered, this, &MainInterface::InsertInstructionClick);
    connect(ChangeInstructionPopUp, &QAction::triggered, this, &MainInterface::ChangeInstructionClick);
    connect(DeleteInstructionPopUp, &QAction::triggered, this, &MainInterface::DeleteInstructionClick);
    connect(InstructionsBox, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!applying_ && row >= 0)
            InstructionsBoxClick(row);
    });
    InstructionsBox->viewport()->installEventFilter(this);
    return Programmer;
}

QWidget *MainInterface::buildPeriodsPanel()
{
    QFrame *periods = panel(QStringLiteral("PeriodsPanel"), this);
    BackPeriod = button(QStringLiteral("BackPeriod"), tr("&Zpátky"), tr("Předchozí perioda (1z...)"), periods);
    NextPeriod = button(QStringLiteral("NextPeriod"), tr("&Další"), tr("Další perioda (1z...)"), periods);
    BackPeriod->setEnabled(false);
    NextPeriod->setEnabled(false);
    connect(NextPeriod, &QPushButton::clicked, this, &MainInterface::NextPeriodClick);
    connect(BackPeriod, &QPushButton::clicked, this, &MainInterface::BackPeriodClick);
    QFrame *caption = panel(QStringLiteral("Panel1"), periods);
    caption->setFrameShadow(QFrame::Sunken);
    OutPeriod = new QLabel(tr("1. Perioda"), caption);
    OutPeriod->setObjectName(QStringLiteral("OutPeriod"));
    OutPeriod->setAlignment(Qt::AlignCenter);
    auto *captionLayout = new QHBoxLayout(caption);
    captionLayout->addWidget(OutPeriod);
    auto *layout = new QHBoxLayout(periods);
    layout->addWidget(BackPeriod);
    layout->addWidget(caption, 1);
    layout->addWidget(NextPeriod);
    return periods;
}

QWidget *MainInterface::buildGeneralGroup()
{
    auto *general = new QGroupBox(tr(" Obecné "), this);
    general->setObjectName(QStringLiteral("General"));
    general->setAutoFillBackground(true);
    ComunicationTest = button(QStringLiteral("ComunicationTest"), tr("&Test Komunikace"),
                              tr("Testík \"Konimikace\"..."), general);
    LoadDeviceData = button(QStringLiteral("LoadDeviceData"), tr("&Načti Data..."),
                            tr("Načte data ze zařízení (obsah jako soubory *.PLM"), general);
    ProgramDevice = button(QStringLiteral("ProgramDevice"), tr("&Programuj..."), {}, general);
    DeviceConfiguration = button(QStringLiteral("DeviceConfiguration"), tr("&Konfigurace"),
                                 tr("Konfigurace zařízení"), general);

    auto *settings = new QGroupBox(tr(" Nastavení programátoru "), general);
    settings->setObjectName(QStringLiteral("ProgrammerSettings"));
    InstructionFormatButton = button(QStringLiteral("InstructionFormatButton"), tr("&Formát Instrukcí"),
                                     tr("Nastavení požadovaného formátu instrukcí (v Boxu)"), settings);
    PortName = button(QStringLiteral("PortName"), tr("P&ort ..."), tr("Nastavení komunikačního portu"), settings);
    auto *settingsLayout = new QVBoxLayout(settings);
    settingsLayout->addWidget(InstructionFormatButton);
    settingsLayout->addWidget(PortName);

    auto *layout = new QVBoxLayout(general);
    for (QWidget *w : {ComunicationTest, LoadDeviceData, ProgramDevice, DeviceConfiguration})
        layout->addWidget(w);
    layout->addStretch();
    layout->addWidget(settings);

    connect(InstructionFormatButton, &QPushButton::clicked, this, &MainInterface::instructionFormatRequested);
    connect(PortName, &QPushButton::clicked, this, &MainInterface::portDialogRequested);
    connect(ComunicationTest, &QPushButton::clicked, this, &MainInterface::ComunicationTestClick);
    connect(LoadDeviceData, &QPushButton::clicked, this, &MainInterface::LoadDeviceDataClick);
    connect(ProgramDevice, &QPushButton::clicked, this, &MainInterface::ProgramDeviceClick);
    connect(DeviceConfiguration, &QPushButton::clicked, this, &MainInterface::DeviceConfigurationClick);
    return general;
}

void MainInterface::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));

    QMenu *file = menu(bar, QStringLiteral("Soubor"), tr("&Soubor"), tr("Data součástky na HDD"));
    connect(item(file, QStringLiteral("NewTimer"), tr("&Nový časovač"), QKeySequence(Qt::CTRL | Qt::Key_N),
                 tr("Vytoří nový prostor pro časovač, no smaže všecko")),
            &QAction::triggered, this, &MainInterface::NewTimerClick);
    file->addSeparator();
    connect(item(file, QStringLiteral("LoadFile"), tr("Načti ze &souboru"), QKeySequence(Qt::CTRL | Qt::Key_O),
                 tr("Načte data pro spínač ze souboru")),
            &QAction::triggered, this, &MainInterface::LoadFileClick);
    connect(item(file, QStringLiteral("Save"), tr("&Ulož"), QKeySequence(Qt::CTRL | Qt::Key_S),
                 tr("Uloží data spínače")),
            &QAction::triggered, this, &MainInterface::SaveClick);
    connect(item(file, QStringLiteral("SaveAs"), tr("Ulož j&ako"), {}, {}), &QAction::triggered, this,
            &MainInterface::SaveAsClick);
    file->addSeparator();
    GeneralExit = item(file, QStringLiteral("GeneralExit"), tr("&Exit"), QKeySequence(Qt::ALT | Qt::Key_X),
                       tr("Ukončí program"));
    connect(GeneralExit, &QAction::triggered, this, &QWidget::close);

    QMenu *device = menu(bar, QStringLiteral("Device"), tr("S&oučástka"), tr("\"Fše\" o zařízení"));
    QAction *test = item(device, QStringLiteral("MComunicationTest"), tr("&Test komunikace"),
                         QKeySequence(Qt::CTRL | Qt::Key_T),
                         tr("Vyzkouší komunikaci se zařízením, pokud jste ho připojili"));
    connect(test, &QAction::triggered, ComunicationTest, &QPushButton::click);
    Verification = item(device, QStringLiteral("Verification"), tr("&Verifikace"), QKeySequence(Qt::CTRL | Qt::Key_V),
                        tr("Otestuje zda data v počítači jsou stejná jako v zařízení"));
    connect(Verification, &QAction::triggered, this, &MainInterface::VerificationClick);
    QAction *speed = item(device, QStringLiteral("SetBaudRateMenu"), tr("Přenosová &rychlost"), {},
                          tr("Nastavení rychlosti komunikace s zařízením"));
    connect(speed, &QAction::triggered, this, &MainInterface::speedDialogRequested);
    QMenu *power = device->addMenu(tr("Links Power"));
    power->setObjectName(QStringLiteral("PowerMenu"));
    power->menuAction()->setObjectName(QStringLiteral("PowerMenuItem"));
    connect(item(power, QStringLiteral("LinkONMenu"), tr("Link O&N"), {}, {}), &QAction::triggered, this, [this] {
        if (!refusedWhileTransferring() && hooks_.linkPowerOn)
            hooks_.linkPowerOn();
    });
    connect(item(power, QStringLiteral("LinkOFF"), tr("Link O&FF"), {}, {}), &QAction::triggered, this, [this] {
        if (!refusedWhileTransferring() && hooks_.linkPowerOff)
            hooks_.linkPowerOff();
    });
    device->addSeparator();
    LoadData = item(device, QStringLiteral("LoadData"), tr("&Načti data..."), QKeySequence(Qt::CTRL | Qt::Key_R), {});
    connect(LoadData, &QAction::triggered, LoadDeviceData, &QPushButton::click);
    Programming = item(device, QStringLiteral("Programming"), tr("&Programuj..."),
                       QKeySequence(Qt::CTRL | Qt::Key_P), {});
    connect(Programming, &QAction::triggered, ProgramDevice, &QPushButton::click);
    connect(item(device, QStringLiteral("MemoryReportMenu"), tr("Výpis paměti"), {}, {}), &QAction::triggered, this,
            &MainInterface::memoryReportRequested);
    connect(item(device, QStringLiteral("MemoryOp"), tr("Device Handling"), {}, {}), &QAction::triggered, this,
            &MainInterface::deviceOperationsRequested);
    device->addSeparator();
    DeviceTime = item(device, QStringLiteral("DeviceTime"), tr("N&astavení času"), {},
                      tr("Nastavení reálného času v zařízení"));
    connect(DeviceTime, &QAction::triggered, this, &MainInterface::deviceTimeRequested);
    QAction *config = item(device, QStringLiteral("DeviceConfig"), tr("&Konfigurace"), {}, tr("Konfigurace zařízení"));
    connect(config, &QAction::triggered, DeviceConfiguration, &QPushButton::click);
    device->addSeparator();
    connect(item(device, QStringLiteral("OscilatorCalibrationMnu"), tr("Kalibrace časové &základny"), {},
                 tr("Kompenzuje nepřesnost oscilátoru časové základny")),
            &QAction::triggered, this, &MainInterface::oscillatorCalibrationRequested);
    device->addSeparator();
    LightSwitchMenu = item(device, QStringLiteral("LightSwitchMenu"), tr("Nesvítí"), QKeySequence(Qt::Key_Insert), {});
    LightSwitchMenu->setCheckable(true);
    connect(LightSwitchMenu, &QAction::triggered, this, &MainInterface::LightSwitchClick);

    QMenu *database = menu(bar, QStringLiteral("DeviceDatabaseMenu"), tr("&Databáze"),
                           tr("Databáze již programonaných zařízení"));
    connect(item(database, QStringLiteral("OpenFromDatabaseMenu"), tr("&Otevři"), QKeySequence(Qt::CTRL | Qt::Key_L),
                 tr("Otevře zařízení z databáze")),
            &QAction::triggered, this, &MainInterface::openFromDatabaseRequested);
    connect(item(database, QStringLiteral("DevicesOverview"), tr("&Přehled zařízení"), QKeySequence(Qt::CTRL | Qt::Key_D),
                 tr("Zobrazí přehled dosud programovaných zařízení")),
            &QAction::triggered, this, &MainInterface::devicesOverviewRequested);
    connect(item(database, QStringLiteral("OpenToBoxMenu"), tr("Otevřít do &boxu..."), QKeySequence(Qt::CTRL | Qt::Key_B),
                 tr("Otevře soubor instrukcí do boxu")),
            &QAction::triggered, this, &MainInterface::openToBoxRequested);
    database->addSeparator();
    QAction *simulation = item(database, QStringLiteral("DevicesSimulationMenu"), tr("&Simulace"), {},
                               tr("Simulace dne podle programu: kdy bude svítit"));
    connect(simulation, &QAction::triggered, this, &MainInterface::simulationRequested);
    database->addSeparator();
    connect(item(database, QStringLiteral("DatabaseDirectoriesMenu"), tr("&Adresáře"), {},
                 tr("Nastavní adresářů- kde jsou uloženy soubory zařízení a systému")),
            &QAction::triggered, this, &MainInterface::databaseDirectoriesRequested);

    QMenu *help = menu(bar, QStringLiteral("GeneralHelp"), tr("&Help"), tr("Kontextový help"));
    item(help, QStringLiteral("HelpIndex"), tr("&Index"), {}, {})->setEnabled(false);
    help->addSeparator();
    QAction *about = item(help, QStringLiteral("About1"), tr("&About"), {},
                          tr("O fy Vantor Corp. a produktu (sledujte text)"));
    connect(about, &QAction::triggered, this, &MainInterface::aboutRequested);

    QAction *develop = bar->addAction(tr("Development Info"));
    develop->setObjectName(QStringLiteral("DevelopmentInfo"));
    connect(develop, &QAction::triggered, this, &MainInterface::developmentInfoRequested);

    // Menu titles report their hints when the mouse moves over the menu bar.
    connect(bar, &QMenuBar::hovered, this, [this](QAction *action) { info_.hint(action->statusTip()); });
    SetDeviceCommandsEnabled(false);
    Verification->setEnabled(true);
    LoadDeviceData->setEnabled(true);
    ProgramDevice->setEnabled(true);
}

void MainInterface::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    const QStringList texts{tr("Info:"), tr("Port : COM2"), tr("No Connection"), QString()};
    // The clock panel is as wide as the longest time of day in the locale's format.
    const QString longestTime = QLocale().toString(QTime(23, 59, 59), QLocale::LongFormat);
    const int clockWidth = qMax(50, bar->fontMetrics().horizontalAdvance(longestTime) + 16);
    const int widths[StatusPanelCount] = {400, 85, 120, clockWidth};
    for (int i = 0; i < StatusPanelCount; ++i) {
        auto *label = new QLabel(texts[i], bar);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFixedWidth(widths[i]);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        if (i == 3)
            label->setAlignment(Qt::AlignCenter);
        if (i == 0)
            bar->addWidget(label);
        else
            bar->addPermanentWidget(label);
        statusPanels_.append(label);
    }
    linkPanel_ = new QLabel(bar);
    linkPanel_->setObjectName(QStringLiteral("LinkPanel"));
    linkPanel_->setFrameShape(QFrame::Panel);
    linkPanel_->setFrameShadow(QFrame::Sunken);
    bar->addWidget(linkPanel_, 1);
    linkPanel_->hide();
}

QString MainInterface::statusPanel(int index) const
{
    return statusPanels_.value(index) ? statusPanels_[index]->text() : QString();
}

void MainInterface::setStatusPanel(int index, const QString &text)
{
    if (QLabel *label = statusPanels_.value(index))
        label->setText(text);
}

void MainInterface::setStatusBarHint(const QString &text)
{
    statusBar()->setStatusTip(text);
    statusBar()->setToolTip(text);
}

void MainInterface::setLinkDescription(const QString &text)
{
    linkDescription_ = text;
    linkPanel_->setText(text);
    linkPanel_->setToolTip(tr("Spojení: %1").arg(text));
    linkPanel_->setVisible(!text.isEmpty());
    fitToContents();
    centreOnScreen(*this);
}

// The window has a fixed size: wide enough for the groups and for every
// panel of the status bar.
void MainInterface::fitToContents()
{
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QSize groups = sizeHint();
    int panels = 0;
    for (const QLabel *label : statusPanels_)
        panels += label->width() + 8;
    if (linkPanel_->isVisibleTo(this))
        panels += linkPanel_->sizeHint().width() + 8;
    setFixedSize(qMax(groups.width(), panels + 16), groups.height());
}

void MainInterface::ShowInfo(const QString &message)
{
    info_.ShowInfo(message);
}

void MainInterface::UpdateTitle()
{
    setWindowTitle(ProgramTitle(session_.program.settings));
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
    if (hooks_.pump)
        hooks_.pump();
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

// Watches three things: the hints of the window's own widgets (before any
// widget on the way keeps them), the mouse over the instruction list, and the
// window being exposed.
bool MainInterface::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::StatusTip && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == this) {
        info_.hint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    if (watched == InstructionsBox->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            editor_.UpdateEndTime();
            applyView();
        } else if (event->type() == QEvent::MouseButtonPress
                   && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
            InstructionsBoxClick(InstructionsBox->indexAt(at).row());
        }
        return QMainWindow::eventFilter(watched, event);
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
    showNotices(LoadDatabase(session_.database, hooks_.pump));
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
    showNotices(ReadConfiguration(session_.configuration, &kept));
    if (configurationKept_.isEmpty())
        configurationKept_ = kept;
    session_.takeConfiguration();
    pump();
    if (hooks_.calibrateQuietly)
        hooks_.calibrateQuietly();
    pump();
    const FileOutcome reopened = OpenLastFile(session_.files, session_.program.image);
    showNotices(reopened.notices);
    if (reopened.ok)
        UnpackHeader(session_.program);
}

void MainInterface::windowPainted()
{
    paintQueued_ = false;
    pump();
    if (firstPaint_)
        firstPaint();
    recalibrate_ = true;
    showWelcome();
}

void MainInterface::firstPaint()
{
    editor_.FillInstructionList();
    ShowProgram();
    firstPaint_ = false;
    pump();
    if (hooks_.calibrationSequence)
        hooks_.calibrationSequence();
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
    if (deviceBusy_ || linkBusy()) {
        recalibrationPutOff_ = true;
        if (!deviceBusy_)
            whenLinkIdle(*deviceLink_, *this, [this] { resumeRecalibration(); });
        return; // otherwise the end of this window's command resumes it
    }
    recalibrate_ = false;
    if (hooks_.calibrationSequence)
        hooks_.calibrationSequence();
}

void MainInterface::resumeRecalibration()
{
    recalibrationPutOff_ = false;
    AppActivate();
}

bool MainInterface::linkBusy() const
{
    return deviceLink_ && deviceLink_->busy();
}

// A command that would touch the bus while another window's transfer holds
// it is refused with the busy text.
bool MainInterface::refusedWhileTransferring()
{
    if (!linkBusy())
        return false;
    showNotices(device::refusedWhileBusy().notices);
    return true;
}

void MainInterface::closeEvent(QCloseEvent *event)
{
    // A transfer in progress keeps the window open: the link is in use and
    // the program is being read or written. Closing would switch the link off.
    if (!deviceBusy_ && !refusedWhileTransferring() && FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

// Closing: the question, the interface supply off, and the settings written
// into the start-up directory. The program itself is never saved here.
bool MainInterface::FormCloseQuery()
{
    if (!prompt_.ask(this, tr("Chcete opravdu skončit ?"), Prompt::Buttons::OkCancel))
        return false;
    if (hooks_.linkPowerOff)
        hooks_.linkPowerOff();
    const FileOutcome entered = EnterStartUpDirectory(session_.files);
    showNotices(entered.notices);
    if (entered.ok && !configurationKept_.isEmpty()) {
        prompt_.message(this, configurationKept_);
    } else if (entered.ok) {
        const QStringList words = hooks_.userWordFields ? hooks_.userWordFields() : QStringList();
        const ConfigurationWriteOutcome written = WriteConfiguration(
            session_.configurationToWrite(), words.value(0), words.value(1));
        showNotices(written.notices);
        // The settings could not be replaced: stay open rather than lose them.
        if (written.result == ConfigurationWrite::Failed)
            return false;
    }
    session_.database.Records.clear();
    return true;
}

void MainInterface::showNotices(const Notices &notices)
{
    for (const Notice &notice : notices) {
        if (notice.kind == Notice::Kind::Message)
            prompt_.message(this, notice.text);
        else
            ShowInfo(notice.text);
    }
}

// --- the editor ----------------------------------------------------------------

namespace {

// A masked field shows "0" in a position that is not filled, and a typed 0
// reads as a blank too: the editor works on the text with blanks.
QString fieldTextOf(const QLineEdit *field)
{
    return field->displayText().replace(QLatin1Char('0'), QLatin1Char(' '));
}

} // namespace

void MainInterface::applyField(QLineEdit *field, const QString &text, int caret)
{
    if (fieldTextOf(field) != text) {
        QString shown = text;
        field->setText(shown.replace(QLatin1Char(' '), QLatin1Char('0')));
    }
    field->setCursorPosition(caret);
}

// Copies the editor's view into the widgets.
void MainInterface::applyView()
{
    const bool wasApplying = applying_;
    applying_ = true;
    const EditorView &view = editor_.view();
    QStringList shown;
    for (int i = 0; i < InstructionsBox->count(); ++i)
        shown.append(InstructionsBox->item(i)->text());
    if (shown != view.items) {
        InstructionsBox->clear();
        InstructionsBox->addItems(view.items);
    }
    if (InstructionsBox->currentRow() != view.selected)
        InstructionsBox->setCurrentRow(view.selected);
    Instruction->setText(view.instruction);
    EELIOut->setText(view.countLabel);
    CurrentPosition->setText(view.positionLabel);
    setStatusPanel(0, view.endTime);
    OutPeriod->setText(view.outPeriod);
    applyField(InDelay, view.delayText, view.delayCaret);
    applyField(StartUpTime, view.startUpText, view.startUpCaret);

    LightSwitch->setChecked(view.lightOn);
    LightSwitch->setIcon(view.lightOn ? GlyphContainerON->icon() : GlyphContainerOFF->icon());
    LightSwitch->setStatusTip(view.lightSwitchHint);
    LightSwitch->setToolTip(view.lightSwitchHint);
    LightSwitch->setEnabled(view.lightSwitchEnabled);
    LightSwitchMenu->setText(view.lightSwitchCaption);
    LightSwitchMenu->setChecked(view.lightOn);

    NewInstruction->setEnabled(view.newInstructionEnabled);
    for (QPushButton *b : {DeleteInstruction, InsertInstruction, ChangeInstruction})
        b->setEnabled(view.editButtonsEnabled);
    for (QAction *a : {DeleteInstructionPopUp, InsertInstructionPopUp, ChangeInstructionPopUp})
        a->setEnabled(view.editButtonsEnabled);
    BackPeriod->setEnabled(view.backPeriodEnabled);
    NextPeriod->setEnabled(view.nextPeriodEnabled);
    applying_ = wasApplying;
    if (!wasApplying)
        emit programShown();
}

void MainInterface::InDelayChange()
{
    if (applying_)
        return;
    editor_.DelayChanged(fieldTextOf(InDelay), InDelay->cursorPosition());
    applyView();
}

void MainInterface::StartUpTimeChange()
{
    if (applying_)
        return;
    editor_.StartUpChanged(fieldTextOf(StartUpTime), StartUpTime->cursorPosition());
    applyView();
}

void MainInterface::LightSwitchClick()
{
    editor_.LightSwitch();
    applyView();
}

// The four editing actions: the editor changes the program, the window shows
// the new view and then the messages.
void MainInterface::runEdit(Notices (ProgramEditor::*action)())
{
    const Notices notices = (editor_.*action)();
    applyView();
    showNotices(notices);
}

void MainInterface::NewInstructionClick()
{
    runEdit(&ProgramEditor::AppendInstruction);
}

void MainInterface::InsertInstructionClick()
{
    runEdit(&ProgramEditor::InsertInstruction);
}

void MainInterface::ChangeInstructionClick()
{
    runEdit(&ProgramEditor::ChangeInstruction);
}

void MainInterface::DeleteInstructionClick()
{
    runEdit(&ProgramEditor::DeleteInstruction);
}

void MainInterface::InstructionsBoxClick(int index)
{
    editor_.ListClick(index);
    applyView();
}

void MainInterface::NextPeriodClick()
{
    editor_.NextPeriod();
    applyView();
}

void MainInterface::BackPeriodClick()
{
    editor_.BackPeriod();
    applyView();
}

void MainInterface::ShowProgram()
{
    if (hooks_.selectPeriods)
        hooks_.selectPeriods(session_.program.settings.PeriodCode);
    else
        ApplyPeriodCode(session_.program, session_.program.settings.PeriodCode);
    editor_.ShowProgram();
    applyView();
    UpdateTitle();
}

void MainInterface::ReloadProgram()
{
    UnpackHeader(session_.program);
    ShowProgram();
}

void MainInterface::instructionFormatChanged()
{
    editor_.FormatChanged();
    applyView();
}

void MainInterface::DeviceConfigurationClick()
{
    if (hooks_.configurationDialog)
        hooks_.configurationDialog();
    PackHeader(session_.program);
    ShowProgram();
}

void MainInterface::configurationConfirmed()
{
    editor_.RefreshPeriodView();
    setStatusBarHint(tr("Pellmora - Programming ") + session_.program.settings.DeviceName);
    editor_.ReturnToFirstPeriod();
    applyView();
}

// --- file commands -------------------------------------------------------------

QString MainInterface::openFileName()
{
    if (hooks_.askOpenFileName)
        return hooks_.askOpenFileName();
    return QFileDialog::getOpenFileName(this, tr("Otevřít soubor...."), QString(),
                                        tr("Pellmora File (*.plm)"));
}

// The save dialog takes a new file name as well as an existing one; it asks
// before an existing file is overwritten.
QString MainInterface::saveFileName()
{
    if (hooks_.askSaveFileName)
        return hooks_.askSaveFileName();
    QFileDialog dialog(this, saveDialogTitle_, QString(), tr("Pellmora File (*.plm)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("plm"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void MainInterface::NewTimerClick()
{
    if (!prompt_.ask(this, tr("Opravdu chcete pokračovat ? - ! smažu všechno co jste si tam naťukali !"),
                     Prompt::Buttons::YesCancel))
        return;
    InstructionsBox->clear();
    session_.program.image.clear();
    session_.program.settings.DeviceName.clear();
    session_.files.CurrentFileName.clear();
    DeviceConfigurationClick();
}

void MainInterface::LoadFileClick()
{
    const QString name = openFileName();
    if (name.isEmpty())
        return;
    const FileOutcome opened = OpenProgramFile(name, session_.files, session_.program.image);
    showNotices(opened.notices);
    editor_.FillInstructionList();
    ReloadProgram();
}

void MainInterface::SaveClick()
{
    PackHeader(session_.program);
    const SaveOutcome saved = SaveProgram(session_.files, session_.program.image);
    showNotices(saved.notices);
    if (saved.result == SaveResult::NeedsFileName)
        SaveAsClick();
}

void MainInterface::SaveAsClick()
{
    const QString name = saveFileName();
    if (name.isEmpty())
        return;
    PackHeader(session_.program);
    showNotices(SaveProgramAs(name, session_.files, session_.program.image).notices);
}

// --- device commands ---------------------------------------------------------

// While a device command runs, pending messages are processed so the window
// stays painted; its commands and the editor are locked meanwhile, so that no
// click pumped in can change the program under a transfer or start another.
class MainInterface::DeviceBusy {
public:
    explicit DeviceBusy(MainInterface &window) : window_(window)
    {
        window_.deviceBusy_ = true;
        window_.centralWidget()->setEnabled(false);
        const QList<QAction *> actions = window_.findChildren<QAction *>();
        for (QAction *action : actions) {
            if (action->isEnabled()) {
                locked_.append(action);
                action->setEnabled(false);
            }
        }
    }
    ~DeviceBusy()
    {
        for (QAction *action : std::as_const(locked_))
            action->setEnabled(true);
        window_.centralWidget()->setEnabled(true);
        window_.deviceBusy_ = false;
        if (window_.recalibrationPutOff_)
            QTimer::singleShot(0, &window_, &MainInterface::resumeRecalibration);
    }
    DeviceBusy(const DeviceBusy &) = delete;
    DeviceBusy &operator=(const DeviceBusy &) = delete;

private:
    MainInterface &window_;
    QList<QAction *> locked_;
};

// The window processes pending messages between the pages and blocks of a
// transfer (progress windows come with their own dialogs).
device::TransferHooks MainInterface::transferHooks()
{
    device::TransferHooks transfer;
    transfer.progress = [this](int, int) { pump(); };
    transfer.pump = [this] { pump(); };
    return transfer;
}

void MainInterface::setDeviceWindows(const DeviceWindows &windows)
{
    if (deviceWindows_.comTest)
        disconnect(deviceWindows_.comTest, nullptr, this, nullptr);
    deviceWindows_ = windows;
    if (deviceWindows_.comTest)
        connect(deviceWindows_.comTest, &ComTest::resultAccepted, this, &MainInterface::comTestClosed);
}

void MainInterface::comTestClosed()
{
    LoadDeviceData->setEnabled(true);
    ProgramDevice->setEnabled(true);
}

// The microcontroller's speed, the dialog shown and painted, then the test
// with its stages in the dialog; a success enables the device commands.
void MainInterface::ComunicationTestClick()
{
    if (!deviceLink_ || refusedWhileTransferring())
        return;
    const DeviceBusy busy(*this);
    CalibrateLoop(*deviceLink_, session_.link.PicBaudRate);
    ComTest *dialog = deviceWindows_.comTest;
    if (dialog)
        dialog->startTest();
    pump();
    device::ComTestHooks testHooks;
    testHooks.pump = hooks_.pump;
    if (dialog)
        testHooks = dialog->testHooks(hooks_.pump);
    const device::ComTestOutcome outcome = device::RunComTest(*deviceLink_, testHooks);
    if (!outcome.started)
        showNotices(device::refusedWhileBusy().notices);
    if (outcome.connected)
        SetDeviceCommandsEnabled(true);
    showNotices(outcome.notices);
    if (dialog)
        dialog->testEnded(outcome.connected);
}

void MainInterface::LoadDeviceDataClick()
{
    if (!deviceLink_)
        return;
    ShowInfo(device::loadingInfo());
    LoadDeviceData->setEnabled(false);
    {
        const DeviceBusy busy(*this);
        LoadingDeviceData *panel = deviceWindows_.loading;
        if (panel)
            panel->showCentred();
        pump();
        const device::DeviceOutcome outcome =
            device::ReadDeviceMemory(*deviceLink_, session_.program.image, transferHooks());
        showNotices(outcome.notices);
        if (panel)
            panel->close();
        pump();
        if (outcome.started) {
            editor_.FillInstructionList();
            ReloadProgram();
        }
    }
    LoadDeviceData->setEnabled(true);
}

// The question first; then the header packed, the image written and, when
// the write went through, verified with the verification's window over the
// programming window.
void MainInterface::ProgramDeviceClick()
{
    if (!deviceLink_)
        return;
    ShowInfo(device::programmingWarningInfo());
    if (!prompt_.ask(this, device::programmingQuestion(), Prompt::Buttons::YesCancel))
        return;
    ShowInfo(device::programmingInfo());
    ProgramDevice->setEnabled(false);
    {
        const DeviceBusy busy(*this);
        PackHeader(session_.program);
        DeviceProgramming *panel = deviceWindows_.programming;
        if (panel)
            panel->showCentred();
        pump();
        bool verified = false;
        device::TransferHooks transfer = transferHooks();
        transfer.verifying = [this, &verified] {
            verified = true;
            if (deviceWindows_.loading)
                deviceWindows_.loading->showVerifying();
            pump();
        };
        const device::DeviceOutcome outcome =
            device::WriteDeviceMemory(*deviceLink_, session_.deviceMemory, session_.program.image, transfer);
        showNotices(outcome.notices);
        if (verified && deviceWindows_.loading)
            deviceWindows_.loading->closeVerifying();
        if (panel)
            panel->close();
    }
    ProgramDevice->setEnabled(true);
}

void MainInterface::VerificationClick()
{
    if (!deviceLink_)
        return;
    const DeviceBusy busy(*this);
    LoadingDeviceData *panel = deviceWindows_.loading;
    if (panel)
        panel->showVerifying();
    pump();
    showNotices(device::VerifyDevice(*deviceLink_, session_.deviceMemory, session_.program.image,
                                     transferHooks())
                    .notices);
    if (panel)
        panel->closeVerifying();
}

} // namespace pellmora::ui
