#include "cli/Commands.h"

#include "storage/ConfigurationFile.h"
#include "storage/DeviceDatabase.h"
#include "storage/FileText.h"

#include <QTextStream>


using namespace pellmora::model;
using namespace pellmora::storage;

using namespace Qt::StringLiterals;

namespace pellmora::cli {

namespace {

int cannotOpen(const QString &path)
{
    QTextStream(stderr) << "cannot open " << path << "\n";
    return ExitUsage;
}

void printMessages(QString &out, const Notices &notices)
{
    for (const Notice &n : notices)
        out += u"message: "_s + n.text + u'\n';
}

void printSettings(QString &text, const ConfigurationSettings &s)
{
    QTextStream out(&text);
    out << "device directory: " << s.DeviceDirectory << "\n"
        << "system directory: " << s.SystemDirectory << "\n"
        << "last programmed device: " << s.CurrentFileName << "\n"
        << "default port: COM" << s.SelectedPort + 1 << "\n"
        << "instruction format: " << s.FormatCode << "\n"
        << "user words: '" << s.UserOnWord << "'/'" << s.UserOffWord << "'\n"
        << "eeprom baud rate: " << s.EepromBaudRate << "\n"
        << "microcontroller baud rate: " << s.PicBaudRate << "\n";
}

// config check FILE: the messages the start-up read would show, then the settings.
int configCommand(const QCommandLineParser &parser)
{
    const QStringList args = parser.positionalArguments();
    if (args[0] != QLatin1String("check"))
        return usageError(QStringLiteral("config: unknown action %1 (known: check)").arg(args[0]));
    const std::optional<QByteArray> contents = ReadConfigurationBytes(args[1]);
    if (!contents)
        return cannotOpen(args[1]);
    ConfigurationSettings settings;
    const Notices notices = ParseConfiguration(*contents, settings);
    QString out;
    printMessages(out, notices);
    printSettings(out, settings);
    printOut(out);
    return ExitOk;
}

// db list FILE: the messages of the start-up load, then one line per record.
int dbCommand(const QCommandLineParser &parser)
{
    const QStringList args = parser.positionalArguments();
    if (args[0] != QLatin1String("list"))
        return usageError(QStringLiteral("db: unknown action %1 (known: list)").arg(args[0]));
    const std::optional<QByteArray> contents = storage::readFileHead(args[1], DeviceDatabase::LargestFile + 1);
    if (!contents)
        return cannotOpen(args[1]);
    const ParsedDatabase parsed = ParseDatabase(*contents);
    QString out;
    printMessages(out, parsed.notices);
    for (const DatabaseRecord &r : parsed.records)
        out += QStringList{r.Id, r.Name, r.Date, r.File}.join(u'\t') + u'\n';
    printOut(out);
    return ExitOk;
}

} // namespace

QList<Command> settingsFileCommands()
{
    return {
        {.name = QStringLiteral("config"),
         .synopsis = QStringLiteral("check FILE"),
         .summary = QStringLiteral("Prints the messages and the settings of a configuration file."),
         .positionalCount = 2,
         .run = configCommand},
        {.name = QStringLiteral("db"),
         .synopsis = QStringLiteral("list FILE"),
         .summary = QStringLiteral("Prints the messages and the records of a device database."),
         .positionalCount = 2,
         .run = dbCommand},
    };
}

} // namespace pellmora::cli
