#include "ui/MemoryReportForm.h"

#include "device/MemoryListing.h"
#include "device/ProgramDifferences.h"

#include <QFontDatabase>
#include <QScreen>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace pellmora::ui {

namespace {

constexpr int VisibleLines = 20;

} // namespace

MemoryReportForm::MemoryReportForm(const device::DeviceMemoryState &memory, const model::InstructionFormat &format,
                                   QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , memory_(memory)
    , format_(format)
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
    const QString widest(device::MemoryListingLines({}).first().size() + 2, QLatin1Char('0'));
    listingSize_ = boxSizeFor(widest, VisibleLines);
    MemRptBox->setMinimumSize(listingSize_);

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
    const QStringList differences = memory_.VerifiedImage
        ? device::DifferenceLines(*memory_.VerifiedImage, memory_.VerifyBuffer, format_)
        : QStringList();
    if (!differences.isEmpty()) {
        MemRptBox->appendPlainText(QString());
        for (const QString &line : differences)
            MemRptBox->appendPlainText(line);
    }
    MemRptBox->moveCursor(QTextCursor::Start);
    fitDifferences(differences);
}

QSize MemoryReportForm::boxSizeFor(const QString &widestLine, int lines) const
{
    const QFontMetrics metrics(MemRptBox->font());
    return {metrics.horizontalAdvance(widestLine) + MemRptBox->verticalScrollBar()->sizeHint().width()
                + 2 * MemRptBox->frameWidth() + 8,
            metrics.lineSpacing() * lines};
}

// The differences are read at a glance: the box grows to hold them whole
// with the listing above them, as far as the screen allows.
void MemoryReportForm::fitDifferences(const QStringList &differences)
{
    QSize wanted = listingSize_;
    if (!differences.isEmpty()) {
        const QFontMetrics metrics(MemRptBox->font());
        const QString widest = *std::max_element(differences.begin(), differences.end(),
                                                 [&metrics](const QString &a, const QString &b) {
                                                     return metrics.horizontalAdvance(a) < metrics.horizontalAdvance(b);
                                                 });
        wanted = wanted.expandedTo(boxSizeFor(widest + QStringLiteral("  "),
                                              device::ListingLines + 2 + int(differences.size())));
        if (const QScreen *shown = screen())
            wanted = wanted.boundedTo(shown->availableGeometry().size() * 0.9);
    }
    MemRptBox->setMinimumSize(wanted);
    adjustSize();
}

void MemoryReportForm::MROKBtnClick()
{
    accept();
}

} // namespace pellmora::ui
