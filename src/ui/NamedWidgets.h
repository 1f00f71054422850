#pragma once

#include <QString>

#include <utility>

class QFrame;
class QPushButton;
class QWidget;

namespace pellmora::ui {

// The windows build their controls with the objectName by which the
// behaviour, the tests and the user find them.

// A new Widget with that objectName; the other arguments go to its constructor.
template <typename Widget, typename... Arguments>
Widget *named(const QString &name, Arguments &&...arguments)
{
    auto *widget = new Widget(std::forward<Arguments>(arguments)...);
    widget->setObjectName(name);
    return widget;
}

// A push button with its caption; a hint, when given, is its status and tool tip.
QPushButton *namedButton(const QString &name, const QString &caption, QWidget *parent);
QPushButton *namedButton(const QString &name, const QString &caption, const QString &hint, QWidget *parent);

// A raised panel with a filled background that groups controls.
QFrame *namedPanel(const QString &name, QWidget *parent);

} // namespace pellmora::ui
