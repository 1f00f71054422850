// pellmora-cli show / export / import, driven as a user would.

#include "model/Cp1250.h"
#include "model/ProgramHeader.h"
#include "model/Segment.h"

#include "../storage/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

#include <sys/stat.h>

using namespace pellmora;
using namespace pellmora::model;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs pellmora-cli; `fileSizeLimit` bytes are all a file it writes may take,
// as on a disk that is full.
CliRun cli(const QStringList &args, const QByteArray &input = {}, rlim_t fileSizeLimit = RLIM_INFINITY)
{
    QProcess process;
    if (fileSizeLimit != RLIM_INFINITY)
        process.setChildProcessModifier([fileSizeLimit] { pellmora::testing::limitFileSize(fileSizeLimit); });
    process.start(QStringLiteral(PELLMORA_CLI), args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString example(const char *name)
{
    return QStringLiteral(PELLMORA_EXAMPLES "/") + QLatin1String(name);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray withoutComments(const QByteArray &text)
{
    QByteArray out;
    for (const QByteArray &line : text.split('\n')) {
        if (!line.startsWith('#') && !line.isEmpty())
            out += line + '\n';
    }
    return out;
}

struct ProgramFilesCli : ::testing::Test {
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
};


TEST_F(ProgramFilesCli, ChodbaExampleGivesTheWorkedImage)
{
    const CliRun run = cli({QStringLiteral("import"), example("chodba.txt"), QStringLiteral("-o"), path("c.plm")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QByteArray expected = QByteArray::fromHex("209C080705800000");
    expected += QByteArray(0x1F0 - 8, '\0');
    expected += QByteArray::fromHex("43686F646261000000005604111120 28");
    EXPECT_EQ(readAll(path("c.plm")).toHex(' ').toStdString(), expected.toHex(' ').toStdString());
    EXPECT_EQ(readAll(example("chodba.plm")), expected) << "examples/chodba.plm is the import of chodba.txt";

    const CliRun show = cli({QStringLiteral("show"), example("chodba.plm")});
    EXPECT_EQ(show.exitCode, 0);
    EXPECT_EQ(show.out.toStdString(),
              "Perioda 1\nSvítí 2hod \nNesvítí 30min \nSvítí 5s \nKonec bude v 21hodin \n");
}

TEST_F(ProgramFilesCli, ShowWordings)
{
    struct Case {
        QStringList options;
        const char *firstItem;
    };
    const Case cases[] = {
        {{}, "Svítí 2hod "},
        {{QStringLiteral("--wording"), QStringLiteral("1")}, "On 2hod "},
        {{QStringLiteral("--wording"), QStringLiteral("2")}, "Zapnuto 2hod "},
        {{QStringLiteral("--wording"), QStringLiteral("4")}, "Rozsviť na 2hod "},
        {{QStringLiteral("--wording"), QStringLiteral("4"), QStringLiteral("--on"), QStringLiteral("Rozsviť na"),
          QStringLiteral("--off"), QStringLiteral("Zhasni na")},
         "Rozsviť na 2hod "},
        {{QStringLiteral("--on"), QStringLiteral("Světlo plné 150"), QStringLiteral("--off"), QStringLiteral("x")},
         "Světlo plné 1502hod "},
    };
    for (const Case &c : cases) {
        const CliRun run = cli(QStringList{QStringLiteral("show"), example("chodba.plm")} + c.options);
        ASSERT_EQ(run.exitCode, 0) << c.options.join(' ').toStdString() << run.err.toStdString();
        EXPECT_EQ(run.out.split('\n').value(1).toStdString(), c.firstItem);
    }
}

TEST_F(ProgramFilesCli, ShowReadsOnlyWholeImages)
{
    const QByteArray image = readAll(example("chodba.plm"));
    writeAll(path("short.plm"), image.left(511));
    writeAll(path("long.plm"), image + QByteArray(100, '\x55'));
    struct Case {
        QStringList args;
        int exitCode;
        const char *errorPart;
    };
    const Case cases[] = {
        {{QStringLiteral("show"), path("short.plm")}, 2, "short.plm: shorter than 512 bytes"},
        {{QStringLiteral("show"), path("missing.plm")}, 2, "missing.plm: cannot be read"},
        {{QStringLiteral("show"), path("long.plm")}, 0, ""},
        {{QStringLiteral("export"), path("short.plm")}, 2, "short.plm: shorter than 512 bytes"},
        {{QStringLiteral("show")}, 2, "usage:"},
        {{QStringLiteral("show"), path("long.plm"), QStringLiteral("--wording"), QStringLiteral("5")}, 2,
         "--wording must be 1..4"},
        {{QStringLiteral("show"), path("long.plm"), QStringLiteral("--wording"), QStringLiteral("1"),
          QStringLiteral("--on"), QStringLiteral("x")}, 2, "--on and --off go with --wording 4 only"},
        {{QStringLiteral("show"), path("long.plm"), QStringLiteral("--on"), QStringLiteral("0123456789abcdef")}, 2,
         "--on must be at most 15 characters"},
        {{QStringLiteral("export")}, 2, "usage:"},
        {{QStringLiteral("import"), example("chodba.txt")}, 2, "usage:"},
        {{QStringLiteral("show"), QString()}, 2, "show: the file name is empty"},
        {{QStringLiteral("export"), QString()}, 2, "export: the file name is empty"},
        {{QStringLiteral("import"), QString(), QStringLiteral("-o"), path("x.plm")}, 2, "import: the file name is empty"},
        {{QStringLiteral("import"), example("chodba.txt"), QStringLiteral("-o"), QString()}, 2,
         "-o: the file name is empty"},
    };
    for (const Case &c : cases) {
        const CliRun run = cli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.errorPart))) << run.err.toStdString();
        EXPECT_LE(run.err.count('\n'), 1) << run.err.toStdString();
    }
    EXPECT_EQ(cli({QStringLiteral("show"), path("long.plm")}).out, cli({QStringLiteral("show"), example("chodba.plm")}).out);
}

TEST_F(ProgramFilesCli, ImportRefusesBadTextsWithTheLine)
{
    struct Case {
        const char *text;
        int line;
        const char *reasonPart;
    };
    const Case cases[] = {
        {"name: Chodba\ncolour: red\n", 2, "unknown key"},
        {"name: Obývací pokoj\n", 1, "over 10 characters"},
        {"name: 日本\n", 1, "code page 1250"},
        {"name: \"Chodba\n", 1, "closing quote"},
        {"id: 12345\n", 1, "four hexadecimal digits"},
        {"id: 12G4\n", 1, "four hexadecimal digits"},
        {"start: 24:00\n", 1, "time of day"},
        {"start: 7:60\n", 1, "time of day"},
        {"periods: 3\n", 1, "1, 2, 4, 6 or 8"},
        {"flags: locked dark\n", 1, "unknown flag"},
        {"calibration: 256 late\n", 1, "0..255"},
        {"calibration: 20\n", 1, "0..255"},
        {"start: 18:30\nname: Chodba\n", 2, "out of order"},
        {"name: A\nname: B\n", 2, "out of order"},
        {"period 1\nname: A\n", 2, "out of order"},
        {"on 1:00:00\n", 1, "before the first"},
        {"period 1\non 9:00:00\n", 2, "out of range"},
        {"period 1\non 0:60:00\n", 2, "out of range"},
        {"period 1\non 1:00\n", 2, "not a delay"},
        {"period 1\non 1:00:00\noff 0:00:00\n", 3, "off instruction of 0 seconds"},
        {"periods: 2\nperiod 3\n", 2, "not one of 1..2"},
        {"period 2\n", 1, "not one of 1..1"},
        {"periods: 4\nperiod 2\nperiod 2\n", 3, "given twice"},
        {"period 1\ndim 0:00:05\n", 2, "cannot read"},
        {"# fine\n\nname: \xC3\x28\n", 3, "not UTF-8"},
        {"", 1, "no program"},
        {"# a comment\n\n", 3, "no program"},
        {"begin\nend\n", 3, "no program"},
        {"begin\nname: A\nperiod 1\non 1:00:00\n", 5, "cut short"},
        {"begin\nname: A\n", 3, "cut short"},
        {"name: A\nbegin\n", 2, "first line"},
        {"begin\nname: A\nend\nperiod 1\n", 4, "after \"end\""},
    };
    for (const Case &c : cases) {
        QFile::remove(path("out.plm"));
        writeAll(path("bad.txt"), QByteArray(c.text));
        const CliRun run = cli({QStringLiteral("import"), path("bad.txt"), QStringLiteral("-o"), path("out.plm")});
        const std::string what = c.text;
        EXPECT_EQ(run.exitCode, 2) << what;
        const QString where = path("bad.txt") + QStringLiteral(":%1: ").arg(c.line);
        EXPECT_TRUE(run.err.startsWith(where)) << what << " -> " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.reasonPart))) << what << " -> " << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << what;
        EXPECT_FALSE(QFile::exists(path("out.plm"))) << what;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << what << ": a temporary file left behind";
    }
}

TEST_F(ProgramFilesCli, ImportLimitsEachPeriodToCapacityLessOne)
{
    struct Case {
        int periods;
        int capacity;
    };
    const Case cases[] = {{1, 248}, {6, 41}, {8, 31}};
    for (const Case &c : cases) {
        QByteArray text = "periods: " + QByteArray::number(c.periods) + "\nperiod " + QByteArray::number(c.periods) + "\n";
        for (int i = 0; i < c.capacity - 1; ++i)
            text += "on 0:00:01\n";
        const CliRun fits = cli({QStringLiteral("import"), QStringLiteral("-"), QStringLiteral("-o"), path("fits.plm")}, text);
        ASSERT_EQ(fits.exitCode, 0) << fits.err.toStdString();
        const QByteArray image = readAll(path("fits.plm"));
        const int last = (c.periods - 1) * c.capacity + c.capacity - 1; // the segment's last word
        EXPECT_EQ(image.mid(2 * last, 2), QByteArray(2, '\0')) << c.periods;
        EXPECT_EQ(image.mid(2 * (last - 1), 2), QByteArray::fromHex("0180")) << c.periods;

        const CliRun tooMany = cli({QStringLiteral("import"), QStringLiteral("-"), QStringLiteral("-o"), path("no.plm")},
                                text + "off 0:00:01\n");
        EXPECT_EQ(tooMany.exitCode, 2);
        EXPECT_TRUE(tooMany.err.startsWith(QStringLiteral("<stdin>:%1: ").arg(c.capacity + 2))) << tooMany.err.toStdString();
        EXPECT_FALSE(QFile::exists(path("no.plm")));
    }
}

TEST_F(ProgramFilesCli, ExamplesExportAsWritten)
{
    for (const char *name : {"chodba.txt", "schodiste-2-periody.txt", "vyloha-8-period.txt"}) {
        const CliRun import = cli({QStringLiteral("import"), example(name), QStringLiteral("-o"), path("e.plm")});
        ASSERT_EQ(import.exitCode, 0) << name << import.err.toStdString();
        const CliRun exported = cli({QStringLiteral("export"), path("e.plm")});
        EXPECT_EQ(exported.exitCode, 0);
        EXPECT_TRUE(exported.err.isEmpty()) << exported.err.toStdString();
        EXPECT_EQ(exported.out.toStdString(), withoutComments(readAll(example(name))).toStdString()) << name;
    }
}

TEST_F(ProgramFilesCli, EditorWrittenImagesSurviveExportAndImport)
{
    std::mt19937 rng(7);
    auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const QString odd = QStringLiteral("#\"\\ Žluťoučký kůň\u0081\u0098");
    for (int round = 0; round < 12; ++round) {
        Program program;
        ApplyPeriodCode(program, pick(5));
        ProgramSettings &s = program.settings;
        QString name;
        for (int i = pick(11); i > 0; --i)
            name += odd[pick(int(odd.size()))];
        s.DeviceName = name;
        s.DeviceId = static_cast<quint16>(pick(0x10000));
        s.StartUpMinutes = static_cast<quint16>(pick(1440));
        s.RandomDelays = pick(2);
        s.MemoryLocked = pick(2);
        s.FastMode = pick(2);
        s.CalibrationLate = pick(2);
        s.CalibrationValue = static_cast<quint8>(pick(256));
        for (int p = 0; p <= s.LastPeriod; ++p) {
            s.SegmentStart = static_cast<quint16>(SegmentFirstWord(s, p));
            s.InstructionCount = 0;
            for (int i = pick(s.SegmentCapacity); i > 0; --i)
                SegmentAppend(program, BuildInstructionWord(static_cast<quint16>(1 + pick(MaxDelaySeconds)), pick(2)));
        }
        PackHeader(program);
        writeAll(path("r.plm"), program.image.toBytes());

        const CliRun exported = cli({QStringLiteral("export"), path("r.plm")});
        ASSERT_EQ(exported.exitCode, 0);
        EXPECT_TRUE(exported.err.isEmpty()) << exported.err.toStdString();
        const CliRun imported = cli({QStringLiteral("import"), QStringLiteral("-"), QStringLiteral("-o"), path("back.plm")},
                                 exported.out.toUtf8());
        ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString() << "\n" << exported.out.toStdString();
        EXPECT_EQ(readAll(path("back.plm")).toHex(' ').toStdString(), program.image.toBytes().toHex(' ').toStdString())
            << exported.out.toStdString();
    }
}

TEST_F(ProgramFilesCli, ExportWarnsOfWhatItLeavesOut)
{
    struct Case {
        const char *what;
        std::function<void(DeviceImage &)> spoil;
        const char *warning;
    };
    const Case cases[] = {
        {"words after an end marker", [](DeviceImage &i) { i.words[5] = 0x8001; }, "words after the end marker"},
        {"period code 6", [](DeviceImage &i) { i.words[255] = 0x8600; }, "period code 6"},
        {"full segment", [](DeviceImage &i) { i.words.fill(0x0001); i.words[255] = 0x0000; },
         "instruction 248 of a full segment"},
        {"long delay", [](DeviceImage &i) { i.words[1] = 0x7FFF; }, "over 8:59:59"},
        {"start-up beyond midnight", [](DeviceImage &i) { i.words[253] = 1440; }, "beyond 23:59"},
    };
    for (const Case &c : cases) {
        DeviceImage image = DeviceImage::fromBytes(readAll(example("chodba.plm")));
        c.spoil(image);
        writeAll(path("odd.plm"), image.toBytes());
        const CliRun exported = cli({QStringLiteral("export"), path("odd.plm")});
        EXPECT_EQ(exported.exitCode, 0) << c.what;
        EXPECT_TRUE(exported.err.contains(QLatin1String(c.warning))) << c.what << ": " << exported.err.toStdString();
        // What it wrote is a program text the import takes.
        const CliRun imported = cli({QStringLiteral("import"), QStringLiteral("-"), QStringLiteral("-o"), path("o.plm")},
                                 exported.out.toUtf8());
        EXPECT_EQ(imported.exitCode, 0) << c.what << ": " << imported.err.toStdString();
    }
}

// An output that cannot be written whole ends with 1 and the reason, and an
// old file of that name stays byte for byte.
TEST_F(ProgramFilesCli, ImportIntoAnUnwritablePlaceFails)
{
    ASSERT_EQ(::mkfifo(qPrintable(path("pipe.plm")), 0644), 0);
    ASSERT_EQ(::symlink("loop.plm", qPrintable(path("loop.plm"))), 0);
    struct Case {
        const char *name;
        QString output;
        rlim_t fileSizeLimit;
        const char *reason;
    };
    const Case cases[] = {
        {"no such folder", path("no/such/dir/x.plm"), RLIM_INFINITY, ""},
        {"disk full", path("old.plm"), 100, "File too large"},
        {"a pipe", path("pipe.plm"), RLIM_INFINITY, "not a regular file"},
        {"a symbolic link to itself", path("loop.plm"), RLIM_INFINITY, "symbolic links"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        writeAll(path("old.plm"), "the previous program");

        const CliRun run = cli({QStringLiteral("import"), example("chodba.txt"), QStringLiteral("-o"), c.output}, {},
                               c.fileSizeLimit);

        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.startsWith(c.output + QStringLiteral(": cannot be written"))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.reason))) << run.err.toStdString();
        EXPECT_EQ(readAll(path("old.plm")), "the previous program");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "a temporary file left behind";
    }
    EXPECT_TRUE(QFileInfo(path("loop.plm")).isSymLink());
}

// A text that did not reach its file whole (the disk filled up) ends with 1,
// and what did reach it is no program text the import takes.
TEST_F(ProgramFilesCli, ExportCutShortFailsAndItsTextIsRefused)
{
    QByteArray text = "name: Dlouhy\nperiod 1\n";
    for (int i = 0; i < 150; ++i)
        text += i % 2 ? "off 0:00:01\n" : "on 1:00:00\n";
    ASSERT_EQ(cli({QStringLiteral("import"), QStringLiteral("-"), QStringLiteral("-o"), path("long.plm")}, text).exitCode, 0);

    QProcess process;
    process.setChildProcessModifier([] { pellmora::testing::limitFileSize(1024); });
    process.setStandardOutputFile(path("long.txt"));
    process.start(QStringLiteral(PELLMORA_CLI), {QStringLiteral("export"), path("long.plm")});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()).toStdString(),
              "pellmora-cli: standard output: cannot be written: File too large\n");
    const QByteArray cut = readAll(path("long.txt"));
    ASSERT_EQ(cut.size(), 1024);

    // Cut where the disk filled up, and cut at the end of a line.
    for (const QByteArray &part : {cut, cut.left(cut.lastIndexOf('\n') + 1)}) {
        writeAll(path("cut.txt"), part);
        const CliRun imported = cli({QStringLiteral("import"), path("cut.txt"), QStringLiteral("-o"), path("cut.plm")});
        EXPECT_EQ(imported.exitCode, 2) << imported.err.toStdString();
        EXPECT_FALSE(QFile::exists(path("cut.plm")));
    }
}

TEST_F(ProgramFilesCli, ScheduleListsClockTimesPerPeriod)
{
    const CliRun chodba = cli({QStringLiteral("schedule"), example("chodba.plm")});
    EXPECT_EQ(chodba.exitCode, 0) << chodba.err.toStdString();
    EXPECT_EQ(chodba.out.toStdString(), "perioda 1\t18:30:00\tSvítí\t2:00:00\n"
                                        "perioda 1\t20:30:00\tNesvítí\t0:30:00\n"
                                        "perioda 1\t21:00:00\tSvítí\t0:00:05\n"
                                        "perioda 1\t21:00:05\tkonec\n");

    const CliRun on = cli({QStringLiteral("schedule"), example("chodba.plm"), QStringLiteral("--wording"),
                           QStringLiteral("1")});
    EXPECT_EQ(on.out.split('\n').value(1).toStdString(), "perioda 1\t20:30:00\tOff\t0:30:00");

    // Two periods with random delays: each from the start-up time, the end
    // line saying that the delays are stretched at random.
    ASSERT_EQ(cli({QStringLiteral("import"), example("schodiste-2-periody.txt"), QStringLiteral("-o"), path("s.plm")})
                  .exitCode,
              0);
    const CliRun stairs = cli({QStringLiteral("schedule"), path("s.plm")});
    EXPECT_EQ(stairs.exitCode, 0);
    const QStringList lines = stairs.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[3].toStdString(), "perioda 1\t22:20:00\tkonec\t+ náhodné prodlevy");
    EXPECT_EQ(lines[4].toStdString(), "perioda 2\t17:45:00\tSvítí\t2:30:00");
    EXPECT_EQ(lines[8].toStdString(), "perioda 2\t21:11:00\tkonec\t+ náhodné prodlevy");

    // Past midnight: the day after the start-up day is marked.
    writeAll(path("late.plm"), [] {
        DeviceImage image = DeviceImage::fromBytes(readAll(example("chodba.plm")));
        image.words[253] = 23 * 60;
        return image.toBytes();
    }());
    EXPECT_EQ(cli({QStringLiteral("schedule"), path("late.plm")}).out.split('\n').value(3).toStdString(),
              "perioda 1\t+1d 01:30:05\tkonec");
}

TEST_F(ProgramFilesCli, ReportWritesAPdfOrSaysWhyNot)
{
    // No display and no platform chosen: the report draws offscreen.
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QLatin1String(name));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PELLMORA_CLI),
                  {QStringLiteral("report"), example("chodba.plm"), QStringLiteral("-o"), path("chodba.pdf")});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_TRUE(readAll(path("chodba.pdf")).startsWith("%PDF-"));

    struct Case {
        QStringList args;
        int exitCode;
        const char *errorPart;
    };
    writeAll(path("file"), "x");
    const Case cases[] = {
        {{QStringLiteral("report"), example("chodba.plm")}, 2, "usage:"},
        {{QStringLiteral("report"), example("chodba.plm"), QStringLiteral("-o")}, 2, "-o needs a value"},
        {{QStringLiteral("report"), QStringLiteral("-o"), path("x.pdf")}, 2, "usage:"},
        {{QStringLiteral("report"), path("missing.plm"), QStringLiteral("-o"), path("x.pdf")}, 2, "cannot be read"},
        {{QStringLiteral("report"), example("chodba.plm"), QStringLiteral("-o"), path("file/x.pdf")}, 1,
         "cannot be written"},
        {{QStringLiteral("schedule")}, 2, "usage:"},
        {{QStringLiteral("schedule"), path("missing.plm")}, 2, "cannot be read"},
    };
    for (const Case &c : cases) {
        const CliRun run = cli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.errorPart))) << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("x.pdf")));
    EXPECT_EQ(readAll(path("file")), "x");
}

} // namespace
