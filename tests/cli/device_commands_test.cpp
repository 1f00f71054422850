// pellmora-cli test / program / read / verify / clock against the simulated
// switch, driven as a user would.

#include "../storage/FileSizeLimit.h"

#include "storage/RecordDate.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct DeviceRun {
    int exitCode = -1;
    QStringList lines; // stdout
    QString err;
};

// Runs pellmora-cli; `fileSizeLimit` bytes are all a file it writes may take,
// as on a disk that is full. The user's settings of every run live in
// `configHome` (by default a folder of this test program's own): no run
// reads the real user's link.
DeviceRun device(const QStringList &args, rlim_t fileSizeLimit = RLIM_INFINITY, const QString &configHome = {})
{
    static const QTemporaryDir emptyConfigHome;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_CONFIG_HOME"_s, configHome.isEmpty() ? emptyConfigHome.path() : configHome);
    QProcess process;
    if (fileSizeLimit != RLIM_INFINITY)
        process.setChildProcessModifier([fileSizeLimit] { pellmora::testing::limitFileSize(fileSizeLimit); });
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(PELLMORA_CLI), args);
    process.waitForFinished(60000);
    QString out = QString::fromUtf8(process.readAllStandardOutput());
    if (out.endsWith(u'\n'))
        out.chop(1);
    return {process.exitCode(), out.split(u'\n'), QString::fromUtf8(process.readAllStandardError())};
}

QByteArray pattern(int seed)
{
    QByteArray bytes(512, 0);
    for (int i = 0; i < 512; ++i)
        bytes[i] = char(i * 41 + seed);
    return bytes;
}

QString hex(char byte)
{
    return QString::number(quint8(byte), 16).rightJustified(2, u'0').toUpper();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DeviceCommands : public ::testing::Test {
protected:
    QString path(const char *name) const { return dir.filePath(QString::fromUtf8(name)); }
    // Every run on the same simulated memory file, at the fastest EEPROM
    // speed. The commands that run a communication test run it at half the
    // simulated switch's 60 baud: the switch takes the echo only at its
    // speed or slower, and the bus runs in real time here, which the
    // calibration of a loaded machine can make up to twice as fast as set.
    QStringList withSim(QStringList args) const
    {
        if (args.first() == u"test"_s || args.first() == u"series"_s)
            args << u"--pic-speed"_s << u"30"_s;
        return args << u"--sim-memory"_s << path("memory.bin") << u"--eeprom-speed"_s << u"2000"_s;
    }

    QTemporaryDir dir;
};

TEST_F(DeviceCommands, ProgramReadVerifyRoundTrip)
{
    const QByteArray bytes = pattern(3);
    writeFile(path("a.plm"), bytes);

    const DeviceRun programmed = device(withSim({u"program"_s, path("a.plm")}));
    EXPECT_EQ(programmed.exitCode, 0) << programmed.err.toStdString();
    EXPECT_EQ(programmed.lines, (QStringList{
                                    u"*** Nevratná operace.. přepíše paměť *** "_s,
                                    u"*** PROGRAMMING MEMORY *** "_s,
                                    u"*** I2C OPERATION VALID ***"_s,
                                    u"No výborně, musím se zase pochválit a obsluhu taky, žejo?"_s,
                                    u"*** VERIFICATION OK MY BABY *** "_s,
                                }));

    const DeviceRun read = device(withSim({u"read"_s, u"-o"_s, path("b.plm")}));
    EXPECT_EQ(read.exitCode, 0) << read.err.toStdString();
    EXPECT_EQ(read.lines, (QStringList{u"*** LOADING DEVICE DATA *** "_s, u"*** DATA LOADED WITH NO ERRORS *** "_s}));
    EXPECT_EQ(readFile(path("b.plm")), bytes);

    EXPECT_EQ(device(withSim({u"verify"_s, path("b.plm")})).exitCode, 0);

    // A file that differs in one byte: the verification says no and shows where.
    QByteArray changed = bytes;
    changed[0x11A] = char(0x5A ^ bytes[0x11A]);
    writeFile(path("c.plm"), changed);
    const DeviceRun verified = device(withSim({u"verify"_s, path("c.plm")}));
    EXPECT_EQ(verified.exitCode, 1);
    EXPECT_TRUE(verified.lines.contains(u"*** VERIFICATION ERROR *** "_s));
    EXPECT_TRUE(verified.lines.contains(u"11AH: soubor %1, zařízení %2"_s.arg(hex(changed[0x11A]), hex(bytes[0x11A]))));
}

// Each failure ends with exit status 1 and its text as the last line; a
// failed read leaves no file and keeps an old one byte for byte.
TEST_F(DeviceCommands, FailedReadLeavesNoFileAndFailedProgrammingSaysSo)
{
    const QString cableLost = u"Spojení s převodníkem se přerušilo (port nelze číst ani zapisovat). Zkontrolujte "
                              "kabel a spusťte Test Komunikace."_s;
    writeFile(path("old.plm"), pattern(7));
    struct Case {
        QStringList args;
        const char *fault;
        QString message;  // a line shown (empty: any)
        QString lastLine; // empty: any
    };
    const QList<Case> cases = {
        {{u"read"_s, u"-o"_s, path("new.plm")}, "no-eeprom", {}, u"*** NOT VALID I2C OPERATION *** "_s},
        {{u"read"_s, u"-o"_s, path("old.plm")}, "no-interface", {}, {}},
        // The verification after programming says what differs, as verify does.
        {{u"program"_s, path("old.plm")}, "flip-bit",
         u"123H: soubor %1, zařízení %2"_s.arg(hex(pattern(7)[0x123]), hex(char(pattern(7)[0x123] ^ 0x10))), {}},
        // The cable comes out in the middle of the transfer: whatever came
        // after it is never used.
        {{u"read"_s, u"-o"_s, path("new.plm")}, "pulled-cable", cableLost, u"*** NOT VALID I2C OPERATION *** "_s},
        {{u"read"_s, u"-o"_s, path("old.plm")}, "pulled-cable", cableLost, {}},
        {{u"program"_s, path("old.plm")}, "pulled-cable", cableLost, u"*** NOT VALID I2C OPERATION ***"_s},
        {{u"clock"_s}, "pulled-cable", cableLost, cableLost},
        {{u"clock"_s, u"--set"_s, u"12:00"_s}, "pulled-cable", cableLost, cableLost},
    };
    for (const Case &c : cases) {
        const QStringList args = c.args + QStringList{u"--sim-fault"_s, QString::fromUtf8(c.fault)};
        SCOPED_TRACE(args.join(u' ').toStdString());
        const DeviceRun run = device(withSim(args));
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        if (!c.message.isEmpty()) {
            EXPECT_TRUE(run.lines.contains(c.message)) << run.lines.join(u'|').toStdString();
        }
        if (!c.lastLine.isEmpty()) {
            EXPECT_EQ(run.lines.last(), c.lastLine);
        }
        EXPECT_FALSE(QFile::exists(path("new.plm")));
        EXPECT_EQ(readFile(path("old.plm")), pattern(7));
    }
}

// Every file a device command writes (the program read, the simulated
// memory, the bus trace) is kept byte for byte when the disk is full, and
// the command ends with 1 and the reason.
TEST_F(DeviceCommands, AFullDiskKeepsEveryOldFileAndEndsWithOne)
{
    writeFile(path("a.plm"), pattern(1));
    ASSERT_EQ(device(withSim({u"program"_s, path("a.plm")})).exitCode, 0);
    writeFile(path("b.plm"), pattern(2));
    struct Case {
        const char *name;
        QStringList args;
        const char *kept;
    };
    const Case cases[] = {
        {"read -o", {u"read"_s, u"-o"_s, path("old.plm")}, "old.plm"},
        {"the simulated memory", {u"program"_s, path("b.plm")}, "memory.bin"},
        {"the bus trace", {u"test"_s, u"--trace"_s, path("old.vcd")}, "old.vcd"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(path("old.plm"), "the previous program");
        writeFile(path("old.vcd"), "the previous trace");
        const QByteArray before = readFile(path(c.kept));

        const DeviceRun run = device(withSim(c.args), 100);

        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(path(c.kept))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(u"File too large"_s)) << run.err.toStdString();
        EXPECT_EQ(readFile(path(c.kept)), before);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 5) << "a temporary file left behind";
    }
}

TEST_F(DeviceCommands, CommunicationTestShowsItsStagesAndTheLinkInUse)
{
    const DeviceRun passed = device(withSim({u"test"_s, u"--verbose"_s, u"--port"_s, u"COM3"_s, u"--sim-port"_s,
                                             u"com3"_s}));
    EXPECT_EQ(passed.exitCode, 0) << passed.err.toStdString();
    EXPECT_EQ(passed.lines, (QStringList{
                                u"link: simulovaný spínač na COM3"_s,
                                u"port: COM3 (0x3E8)"_s,
                                u"Process: Checking Links"_s,
                                u"Process: Checking Interface Connection"_s,
                                u"Process: Catching Microcontroller's Communication ACK"_s,
                                u"Process: Establish Communication"_s,
                                u"OK - Připojeno"_s,
                            }));

    const DeviceRun silent = device(withSim({u"test"_s, u"--sim-fault"_s, u"silent-pic"_s}));
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_EQ(silent.lines.last(), u"Nechce o sobě dát potvrzení o naslouchání I2C, lenoch ! [Error 3]"_s);
}

// Every device command on the simulated switch says so on stderr, with or
// without --verbose; without --link the link is the one the window's port
// dialog stored, and --link overrides it for one run.
TEST_F(DeviceCommands, SimulatedSwitchSaysSoAndTheStoredLinkIsUsed)
{
    const QString simulated = u"pellmora-cli: spojení: simulovaný spínač na COM1 (ne skutečný spínač)\n"_s;
    writeFile(path("a.plm"), pattern(5));
    for (const QStringList &args : {QStringList{u"program"_s, path("a.plm")}, QStringList{u"test"_s, u"--verbose"_s},
                                    QStringList{u"read"_s, u"-o"_s, path("b.plm")}, QStringList{u"clock"_s},
                                    QStringList{u"verify"_s, path("a.plm")}}) {
        const DeviceRun run = device(withSim(args));
        EXPECT_EQ(run.exitCode, 0) << args.join(u' ').toStdString() << run.err.toStdString();
        // program's warnings about the file come before it
        EXPECT_TRUE(run.err.endsWith(simulated)) << args.join(u' ').toStdString() << run.err.toStdString();
        EXPECT_EQ(run.err.count(u"simulovaný"_s), 1);
    }

    const QString configHome = path("config");
    ASSERT_TRUE(QDir().mkpath(configHome + u"/pellmora"_s));
    writeFile(configHome + u"/pellmora/pellmora.conf"_s, "[link]\nbackend=tty\nttyDevice=/dev/does-not-exist\n");
    const DeviceRun stored = device(withSim({u"test"_s}), RLIM_INFINITY, configHome);
    EXPECT_EQ(stored.exitCode, 1);
    EXPECT_EQ(stored.err, u"Sériový port /dev/does-not-exist neexistuje\n"_s);
    const DeviceRun overridden = device(withSim({u"test"_s, u"--link"_s, u"sim"_s}), RLIM_INFINITY, configHome);
    EXPECT_EQ(overridden.exitCode, 0) << overridden.err.toStdString();
    EXPECT_EQ(overridden.err, simulated);
}

TEST_F(DeviceCommands, ClockIsSetAndReadBack)
{
    const DeviceRun set = device(withSim({u"clock"_s, u"--set"_s, u"7:08:09"_s}));
    EXPECT_EQ(set.exitCode, 0) << set.err.toStdString();
    ASSERT_EQ(set.lines.size(), 1);
    // Read back at once; the device clock may have ticked once meanwhile.
    EXPECT_TRUE(set.lines[0] == u"07:08:09" || set.lines[0] == u"07:08:10") << set.lines[0].toStdString();

    const DeviceRun bad = device(withSim({u"clock"_s, u"--sim-fault"_s, u"bad-clock-reply"_s}));
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.lines.last().contains(u"neplatný čas"_s));
}

TEST_F(DeviceCommands, BadUsageEndsWithTwoBeforeTouchingTheDevice)
{
    writeFile(path("short.plm"), QByteArray(100, 0));
    writeFile(path("a.plm"), pattern(1));
    const QList<QStringList> cases = {
        {u"program"_s},
        {u"program"_s, path("missing.plm")},
        {u"program"_s, path("short.plm")},
        {u"program"_s, path("a.plm"), path("a.plm")},
        {u"read"_s},
        {u"read"_s, path("b.plm")},
        {u"verify"_s},
        {u"verify"_s, path("a.plm"), u"--wording"_s, u"7"_s},
        {u"program"_s, u"--strict"_s},
        {u"test"_s, u"now"_s},
        {u"test"_s, u"--port"_s, u"COM9"_s},
        {u"test"_s, u"--port"_s},
        {u"test"_s, u"--eeprom-speed"_s, u"5000"_s},
        {u"test"_s, u"--pic-speed"_s, u"fast"_s},
        {u"test"_s, u"--link"_s, u"usb"_s},
        {u"test"_s, u"--sim-fault"_s, u"fire"_s},
        {u"clock"_s, u"--set"_s, u"25:00"_s},
        {u"clock"_s, u"--set"_s},
        {u"clock"_s, u"--later"_s},
        {u"series"_s, path("a.plm"), u"--count"_s, u"3"_s},
        {u"series"_s, path("a.plm"), u"--first-id"_s, u"10000"_s, u"--count"_s, u"3"_s},
        {u"series"_s, path("a.plm"), u"--first-id"_s, u"01G0"_s, u"--count"_s, u"3"_s},
        {u"series"_s, path("a.plm"), u"--first-id"_s, u"0100"_s, u"--count"_s, u"0"_s},
        {u"series"_s, path("missing.plm"), u"--first-id"_s, u"0100"_s, u"--count"_s, u"1"_s},
        {u"series"_s, path("a.plm"), u"--first-id"_s, u"0100"_s, u"--count"_s, u"1"_s, u"--db"_s, path("short.plm")},
    };
    for (const QStringList &args : cases) {
        const DeviceRun run = device(args + QStringList{u"--sim-memory"_s, path("memory.bin")});
        EXPECT_EQ(run.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty()) << args.join(u' ').toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("memory.bin")));
}

// A series of three on the simulated switch: three records, three log lines,
// the last identifier in the switch. A series that fails stops at that
// switch and records nothing for it; one that would reuse a recorded
// identifier does not start.
TEST_F(DeviceCommands, SeriesRecordsAndLogsEverySwitch)
{
    const QString program = QStringLiteral(PELLMORA_EXAMPLES "/chodba.plm");
    const auto series = [&](const char *firstId, QStringList more = {}) {
        return device(withSim(QStringList{u"series"_s, program, u"--first-id"_s, QString::fromLatin1(firstId),
                                          u"--count"_s, u"3"_s, u"--db"_s, path("devices.ddl"), u"--log"_s,
                                          path("serie.csv"), u"--no-wait"_s, u"--link"_s, u"sim"_s}
                              + more));
    };
    const QString today = pellmora::storage::FormatRecordDate(QDate::currentDate());
    const auto records = [&] { return device({u"db"_s, u"list"_s, path("devices.ddl")}).lines; };

    const DeviceRun done = series("0100");
    EXPECT_EQ(done.exitCode, 0) << done.err.toStdString();
    const QStringList recorded = {u"0100\tChodba\t"_s + today + u"\tchodba.plm"_s,
                                  u"0101\tChodba\t"_s + today + u"\tchodba.plm"_s,
                                  u"0102\tChodba\t"_s + today + u"\tchodba.plm"_s};
    EXPECT_EQ(records(), recorded);
    const QStringList log = QString::fromUtf8(readFile(path("serie.csv"))).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(log[0], u"poradi;id;nazev;cas;vysledek"_s);
    for (int i = 1; i <= 3; ++i)
        EXPECT_TRUE(log[i].startsWith(u"%1;010%2;Chodba;"_s.arg(i).arg(i - 1)) && log[i].endsWith(u";OK"_s)) << i;
    const QByteArray memory = readFile(path("memory.bin"));
    EXPECT_EQ(memory.mid(508, 2), QByteArray("\x02\x01", 2));

    EXPECT_EQ(series("0200", {u"--sim-fault"_s, u"no-eeprom"_s}).exitCode, 1);
    EXPECT_EQ(records(), recorded);
    EXPECT_TRUE(readFile(path("serie.csv")).contains("\n1;0200;Chodba;"));

    const DeviceRun reused = series("00FF");
    EXPECT_EQ(reused.exitCode, 1);
    EXPECT_TRUE(reused.err.contains(u"0100"_s)) << reused.err.toStdString();
    EXPECT_EQ(readFile(path("memory.bin")), memory);
}

TEST_F(DeviceCommands, VerificationSaysWhatTheDifferencesMean)
{
    ASSERT_EQ(device(withSim({u"program"_s, QStringLiteral(PELLMORA_EXAMPLES "/chodba.plm")})).exitCode, 0);

    // The file says "Předsíň" and 45 minutes off where the switch holds
    // "Chodba" and 30 minutes.
    QByteArray file = readFile(QStringLiteral(PELLMORA_EXAMPLES "/chodba.plm"));
    file.replace(0x1F0, 10, QByteArray("P\xF8\x65\x64s\xED\xF2\0\0\0", 10));
    file[2] = char(0x8C); // off 0:45:00 is 0x0A8C
    file[3] = char(0x0A);
    writeFile(path("changed.plm"), file);

    const DeviceRun verified = device(withSim({u"verify"_s, path("changed.plm"), u"--wording"_s, u"2"_s}));
    EXPECT_EQ(verified.exitCode, 1);
    const qsizetype bytesFrom = verified.lines.indexOf(u"002H: soubor 8C, zařízení 08"_s);
    ASSERT_GE(bytesFrom, 0) << verified.lines.join(u'\n').toStdString();
    EXPECT_EQ(verified.lines.mid(bytesFrom + 8), (QStringList{
        u"Perioda 1, instrukce 2: v souboru \"Vypnuto 45min\", v zařízení \"Vypnuto 30min\""_s,
        u"Název: v souboru \"Předsíň\", v zařízení \"Chodba\""_s,
    })) << verified.lines.join(u'\n').toStdString();
}

TEST_F(DeviceCommands, ProgrammingWarnsOfFindingsAndStrictRefuses)
{
    // Fast clock on, no name, two periods of which the second is empty.
    QByteArray file = readFile(QStringLiteral(PELLMORA_EXAMPLES "/chodba.plm"));
    file.replace(0x1F0, 10, QByteArray(10, '\0'));
    file[0x1FF] = char(0x91); // two periods, fast mode
    writeFile(path("odd.plm"), file);
    const QStringList warnings{
        u"varování: Je zapnut zrychlený mód: hodiny spínače poběží 60x rychleji."_s,
        u"varování: Perioda 2 nemá žádnou instrukci."_s,
        u"varování: Spínač nemá název."_s,
    };

    const DeviceRun strict = device(withSim({u"program"_s, u"--strict"_s, path("odd.plm")}));
    EXPECT_EQ(strict.exitCode, 1);
    EXPECT_EQ(strict.lines, QStringList{QString()}) << "nothing is programmed";
    EXPECT_TRUE(strict.err.startsWith(warnings.join(u'\n') + u'\n')) << strict.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("memory.bin")));

    const DeviceRun programmed = device(withSim({u"program"_s, path("odd.plm")}));
    EXPECT_EQ(programmed.exitCode, 0) << programmed.err.toStdString();
    EXPECT_EQ(programmed.lines.last(), u"*** VERIFICATION OK MY BABY *** "_s);
    EXPECT_TRUE(programmed.err.startsWith(warnings.join(u'\n') + u'\n')) << programmed.err.toStdString();

    // A sound program is programmed without a word, strict or not.
    const DeviceRun sound = device(withSim({u"program"_s, u"--strict"_s, QStringLiteral(PELLMORA_EXAMPLES "/chodba.plm")}));
    EXPECT_EQ(sound.exitCode, 0);
    EXPECT_FALSE(sound.err.contains(u"varování"_s)) << sound.err.toStdString();
}

} // namespace
