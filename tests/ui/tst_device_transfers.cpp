#include "DeviceWindowsFixture.h"

#include "../device/SimRig.h"

#include "model/ProgramHeader.h"

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::sim;
using namespace pellmora::ui;
using namespace pellmora::ui::test;
using sim::Fault;
using pellmora::test::patternImage;

namespace {

enum class Command { Program, Load, Verify };

const QString NoAck = QStringLiteral(
    "EEPROMka neposílá ACK, nebo je na spojení nějaká chybička - nemožno komunikovati");
const QString VerifyNoAck = QStringLiteral("Nemožná komunikace se zařízením - neposílá ACK");
const QString Differs = QStringLiteral(
    "Nějak ti to hapruje člověče, nebo já už sem z toho uplně blbej,     > NO VERIFICATION OK <");
const QString Equal = QStringLiteral("No výborně, musím se zase pochválit a obsluhu taky, žejo?");
const QString Question = QStringLiteral("Opravdu chcete naprogramovat součástku ?");
const QString CableLost = QStringLiteral("Spojení s převodníkem se přerušilo (port nelze číst ani zapisovat). "
                                         "Zkontrolujte kabel a spusťte Test Komunikace.");

// A program of three instructions with a label and an identifier, its
// header as the program's settings write it.
DeviceImage someProgram()
{
    Program program;
    program.image.words[0] = 0x8000 | 5400;
    program.image.words[1] = 1800;
    program.image.words[2] = 0x8000 | 32000;
    program.settings.DeviceName = QStringLiteral("Chodba");
    program.settings.DeviceId = 0x1A2B;
    PackHeader(program);
    return program.image;
}

// The progress panels as they stood at each processing of pending messages.
struct PanelsSeen {
    QStringList shown;       // panel texts of the visible progress windows, each once
    QStringList progress;    // per panel text shown, its bar's text when last seen
    QList<int> percent;      // per panel text shown, how far its bar was
    bool barsRise = true;     // no bar ever went back while its panel was shown
    bool buttonLocked = true; // the command's own button was disabled every time
    bool clearForMessages = true; // no progress window stood over a message box

    void see(const TransferPanel &panel)
    {
        const QString text = panel.isVisible() ? panel.panelText() : QString();
        if (text.isEmpty())
            return;
        if (!shown.contains(text)) {
            shown << text;
            progress << QString();
            percent << -1;
        }
        const qsizetype i = shown.indexOf(text);
        barsRise &= panel.progressPercent() >= percent[i];
        percent[i] = panel.progressPercent();
        progress[i] = panel.progressText();
    }
};

} // namespace

Q_DECLARE_METATYPE(Command)

class DeviceTransfersTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TemporaryCurrentDirectory> dir_;

    static void run(DeviceWindowsUnderTest &ui, Command command)
    {
        switch (command) {
        case Command::Program:
            QTest::mouseClick(ui.button(QStringLiteral("ProgramDevice")), Qt::LeftButton);
            break;
        case Command::Load:
            ui.action(QStringLiteral("LoadData"))->trigger();
            break;
        case Command::Verify:
            ui.action(QStringLiteral("Verification"))->trigger();
            break;
        }
    }

private slots:
    void init() { dir_ = std::make_unique<TemporaryCurrentDirectory>(); }
    void cleanup() { dir_.reset(); }

    void transfers_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QList<Fault>>("faults");
        QTest::addColumn<bool>("deviceHoldsProgram"); // the memory holds the program beforehand
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("panels");
        QTest::addColumn<QStringList>("progress"); // the bar of each panel when last seen
        QTest::addColumn<QString>("info");

        const QList<Fault> none;
        const QList<Fault> noMemory{Fault::NoEeprom};
        const QString All = QStringLiteral("512 z 512 bajtů");
        const QString None; // the bar never moved
        QTest::newRow("program and verify") << Command::Program << none << false << true
                                            << QStringList{Question, Equal}
                                            << QStringList{"Programming...", "Verifying"} << QStringList{All, All}
                                            << "*** VERIFICATION OK MY BABY *** ";
        QTest::newRow("program cancelled") << Command::Program << none << false << false << QStringList{Question}
                                           << QStringList{} << QStringList{} << "*** Nevratná operace.. přepíše paměť *** ";
        QTest::newRow("program, no memory: no verification")
            << Command::Program << noMemory << false << true << QStringList{Question, NoAck}
            << QStringList{"Programming..."} << QStringList{None} << "*** NOT VALID I2C OPERATION ***";
        QTest::newRow("program, bit read back flipped")
            << Command::Program << QList<Fault>{Fault::FlipBit} << false << true
            << QStringList{Question, Differs} << QStringList{"Programming...", "Verifying"} << QStringList{All, All}
            << "*** VERIFICATION ERROR *** ";
        QTest::newRow("load") << Command::Load << none << true << true << QStringList{}
                              << QStringList{"Reading..."} << QStringList{All} << "*** DATA LOADED WITH NO ERRORS *** ";
        QTest::newRow("load, no memory") << Command::Load << noMemory << true << true << QStringList{NoAck}
                                         << QStringList{"Reading..."} << QStringList{None} << "*** NOT VALID I2C OPERATION *** ";
        QTest::newRow("load, cable pulled in the middle: nothing read is used")
            << Command::Load << QList<Fault>{Fault::PulledCable} << true << true << QStringList{CableLost}
            << QStringList{"Reading..."} << QStringList{All} << "*** NOT VALID I2C OPERATION *** ";
        QTest::newRow("verify equal") << Command::Verify << none << true << true << QStringList{Equal}
                                      << QStringList{"Verifying"} << QStringList{All} << "*** VERIFICATION OK MY BABY *** ";
        QTest::newRow("verify, blank memory") << Command::Verify << none << false << true << QStringList{Differs}
                                              << QStringList{"Verifying"} << QStringList{All} << "*** VERIFICATION ERROR *** ";
        QTest::newRow("verify, no memory: reported twice")
            << Command::Verify << noMemory << true << true << QStringList{VerifyNoAck, Differs}
            << QStringList{"Verifying"} << QStringList{None} << "*** VERIFICATION ERROR *** ";
    }

    // Each command shows its progress window with the bytes done while it
    // runs, with its own button locked, closes it and reports in its boxes
    // and info line; afterwards the loading panel reads "Reading" after a
    // verification, and both buttons are usable again.
    void transfers()
    {
        QFETCH(Command, command);
        QFETCH(QList<Fault>, faults);
        QFETCH(bool, deviceHoldsProgram);
        QFETCH(bool, confirm);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, panels);
        QFETCH(QStringList, progress);
        QFETCH(QString, info);

        DeviceWindowsUnderTest ui(faults);
        const DeviceImage program = someProgram();
        if (deviceHoldsProgram)
            ui.device().setMemory(program.toBytes());
        // A load starts from an empty editor, the others from the program,
        // saved in a file, so that the checks before programming find nothing.
        if (command != Command::Load)
            ui.session.program.image = program;
        ui.window->ReloadProgram();
        if (command != Command::Load) {
            ui.saveNames = {dir_->file(QStringLiteral("program.plm"))};
            ui.window->SaveAsClick();
        }
        ui.asAfterCommunicationTest();
        const QByteArray memoryBefore = ui.device().memory();
        ui.prompt.answers = {confirm};

        QPushButton *ownButton = ui.button(command == Command::Load ? QStringLiteral("LoadDeviceData")
                                                                    : QStringLiteral("ProgramDevice"));
        PanelsSeen seen;
        ui.onPump = [&] {
            seen.see(*ui.others.programming);
            seen.see(*ui.others.loading);
            if (command != Command::Verify)
                seen.buttonLocked &= !ownButton->isEnabledTo(ui.window->centralWidget());
        };
        ui.prompt.onShown = [&] {
            seen.clearForMessages &= !ui.others.programming->isVisible() && !ui.others.loading->isVisible();
        };
        run(ui, command);
        ui.onPump = {};

        QCOMPARE(ui.prompt.shown, messages);
        QCOMPARE(seen.shown, panels);
        QCOMPARE(seen.progress, progress);
        QVERIFY(seen.barsRise);
        QVERIFY(seen.buttonLocked);
        QVERIFY(seen.clearForMessages);
        QCOMPARE(ui.lastInfo(), info);
        ui.window->windowPainted(); // uncovered as the progress window closes: the outcome stays
        QCOMPARE(ui.lastInfo(), info);
        QVERIFY(!ui.others.programming->isVisible());
        QVERIFY(!ui.others.loading->isVisible());
        QCOMPARE(ui.others.loading->panelText(),
                 panels.contains(QStringLiteral("Verifying")) ? QStringLiteral("Reading") : QStringLiteral("Reading..."));
        QVERIFY(ui.button(QStringLiteral("ProgramDevice"))->isEnabled());
        QVERIFY(ui.button(QStringLiteral("LoadDeviceData"))->isEnabled());

        const bool written = command == Command::Program && confirm && !faults.contains(Fault::NoEeprom);
        QCOMPARE(ui.device().memory(), written ? program.toBytes() : memoryBefore);
        const bool loaded = command == Command::Load && faults.isEmpty();
        QCOMPARE(ui.session.program.image, loaded || command != Command::Load ? program : DeviceImage{});
        QCOMPARE(ui.list()->count(), loaded || command != Command::Load ? 3 : 0);
        QCOMPARE(ui.window->windowTitle().contains(QStringLiteral("Chodba")), loaded || command != Command::Load);
    }

    void checksBeforeProgramming_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fastMode");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("anyway");   // the answer to the findings
        QTest::addColumn<QString>("findings"); // the question; empty: none asked
        QTest::newRow("nothing found: nothing asked") << "Chodba" << false << true << true << "";
        QTest::newRow("fast clock, Ano: programmed")
            << "Chodba" << true << true << true
            << "Je zapnut zrychlený mód: hodiny spínače poběží 60x rychleji.\n\nProgramovat přesto?";
        QTest::newRow("fast clock, Zrušit: nothing programmed")
            << "Chodba" << true << true << false
            << "Je zapnut zrychlený mód: hodiny spínače poběží 60x rychleji.\n\nProgramovat přesto?";
        QTest::newRow("no name, never saved: one question")
            << "" << false << false << true
            << "Spínač nemá název.\nProgram není uložen v souboru.\n\nProgramovat přesto?";
    }

    // Before programming the program is checked: every finding in one
    // question, which must be answered Ano for anything to be written.
    void checksBeforeProgramming()
    {
        QFETCH(QString, name);
        QFETCH(bool, fastMode);
        QFETCH(bool, saved);
        QFETCH(bool, anyway);
        QFETCH(QString, findings);
        DeviceWindowsUnderTest ui;
        ui.session.program.image = someProgram();
        ui.window->ReloadProgram();
        ui.session.program.settings.DeviceName = name;
        ui.session.program.settings.FastMode = fastMode;
        if (saved) {
            ui.saveNames = {dir_->file(QStringLiteral("program.plm"))};
            ui.window->SaveAsClick();
        }
        ui.asAfterCommunicationTest();
        const QByteArray blank = ui.device().memory();
        ui.prompt.answers = findings.isEmpty() ? QList<bool>{true} : QList<bool>{anyway, true};
        ui.prompt.shown.clear();
        QTest::mouseClick(ui.button(QStringLiteral("ProgramDevice")), Qt::LeftButton);

        QStringList asked;
        if (!findings.isEmpty())
            asked << findings;
        if (anyway)
            asked << Question << Equal;
        QCOMPARE(ui.prompt.shown, asked);
        QCOMPARE(ui.device().memory(), anyway ? ui.session.program.image.toBytes() : blank);
    }

    void commandsWaitForTheRunningTransfer_data()
    {
        QTest::addColumn<QString>("command"); // a control's name, or "close"
        QTest::newRow("service window: Read From Prog.") << "ReadFromProg";
        QTest::newRow("service window: Load Data") << "LoadBtn";
        QTest::newRow("service window: Program Device") << "ProgramBtn";
        QTest::newRow("service window: Send To Programmer") << "SendToProgrammer";
        QTest::newRow("Link O&FF") << "LinkOFF";
        QTest::newRow("Link O&N") << "LinkONMenu";
        QTest::newRow("Test Komunikace") << "ComunicationTest";
        QTest::newRow("closing the main window") << "close";
    }

    // While a transfer of any window holds the link, a command that would
    // touch the bus, the service window's grid or the program's image is
    // refused with the busy text and changes nothing. The text waits for
    // nobody (the main window's info bar, the service window's notice): a
    // box waiting for OK would stop the transfer until it was closed.
    void commandsWaitForTheRunningTransfer()
    {
        QFETCH(QString, command);
        DeviceWindowsUnderTest ui;
        ui.asAfterCommunicationTest();
        ui.session.program.image = someProgram();
        ui.device().setMemory(patternImage().toBytes());
        ui.action(QStringLiteral("MemoryOp"))->trigger();
        DeviceOperationsForm &service = *ui.others.deviceOperations;
        const link::LinkState before = ui.session.link;
        const bool supplied = ui.device().lines().supply;
        const device::GridBuffer grid = service.gridBuffer();
        const QByteArray memory = ui.device().memory();
        ui.prompt.shown.clear();
        {
            const link::LinkSession transfer(ui.connection->link());
            if (command == QStringLiteral("close"))
                QVERIFY(!ui.window->close());
            else if (auto *serviceButton = service.findChild<QPushButton *>(command))
                serviceButton->click();
            else if (QAction *item = ui.window->findChild<QAction *>(command))
                item->trigger();
            else
                ui.button(command)->click();
        }
        QCOMPARE(ui.prompt.shown, QStringList{});
        const bool serviceCommand = service.findChild<QPushButton *>(command) != nullptr;
        QCOMPARE(ui.prompt.notified, serviceCommand ? QStringList{device::busyText()} : QStringList{});
        QCOMPARE(ui.window->infoBar().infoText().endsWith(device::busyText() + QLatin1Char('>')), !serviceCommand);
        QCOMPARE(service.gridBuffer(), grid);
        QCOMPARE(ui.session.program.image, someProgram());
        QCOMPARE(ui.device().memory(), memory);
        QCOMPARE(ui.device().lines().supply, supplied);
        QCOMPARE(ui.powerOffs, 0);
        QCOMPARE(ui.session.link.PortBase, before.PortBase);
        QCOMPARE(ui.session.link.LoopCount, before.LoopCount);
        QVERIFY(!ui.others.comTest->isVisible());
        QVERIFY(ui.window->isVisible());
    }

    // A program written by this window and loaded back into a cleared
    // editor comes back whole, and verifies against the device.
    void programLoadVerifyRoundTrip()
    {
        DeviceWindowsUnderTest ui;
        ui.session.program.image = someProgram();
        UnpackHeader(ui.session.program);
        ui.asAfterCommunicationTest();
        ui.prompt.answers = {true, true}; // programmed although it was never saved
        QTest::mouseClick(ui.button(QStringLiteral("ProgramDevice")), Qt::LeftButton);
        const DeviceImage written = ui.session.program.image;

        ui.session.program.image.clear();
        QTest::mouseClick(ui.button(QStringLiteral("LoadDeviceData")), Qt::LeftButton);
        QCOMPARE(ui.session.program.image, written);

        ui.prompt.shown.clear();
        ui.action(QStringLiteral("Verification"))->trigger();
        QCOMPARE(ui.prompt.shown, QStringList{Equal});
    }
};

int main(int argc, char **argv)
{
    Q_INIT_RESOURCE(assets);
    QApplication app(argc, argv);
    DeviceTransfersTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_device_transfers.moc"
