#include "ui/DevelInfoForm.h"

#include "device/DevelopmentReport.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace pellmora::model;
using namespace pellmora::link;

namespace pellmora::ui {

DevelInfoForm::DevelInfoForm(const DeviceImage &image, const LinkState &link, QWidget *parent)
    : QDialog(parent)
    , image_(image)
    , link_(link)
    , Report(new QPlainTextEdit(QStringLiteral("Report"), this))
    , Panel1(new QFrame(this))
    , OKBtn(new QPushButton(tr("&OK"), Panel1))
{
    setObjectName(QStringLiteral("DevelInfoForm"));
    setWindowTitle(tr("Memory Info - Constants/Variabilies/Arrayes"));
    Report->setObjectName(QStringLiteral("Report"));
    Report->setLineWrapMode(QPlainTextEdit::NoWrap);
    Report->setReadOnly(true);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);

    auto *panel = new QHBoxLayout(Panel1);
    panel->addStretch();
    panel->addWidget(OKBtn);
    panel->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Report, 1);
    layout->addWidget(Panel1);
    resize(460, 200);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

// OK has the focus, so that Return closes the window.
void DevelInfoForm::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
    OKBtn->setFocus();
}

void DevelInfoForm::FormShow()
{
    Report->clear();
    for (const QString &line : device::DevelopmentReport(device::developmentValues(image_, link_)))
        Report->appendPlainText(line);
}

} // namespace pellmora::ui
