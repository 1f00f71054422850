#include "ui/SimulationTimeline.h"

#include "ui/SimulationColours.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

using namespace pellmora::model;
using namespace pellmora::ui::simulation;

namespace pellmora::ui {

namespace {

// Timeline geometry, in pixels.
constexpr int SidePadding = 12;
constexpr int MarkRoom = 9;
constexpr int BarHeight = 22;
constexpr int TickRoom = 7;
// Every hour has its tick while hours are at least this wide; midnights always do.
constexpr double TickHourWidth = 2;
// The hour grid is drawn for every hour while hours are at least this wide.
constexpr double GridHourWidth = 4;

} // namespace

SimulationTimeline::SimulationTimeline(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SimulationTimeline::setSchedule(const PeriodSchedule &schedule)
{
    layout_ = TimelineLayout(schedule);
    update();
}

void SimulationTimeline::setMarker(std::optional<qint64> at)
{
    if (marker_ == at)
        return;
    marker_ = at;
    update();
}

void SimulationTimeline::setGridShown(bool shown)
{
    gridShown_ = shown;
    update();
}

QRectF SimulationTimeline::barRect() const
{
    return QRectF(SidePadding, MarkRoom, std::max(1, width() - 2 * SidePadding), BarHeight);
}

double SimulationTimeline::xAt(double fraction) const
{
    const QRectF bar = barRect();
    return bar.left() + bar.width() * fraction;
}

double SimulationTimeline::xOf(qint64 seconds) const
{
    return xAt(layout_.xOf(seconds));
}

// A label needs the room of "+0d" and a gap on either side.
TimelineWidths SimulationTimeline::widths() const
{
    return {barRect().width(), double(fontMetrics().horizontalAdvance(QStringLiteral("+0d")) + 8)};
}

QList<SimulationTimeline::Span> SimulationTimeline::spans() const
{
    const QRectF bar = barRect();
    QList<Span> result;
    for (const TimelineSpan &span : layout_.spans()) {
        const QRectF rect(QPointF(xAt(span.left), bar.top()), QPointF(xAt(span.right), bar.bottom()));
        result.append({span.from, span.to, span.lit, rect});
    }
    return result;
}

std::optional<double> SimulationTimeline::markerX() const
{
    if (!marker_ || *marker_ < days().from || *marker_ > days().to)
        return std::nullopt;
    return xOf(*marker_);
}

QList<double> SimulationTimeline::gridLines() const
{
    QList<double> lines;
    if (!gridShown_)
        return lines;
    for (double fraction : layout_.gridLines(widths(), GridHourWidth))
        lines.append(xAt(fraction));
    return lines;
}

QSize SimulationTimeline::sizeHint() const
{
    return {640, minimumSizeHint().height()};
}

QSize SimulationTimeline::minimumSizeHint() const
{
    return {320, MarkRoom + BarHeight + TickRoom + fontMetrics().height() + 2};
}

void SimulationTimeline::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF bar = barRect();
    painter.fillRect(bar, OutsideColour);
    for (const Span &span : spans()) {
        // A span of a few seconds still shows, one pixel wide.
        QRectF rect = span.rect;
        if (span.to > span.from && rect.width() < 1)
            rect.setWidth(1);
        painter.fillRect(rect, span.lit ? LitColour : DarkColour);
    }
    painter.setPen(QPen(GridColour, 1));
    for (double x : gridLines())
        painter.drawLine(QPointF(x, bar.top() + 1), QPointF(x, bar.bottom() - 1));
    painter.setPen(QPen(OutlineColour, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bar);
    paintTicks(painter, bar);
    painter.setRenderHint(QPainter::Antialiasing);
    paintStartMark(painter, bar);
    paintMarker(painter, bar);
}

void SimulationTimeline::paintTicks(QPainter &painter, const QRectF &bar) const
{
    const QFontMetrics m = fontMetrics();
    double lastLabelRight = -1;
    for (const TimelineTick &tick : layout_.ticks(widths(), TickHourWidth)) {
        const double x = xAt(tick.x);
        painter.setPen(QPen(tick.midnight ? TextColour : TickColour, 1));
        painter.drawLine(QPointF(x, bar.bottom()), QPointF(x, bar.bottom() + (tick.midnight ? TickRoom - 1 : 3)));
        if (tick.label.isEmpty())
            continue;
        const int w = m.horizontalAdvance(tick.label);
        // The labels at the ends stay inside the widget; none overlaps another.
        const double left = std::clamp(x - w / 2.0, 0.0, double(width() - w));
        if (left < lastLabelRight + 2)
            continue;
        painter.setPen(LabelColour);
        painter.drawText(QPointF(left, bar.bottom() + TickRoom + m.ascent()), tick.label);
        lastLabelRight = left + w;
    }
}

void SimulationTimeline::paintStartMark(QPainter &painter, const QRectF &bar) const
{
    const double x = xAt(layout_.startX());
    QPainterPath mark;
    mark.moveTo(x - 5, bar.top() - MarkRoom + 1);
    mark.lineTo(x + 5, bar.top() - MarkRoom + 1);
    mark.lineTo(x, bar.top());
    mark.closeSubpath();
    painter.fillPath(mark, StartColour);
}

void SimulationTimeline::paintMarker(QPainter &painter, const QRectF &bar) const
{
    const std::optional<double> x = markerX();
    if (!x)
        return;
    painter.setPen(QPen(MarkerColour, 2));
    painter.drawLine(QPointF(*x, bar.top() - 4), QPointF(*x, bar.bottom() + 4));
    painter.setBrush(MarkerColour);
    painter.drawEllipse(QPointF(*x, bar.top() - 4), 3, 3);
}

} // namespace pellmora::ui
