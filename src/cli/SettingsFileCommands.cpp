#include "cli/Commands.h"

#include "storage/ConfigurationFile.h"
#include "storage/DeviceDatabase.h"
#include "storage/FileText.h"

#include <QTextStream>


using namespace pellmora::model;
using namespace pellmora::storage;

namespace pellmora::cli {

namespace {

int cannotOpen(const QString &path)
{
    QTextStream(stderr) << "cannot open " << path << "\n";
    return ExitUsage;
}

int usageOf(const char *synopsis)
{
    QTextStream(stderr) << "usage: pellmora-cli " << synopsis << "\n";
    return ExitUsage;
}

void printMessages(QTextStream &out, const Notices &notices)
{
    for (const Notice &n : notices)
        out << "message: " << n.text << "\n";
}

void printSettings(QTextStream &out, const ConfigurationSettings &s)
{
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
int configCommand(const QStringList &args)
{
    if (args.size() != 2 || args[0] != QLatin1String("check"))
        return usageOf("config check FILE");
    const std::optional<QByteArray> contents = ReadConfigurationBytes(args[1]);
    if (!contents)
        return cannotOpen(args[1]);
    ConfigurationSettings settings;
    const Notices notices = ParseConfiguration(*contents, settings);
    QTextStream out(stdout);
    printMessages(out, notices);
    printSettings(out, settings);
    return ExitOk;
}

// db list FILE: the messages of the start-up load, then one line per record.
int dbCommand(const QStringList &args)
{
    if (args.size() != 2 || args[0] != QLatin1String("list"))
        return usageOf("db list FILE");
    const std::optional<QByteArray> contents = storage::readFileHead(args[1], DeviceDatabase::LargestFile + 1);
    if (!contents)
        return cannotOpen(args[1]);
    const ParsedDatabase parsed = ParseDatabase(*contents);
    QTextStream out(stdout);
    printMessages(out, parsed.notices);
    for (const DatabaseRecord &r : parsed.records)
        out << r.Id << '\t' << r.Name << '\t' << r.Date << '\t' << r.File << "\n";
    return ExitOk;
}

} // namespace

QList<Command> settingsFileCommands()
{
    return {{QStringLiteral("config"), configCommand}, {QStringLiteral("db"), dbCommand}};
}

} // namespace pellmora::cli
