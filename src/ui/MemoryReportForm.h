#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace pellmora::device {
struct DeviceMemoryState;
}

namespace pellmora::ui {

// The memory listing "Výpis EEPROM 24LC04": the EEPROM contents read by the
// last verification (VerifyBuffer), 32 lines of 16 hexadecimal bytes. Not
// modal; the listing is rebuilt each time the window is shown and stays as it
// is while the window is open. It has no signals.
class MemoryReportForm : public QDialog {
    Q_OBJECT
public:
    explicit MemoryReportForm(const device::DeviceMemoryState &memory, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void MROKBtnClick();

    const device::DeviceMemoryState &memory_;
    QPlainTextEdit *MemRptBox = nullptr;
    QPushButton *MROKBtn = nullptr;
};

} // namespace pellmora::ui
