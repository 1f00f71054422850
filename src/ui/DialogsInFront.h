#pragma once

#include <QObject>

class QWidget;

namespace pellmora::ui {

// Some windows stay on top of all others (the communication test, the
// database windows, the clock dialog). A message box, a file dialog or the
// wording dialog opened while one of them is shown would open beneath it,
// and a modal box would then block a window the user cannot see.
//
// Installed on the application, this filter keeps every other dialog in
// front: while a stay-on-top window is visible, each visible dialog is lifted
// into the stay-on-top layer as well (a dialog just opened is raised and gets
// the focus, one already open is raised above the window that appeared); once
// no stay-on-top window is visible, the dialogs lose the lift again. The
// dialogs' own window flags are left as they are: only their native windows
// change.
class DialogsInFront : public QObject {
public:
    // Watches the windows of the running application from now on.
    explicit DialogsInFront(QObject *parent = nullptr);

    // true while `dialog` is lifted above the stay-on-top windows.
    static bool lifted(const QWidget &dialog);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow(QWidget *changed, bool shown);
};

} // namespace pellmora::ui
