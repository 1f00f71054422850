#pragma once

// The frame and layout shared by the database and file location windows:
// fixed-size dialogs with a close box that stay on top of the other windows
// and never block them.

#include <QDialog>
#include <QList>

class QLayout;

namespace pellmora::ui {

inline constexpr Qt::WindowFlags StayOnTopDialogFlags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                                                        | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;

// Names and titles the window; it is shown without blocking the others.
void prepareStayOnTopDialog(QDialog &dialog, const QString &name, const QString &title);

// `content` above one row of command buttons (`left` at the left edge,
// `right` at the right edge); the window takes its natural size and keeps it.
void layOutFixed(QDialog &dialog, QLayout *content, const QList<QWidget *> &left, const QList<QWidget *> &right);

} // namespace pellmora::ui
