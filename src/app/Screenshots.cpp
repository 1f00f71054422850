// Takes the screenshots shown in the README: the main window with a program
// open, the configuration dialog over it, and the simulation of the corridor
// program and of an eight-period shop window, each in the middle of a run,
// and the series window in the middle of a series.
// Run on a virtual display:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/src/app/pellmora-screenshots assets/screenshots
// It works in a temporary directory on the simulated switch with blank memory.

#include "app/AppWindows.h"
#include "ui/Prompt.h"
#include "ui/Session.h"

#include "connection/DeviceConnection.h"
#include "model/ProgramHeader.h"
#include "model/Segment.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSlider>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

using namespace pellmora;
using namespace pellmora::app;
using namespace pellmora::ui;

namespace {

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool write(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The worked example "Chodba" and the settings that reopen it.
bool prepareFiles()
{
    QByteArray image(512, '\0');
    image.replace(0, 8, QByteArray::fromHex("209C080705800000"));
    image.replace(0x1F0, 16, QByteArray::fromHex("43686F64626100000000560411112028"));
    const QByteArray configuration = "CFG_Pellmora  ;\r\nDevice Directory:''  ;\r\nSystem Directory:''  ;\r\n"
                                     "Last Programmed Device:'chodba.plm'  ;\r\nDefault Port:'COM1'  ;\r\n"
                                     "Default Instruction Format:'3'  ;\r\n"
                                     "User Instruction Format:'Rozsvi\x9D na'/'Zhasni na'  ;\r\n"
                                     "EEPROM Baud Rate:'1000'  ;\r\nMicrocontroller Baud Rate:'60'  ;\r\n";
    return write(QStringLiteral("chodba.plm"), image) && write(QStringLiteral("plmprg.cfg"), configuration)
        && write(QStringLiteral("devices.ddl"), "DDL { }");
}

// The shop window of eight periods, one per working shift pattern.
model::DeviceImage shopWindow()
{
    using model::BuildInstructionWord;
    const auto on = [](int h, int m, int s) { return BuildInstructionWord(quint16(h * 3600 + m * 60 + s), true); };
    const auto off = [](int h, int m, int s) { return BuildInstructionWord(quint16(h * 3600 + m * 60 + s), false); };
    const QList<QList<quint16>> periods{
        {on(1, 30, 0), off(8, 59, 59), on(0, 0, 0)},
        {on(2, 0, 0), off(0, 30, 0)},
        {on(0, 45, 0)},
        {on(4, 0, 0), off(4, 0, 0), on(4, 0, 0)},
        {off(0, 0, 1), on(8, 59, 59)},
        {on(0, 15, 0), off(0, 15, 0), on(0, 15, 0), off(0, 15, 0)},
        {},
        {on(5, 0, 0)},
    };
    model::Program program;
    model::ApplyPeriodCode(program, 4);
    model::ProgramSettings &settings = program.settings;
    settings.DeviceName = QStringLiteral("Výloha 8");
    settings.DeviceId = 0xBEEF;
    settings.StartUpMinutes = 6 * 60;
    settings.RandomDelays = settings.MemoryLocked = settings.FastMode = true;
    settings.CalibrationValue = 255;
    settings.CalibrationLate = true;
    for (int p = 0; p < periods.size(); ++p) {
        int at = model::SegmentFirstWord(settings, p);
        for (quint16 word : periods[p])
            program.image.words[std::size_t(at++)] = word;
    }
    model::PackHeader(program);
    return program.image;
}

// The simulation of the program on view, `runMs` into a run at the speed
// of `step`, with the hour grid shown or not.
bool grabSimulation(Windows &windows, int step, int runMs, bool grid, const QString &path)
{
    Simulation &simulation = *windows.simulation;
    windows.simulationSettings->findChild<QSlider *>(QStringLiteral("SimulationSettings_Speed"))->setValue(step);
    simulation.show();
    simulation.setGridShown(grid);
    wait(500);
    simulation.findChild<QPushButton *>(QStringLiteral("SimulationGoBtn"))->click();
    wait(runMs);
    const bool ok = simulation.grab().save(path);
    simulation.close();
    return ok;
}

bool grab(const QWidget &window, const QString &path)
{
    QScreen *screen = window.screen();
    const QPixmap shot = screen->grabWindow(0).copy(window.frameGeometry());
    return shot.save(path);
}

// The dialog over the main window. The virtual display has no window manager
// to draw frames, so the main window is dimmed and the dialog gets a border
// and a shadow of its own.
bool grabDialogOver(QWidget &window, QWidget &dialog, const QString &path)
{
    QPixmap shot = window.grab();
    const QPixmap over = dialog.grab();
    const QPoint at = dialog.frameGeometry().topLeft() - window.frameGeometry().topLeft();
    QPainter painter(&shot);
    painter.fillRect(shot.rect(), QColor(0, 0, 0, 70));
    painter.fillRect(QRect(at + QPoint(6, 6), over.size()), QColor(0, 0, 0, 90));
    painter.drawPixmap(at, over);
    painter.setPen(QPen(QColor(40, 50, 70), 2));
    painter.drawRect(QRect(at, over.size()).adjusted(-1, -1, 0, 0));
    return shot.save(path);
}

// The series window in the middle of a series: two switches done, the
// third one awaited.
bool grabSeries(Windows &windows, const QString &path)
{
    SeriesProgrammingForm &series = *windows.series;
    series.show();
    wait(500);
    series.findChild<QLineEdit *>(QStringLiteral("FirstIdEdit"))->setText(QStringLiteral("0101"));
    series.findChild<QSpinBox *>(QStringLiteral("CountSpin"))->setValue(12);
    for (int i = 0; i < 2; ++i)
        series.findChild<QPushButton *>(QStringLiteral("StartBtn"))->click();
    wait(800);
    const bool ok = grab(series, path);
    series.findChild<QPushButton *>(QStringLiteral("EndBtn"))->click();
    series.close();
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    Q_INIT_RESOURCE(assets);
    QApplication app(argc, argv);
    QTranslator qtTranslation;
    prepareApplication(qtTranslation);
    const QString output = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".")).absolutePath();

    QTemporaryDir work;
    if (!work.isValid() || !QDir::setCurrent(work.path()) || !prepareFiles()) {
        std::fputs("cannot prepare the working directory\n", stderr);
        return 1;
    }
    Session session;
    MessageBoxPrompt prompt;
    connection::LinkOptions options;
    options.simMemoryNone = true;
    QString error;
    auto connection = connection::DeviceConnection::open(options, session.link, 0, &error);
    if (!connection) {
        std::fputs(qPrintable(error + QLatin1Char('\n')), stderr);
        return 1;
    }
    ApplicationWindows windows;
    windows.start(session, prompt, *connection);
    wait(9000); // first paint, calibration and the welcome scroll come to rest

    MainInterface &window = *windows.main;
    Configuration &configuration = *windows.others.configuration;
    bool ok = grab(window, output + QStringLiteral("/main.png"));
    configuration.show();
    wait(800);
    ok = grabDialogOver(window, configuration, output + QStringLiteral("/configuration.png")) && ok;
    configuration.hide();
    ok = grabSeries(windows.others, output + QStringLiteral("/series.png")) && ok;
    ok = grabSimulation(windows.others, 9, 1200, false, output + QStringLiteral("/simulation-chodba.png")) && ok;
    session.program.image = shopWindow();
    window.ReloadProgram();
    ok = grabSimulation(windows.others, 9, 3500, true, output + QStringLiteral("/simulation-8.png")) && ok;
    connection->finish(&error);
    return ok ? 0 : 1;
}
