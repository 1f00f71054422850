// The main window's menu bar and status bar.

#include "ui/MainInterface.h"

#include "ui/DeviceCommandsController.h"
#include "ui/EditorPanel.h"
#include "ui/ProgramHistory.h"
#include "ui/Prompt.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTime>

namespace pellmora::ui {

namespace {

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

// The link panel: as much of the link's description as the room beside the
// other panels holds, cut with an ellipsis; the tooltip holds all of it. Its
// text never changes the width of the window.
class LinkPanel : public QLabel {
public:
    explicit LinkPanel(QWidget *parent) : QLabel(parent)
    {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setMinimumWidth(MinimumWidth);
    }
    static constexpr int MinimumWidth = 200;

    void setWholeText(const QString &text)
    {
        whole_ = text;
        showFitting();
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QLabel::resizeEvent(event);
        showFitting();
    }

private:
    void showFitting()
    {
        const int room = contentsRect().width() - 2 * margin() - fontMetrics().horizontalAdvance(QLatin1Char(' '));
        setText(fontMetrics().elidedText(whole_, Qt::ElideRight, qMax(room, 0)));
    }

    QString whole_;
};

} // namespace

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
    connect(item(file, QStringLiteral("ReportPdf"), tr("Tisk / PDF..."), {},
                 tr("Uloží spínací program pro zákazníka jako stránku PDF")),
            &QAction::triggered, this, &MainInterface::ReportPdfClick);
    connect(item(file, QStringLiteral("ReportPrint"), tr("&Tisk na tiskárnu..."), {},
                 tr("Vytiskne spínací program pro zákazníka")),
            &QAction::triggered, this, &MainInterface::ReportPrintClick);
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
    connect(Verification, &QAction::triggered, deviceCommands_, &DeviceCommandsController::VerificationClick);
    QAction *speed = item(device, QStringLiteral("SetBaudRateMenu"), tr("Přenosová &rychlost"), {},
                          tr("Nastavení rychlosti komunikace s zařízením"));
    connect(speed, &QAction::triggered, this, [this] { services_.showWindow(OtherWindow::SpeedDialog); });
    QMenu *power = device->addMenu(tr("Links Power"));
    power->setObjectName(QStringLiteral("PowerMenu"));
    power->menuAction()->setObjectName(QStringLiteral("PowerMenuItem"));
    connect(item(power, QStringLiteral("LinkONMenu"), tr("Link O&N"), {}, {}), &QAction::triggered, this, [this] {
        if (!deviceCommands_->refusedWhileTransferring())
            services_.linkPowerOn();
    });
    connect(item(power, QStringLiteral("LinkOFF"), tr("Link O&FF"), {}, {}), &QAction::triggered, this, [this] {
        if (!deviceCommands_->refusedWhileTransferring())
            services_.linkPowerOff();
    });
    device->addSeparator();
    LoadData = item(device, QStringLiteral("LoadData"), tr("&Načti data..."), QKeySequence(Qt::CTRL | Qt::Key_R), {});
    connect(LoadData, &QAction::triggered, LoadDeviceData, &QPushButton::click);
    Programming = item(device, QStringLiteral("Programming"), tr("&Programuj..."),
                       QKeySequence(Qt::CTRL | Qt::Key_P), {});
    connect(Programming, &QAction::triggered, ProgramDevice, &QPushButton::click);
    connect(item(device, QStringLiteral("MemoryReportMenu"), tr("Výpis paměti"), {}, {}), &QAction::triggered, this,
            [this] { services_.showWindow(OtherWindow::MemoryReport); });
    connect(item(device, QStringLiteral("MemoryOp"), tr("Device Handling"), {}, {}), &QAction::triggered, this,
            [this] { services_.showWindow(OtherWindow::DeviceOperations); });
    device->addSeparator();
    DeviceTime = item(device, QStringLiteral("DeviceTime"), tr("N&astavení času"), {},
                      tr("Nastavení reálného času v zařízení"));
    connect(DeviceTime, &QAction::triggered, this, [this] { services_.showWindow(OtherWindow::DeviceTime); });
    QAction *config = item(device, QStringLiteral("DeviceConfig"), tr("&Konfigurace"), {}, tr("Konfigurace zařízení"));
    connect(config, &QAction::triggered, DeviceConfiguration, &QPushButton::click);
    device->addSeparator();
    connect(item(device, QStringLiteral("OscilatorCalibrationMnu"), tr("Kalibrace časové &základny"), {},
                 tr("Kompenzuje nepřesnost oscilátoru časové základny")),
            &QAction::triggered, this, [this] { services_.showWindow(OtherWindow::OscillatorCalibration); });
    device->addSeparator();
    LightSwitchMenu = item(device, QStringLiteral("LightSwitchMenu"), tr("Nesvítí"), QKeySequence(Qt::Key_Insert), {});
    LightSwitchMenu->setCheckable(true);
    connect(LightSwitchMenu, &QAction::triggered, editorPanel_, &EditorPanel::LightSwitchClick);
    device->addSeparator();
    QAction *copyPeriod = item(device, QStringLiteral("CopyPeriod"), tr("Kopíruj periodu..."), {},
                               tr("Zkopíruje instrukce této periody do jiné periody nebo do všech ostatních"));
    connect(copyPeriod, &QAction::triggered, this, &MainInterface::CopyPeriodClick);
    UndoMenu = item(device, QStringLiteral("UndoMenu"), tr("Zpět"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                    tr("Vrátí poslední změnu programu"));
    connect(UndoMenu, &QAction::triggered, this, &MainInterface::UndoClick);
    RedoMenu = item(device, QStringLiteral("RedoMenu"), tr("Znovu"), QKeySequence(Qt::CTRL | Qt::Key_Y),
                    tr("Znovu provede vrácenou změnu programu"));
    connect(RedoMenu, &QAction::triggered, this, &MainInterface::RedoClick);
    editorPanel_->addPopupItems({copyPeriod, UndoMenu, RedoMenu});
    connect(&history_->stack(), &QUndoStack::indexChanged, this, &MainInterface::updateUndoItems);
    connect(&history_->stack(), &QUndoStack::cleanChanged, this, &MainInterface::updateUndoItems);
    updateUndoItems();

    QMenu *database = menu(bar, QStringLiteral("DeviceDatabaseMenu"), tr("&Databáze"),
                           tr("Databáze již programonaných zařízení"));
    connect(item(database, QStringLiteral("OpenFromDatabaseMenu"), tr("&Otevři"), QKeySequence(Qt::CTRL | Qt::Key_L),
                 tr("Otevře zařízení z databáze")),
            &QAction::triggered, this, [this] { services_.showWindow(OtherWindow::OpenFromDatabase); });
    connect(item(database, QStringLiteral("DevicesOverview"), tr("&Přehled zařízení"), QKeySequence(Qt::CTRL | Qt::Key_D),
                 tr("Zobrazí přehled dosud programovaných zařízení")),
            &QAction::triggered, this, [this] { services_.showWindow(OtherWindow::DevicesOverview); });
    connect(item(database, QStringLiteral("OpenToBoxMenu"), tr("Otevřít do &boxu..."), QKeySequence(Qt::CTRL | Qt::Key_B),
                 tr("Otevře soubor instrukcí do boxu")),
            &QAction::triggered, this, [this] { services_.showWindow(OtherWindow::OpenToBox); });
    connect(item(database, QStringLiteral("SeriesProgrammingMenu"), tr("&Sériové programování..."), {},
                 tr("Naprogramuje řadu spínačů s po sobě jdoucími identifikátory")),
            &QAction::triggered, this, [this] { services_.showWindow(OtherWindow::SeriesProgramming); });
    database->addSeparator();
    QAction *simulation = item(database, QStringLiteral("DevicesSimulationMenu"), tr("&Simulace"), {},
                               tr("Simulace dne podle programu: kdy bude svítit"));
    connect(simulation, &QAction::triggered, this, [this] { services_.showWindow(OtherWindow::Simulation); });
    database->addSeparator();
    connect(item(database, QStringLiteral("DatabaseDirectoriesMenu"), tr("&Adresáře"), {},
                 tr("Nastavní adresářů- kde jsou uloženy soubory zařízení a systému")),
            &QAction::triggered, this, [this] { services_.showWindow(OtherWindow::DatabaseDirectories); });

    QMenu *help = menu(bar, QStringLiteral("GeneralHelp"), tr("&Help"), tr("Kontextový help"));
    item(help, QStringLiteral("HelpIndex"), tr("&Index"), {}, {})->setEnabled(false);
    help->addSeparator();
    QAction *about = item(help, QStringLiteral("About1"), tr("&About"), {},
                          tr("O fy Vantor Corp. a produktu (sledujte text)"));
    connect(about, &QAction::triggered, this, [this] { services_.showWindow(OtherWindow::About); });

    QAction *develop = bar->addAction(tr("Development Info"));
    develop->setObjectName(QStringLiteral("DevelopmentInfo"));
    connect(develop, &QAction::triggered, this, [this] { services_.showWindow(OtherWindow::DevelopmentInfo); });

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
    linkPanel_ = new LinkPanel(bar);
    linkPanel_->setObjectName(QStringLiteral("LinkPanel"));
    linkPanel_->setFrameShape(QFrame::Panel);
    linkPanel_->setFrameShadow(QFrame::Sunken);
    bar->addWidget(linkPanel_, 1);
    linkPanel_->hide();
}

// --- the status bar ------------------------------------------------------------

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

// The window keeps its size and place: a long description is cut in the
// panel, and its tooltip holds all of it.
void MainInterface::setLinkDescription(const QString &text)
{
    linkDescription_ = text;
    static_cast<LinkPanel *>(linkPanel_)->setWholeText(text);
    linkPanel_->setToolTip(tr("Spojení: %1").arg(text));
    linkPanel_->setVisible(!text.isEmpty());
}

int MainInterface::linkPanelMinimumWidth()
{
    return LinkPanel::MinimumWidth;
}

void MainInterface::showLinkState(const QString &description, const QString &closedReason)
{
    if (!closedReason.isEmpty())
        setStatusPanel(2, tr("! nepřipojeno !"));
    const QString text = closedReason.isEmpty() ? description : closedReason;
    if (text != linkDescription_)
        setLinkDescription(text);
}

} // namespace pellmora::ui
