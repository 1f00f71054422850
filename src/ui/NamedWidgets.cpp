#include "ui/NamedWidgets.h"

#include <QFrame>
#include <QPushButton>

namespace pellmora::ui {

QPushButton *namedButton(const QString &name, const QString &caption, QWidget *parent)
{
    return named<QPushButton>(name, caption, parent);
}

QPushButton *namedButton(const QString &name, const QString &caption, const QString &hint, QWidget *parent)
{
    QPushButton *button = namedButton(name, caption, parent);
    if (!hint.isEmpty()) {
        button->setStatusTip(hint);
        button->setToolTip(hint);
    }
    return button;
}

QFrame *namedPanel(const QString &name, QWidget *parent)
{
    auto *frame = named<QFrame>(name, parent);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Raised);
    frame->setAutoFillBackground(true);
    return frame;
}

} // namespace pellmora::ui
