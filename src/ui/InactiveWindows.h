#pragma once

// A window that exists with its controls from start-up on but has no
// behaviour and is never shown: a box of instructions.

#include <QWidget>

class QListWidget;
class QPushButton;

namespace pellmora::ui {

// "Box 1": a tool window with a list and a close button.
class Box1 : public QWidget {
    Q_OBJECT
public:
    explicit Box1(QWidget *parent = nullptr);

private:
    QListWidget *ListBox1 = nullptr;
    QPushButton *BitBtn1 = nullptr;
};

} // namespace pellmora::ui
