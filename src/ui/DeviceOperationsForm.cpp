#include "ui/DeviceOperationsForm.h"

#include "ui/NamedWidgets.h"
#include "ui/Prompt.h"
#include "ui/WhenLinkIdle.h"
#include "device/MemoryListing.h"
#include "link/Link.h"
#include "model/DeviceImage.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace pellmora::model;
using namespace pellmora::link;
using namespace pellmora::device;

namespace pellmora::ui {

namespace {

constexpr int VisibleRows = 16;

// A cell holds one byte: its editor takes at most two characters.
class ByteCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            line->setMaxLength(2);
        return editor;
    }
};

} // namespace

DeviceOperationsForm::DeviceOperationsForm(Link &link, DeviceImage &image, Prompt &prompt, std::function<void()> pump,
                                           QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , link_(link)
    , image_(image)
    , prompt_(prompt)
    , pump_(std::move(pump))
{
    setObjectName(QStringLiteral("DeviceOperationsForm"));
    setWindowTitle(tr("Device Operations"));

    LoadBtn = button(QStringLiteral("LoadBtn"), tr("Load Data"), &DeviceOperationsForm::LoadBtnClick);
    ProgramBtn = button(QStringLiteral("ProgramBtn"), tr("Program Device"), &DeviceOperationsForm::ProgramBtnClick);
    ShowMemory = button(QStringLiteral("ShowMemory"), tr("Show Memory"), &DeviceOperationsForm::ShowMemoryClick);
    SendToProgrammer = button(QStringLiteral("SendToProgrammer"), tr("Send To Programmer"),
                              &DeviceOperationsForm::SendToProgrammerClick);
    ReadFromProg =
        button(QStringLiteral("ReadFromProg"), tr("Read From Prog."), &DeviceOperationsForm::ReadFromProgClick);
    ExitBtn = button(QStringLiteral("ExitBtn"), tr("Exit"), &DeviceOperationsForm::ExitBtnClick);
    buildGrid();
    layOut();
}

QPushButton *DeviceOperationsForm::button(const QString &name, const QString &caption,
                                          void (DeviceOperationsForm::*handler)())
{
    QPushButton *b = namedButton(name, caption, this);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, handler);
    return b;
}

void DeviceOperationsForm::buildGrid()
{
    MemoryGrid = new QTableWidget(GridRows, GridColumns, this);
    MemoryGrid->setObjectName(QStringLiteral("MemoryGrid"));
    MemoryGrid->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    MemoryGrid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    MemoryGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                | QAbstractItemView::AnyKeyPressed);
    MemoryGrid->setItemDelegate(new ByteCellDelegate(MemoryGrid));
    QStringList across;
    for (int column = 0; column < GridColumns; ++column)
        across.append(device::ByteText(quint8(column)));
    QStringList down;
    for (int row = 0; row < GridRows; ++row)
        down.append(device::ByteText(quint8(row)));
    MemoryGrid->setHorizontalHeaderLabels(across);
    MemoryGrid->setVerticalHeaderLabels(down);
    for (int k = 0; k < DeviceImage::ByteCount; ++k)
        MemoryGrid->setItem(k / GridColumns, k % GridColumns, new QTableWidgetItem);

    const int cellWidth = MemoryGrid->fontMetrics().horizontalAdvance(QStringLiteral("WWW")) + 4;
    MemoryGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    MemoryGrid->horizontalHeader()->setDefaultSectionSize(cellWidth);
    MemoryGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    MemoryGrid->setMinimumSize(cellWidth * (GridColumns + 2) + MemoryGrid->frameWidth() * 2,
                               MemoryGrid->verticalHeader()->defaultSectionSize() * (VisibleRows + 1));
}

void DeviceOperationsForm::layOut()
{
    auto *top = new QHBoxLayout;
    top->addWidget(LoadBtn);
    top->addWidget(ProgramBtn);
    top->addWidget(ShowMemory);
    top->addStretch();

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(SendToProgrammer);
    bottom->addWidget(ReadFromProg);
    bottom->addStretch();
    bottom->addWidget(ExitBtn);

    auto *whole = new QVBoxLayout(this);
    whole->addLayout(top);
    whole->addWidget(MemoryGrid);
    whole->addLayout(bottom);
}

void DeviceOperationsForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

// Closing gives the port back to the selected one, once no transfer runs
// (a window closed while its own transfer runs gives it back when that ends).
void DeviceOperationsForm::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    whenLinkIdle(link_, *this, [this] {
        if (!isVisible())
            device::ReturnSelectedPort(link_);
    });
}

// The redisplay: GridBuffer into the cells (unprogrammed edits are lost),
// then the link powered on the service port.
void DeviceOperationsForm::FormShow()
{
    for (int k = 0; k < DeviceImage::ByteCount; ++k)
        MemoryGrid->item(k / GridColumns, k % GridColumns)->setText(device::ByteText(GridBuffer[std::size_t(k)]));
    takeServicePort();
}

// Opened while a transfer runs, the window takes the port when it has ended,
// if it is still open then.
void DeviceOperationsForm::takeServicePort()
{
    whenLinkIdle(link_, *this, [this] {
        if (isVisible())
            device::PowerServicePort(link_);
    });
}

// A transfer pumping its messages may be using the bus, the grid or the
// image just then: the command is refused with the busy text.
bool DeviceOperationsForm::refusedWhileBusy()
{
    if (!link_.busy())
        return false;
    prompt_.notify(this, device::busyText());
    return true;
}

void DeviceOperationsForm::LoadBtnClick()
{
    if (refusedWhileBusy())
        return;
    setTransferring(true);
    prompt_.showNotices(this, device::ServiceLoad(link_, GridBuffer, transferObserver()).notices);
    FormShow();
    setTransferring(false);
}

// A cell that holds no byte is refused before anything is written, and the
// cells stay as typed so that it can be corrected.
void DeviceOperationsForm::ProgramBtnClick()
{
    if (refusedWhileBusy())
        return;
    const QStringList cells = cellTexts();
    device::GridBuffer checked{};
    QString problem;
    if (!device::GridFromCells(cells, checked, &problem)) {
        prompt_.message(this, problem);
        return;
    }
    setTransferring(true);
    prompt_.showNotices(this, device::ServiceProgram(link_, GridBuffer, cells, transferObserver()).notices);
    FormShow();
    setTransferring(false);
}

void DeviceOperationsForm::ShowMemoryClick()
{
    FormShow();
}

void DeviceOperationsForm::ReadFromProgClick()
{
    if (refusedWhileBusy())
        return;
    for (int k = 0; k < DeviceImage::ByteCount; ++k)
        GridBuffer[std::size_t(k)] = image_.byteAt(k);
    FormShow();
}

void DeviceOperationsForm::SendToProgrammerClick()
{
    if (refusedWhileBusy())
        return;
    for (int k = 0; k < DeviceImage::ByteCount; ++k)
        image_.setByteAt(k, GridBuffer[std::size_t(k)]);
    FormShow();
}

void DeviceOperationsForm::ExitBtnClick()
{
    accept();
}

QStringList DeviceOperationsForm::cellTexts() const
{
    QStringList cells;
    cells.reserve(DeviceImage::ByteCount);
    for (int k = 0; k < DeviceImage::ByteCount; ++k)
        cells.append(MemoryGrid->item(k / GridColumns, k % GridColumns)->text());
    return cells;
}

device::TransferObserver DeviceOperationsForm::transferObserver() const
{
    device::TransferObserver observer;
    observer.pump = pump_;
    return observer;
}

// Both transfer buttons wait while one transfer runs and the window keeps
// processing its messages.
void DeviceOperationsForm::setTransferring(bool running)
{
    LoadBtn->setEnabled(!running);
    ProgramBtn->setEnabled(!running);
}

} // namespace pellmora::ui
