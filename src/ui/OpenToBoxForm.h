#pragma once

#include "ui/OpenFileDatabaseForm.h"

namespace pellmora::ui {

// "Otevři do boxu...": the open-from-database dialog with a third list, the
// program file of each record, refilled every time the window is shown. Its
// own commands (OpenFileBtn, "Ze souboru") do nothing yet; a double click in
// the identifier or label list opens the record into the editor exactly like
// the open-from-database dialog. The three lists keep one line chosen.
class OpenToBoxForm : public OpenFileDatabaseForm {
    Q_OBJECT
public:
    OpenToBoxForm(Session &session, Prompt &prompt, QWidget *parent = nullptr);

    void recordAppended(int index) override;
    void recordRemoved(int index) override;

protected:
    void FormShow() override;
    void OpenFileBtnClick() override;

private:
    void fillFileNames();

    QLabel *Label3 = nullptr;
    QListWidget *OpenFileNameBox = nullptr;
    QPushButton *OpenToBoxFromFileBtn = nullptr;
};

} // namespace pellmora::ui
