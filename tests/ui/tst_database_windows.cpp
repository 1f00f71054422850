// The database windows beside the main window: the overview's add and remove
// commands, opening a recorded device, and the lists kept in step.

#include "DialogTestKit.h"
#include "MainWindowFixture.h"

#include "app/AppWindows.h"

#include "connection/DeviceConnection.h"
#include "model/ProgramHeader.h"
#include "storage/DeviceDatabase.h"

#include <QKeyEvent>
#include <QSlider>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::storage;
using namespace pellmora::ui;
using namespace pellmora::app;
using namespace pellmora::ui::test;

namespace {

const QString AddQuestion = QStringLiteral("Skutečně chcete přidat do databáze aktuální zařízení ?");
const QString NoLabelQuestion =
    QStringLiteral("Diť nemá zařízení jméno...? Chcete opravdu pokračovat ?...přemýšlej než se roz...eš !");
const QString ZeroIdQuestion =
    QStringLiteral("ID je nulové..to má být vaše první programování ? Chcete skutečně pokračovat ? ");
const QString NoFileName =
    QStringLiteral("Nebyly provedeny žádné změny v databázi! Nezadali jste jméno sluboru (*.PLM)");
const QString RemoveQuestion = QStringLiteral("Skutecnčně chcete odstranit zařízení ze seznamu ?");
const QString SaveTitle = QStringLiteral("Uložit soubor...");
const QString DatabaseSaveTitle = QStringLiteral("Vyberte nebo zadejte soubor pro databázi");

QByteArray threeRecords()
{
    return QByteArrayLiteral("DDL { ! $0001 &Predsin #1.1.2026 @a.plm ! $0002 &Obyvak #2.1.2026 @b.plm"
                             " ! $0003 &Loznice #3.1.2026 @c.plm }");
}

// A program file whose header names the device.
QByteArray programFile(const QString &name, quint16 id)
{
    Program program;
    program.settings.DeviceName = name;
    program.settings.DeviceId = id;
    program.image.words[0] = 0x8005;
    PackHeader(program);
    return program.image.toBytes();
}

// A main window whose device transfer never ends: nothing may be saved.
class LockedMainWindow : public ProgramSaving {
public:
    QString saveDialogTitle() const override { return {}; }
    void setSaveDialogTitle(const QString &) override {}
    QString askSaveFileName() override { return {}; }
    void saveProgram() override { QFAIL("saved during a transfer"); }
    bool deviceBusy() const override { return true; }
};

} // namespace

class DatabaseWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryCurrentDirectory> dir_;
    std::unique_ptr<WindowUnderTest> ui_;
    Windows windows_;

    QString progs() const { return dir_->file(QStringLiteral("progs")); }

    // The main window started on `database` with the program files folder
    // "progs", and the database windows wired to it as the application does.
    WindowUnderTest &started(const QByteArray &database = threeRecords())
    {
        QDir(dir_->path()).mkdir(QStringLiteral("progs"));
        ui_ = std::make_unique<WindowUnderTest>();
        ui_->startWith(configurationText({}, progs()), database);
        windows_.overview = std::make_unique<DeviceOverviewForm>(ui_->session, ui_->prompt, *ui_->window);
        windows_.openFromDatabase = std::make_unique<OpenFileDatabaseForm>(ui_->session, ui_->prompt);
        windows_.openToBox = std::make_unique<OpenToBoxForm>(ui_->session, ui_->prompt);
        windows_.directories = std::make_unique<DatabaseDirectoriesForm>(ui_->session.files, ui_->prompt);
        windows_.browse = std::make_unique<BrowseDialog>(ui_->prompt);
        windows_.connectDatabase(*ui_->window);
        ui_->onShowWindow = [this](OtherWindow window) { windows_.show(window); };
        return *ui_;
    }

    static QStringList lines(const QWidget &window, const QString &list)
    {
        const QListWidget *l = control<QListWidget>(window, list);
        QStringList texts;
        for (int i = 0; i < l->count(); ++i)
            texts.append(l->item(i)->text());
        return texts;
    }

    QStringList overview(const QString &list) const { return lines(*windows_.overview, list); }

    static void clickLine(const QWidget &window, const QString &list, int row, bool twice = false)
    {
        QListWidget *l = control<QListWidget>(window, list);
        const QPoint at = l->visualItemRect(l->item(row)).center();
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
    }

    void add(const QString &name, quint16 id, const QString &fileName, QList<bool> answers)
    {
        ui_->session.program.settings.DeviceName = name;
        ui_->session.program.settings.DeviceId = id;
        ui_->session.files.CurrentFileName = fileName;
        ui_->prompt.answers = answers;
        ui_->prompt.shown.clear();
        control<QPushButton>(*windows_.overview, QStringLiteral("AddToDatabaseBtn"))->click();
    }

    QList<DatabaseRecord> recordsOnDisk() const
    {
        return ParseDatabase(readAll(dir_->file(QStringLiteral("devices.ddl")))).records;
    }

private slots:
    void init() { dir_ = std::make_unique<TemporaryCurrentDirectory>(); }
    void cleanup()
    {
        windows_ = Windows();
        ui_.reset();
        dir_.reset();
    }

    void menuItemsShowTheWindowsWithoutBlocking()
    {
        WindowUnderTest &ui = started();
        const QList<std::pair<QString, QWidget *>> items{
            {QStringLiteral("DevicesOverview"), windows_.overview.get()},
            {QStringLiteral("OpenFromDatabaseMenu"), windows_.openFromDatabase.get()},
            {QStringLiteral("OpenToBoxMenu"), windows_.openToBox.get()},
            {QStringLiteral("DatabaseDirectoriesMenu"), windows_.directories.get()},
        };
        for (const auto &[name, window] : items) {
            QVERIFY2(!window->isVisible(), qPrintable(name));
            ui.action(name)->trigger();
            QVERIFY2(window->isVisible(), qPrintable(name));
            QVERIFY(!window->isModal());
            QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
            QCOMPARE(window->minimumSize(), window->maximumSize());
        }
        QCOMPARE(windows_.overview->windowTitle(), QStringLiteral("Přehled již programovaných zařízení"));
        QCOMPARE(windows_.openFromDatabase->windowTitle(), QStringLiteral("Otevři z databáze..."));
        QCOMPARE(windows_.openToBox->windowTitle(), QStringLiteral("Otevři do boxu..."));
        QCOMPARE(windows_.directories->windowTitle(), QStringLiteral("Umístění souborů..."));
    }

    // The application's own creation: every window hidden, none ending the
    // application, the inactive ones with their controls.
    void applicationCreatesTheWindowsHidden()
    {
        WindowUnderTest &ui = started();
        connection::LinkOptions options;
        options.simMemoryNone = true;
        QString error;
        const auto connection = connection::DeviceConnection::open(options, ui.session.link, 0, &error);
        QVERIFY2(connection, qPrintable(error));
        Windows all;
        all.create(ui.session, ui.prompt, connection->link(), *ui.window);
        const QList<std::pair<QWidget *, QString>> windows{
            {all.overview.get(), QStringLiteral("Přehled již programovaných zařízení")},
            {all.openFromDatabase.get(), QStringLiteral("Otevři z databáze...")},
            {all.openToBox.get(), QStringLiteral("Otevři do boxu...")},
            {all.directories.get(), QStringLiteral("Umístění souborů...")},
            {all.browse.get(), QStringLiteral("Prohledávat...")},
            {all.box.get(), QStringLiteral("Box 1")},
            {all.simulation.get(), QStringLiteral("Simulace")},
            {all.simulationSettings.get(), QStringLiteral("Nastavení Simulátoru...")},
        };
        for (const auto &[window, title] : windows) {
            QCOMPARE(window->windowTitle(), title);
            QVERIFY2(!window->isVisible(), qPrintable(title));
            QVERIFY(!window->testAttribute(Qt::WA_QuitOnClose));
        }
        QCOMPARE(control<QPushButton>(*all.box, QStringLiteral("BitBtn1"))->text(), QStringLiteral("&Close"));
        QCOMPARE(control<QWidget>(*all.simulation, QStringLiteral("Simulation_SupportPanel"))
                     ->findChildren<QPushButton *>()
                     .size(),
                 4);
        const QSlider *speed = control<QSlider>(*all.simulationSettings, QStringLiteral("SimulationSettings_Speed"));
        QCOMPARE(speed->value(), 0);
        QCOMPARE(speed->tickInterval(), 1);
        QCOMPARE(control<QListWidget>(*all.simulationSettings, QStringLiteral("ListBox1"))->count(),
                 SimulationSettingsForm::StepCount());
    }

    void listsShowTheLoadedRecords()
    {
        started();
        QCOMPARE(overview(QStringLiteral("Overview_IDbox")), (QStringList{"0001", "0002", "0003"}));
        QCOMPARE(overview(QStringLiteral("Overview_DeviceNameBox")), (QStringList{"Predsin", "Obyvak", "Loznice"}));
        QCOMPARE(overview(QStringLiteral("Overview_DateBox")), (QStringList{"1.1.2026", "2.1.2026", "3.1.2026"}));
        QCOMPARE(lines(*windows_.openFromDatabase, QStringLiteral("OpenDeviceNameBox")),
                 (QStringList{"Predsin", "Obyvak", "Loznice"}));
        windows_.openToBox->show();
        QCOMPARE(lines(*windows_.openToBox, QStringLiteral("OpenFileNameBox")), (QStringList{"a.plm", "b.plm", "c.plm"}));
    }

    // Many records: the lists scroll together, whichever is scrolled, so
    // every line stands beside its record's other fields.
    void listsScrollAsOne()
    {
        QByteArray many = "DDL {";
        for (int i = 0; i < 60; ++i)
            many += QStringLiteral(" ! $%1 &Dev%2 #1.1.2026 @d.plm").arg(i, 4, 10, QChar(u'0')).arg(i).toLatin1();
        started(many + " }");
        const QList<std::pair<QWidget *, QStringList>> windows{
            {windows_.overview.get(), {"Overview_IDbox", "Overview_DeviceNameBox", "Overview_DateBox"}},
            {windows_.openFromDatabase.get(), {"OpenIDbox", "OpenDeviceNameBox"}},
        };
        for (const auto &[window, names] : windows) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            for (const QString &scrolled : names) {
                QListWidget *list = control<QListWidget>(*window, scrolled);
                list->scrollToItem(list->item(37), QAbstractItemView::PositionAtTop);
                const int top = list->indexAt(QPoint(2, 2)).row();
                QVERIFY2(top > 0, qPrintable(scrolled));
                for (const QString &name : names)
                    QCOMPARE(control<QListWidget>(*window, name)->indexAt(QPoint(2, 2)).row(), top);
                list->scrollToTop();
            }
            window->close();
        }
    }

    void addingRecordsTheFileNameAndSavesTheProgram()
    {
        WindowUnderTest &ui = started();
        add(QStringLiteral("Kuchyn"), 0xA1, QStringLiteral("C:\\progs\\kuchyn.plm"), {true});

        QCOMPARE(ui.prompt.shown, QStringList{AddQuestion});
        QCOMPARE(ui.session.database.RecordCount(), 4);
        const DatabaseRecord added = ui.session.database.Records.last();
        QCOMPARE(added.Id, QStringLiteral("00A1"));
        QCOMPARE(added.File, QStringLiteral("kuchyn.plm"));
        QCOMPARE(recordsOnDisk(), ui.session.database.Records);
        QCOMPARE(overview(QStringLiteral("Overview_IDbox")).last(), QStringLiteral("00A1"));
        QCOMPARE(overview(QStringLiteral("Overview_DeviceNameBox")).last(), QStringLiteral("Kuchyn"));
        QCOMPARE(overview(QStringLiteral("Overview_DateBox")).last(), added.Date);
        QCOMPARE(lines(*windows_.openFromDatabase, QStringLiteral("OpenIDbox")).last(), QStringLiteral("00A1"));
        QCOMPARE(lines(*windows_.openFromDatabase, QStringLiteral("OpenDeviceNameBox")).last(), QStringLiteral("Kuchyn"));
        QCOMPARE(lines(*windows_.openToBox, QStringLiteral("OpenFileNameBox")).size(), 4);
        // Save writes the current file into the program files folder.
        QCOMPARE(readAll(QDir(progs()).filePath(QStringLiteral("C:\\progs\\kuchyn.plm"))).size(), 512);
        QCOMPARE(ui.saveDialogs, 0);
        QCOMPARE(ui.window->saveDialogTitle(), SaveTitle);
    }

    void questionsAnsweredNoAddNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("id");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QStringList>("questions");

        QTest::newRow("addition cancelled") << QStringLiteral("Kuchyn") << 1 << QList<bool>{false}
                                            << QStringList{AddQuestion};
        QTest::newRow("no label, cancelled") << QString() << 1 << QList<bool>{true, false}
                                             << QStringList{AddQuestion, NoLabelQuestion};
        QTest::newRow("identifier 0, aborted") << QStringLiteral("Kuchyn") << 0 << QList<bool>{true, false}
                                               << QStringList{AddQuestion, ZeroIdQuestion};
        QTest::newRow("no label and identifier 0, aborted at the second")
            << QString() << 0 << QList<bool>{true, true, false}
            << QStringList{AddQuestion, NoLabelQuestion, ZeroIdQuestion};
    }

    void questionsAnsweredNoAddNothing()
    {
        QFETCH(QString, name);
        QFETCH(int, id);
        QFETCH(QList<bool>, answers);
        QFETCH(QStringList, questions);

        WindowUnderTest &ui = started();
        const QByteArray before = readAll(dir_->file(QStringLiteral("devices.ddl")));
        add(name, quint16(id), QStringLiteral("kuchyn.plm"), answers);

        QCOMPARE(ui.prompt.shown, questions);
        QCOMPARE(ui.session.database.RecordCount(), 3);
        QCOMPARE(overview(QStringLiteral("Overview_IDbox")).size(), 3);
        QCOMPARE(lines(*windows_.openFromDatabase, QStringLiteral("OpenIDbox")).size(), 3);
        QCOMPARE(readAll(dir_->file(QStringLiteral("devices.ddl"))), before);
        QVERIFY(!QFile::exists(QDir(progs()).filePath(QStringLiteral("kuchyn.plm"))));
        QCOMPARE(ui.window->saveDialogTitle(), SaveTitle);
    }

    void addingWithoutFileNameAsksForOne_data()
    {
        QTest::addColumn<QStringList>("saveNames");
        QTest::addColumn<int>("saveDialogs");
        QTest::addColumn<int>("records");
        QTest::addColumn<QStringList>("shown");

        QTest::newRow("save dialog cancelled twice")
            << QStringList{} << 2 << 3 << QStringList{AddQuestion, NoFileName};
        QTest::newRow("file chosen") << QStringList{QStringLiteral("novy.plm")} << 1 << 4 << QStringList{AddQuestion};
    }

    void addingWithoutFileNameAsksForOne()
    {
        QFETCH(QStringList, saveNames);
        QFETCH(int, saveDialogs);
        QFETCH(int, records);
        QFETCH(QStringList, shown);

        WindowUnderTest &ui = started();
        ui.saveNames = saveNames;
        add(QStringLiteral("Kuchyn"), 7, QString(), {true});

        QCOMPARE(ui.prompt.shown, shown);
        QCOMPARE(ui.saveDialogs, saveDialogs);
        // Both showings of the save dialog, the command's and the Save
        // command's, carry the database title.
        QCOMPARE(ui.saveTitles, QStringList(saveDialogs, DatabaseSaveTitle));
        QCOMPARE(ui.session.database.RecordCount(), records);
        QCOMPARE(overview(QStringLiteral("Overview_IDbox")).size(), records);
        QCOMPARE(lines(*windows_.openFromDatabase, QStringLiteral("OpenIDbox")).size(), records);
        QCOMPARE(ui.window->saveDialogTitle(), SaveTitle);
        if (records == 4) {
            QCOMPARE(ui.session.database.Records.last().File, QStringLiteral("novy.plm"));
            QCOMPARE(readAll(QDir(progs()).filePath(QStringLiteral("novy.plm"))).size(), 512);
        }
    }

    void removingTheMiddleRecordKeepsTheOthersInOrder()
    {
        WindowUnderTest &ui = started();
        windows_.overview->show();
        // A line chosen in one list is the line of every list.
        clickLine(*windows_.overview, QStringLiteral("Overview_DateBox"), 1);
        ui.prompt.answers = {true};
        control<QPushButton>(*windows_.overview, QStringLiteral("DeleteFromDatabaseBtn"))->click();

        QCOMPARE(ui.prompt.shown, QStringList{RemoveQuestion});
        QCOMPARE(overview(QStringLiteral("Overview_IDbox")), (QStringList{"0001", "0003"}));
        QCOMPARE(overview(QStringLiteral("Overview_DeviceNameBox")), (QStringList{"Predsin", "Loznice"}));
        QCOMPARE(overview(QStringLiteral("Overview_DateBox")), (QStringList{"1.1.2026", "3.1.2026"}));
        QCOMPARE(lines(*windows_.openFromDatabase, QStringLiteral("OpenIDbox")), (QStringList{"0001", "0003"}));
        QCOMPARE(lines(*windows_.openFromDatabase, QStringLiteral("OpenDeviceNameBox")),
                 (QStringList{"Predsin", "Loznice"}));
        QCOMPARE(lines(*windows_.openToBox, QStringLiteral("OpenFileNameBox")), (QStringList{"a.plm", "c.plm"}));
        QCOMPARE(recordsOnDisk().size(), 2);
        QCOMPARE(recordsOnDisk(), ui.session.database.Records);
        QVERIFY(!control<QPushButton>(*windows_.overview, QStringLiteral("DeleteFromDatabaseBtn"))->isEnabled());
    }

    void removalNeedsTheAnswerAndALine_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<bool>("answer");
        QTest::newRow("question cancelled") << 0 << false;
        QTest::newRow("no line chosen") << -1 << true;
    }

    void removalNeedsTheAnswerAndALine()
    {
        QFETCH(int, line);
        QFETCH(bool, answer);
        WindowUnderTest &ui = started();
        windows_.overview->show();
        if (line >= 0)
            clickLine(*windows_.overview, QStringLiteral("Overview_IDbox"), line);
        ui.prompt.answers = {answer};
        control<QPushButton>(*windows_.overview, QStringLiteral("DeleteFromDatabaseBtn"))->click();
        QCOMPARE(ui.prompt.shown, QStringList{RemoveQuestion});
        QCOMPARE(ui.session.database.RecordCount(), 3);
        QCOMPARE(overview(QStringLiteral("Overview_IDbox")).size(), 3);
    }

    // A database file holding more records than the table opens read-only:
    // neither command asks anything or changes a list or the file.
    void readOnlyDatabaseRefusesAddingAndRemoving_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("add") << QStringLiteral("AddToDatabaseBtn");
        QTest::newRow("remove") << QStringLiteral("DeleteFromDatabaseBtn");
    }

    void readOnlyDatabaseRefusesAddingAndRemoving()
    {
        QFETCH(QString, button);
        QByteArray database = "DDL {";
        for (int i = 0; i < 300; ++i)
            database += " ! $" + QByteArray::number(i) + " &n @f.plm";
        WindowUnderTest &ui = started(database + " }");
        ui.session.files.CurrentFileName = QStringLiteral("kuchyn.plm");
        windows_.overview->show();
        clickLine(*windows_.overview, QStringLiteral("Overview_IDbox"), 0);
        ui.prompt.shown.clear();
        ui.prompt.answers = {true, true, true};
        control<QPushButton>(*windows_.overview, button)->click();

        QCOMPARE(ui.prompt.shown, QStringList{QStringLiteral("Databáze obsahuje více než 256 záznamů a je otevřena "
                                                             "jen pro čtení; změny by smazaly záznamy za 256.")});
        QCOMPARE(overview(QStringLiteral("Overview_IDbox")).size(), 256);
        QCOMPARE(lines(*windows_.openFromDatabase, QStringLiteral("OpenIDbox")).size(), 256);
        QCOMPARE(readAll(dir_->file(QStringLiteral("devices.ddl"))), database + " }");
        QVERIFY(!QFile::exists(QDir(progs()).filePath(QStringLiteral("kuchyn.plm"))));
    }

    void escapeInTheOverviewAsksToRemove()
    {
        WindowUnderTest &ui = started();
        windows_.overview->show();
        clickLine(*windows_.overview, QStringLiteral("Overview_IDbox"), 0);
        QTest::keyClick(windows_.overview.get(), Qt::Key_Escape);
        QCOMPARE(ui.prompt.shown, QStringList{RemoveQuestion});
        QVERIFY(windows_.overview->isVisible());
        QCOMPARE(ui.session.database.RecordCount(), 3);
    }

    void openingARecordMakesItsFileTheCurrentOne()
    {
        WindowUnderTest &ui = started();
        writeAll(QDir(progs()).filePath(QStringLiteral("b.plm")), programFile(QStringLiteral("Obyvak"), 2));
        const QString previous = QDir(progs()).filePath(QStringLiteral("previous.plm"));
        writeAll(previous, programFile(QStringLiteral("Predsin"), 1));
        const QByteArray previousBytes = readAll(previous);
        ui.session.files.CurrentFileName = previous;
        OpenFileDatabaseForm &form = *windows_.openFromDatabase;
        form.show();
        auto *open = control<QPushButton>(form, QStringLiteral("OpenFileBtn"));
        QVERIFY(!open->isEnabled());
        clickLine(form, QStringLiteral("OpenDeviceNameBox"), 1);
        QVERIFY(open->isEnabled());
        open->click();

        QVERIFY(ui.prompt.shown.isEmpty());
        QCOMPARE(ui.window->windowTitle(), QStringLiteral("Pellmora - (Obyvak) - b.plm"));
        QCOMPARE(ui.word(0), quint16(0x8005));
        QCOMPARE(ui.items().size(), 1);
        QCOMPARE(ui.session.database.LastProgrammingDate, QStringLiteral("2.1.2026"));
        QVERIFY(!open->isEnabled());
        QVERIFY(form.isVisible());

        // A change saved goes into the opened file; the file current before
        // the opening keeps its program.
        ui.type(QStringLiteral("StartUpTime"), QStringLiteral("0730"));
        ui.window->SaveClick();
        QCOMPARE(readAll(previous), previousBytes);
        const QByteArray saved = readAll(QDir(progs()).filePath(QStringLiteral("b.plm")));
        QCOMPARE(saved.size(), 512);
        QCOMPARE(quint8(saved.at(0x1FA)), quint8(450 & 0xFF));
        QCOMPARE(ui.saveDialogs, 0);
        ui.window->ReportPdfClick();
        QCOMPARE(ui.reportProposed, QStringList{QStringLiteral("b.pdf")});
    }

    void openingAMissingFileNamesItsPath()
    {
        WindowUnderTest &ui = started();
        ui.session.files.DeviceDirectory = progs();
        const quint16 before = ui.word(0);
        windows_.openFromDatabase->show();
        clickLine(*windows_.openFromDatabase, QStringLiteral("OpenIDbox"), 2, true);
        QCOMPARE(ui.prompt.shown,
                 QStringList{QStringLiteral("Nelze číst z disku, nebo soubor neexistuje v adresáři : ") + progs()
                             + QStringLiteral("/c.plm")});
        QCOMPARE(ui.session.database.LastProgrammingDate, QStringLiteral("3.1.2026"));
        QCOMPARE(ui.word(0), before);
    }

    // While a device transfer runs, neither command may replace or save the program.
    void commandsWaitForARunningTransfer()
    {
        WindowUnderTest &ui = started();
        writeAll(QDir(progs()).filePath(QStringLiteral("a.plm")), programFile(QStringLiteral("Predsin"), 1));
        const auto locked = [] { return true; };
        windows_.openFromDatabase->setProgramLocked(locked);
        LockedMainWindow lockedWindow;
        windows_.overview = std::make_unique<DeviceOverviewForm>(ui.session, ui.prompt, lockedWindow);

        windows_.openFromDatabase->show();
        clickLine(*windows_.openFromDatabase, QStringLiteral("OpenIDbox"), 0, true);
        add(QStringLiteral("Kuchyn"), 1, QStringLiteral("kuchyn.plm"), {true});

        QVERIFY(ui.prompt.shown.isEmpty());
        QVERIFY(ui.session.database.LastProgrammingDate.isEmpty());
        QCOMPARE(ui.session.database.RecordCount(), 3);
        QCOMPARE(ui.window->windowTitle(), QStringLiteral("Pellmora - (UNTITLED)"));
    }

    void openToBoxOpensOnlyByDoubleClickAndFollowsTheTable()
    {
        WindowUnderTest &ui = started();
        writeAll(QDir(progs()).filePath(QStringLiteral("a.plm")), programFile(QStringLiteral("Predsin"), 1));
        OpenToBoxForm &box = *windows_.openToBox;
        box.show();
        clickLine(box, QStringLiteral("OpenIDbox"), 0);
        QCOMPARE(control<QListWidget>(box, QStringLiteral("OpenFileNameBox"))->currentRow(), 0);
        auto *open = control<QPushButton>(box, QStringLiteral("OpenFileBtn"));
        QVERIFY(open->isEnabled());
        open->click();
        QVERIFY(ui.session.database.LastProgrammingDate.isEmpty());
        control<QPushButton>(box, QStringLiteral("OpenToBoxFromFileBtn"))->click();
        QVERIFY(ui.session.database.LastProgrammingDate.isEmpty());

        clickLine(box, QStringLiteral("OpenDeviceNameBox"), 0, true);
        QCOMPARE(ui.window->windowTitle(), QStringLiteral("Pellmora - (Predsin) - a.plm"));
        QCOMPARE(ui.session.database.LastProgrammingDate, QStringLiteral("1.1.2026"));
        QVERIFY(!open->isEnabled());

        // After a removal in the overview, line n still opens record n.
        clickLine(*windows_.overview, QStringLiteral("Overview_IDbox"), 0);
        ui.prompt.answers = {true};
        control<QPushButton>(*windows_.overview, QStringLiteral("DeleteFromDatabaseBtn"))->click();
        QCOMPARE(lines(box, QStringLiteral("OpenIDbox")), (QStringList{"0002", "0003"}));
        clickLine(box, QStringLiteral("OpenIDbox"), 1, true);
        QCOMPARE(ui.session.database.LastProgrammingDate, QStringLiteral("3.1.2026"));
    }
};

QTEST_MAIN(DatabaseWindowsTest)
#include "tst_database_windows.moc"
