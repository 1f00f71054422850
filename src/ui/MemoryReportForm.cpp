#include "ui/MemoryReportForm.h"

#include "device/MemoryListing.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>


namespace pellmora::ui {

namespace {

constexpr int VisibleLines = 20;

} // namespace

MemoryReportForm::MemoryReportForm(const device::DeviceMemoryState &memory, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , memory_(memory)
{
    setObjectName(QStringLiteral("MemoryReportForm"));
    setWindowTitle(tr("Výpis EEPROM 24LC04"));

    MemRptBox = new QPlainTextEdit(this);
    MemRptBox->setObjectName(QStringLiteral("MemRptBox"));
    MemRptBox->setReadOnly(true);
    MemRptBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemRptBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemRptBox->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Room for one whole line and a screenful of them.
    const QFontMetrics metrics(MemRptBox->font());
    const QString widest(device::MemoryListingLines({}).first().size() + 2, QLatin1Char('0'));
    MemRptBox->setMinimumSize(metrics.horizontalAdvance(widest) + MemRptBox->verticalScrollBar()->sizeHint().width()
                                  + 2 * MemRptBox->frameWidth() + 8,
                              metrics.lineSpacing() * VisibleLines);

    MROKBtn = new QPushButton(tr("&OK"), this);
    MROKBtn->setObjectName(QStringLiteral("MROKBtn"));
    MROKBtn->setDefault(true);
    connect(MROKBtn, &QPushButton::clicked, this, &MemoryReportForm::MROKBtnClick);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(MROKBtn);
    auto *whole = new QVBoxLayout(this);
    whole->addWidget(MemRptBox);
    whole->addLayout(buttons);
}

void MemoryReportForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void MemoryReportForm::FormShow()
{
    MemRptBox->clear();
    for (const QString &line : device::MemoryListingLines(memory_.VerifyBuffer))
        MemRptBox->appendPlainText(line);
    MemRptBox->moveCursor(QTextCursor::Start);
}

void MemoryReportForm::MROKBtnClick()
{
    accept();
}

} // namespace pellmora::ui
