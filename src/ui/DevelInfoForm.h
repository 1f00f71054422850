#pragma once

#include "link/LinkState.h"
#include "model/DeviceImage.h"

#include <QDialog>

class QFrame;
class QPlainTextEdit;
class QPushButton;

namespace pellmora::ui {

// The development info dialog "Memory Info - Constants/Variabilies/Arrayes":
// a sizeable window whose text box `Report` lists, on every show, where the
// memory image, the port base and the two loop counts live in this run and
// what the last three hold. "&OK" closes it. Opened modally from the main
// window's "Development Info" menu item; it has no signals.
class DevelInfoForm : public QDialog {
    Q_OBJECT
public:
    DevelInfoForm(const model::DeviceImage &image, const link::LinkState &link, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();

    const model::DeviceImage &image_;
    const link::LinkState &link_;
    QPlainTextEdit *Report;
    QFrame *Panel1;
    QPushButton *OKBtn;
};

} // namespace pellmora::ui
