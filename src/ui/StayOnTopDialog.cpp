#include "ui/StayOnTopDialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace pellmora::ui {

void prepareStayOnTopDialog(QDialog &dialog, const QString &name, const QString &title)
{
    dialog.setObjectName(name);
    dialog.setWindowTitle(title);
    dialog.setModal(false);
}

void layOutFixed(QDialog &dialog, QLayout *content, const QList<QWidget *> &left, const QList<QWidget *> &right)
{
    auto *buttons = new QHBoxLayout;
    for (QWidget *button : left)
        buttons->addWidget(button);
    buttons->addStretch();
    for (QWidget *button : right)
        buttons->addWidget(button);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addLayout(content);
    layout->addLayout(buttons);
    dialog.setFixedSize(dialog.sizeHint());
}

} // namespace pellmora::ui
