// The application's windows around the main window: created hidden, and
// wired so that their results reach the main window.

#include "DialogTestKit.h"
#include "MainWindowFixture.h"

#include "app/AppWindows.h"

#include "connection/DeviceConnection.h"
#include "sim/SimulatedSwitch.h"

#include "../sim/PacedSwitchClock.h"

#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::ui;
using namespace pellmora::app;
using namespace pellmora::ui::test;

// The application's services without the speed calibration, which would
// only make the tests slow.
class QuickServices : public WindowServices {
public:
    using WindowServices::WindowServices;
    void calibrateQuietly() override {}
    void calibrationSequence() override {}
};

class MainAppTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryCurrentDirectory> dir_;
    std::unique_ptr<connection::DeviceConnection> connection_;
    Windows windows_;
    std::unique_ptr<QuickServices> services_;
    std::unique_ptr<WindowUnderTest> ui_;

    pellmora::test::PacedSwitchClock clock_;

    connection::LinkOptions simulatedSwitch() const
    {
        connection::LinkOptions options;
        options.simMemoryNone = true;
        options.simMonotonicNanos = clock_.source();
        return options;
    }

    // The simulated switch in use keeps time by the link's bit delays.
    void paceSimulatedSwitch()
    {
        if (sim::SimulatedSwitch *device = connection_->simulatedSwitch())
            clock_.pace(connection_->link(), *device);
    }

    // The window as main() builds it, by default on the simulated switch
    // with blank memory, its clock paced by the link's bit delays instead of
    // a speed calibration, to keep the test quick.
    WindowUnderTest &started() { return started(simulatedSwitch()); }
    WindowUnderTest &started(const connection::LinkOptions &options)
    {
        writeAll(QStringLiteral("plmprg.cfg"), configurationText());
        writeAll(QStringLiteral("devices.ddl"), EmptyDatabase);
        ui_ = std::make_unique<WindowUnderTest>();
        QString error;
        connection_ = connection::DeviceConnection::create(options, ui_->session.link, 0, &error);
        services_ = std::make_unique<QuickServices>(windows_, connection_->link());
        ui_->window = std::make_unique<MainInterface>(ui_->session, ui_->prompt, *services_);
        ui_->window->setDeviceLink(&connection_->link());
        ui_->window->show();
        windows_.create(ui_->session, ui_->prompt, connection_->link(), *ui_->window);
        windows_.connect(*ui_->window);
        windows_.followPort(*ui_->window, *connection_, ui_->prompt);
        paceSimulatedSwitch();
        ui_->show();
        return *ui_;
    }

private slots:
    void init() { dir_ = std::make_unique<TemporaryCurrentDirectory>(); }
    void cleanup()
    {
        ui_.reset();
        services_.reset();
        windows_ = Windows();
        connection_.reset();
        dir_.reset();
    }

    void otherWindowsStartHidden()
    {
        started();
        const QList<QWidget *> others{windows_.format.get(), windows_.about.get(), windows_.configuration.get(),
                                      windows_.checkPanel.get(), windows_.speed.get()};
        for (QWidget *w : others) {
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
            QVERIFY(!w->testAttribute(Qt::WA_QuitOnClose));
        }
    }

    // The wording dialog's OK rewords the list and the light switch's hint.
    void formatDialogRewordsTheList()
    {
        WindowUnderTest &ui = started();
        ui.typeDelay(QStringLiteral("00005"));
        QTest::mouseClick(ui.button(QStringLiteral("NewInstruction")), Qt::LeftButton);
        QTest::mouseClick(ui.button(QStringLiteral("InstructionFormatButton")), Qt::LeftButton);
        QVERIFY(windows_.format->isVisible());
        windows_.format->findChild<QRadioButton *>(QStringLiteral("OnOff"))->click();
        windows_.format->findChild<QPushButton *>(QStringLiteral("InstrFormatOK"))->click();
        QCOMPARE(ui.items(), QStringList{"Off 5s "});
        QCOMPARE(ui.find<QToolButton>(QStringLiteral("LightSwitch"))->statusTip(), QStringLiteral("On "));
    }

    // Confirming the configuration packs the header, returns to period 1 and
    // names the device in the status bar's hint.
    void configurationDialogReachesTheWindow()
    {
        WindowUnderTest &ui = started();
        QTimer::singleShot(0, this, [this] {
            auto *periods = windows_.configuration->findChild<QRadioButton *>(QStringLiteral("Periods1"));
            periods->click();
            windows_.configuration->findChild<QPushButton *>(QStringLiteral("OKButton"))->click();
        });
        ui.session.program.settings.DeviceName = QStringLiteral("Chodba");
        QTest::mouseClick(ui.button(QStringLiteral("DeviceConfiguration")), Qt::LeftButton);
        QCOMPARE(ui.session.program.settings.PeriodCode, quint8(1));
        QCOMPARE(ui.word(255) & 0x8700, 0x8100);
        QCOMPARE(ui.label(QStringLiteral("OutPeriod"))->text(), QStringLiteral("1. Perioda"));
        QVERIFY(ui.button(QStringLiteral("NextPeriod"))->isEnabled());
        QVERIFY(!ui.button(QStringLiteral("BackPeriod"))->isEnabled());
        QCOMPARE(ui.window->statusBar()->statusTip(), QStringLiteral("Pellmora - Programming Chodba"));
        QCOMPARE(ui.window->windowTitle(), QStringLiteral("Pellmora - (Chodba)"));
    }

    // The about text scrolls through the info bar and away.
    void aboutTextScrollsThrough()
    {
        WindowUnderTest &ui = started();
        writeAll(QStringLiteral("about.abg"), "Pellmora \r\nverze 1\r\n");
        ui.action(QStringLiteral("About1"))->trigger();
        QVERIFY(windows_.about->isVisible());
        InfoBar &bar = ui.window->infoBar();
        QTRY_VERIFY(bar.infoText().contains(QStringLiteral("verze")));
        QVERIFY(bar.infoText().endsWith(QStringLiteral("Pellmora verze 1>")));
        QCOMPARE(bar.BarTimer().interval(), InfoBar::ScrollThroughFirstStepMs);
        int steps = 0;
        while (bar.scrolling() && steps < 1000) {
            bar.step();
            ++steps;
        }
        QVERIFY(bar.infoText().isEmpty());
    }

    // A serial device that is not there does not keep the window from
    // starting: the editor works, the status bar says why and the
    // communication test ends with the reason and its Error 2. Choosing the
    // simulated switch in the port dialog connects without a restart.
    void startsWithoutTheCable()
    {
        connection::LinkOptions options = simulatedSwitch();
        options.backend = connection::Backend::Tty;
        options.ttyDevice = QStringLiteral("/dev/does-not-exist");
        WindowUnderTest &ui = started(options);
        const QString reason = QStringLiteral("Sériový port /dev/does-not-exist neexistuje");
        QVERIFY(ui.window->isVisible());
        QCOMPARE(ui.window->linkDescription(), reason);
        QCOMPARE(ui.window->statusPanel(2), QStringLiteral("! nepřipojeno !"));
        QVERIFY(ui.prompt.shown.isEmpty());

        ui.typeDelay(QStringLiteral("00005"));
        QTest::mouseClick(ui.button(QStringLiteral("NewInstruction")), Qt::LeftButton);
        QCOMPARE(ui.items().size(), 1);

        QTest::mouseClick(ui.button(QStringLiteral("ComunicationTest")), Qt::LeftButton);
        QCOMPARE(ui.prompt.shown, (QStringList{reason, QStringLiteral("Nezdá se mi propojení se zařízením, "
                                                                      "zkontolujte ho, nebo přepněte na jiný port "
                                                                      "[Error 2]")}));
        QVERIFY(!ui.action(QStringLiteral("Programming"))->isEnabled());

        ui.prompt.shown.clear();
        QTest::mouseClick(ui.button(QStringLiteral("PortName")), Qt::LeftButton);
        clickIndicator(windows_.port->findChild<QRadioButton *>(QStringLiteral("linkSim")));
        QTest::mouseClick(windows_.port->findChild<QPushButton *>(QStringLiteral("PortSelectOK")), Qt::LeftButton);
        QCOMPARE(ui.window->linkDescription(), QStringLiteral("simulovaný spínač na COM1"));
        paceSimulatedSwitch();
        QTest::mouseClick(ui.button(QStringLiteral("ComunicationTest")), Qt::LeftButton);
        QVERIFY(ui.prompt.shown.isEmpty());
        QVERIFY(ui.action(QStringLiteral("Programming"))->isEnabled());
    }

    // Closing writes the wording dialog's user fields into the configuration.
    void closingStoresTheDialogsUserWords()
    {
        WindowUnderTest &ui = started();
        auto *positive = windows_.format->findChild<QLineEdit *>(QStringLiteral("UserInstructionsPositive"));
        windows_.format->findChild<QRadioButton *>(QStringLiteral("User"))->click();
        positive->setText(QStringLiteral("Rozsviť"));
        ui.prompt.answers = {true};
        QVERIFY(ui.window->close());
        QVERIFY(readAll(QStringLiteral("plmprg.cfg")).contains("User Instruction Format:'Rozsvi\x9D'/'Zhasni na'  ;"));
        QVERIFY(readAll(QStringLiteral("plmprg.cfg")).contains("Default Instruction Format:'4'  ;"));
    }
};

int main(int argc, char **argv)
{
    Q_INIT_RESOURCE(assets);
    QApplication app(argc, argv);
    MainAppTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_main_app.moc"
