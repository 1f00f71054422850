#include "DeviceWindowsFixture.h"

#include <QProgressBar>

using namespace pellmora;
using namespace pellmora::sim;
using namespace pellmora::ui;
using namespace pellmora::ui::test;
using sim::Fault;

namespace {

// What the test's dialog showed at each processing of pending messages.
struct DialogSeen {
    QStringList labels;
    int highestProgress = 0;
    bool buttonEverEnabled = false;
    bool alwaysVisible = true;
    QStringList captions;
};

const QString Connected = QStringLiteral("OK - Připojeno");
const QString NotConnected = QStringLiteral("Nepřipojeno");

// The dialog's label before the test and in each of the four stages.
const QStringList StageLabels{
    QStringLiteral("Process:"),
    QStringLiteral("Process: Checking Links"),
    QStringLiteral("Process: Checking Interface Connection"),
    QStringLiteral("Process: Catching Microcontroller's Communication ACK"),
    QStringLiteral("Process: Establish Communication"),
};

} // namespace

class ComTestWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TemporaryCurrentDirectory> dir_;

    static QPushButton *resultButton(DeviceWindowsUnderTest &ui)
    {
        return control<QPushButton>(*ui.others.comTest, QStringLiteral("TestComResultBtn"));
    }

    static void watchDialog(DeviceWindowsUnderTest &ui, DialogSeen &seen)
    {
        ComTest &dialog = *ui.others.comTest;
        ui.onPump = [&ui, &seen, &dialog] {
            const QString label = control<QLabel>(dialog, QStringLiteral("ProcessLabel"))->text();
            if (seen.labels.isEmpty() || seen.labels.last() != label)
                seen.labels << label;
            seen.highestProgress = qMax(seen.highestProgress,
                                        control<QProgressBar>(dialog, QStringLiteral("TestComProgress"))->value());
            seen.buttonEverEnabled |= resultButton(ui)->isEnabled();
            seen.alwaysVisible &= dialog.isVisible();
            if (!seen.captions.contains(resultButton(ui)->text()))
                seen.captions << resultButton(ui)->text();
        };
    }

private slots:
    void init() { dir_ = std::make_unique<TemporaryCurrentDirectory>(); }
    void cleanup() { dir_.reset(); }

    void outcomeOfEachStage_data()
    {
        QTest::addColumn<QList<Fault>>("faults");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("stages"); // the stages the test reached

        QTest::newRow("switch answers") << QList<Fault>{} << QString() << 4;
        QTest::newRow("noisy port") << QList<Fault>{Fault::NoisyPort}
                                    << "Stále dochází ke změnám na vstupech portu, je zde asi připojeno nějaké "
                                       "zařízení ! -dalo by se očekávat, že ? [Error 1]"
                                    << 1;
        QTest::newRow("no interface") << QList<Fault>{Fault::NoInterface}
                                      << "Nezdá se mi propojení se zařízením, zkontolujte ho, nebo přepněte na jiný "
                                         "port [Error 2]"
                                      << 2;
        QTest::newRow("silent microcontroller")
            << QList<Fault>{Fault::SilentPic}
            << "Nechce o sobě dát potvrzení o naslouchání I2C, lenoch ! [Error 3]" << 3;
        QTest::newRow("data line held low")
            << QList<Fault>{Fault::SdaStuckLow}
            << "Odeslal sice ACK, ale nějak sedí na lince SDA (furt jí drží v nule) [Error 4]" << 3;
        QTest::newRow("wrong echo") << QList<Fault>{Fault::WrongEcho}
                                    << "Nějak se ten procesor vzpouzí, nebo je špatně připojené zařízení, nechce "
                                       "odpovídat na moje posílaný data... [Error 5]"
                                    << 4;
    }

    // Each stage's failure reaches the user with its own message, leaves the
    // device commands off and the button "Nepřipojeno"; only a full pass
    // enables them and names the button "OK - Připojeno". While the test runs
    // the dialog stays up, its button stays disabled and the progress bar
    // never passes its maximum. The connection panel of the status bar
    // follows the outcome.
    void outcomeOfEachStage()
    {
        QFETCH(QList<Fault>, faults);
        QFETCH(QString, message);
        QFETCH(int, stages);
        DeviceWindowsUnderTest ui(faults);
        ui.window->SetDeviceCommandsEnabled(false);
        DialogSeen seen;
        watchDialog(ui, seen);

        ui.action(QStringLiteral("MComunicationTest"))->trigger();
        ui.onPump = {};

        const bool connected = message.isEmpty();
        QCOMPARE(ui.prompt.shown, connected ? QStringList{} : QStringList{message});
        QCOMPARE(seen.labels, StageLabels.first(stages + 1));
        QVERIFY(seen.highestProgress <= 100);
        QVERIFY(!seen.buttonEverEnabled);
        QVERIFY(seen.alwaysVisible);
        QCOMPARE(seen.captions, QStringList{NotConnected});
        QVERIFY(ui.others.comTest->isVisible());
        QVERIFY(resultButton(ui)->isEnabled());
        QCOMPARE(resultButton(ui)->text(), connected ? Connected : NotConnected);
        QCOMPARE(ui.window->statusPanel(2), connected ? QStringLiteral("Připojeno") : QStringLiteral("! nepřipojeno !"));
        // The last stage's text is shown whole.
        QCoreApplication::processEvents();
        const QLabel *label = control<QLabel>(*ui.others.comTest, QStringLiteral("ProcessLabel"));
        QVERIFY2(label->contentsRect().width() >= label->fontMetrics().horizontalAdvance(label->text()),
                 qPrintable(label->text()));
        for (const char *name : {"Verification", "LoadData", "Programming", "DeviceTime"})
            QCOMPARE(ui.action(QString::fromLatin1(name))->isEnabled(), connected);
    }

    void resultButtonEnablesTheTransferButtons_data()
    {
        QTest::addColumn<QString>("closedBy");
        QTest::newRow("result button") << QStringLiteral("click");
        QTest::newRow("Return") << QStringLiteral("Return");
        QTest::newRow("close box") << QStringLiteral("close");
    }

    // Closing the dialog gives the load and program buttons back after any
    // outcome, but not the menu items a failed test left off. The result
    // button has the focus at the end, so Return closes the dialog too; the
    // title bar holds the close box alone.
    void resultButtonEnablesTheTransferButtons()
    {
        QFETCH(QString, closedBy);
        DeviceWindowsUnderTest ui({Fault::NoInterface});
        ui.window->SetDeviceCommandsEnabled(false);
        QTest::mouseClick(ui.button(QStringLiteral("ComunicationTest")), Qt::LeftButton);
        QVERIFY(!ui.button(QStringLiteral("LoadDeviceData"))->isEnabled());
        const Qt::WindowFlags flags = ui.others.comTest->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(ui.others.comTest->focusWidget(), resultButton(ui));

        if (closedBy == QStringLiteral("click"))
            QTest::mouseClick(resultButton(ui), Qt::LeftButton);
        else if (closedBy == QStringLiteral("Return"))
            QTest::keyClick(ui.others.comTest->focusWidget(), Qt::Key_Return);
        else
            ui.others.comTest->close();

        QVERIFY(!ui.others.comTest->isVisible());
        QVERIFY(ui.button(QStringLiteral("LoadDeviceData"))->isEnabled());
        QVERIFY(ui.button(QStringLiteral("ProgramDevice"))->isEnabled());
        QVERIFY(!ui.action(QStringLiteral("LoadData"))->isEnabled());
        QVERIFY(!ui.action(QStringLiteral("Programming"))->isEnabled());
    }

    // A test after a success starts again from "Nepřipojeno", so a later
    // failure never shows the earlier "OK - Připojeno".
    void laterFailureShowsNoEarlierSuccess()
    {
        DeviceWindowsUnderTest ui;
        QTest::mouseClick(ui.button(QStringLiteral("ComunicationTest")), Qt::LeftButton);
        QCOMPARE(resultButton(ui)->text(), Connected);
        QTest::mouseClick(resultButton(ui), Qt::LeftButton);

        auto unplugged = openSimulatedSwitch(ui.session.link, {Fault::NoInterface});
        ui.window->setDeviceLink(&unplugged->link());
        DialogSeen seen;
        watchDialog(ui, seen);
        QTest::mouseClick(ui.button(QStringLiteral("ComunicationTest")), Qt::LeftButton);
        ui.onPump = {};
        ui.window->setDeviceLink(&ui.connection->link());

        QCOMPARE(seen.captions, QStringList{NotConnected});
        QCOMPARE(resultButton(ui)->text(), NotConnected);
        QCOMPARE(ui.prompt.shown.size(), 1);
        QVERIFY(ui.prompt.shown.first().endsWith(QStringLiteral("[Error 2]")));
    }
};

int main(int argc, char **argv)
{
    Q_INIT_RESOURCE(assets);
    QApplication app(argc, argv);
    ComTestWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_comtest.moc"
