#pragma once

#include "ui/ProgramSaving.h"

#include <QDialog>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

namespace pellmora::ui {

class Prompt;
struct Session;

// "Přehled již programovaných zařízení": the identifier, label and date of
// every record of the device database, line n showing record n. The current
// device is added to the database (and its program file saved), or the
// selected record removed. Fixed size, stays on top, not modal; Esc is the
// remove command, Enter closes.
//
// Signals for the other database windows:
//   recordAppended(index): the add command appended record `index`.
//   recordRemoved(index): the remove command removed record `index`.
class DeviceOverviewForm : public QDialog {
    Q_OBJECT
public:
    DeviceOverviewForm(Session &session, Prompt &prompt, ProgramSaving &mainWindow, QWidget *parent = nullptr);

public slots:
    void AddToDatabaseBtnClick();
    void DeleteFromDatabaseBtnClick();
    // Record `index` was appended by another window: its lines are added.
    void recordAppendedElsewhere(int index) { appendLines(index); }

signals:
    void recordAppended(int index);
    void recordRemoved(int index);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool refusedAsReadOnly();
    bool confirmAddition();
    void appendLines(int index);

    Session &session_;
    Prompt &prompt_;
    ProgramSaving &mainWindow_;

    QLabel *DevOverviewLabel1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QListWidget *Overview_IDbox = nullptr;
    QListWidget *Overview_DeviceNameBox = nullptr;
    QListWidget *Overview_DateBox = nullptr;
    QPushButton *DeleteFromDatabaseBtn = nullptr;
    QPushButton *AddToDatabaseBtn = nullptr;
    QPushButton *DevDatabaseOKBtn = nullptr;
};

} // namespace pellmora::ui
