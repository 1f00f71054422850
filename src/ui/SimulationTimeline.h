#pragma once

// The timeline of one period in the "Simulace" window: the bar over the
// whole day(s) the period spans with its lit and dark spans, the hour ticks
// with their labels, the start-up time marked, the time marker of a run and,
// when shown, the hour grid. Times are seconds from midnight of the start-up
// day, as in the schedule; the geometry comes from model::TimelineLayout.

#include "model/Schedule.h"
#include "model/TimelineLayout.h"

#include <QList>
#include <QRectF>
#include <QWidget>

#include <optional>

namespace pellmora::ui {

class SimulationTimeline : public QWidget {
    Q_OBJECT
public:
    // One instruction's span on the bar, in the order the instructions run.
    struct Span {
        qint64 from = 0;
        qint64 to = 0;
        bool lit = false;
        QRectF rect;
    };

    explicit SimulationTimeline(QWidget *parent = nullptr);

    void setSchedule(const model::PeriodSchedule &schedule);
    void setMarker(std::optional<qint64> at);
    void setGridShown(bool shown);

    const model::ScheduleDays &days() const { return layout_.days(); }
    QRectF barRect() const;
    double xOf(qint64 seconds) const;
    QList<Span> spans() const;
    std::optional<double> markerX() const;
    // The x of every hour line of the grid; empty while the grid is hidden.
    QList<double> gridLines() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double xAt(double fraction) const;
    model::TimelineWidths widths() const;
    void paintTicks(QPainter &painter, const QRectF &bar) const;
    void paintStartMark(QPainter &painter, const QRectF &bar) const;
    void paintMarker(QPainter &painter, const QRectF &bar) const;

    model::TimelineLayout layout_;
    std::optional<qint64> marker_;
    bool gridShown_ = false;
};

} // namespace pellmora::ui
