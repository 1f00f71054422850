// Message boxes and dialogs opened while a window that stays on top is shown.

#include "ui/ComTest.h"
#include "ui/DialogsInFront.h"
#include "ui/InstructionsFormat.h"
#include "ui/ProgramFileDialogs.h"
#include "ui/Prompt.h"
#include "ui/StayOnTopDialog.h"
#include "DialogTestKit.h"

#include "model/InstructionFormat.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <memory>

using namespace pellmora;
using namespace pellmora::ui;

using Opener = std::function<void(QWidget *mainWindow)>;
Q_DECLARE_METATYPE(Opener)

namespace {

// What the dialog that opened looked like once the window system had shown it.
struct Seen {
    bool closed = false;
    bool lifted = false;
    bool active = false;
};

// Runs `open`; the first dialog that appears (modal or not) is looked at
// after the event loop has handled its showing, then closed.
Seen openAndLook(QWidget *mainWindow, const Opener &open)
{
    Seen seen;
    QPointer<QWidget> found;
    QTimer look;
    look.setInterval(10);
    QObject::connect(&look, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && (qobject_cast<QMessageBox *>(w) || qobject_cast<QFileDialog *>(w)
                                   || qobject_cast<InstructionsFormat *>(w))) {
                found = w;
                break;
            }
        }
        if (found == nullptr)
            return;
        look.stop();
        QTimer::singleShot(50, found, [&] {
            seen.lifted = DialogsInFront::lifted(*found);
            seen.active = QApplication::activeWindow() == found;
            found->close();
            seen.closed = true;
        });
    });
    look.start();
    open(mainWindow);
    if (!QTest::qWaitFor([&seen] { return seen.closed; }))
        return {};
    return seen;
}

} // namespace

class DialogsInFrontTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DialogsInFront> inFront_;
    std::unique_ptr<QMainWindow> main_;
    model::InstructionFormat format_;
    std::unique_ptr<InstructionsFormat> formatDialog_;

private slots:
    void init()
    {
        inFront_ = std::make_unique<DialogsInFront>();
        main_ = std::make_unique<QMainWindow>();
        main_->show();
        QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
        formatDialog_ = std::make_unique<InstructionsFormat>(format_);
    }
    void cleanup()
    {
        formatDialog_.reset();
        main_.reset();
        inFront_.reset();
    }

    void openedAboveTheStayOnTopWindow_data()
    {
        QTest::addColumn<bool>("testWindow"); // else a database window's frame
        QTest::addColumn<Opener>("open");

        MessageBoxPrompt *prompt = new MessageBoxPrompt; // lives for the run
        const Opener messageBox = [prompt](QWidget *w) { prompt->message(w, QStringLiteral("Error 2")); };
        const Opener question = [prompt](QWidget *w) {
            prompt->ask(w, QStringLiteral("Chcete opravdu skončit ?"), Prompt::Buttons::OkCancel);
        };
        const Opener fileDialog = [](QWidget *w) { askProgramFileToSave(w, QStringLiteral("Uložit soubor...")); };
        const Opener wording = [this](QWidget *) { formatDialog_->show(); };
        for (const bool testWindow : {true, false}) {
            const char *over = testWindow ? "test window" : "database window";
            QTest::addRow("message box over the %s", over) << testWindow << messageBox;
            QTest::addRow("question over the %s", over) << testWindow << question;
            QTest::addRow("file dialog under the %s", over) << testWindow << fileDialog;
            QTest::addRow("wording dialog under the %s", over) << testWindow << wording;
        }
    }

    // Each dialog opens in the stay-on-top layer, in front, with the focus.
    void openedAboveTheStayOnTopWindow()
    {
        QFETCH(bool, testWindow);
        QFETCH(Opener, open);
        std::unique_ptr<QWidget> onTop;
        if (testWindow) {
            auto comTest = std::make_unique<ComTest>();
            comTest->startTest();
            onTop = std::move(comTest);
        } else {
            auto database = std::make_unique<QDialog>(nullptr, StayOnTopDialogFlags);
            prepareStayOnTopDialog(*database, QStringLiteral("DeviceOverviewForm"),
                                   QStringLiteral("Přehled již programovaných zařízení"));
            database->show();
            onTop = std::move(database);
        }
        QVERIFY(QTest::qWaitForWindowExposed(onTop.get()));

        const Seen seen = openAndLook(main_.get(), open);
        QVERIFY(seen.closed);
        QVERIFY(seen.lifted);
        QVERIFY(seen.active);
    }

    // The file list's dates and sizes do not depend on the machine's locale.
    void fileDialogDetailsInCzech()
    {
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("chodba.plm")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(2048, 0));
        QVERIFY(file.flush());
        QVERIFY(file.setFileTime(QDateTime(QDate(2026, 12, 8), QTime(9, 5)), QFileDevice::FileModificationTime));
        file.close();
        QFileSystemModel files;
        files.setRootPath(folder.path());
        CzechFileDetails details;
        details.setSourceModel(&files);
        const QModelIndex name = files.index(file.fileName());
        QTRY_COMPARE(files.size(name), qint64(2048));
        QCOMPARE(details.mapFromSource(name.siblingAtColumn(3)).data().toString(), QStringLiteral("08.12.2026 09:05"));
        QCOMPARE(details.mapFromSource(name.siblingAtColumn(1)).data().toString(), QStringLiteral("2,00 KiB"));
    }

    // Without a stay-on-top window nothing changes; a dialog lifted while
    // one was shown loses the lift when it closes.
    void liftOnlyWhileAStayOnTopWindowIsShown()
    {
        const Seen alone = openAndLook(main_.get(), [this](QWidget *) { formatDialog_->show(); });
        QVERIFY(alone.closed);
        QVERIFY(!alone.lifted);

        formatDialog_->show();
        QVERIFY(!DialogsInFront::lifted(*formatDialog_));
        ComTest comTest;
        comTest.startTest();
        QVERIFY(DialogsInFront::lifted(*formatDialog_));
        comTest.hide();
        QVERIFY(!DialogsInFront::lifted(*formatDialog_));
        QVERIFY(!formatDialog_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }
};

QTEST_MAIN(DialogsInFrontTest)
#include "tst_dialogs_in_front.moc"
