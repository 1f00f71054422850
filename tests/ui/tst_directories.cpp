// The file locations dialog and its folder browser.

#include "app/AppWindows.h"
#include "DialogTestKit.h"
#include "MainWindowFixture.h"

using namespace pellmora;
using namespace pellmora::storage;
using namespace pellmora::ui;
using namespace pellmora::ui::test;

namespace {

const QString NoFilesOfType = QStringLiteral("V adresáři neexistují žádné soubory s typu ");
const QString Unstorable = QStringLiteral(
    "Cestu ke složce nelze uložit do konfiguračního souboru, obsahuje znak '%1'. Vyberte jinou složku.");

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class DirectoriesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryCurrentDirectory> dir_;
    RecordingPrompt prompt_;
    FileLocations locations_;
    std::unique_ptr<DatabaseDirectoriesForm> form_;
    std::unique_ptr<BrowseDialog> browser_;

    QLineEdit *field(const QString &name) const { return control<QLineEdit>(*form_, name); }
    void click(const QWidget &window, const QString &name) const
    {
        QTest::mouseClick(control<QAbstractButton>(window, name), Qt::LeftButton);
    }
    QString folder(const QString &name) const
    {
        QDir(dir_->path()).mkpath(name);
        return QDir(dir_->path()).filePath(name);
    }
    QStringList shownFiles() const
    {
        const QListWidget *files = control<QListWidget>(*browser_, QStringLiteral("FileListBox"));
        QStringList names;
        for (int i = 0; i < files->count(); ++i)
            names.append(files->item(i)->text());
        return names;
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<TemporaryCurrentDirectory>();
        prompt_ = RecordingPrompt{};
        locations_ = FileLocations{};
        locations_.DeviceDirectory = folder(QStringLiteral("progs"));
        locations_.SystemDirectory = folder(QStringLiteral("system"));
        form_ = std::make_unique<DatabaseDirectoriesForm>(locations_, prompt_);
        browser_ = std::make_unique<BrowseDialog>(prompt_);
        QObject::connect(form_.get(), &DatabaseDirectoriesForm::browseRequested, browser_.get(), &BrowseDialog::browse);
        QObject::connect(browser_.get(), &BrowseDialog::folderAccepted, form_.get(),
                         &DatabaseDirectoriesForm::setBrowsedFolder);
    }
    void cleanup()
    {
        browser_.reset();
        form_.reset();
        dir_.reset();
    }

    void everyShowLoadsBothFields()
    {
        form_->show();
        QCOMPARE(field(QStringLiteral("DeviceDataFileDirectoryText"))->text(), locations_.DeviceDirectory);
        QCOMPARE(field(QStringLiteral("DatabaseFileText"))->text(), locations_.SystemDirectory);
        field(QStringLiteral("DatabaseFileText"))->setText(QStringLiteral("typed"));
        form_->hide();
        locations_.SystemDirectory = QStringLiteral("elsewhere");
        form_->show();
        QCOMPARE(field(QStringLiteral("DatabaseFileText"))->text(), QStringLiteral("elsewhere"));
    }

    void speedButtonsCopyOneFieldIntoTheOther_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("programFiles");
        QTest::addColumn<QString>("database");
        QTest::newRow("database folder to program files") << QStringLiteral("SpeedButton1") << QStringLiteral("B")
                                                          << QStringLiteral("B");
        QTest::newRow("program files folder to database") << QStringLiteral("SpeedButton2") << QStringLiteral("A")
                                                          << QStringLiteral("A");
    }

    void speedButtonsCopyOneFieldIntoTheOther()
    {
        QFETCH(QString, button);
        QFETCH(QString, programFiles);
        QFETCH(QString, database);
        form_->show();
        field(QStringLiteral("DeviceDataFileDirectoryText"))->setText(QStringLiteral("A"));
        field(QStringLiteral("DatabaseFileText"))->setText(QStringLiteral("B"));
        click(*form_, button);
        QCOMPARE(field(QStringLiteral("DeviceDataFileDirectoryText"))->text(), programFiles);
        QCOMPARE(field(QStringLiteral("DatabaseFileText"))->text(), database);
    }

    void fieldsRefuseCharactersTheConfigurationCannotStore_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("refused");
        QTest::newRow("outside code page 1250") << QStringLiteral("/data/Kuchyně→€日") << QStringLiteral("→");
        // An apostrophe would end the value in the file.
        QTest::newRow("apostrophe") << QStringLiteral("/home/O'Brien") << QStringLiteral("'");
    }

    // The text stays as typed; OK names the character and stores nothing.
    void fieldsRefuseCharactersTheConfigurationCannotStore()
    {
        QFETCH(QString, typed);
        QFETCH(QString, refused);
        const FileLocations before = locations_;
        for (const QString &name : {QStringLiteral("DeviceDataFileDirectoryText"), QStringLiteral("DatabaseFileText")}) {
            prompt_ = RecordingPrompt{};
            form_->show();
            QLineEdit *folderField = field(name);
            folderField->clear();
            typeText(folderField, typed);
            QCOMPARE(folderField->text(), typed);
            click(*form_, QStringLiteral("Button3"));
            QCOMPARE(prompt_.shown, QStringList{QStringLiteral("Cestu ke složce nelze uložit do konfiguračního "
                                                               "souboru, obsahuje znak '%1'. Opravte ji prosím.")
                                                    .arg(refused)});
            QVERIFY(form_->isVisible());
            QCOMPARE(folderField->text(), typed);
            QCOMPARE(locations_.DeviceDirectory, before.DeviceDirectory);
            QCOMPARE(locations_.SystemDirectory, before.SystemDirectory);
            form_->close();
        }
    }

    void okStoresTheTextsAsTypedCancelKeepsTheSettings_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("stored");
        QTest::newRow("OK") << QStringLiteral("Button3") << true;
        QTest::newRow("Cancel") << QStringLiteral("Button4") << false;
    }

    void okStoresTheTextsAsTypedCancelKeepsTheSettings()
    {
        QFETCH(QString, button);
        QFETCH(bool, stored);
        const FileLocations before = locations_;
        const QString elsewhere = folder(QStringLiteral("elsewhere"));
        touch(QDir(elsewhere).filePath(QStringLiteral("a.plm")));
        form_->show();
        // One field filled by the browser, the other typed (with no check).
        click(*form_, QStringLiteral("BrowseBtnPLM"));
        browser_->setFolder(elsewhere);
        click(*browser_, QStringLiteral("BrowseOKBtn"));
        QCOMPARE(field(QStringLiteral("DeviceDataFileDirectoryText"))->text(), elsewhere);
        field(QStringLiteral("DatabaseFileText"))->setText(QStringLiteral("no such folder "));
        click(*form_, button);

        QVERIFY(!form_->isVisible());
        QCOMPARE(locations_.DeviceDirectory, stored ? elsewhere : before.DeviceDirectory);
        QCOMPARE(locations_.SystemDirectory, stored ? QStringLiteral("no such folder ") : before.SystemDirectory);
    }

    void browserAcceptsOnlyAFolderWithAFileOfTheType_data()
    {
        QTest::addColumn<QString>("browseButton");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("chosenName");
        QTest::addColumn<QString>("refusal"); // the browser's message when it is not the missing file's

        const QString programs = QStringLiteral("DeviceDataFileDirectoryText");
        const QString database = QStringLiteral("DatabaseFileText");
        const QString chosen = QStringLiteral("chosen");
        QTest::newRow("no file") << QStringLiteral("BrowseBtnPLM") << QStringList{} << programs << QStringList{}
                                 << chosen << QString();
        QTest::newRow("only other types") << QStringLiteral("BrowseBtnDDL")
                                          << QStringList{"a.plm", "devices.ddl.bak"} << database << QStringList{}
                                          << chosen << QString();
        QTest::newRow("one program file") << QStringLiteral("BrowseBtnPLM") << QStringList{"a.plm", "x.txt"}
                                          << programs << QStringList{"a.plm"} << chosen << QString();
        QTest::newRow("upper-case extension") << QStringLiteral("BrowseBtnPLM") << QStringList{"KUCHYN.PLM"}
                                              << programs << QStringList{"KUCHYN.PLM"} << chosen << QString();
        QTest::newRow("database file") << QStringLiteral("BrowseBtnDDL") << QStringList{"devices.ddl", "a.plm"}
                                       << database << QStringList{"devices.ddl"} << chosen << QString();
        QTest::newRow("apostrophe in the path") << QStringLiteral("BrowseBtnPLM") << QStringList{"a.plm"} << programs
                                                << QStringList{"a.plm"} << QStringLiteral("O'Brien")
                                                << Unstorable.arg(QChar(u'\''));
        QTest::newRow("character outside code page 1250")
            << QStringLiteral("BrowseBtnDDL") << QStringList{"devices.ddl"} << database << QStringList{"devices.ddl"}
            << QStringLiteral("Kuchyně→sklep") << Unstorable.arg(QStringLiteral("→"));
    }

    void browserAcceptsOnlyAFolderWithAFileOfTheType()
    {
        QFETCH(QString, browseButton);
        QFETCH(QStringList, files);
        QFETCH(QString, field);
        QFETCH(QStringList, listed);
        QFETCH(QString, chosenName);
        QFETCH(QString, refusal);

        const QString chosen = folder(chosenName);
        QDir(chosen).mkdir(QStringLiteral("sub.plm")); // a folder is no file of the type
        for (const QString &name : std::as_const(files))
            touch(QDir(chosen).filePath(name));
        form_->show();
        const QString before = this->field(field)->text();
        click(*form_, browseButton);
        QVERIFY(browser_->isVisible());
        QVERIFY(!browser_->isModal());
        browser_->setFolder(chosen);
        QCOMPARE(shownFiles(), listed);
        click(*browser_, QStringLiteral("BrowseOKBtn"));

        const QString mask = browseButton == QStringLiteral("BrowseBtnPLM") ? QStringLiteral("*.plm")
                                                                          : QStringLiteral("*.ddl");
        QCOMPARE(browser_->mask(), mask);
        if (listed.isEmpty() || !refusal.isEmpty()) {
            QCOMPARE(prompt_.shown, QStringList{listed.isEmpty() ? NoFilesOfType + mask : refusal});
            QVERIFY(browser_->isVisible());
            QCOMPARE(this->field(field)->text(), before);
        } else {
            QVERIFY(prompt_.shown.isEmpty());
            QVERIFY(!browser_->isVisible());
            QCOMPARE(this->field(field)->text(), chosen);
        }
        QVERIFY(form_->isVisible());
    }

    void browserOpensAtTheFieldsFolderAndNavigatesWithoutChangingTheCurrentDirectory()
    {
        const QString progs = locations_.DeviceDirectory;
        folder(QStringLiteral("progs/kuchyn"));
        touch(QDir(progs).filePath(QStringLiteral("kuchyn/a.plm")));
        form_->show();
        click(*form_, QStringLiteral("BrowseBtnPLM"));
        QCOMPARE(browser_->folder(), progs);
        QCOMPARE(browser_->BrowseTarget(), int(DatabaseDirectoriesForm::ProgramFilesTarget));

        auto *folders = control<QListWidget>(*browser_, QStringLiteral("DirectoryListBox"));
        const QList<QListWidgetItem *> sub = folders->findItems(QStringLiteral("kuchyn"), Qt::MatchExactly);
        QCOMPARE(sub.size(), 1);
        emit folders->itemActivated(sub.first());
        QCOMPARE(browser_->folder(), QDir(progs).filePath(QStringLiteral("kuchyn")));
        QCOMPARE(shownFiles(), QStringList{"a.plm"});
        emit folders->itemActivated(folders->findItems(QStringLiteral(".."), Qt::MatchExactly).value(0));
        QCOMPARE(browser_->folder(), progs);
        QCOMPARE(QDir::currentPath(), QDir(dir_->path()).canonicalPath());

        // A field naming no folder opens the browser at the current directory.
        field(QStringLiteral("DatabaseFileText"))->setText(QStringLiteral("/no/such/folder"));
        click(*form_, QStringLiteral("BrowseBtnDDL"));
        QCOMPARE(browser_->folder(), QDir::currentPath());
        QCOMPARE(browser_->BrowseTarget(), int(DatabaseDirectoriesForm::DatabaseTarget));
    }

    // Enter in the folder list goes into the folder and never accepts it,
    // even one that holds a file of the type.
    void enterInTheFolderListOnlyEntersTheFolder()
    {
        const QString progs = locations_.DeviceDirectory;
        folder(QStringLiteral("progs/kuchyn"));
        touch(QDir(progs).filePath(QStringLiteral("a.plm")));
        touch(QDir(progs).filePath(QStringLiteral("kuchyn/b.plm")));
        form_->show();
        click(*form_, QStringLiteral("BrowseBtnPLM"));
        auto *folders = control<QListWidget>(*browser_, QStringLiteral("DirectoryListBox"));
        folders->setFocus();
        const struct {
            QString row;
            QString folder;
        } steps[] = {{QStringLiteral("kuchyn"), QDir(progs).filePath(QStringLiteral("kuchyn"))},
                     {QStringLiteral(".."), progs}};
        for (const auto &step : steps) {
            folders->setCurrentItem(folders->findItems(step.row, Qt::MatchExactly).value(0));
            QTest::keyClick(folders, Qt::Key_Return);
            QCOMPARE(browser_->folder(), step.folder);
            QVERIFY(browser_->isVisible());
        }
        QCOMPARE(field(QStringLiteral("DeviceDataFileDirectoryText"))->text(), progs);
        QVERIFY(prompt_.shown.isEmpty());
    }

    void browserCancelLeavesTheFields()
    {
        const QString chosen = folder(QStringLiteral("chosen"));
        touch(QDir(chosen).filePath(QStringLiteral("a.plm")));
        form_->show();
        click(*form_, QStringLiteral("BrowseBtnPLM"));
        browser_->setFolder(chosen);
        click(*browser_, QStringLiteral("BrowseCancelBtn"));
        QVERIFY(!browser_->isVisible());
        QCOMPARE(field(QStringLiteral("DeviceDataFileDirectoryText"))->text(), locations_.DeviceDirectory);
    }
};

QTEST_MAIN(DirectoriesTest)
#include "tst_directories.moc"
