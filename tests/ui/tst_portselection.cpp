#include "DeviceWindowsFixture.h"

#include <QRadioButton>

using namespace pellmora;
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

    // When the connection cannot follow (here: a transfer holds the link),
    // the user is told why and the port in use stays selected and named.
    void connectionThatCannotFollowKeepsThePortInUse()
    {
        DeviceWindowsUnderTest ui;
        openDialog(ui);
        QTest::mouseClick(radio(ui, 2), Qt::LeftButton);
        {
            const LinkSession transfer(ui.connection->link());
            pressOk(ui);
        }
        QCOMPARE(ui.prompt.shown, QStringList{device::busyText()});
        QCOMPARE(int(ui.session.link.SelectedPort), 0);
        QCOMPARE(int(ui.connection->openedPort()), 0);
        QCOMPARE(ui.window->statusPanel(1), QStringLiteral("port COM1"));
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
