#pragma once

#include "device/ServiceTransfers.h"

#include <QDialog>

#include <functional>

class QPushButton;
class QTableWidget;

namespace pellmora::model {
struct DeviceImage;
}

namespace pellmora::link {
class Link;
}

namespace pellmora::ui {

class Prompt;

// The service window "Device Operations": its own 512-byte working copy of
// the EEPROM (GridBuffer) in an editable grid of hexadecimal bytes, read from
// and written to the EEPROM on the port at 0x2F8 and exchanged with the
// program's image. Not modal; it has no signals.
//
// The grid has 16 columns and 32 rows of bytes; its fixed first row and
// column are the grid's headers ("00".."0F" across, "00".."1F" down), so the
// byte at address k stands in row k / 16, column k % 16. Cell edits reach
// GridBuffer only when the device is programmed; every redisplay (opening,
// and the end of each button) shows GridBuffer again and powers the link on
// the service port; closing the window gives PortBase back to the selected
// port. Both wait while a device transfer runs, and so does every button
// that would touch the bus, the grid being written or the image. A cell's
// editor takes two characters. "Send To Programmer" replaces the image
// without rebuilding the program settings or the main window.
class DeviceOperationsForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int GridColumns = 16;
    static constexpr int GridRows = 32;

    // `pump` lets pending window messages be processed during a transfer.
    DeviceOperationsForm(link::Link &link, model::DeviceImage &image, Prompt &prompt, std::function<void()> pump = {},
                         QWidget *parent = nullptr);

    const device::GridBuffer &gridBuffer() const { return GridBuffer; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QPushButton *button(const QString &name, const QString &caption, void (DeviceOperationsForm::*handler)());
    void buildGrid();
    void layOut();

    void FormShow();
    void takeServicePort();
    bool refusedWhileBusy();
    void LoadBtnClick();
    void ProgramBtnClick();
    void ShowMemoryClick();
    void ReadFromProgClick();
    void SendToProgrammerClick();
    void ExitBtnClick();

    QStringList cellTexts() const;
    device::TransferObserver transferObserver() const;
    void setTransferring(bool running);

    link::Link &link_;
    model::DeviceImage &image_;
    Prompt &prompt_;
    std::function<void()> pump_;
    device::GridBuffer GridBuffer{};

    QPushButton *LoadBtn = nullptr;
    QPushButton *ProgramBtn = nullptr;
    QPushButton *ShowMemory = nullptr;
    QTableWidget *MemoryGrid = nullptr;
    QPushButton *SendToProgrammer = nullptr;
    QPushButton *ReadFromProg = nullptr;
    QPushButton *ExitBtn = nullptr;
};

} // namespace pellmora::ui
