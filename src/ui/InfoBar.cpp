#include "ui/InfoBar.h"

namespace pellmora::ui {

InfoBar::InfoBar(QObject *parent) : QObject(parent)
{
    barTimer_.setObjectName(QStringLiteral("BarTimer"));
    barTimer_.setInterval(StepMs);
    connect(&barTimer_, &QTimer::timeout, this, &InfoBar::step);
}

void InfoBar::ShowInfo(const QString &message)
{
    // Earlier frames lose their opening bracket, so the scroll stops only at
    // the new message.
    info_.replace(QLatin1Char('<'), QLatin1Char('|'));
    if (info_.size() < Width)
        info_ = info_.leftJustified(Width, QLatin1Char(' '));
    info_ += QStringLiteral(" <") + message + QLatin1Char('>');
    barTimer_.setInterval(FirstStepMs);
    barTimer_.start();
}

void InfoBar::ShowScrollingThrough(const QString &text)
{
    ShowInfo(text);
    // Without its opening bracket the text does not stop at the left edge but
    // scrolls on until the info text is used up.
    info_.remove(info_.indexOf(QLatin1Char('<')), 1);
    barTimer_.setInterval(ScrollThroughFirstStepMs);
}

void InfoBar::step()
{
    info_.remove(0, 1);
    barTimer_.setInterval(StepMs);
    if (info_.isEmpty()) {
        barTimer_.stop();
        return;
    }
    if (info_.startsWith(QLatin1Char('<')))
        barTimer_.stop();
    emit textShown(info_);
}

// The part of the info text from its first "<", as long as the position of its
// first ">" counted from 1: for an info text that begins with "<" exactly the
// framed message, without the hint shown behind it last time.
QString InfoBar::framedMessage() const
{
    const qsizetype open = qMax<qsizetype>(info_.indexOf(QLatin1Char('<')), 0);
    const qsizetype length = info_.indexOf(QLatin1Char('>')) + 1;
    return info_.mid(open, length);
}

// A hint never pushes the message out: one too long to stand beside it is
// cut to the room left.
void InfoBar::hint(const QString &text)
{
    if (scrolling())
        return;
    info_ = framedMessage();
    info_ += text.left(qMax<qsizetype>(Width - info_.size(), 0));
    emit textShown(info_);
}

} // namespace pellmora::ui
