#include "ui/ComTest.h"

#include "ui/CentreOnScreen.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>


namespace pellmora::ui {

namespace {
constexpr int MinimumLabelWidth = 320;
} // namespace

// The title bar offers the close box alone (a window without any button hint
// would get all of them from the window manager); it closes the window like
// the result button, and only once the test has ended.
ComTest::ComTest(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::WindowStaysOnTopHint)
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
    // Return presses it once it has the focus at the end of the test.
    TestComResultBtn->setAutoDefault(true);
    ProcessLabel->setMinimumWidth(MinimumLabelWidth);

    // The window takes the size its contents need, so no stage text is cut.
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(ProcessLabel);
    layout->addWidget(TestComProgress);
    layout->addWidget(TestComResultBtn, 0, Qt::AlignHCenter);

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
    observer.label = [this](const QString &text) { showStage(text); };
    observer.progress = [this](int position) {
        TestComProgress->setValue(qBound(TestComProgress->minimum(), position, TestComProgress->maximum()));
    };
    observer.pump = std::move(pump);
    return observer;
}

// The window grows to a longer stage text and keeps that width, centred.
void ComTest::showStage(const QString &text)
{
    ProcessLabel->setText(text);
    const int needed = ProcessLabel->sizeHint().width();
    if (needed > ProcessLabel->minimumWidth()) {
        ProcessLabel->setMinimumWidth(needed);
        adjustSize();
        centreOnScreen(*this);
    }
}

// The result button takes the focus, so that Return closes the window.
void ComTest::testEnded(bool connected)
{
    TestComResultBtn->setEnabled(true);
    if (connected)
        TestComResultBtn->setText(QString::fromUtf8(device::ConnectedCaption));
    activateWindow();
    TestComResultBtn->setFocus();
}

void ComTest::TestComResultBtnClick()
{
    close();
}

void ComTest::closeEvent(QCloseEvent *event)
{
    if (!TestComResultBtn->isEnabled()) {
        event->ignore(); // the test still runs
        return;
    }
    emit resultAccepted();
    event->accept();
}

} // namespace pellmora::ui
