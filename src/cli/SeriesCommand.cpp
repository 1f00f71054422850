#include "cli/Commands.h"
#include "cli/DeviceRun.h"

#include "device/HexText.h"
#include "device/SeriesProgramming.h"
#include "model/ProgramHeader.h"
#include "storage/DeviceDatabase.h"
#include "storage/FileText.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <QThread>

#include <poll.h>
#include <unistd.h>

using namespace pellmora::model;
using namespace pellmora::device;
using namespace pellmora::storage;
using namespace Qt::StringLiterals;

namespace pellmora::cli {

namespace {

constexpr int SampleMilliseconds = 100;

// "pellmora-cli: TEXT" on standard error, the run going on.
void warn(const QString &line)
{
    QTextStream(stderr) << "pellmora-cli: " << line << Qt::endl;
}

std::optional<quint16> idArgument(const QString &text)
{
    bool ok = false;
    const uint id = text.toUInt(&ok, 16);
    if (!ok || text.isEmpty() || text.size() > 4 || text.startsWith(u'+') || text.startsWith(u'-'))
        return std::nullopt;
    return quint16(id);
}

// The database at `path`: read when it is there, an empty one that the first
// record creates when it is not. nullopt (after saying why) when the file is
// no database.
std::optional<DeviceDatabase> openDatabase(const QString &path)
{
    DeviceDatabase database;
    const QFileInfo info(path);
    database.Directory = info.absolutePath();
    database.FileName = info.fileName();
    if (!info.exists())
        return database;
    const std::optional<QByteArray> contents = readFileHead(path, DeviceDatabase::LargestFile + 1);
    if (!contents) {
        warn(path + u": cannot be read"_s);
        return std::nullopt;
    }
    ParsedDatabase parsed = ParseDatabase(*contents);
    if (parsed.refused) {
        for (const Notice &notice : parsed.notices)
            warn(path + u": "_s + notice.text);
        return std::nullopt;
    }
    database.Records = std::move(parsed.records);
    if (parsed.truncated)
        database.ReadOnlyReason = parsed.notices.value(0).text;
    return database;
}

// The first identifier of the series that a record already holds, told.
bool identifiersFree(const DeviceDatabase &database, quint16 firstId, int count)
{
    for (const DatabaseRecord &record : database.Records) {
        const std::optional<quint16> used = idArgument(record.Id);
        if (used && *used >= firstId && *used < firstId + count) {
            warn(u"identifier %1 is already in the database (%2, %3)"_s.arg(record.Id, record.Name, record.Date));
            return false;
        }
    }
    return true;
}

// Waits until the next switch is plugged in: the presence line drops as the
// previous one comes out and returns with the next, or the user presses
// Enter on a terminal. The first switch may already be there.
void awaitSwitch(link::Link &link, bool first)
{
    const bool terminal = isatty(STDIN_FILENO) == 1;
    if (terminal)
        say(u"(Enter: pokračovat)"_s);
    PresenceTrigger trigger(first);
    for (;;) {
        if (const std::optional<bool> present = SamplePresence(link); present && trigger.sample(*present))
            return;
        if (!terminal) {
            QThread::msleep(SampleMilliseconds);
            continue;
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (poll(&input, 1, SampleMilliseconds) > 0) {
            QTextStream(stdin).readLine();
            return;
        }
    }
}

QString stepText(SeriesStep step)
{
    switch (step) {
    case SeriesStep::ComTest: return u"  komunikační test"_s;
    case SeriesStep::Programming: return u"  programování"_s;
    case SeriesStep::Verifying: return u"  verifikace"_s;
    case SeriesStep::Clock: return u"  nastavení času"_s;
    case SeriesStep::Record: return u"  záznam v databázi"_s;
    case SeriesStep::Log: return {};
    }
    return {};
}

struct SeriesArguments {
    DeviceImage image;
    QString programFile;
    quint16 firstId = 0;
    int count = 0;
};

std::optional<SeriesArguments> takeArguments(const QCommandLineParser &parser, DeviceRun &run, QString *error)
{
    SeriesArguments arguments;
    *error = takeDeviceOptions(parser, run);
    if (!error->isEmpty())
        return std::nullopt;
    const std::optional<quint16> firstId = idArgument(parser.value(u"first-id"_s));
    if (!firstId) {
        *error = u"--first-id: expected 1 to 4 hexadecimal digits, not '%1'"_s.arg(parser.value(u"first-id"_s));
        return std::nullopt;
    }
    bool ok = false;
    const int count = parser.value(u"count"_s).toInt(&ok);
    if (!ok || count < 1 || count > 0x10000) {
        *error = u"--count: expected a number of switches from 1, not '%1'"_s.arg(parser.value(u"count"_s));
        return std::nullopt;
    }
    const QString path = parser.positionalArguments().constFirst();
    const std::optional<DeviceImage> image = readImage(path, error);
    if (!image)
        return std::nullopt;
    arguments.image = *image;
    arguments.programFile = QFileInfo(path).fileName();
    arguments.firstId = *firstId;
    arguments.count = count;
    return arguments;
}

SeriesPlan planOf(const SeriesArguments &arguments, const QCommandLineParser &parser)
{
    SeriesPlan plan;
    plan.program.image = arguments.image;
    UnpackHeader(plan.program);
    plan.programFile = arguments.programFile;
    plan.firstId = arguments.firstId;
    plan.count = arguments.count;
    plan.setClock = !parser.isSet(u"no-clock"_s);
    plan.addToDatabase = parser.isSet(u"db"_s);
    plan.logPath = parser.value(u"log"_s);
    return plan;
}

int runSeries(const QCommandLineParser &parser, DeviceRun &run)
{
    QString error;
    const std::optional<SeriesArguments> arguments = takeArguments(parser, run, &error);
    if (!arguments)
        return usageError(error);
    DeviceDatabase database;
    if (parser.isSet(u"db"_s)) {
        std::optional<DeviceDatabase> opened = openDatabase(parser.value(u"db"_s));
        if (!opened)
            return ExitUsage;
        database = std::move(*opened);
    }
    const SeriesPlan plan = planOf(*arguments, parser);
    if (plan.addToDatabase && !identifiersFree(database, plan.firstId, plan.count))
        return ExitFailed;
    if (!connect(run))
        return finish(run, ExitFailed);

    SeriesObserver observer;
    observer.step = [](SeriesStep step) {
        if (const QString text = stepText(step); !text.isEmpty())
            say(text);
    };
    DeviceMemoryState memory;
    SeriesProgramming series(run.link(), database, memory, plan, observer);
    if (const Notices refused = series.check(); !refused.isEmpty()) {
        printNotices(refused);
        return finish(run, ExitFailed);
    }
    // The presence line shows only while the interface is powered.
    run.state.PortBase = link::Link::ComPortBase(run.state.SelectedPort);
    run.link().LinkPowerOn();

    const bool wait = !parser.isSet(u"no-wait"_s);
    while (!series.finished()) {
        say(series.connectText());
        if (wait)
            awaitSwitch(run.link(), series.number() == 1);
        const SwitchOutcome outcome = series.programSwitch();
        printNotices(outcome.notices);
        say(u"%1;%2;%3"_s.arg(outcome.number).arg(NumberToHexText(outcome.id, 4), outcome.result));
        if (!outcome.ok || !outcome.logWritten)
            return finish(run, ExitFailed);
    }
    say(u"Naprogramováno spínačů: %1, záznam: %2"_s.arg(series.programmed())
            .arg(QDir::toNativeSeparators(series.logPath())));
    return finish(run, ExitOk);
}

} // namespace

QList<Command> seriesCommands(const std::shared_ptr<link::IoPortGrant> &ioPorts)
{
    return {
        {.name = u"series"_s,
         .synopsis = u"FILE.plm --first-id HEX --count N [--db DEVICES.ddl] [--no-clock] [--log FILE.csv] "
                     u"[--no-wait] [options]"_s,
         .summary = u"Programs a series of switches with consecutive identifiers, records and logs each."_s,
         .positionalCount = 1,
         .requiredOptions = {u"first-id"_s, u"count"_s},
         .addOptions =
             [](QCommandLineParser &parser) {
                 parser.addOptions({
                     {u"first-id"_s, u"The first switch's identifier, 4 hexadecimal digits."_s, u"HEX"_s},
                     {u"count"_s, u"How many switches the series has."_s, u"N"_s},
                     {u"db"_s, u"The device database each switch is recorded in (none: no records)."_s,
                      u"DEVICES.ddl"_s},
                     {u"no-clock"_s, u"Leave the switches' clocks as they are."_s},
                     {u"log"_s, u"The series log (default serie-YYYY-MM-DD.csv beside the database)."_s,
                      u"FILE.csv"_s},
                     {u"no-wait"_s, u"Go straight on to the next switch, without waiting for it to be plugged in."_s},
                 });
                 addDeviceOptions(parser);
             },
         .run =
             [ioPorts](const QCommandLineParser &parser) {
                 DeviceRun run;
                 run.ioPorts = ioPorts;
                 return runSeries(parser, run);
             }},
    };
}

} // namespace pellmora::cli
