#include "ui/DeviceTimeDialog.h"

#include "ui/CentreOnScreen.h"
#include "ui/NamedWidgets.h"
#include "ui/Prompt.h"
#include "device/DeviceClock.h"
#include "link/Link.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace pellmora::model;
using namespace pellmora::link;
using namespace pellmora::device;

namespace pellmora::ui {

namespace {

constexpr quint16 LastHour = 23;
constexpr quint16 LastMinute = 59;
constexpr quint16 LastSecond = 59;
constexpr int DisplayPointSize = 28;
const QString TimeMask = QStringLiteral("00:00:00;0");

QString timeText(QTime time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

DeviceTimeDialog::DeviceTimeDialog(Link &link, Prompt &prompt, TimeSource now, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                          | Qt::WindowStaysOnTopHint)
    , link_(link)
    , prompt_(prompt)
    , now_(now ? std::move(now) : TimeSource([] { return QTime::currentTime(); }))
{
    setObjectName(QStringLiteral("DeviceTimeDialog"));
    setWindowTitle(tr("Reálný čas v zařízení"));

    TimeDisplay = new QLineEdit(this);
    TimeDisplay->setObjectName(QStringLiteral("TimeDisplay"));
    TimeDisplay->setInputMask(TimeMask);
    TimeDisplay->setMaxLength(8);
    TimeDisplay->setText(QStringLiteral("11:11:11"));
    TimeDisplay->setAlignment(Qt::AlignCenter);
    QFont large = TimeDisplay->font();
    large.setPointSize(DisplayPointSize);
    large.setBold(true);
    TimeDisplay->setFont(large);

    HoursDecimalUp = stepButton(QStringLiteral("HoursDecimalUp"), Qt::UpArrow, [this] { stepUp(Hours, 10); });
    HoursDecimalDown = stepButton(QStringLiteral("HoursDecimalDown"), Qt::DownArrow, [this] { stepDown(Hours, 10); });
    HoursUnitUp = stepButton(QStringLiteral("HoursUnitUp"), Qt::UpArrow, [this] { stepUp(Hours, 1); });
    HoursUnitDown = stepButton(QStringLiteral("HoursUnitDown"), Qt::DownArrow, [this] { stepDown(Hours, 1); });
    MinutesDecimalUp = stepButton(QStringLiteral("MinutesDecimalUp"), Qt::UpArrow, [this] { stepUp(Minutes, 10); });
    MinutesDecimalDown =
        stepButton(QStringLiteral("MinutesDecimalDown"), Qt::DownArrow, [this] { stepDown(Minutes, 10); });
    MinutesUnitUp = stepButton(QStringLiteral("MinutesUnitUp"), Qt::UpArrow, [this] { stepUp(Minutes, 1); });
    MinutesUnitDown = stepButton(QStringLiteral("MinutesUnitDown"), Qt::DownArrow, [this] { stepDown(Minutes, 1); });
    SecondsZero = stepButton(QStringLiteral("SecondsZero"), Qt::NoArrow, [this] { SecondsZeroClick(); });
    SecondsZero->setText(QStringLiteral("0"));

    SetSysTimeBtn = new QPushButton(tr("Set System Time"), this);
    SetSysTimeBtn->setObjectName(QStringLiteral("SetSysTimeBtn"));
    connect(SetSysTimeBtn, &QPushButton::clicked, this, &DeviceTimeDialog::SetSysTimeBtnClick);
    SetTimeBtn = new QPushButton(tr("SET"), this);
    SetTimeBtn->setObjectName(QStringLiteral("SetTimeBtn"));
    connect(SetTimeBtn, &QPushButton::clicked, this, &DeviceTimeDialog::SetTimeBtnClick);
    OKBtn = new QPushButton(tr("&OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &DeviceTimeDialog::OKBtnClick);

    RefreshTimer.setObjectName(QStringLiteral("RefreshTimer"));
    RefreshTimer.setInterval(RefreshInterval);
    connect(&RefreshTimer, &QTimer::timeout, this, &DeviceTimeDialog::RefreshTimerTimer);

    layOut();
}

QToolButton *DeviceTimeDialog::stepButton(const QString &name, Qt::ArrowType arrow,
                                          const std::function<void()> &handler)
{
    auto *button = named<QToolButton>(name, this);
    button->setArrowType(arrow);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, handler);
    return button;
}

// The arrows stand above and below the digit they change: tens and units of
// the hours, tens and units of the minutes; the zero under the seconds. The
// layout keeps a free row above and below the display; the buttons are
// placed in those rows by placeArrows, under the digits as the display's font
// draws them.
void DeviceTimeDialog::layOut()
{
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(SetSysTimeBtn);
    buttons->addWidget(SetTimeBtn);
    buttons->addStretch();
    buttons->addWidget(OKBtn);

    auto *whole = new QVBoxLayout(this);
    whole->addSpacing(arrowRowHeight());
    whole->addWidget(TimeDisplay);
    whole->addSpacing(arrowRowHeight());
    whole->addLayout(buttons);
    whole->setSizeConstraint(QLayout::SetFixedSize);

    TimeDisplay->installEventFilter(this);
}

int DeviceTimeDialog::arrowRowHeight() const
{
    int height = 0;
    for (const QToolButton *step : {HoursDecimalUp, SecondsZero})
        height = std::max(height, step->sizeHint().height());
    return height;
}

// The horizontal centre, in the display's coordinates, of the characters
// first..last of the time as the display draws it: one line, centred in its
// contents. The places are taken from a fixed "00:00:00" so that the arrows
// stay put while the digits change.
int DeviceTimeDialog::digitCentre(int first, int last) const
{
    static const QString sample = QStringLiteral("00:00:00");
    const QFontMetrics metrics = TimeDisplay->fontMetrics();
    const QRect contents = TimeDisplay->contentsRect().marginsRemoved(TimeDisplay->textMargins());
    const int textLeft = contents.left() + (contents.width() - metrics.horizontalAdvance(sample)) / 2;
    const int left = metrics.horizontalAdvance(sample.left(first));
    const int right = metrics.horizontalAdvance(sample.left(last + 1));
    return textLeft + (left + right) / 2;
}

void DeviceTimeDialog::placeArrows()
{
    struct Place {
        QToolButton *button;
        int first;
        int last;
        bool above;
    };
    const Place places[] = {
        {HoursDecimalUp, 0, 0, true},     {HoursDecimalDown, 0, 0, false}, {HoursUnitUp, 1, 1, true},
        {HoursUnitDown, 1, 1, false},     {MinutesDecimalUp, 3, 3, true},  {MinutesDecimalDown, 3, 3, false},
        {MinutesUnitUp, 4, 4, true},      {MinutesUnitDown, 4, 4, false},  {SecondsZero, 6, 7, false},
    };
    const QRect display = TimeDisplay->geometry();
    for (const Place &place : places) {
        QToolButton *button = place.button;
        button->resize(button->sizeHint());
        const int x = display.left() + digitCentre(place.first, place.last) - button->width() / 2;
        const int y = place.above ? display.top() - button->height() : display.bottom() + 1;
        button->move(x, y);
    }
}

// The display's font, size or place decide where its digits are drawn.
bool DeviceTimeDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == TimeDisplay) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::FontChange:
        case QEvent::StyleChange:
            placeArrows();
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DeviceTimeDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A restore from the task bar is no new opening.
    if (!event->spontaneous()) {
        centreOnScreen(*this);
        FormShow();
    }
}

void DeviceTimeDialog::hideEvent(QHideEvent *event)
{
    // Closing (OK, the close box, Escape) stops the refresh; minimising does not.
    if (!event->spontaneous())
        RefreshTimer.stop();
    QDialog::hideEvent(event);
}

void DeviceTimeDialog::FormShow()
{
    RefreshTimer.start();
    userComposed_ = false;
    const bool read = FetchDeviceTime();
    if (read)
        splitShownTime();
    setTimeKnown(read);
    RedisplayTime();
}

// The arrows: an increment past the field's range shows 0 (RedisplayTime),
// a decrement that would go below 0 leaves the field as it is.
void DeviceTimeDialog::stepUp(quint16 &field, quint16 by)
{
    field += by;
    userStepped();
}

void DeviceTimeDialog::stepDown(quint16 &field, quint16 by)
{
    if (field >= by)
        field -= by;
    userStepped();
}

void DeviceTimeDialog::SecondsZeroClick()
{
    Seconds = 0;
    userStepped();
}

void DeviceTimeDialog::userStepped()
{
    userComposed_ = true;
    RedisplayTime();
}

// SET writes the time shown at this moment, seconds 0.
void DeviceTimeDialog::SetTimeBtnClick()
{
    Seconds = 0;
    RedisplayTime();
    const bool set = StoreDeviceTime();
    userComposed_ = false;
    setTimeKnown(set);
    RedisplayTime();
}

void DeviceTimeDialog::SetSysTimeBtnClick()
{
    shownTime_ = now_();
    splitShownTime();
    const bool set = StoreDeviceTime();
    userComposed_ = false;
    setTimeKnown(set);
    RedisplayTime();
}

// The shown seconds run on by themselves; whenever they reach a multiple of
// ten the device is read again. The display takes the time read unless the
// user has composed a time to set, which then runs on. A tick that comes
// while another device operation lets the window process its messages skips
// the read: that transfer owns the bus, and a message box in its middle would
// hold it up.
void DeviceTimeDialog::RefreshTimerTimer()
{
    Seconds += 1;
    if (Seconds > LastSecond)
        Seconds = 0;
    if (Seconds % SecondsPerRead == 0 && !link_.busy()) {
        QTime read = shownTime_;
        const device::ClockOutcome outcome = device::FetchDeviceTime(link_, read);
        prompt_.showNotices(this, outcome.notices);
        if (outcome.ok && (!timeKnown_ || !userComposed_)) {
            shownTime_ = read;
            splitShownTime();
        }
        setTimeKnown(outcome.ok);
    }
    RedisplayTime();
}

void DeviceTimeDialog::OKBtnClick()
{
    RefreshTimer.stop();
    accept();
}

bool DeviceTimeDialog::FetchDeviceTime()
{
    const device::ClockOutcome outcome = device::FetchDeviceTime(link_, shownTime_);
    prompt_.showNotices(this, outcome.notices);
    return outcome.ok;
}

bool DeviceTimeDialog::StoreDeviceTime()
{
    const device::ClockOutcome outcome = device::StoreDeviceTime(link_, shownTime_);
    prompt_.showNotices(this, outcome.notices);
    return outcome.ok;
}

// Without a time read from the switch nothing may pass for it: the display
// shows dashes, and SET and the steps wait for the next read that succeeds.
void DeviceTimeDialog::setTimeKnown(bool known)
{
    timeKnown_ = known;
    if (!known)
        userComposed_ = false;
    SetTimeBtn->setEnabled(known);
    for (QToolButton *step : {HoursDecimalUp, HoursDecimalDown, HoursUnitUp, HoursUnitDown, MinutesDecimalUp,
                              MinutesDecimalDown, MinutesUnitUp, MinutesUnitDown, SecondsZero})
        step->setEnabled(known);
}

// Each field out of its range starts again at 0, with no carry into the next.
void DeviceTimeDialog::RedisplayTime()
{
    if (Hours > LastHour)
        Hours = 0;
    if (Minutes > LastMinute)
        Minutes = 0;
    if (Seconds > LastSecond)
        Seconds = 0;
    shownTime_ = QTime(Hours, Minutes, Seconds);
    const int caret = TimeDisplay->cursorPosition();
    if (timeKnown_) {
        if (TimeDisplay->inputMask().isEmpty())
            TimeDisplay->setInputMask(TimeMask);
        TimeDisplay->setText(timeText(shownTime_));
    } else {
        // The mask takes digits only.
        TimeDisplay->setInputMask(QString());
        TimeDisplay->setText(QString::fromLatin1(UnknownTimeText));
    }
    TimeDisplay->setReadOnly(!timeKnown_);
    TimeDisplay->setCursorPosition(caret);
}

void DeviceTimeDialog::splitShownTime()
{
    Hours = quint16(shownTime_.hour());
    Minutes = quint16(shownTime_.minute());
    Seconds = quint16(shownTime_.second());
}

} // namespace pellmora::ui
