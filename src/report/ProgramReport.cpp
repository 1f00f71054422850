#include "report/ProgramReport.h"

#include "device/HeaderText.h"
#include "model/ProgramHeader.h"
#include "model/Schedule.h"
#include "model/TimelineLayout.h"
#include "storage/FileText.h"
#include "storage/RecordDate.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

using namespace pellmora::model;

namespace pellmora::report {

namespace {

constexpr double PageWidthMm = 210;
constexpr double MarginMm = 15;
constexpr double PointMm = 25.4 / 72;
// The periods are drawn at this fraction of their full size at the least.
constexpr double SmallestScale = 0.3;
constexpr double ScaleStep = 0.02;
constexpr int PdfResolution = 1200;
constexpr qsizetype ShortTable = 6;

const QColor LitColour(0xFF, 0xD5, 0x4F);
const QColor DarkColour(0x45, 0x5A, 0x64);
const QColor OutsideColour(0xEE, 0xEE, 0xEE);
const QColor RuleColour(0x9E, 0x9E, 0x9E);
const QColor QuietColour(0x61, 0x61, 0x61);
const QColor MarkColour(0xC6, 0x28, 0x28);

QString reportText(const char *text)
{
    return QCoreApplication::translate("pellmora::report", text);
}

Program programOf(const DeviceImage &image)
{
    Program program;
    program.image = image;
    UnpackHeader(program);
    return program;
}

// One page of the report. Every block is drawn by a function that returns
// its height; with drawing_ off the same function only measures, which is
// how the periods find the scale at which they fit.
class ReportPage {
public:
    ReportPage(QPainter &painter, const QRectF &page, const ReportInput &input)
        : painter_(painter), input_(input), program_(programOf(input.image)), schedules_(ProgramSchedule(program_))
    {
        unit_ = page.width() / PageWidthMm;
        content_ = page.adjusted(mm(MarginMm), mm(MarginMm), -mm(MarginMm), -mm(MarginMm));
    }

    void paint()
    {
        const double footerTop = content_.bottom() - footer(false);
        double y = content_.top() + header(content_.top());
        const double room = footerTop - mm(4) - y;
        scale_ = 1.0;
        while (scale_ > SmallestScale && periods(y, false) > room)
            scale_ -= ScaleStep;
        drawing_ = true;
        y += periods(y, true);
        footerAt(footerTop);
    }

private:
    double mm(double value) const { return value * unit_; }
    double smm(double value) const { return mm(value) * scale_; }

    QFont font(double points, bool bold = false, bool italic = false, bool scaled = false) const
    {
        QFont f = QGuiApplication::font();
        f.setPixelSize(std::max(1, int(std::lround(mm(points * PointMm) * (scaled ? scale_ : 1.0)))));
        f.setBold(bold);
        f.setItalic(italic);
        return f;
    }
    QFontMetricsF metrics(const QFont &f) const { return QFontMetricsF(f, painter_.device()); }

    // Draws one line of text with its top at y; returns the line's height.
    double line(const QFont &f, double x, double y, const QString &text, const QColor &colour = Qt::black,
                Qt::Alignment align = Qt::AlignLeft, double width = 0)
    {
        const QFontMetricsF m = metrics(f);
        if (drawing_) {
            painter_.setFont(f);
            painter_.setPen(colour);
            const double w = width > 0 ? width : m.horizontalAdvance(text) + 1;
            painter_.drawText(QRectF(x, y, w, m.height()), int(align | Qt::AlignTop), text);
        }
        return m.lineSpacing();
    }

    void rule(double y)
    {
        painter_.setPen(QPen(RuleColour, mm(0.2)));
        painter_.drawLine(QPointF(content_.left(), y), QPointF(content_.right(), y));
    }

    // --- header -------------------------------------------------------------

    double header(double top)
    {
        drawing_ = true;
        double y = top;
        y += line(font(9), content_.left(), y, reportText("Spínací program časového spínače"), QuietColour);
        const QString name = device::HeaderNameText(input_.image);
        y += line(font(18, true), content_.left(), y, name.isEmpty() ? reportText("(bez názvu)") : name);
        y += mm(2);
        y += settings(y);
        y += mm(1.5);
        y += legend(y);
        y += mm(2);
        rule(y);
        return y + mm(4) - top;
    }

    double settings(double top)
    {
        const QList<std::pair<QString, QString>> rows{
            {device::HeaderLabels::id(), device::HeaderIdText(input_.image)},
            {device::HeaderLabels::start(), device::HeaderStartText(input_.image)},
            {reportText("Počet period"), QString::number(schedules_.size())},
            {device::HeaderLabels::flags(), device::HeaderFlagsText(input_.image)},
            {device::HeaderLabels::correction(), device::HeaderCorrectionText(input_.image)},
        };
        const QFont label = font(9, true);
        const QFont value = font(9);
        double labelWidth = 0;
        for (const auto &row : rows)
            labelWidth = std::max(labelWidth, metrics(label).horizontalAdvance(row.first + QLatin1Char(':')));
        double y = top;
        for (const auto &row : rows) {
            line(label, content_.left(), y, row.first + QLatin1Char(':'));
            y += line(value, content_.left() + labelWidth + mm(3), y, row.second);
        }
        return y - top;
    }

    double legend(double top)
    {
        const QFont f = font(8);
        const double h = metrics(f).height();
        const double box = h * 0.7;
        double x = content_.left();
        for (bool on : {true, false}) {
            painter_.setPen(QPen(RuleColour, mm(0.15)));
            painter_.setBrush(on ? LitColour : DarkColour);
            painter_.drawRect(QRectF(x, top + (h - box) / 2, box * 1.6, box));
            x += box * 1.6 + mm(1.5);
            const QString word = StateWord(on, input_.format);
            line(f, x, top, word);
            x += metrics(f).horizontalAdvance(word) + mm(6);
        }
        painter_.setBrush(Qt::NoBrush);
        return metrics(f).lineSpacing();
    }

    // --- periods ------------------------------------------------------------

    double periods(double top, bool draw)
    {
        drawing_ = draw;
        double y = top;
        for (const PeriodSchedule &schedule : schedules_)
            y += period(schedule, y);
        return y - top;
    }

    double period(const PeriodSchedule &schedule, double top)
    {
        double y = top;
        QString heading = reportText("Perioda %1").arg(schedule.period + 1);
        if (schedule.randomDelays)
            heading += QStringLiteral("   ") + RandomDelaysText;
        y += line(font(10, true, false, true), content_.left(), y, heading);
        y += smm(1);
        y += timeline(schedule, y);
        y += smm(1.5);
        y += table(schedule, y);
        y += smm(0.5);
        y += line(font(8, false, true, true), content_.left(), y, schedule.endSentence.trimmed());
        return y + smm(4) - top;
    }

    double timeline(const PeriodSchedule &schedule, double top)
    {
        const TimelineLayout layout(schedule);
        const double left = content_.left();
        const double width = content_.width();

        const double markRoom = smm(2);
        const double barTop = top + markRoom;
        const double barHeight = smm(6);
        const QFont labelFont = font(6.5, false, false, true);
        const double tickRoom = smm(2.5);
        const double height = markRoom + barHeight + tickRoom + metrics(labelFont).lineSpacing();
        if (!drawing_)
            return height;

        painter_.setPen(Qt::NoPen);
        painter_.setBrush(OutsideColour);
        painter_.drawRect(QRectF(left, barTop, width, barHeight));
        for (const TimelineSpan &span : layout.spans()) {
            painter_.setBrush(span.lit ? LitColour : DarkColour);
            painter_.drawRect(QRectF(QPointF(barX(span.left), barTop), QPointF(barX(span.right), barTop + barHeight)));
        }
        painter_.setBrush(Qt::NoBrush);
        painter_.setPen(QPen(RuleColour, mm(0.15)));
        painter_.drawRect(QRectF(left, barTop, width, barHeight));

        hourTicks(layout, barTop + barHeight, labelFont);
        startMark(barX(layout.startX()), barTop);
        return height;
    }

    void hourTicks(const TimelineLayout &layout, double barBottom, const QFont &labelFont)
    {
        const QFontMetricsF m = metrics(labelFont);
        const TimelineWidths widths{content_.width(), m.horizontalAdvance(QStringLiteral("+0d 00")) * 1.2};
        // Hour ticks too close to tell apart are left out; midnights stay.
        for (const TimelineTick &tick : layout.ticks(widths, smm(0.8))) {
            const double x = barX(tick.x);
            painter_.setPen(QPen(tick.midnight ? Qt::black : RuleColour, mm(tick.midnight ? 0.25 : 0.15)));
            painter_.drawLine(QPointF(x, barBottom), QPointF(x, barBottom + smm(tick.midnight ? 2 : 1.2)));
            if (tick.label.isEmpty())
                continue;
            const double w = m.horizontalAdvance(tick.label) + 1;
            // The first and the last label stay inside the bar's width.
            const double lx = std::clamp(x - w / 2, content_.left(), content_.right() - w);
            line(labelFont, lx, barBottom + smm(2.5), tick.label, QuietColour);
        }
    }

    // A place on a timeline's bar, given as a fraction of its width.
    double barX(double fraction) const { return content_.left() + content_.width() * fraction; }

    void startMark(double x, double barTop)
    {
        const double half = smm(1.2);
        QPainterPath mark;
        mark.moveTo(x - half, barTop - smm(1.8));
        mark.lineTo(x + half, barTop - smm(1.8));
        mark.lineTo(x, barTop);
        mark.closeSubpath();
        painter_.fillPath(mark, MarkColour);
    }

    double table(const PeriodSchedule &schedule, double top)
    {
        const QList<ScheduleRow> rows = ScheduleRows(schedule, input_.format);
        const QFont f = font(8, false, false, true);
        const QFont head = font(8, true, false, true);
        const QFontMetricsF m = metrics(f);
        const QFontMetricsF mh = metrics(head);
        const QString clockHead = reportText("Čas");
        const QString stateHead = reportText("Stav");
        const QString delayHead = reportText("Prodleva");
        double clockWidth = mh.horizontalAdvance(clockHead);
        double stateWidth = mh.horizontalAdvance(stateHead);
        double delayWidth = mh.horizontalAdvance(delayHead);
        for (const ScheduleRow &row : rows) {
            clockWidth = std::max(clockWidth, m.horizontalAdvance(row.clock));
            stateWidth = std::max(stateWidth, m.horizontalAdvance(row.state));
            delayWidth = std::max(delayWidth, m.horizontalAdvance(row.delay));
        }
        const double gap = smm(2.5);
        const double columnGap = smm(7);
        const double cellWidth = clockWidth + gap + stateWidth + gap + delayWidth + 1;
        const int columns = std::max(1, int((content_.width() + columnGap) / (cellWidth + columnGap)));
        // A short schedule reads down one column; a long one is spread over
        // as many columns as the width holds.
        const int perColumn = int(std::max((rows.size() + columns - 1) / columns, std::min<qsizetype>(rows.size(), ShortTable)));
        const double lineHeight = std::max(m.lineSpacing(), mh.lineSpacing());
        const int usedColumns = int((rows.size() + perColumn - 1) / perColumn);

        for (int c = 0; c < usedColumns; ++c) {
            const double x = content_.left() + c * (cellWidth + columnGap);
            line(head, x, top, clockHead, QuietColour, Qt::AlignRight, clockWidth);
            line(head, x + clockWidth + gap, top, stateHead, QuietColour);
            line(head, x + clockWidth + gap + stateWidth + gap, top, delayHead, QuietColour, Qt::AlignRight, delayWidth);
        }
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const double x = content_.left() + int(i / perColumn) * (cellWidth + columnGap);
            const double y = top + lineHeight * double(1 + i % perColumn);
            const ScheduleRow &row = rows[i];
            line(f, x, y, row.clock, Qt::black, Qt::AlignRight, clockWidth);
            line(f, x + clockWidth + gap, y, row.state);
            if (!row.delay.isEmpty())
                line(f, x + clockWidth + gap + stateWidth + gap, y, row.delay, Qt::black, Qt::AlignRight, delayWidth);
        }
        return lineHeight * (1 + perColumn);
    }

    // --- footer -------------------------------------------------------------

    double footer(bool draw)
    {
        drawing_ = draw;
        return mm(2) + metrics(font(8)).lineSpacing();
    }

    void footerAt(double top)
    {
        drawing_ = true;
        rule(top);
        const QFont f = font(8);
        line(f, content_.left(), top + mm(2), reportText("Soubor: %1").arg(input_.fileName), QuietColour);
        line(f, content_.left(), top + mm(2), reportText("Datum: %1").arg(input_.date.toString(QString::fromLatin1(storage::DateFormat))),
             QuietColour, Qt::AlignRight, content_.width());
    }

    QPainter &painter_;
    const ReportInput &input_;
    Program program_;
    QList<PeriodSchedule> schedules_;
    double unit_ = 1;   // device units per millimetre
    double scale_ = 1;  // of the period blocks
    bool drawing_ = true;
    QRectF content_;
};

} // namespace

void PaintReport(QPainter &painter, const QRectF &page, const ReportInput &input)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    ReportPage(painter, page, input).paint();
    painter.restore();
}

QByteArray ReportPdf(const ReportInput &input)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(PdfResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setTitle(reportText("Spínací program %1").arg(device::HeaderNameText(input.image)));
        writer.setCreator(QStringLiteral("Pellmora"));
        QPainter painter(&writer);
        PaintReport(painter, QRectF(QPointF(0, 0), QSizeF(writer.width(), writer.height())), input);
    }
    return buffer.data();
}

storage::FileReplacement WriteReportPdf(const QString &path, const ReportInput &input)
{
    return storage::replaceFile(path, ReportPdf(input));
}

} // namespace pellmora::report
