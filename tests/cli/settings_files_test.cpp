// pellmora-cli config check / db list, driven as a user would.

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Printed {
    int exitCode = -1;
    QString lines;
};

// Runs the command on `contents` stored in a temporary file (or on a path
// that does not exist when `contents` is null), or on `device`.
Printed runOn(const QString &command, const QString &subcommand, const QByteArray &contents, const char *device)
{
    QTemporaryDir folder;
    const QString file = device ? QString::fromLatin1(device) : folder.filePath(QStringLiteral("input"));
    if (!contents.isNull() && !device) {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(contents) != contents.size())
            return {};
    }
    QProcess process;
    process.start(QStringLiteral(PELLMORA_CLI), {command, subcommand, file});
    process.waitForFinished(30000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
}

struct FileCase {
    const char *name;
    QByteArray file;  // null: no file
    int exitCode;
    QString printed;  // standard output
    const char *device = nullptr;  // read instead of the file
};

void expectPrinted(const QString &command, const QString &subcommand, const QList<FileCase> &cases)
{
    for (const FileCase &c : cases) {
        SCOPED_TRACE(c.name);
        const Printed printed = runOn(command, subcommand, c.file, c.device);
        EXPECT_EQ(printed.exitCode, c.exitCode);
        EXPECT_EQ(printed.lines, c.printed);
    }
}

const QString InitialSettings = QStringLiteral("device directory: \n"
                                               "system directory: \n"
                                               "last programmed device: \n"
                                               "default port: COM1\n"
                                               "instruction format: 0\n"
                                               "user words: ''/''\n"
                                               "eeprom baud rate: 1000\n"
                                               "microcontroller baud rate: 60\n");

const QString NoHeader =
    QStringLiteral("message: To 'plmprg.cfg' teda, možná, neni konfigurační soubor, alespoň teda hlavička "
                   "neodpovídá, dyžtak jí přepište (začít hned na ! 1.sloupci !) na 'CFG_Pellmora'\n");

TEST(SettingsFileCommands, ConfigCheckPrintsMessagesThenSettings)
{
    const QList<FileCase> cases = {
        {"missing file", QByteArray(), 2, QString()},
        {"empty file", "", 0, NoHeader + InitialSettings},
        {"longer than 64 KiB", "CFG_Pellmora\r\nDefault Port:'COM2'  ;" + QByteArray(64 * 1024, 'x'), 0,
         NoHeader + InitialSettings},
        {"endless device", QByteArray(), 0, NoHeader + InitialSettings, "/dev/zero"},
        {"full file",
         "CFG_Pellmora  ;\r\nDevice Directory:'C:\\\xc8\xe1st'  ;\r\nSystem Directory:'D:\\'  ;\r\n"
         "Last Programmed Device:'a.plm'  ;\r\nDefault Port:'com4'  ;\r\nDefault Instruction Format:'4'  ;\r\n"
         "User Instruction Format:'Rozsvi\x9d na'/'Zhasni na'  ;\r\nEEPROM Baud Rate:'0'  ;\r\n"
         "Microcontroller Baud Rate:'65535'  ;\r\n",
         0,
         QStringLiteral("device directory: C:\\Část\nsystem directory: D:\\\nlast programmed device: a.plm\n"
                        "default port: COM4\ninstruction format: 4\nuser words: 'Rozsviť na'/'Zhasni na'\n"
                        "eeprom baud rate: 0\nmicrocontroller baud rate: 65535\n")},
        {"faulty lines", "CFG_Pellmora\r\nx\r\nEEPROM Baud Rate:'-5'\r\nUser Instruction Format:'a'\r\n", 0,
         QStringLiteral("message: Configuration File Error at Line: 1  Read Line: 'x\n"
                        "message: Hele, na liniji 2 je nějaká chybička jo, tak se tam laskavě pozeraj ty OPERÁTORE !\n"
                        "message: Hele, na liniji 3 je nějaká chybička jo - chybí tam duhý string - očekáváno: "
                        "\"User Instruction Format:'*'/'*'\" , tak se tam laskavě pozeraj ty OPERÁTORE !\n")
             + QString(InitialSettings).replace(QStringLiteral("''/''"), QStringLiteral("'a'/''"))},
    };
    expectPrinted(QStringLiteral("config"), QStringLiteral("check"), cases);
}

TEST(SettingsFileCommands, DbListPrintsMessagesThenRecords)
{
    const QList<FileCase> cases = {
        {"missing file", QByteArray(), 2, QString()},
        {"empty database", "DDL { }", 0, QString()},
        {"two records", "DDL { ! $00A1 &Kuchy\xf2 #7.12.2026 @a.plm ! $0002 & # @ }", 0,
         QStringLiteral("00A1\tKuchyň\t7.12.2026\ta.plm\n0002\t\t\t\n")},
        {"too small", "DDL {", 0,
         QStringLiteral("message: Nevím jestli ten soubor devices.ddl je skutečně databázový, nemá totiž hlavičku, "
                        "nebo je zcela prázdný...\n")},
        {"wrong header", "XYZ { ! $0001 }", 0,
         QStringLiteral("message: To 'device.ddl' nebude databázový soubor. Header missing error.\n")},
    };
    expectPrinted(QStringLiteral("db"), QStringLiteral("list"), cases);
}

} // namespace
