#include "ui/ComTest.h"

#include "ui/CentreOnScreen.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>


namespace pellmora::ui {

ComTest::ComTest(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
    , ProcessLabel(new QLabel(tr("Process:"), this))
    , TestComProgress(new QProgressBar(this))
    , TestComResultBtn(new QPushButton(QString::fromUtf8(device::NotConnectedCaption), this))
{
    setObjectName(QStringLiteral("ComTest"));
    setWindowTitle(tr("Test komunikace"));
    ProcessLabel->setObjectName(QStringLiteral("ProcessLabel"));
    TestComProgress->setObjectName(QStringLiteral("TestComProgress"));
    TestComProgress->setRange(0, 100);
    TestComProgress->setValue(0);
    TestComResultBtn->setObjectName(QStringLiteral("TestComResultBtn"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ProcessLabel);
    layout->addWidget(TestComProgress);
    layout->addWidget(TestComResultBtn, 0, Qt::AlignHCenter);
    setFixedSize(340, 120);

    connect(TestComResultBtn, &QPushButton::clicked, this, &ComTest::TestComResultBtnClick);
}

void ComTest::startTest()
{
    TestComResultBtn->setText(QString::fromUtf8(device::NotConnectedCaption));
    TestComResultBtn->setEnabled(false);
    ProcessLabel->setText(tr("Process:"));
    TestComProgress->setValue(0);
    centreOnScreen(*this);
    show();
    raise();
}

device::ComTestObserver ComTest::testObserver(std::function<void()> pump)
{
    device::ComTestObserver observer;
    observer.label = [this](const QString &text) { ProcessLabel->setText(text); };
    observer.progress = [this](int position) {
        TestComProgress->setValue(qBound(TestComProgress->minimum(), position, TestComProgress->maximum()));
    };
    observer.pump = std::move(pump);
    return observer;
}

void ComTest::testEnded(bool connected)
{
    TestComResultBtn->setEnabled(true);
    if (connected)
        TestComResultBtn->setText(QString::fromUtf8(device::ConnectedCaption));
}

void ComTest::TestComResultBtnClick()
{
    emit resultAccepted();
    close();
}

} // namespace pellmora::ui
