#include "DeviceWindowsFixture.h"

#include "connection/LinkChoice.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

using namespace pellmora;
using namespace pellmora::link;
using namespace pellmora::ui;
using namespace pellmora::ui::test;

class PortSelectionTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TemporaryCurrentDirectory> dir_;

    // Serial devices as the dialog lists them; none of them is there.
    static QList<DeviceEntry> serialDevices()
    {
        return {{QStringLiteral("/nonexistent/ttyS0"), QStringLiteral("/nonexistent/ttyS0")},
                {QStringLiteral("/nonexistent/ttyUSB7 (usb-Test_Adapter-if00-port0)"),
                 QStringLiteral("/nonexistent/by-id/usb-Test_Adapter-if00-port0")}};
    }

    static QRadioButton *radio(DeviceWindowsUnderTest &ui, int port)
    {
        return control<QRadioButton>(*ui.others.port, QStringLiteral("portCOM%1").arg(port + 1));
    }

    static void openDialog(DeviceWindowsUnderTest &ui)
    {
        QTest::mouseClick(ui.button(QStringLiteral("PortName")), Qt::LeftButton);
        QVERIFY(ui.others.port->isVisible());
        QVERIFY(!ui.others.port->isModal());
    }

    static void pressOk(DeviceWindowsUnderTest &ui)
    {
        QTest::mouseClick(control<QPushButton>(*ui.others.port, QStringLiteral("PortSelectOK")), Qt::LeftButton);
    }

    static bool deviceCommandsEnabled(DeviceWindowsUnderTest &ui)
    {
        return ui.action(QStringLiteral("Verification"))->isEnabled()
               && ui.button(QStringLiteral("LoadDeviceData"))->isEnabled();
    }

private slots:
    void init() { dir_ = std::make_unique<TemporaryCurrentDirectory>(); }
    void cleanup() { dir_.reset(); }

    void choosePort_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("clicked"); // -1: no radio button clicked
        QTest::addColumn<bool>("ok");     // false: closed with the close box
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("portPanel");
        QTest::addColumn<QString>("connectionPanel");

        QTest::newRow("same port again") << 1 << 1 << true << 1 << "port COM2" << "No Connection";
        QTest::newRow("nothing clicked") << 2 << -1 << true << 2 << "port COM3" << "No Connection";
        QTest::newRow("another port") << 0 << 3 << true << 3 << "port COM4" << "! nepřipojeno !";
        QTest::newRow("a lower port") << 3 << 0 << true << 0 << "port COM1" << "! nepřipojeno !";
        QTest::newRow("close box after a click") << 0 << 2 << false << 0 << "Port : COM1" << "No Connection";
    }

    // OK makes the pending choice the selected port and names it in the
    // status bar; only a different port disables the device commands and
    // marks the connection lost; the close box changes nothing. Reopening
    // starts from the selected port whatever was clicked before.
    void choosePort()
    {
        QFETCH(int, selected);
        QFETCH(int, clicked);
        QFETCH(bool, ok);
        QFETCH(int, result);
        QFETCH(QString, portPanel);
        QFETCH(QString, connectionPanel);
        DeviceWindowsUnderTest ui;
        ui.session.link.SelectedPort = quint8(selected);
        ui.window->SetDeviceCommandsEnabled(true);

        openDialog(ui);
        QVERIFY(radio(ui, selected)->isChecked());
        if (clicked >= 0)
            QTest::mouseClick(radio(ui, clicked), Qt::LeftButton);
        if (ok)
            pressOk(ui);
        else
            ui.others.port->close();

        QVERIFY(!ui.others.port->isVisible());
        QCOMPARE(int(ui.session.link.SelectedPort), result);
        QCOMPARE(ui.window->statusPanel(1), portPanel);
        QCOMPARE(ui.window->statusPanel(2), connectionPanel);
        QCOMPARE(deviceCommandsEnabled(ui), result == selected);
        QCOMPARE(int(ui.connection->openedPort()), ok ? result : 0);
        QVERIFY(ui.prompt.shown.isEmpty());

        openDialog(ui);
        QVERIFY(radio(ui, result)->isChecked());
        QCOMPARE(int(ui.others.port->pendingChoice()), result);
    }

    void chooseLink_data()
    {
        QTest::addColumn<QString>("clicked"); // the link's radio button; empty: none clicked
        QTest::addColumn<int>("entry");       // the serial device list's entry chosen; -1: none
        QTest::addColumn<QString>("typed");   // typed into the serial device's field
        QTest::addColumn<bool>("ok");         // false: closed with the close box
        QTest::addColumn<int>("kind");        // the link in use afterwards
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("linkPanel");
        QTest::addColumn<QString>("connectionPanel");

        const QString simulated = QStringLiteral("simulovaný spínač na COM1");
        const QString noIoPorts = QStringLiteral(
            "Porty I/O program bere jen při spuštění, a to jen se schopností CAP_SYS_RAWIO (setcap cap_sys_rawio+ep na "
            "soubor programu) nebo s volbou --link ioport");
        const QString adapter = QStringLiteral("/nonexistent/by-id/usb-Test_Adapter-if00-port0");
        const int serialDevice = int(LinkKind::SerialDevice);
        QTest::newRow("serial device from the list")
            << "linkTty" << 1 << QString() << true << serialDevice << adapter
            << QStringLiteral("Sériový port %1 neexistuje").arg(adapter) << "! nepřipojeno !";
        QTest::newRow("serial device typed")
            << QString() << -1 << "/nonexistent/ttyUSB9" << true << serialDevice << "/nonexistent/ttyUSB9"
            << "Sériový port /nonexistent/ttyUSB9 neexistuje"
            << "! nepřipojeno !";
        QTest::newRow("direct I/O ports not taken at start")
            << "linkIoPort" << -1 << QString() << true << int(LinkKind::IoPorts) << QString() << noIoPorts
            << "! nepřipojeno !";
        QTest::newRow("the simulated switch again")
            << "linkSim" << -1 << QString() << true << int(LinkKind::Simulated) << QString() << simulated
            << "No Connection";
        QTest::newRow("close box after choosing a device")
            << "linkTty" << 1 << QString() << false << int(LinkKind::Simulated) << QString() << simulated
            << "No Connection";
    }

    // OK moves the connection to the link chosen, at once, stores it for
    // the next start and names it in the status bar, or why it is not open;
    // the communication test then ends with the reason and its Error 2. The
    // same link again, or the close box, changes nothing.
    void chooseLink()
    {
        QFETCH(QString, clicked);
        QFETCH(int, entry);
        QFETCH(QString, typed);
        QFETCH(bool, ok);
        QFETCH(int, kind);
        QFETCH(QString, device);
        QFETCH(QString, linkPanel);
        QFETCH(QString, connectionPanel);
        DeviceWindowsUnderTest ui;
        ui.others.port->setDeviceLists(serialDevices, {});
        ui.window->SetDeviceCommandsEnabled(true);

        openDialog(ui);
        PortSelection &dialog = *ui.others.port;
        QVERIFY(control<QRadioButton>(dialog, QStringLiteral("linkSim"))->isChecked());
        QVERIFY(!control<QRadioButton>(dialog, QStringLiteral("linkFtdi"))->isVisible()); // no cable connected
        auto *devices = control<QComboBox>(dialog, QStringLiteral("TtyDevice"));
        QCOMPARE(devices->count(), 3); // the COM port's own device first
        if (!clicked.isEmpty())
            clickIndicator(control<QRadioButton>(dialog, clicked));
        if (entry >= 0)
            devices->setCurrentIndex(entry + 1);
        if (!typed.isEmpty()) {
            devices->lineEdit()->selectAll();
            QTest::keyClicks(devices->lineEdit(), typed);
        }
        if (ok)
            pressOk(ui);
        else
            dialog.close();

        const LinkSelection expected{LinkKind(kind), device};
        const bool changed = expected.kind != LinkKind::Simulated;
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.linkInUse(), expected);
        QCOMPARE(ui.connection->linkChoice(), linkChoiceOf(expected));
        QCOMPARE(ui.window->linkDescription(), linkPanel);
        QCOMPARE(ui.window->statusPanel(2), connectionPanel);
        QCOMPARE(deviceCommandsEnabled(ui), !changed);
        const std::optional<connection::LinkChoice> stored = connection::readLinkChoice(*connection::userSettings());
        QCOMPARE(stored.has_value(), changed);
        if (stored)
            QCOMPARE(*stored, linkChoiceOf(expected));
        QVERIFY(ui.prompt.shown.isEmpty());

        if (changed) {
            QTest::mouseClick(ui.button(QStringLiteral("ComunicationTest")), Qt::LeftButton);
            QCOMPARE(ui.prompt.shown,
                     (QStringList{linkPanel, QStringLiteral("Nezdá se mi propojení se zařízením, zkontolujte ho, nebo "
                                                            "přepněte na jiný port [Error 2]")}));
        }
        openDialog(ui);
        QCOMPARE(dialog.pendingLink(), expected);
    }

    void okRefusedWhileDeviceOperationRuns_data()
    {
        QTest::addColumn<bool>("fromMainWindow"); // false: another window's transfer holds the link
        QTest::newRow("transfer holds the link") << false;
        QTest::newRow("main window reads the device") << true;
    }

    // OK pressed while a device operation runs (the dialog is not modal and
    // transfers process pending messages) is refused with the busy text: the
    // dialog stays open with the choice pending, and the port, the
    // connection, the status bar and the device commands stay as they were.
    // Once the operation is over, OK goes through.
    void okRefusedWhileDeviceOperationRuns()
    {
        QFETCH(bool, fromMainWindow);
        DeviceWindowsUnderTest ui;
        ui.asAfterCommunicationTest();
        openDialog(ui);
        QTest::mouseClick(radio(ui, 2), Qt::LeftButton);

        bool pressed = false;
        QStringList shown;
        QStringList panelsBefore;
        QStringList panelsAfter;
        const auto pressDuringOperation = [&] {
            if (pressed)
                return;
            pressed = true;
            panelsBefore = QStringList{ui.window->statusPanel(1), ui.window->statusPanel(2)};
            pressOk(ui);
            panelsAfter = QStringList{ui.window->statusPanel(1), ui.window->statusPanel(2)};
            shown = ui.prompt.notified;
        };
        if (fromMainWindow) {
            ui.onPump = pressDuringOperation;
            QTest::mouseClick(ui.button(QStringLiteral("LoadDeviceData")), Qt::LeftButton);
            ui.onPump = {};
        } else {
            const LinkSession transfer(ui.connection->link());
            pressDuringOperation();
        }

        QVERIFY(pressed);
        QCOMPARE(shown, QStringList{device::busyText()});
        QCOMPARE(panelsAfter, panelsBefore);
        QVERIFY(ui.others.port->isVisible());
        QCOMPARE(int(ui.others.port->pendingChoice()), 2);
        QCOMPARE(int(ui.session.link.SelectedPort), 0);
        QCOMPARE(int(ui.connection->openedPort()), 0);
        QVERIFY(deviceCommandsEnabled(ui));

        pressOk(ui);
        QVERIFY(!ui.others.port->isVisible());
        QCOMPARE(int(ui.session.link.SelectedPort), 2);
        QCOMPARE(int(ui.connection->openedPort()), 2);
        QCOMPARE(ui.window->statusPanel(1), QStringLiteral("port COM3"));
        QCOMPARE(ui.window->statusPanel(2), QStringLiteral("! nepřipojeno !"));
    }
};

int main(int argc, char **argv)
{
    Q_INIT_RESOURCE(assets);
    QApplication app(argc, argv);
    PortSelectionTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_portselection.moc"
