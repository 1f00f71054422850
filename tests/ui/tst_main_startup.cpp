// Start-up, closing and the file commands of the main window.

#include "DialogTestKit.h"
#include "MainWindowFixture.h"

#include "../storage/FileSizeLimit.h"

#include "app/AppWindows.h"
#include "ui/ProgramFileDialogs.h"
#include "connection/DeviceConnection.h"
#include "sim/SimulatedSwitch.h"
#include "model/ProgramHeader.h"
#include "model/Segment.h"

#include <QFileDialog>
#include <QProcess>
#include <QTimer>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::ui;
using namespace pellmora::ui::test;
using pellmora::testing::underFileSizeLimit;

namespace {

const QString DatabaseMissing = QStringLiteral(
    "Nenalezen databázový soubor 'devices.ddl' - Nebude vytvořena databáze o progamovaných zařízeních");
const QString DatabaseTooLarge = QStringLiteral("Databázový soubor je až moc velkej....nenačtu to...smůla...");
const QString DatabaseTooSmall = QStringLiteral("Nevím jestli ten soubor devices.ddl je skutečně databázový, nemá "
                                                "totiž hlavičku, nebo je zcela prázdný...");
const QString DatabaseHeader = QStringLiteral("To 'device.ddl' nebude databázový soubor. Header missing error.");
const QString ConfigurationMissing =
    QStringLiteral("Nenalezen konfigurační soubor - nebudou načteny adresáře atd. Vytvořím si nový !");
const QString ConfigurationHeader = QStringLiteral(
    "To 'plmprg.cfg' teda, možná, neni konfigurační soubor, alespoň teda hlavička neodpovídá, dyžtak jí "
    "přepište (začít hned na ! 1.sloupci !) na 'CFG_Pellmora'");
const QString SharedFolder = QStringLiteral(
    "V této složce už běží jiný program Pellmora. Databáze zařízení je proto otevřena jen pro čtení a nastavení se "
    "při ukončení neuloží. Zařízení přidávejte a nastavení měňte v prvním programu.");
const QString SharedFolderDatabase = QStringLiteral(
    "Databáze je otevřena jen pro čtení, protože v této složce už běží jiný program Pellmora. Zařízení přidávejte a "
    "odstraňujte v něm.");
const QString SharedFolderNotSaved = QStringLiteral(
    "Nastavení se neuloží: při spuštění tohoto programu už v této složce běžel jiný program Pellmora.");
const QString LastFileMissing = QStringLiteral("Nelze číst z disku, nebo soubor neexistuje v adresáři : ");
const QString CannotRead = QStringLiteral("Nelze číst z disku");
const QString CannotWrite = QStringLiteral("Nelze zapisovat na disk");
const QString CannotSave =
    QStringLiteral("Nelze zapisovat na disk nebo je chybná cesta, nahlédněte prosím do ADRESÁŘŮ");
const QString CloseQuestion = QStringLiteral("Chcete opravdu skončit ?");
const QString ConfigurationNotWritten =
    QStringLiteral("Chyba vstupu/výstupu: soubor 'plmprg.cfg' nelze přepsat, nastavení nebyla uložena.\n"
                   "Chcete program ukončit bez uložení nastavení, nebo v něm zůstat?");
const QString NewQuestion =
    QStringLiteral("Opravdu chcete pokračovat ? - ! smažu všechno co jste si tam naťukali !");
const QString SaveChangesQuestion = QStringLiteral("Program nebyl uložen. Uložit změny?");

// The worked example's image: "Chodba", on 2 h, off 30 min, on 5 s.
DeviceImage chodba()
{
    QByteArray bytes(512, '\0');
    bytes.replace(0, 8, QByteArray::fromHex("209C080705800000"));
    bytes.replace(0x1F0, 16, QByteArray::fromHex("43686F64626100000000560411112028"));
    return DeviceImage::fromBytes(bytes);
}

// Another program: "Sklep", on 5 s.
DeviceImage sklep()
{
    Program program;
    program.settings.DeviceName = QStringLiteral("Sklep");
    program.image.words[0] = BuildInstructionWord(5, true);
    PackHeader(program);
    return program.image;
}

// The text of a PDF, as poppler's pdftotext reads it.
QString pdfText(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("<pdftotext failed>");
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The commands that replace the program or close the window.
enum class Replacing { Exit, New, Open, Database };

} // namespace

Q_DECLARE_METATYPE(Replacing)
Q_DECLARE_METATYPE(pellmora::ui::Prompt::Choice)

class MainStartUpTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryCurrentDirectory> dir_;
    std::unique_ptr<WindowUnderTest> ui_;

    WindowUnderTest &startedWith(const QByteArray &configuration, const QByteArray &database = EmptyDatabase)
    {
        ui_->startWith(configuration, database);
        return *ui_;
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<TemporaryCurrentDirectory>();
        ui_ = std::make_unique<WindowUnderTest>();
    }
    void cleanup()
    {
        ui_.reset();
        dir_.reset();
    }

    // A file refused as a whole is kept as a copy, which its message names
    // (the message's "@" stands for that sentence).
    void startUpMessages_data()
    {
        QTest::addColumn<QByteArray>("configuration");
        QTest::addColumn<QByteArray>("database");
        QTest::addColumn<QStringList>("messages");

        const QString kept = QStringLiteral("@");
        QTest::newRow("good files") << configurationText() << EmptyDatabase << QStringList();
        QTest::newRow("both missing") << Missing << Missing << QStringList{DatabaseMissing, ConfigurationMissing};
        QTest::newRow("database too small, configuration header wrong")
            << QByteArray("CFG_Pelmora\r\n") << QByteArray("DDL {}")
            << QStringList{DatabaseTooSmall + kept, ConfigurationHeader + kept};
        QTest::newRow("database too large") << configurationText() << QByteArray(71425, ' ')
                                            << QStringList{DatabaseTooLarge + kept};
        QTest::newRow("database header, a faulty line")
            << configurationText() + "Nonsense\r\n" << QByteArray("XYZ { }")
            << QStringList{DatabaseHeader + kept,
                           QStringLiteral("Configuration File Error at Line: 9  Read Line: 'Nonsense")};
        QTest::newRow("empty configuration") << QByteArray() << EmptyDatabase << QStringList{ConfigurationHeader};
        QTest::newRow("byte-order marks") << "\xef\xbb\xbf" + configurationText() << "\xef\xbb\xbf" + EmptyDatabase
                                          << QStringList{DatabaseHeader + kept, ConfigurationHeader + kept};
    }

    void startUpMessages()
    {
        QFETCH(QByteArray, configuration);
        QFETCH(QByteArray, database);
        QFETCH(QStringList, messages);
        WindowUnderTest &ui = startedWith(configuration, database);
        QStringList expected;
        for (const QString &m : std::as_const(messages)) {
            const QString file = m.startsWith(ConfigurationHeader) ? QStringLiteral("plmprg.cfg.bak")
                                                                   : QStringLiteral("devices.ddl.bak");
            QString text = m;
            expected.append(text.replace(u'@', QStringLiteral("\nPůvodní soubor je uschován jako '%1'.")
                                                   .arg(dir_->file(file))));
            if (m.endsWith(u'@'))
                QCOMPARE(readAll(file), file.startsWith(u'p') ? configuration : database);
        }
        QCOMPARE(ui.prompt.shown, expected);
        QCOMPARE(QDir().entryList({QStringLiteral("*.bak")}, QDir::Files).size(), messages.join(QString()).count(u'@'));
        QVERIFY(QFile::exists(QStringLiteral("plmprg.cfg")));
        QVERIFY(QFile::exists(QStringLiteral("devices.ddl")));
        if (database == Missing)
            QCOMPARE(readAll(QStringLiteral("devices.ddl")), EmptyDatabase);
        QCOMPARE(ui.window->StartUpDirectory(), dir_->path());
        QCOMPARE(ui.window->windowTitle(), QStringLiteral("Pellmora - (UNTITLED)"));
        QCOMPARE(ui.quietCalibrations, 1);
        QCOMPARE(ui.panelCalibrations, 1);
    }

    void startUpReopensTheLastProgram()
    {
        writeAll(QStringLiteral("chodba.plm"), chodba().toBytes());
        WindowUnderTest &ui = startedWith(configurationText(dir_->file(QStringLiteral("chodba.plm"))));
        QVERIFY(ui.prompt.shown.isEmpty());
        QCOMPARE(ui.session.program.image, chodba());
        QCOMPARE(ui.items(), (QStringList{"Svítí 2hod ", "Nesvítí 30min ", "Svítí 5s "}));
        QCOMPARE(ui.window->windowTitle(), QStringLiteral("Pellmora - (Chodba) - chodba.plm"));
        QCOMPARE(WindowUnderTest::fieldText(ui.edit(QStringLiteral("StartUpTime"))), QStringLiteral("18:3 "));
        QCOMPARE(ui.window->statusPanel(0), QStringLiteral("Konec bude v 21hodin "));
        QCOMPARE(ui.session.files.CurrentFileName, dir_->file(QStringLiteral("chodba.plm")));
    }

    void startUpWithAnUnreadableLastProgram_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("missing") << Missing;
        QTest::newRow("100 bytes") << chodba().toBytes().left(100);
    }

    void startUpWithAnUnreadableLastProgram()
    {
        QFETCH(QByteArray, contents);
        const QString name = dir_->file(QStringLiteral("last.plm"));
        place(name, contents);
        WindowUnderTest &ui = startedWith(configurationText(name));
        QCOMPARE(ui.prompt.shown, QStringList{LastFileMissing + name});
        QCOMPARE(ui.session.program.image, DeviceImage());
        QCOMPARE(ui.session.files.CurrentFileName, name);
        QCOMPARE(ui.list()->count(), 0);
    }

    // The speeds are calibrated again after a return to the application that
    // followed a deactivation or a paint, and not otherwise.
    void recalibration()
    {
        WindowUnderTest &ui = startedWith(configurationText());
        MainInterface &window = *ui.window;
        QVERIFY(!window.firstPaintPending());
        QCOMPARE(ui.panelCalibrations, 1);
        window.AppActivate(); // the first paint asked for it
        QCOMPARE(ui.panelCalibrations, 2);
        window.AppActivate();
        QCOMPARE(ui.panelCalibrations, 2);
        window.AppDeactivate();
        window.AppActivate();
        QCOMPARE(ui.panelCalibrations, 3);

        window.windowPainted();
        QCOMPARE(ui.panelCalibrations, 3);
        QVERIFY(window.recalibrationPending());
        window.AppActivate();
        QCOMPARE(ui.panelCalibrations, 4);

        // Another window's transfer holds the link: the calibration follows its end.
        sim::SimulatedSwitch device{sim::SimOptions{}};
        link::Link deviceLink(device, ui.session.link);
        window.setDeviceLink(&deviceLink);
        {
            const link::LinkSession transfer(deviceLink);
            window.AppDeactivate();
            window.AppActivate();
            window.AppActivate();
            QCOMPARE(ui.panelCalibrations, 4);
        }
        QCoreApplication::processEvents();
        QCOMPARE(ui.panelCalibrations, 5);
        QVERIFY(!window.recalibrationPending());
        window.setDeviceLink(nullptr);
    }

    void closing_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<bool>("quitWithoutSettings"); // the answer to the disk-full question
        QTest::newRow("OK") << true << false << false;
        QTest::newRow("Cancel") << false << false << false;
        QTest::newRow("OK, disk full, stay open") << true << true << false;
        QTest::newRow("OK, disk full, quit without the settings") << true << true << true;
    }

    void closing()
    {
        QFETCH(bool, confirm);
        QFETCH(bool, diskFull);
        QFETCH(bool, quitWithoutSettings);
        const QByteArray old = configurationText() + "; my own line\r\n";
        WindowUnderTest &ui = startedWith(old);
        ui.prompt.shown.clear();
        ui.session.link.EepromBaudRate = 1400;
        ui.session.files.CurrentFileName = QStringLiteral("C:\\dum\\chodba.plm");
        // A save made another folder current; closing returns to the start-up one.
        const QString devices = dir_->file(QStringLiteral("devices"));
        QDir().mkdir(devices);
        QDir::setCurrent(devices);
        ui.prompt.answers = {confirm, quitWithoutSettings};
        if (diskFull) {
            // The settings cannot be replaced: the old file stays, and the
            // user chooses between staying open and quitting without them.
            const std::optional<QString> closed = underFileSizeLimit(100, [&ui] {
                const bool accepted = ui.window->close();
                return QStringList{QString::number(accepted), QString::number(ui.window->isVisible())}.join(u'\n')
                    + u'\n' + ui.prompt.shown.join(u'\n');
            });
            QCOMPARE(closed, QStringList({QString::number(quitWithoutSettings), QString::number(!quitWithoutSettings),
                                          CloseQuestion, ConfigurationNotWritten})
                                 .join(u'\n'));
            QCOMPARE(readAll(dir_->file(QStringLiteral("plmprg.cfg"))), old);
            return;
        }
        QCOMPARE(ui.window->close(), confirm);
        QCOMPARE(ui.prompt.shown, QStringList{CloseQuestion});
        QCOMPARE(ui.powerOffs, confirm ? 1 : 0);
        QCOMPARE(ui.window->isVisible(), !confirm);
        const QByteArray written = readAll(dir_->file(QStringLiteral("plmprg.cfg")));
        if (!confirm) {
            QCOMPARE(written, old);
            QCOMPARE(QDir::currentPath(), devices);
            return;
        }
        QCOMPARE(QDir::currentPath(), dir_->path());
        const QList<QByteArray> lines = written.split('\n');
        QCOMPARE(lines.size(), 11); // nine settings, the user's extra line, the end
        QCOMPARE(lines[3], QByteArray("Last Programmed Device:'C:\\dum\\chodba.plm'  ;\r"));
        QCOMPARE(lines[6], QByteArray("User Instruction Format:'Rozsvi\x9D na'/'Zhasni na'  ;\r"));
        QCOMPARE(lines[7], QByteArray("EEPROM Baud Rate:'1400'  ;\r"));
        QCOMPARE(lines[9], QByteArray(" my own line\r"));
        QVERIFY(!QFile::exists(devices + QStringLiteral("/plmprg.cfg")));
    }

    // A second program started in the folder while the first runs changes
    // neither the database nor the configuration file of the folder.
    void secondProgramInTheSameFolder()
    {
        const QByteArray database = QByteArrayLiteral("DDL { ! $0001 &a #1.1.2026 @a.plm }");
        WindowUnderTest &first = startedWith(configurationText(), database);
        QVERIFY(first.prompt.shown.isEmpty());
        WindowUnderTest second;
        second.start();
        QCOMPARE(second.prompt.shown, QStringList{SharedFolder});
        QCOMPARE(second.session.database.RecordCount(), 1);
        QCOMPARE(RemoveRecord(second.session.database, 0), Notices{Notice::message(SharedFolderDatabase)});

        second.session.link.EepromBaudRate = 1400;
        second.prompt.answers = {true};
        QVERIFY(second.window->close());
        QCOMPARE(second.prompt.shown.mid(1), (QStringList{CloseQuestion, SharedFolderNotSaved}));
        QCOMPARE(readAll(QStringLiteral("plmprg.cfg")), configurationText());
        QCOMPARE(readAll(QStringLiteral("devices.ddl")), database);

        // The first program keeps the folder to itself until it closes.
        WindowUnderTest third;
        third.start();
        QCOMPARE(third.prompt.shown, QStringList{SharedFolder});
        first.prompt.answers = {true};
        QVERIFY(first.window->close());
        QVERIFY(readAll(QStringLiteral("plmprg.cfg")) != configurationText());
    }

    void newProgram_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("Yes") << true;
        QTest::newRow("Cancel") << false;
    }

    // New clears the instructions, the label and the file name, keeps the
    // other settings and opens the configuration dialog.
    void newProgram()
    {
        QFETCH(bool, confirm);
        writeAll(QStringLiteral("chodba.plm"), chodba().toBytes());
        WindowUnderTest &ui = startedWith(configurationText(dir_->file(QStringLiteral("chodba.plm"))));
        ui.prompt.answers = {confirm};
        ui.action(QStringLiteral("NewTimer"))->trigger();
        QCOMPARE(ui.prompt.shown, QStringList{NewQuestion});
        QCOMPARE(ui.configurationDialogs, confirm ? 1 : 0);
        if (!confirm) {
            QCOMPARE(ui.session.program.image, chodba());
            QCOMPARE(ui.list()->count(), 3);
            return;
        }
        const ProgramSettings &s = ui.session.program.settings;
        QCOMPARE(ui.list()->count(), 0);
        QVERIFY(s.DeviceName.isEmpty());
        QVERIFY(ui.session.files.CurrentFileName.isEmpty());
        QCOMPARE(s.DeviceId, quint16(0x1111));
        QCOMPARE(ui.word(header::IdWord), quint16(0x1111));
        QCOMPARE(ui.word(header::StartUpWord), quint16(1110));
        QCOMPARE(ui.word(0), quint16(0));
        QCOMPARE(ui.window->windowTitle(), QStringLiteral("Pellmora - (UNTITLED)"));
    }

    void openFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("512 bytes") << chodba().toBytes() << QStringList() << true;
        QTest::newRow("1000 bytes") << chodba().toBytes() + QByteArray(488, '\x55') << QStringList() << true;
        QTest::newRow("100 bytes") << chodba().toBytes().left(100) << QStringList{CannotRead} << false;
        QTest::newRow("missing") << Missing << QStringList{CannotRead} << false;
    }

    void openFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, messages);
        QFETCH(bool, replaced);
        WindowUnderTest &ui = startedWith(configurationText());
        ui.typeDelay(QStringLiteral("00005"));
        QTest::mouseClick(ui.button(QStringLiteral("NewInstruction")), Qt::LeftButton);
        const DeviceImage before = ui.session.program.image;
        const QString name = dir_->file(QStringLiteral("open.plm"));
        place(name, contents);
        ui.openNames = {name};
        ui.prompt.choices = {Prompt::Choice::No}; // the instruction added is dropped
        ui.action(QStringLiteral("LoadFile"))->trigger();
        QCOMPARE(ui.prompt.shown, QStringList{SaveChangesQuestion} + messages);
        QCOMPARE(ui.session.files.CurrentFileName, name);
        QCOMPARE(ui.session.program.image, replaced ? chodba() : before);
        QCOMPARE(ui.list()->count(), replaced ? 3 : 1);
        // The title names the file Save now writes, whether or not it could be read.
        QCOMPARE(ui.window->windowTitle(), replaced ? QStringLiteral("Pellmora - (Chodba) - open.plm")
                                                    : QStringLiteral("Pellmora - (UNTITLED) - open.plm"));
    }

    void openCancelledChangesNothing()
    {
        WindowUnderTest &ui = startedWith(configurationText(QStringLiteral("keep.plm")));
        ui.prompt.shown.clear();
        ui.window->LoadFileClick();
        QCOMPARE(ui.session.files.CurrentFileName, QStringLiteral("keep.plm"));
        QVERIFY(ui.prompt.shown.isEmpty());
    }

    void save_data()
    {
        QTest::addColumn<QString>("deviceDirectory");
        QTest::addColumn<QString>("currentFile");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("written"); // relative to the test directory; empty: nothing
        QTest::addColumn<int>("saveDialogs");

        QTest::newRow("no directory") << "" << "{dir}/a.plm" << QStringList{CannotSave} << "" << 0;
        QTest::newRow("bad directory") << "{dir}/nowhere" << "{dir}/a.plm" << QStringList{CannotSave} << "" << 0;
        QTest::newRow("good, relative name") << "{dir}/devices" << "a.plm" << QStringList() << "devices/a.plm" << 0;
        QTest::newRow("good, full name") << "{dir}/devices" << "{dir}/b.plm" << QStringList() << "b.plm" << 0;
        QTest::newRow("no current file: save as") << "{dir}/devices" << "" << QStringList() << "c.plm" << 1;
        QTest::newRow("file cannot be created") << "{dir}/devices" << "{dir}/nowhere/a.plm" << QStringList{CannotSave}
                                                << "" << 0;
    }

    void save()
    {
        QFETCH(QString, deviceDirectory);
        QFETCH(QString, currentFile);
        QFETCH(QStringList, messages);
        QFETCH(QString, written);
        QFETCH(int, saveDialogs);
        WindowUnderTest &ui = startedWith(configurationText());
        QDir().mkdir(dir_->file(QStringLiteral("devices")));
        ui.session.files.DeviceDirectory = QString(deviceDirectory).replace(QStringLiteral("{dir}"), dir_->path());
        ui.session.files.CurrentFileName = QString(currentFile).replace(QStringLiteral("{dir}"), dir_->path());
        ui.session.program.settings.DeviceName = QStringLiteral("Obývák");
        ui.saveNames = {dir_->file(QStringLiteral("c.plm"))};
        ui.action(QStringLiteral("Save"))->trigger();
        QCOMPARE(ui.prompt.shown, messages);
        QCOMPARE(ui.saveDialogs, saveDialogs);
        const QStringList files = QDir(dir_->path()).entryList({"*.plm"}, QDir::Files)
            + QDir(dir_->file(QStringLiteral("devices"))).entryList({"*.plm"}, QDir::Files);
        if (written.isEmpty()) {
            QVERIFY2(files.isEmpty(), qPrintable(files.join(' ')));
            return;
        }
        QCOMPARE(files.size(), 1);
        const QByteArray bytes = readAll(dir_->file(written));
        QCOMPARE(bytes.size(), 512);
        QCOMPARE(bytes.mid(0x1F0, 6), QByteArray("Ob\xFDv\xE1k"));
        QCOMPARE(QDir::currentPath(), dir_->file(QStringLiteral("devices")));
    }

    void saveAs_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("new file") << "new.plm" << QStringList();
        QTest::newRow("existing file") << "chodba.plm" << QStringList();
        QTest::newRow("no such folder") << "nowhere/new.plm" << QStringList{CannotWrite};
        QTest::newRow("cancelled") << "" << QStringList();
    }

    // Save as, then Open of the same file, gives back the same 512 bytes.
    void saveAs()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, messages);
        writeAll(QStringLiteral("chodba.plm"), chodba().toBytes());
        WindowUnderTest &ui = startedWith(configurationText(dir_->file(QStringLiteral("chodba.plm"))));
        ui.typeDelay(QStringLiteral("10000"));
        QTest::mouseClick(ui.button(QStringLiteral("NewInstruction")), Qt::LeftButton);
        const DeviceImage edited = ui.session.program.image;
        const QString path = name.isEmpty() ? QString() : dir_->file(name);
        ui.saveNames = {path};
        ui.action(QStringLiteral("SaveAs"))->trigger();
        QCOMPARE(ui.prompt.shown, messages);
        if (name.isEmpty()) {
            QCOMPARE(ui.session.files.CurrentFileName, dir_->file(QStringLiteral("chodba.plm")));
            return;
        }
        QCOMPARE(ui.session.files.CurrentFileName, path);
        if (!messages.isEmpty()) {
            QVERIFY(!QFile::exists(path));
            return;
        }
        QCOMPARE(readAll(path), edited.toBytes());
        ui.session.program.image.clear();
        ui.prompt.choices = {Prompt::Choice::No};
        ui.openNames = {path};
        ui.window->LoadFileClick();
        QCOMPARE(ui.session.program.image, edited);
        QCOMPARE(ui.list()->count(), 4);
    }

    // The device buttons against the simulated switch: the program written,
    // read back into an emptied editor and verified.
    void deviceCommandsOnTheSimulatedSwitch_data()
    {
        QTest::addColumn<bool>("faulty");
        QTest::newRow("good switch") << false;
        QTest::newRow("no memory on the bus") << true;
    }

    void deviceCommandsOnTheSimulatedSwitch()
    {
        QFETCH(bool, faulty);
        writeAll(QStringLiteral("chodba.plm"), chodba().toBytes());
        WindowUnderTest &ui = startedWith(configurationText(dir_->file(QStringLiteral("chodba.plm"))));
        connection::LinkOptions options;
        options.simMemoryNone = true;
        options.simWriteCycleSelects = 2;
        if (faulty)
            options.simFaults = {sim::Fault::NoEeprom};
        QString error;
        auto connection = connection::DeviceConnection::open(options, ui.session.link, 0, &error);
        QVERIFY2(connection, qPrintable(error));
        ui.session.link.EEPROM_Loop = 0;
        ui.session.link.PICmicro_Loop = 0;
        ui.window->setDeviceLink(&connection->link());

        // Clicks that arrive while the transfer processes pending messages
        // find the commands locked.
        int pumps = 0;
        ui.onPump = [&] {
            ++pumps;
            QVERIFY(!ui.window->close());
            ui.action(QStringLiteral("NewTimer"))->trigger();
            QTest::mouseClick(ui.button(QStringLiteral("NewInstruction")), Qt::LeftButton);
            ui.window->AppDeactivate();
            ui.window->AppActivate();
        };
        ui.prompt.answers = {true};
        QTest::mouseClick(ui.button(QStringLiteral("ProgramDevice")), Qt::LeftButton);
        ui.onPump = {};
        QVERIFY(faulty || pumps > 0);
        QCOMPARE(ui.panelCalibrations, 1);
        QCOMPARE(ui.window->recalibrationPending(), true);
        QCoreApplication::processEvents(); // the calibration put off follows the command
        QCOMPARE(ui.panelCalibrations, 2);
        QVERIFY(ui.action(QStringLiteral("NewTimer"))->isEnabled());
        QVERIFY(ui.window->centralWidget()->isEnabled());
        QVERIFY(ui.prompt.shown.size() >= 2);
        QCOMPARE(ui.prompt.shown.first(), device::programmingQuestion());
        ui.prompt.shown.clear();

        ui.session.program.image.clear();
        ui.window->ShowProgram();
        QTest::mouseClick(ui.button(QStringLiteral("LoadDeviceData")), Qt::LeftButton);
        QCOMPARE(ui.session.program.image == chodba(), !faulty);
        QCOMPARE(ui.list()->count(), faulty ? 0 : 3);
        QCOMPARE(ui.prompt.shown.isEmpty(), !faulty);

        ui.prompt.shown.clear();
        ui.action(QStringLiteral("Verification"))->trigger();
        QCOMPARE(ui.prompt.shown.size(), faulty ? 2 : 1);
        QCOMPARE(ui.prompt.shown.last().contains(QStringLiteral("NO VERIFICATION OK")), faulty);
        connection->finish(&error);
    }

    void unsavedChanges_data()
    {
        QTest::addColumn<Replacing>("command");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<Prompt::Choice>("choice");
        QTest::addColumn<QString>("save"); // how a save goes: "ok", "fails", "save as cancelled"
        QTest::addColumn<bool>("goesOn");
        QTest::addColumn<bool>("saved");

        using C = Prompt::Choice;
        const QList<std::pair<Replacing, const char *>> commands{
            {Replacing::Exit, "Exit"},
            {Replacing::New, "Nový časovač"},
            {Replacing::Open, "Načti ze souboru"},
            {Replacing::Database, "opening from the database"},
        };
        for (const auto &[command, name] : commands) {
            const auto row = [name = name](const char *what) -> QTestData & {
                return QTest::addRow("%s: %s", name, what);
            };
            row("unchanged, nothing asked") << command << false << C::Cancel << "ok" << true << false;
            row("Ano saves and goes on") << command << true << C::Yes << "ok" << true << true;
            row("Ano, the save fails: stays") << command << true << C::Yes << "fails" << false << false;
            row("Ano, Save as cancelled: stays") << command << true << C::Yes << "save as cancelled" << false << false;
            row("Ne goes on unsaved") << command << true << C::No << "ok" << true << false;
            row("Zrušit stays") << command << true << C::Cancel << "ok" << false << false;
        }
    }

    // Exit, New, Open and opening from the database ask before an edited
    // program would be lost; Ano saves as Save does and goes on only when the
    // program was saved.
    void unsavedChanges()
    {
        QFETCH(Replacing, command);
        QFETCH(bool, edited);
        QFETCH(Prompt::Choice, choice);
        QFETCH(QString, save);
        QFETCH(bool, goesOn);
        QFETCH(bool, saved);
        const QString chodbaFile = dir_->file(QStringLiteral("chodba.plm"));
        writeAll(chodbaFile, chodba().toBytes());
        writeAll(dir_->file(QStringLiteral("sklep.plm")), sklep().toBytes());
        WindowUnderTest &ui = startedWith(configurationText(chodbaFile, dir_->path()),
                                          QByteArrayLiteral("DDL { ! $0002 &Sklep #1.1.2026 @sklep.plm }"));
        // The database windows, wired as the application wires them.
        app::Windows windows;
        windows.overview = std::make_unique<DeviceOverviewForm>(ui.session, ui.prompt, *ui.window);
        windows.openFromDatabase = std::make_unique<OpenFileDatabaseForm>(ui.session, ui.prompt);
        windows.openToBox = std::make_unique<OpenToBoxForm>(ui.session, ui.prompt);
        windows.directories = std::make_unique<DatabaseDirectoriesForm>(ui.session.files, ui.prompt);
        windows.browse = std::make_unique<BrowseDialog>(ui.prompt);
        windows.connectDatabase(*ui.window);
        ui.prompt.shown.clear();

        if (edited) {
            ui.typeDelay(QStringLiteral("00005"));
            QTest::mouseClick(ui.button(QStringLiteral("NewInstruction")), Qt::LeftButton);
        }
        if (save == QStringLiteral("fails"))
            ui.session.files.DeviceDirectory = dir_->file(QStringLiteral("nowhere"));
        if (save == QStringLiteral("save as cancelled"))
            ui.session.files.CurrentFileName.clear();
        const DeviceImage before = ui.session.program.image;
        ui.prompt.choices = {choice};
        ui.prompt.answers = {true}; // the command's own question
        ui.openNames = {dir_->file(QStringLiteral("sklep.plm"))};

        bool closed = false;
        switch (command) {
        case Replacing::Exit:
            closed = ui.window->close();
            break;
        case Replacing::New:
            ui.action(QStringLiteral("NewTimer"))->trigger();
            break;
        case Replacing::Open:
            ui.action(QStringLiteral("LoadFile"))->trigger();
            break;
        case Replacing::Database: {
            OpenFileDatabaseForm &form = *windows.openFromDatabase;
            form.show();
            auto *ids = control<QListWidget>(form, QStringLiteral("OpenIDbox"));
            QTest::mouseClick(ids->viewport(), Qt::LeftButton, {}, ids->visualItemRect(ids->item(0)).center());
            control<QPushButton>(form, QStringLiteral("OpenFileBtn"))->click();
            break;
        }
        }

        QStringList asked;
        if (edited)
            asked << SaveChangesQuestion;
        if (save == QStringLiteral("fails") && choice == Prompt::Choice::Yes)
            asked << CannotSave;
        if (goesOn && command == Replacing::Exit)
            asked << CloseQuestion;
        if (goesOn && command == Replacing::New)
            asked << NewQuestion;
        QCOMPARE(ui.prompt.shown, asked);
        QCOMPARE(readAll(chodbaFile), saved ? before.toBytes() : chodba().toBytes());
        switch (command) {
        case Replacing::Exit:
            QCOMPARE(closed, goesOn);
            QCOMPARE(ui.window->isVisible(), !goesOn);
            break;
        case Replacing::New:
            QCOMPARE(ui.configurationDialogs, goesOn ? 1 : 0);
            QCOMPARE(ui.list()->count(), goesOn ? 0 : before == chodba() ? 3 : 4);
            break;
        case Replacing::Open:
        case Replacing::Database:
            QCOMPARE(ui.session.program.image, goesOn ? sklep() : before);
            break;
        }
    }

    // After a save, a load or a new program nothing is asked until the
    // program changes again.
    void savedProgramAsksNothing()
    {
        const QString chodbaFile = dir_->file(QStringLiteral("chodba.plm"));
        writeAll(chodbaFile, chodba().toBytes());
        WindowUnderTest &ui = startedWith(configurationText(chodbaFile, dir_->path()));
        ui.prompt.shown.clear();
        ui.type(QStringLiteral("StartUpTime"), QStringLiteral("1930"));
        ui.action(QStringLiteral("Save"))->trigger();
        ui.openNames = {chodbaFile};
        ui.action(QStringLiteral("LoadFile"))->trigger();
        QCOMPARE(ui.session.program.settings.StartUpMinutes, quint16(19 * 60 + 30));
        ui.prompt.answers = {true};
        ui.action(QStringLiteral("NewTimer"))->trigger();
        ui.prompt.answers = {true};
        QVERIFY(ui.window->close());
        QCOMPARE(ui.prompt.shown, (QStringList{NewQuestion, CloseQuestion}));
    }

    // A name typed into the open dialog without a suffix opens the program
    // file of that name.
    void openDialogTakesANameWithoutSuffix()
    {
        writeAll(dir_->file(QStringLiteral("sklep.plm")), sklep().toBytes());
        QString chosen;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return; // the test fails below, the dialog has to be closed by hand
            dialog->setDirectory(dir_->path());
            QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")), QStringLiteral("sklep"));
            chosen = dialog->selectedFiles().value(0);
            QMetaObject::invokeMethod(dialog, QFileInfo::exists(chosen) ? "accept" : "reject");
        });
        QCOMPARE(askProgramFileToOpen(nullptr), dir_->file(QStringLiteral("sklep.plm")));
        QCOMPARE(chosen, dir_->file(QStringLiteral("sklep.plm")));
    }

    void fileDialogFolders_data()
    {
        QTest::addColumn<QString>("deviceDirectory"); // in the test directory
        QTest::addColumn<QString>("currentFile");
        QTest::addColumn<QString>("folder"); // where every dialog opens; empty: the current directory

        QTest::newRow("program-files folder") << "{dir}/devices" << "{dir}/other/a.plm" << "{dir}/devices";
        QTest::newRow("no program-files folder: the file's") << "" << "{dir}/other/a.plm" << "{dir}/other";
        QTest::newRow("missing program-files folder: the file's")
            << "{dir}/nowhere" << "{dir}/other/a.plm" << "{dir}/other";
        QTest::newRow("neither") << "" << "" << "";
        QTest::newRow("the file's folder is gone") << "" << "{dir}/gone/a.plm" << "";
    }

    // Open, Save as and the PDF's dialog open in the program-files folder of
    // "Adresáře", else beside the current file.
    void fileDialogFolders()
    {
        QFETCH(QString, deviceDirectory);
        QFETCH(QString, currentFile);
        QFETCH(QString, folder);
        const auto inDir = [this](QString path) { return path.replace(QStringLiteral("{dir}"), dir_->path()); };
        WindowUnderTest &ui = startedWith(configurationText());
        QDir().mkdir(dir_->file(QStringLiteral("devices")));
        QDir().mkdir(dir_->file(QStringLiteral("other")));
        ui.session.files.DeviceDirectory = inDir(deviceDirectory);
        ui.session.files.CurrentFileName = inDir(currentFile);
        ui.prompt.choices = {Prompt::Choice::No};
        ui.action(QStringLiteral("LoadFile"))->trigger();
        ui.action(QStringLiteral("SaveAs"))->trigger();
        ui.action(QStringLiteral("ReportPdf"))->trigger();
        QCOMPARE(ui.dialogFolders, QStringList(3, inDir(folder)));
    }

    void report_data()
    {
        QTest::addColumn<bool>("printer");
        QTest::addColumn<QString>("target"); // in the test directory; empty: the dialog is cancelled
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QString>("failure"); // the start of the message shown; empty: none
        QTest::addColumn<QString>("file");    // what the footer says of the program file

        QTest::newRow("PDF") << false << "chodba.pdf" << false << "" << "chodba.plm";
        QTest::newRow("PDF of an edited program") << false << "chodba.pdf" << true << ""
                                                  << "chodba.plm (změny neuloženy)";
        QTest::newRow("PDF cancelled") << false << "" << false << "" << "";
        QTest::newRow("PDF into a missing folder")
            << false << "nowhere/chodba.pdf" << false << "Spínací program nelze uložit do souboru {dir}/nowhere/chodba.pdf: "
            << "";
        QTest::newRow("printer") << true << "printed.pdf" << false << "" << "chodba.plm";
        QTest::newRow("printer cancelled") << true << "" << false << "" << "";
        QTest::newRow("printer that cannot print")
            << true << "nowhere/printed.pdf" << false << "Tisk na {dir}/nowhere/printed.pdf se nezdařil." << "";
    }

    // "Tisk / PDF..." writes the report into the PDF named in its dialog, the
    // printer command prints the same page; failures are told in Czech.
    void report()
    {
        QFETCH(bool, printer);
        QFETCH(QString, target);
        QFETCH(bool, edited);
        QFETCH(QString, failure);
        QFETCH(QString, file);
        const QString chodbaFile = dir_->file(QStringLiteral("chodba.plm"));
        writeAll(chodbaFile, chodba().toBytes());
        WindowUnderTest &ui = startedWith(configurationText(chodbaFile, dir_->path()));
        ui.prompt.shown.clear();
        if (edited)
            ui.type(QStringLiteral("StartUpTime"), QStringLiteral("1930"));
        const QString path = target.isEmpty() ? QString() : dir_->file(target);
        if (printer) {
            ui.printerOutput = path;
            ui.action(QStringLiteral("ReportPrint"))->trigger();
        } else {
            ui.reportNames = {path};
            ui.action(QStringLiteral("ReportPdf"))->trigger();
        }

        if (!failure.isEmpty()) {
            QCOMPARE(ui.prompt.shown.size(), 1);
            const QString expected = QString(failure).replace(QStringLiteral("{dir}"), dir_->path());
            QVERIFY2(ui.prompt.shown.first().startsWith(expected), qPrintable(ui.prompt.shown.first()));
            return;
        }
        QCOMPARE(ui.prompt.shown, QStringList());
        QCOMPARE(QDir(dir_->path()).entryList({QStringLiteral("*.pdf")}, QDir::Files),
                 target.isEmpty() ? QStringList() : QStringList{target});
        if (target.isEmpty())
            return;
        const QString text = pdfText(path);
        for (const QString &expected : {QStringLiteral("Chodba"), QStringLiteral("Soubor: ") + file})
            QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" not in:\n") + text));
        const QStringList times = edited ? QStringList{"19:30:00", "21:30:00", "22:00:00", "22:00:05"}
                                         : QStringList{"18:30:00", "20:30:00", "21:00:00", "21:00:05"};
        for (const QString &time : times)
            QVERIFY2(text.contains(time), qPrintable(time + QStringLiteral(" not in:\n") + text));
    }

    // Start, edit, save, close, start again: exactly the three files, and the
    // program comes back.
    void wholeRun()
    {
        {
            WindowUnderTest first;
            first.start();
            QCOMPARE(first.prompt.shown, (QStringList{DatabaseMissing, ConfigurationMissing}));
            first.type(QStringLiteral("StartUpTime"), QStringLiteral("0730"));
            first.typeDelay(QStringLiteral("13000"));
            QTest::mouseClick(first.button(QStringLiteral("NewInstruction")), Qt::LeftButton);
            QTest::mouseClick(first.button(QStringLiteral("NewInstruction")), Qt::LeftButton);
            first.saveNames = {dir_->file(QStringLiteral("chodba.plm"))};
            first.action(QStringLiteral("SaveAs"))->trigger();
            first.prompt.answers = {true};
            QVERIFY(first.window->close());
        }
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files),
                 (QStringList{"chodba.plm", "devices.ddl", "plmprg.cfg"}));
        QCOMPARE(readAll(QStringLiteral("devices.ddl")), EmptyDatabase);
        QCOMPARE(readAll(QStringLiteral("plmprg.cfg")).count('\n'), 9);

        WindowUnderTest second;
        second.start();
        QVERIFY(second.prompt.shown.isEmpty());
        QCOMPARE(second.items(), (QStringList{"Nesvítí 1hod 30min ", "Svítí 1hod 30min "}));
        QCOMPARE(second.session.program.settings.StartUpMinutes, quint16(450));
        QCOMPARE(second.session.files.CurrentFileName, dir_->file(QStringLiteral("chodba.plm")));
        QCOMPARE(second.window->statusPanel(0), QStringLiteral("Konec bude v 10hodin a 30minut "));
    }
};

int main(int argc, char **argv)
{
    Q_INIT_RESOURCE(assets);
    QApplication app(argc, argv);
    MainStartUpTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_main_startup.moc"
