#include "ui/InactiveWindows.h"

#include "ui/NamedWidgets.h"

#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace pellmora::ui {

Box1::Box1(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("Box1"));
    setWindowTitle(tr("Box 1"));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    BitBtn1 = namedButton(QStringLiteral("BitBtn1"), tr("&Close"), this);
    connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ListBox1);
    layout->addWidget(BitBtn1, 0, Qt::AlignRight);
}

} // namespace pellmora::ui
