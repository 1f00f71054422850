#include "DeviceWindowsFixture.h"

#include <QRadioButton>

using namespace pellmora;
using namespace pellmora::link;
using namespace pellmora::ui;
using namespace pellmora::ui::test;

class PortSelectionTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TemporaryCurrentDirectory> dir_;

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
        QTest::newRow("close box after a click") << 0 << 2 << false << 0 << "Port : COM2" << "No Connection";
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
            shown = ui.prompt.shown;
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
