#include "ui/Simulation.h"

#include "ui/NamedWidgets.h"
#include "ui/SimulationColours.h"
#include "ui/SimulationSettingsForm.h"

#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace pellmora::model;
using namespace pellmora::ui::simulation;

namespace pellmora::ui {

namespace {

constexpr int RunTickMs = 40;
constexpr int TableRowHeight = 20;
constexpr int TableRowsShown = 6;

const QString TableStyle = QStringLiteral(
    "QTableWidget { background: #121212; color: #E0E0E0; gridline-color: #303030; border: 1px solid #424242;"
    " selection-background-color: #37474F; selection-color: #FFFFFF; }"
    "QHeaderView::section { background: #263238; color: #B0BEC5; border: none; padding: 2px 6px; }");

QString colourName(const QColor &colour)
{
    return colour.name(QColor::HexRgb);
}

} // namespace

Simulation::Simulation(const Program &program, const InstructionFormat &format, MonotonicClock clock,
                       QWidget *parent)
    : QWidget(parent, Qt::Window), program_(program), format_(format), runClock_(std::move(clock)),
      lightOn_(QStringLiteral(":/light_on.png")), lightOff_(QStringLiteral(":/light_off.png"))
{
    setObjectName(QStringLiteral("Simulation"));
    setWindowTitle(tr("Simulace"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, TextColour);
    setPalette(black);
    runTimer_.setInterval(RunTickMs);
    connect(&runTimer_, &QTimer::timeout, this, &Simulation::tick);

    periods_ = new QWidget;
    periods_->setObjectName(QStringLiteral("SimulationPeriodRows"));
    periodsLayout_ = new QVBoxLayout(periods_);
    periodsLayout_->setContentsMargins(8, 4, 8, 4);
    periodsLayout_->setSpacing(10);
    periodsLayout_->addStretch();
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("SimulationPeriods"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidget(periods_);
    scroll_->viewport()->setAutoFillBackground(false);
    periods_->setAutoFillBackground(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(buildHeader());
    layout->addWidget(scroll_, 1);
    layout->addWidget(buildSupportPanel());
    refresh();
    stale_ = false;
}

QWidget *Simulation::buildHeader()
{
    auto *header = new QWidget(this);
    auto *layout = new QHBoxLayout(header);
    layout->setContentsMargins(8, 2, 8, 2);
    name_ = new QLabel(header);
    name_->setObjectName(QStringLiteral("SimulationName"));
    QFont nameFont = name_->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.4);
    nameFont.setBold(true);
    name_->setFont(nameFont);
    clockLabel_ = new QLabel(header);
    clockLabel_->setObjectName(QStringLiteral("SimulationClock"));
    QFont clockFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    clockFont.setPointSizeF(name_->font().pointSizeF() * 1.3);
    clockFont.setBold(true);
    clockLabel_->setFont(clockFont);
    QPalette clockColour = clockLabel_->palette();
    clockColour.setColor(QPalette::WindowText, MarkerColour);
    clockLabel_->setPalette(clockColour);
    speedLabel_ = new QLabel(tr("Rychlost: %1").arg(SimulationSettingsForm::SpeedText(0)), header);
    speedLabel_->setObjectName(QStringLiteral("SimulationSpeed"));
    legend_ = new QLabel(header);
    legend_->setObjectName(QStringLiteral("SimulationLegend"));
    legend_->setTextFormat(Qt::RichText);
    layout->addWidget(name_);
    layout->addSpacing(24);
    layout->addWidget(legend_);
    layout->addStretch();
    layout->addWidget(speedLabel_);
    layout->addSpacing(16);
    layout->addWidget(clockLabel_);
    return header;
}

QWidget *Simulation::buildSupportPanel()
{
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Simulation_SupportPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAutoFillBackground(true);
    panel->setPalette(QWidget::style()->standardPalette());
    goButton_ = namedButton(QStringLiteral("SimulationGoBtn"), tr("GO!"), panel);
    connect(goButton_, &QPushButton::clicked, this, &Simulation::Go);
    QPushButton *settings = namedButton(QStringLiteral("SimulationSettingsBtn"), tr("Nastavení"), panel);
    connect(settings, &QPushButton::clicked, this, &Simulation::settingsRequested);
    QPushButton *cancel = namedButton(QStringLiteral("SimulationCancelBtn"), tr("Cancel"), panel);
    cancel->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    gridButton_ = namedButton(QStringLiteral("SimulationScribbleBtn"), tr("Čmariky, čmariky"), panel);
    gridButton_->setCheckable(true);
    connect(gridButton_, &QPushButton::toggled, this, &Simulation::setGridShown);
    auto *buttons = new QHBoxLayout(panel);
    for (QPushButton *b : {goButton_, settings, cancel, gridButton_})
        buttons->addWidget(b);
    return panel;
}

Simulation::PeriodRow Simulation::buildRow(int period)
{
    PeriodRow row;
    const QString number = QString::number(period + 1);
    row.frame = new QWidget(periods_);
    row.frame->setObjectName(QStringLiteral("SimulationPeriod") + number);
    auto *layout = new QGridLayout(row.frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(12);
    layout->setVerticalSpacing(2);

    row.bulb = new QLabel(row.frame);
    row.bulb->setObjectName(QStringLiteral("SimulationBulb") + number);
    row.bulb->setPixmap(lightOff_);
    row.bulb->setAlignment(Qt::AlignCenter);
    row.state = new QLabel(row.frame);
    row.state->setObjectName(QStringLiteral("SimulationState") + number);
    row.state->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    row.state->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Nesvítí")) + 8);
    row.title = new QLabel(row.frame);
    row.title->setObjectName(QStringLiteral("SimulationTitle") + number);
    QFont bold = row.title->font();
    bold.setBold(true);
    row.title->setFont(bold);
    row.timeline = new SimulationTimeline(row.frame);
    row.timeline->setObjectName(QStringLiteral("SimulationTimeline") + number);
    row.timeline->setGridShown(gridShown_);
    row.end = new QLabel(row.frame);
    row.end->setObjectName(QStringLiteral("SimulationEnd") + number);
    QPalette quiet = row.end->palette();
    quiet.setColor(QPalette::WindowText, QuietColour);
    row.end->setPalette(quiet);
    QFont italic = row.end->font();
    italic.setItalic(true);
    row.end->setFont(italic);

    row.table = new QTableWidget(0, 3, row.frame);
    row.table->setObjectName(QStringLiteral("SimulationTable") + number);
    row.table->setStyleSheet(TableStyle);
    row.table->setHorizontalHeaderLabels({tr("Čas"), tr("Stav"), tr("Prodleva")});
    row.table->verticalHeader()->hide();
    row.table->verticalHeader()->setDefaultSectionSize(TableRowHeight);
    row.table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    row.table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    row.table->setSelectionBehavior(QAbstractItemView::SelectRows);
    row.table->setSelectionMode(QAbstractItemView::SingleSelection);
    row.table->setFocusPolicy(Qt::NoFocus);
    row.table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    row.table->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    row.table->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    layout->addWidget(row.bulb, 0, 0, 2, 1, Qt::AlignCenter);
    layout->addWidget(row.state, 2, 0, Qt::AlignHCenter | Qt::AlignTop);
    layout->addWidget(row.title, 0, 1);
    layout->addWidget(row.timeline, 1, 1);
    layout->addWidget(row.end, 2, 1, Qt::AlignTop);
    layout->addWidget(row.table, 0, 2, 4, 1, Qt::AlignTop);
    layout->setRowStretch(3, 1);
    layout->setColumnStretch(1, 1);
    return row;
}

qint64 Simulation::runStart() const
{
    qint64 start = schedules_.isEmpty() ? 0 : schedules_.first().start;
    for (const PeriodSchedule &schedule : schedules_)
        start = std::min(start, schedule.start);
    return start;
}

qint64 Simulation::runEnd() const
{
    qint64 end = runStart();
    for (const PeriodSchedule &schedule : schedules_)
        end = std::max(end, schedule.end);
    return end;
}

void Simulation::ProgramChanged()
{
    if (!isVisible()) {
        stale_ = true;
        return;
    }
    refresh();
}

void Simulation::refresh()
{
    stale_ = false;
    const QList<PeriodSchedule> schedules = ProgramSchedule(program_);
    const bool rebuilt = schedules.size() != rows_.size();
    if (rebuilt) {
        for (const PeriodRow &row : std::as_const(rows_))
            delete row.frame;
        rows_.clear();
        for (int p = 0; p < schedules.size(); ++p) {
            rows_.append(buildRow(p));
            periodsLayout_->insertWidget(p, rows_.last().frame);
            // Shown now, not when the layout gets to it, so that it counts in
            // the window's size at once.
            rows_.last().frame->show();
        }
    }
    for (int p = 0; p < schedules.size(); ++p)
        showSchedule(rows_[p], schedules[p]);
    schedules_ = schedules;

    const QString name = program_.settings.DeviceName.trimmed();
    name_->setText(name.isEmpty() ? tr("(bez názvu)") : name);
    legend_->setText(QStringLiteral("<span style=\"color:%1\">&#9632;</span> %2 &nbsp;&nbsp; "
                                    "<span style=\"color:%3\">&#9632;</span> %4")
                         .arg(colourName(LitColour), StateWord(true, format_).toHtmlEscaped(),
                              colourName(DarkColour), StateWord(false, format_).toHtmlEscaped()));
    // A run goes on over the new schedule; one past the new end has ended.
    if (marker_ && !running())
        marker_ = std::min(*marker_, runEnd());
    showMarker();
    // Another number of periods: the window takes the size the rows need.
    if (rebuilt && isVisible())
        fitToContents();
}

void Simulation::showSchedule(PeriodRow &row, const PeriodSchedule &schedule)
{
    QString title = tr("Perioda %1").arg(schedule.period + 1);
    if (schedule.randomDelays)
        title += QStringLiteral("   ") + RandomDelaysText;
    row.title->setText(title);
    row.timeline->setSchedule(schedule);
    row.end->setText(schedule.endSentence.trimmed());
    fillTable(row.table, schedule);
}

void Simulation::fillTable(QTableWidget *table, const PeriodSchedule &schedule)
{
    const QList<ScheduleRow> rows = ScheduleRows(schedule, format_);
    table->clearSelection();
    table->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const ScheduleRow &row = rows[r];
        const bool end = r == rows.size() - 1;
        auto cell = [table, r](int column, const QString &text, Qt::Alignment align) {
            auto *item = new QTableWidgetItem(text);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            item->setTextAlignment(align | Qt::AlignVCenter);
            table->setItem(r, column, item);
            return item;
        };
        cell(0, row.clock, Qt::AlignRight);
        QTableWidgetItem *state = cell(1, row.state, Qt::AlignLeft);
        if (end)
            state->setForeground(QuietColour);
        else
            state->setForeground(schedule.instructions[r].switchOn ? LitColour : OffWordColour);
        cell(2, row.delay, Qt::AlignRight);
    }

    // Every table has the same columns, wide enough for the longest clock
    // time and either state word.
    const QFontMetrics m = table->fontMetrics();
    const int pad = 16;
    const int clock = m.horizontalAdvance(QStringLiteral("+9d 00:00:00")) + pad;
    const int state = std::max({m.horizontalAdvance(StateWord(true, format_)),
                                m.horizontalAdvance(StateWord(false, format_)),
                                m.horizontalAdvance(tr("Prodleva"))}) + pad;
    const int delay = m.horizontalAdvance(tr("Prodleva")) + pad;
    table->setColumnWidth(0, clock);
    table->setColumnWidth(1, state);
    table->setColumnWidth(2, delay);
    const int shown = std::min<int>(int(rows.size()), TableRowsShown);
    const int scrollBar = rows.size() > TableRowsShown ? table->style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
    const int frame = 2 * table->frameWidth();
    table->setFixedSize(clock + state + delay + scrollBar + frame,
                        table->horizontalHeader()->sizeHint().height() + shown * TableRowHeight + frame);
}

// The run's time goes on from where it is, at the new speed.
void Simulation::setSpeed(int secondsPerSecond, const QString &text)
{
    runClock_.setSpeed(secondsPerSecond);
    speedLabel_->setText(tr("Rychlost: %1").arg(text));
}

void Simulation::Go()
{
    marker_ = runStart();
    runClock_.startAt(runStart());
    if (runEnd() > runStart())
        runTimer_.start();
    showMarker();
}

void Simulation::tick()
{
    if (!running())
        return;
    qint64 at = runClock_.seconds();
    if (at >= runEnd()) {
        at = runEnd();
        stop();
    }
    marker_ = at;
    showMarker();
}

void Simulation::stop()
{
    runTimer_.stop();
}

void Simulation::setGridShown(bool shown)
{
    gridShown_ = shown;
    {
        const QSignalBlocker quiet(gridButton_);
        gridButton_->setChecked(shown);
    }
    for (const PeriodRow &row : std::as_const(rows_))
        row.timeline->setGridShown(shown);
}

// The clock, the markers, the bulbs and the tables' rows at the marker's time.
void Simulation::showMarker()
{
    clockLabel_->setText(ScheduleClockText(marker_.value_or(runStart())));
    for (int p = 0; p < rows_.size(); ++p) {
        const PeriodRow &row = rows_[p];
        const PeriodSchedule &schedule = schedules_[p];
        row.timeline->setMarker(marker_);
        const std::optional<bool> light = marker_ ? LightAt(schedule, *marker_) : std::nullopt;
        row.bulb->setPixmap(light.value_or(false) ? lightOn_ : lightOff_);
        if (light)
            row.state->setText(StateWord(*light, format_));
        else
            row.state->setText(marker_ && *marker_ >= schedule.end ? ScheduleEndWord : QString());
        int current = -1;
        if (marker_ && *marker_ >= schedule.end)
            current = int(schedule.instructions.size());
        for (int i = 0; marker_ && i < schedule.instructions.size(); ++i) {
            if (*marker_ >= schedule.instructions[i].at && *marker_ < schedule.instructions[i].until())
                current = i;
        }
        if (current < 0) {
            row.table->setCurrentCell(-1, -1);
            row.table->clearSelection();
        } else {
            // Selected again also when the table was refilled under it.
            const bool moved = row.table->currentRow() != current;
            row.table->setCurrentCell(current, 0);
            if (moved)
                row.table->scrollToItem(row.table->item(current, 0));
        }
    }
}

void Simulation::fitToContents()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    // The rows unscrolled: the scroll area as tall as what it holds.
    layout()->invalidate();
    const int height = layout()->sizeHint().height() - scroll_->sizeHint().height() + periods_->sizeHint().height();
    QSize wanted(std::max(980, layout()->sizeHint().width()), height);
    if (screen)
        wanted = wanted.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
    resize(wanted);
}

void Simulation::showEvent(QShowEvent *event)
{
    if (stale_)
        refresh();
    if (!event->spontaneous() && !fitted_) {
        fitToContents();
        fitted_ = true;
    }
    QWidget::showEvent(event);
}

// Closing ends the run; the next showing starts without a marker.
void Simulation::hideEvent(QHideEvent *event)
{
    if (!event->spontaneous()) {
        stop();
        marker_.reset();
        showMarker();
    }
    QWidget::hideEvent(event);
}

} // namespace pellmora::ui
