#pragma once

// Shared set-up of the main-window tests: a temporary current directory, a
// session, the recording prompt and a window with counting services.

#include "ui/MainInterface.h"
#include "RecordingPrompt.h"
#include "ui/Session.h"

#include "model/ProgramHeader.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <memory>

namespace pellmora::ui::test {
using namespace pellmora::ui;

// Makes a fresh temporary directory current for the life of the object.
class TemporaryCurrentDirectory {
public:
    TemporaryCurrentDirectory() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~TemporaryCurrentDirectory() { QDir::setCurrent(previous_); }
    QString path() const { return dir_.path(); }
    QString file(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// The user's settings (the link chosen in the port dialog) of this test
// program live in a temporary folder of their own, emptied for each window:
// no test reads or writes the real user's.
inline void useTemporaryUserSettings()
{
    static QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("pellmora"), QStringLiteral("pellmora"))
        .clear();
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A configuration file as the application writes it, code page 1250 aside.
inline QByteArray configurationText(const QString &lastFile = {}, const QString &deviceDirectory = {})
{
    const QStringList lines{
        QStringLiteral("CFG_Pellmora  ;"),
        QStringLiteral("Device Directory:'%1'  ;").arg(deviceDirectory),
        QStringLiteral("System Directory:''  ;"),
        QStringLiteral("Last Programmed Device:'%1'  ;").arg(lastFile),
        QStringLiteral("Default Port:'COM1'  ;"),
        QStringLiteral("Default Instruction Format:'3'  ;"),
        QStringLiteral("User Instruction Format:'Rozsvit na'/'Zhasni na'  ;"),
        QStringLiteral("EEPROM Baud Rate:'1000'  ;"),
        QStringLiteral("Microcontroller Baud Rate:'60'  ;"),
    };
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
}

inline const QByteArray EmptyDatabase = QByteArrayLiteral("DDL { }");
inline const QByteArray Missing = QByteArrayLiteral("<missing>");

inline void place(const QString &name, const QByteArray &contents)
{
    if (contents != Missing)
        writeAll(name, contents);
}

// The application's part as the main-window tests see it: every request
// counted or answered from the test's lists.
struct WindowUnderTest;
class FakeServices : public MainWindowServices {
public:
    explicit FakeServices(WindowUnderTest &ui) : ui_(ui) {}

    void showWindow(OtherWindow window) override;
    void calibrateQuietly() override;
    void calibrationSequence() override;
    void linkPowerOn() override {}
    void linkPowerOff() override;
    void pump() override;
    void configurationDialog() override;
    void selectPeriods(int periodCode) override;
    QStringList userWordFields() override
    {
        return {QStringLiteral("Rozsviť na"), QStringLiteral("Zhasni na")};
    }
    QString askOpenFileName(QWidget *parent, const QString &folder) override;
    QString askSaveFileName(QWidget *parent, const QString &title, const QString &folder) override;
    QString askReportFileName(QWidget *parent, const QString &proposed, const QString &folder) override;
    bool choosePrinter(QWidget *parent, QPrinter &printer) override;

private:
    WindowUnderTest &ui_;
};

struct WindowUnderTest {
    WindowUnderTest() { useTemporaryUserSettings(); }

    RecordingPrompt prompt;
    Session session;
    int quietCalibrations = 0;
    int panelCalibrations = 0;
    int powerOffs = 0;
    int configurationDialogs = 0;
    QStringList openNames;  // answers of the open dialog, in order
    QStringList saveNames;  // answers of the save dialog, in order
    int saveDialogs = 0;
    QStringList saveTitles; // the save dialog's title at each of its showings
    QList<OtherWindow> shownWindows; // the windows the main window asked for
    std::function<void(OtherWindow)> onShowWindow; // runs for each, after it is recorded
    QStringList reportNames; // answers of the report's save dialog, in order
    QStringList reportProposed; // the names the report's save dialog proposed
    QStringList dialogFolders;  // the folder each file dialog opened in, in order
    QString printerOutput;   // the printer dialog prints into this PDF; empty: cancelled
    std::function<void()> onPump; // runs whenever the window processes pending messages
    std::function<void()> onConfigurationDialog; // what the user does in the configuration dialog
    FakeServices services{*this};
    std::unique_ptr<MainInterface> window;

    // Creates the window (database read), shows it (configuration, last
    // program) and lets the first paint run.
    MainInterface &start()
    {
        create();
        show();
        return *window;
    }

    // The same with these files in the current directory (Missing: none).
    MainInterface &startWith(const QByteArray &configuration, const QByteArray &database)
    {
        place(QStringLiteral("plmprg.cfg"), configuration);
        place(QStringLiteral("devices.ddl"), database);
        return start();
    }

    void create() { window = std::make_unique<MainInterface>(session, prompt, services); }

    void show()
    {
        window->show();
        for (int i = 0; i < 10 && window->firstPaintPending(); ++i)
            QCoreApplication::processEvents();
        if (window->firstPaintPending())
            window->windowPainted();
    }

    template <typename T> T *find(const QString &name) const
    {
        T *found = window->findChild<T *>(name);
        if (!found)
            qWarning("no %s", qPrintable(name));
        return found;
    }
    QLineEdit *edit(const QString &name) const { return find<QLineEdit>(name); }
    QPushButton *button(const QString &name) const { return find<QPushButton>(name); }
    QAction *action(const QString &name) const { return find<QAction>(name); }
    QLabel *label(const QString &name) const { return find<QLabel>(name); }
    QListWidget *list() const { return find<QListWidget>(QStringLiteral("InstructionsBox")); }

    QStringList items() const
    {
        QStringList texts;
        for (int i = 0; i < list()->count(); ++i)
            texts.append(list()->item(i)->text());
        return texts;
    }

    // The field's text with blanks where the field shows its "0".
    static QString fieldText(const QLineEdit *field)
    {
        return field->displayText().replace(QLatin1Char('0'), QLatin1Char(' '));
    }

    // Types digits into a masked field from its first position.
    void type(const QString &field, const QString &keys) const
    {
        QLineEdit *e = edit(field);
        e->setCursorPosition(0);
        QTest::keyClicks(e, keys);
    }

    void typeDelay(const QString &keys) const { type(QStringLiteral("InDelay"), keys); }

    void clickItem(int row) const
    {
        QListWidget *l = list();
        const QRect r = l->visualItemRect(l->item(row));
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, r.center());
    }

    quint16 word(int index) const { return session.program.image.words[index]; }
};

inline void FakeServices::showWindow(OtherWindow window)
{
    ui_.shownWindows.append(window);
    if (ui_.onShowWindow)
        ui_.onShowWindow(window);
}

inline void FakeServices::calibrateQuietly()
{
    ++ui_.quietCalibrations;
}

inline void FakeServices::calibrationSequence()
{
    ++ui_.panelCalibrations;
}

inline void FakeServices::linkPowerOff()
{
    ++ui_.powerOffs;
}

inline void FakeServices::pump()
{
    if (ui_.onPump)
        ui_.onPump();
}

inline void FakeServices::configurationDialog()
{
    ++ui_.configurationDialogs;
    if (ui_.onConfigurationDialog)
        ui_.onConfigurationDialog();
}

inline void FakeServices::selectPeriods(int periodCode)
{
    model::ApplyPeriodCode(ui_.session.program, periodCode);
}

inline QString FakeServices::askOpenFileName(QWidget *, const QString &folder)
{
    ui_.dialogFolders.append(folder);
    return ui_.openNames.isEmpty() ? QString() : ui_.openNames.takeFirst();
}

inline QString FakeServices::askSaveFileName(QWidget *, const QString &title, const QString &folder)
{
    ui_.dialogFolders.append(folder);
    ++ui_.saveDialogs;
    ui_.saveTitles.append(title);
    return ui_.saveNames.isEmpty() ? QString() : ui_.saveNames.takeFirst();
}

inline QString FakeServices::askReportFileName(QWidget *, const QString &proposed, const QString &folder)
{
    ui_.dialogFolders.append(folder);
    ui_.reportProposed.append(proposed);
    return ui_.reportNames.isEmpty() ? QString() : ui_.reportNames.takeFirst();
}

inline bool FakeServices::choosePrinter(QWidget *, QPrinter &printer)
{
    if (ui_.printerOutput.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(ui_.printerOutput);
    return true;
}

} // namespace pellmora::ui::test
