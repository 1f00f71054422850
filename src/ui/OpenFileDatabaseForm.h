#pragma once

#include <QDialog>

#include <functional>

class QGridLayout;
class QLabel;
class QListWidget;
class QPushButton;

namespace pellmora::ui {

class Prompt;
struct Session;

// Keeps the current line of every list in `lists` the same: a line chosen in
// one of them, by the mouse or the keyboard, is chosen in all the others.
// The lists also scroll as one, by the scroll bar of the last list.
void keepLinesInStep(const QList<QListWidget *> &lists);

// "Otevři z databáze...": the identifiers and labels of the device database,
// line n showing record n. A recorded device's program file is opened into
// the editor by OpenFileBtn or a double click in either list; the dialog
// stays open. Fixed size, stays on top, not modal.
//
// Signals for the main window:
//   programOpened(): the image was replaced from a record's program file; the
//     main window refills the instruction list and reloads the program.
//
// recordAppended / recordRemoved keep the lists in step with the table after
// the overview's add and remove commands. While `programLocked` answers true
// (a device transfer is running), opening does nothing; before a record's
// program replaces the one in the editor `replacingProgram` is asked (the main
// window's question about unsaved changes), and false opens nothing.
class OpenFileDatabaseForm : public QDialog {
    Q_OBJECT
public:
    OpenFileDatabaseForm(Session &session, Prompt &prompt, QWidget *parent = nullptr);

    void setProgramLocked(std::function<bool()> locked) { programLocked_ = std::move(locked); }
    void setReplacingProgram(std::function<bool()> ask) { replacingProgram_ = std::move(ask); }

    virtual void recordAppended(int index);
    virtual void recordRemoved(int index);

signals:
    void programOpened();

protected:
    void showEvent(QShowEvent *event) override;
    // What showing the window does; the open-to-box variant has its own.
    virtual void FormShow();
    // OpenFileBtn; the open-to-box variant gives it no action.
    virtual void OpenFileBtnClick();
    void OpenDatabaseEntry();
    void ListClick();
    // Fits the window to its contents and fixes its size.
    void fixSize();

    Session &session_;
    Prompt &prompt_;
    std::function<bool()> programLocked_;
    std::function<bool()> replacingProgram_;

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QListWidget *OpenIDbox = nullptr;
    QListWidget *OpenDeviceNameBox = nullptr;
    QPushButton *OpenFileBtn = nullptr;
    QPushButton *OpenFileCancelBtn = nullptr;
    QGridLayout *grid_ = nullptr;
};

} // namespace pellmora::ui
