#pragma once

// Named controls as the main window and its panels build them.

#include <QFrame>
#include <QPushButton>
#include <QString>

namespace pellmora::ui {

inline QFrame *panel(const QString &name, QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Raised);
    frame->setAutoFillBackground(true);
    return frame;
}

inline QPushButton *button(const QString &name, const QString &caption, const QString &hint, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    if (!hint.isEmpty()) {
        b->setStatusTip(hint);
        b->setToolTip(hint);
    }
    return b;
}

} // namespace pellmora::ui
