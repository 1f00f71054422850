#include "ui/DeviceOperationsForm.h"
#include "DeviceWindowsFixture.h"
#include "DialogTestKit.h"
#include "ui/MemoryReportForm.h"
#include "RecordingPrompt.h"
#include "../device/SimRig.h"

#include "device/DeviceMemory.h"
#include "device/MemoryListing.h"
#include "device/ProgramDifferences.h"
#include "device/ServiceTransfers.h"
#include "model/Segment.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <memory>
#include <optional>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::link;
using namespace pellmora::sim;
using namespace pellmora::ui;
using pellmora::sim::Fault;
using pellmora::test::SimRig;
using pellmora::test::patternImage;
using pellmora::ui::DeviceOperationsForm;
using pellmora::ui::MemoryReportForm;
namespace uitest = pellmora::ui::test;
using uitest::control;

namespace {

constexpr quint8 Com2 = 1;

QString cellAt(const DeviceOperationsForm &form, int address)
{
    return control<QTableWidget>(form, "MemoryGrid")->item(address / 16, address % 16)->text();
}

void setCell(DeviceOperationsForm &form, int address, const QString &text)
{
    control<QTableWidget>(form, "MemoryGrid")->item(address / 16, address % 16)->setText(text);
}

// Types into the cell's editor, as the user does, and commits with Enter.
void typeCell(DeviceOperationsForm &form, int address, const QString &text)
{
    auto *grid = control<QTableWidget>(form, "MemoryGrid");
    grid->editItem(grid->item(address / 16, address % 16));
    auto *editor = grid->viewport()->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->clear();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the editor commits from the event loop
}

void click(const DeviceOperationsForm &form, const char *name)
{
    control<QPushButton>(form, name)->click();
}

} // namespace

class MemoryWindowsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SimRig> rig;
    uitest::RecordingPrompt prompt;
    DeviceImage image;
    InstructionFormat format;

    // The switch hangs on COM2, the service window's port; the selected
    // port is COM1.
    void connect(QList<Fault> faults = {})
    {
        rig = std::make_unique<SimRig>(faults, Com2);
        rig->state.SelectedPort = 0;
        prompt = uitest::RecordingPrompt{};
    }

    std::unique_ptr<DeviceOperationsForm> serviceWindow()
    {
        return std::make_unique<DeviceOperationsForm>(rig->link, image, prompt);
    }

private slots:
    void init()
    {
        image = DeviceImage{};
        connect();
    }

    void listingShowsTheLastVerification()
    {
        device::DeviceMemoryState memory;
        MemoryReportForm form(memory, format);
        form.show();
        const QStringList blank = control<QPlainTextEdit>(form, "MemRptBox")->toPlainText().split(u'\n');
        QCOMPARE(blank.size(), 32);
        QCOMPARE(blank.first(), QStringLiteral("000H:") + QStringLiteral(" 00").repeated(16));
        QCOMPARE(blank.last(), QStringLiteral("01FH:") + QStringLiteral(" 00").repeated(16));

        // Programming verifies; the listing shown next holds what it read.
        rig->state.SelectedPort = Com2;
        const DeviceImage programmed = patternImage(3);
        QVERIFY(device::WriteDeviceMemory(rig->link, memory, programmed).ok);
        const QString stale = control<QPlainTextEdit>(form, "MemRptBox")->toPlainText();
        QCOMPARE(stale, blank.join(u'\n')); // not updated while open
        form.hide();
        form.show();
        device::MemoryBytes expected{};
        for (int k = 0; k < DeviceImage::ByteCount; ++k)
            expected[std::size_t(k)] = programmed.byteAt(k);
        QCOMPARE(control<QPlainTextEdit>(form, "MemRptBox")->toPlainText(),
                 device::MemoryListingLines(expected).join(u'\n'));
        control<QPushButton>(form, "MROKBtn")->click();
        QVERIFY(!form.isVisible());

        // A verification that differs: under the listing, what the
        // differences mean, against the program it was verified with.
        DeviceImage edited = programmed;
        edited.words[0] = BuildInstructionWord(7200, true);
        QVERIFY(!device::VerifyDevice(rig->link, memory, edited).ok);
        form.show();
        const QStringList shown = control<QPlainTextEdit>(form, "MemRptBox")->toPlainText().split(u'\n');
        const QStringList differences = device::DifferenceLines(edited, memory.VerifyBuffer, format);
        QVERIFY(!differences.isEmpty());
        QVERIFY(differences.first().startsWith(QStringLiteral("Perioda 1, instrukce 1: v souboru \"Svítí 2hod")));
        QCOMPARE(shown, device::MemoryListingLines(expected) + QStringList{QString()} + differences);
    }

    // Opening shows the headers and the (zero) working copy and powers the
    // link at 0x2F8, whatever port is selected.
    void openingShowsTheWorkingCopyOnTheServicePort()
    {
        auto form = serviceWindow();
        form->show();
        auto *grid = control<QTableWidget>(*form, "MemoryGrid");
        QCOMPARE(grid->columnCount(), 16);
        QCOMPARE(grid->rowCount(), 32);
        QCOMPARE(grid->horizontalHeaderItem(0)->text(), QStringLiteral("00"));
        QCOMPARE(grid->horizontalHeaderItem(15)->text(), QStringLiteral("0F"));
        QCOMPARE(grid->verticalHeaderItem(31)->text(), QStringLiteral("1F"));
        QCOMPARE(cellAt(*form, 0), QStringLiteral("00"));
        QCOMPARE(cellAt(*form, 511), QStringLiteral("00"));
        QCOMPARE(rig->state.PortBase, device::ServicePortBase);
        QVERIFY(rig->sim.lines().supply);
    }

    // Load Data, then Send To Programmer: the main window's verification
    // (PortBase as the service window left it) finds them equal.
    void loadedMemoryGoesToTheProgram()
    {
        const DeviceImage stored = patternImage(5);
        rig->sim.setMemory(stored.toBytes());
        auto form = serviceWindow();
        form->show();
        click(*form, "LoadBtn");
        QCOMPARE(prompt.shown, QStringList{});
        QCOMPARE(cellAt(*form, 0), device::ByteText(stored.byteAt(0)));
        QCOMPARE(cellAt(*form, 0x1FF), device::ByteText(stored.byteAt(0x1FF)));
        QVERIFY(control<QPushButton>(*form, "LoadBtn")->isEnabled());
        QCOMPARE(image, DeviceImage{}); // not yet

        {
            LinkSession transfer(rig->link); // another device operation is running
            click(*form, "SendToProgrammer");
        }
        QCOMPARE(prompt.notified, QStringList{device::busyText()});
        QCOMPARE(image, DeviceImage{});
        click(*form, "SendToProgrammer");
        QCOMPARE(image, stored);
        device::DeviceMemoryState memory;
        QVERIFY(device::VerifyDevice(rig->link, memory, image).ok);
    }

    void cellTextsWhenProgramming_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("written");
        QTest::newRow("upper case") << "FF" << 0xFF;
        QTest::newRow("lower case counts 0") << "ff" << 0x00;
        QTest::newRow("one digit") << "7" << 0x07;
        QTest::newRow("mixed") << "aB" << 0x0B;
        QTest::newRow("empty") << "" << 0x00;
        QTest::newRow("no third digit") << "1FF" << 0x1F;
    }

    void cellTextsWhenProgramming()
    {
        QFETCH(QString, typed);
        QFETCH(int, written);

        image = patternImage(1);
        auto form = serviceWindow();
        form->show();
        click(*form, "ReadFromProg");
        QCOMPARE(cellAt(*form, 0x123), device::ByteText(image.byteAt(0x123)));
        typeCell(*form, 0x123, typed);
        click(*form, "ProgramBtn");
        QCOMPARE(prompt.shown, QStringList{});

        DeviceImage expected = image;
        expected.setByteAt(0x123, quint8(written));
        QCOMPARE(rig->sim.memory(), expected.toBytes());
        QCOMPARE(cellAt(*form, 0x123), device::ByteText(quint8(written)));
        QCOMPARE(form->gridBuffer()[0x123], quint8(written));
    }

    // A cell above FF is refused before anything is written; the typed cells
    // stay for correction.
    void cellAboveAByteIsRefused()
    {
        const QByteArray before = rig->sim.memory();
        auto form = serviceWindow();
        form->show();
        setCell(*form, 5, QStringLiteral("12"));
        setCell(*form, 0x40, QStringLiteral("1FF"));
        click(*form, "ProgramBtn");
        QCOMPARE(prompt.shown.size(), 1);
        QVERIFY2(prompt.shown.first().contains(QStringLiteral("1FF")), qPrintable(prompt.shown.first()));
        QCOMPARE(rig->sim.memory(), before);
        QCOMPARE(cellAt(*form, 0x40), QStringLiteral("1FF"));
        QCOMPARE(cellAt(*form, 5), QStringLiteral("12"));
        QCOMPARE(form->gridBuffer()[5], quint8(0));
        QVERIFY(control<QPushButton>(*form, "ProgramBtn")->isEnabled());
    }

    void servicePortWhileOpen_data()
    {
        QTest::addColumn<bool>("busyAtOpening"); // another window's transfer runs
        QTest::addColumn<bool>("busyAtClosing");
        QTest::newRow("no transfer") << false << false;
        QTest::newRow("opened during a transfer") << true << false;
        QTest::newRow("closed during a transfer") << false << true;
    }

    // The window takes the port at 0x2F8 while it is open and gives the
    // selected one back when it closes; during a transfer, when that ends.
    void servicePortWhileOpen()
    {
        QFETCH(bool, busyAtOpening);
        QFETCH(bool, busyAtClosing);
        const quint16 selected = Link::ComPortBase(rig->state.SelectedPort);
        rig->state.PortBase = selected;
        auto form = serviceWindow();
        {
            std::optional<LinkSession> transfer;
            if (busyAtOpening)
                transfer.emplace(rig->link);
            form->show();
            QCOMPARE(rig->state.PortBase, busyAtOpening ? selected : device::ServicePortBase);
        }
        QCoreApplication::processEvents();
        QCOMPARE(rig->state.PortBase, device::ServicePortBase);
        {
            std::optional<LinkSession> transfer;
            if (busyAtClosing)
                transfer.emplace(rig->link);
            click(*form, "ExitBtn");
            QCOMPARE(rig->state.PortBase, busyAtClosing ? device::ServicePortBase : selected);
        }
        QCoreApplication::processEvents();
        QCOMPARE(rig->state.PortBase, selected);
    }

    void showMemoryDropsEdits()
    {
        auto form = serviceWindow();
        form->show();
        setCell(*form, 9, QStringLiteral("AA"));
        click(*form, "ShowMemory");
        QCOMPARE(cellAt(*form, 9), QStringLiteral("00"));
    }

    void noMemoryOnTheBus_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::newRow("load") << QByteArray("LoadBtn");
        QTest::newRow("program") << QByteArray("ProgramBtn");
    }

    void noMemoryOnTheBus()
    {
        QFETCH(QByteArray, button);
        connect({Fault::NoEeprom});
        image = patternImage(2);
        auto form = serviceWindow();
        form->show();
        click(*form, "ReadFromProg");
        const device::GridBuffer before = form->gridBuffer();
        click(*form, button.constData());
        QCOMPARE(prompt.shown, QStringList{device::serviceNoAckText()});
        QCOMPARE(form->gridBuffer(), before);
        QCOMPARE(cellAt(*form, 77), device::ByteText(before[77]));
        QVERIFY(control<QPushButton>(*form, button.constData())->isEnabled());
    }

    void exitCloses()
    {
        auto form = serviceWindow();
        form->show();
        click(*form, "ExitBtn");
        QVERIFY(!form->isVisible());
        // The working copy stays for the next opening.
        image = patternImage(4);
        form->show();
        click(*form, "ReadFromProg");
        form->hide();
        form->show();
        QCOMPARE(cellAt(*form, 300), device::ByteText(image.byteAt(300)));
    }

    // The device menu's items open the clock, calibration and memory windows
    // without modality, over the application's link and program.
    void menuItemsOpenTheWindows()
    {
        uitest::TemporaryCurrentDirectory dir;
        uitest::DeviceWindowsUnderTest ui;
        app::Windows &w = ui.others;
        for (QWidget *window : std::initializer_list<QWidget *>{w.deviceTime.get(), w.calibration.get(),
                                                                w.rounding.get(), w.memoryReport.get(),
                                                                w.deviceOperations.get()}) {
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
            QVERIFY(!window->testAttribute(Qt::WA_QuitOnClose));
        }
        QVERIFY(!ui.action(QStringLiteral("DeviceTime"))->isEnabled());

        // Programming verifies; the listing then shows what it read.
        ui.asAfterCommunicationTest();
        ui.session.program.image = patternImage(7);
        ui.prompt.answers = {true, true}; // programmed whatever the checks find
        ui.action(QStringLiteral("Programming"))->trigger();
        ui.action(QStringLiteral("MemoryReportMenu"))->trigger();
        QVERIFY(w.memoryReport->isVisible());
        QVERIFY(!w.memoryReport->isModal());
        device::MemoryBytes programmed{};
        for (int k = 0; k < DeviceImage::ByteCount; ++k)
            programmed[std::size_t(k)] = ui.session.program.image.byteAt(k);
        QCOMPARE(control<QPlainTextEdit>(*w.memoryReport, "MemRptBox")->toPlainText(),
                 device::MemoryListingLines(programmed).join(u'\n'));

        ui.device().setDeviceTime(QTime(7, 8, 9));
        ui.action(QStringLiteral("DeviceTime"))->trigger();
        QVERIFY(w.deviceTime->isVisible());
        QVERIFY(control<QLineEdit>(*w.deviceTime, "TimeDisplay")->displayText().startsWith(QStringLiteral("07:08:")));

        ui.session.program.settings.CalibrationValue = 100;
        ui.action(QStringLiteral("OscilatorCalibrationMnu"))->trigger();
        QVERIFY(w.calibration->isVisible());
        control<QPushButton>(*w.calibration, "OKBtn")->click();
        QCOMPARE(int(ui.session.program.settings.CalibrationValue), 96);

        ui.action(QStringLiteral("MemoryOp"))->trigger();
        QVERIFY(w.deviceOperations->isVisible());
        QCOMPARE(ui.session.link.PortBase, device::ServicePortBase);
        control<QPushButton>(*w.deviceOperations, "ReadFromProg")->click();
        QCOMPARE(cellAt(*w.deviceOperations, 0x1FF), device::ByteText(ui.session.program.image.byteAt(0x1FF)));

        // Closed, it gives the selected port back to the main window's commands.
        control<QPushButton>(*w.deviceOperations, "ExitBtn")->click();
        ui.session.program.image = DeviceImage::fromBytes(ui.device().memory());
        ui.prompt.shown.clear();
        ui.action(QStringLiteral("Verification"))->trigger();
        QCOMPARE(ui.prompt.shown,
                 QStringList{QStringLiteral("No výborně, musím se zase pochválit a obsluhu taky, žejo?")});
    }
};

QTEST_MAIN(MemoryWindowsTest)
#include "tst_memorywindows.moc"
