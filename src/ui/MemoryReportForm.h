#pragma once

#include <QDialog>
#include <QSize>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

namespace pellmora::device {
struct DeviceMemoryState;
}

namespace pellmora::model {
struct InstructionFormat;
}

namespace pellmora::ui {

// The memory listing "Výpis EEPROM 24LC04": the EEPROM contents read by the
// last verification (VerifyBuffer), 32 lines of 16 hexadecimal bytes, and
// under them, when that verification found differences, what they mean in
// words (in the wording in force). Not modal; the listing is rebuilt each
// time the window is shown and stays as it is while the window is open. It
// has no signals.
class MemoryReportForm : public QDialog {
    Q_OBJECT
public:
    MemoryReportForm(const device::DeviceMemoryState &memory, const model::InstructionFormat &format,
                     QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void MROKBtnClick();
    QSize boxSizeFor(const QString &widestLine, int lines) const;
    void fitDifferences(const QStringList &differences);

    const device::DeviceMemoryState &memory_;
    const model::InstructionFormat &format_;
    QPlainTextEdit *MemRptBox = nullptr;
    QPushButton *MROKBtn = nullptr;
    QSize listingSize_; // the box's size for the listing alone
};

} // namespace pellmora::ui
