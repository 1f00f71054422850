#include "ui/DialogsInFront.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace pellmora::ui {

namespace {

bool staysOnTop(const QWidget &w)
{
    return w.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

// A dialog of its own kind: message boxes, file and print dialogs, and the
// program's dialogs that do not stay on top by themselves.
bool liftable(const QWidget &w)
{
    return (w.windowType() == Qt::Dialog || w.windowType() == Qt::Sheet) && !staysOnTop(w);
}

// After the window system has shown the window: the raise and the focus
// would be lost on a window that is not mapped yet.
void bringToFront(QWidget *dialog, bool activate)
{
    QTimer::singleShot(0, dialog, [dialog = QPointer<QWidget>(dialog), activate] {
        if (dialog == nullptr || !dialog->isVisible())
            return;
        dialog->raise();
        if (activate)
            dialog->activateWindow();
    });
}

} // namespace

DialogsInFront::DialogsInFront(QObject *parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool DialogsInFront::lifted(const QWidget &dialog)
{
    const QWindow *window = dialog.windowHandle();
    return window != nullptr && !staysOnTop(dialog) && window->flags().testFlag(Qt::WindowStaysOnTopHint);
}

bool DialogsInFront::eventFilter(QObject *watched, QEvent *event)
{
    // A window's show event comes before the window system maps it, so a
    // dialog lifted here opens in the stay-on-top layer from the start.
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget != nullptr && widget->isWindow())
            follow(widget, event->type() == QEvent::Show);
    }
    return QObject::eventFilter(watched, event);
}

void DialogsInFront::follow(QWidget *changed, bool shown)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    const auto visible = [changed, shown](const QWidget &w) { return &w == changed ? shown : w.isVisible(); };
    const bool onTopShown = std::any_of(windows.begin(), windows.end(), [&visible](const QWidget *w) {
        return staysOnTop(*w) && visible(*w) && !w->isMinimized();
    });
    for (QWidget *w : windows) {
        QWindow *window = w->windowHandle();
        if (window == nullptr || !visible(*w) || !liftable(*w))
            continue;
        const Qt::WindowFlags wanted = onTopShown ? w->windowFlags() | Qt::WindowStaysOnTopHint : w->windowFlags();
        const bool justShown = w == changed;
        if (window->flags() == wanted && !(justShown && onTopShown))
            continue;
        window->setFlags(wanted);
        if (onTopShown)
            bringToFront(w, justShown);
    }
}

} // namespace pellmora::ui
