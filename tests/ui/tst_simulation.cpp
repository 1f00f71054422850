// The simulation window beside the main window: its timelines and tables
// against the schedule, a run of the day on a hand-moved clock, the hour
// grid, and the program followed while the window is open.

#include "DialogTestKit.h"
#include "MainWindowFixture.h"

#include "app/AppWindows.h"

#include "model/ProgramHeader.h"
#include "model/Schedule.h"
#include "model/Segment.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QTableWidget>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::ui;
using namespace pellmora::app;
using namespace pellmora::ui::test;

namespace {

// "on 2:00:00" as an instruction word.
quint16 wordOf(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(on|off) (\\d):(\\d\\d):(\\d\\d)$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        qFatal("bad instruction %s", qPrintable(text));
    const int seconds = m.captured(2).toInt() * 3600 + m.captured(3).toInt() * 60 + m.captured(4).toInt();
    return BuildInstructionWord(quint16(seconds), m.captured(1) == QLatin1String("on"));
}

int periodCodeOf(int periods)
{
    return QList<int>{1, 2, 4, 6, 8}.indexOf(periods);
}

const QString Chodba = QStringLiteral("on 2:00:00, off 0:30:00, on 0:00:05");
const QString Schodiste =
    QStringLiteral("on 3:15:00, off 1:00:00, on 0:20:00 | on 2:30:00, off 0:45:30, on 0:10:00, off 0:00:30");
const QString Vyloha = QStringLiteral(
    "on 1:30:00, off 8:59:59, on 0:00:00 | on 2:00:00, off 0:30:00 | on 0:45:00 | on 4:00:00, off 4:00:00, on "
    "4:00:00 | off 0:00:01, on 8:59:59 | on 0:15:00, off 0:15:00, on 0:15:00, off 0:15:00 | | on 5:00:00");

} // namespace

class SimulationTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryCurrentDirectory> dir_;
    std::unique_ptr<WindowUnderTest> ui_;
    Windows windows_;
    qint64 nowMs_ = 0;

    // The main window on an empty program, the simulation and its settings
    // wired to it as the application does, on a clock the test moves.
    WindowUnderTest &started()
    {
        ui_ = std::make_unique<WindowUnderTest>();
        ui_->startWith(configurationText(), EmptyDatabase);
        windows_.simulation =
            std::make_unique<Simulation>(ui_->session.program, ui_->session.format, [this] { return nowMs_; });
        windows_.simulationSettings = std::make_unique<SimulationSettingsForm>();
        windows_.connectSimulation(*ui_->window);
        ui_->onShowWindow = [this](OtherWindow window) { windows_.show(window); };
        return *ui_;
    }

    // A program of `start` ("18:30") whose periods, separated by "|", hold
    // the instructions listed, as a file would bring it.
    void load(const QString &start, const QString &periods)
    {
        const QStringList lists = periods.split(QLatin1Char('|'));
        Program &program = ui_->session.program;
        program = Program();
        ApplyPeriodCode(program, periodCodeOf(int(lists.size())));
        program.settings.StartUpMinutes = quint16(start.left(2).toInt() * 60 + start.mid(3).toInt());
        for (int p = 0; p < lists.size(); ++p) {
            int at = SegmentFirstWord(program.settings, p);
            for (const QString &text : lists[p].split(QLatin1Char(','))) {
                if (!text.trimmed().isEmpty())
                    program.image.words[std::size_t(at++)] = wordOf(text);
            }
        }
        PackHeader(program);
        ui_->window->ReloadProgram();
    }

    // The window opened from the main window's menu, laid out.
    Simulation &opened()
    {
        ui_->action(QStringLiteral("DevicesSimulationMenu"))->trigger();
        Simulation &simulation = *windows_.simulation;
        if (!QTest::qWaitForWindowExposed(&simulation))
            qWarning("the simulation window was not exposed");
        QCoreApplication::processEvents();
        return simulation;
    }

    QPushButton *button(const QString &name) const { return control<QPushButton>(*windows_.simulation, name); }

    static QStringList spanTexts(const SimulationTimeline &timeline)
    {
        QStringList texts;
        for (const SimulationTimeline::Span &span : timeline.spans())
            texts.append(ScheduleClockText(span.from) + QLatin1Char('-') + ScheduleClockText(span.to)
                         + (span.lit ? QStringLiteral(" Svítí") : QStringLiteral(" Nesvítí")));
        return texts;
    }

    static QStringList tableTexts(const QTableWidget &table)
    {
        QStringList rows;
        for (int r = 0; r < table.rowCount(); ++r)
            rows.append(table.item(r, 0)->text() + QLatin1Char('|') + table.item(r, 1)->text() + QLatin1Char('|')
                        + table.item(r, 2)->text());
        return rows;
    }

    static bool lit(const QLabel &bulb)
    {
        return bulb.pixmap().toImage() == QPixmap(QStringLiteral(":/light_on.png")).toImage();
    }

private slots:
    void init() { dir_ = std::make_unique<TemporaryCurrentDirectory>(); }
    void cleanup()
    {
        windows_ = Windows();
        ui_.reset();
        dir_.reset();
    }

    void timelinesFollowTheSchedule_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("days");
        QTest::addColumn<QStringList>("spans");
        QTest::addColumn<QStringList>("table");
        QTest::addColumn<QString>("end");

        QTest::newRow("corridor") << "18:30" << Chodba << 0 << 1
                                  << QStringList{"18:30:00-20:30:00 Svítí", "20:30:00-21:00:00 Nesvítí",
                                                 "21:00:00-21:00:05 Svítí"}
                                  << QStringList{"18:30:00|Svítí|2:00:00", "20:30:00|Nesvítí|0:30:00",
                                                 "21:00:00|Svítí|0:00:05", "21:00:05|konec|"}
                                  << "Konec bude v 21hodin";
        QTest::newRow("past midnight")
            << "23:00" << "on 1:00:00, off 0:59:59, on 0:00:01" << 0 << 2
            << QStringList{"23:00:00-+1d 00:00:00 Svítí", "+1d 00:00:00-+1d 00:59:59 Nesvítí",
                           "+1d 00:59:59-+1d 01:00:00 Svítí"}
            << QStringList{"23:00:00|Svítí|1:00:00", "+1d 00:00:00|Nesvítí|0:59:59", "+1d 00:59:59|Svítí|0:00:01",
                           "+1d 01:00:00|konec|"}
            << "Konec bude příší den o půlnoci a 59minut";
        QTest::newRow("several days")
            << "20:00" << "on 8:59:59, off 8:59:59, on 8:59:59, off 8:59:59, on 8:59:59" << 0 << 3
            << QStringList{"20:00:00-+1d 04:59:59 Svítí", "+1d 04:59:59-+1d 13:59:58 Nesvítí",
                           "+1d 13:59:58-+1d 22:59:57 Svítí", "+1d 22:59:57-+2d 07:59:56 Nesvítí",
                           "+2d 07:59:56-+2d 16:59:55 Svítí"}
            << QStringList{"20:00:00|Svítí|8:59:59", "+1d 04:59:59|Nesvítí|8:59:59", "+1d 13:59:58|Svítí|8:59:59",
                           "+1d 22:59:57|Nesvítí|8:59:59", "+2d 07:59:56|Svítí|8:59:59", "+2d 16:59:55|konec|"}
            << "Konec bude po dalších 2dnech v 16hodin a 55minut";
        QTest::newRow("8 periods, the first")
            << "06:00" << Vyloha << 0 << 1
            << QStringList{"06:00:00-07:30:00 Svítí", "07:30:00-16:29:59 Nesvítí", "16:29:59-16:29:59 Svítí"}
            << QStringList{"06:00:00|Svítí|1:30:00", "07:30:00|Nesvítí|8:59:59", "16:29:59|Svítí|0:00:00",
                           "16:29:59|konec|"}
            << "Konec bude v 16hodin a 29minut";
        QTest::newRow("8 periods, the sixth")
            << "06:00" << Vyloha << 5 << 1
            << QStringList{"06:00:00-06:15:00 Svítí", "06:15:00-06:30:00 Nesvítí", "06:30:00-06:45:00 Svítí",
                           "06:45:00-07:00:00 Nesvítí"}
            << QStringList{"06:00:00|Svítí|0:15:00", "06:15:00|Nesvítí|0:15:00", "06:30:00|Svítí|0:15:00",
                           "06:45:00|Nesvítí|0:15:00", "07:00:00|konec|"}
            << "Konec bude v 7hodin";
        QTest::newRow("8 periods, an empty one") << "06:00" << Vyloha << 6 << 1 << QStringList{}
                                                 << QStringList{"06:00:00|konec|"} << "Konec bude v 6hodin";
        QTest::newRow("8 periods, the last") << "06:00" << Vyloha << 7 << 1
                                             << QStringList{"06:00:00-11:00:00 Svítí"}
                                             << QStringList{"06:00:00|Svítí|5:00:00", "11:00:00|konec|"}
                                             << "Konec bude v 11hodin";
    }

    // Each period's timeline shows the schedule's spans in their order,
    // edge to edge inside the bar, starting where the start-up time falls in
    // the days shown; the table beside it and the sentence under it agree.
    void timelinesFollowTheSchedule()
    {
        QFETCH(QString, start);
        QFETCH(QString, program);
        QFETCH(int, period);
        QFETCH(int, days);
        QFETCH(QStringList, spans);
        QFETCH(QStringList, table);
        QFETCH(QString, end);
        started();
        load(start, program);
        Simulation &simulation = opened();
        QVERIFY(simulation.isVisible());
        QCOMPARE(simulation.periodCount(), int(program.count(QLatin1Char('|')) + 1));

        const SimulationTimeline &timeline = *simulation.timeline(period);
        QCOMPARE(timeline.days().days(), days);
        QCOMPARE(spanTexts(timeline), spans);
        const QRectF bar = timeline.barRect();
        QVERIFY(bar.left() >= 0 && bar.right() <= timeline.width());
        const qint64 startSeconds = start.left(2).toInt() * 3600 + start.mid(3).toInt() * 60;
        double left = bar.left() + bar.width() * double(startSeconds) / double(days * SecondsPerDay);
        for (const SimulationTimeline::Span &span : timeline.spans()) {
            QCOMPARE(span.rect.left(), left);
            QVERIFY(span.rect.right() >= span.rect.left());
            QVERIFY(span.rect.right() <= bar.right());
            QCOMPARE(span.rect.top(), bar.top());
            QCOMPARE(span.rect.height(), bar.height());
            left = span.rect.right();
        }
        QCOMPARE(tableTexts(*simulation.table(period)), table);
        QCOMPARE(control<QLabel>(simulation, QStringLiteral("SimulationEnd%1").arg(period + 1))->text(), end);
    }

    void goRunsTheDayOnTheClock_data()
    {
        QTest::addColumn<int>("step");       // of the speed track bar
        QTest::addColumn<int>("elapsedMs");  // real time since GO!
        QTest::addColumn<QString>("clock");
        QTest::addColumn<QList<bool>>("bulbs");
        QTest::addColumn<QList<int>>("rows"); // the table row at the marker, per period
        QTest::addColumn<bool>("running");

        // 17:45: period 1 on 3:15, off 1:00, on 0:20 (ends 22:20);
        // period 2 on 2:30, off 0:45:30, on 0:10, off 0:00:30 (ends 21:11).
        QTest::newRow("at GO!") << 9 << 0 << "17:45:00" << QList<bool>{true, true} << QList<int>{0, 0} << true;
        QTest::newRow("real time") << 0 << 5000 << "17:45:05" << QList<bool>{true, true} << QList<int>{0, 0}
                                   << true;
        QTest::newRow("one minute a second") << 3 << 90000 << "19:15:00" << QList<bool>{true, true}
                                             << QList<int>{0, 0} << true;
        QTest::newRow("an hour a second, one off") << 9 << 3000 << "20:45:00" << QList<bool>{true, false}
                                                   << QList<int>{0, 1} << true;
        QTest::newRow("one period ended") << 9 << 3500 << "21:15:00" << QList<bool>{false, false}
                                          << QList<int>{1, 4} << true;
        QTest::newRow("the day ended") << 9 << 60000 << "22:20:00" << QList<bool>{false, false}
                                       << QList<int>{3, 4} << false;
    }

    // GO! runs from the start-up time at the chosen speed: the clock, the
    // marker on every timeline, the bulbs and the tables' rows follow the
    // clock; the run stops at the end of the longest period.
    void goRunsTheDayOnTheClock()
    {
        QFETCH(int, step);
        QFETCH(int, elapsedMs);
        QFETCH(QString, clock);
        QFETCH(QList<bool>, bulbs);
        QFETCH(QList<int>, rows);
        QFETCH(bool, running);
        started();
        load(QStringLiteral("17:45"), Schodiste);
        Simulation &simulation = opened();
        control<QSlider>(*windows_.simulationSettings, QStringLiteral("SimulationSettings_Speed"))->setValue(step);
        QVERIFY(!simulation.markerTime());

        nowMs_ = 1000000;
        button(QStringLiteral("SimulationGoBtn"))->click();
        nowMs_ += elapsedMs;
        simulation.tick();

        QCOMPARE(control<QLabel>(simulation, QStringLiteral("SimulationClock"))->text(), clock);
        QCOMPARE(simulation.running(), running);
        for (int p = 0; p < 2; ++p) {
            QCOMPARE(lit(*simulation.bulb(p)), bulbs[p]);
            QTableWidget &table = *simulation.table(p);
            QCOMPARE(table.currentRow(), rows[p]);
            QCOMPARE(table.selectionModel()->selectedRows().size(), 1);
            const SimulationTimeline &timeline = *simulation.timeline(p);
            const std::optional<double> x = timeline.markerX();
            QVERIFY(x);
            // The marker stands on the span of the row shown, or past the last.
            const QList<SimulationTimeline::Span> spans = timeline.spans();
            if (rows[p] < spans.size()) {
                QVERIFY(*x >= spans[rows[p]].rect.left() && *x < spans[rows[p]].rect.right());
            } else {
                QVERIFY(*x >= spans.last().rect.right());
                QVERIFY(*x <= timeline.barRect().right());
            }
        }
    }

    // The list and the track bar choose the same speed; a new speed during
    // a run goes on from the time reached.
    void speedChangesKeepTheTimeReached()
    {
        started();
        load(QStringLiteral("18:30"), Chodba);
        Simulation &simulation = opened();
        QSlider *speed = control<QSlider>(*windows_.simulationSettings, QStringLiteral("SimulationSettings_Speed"));
        control<QListWidget>(*windows_.simulationSettings, QStringLiteral("ListBox1"))->setCurrentRow(9);
        QCOMPARE(speed->value(), 9);
        button(QStringLiteral("SimulationGoBtn"))->click();
        nowMs_ += 1000;
        simulation.tick();
        QCOMPARE(simulation.markerTime(), std::optional<qint64>((19 * 60 + 30) * 60));
        nowMs_ += 400;
        speed->setValue(0);
        QCOMPARE(control<QLabel>(simulation, QStringLiteral("SimulationSpeed"))->text(),
                 QStringLiteral("Rychlost: Skutečný čas"));
        nowMs_ += 2000;
        simulation.tick();
        QCOMPARE(simulation.markerTime(), std::optional<qint64>((19 * 60 + 54) * 60 + 2));
        // GO! again starts from the start-up time.
        button(QStringLiteral("SimulationGoBtn"))->click();
        QCOMPARE(simulation.markerTime(), std::optional<qint64>((18 * 60 + 30) * 60));
    }

    // "Čmariky, čmariky" shows the hour grid on every timeline and hides it.
    void scribblesToggleTheHourGrid()
    {
        started();
        load(QStringLiteral("06:00"), Vyloha);
        Simulation &simulation = opened();
        for (int p = 0; p < 8; ++p)
            QVERIFY(simulation.timeline(p)->gridLines().isEmpty());
        button(QStringLiteral("SimulationScribbleBtn"))->click();
        for (int p = 0; p < 8; ++p)
            QCOMPARE(simulation.timeline(p)->gridLines().size(), 23);
        button(QStringLiteral("SimulationScribbleBtn"))->click();
        for (int p = 0; p < 8; ++p)
            QVERIFY(simulation.timeline(p)->gridLines().isEmpty());
    }

    // The window follows the editor while it is open, a run included, and a
    // change made while it was closed shows when it opens again.
    void followsEditsOfTheProgram()
    {
        WindowUnderTest &ui = started();
        load(QStringLiteral("18:30"), Chodba);
        Simulation &simulation = opened();
        button(QStringLiteral("SimulationGoBtn"))->click();

        ui.typeDelay(QStringLiteral("01000"));
        QTest::mouseClick(ui.button(QStringLiteral("NewInstruction")), Qt::LeftButton);
        QCOMPARE(spanTexts(*simulation.timeline(0)).last(), QStringLiteral("21:00:05-21:10:05 Nesvítí"));
        QCOMPARE(tableTexts(*simulation.table(0)).last(), QStringLiteral("21:10:05|konec|"));
        // The run goes on over the new schedule, its row still shown.
        QVERIFY(simulation.running());
        QCOMPARE(simulation.table(0)->selectionModel()->selectedRows().size(), 1);

        ui.edit(QStringLiteral("StartUpTime"))->clear();
        ui.type(QStringLiteral("StartUpTime"), QStringLiteral("2300"));
        QCOMPARE(simulation.timeline(0)->days().days(), 2);
        QCOMPARE(spanTexts(*simulation.timeline(0)).first(), QStringLiteral("23:00:00-+1d 01:00:00 Svítí"));
        QCOMPARE(control<QLabel>(simulation, QStringLiteral("SimulationEnd1"))->text(),
                 QStringLiteral("Konec bude příší den v 1hodinu a 40minut"));

        button(QStringLiteral("SimulationCancelBtn"))->click();
        QVERIFY(!simulation.isVisible());
        ApplyPeriodCode(ui.session.program, 1);
        ui.window->ShowProgram();
        opened();
        QCOMPARE(simulation.periodCount(), 2);
        QCOMPARE(tableTexts(*simulation.table(1)), QStringList{"23:00:00|konec|"});
    }

    // "Nastavení" shows the settings; the cancel-kind button closes the
    // window and ends the run, which the next opening does not show.
    void panelButtons()
    {
        started();
        load(QStringLiteral("18:30"), Chodba);
        Simulation &simulation = opened();
        QVERIFY(!windows_.simulationSettings->isVisible());
        button(QStringLiteral("SimulationSettingsBtn"))->click();
        QVERIFY(windows_.simulationSettings->isVisible());

        button(QStringLiteral("SimulationGoBtn"))->click();
        QVERIFY(simulation.running());
        button(QStringLiteral("SimulationCancelBtn"))->click();
        QVERIFY(!simulation.isVisible());
        QVERIFY(!simulation.running());
        opened();
        QVERIFY(!simulation.markerTime());
        QVERIFY(!simulation.timeline(0)->markerX());
        QCOMPARE(control<QLabel>(simulation, QStringLiteral("SimulationClock"))->text(), QStringLiteral("18:30:00"));
    }
};

int main(int argc, char **argv)
{
    Q_INIT_RESOURCE(assets);
    QApplication app(argc, argv);
    SimulationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_simulation.moc"
