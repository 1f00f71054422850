#include "cli/Commands.h"
#include "cli/ProgramText.h"
#include "cli/WordingOptions.h"

#include "model/InstructionFormat.h"
#include "model/ProgramHeader.h"
#include "model/Schedule.h"
#include "report/ProgramReport.h"
#include "model/TimeText.h"
#include "storage/FileText.h"
#include "storage/ProgramFile.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <optional>

using namespace pellmora::model;
using namespace pellmora::storage;

namespace pellmora::cli {

namespace {

// A program text is small; anything longer is not one.
constexpr qint64 MaxProgramTextBytes = 1 << 20;

int refuse(const QString &reason)
{
    QTextStream(stderr) << reason << "\n";
    return ExitUsage;
}

int usageOf(const char *synopsis)
{
    return refuse(QStringLiteral("usage: pellmora-cli %1").arg(QLatin1String(synopsis)));
}

void print(const QByteArray &utf8)
{
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stdout);
    std::fflush(stdout);
}

void warn(const QString &file, const QStringList &lines, const QString &prefix = {})
{
    QTextStream err(stderr);
    for (const QString &line : lines)
        err << file << ": warning: " << prefix << line << "\n";
}

// The first 512 bytes of a program file, or the reason it has none.
std::optional<DeviceImage> readImage(const QString &path)
{
    DeviceImage image;
    if (ReadProgramFile(path, image))
        return image;
    if (!QFileInfo(path).isFile())
        refuse(QStringLiteral("%1: cannot be read").arg(path));
    else
        refuse(QStringLiteral("%1: shorter than %2 bytes, not a program file").arg(path).arg(DeviceImage::ByteCount));
    return std::nullopt;
}

struct ShowOptions {
    QString file;
    InstructionFormat format;
};

// show FILE.plm [--wording N] [--on WORD --off WORD]
std::optional<ShowOptions> showOptions(QStringList args)
{
    const std::optional<InstructionFormat> format = takeWordingOptions(args);
    if (!format || args.size() != 1 || args[0].startsWith(QLatin1String("--")))
        return std::nullopt;
    return ShowOptions{args[0], *format};
}

// The program of a file with its header unpacked, warning of a period code
// the program cannot hold.
std::optional<Program> readProgram(const QString &path)
{
    const std::optional<DeviceImage> image = readImage(path);
    if (!image)
        return std::nullopt;
    Program program;
    program.image = *image;
    if (UnpackHeader(program))
        warn(path, {QStringLiteral("period code beyond 4, shown as one period")});
    return program;
}

int showCommand(const QStringList &args)
{
    const std::optional<ShowOptions> options = showOptions(args);
    if (!options)
        return usageOf("show FILE.plm [--wording 1..4] [--on WORD --off WORD] (words of at most 15 characters)");
    std::optional<Program> read = readProgram(options->file);
    if (!read)
        return ExitUsage;
    Program &program = *read;
    QString out;
    for (int p = 0; p <= program.settings.LastPeriod; ++p) {
        program.settings.CurrentPeriod = static_cast<quint8>(p);
        program.settings.SegmentStart = static_cast<quint16>(program.settings.SegmentCapacity * p);
        out += QStringLiteral("Perioda %1\n").arg(p + 1);
        for (const QString &item : FillInstructionList(program, options->format))
            out += item + QLatin1Char('\n');
        out += UpdateEndTime(program) + QLatin1Char('\n');
    }
    print(out.toUtf8());
    return ExitOk;
}

// schedule FILE.plm [--wording N] [--on WORD --off WORD]
int scheduleCommand(const QStringList &args)
{
    const std::optional<ShowOptions> options = showOptions(args);
    if (!options)
        return usageOf("schedule FILE.plm [--wording 1..4] [--on WORD --off WORD] (words of at most 15 characters)");
    const std::optional<Program> program = readProgram(options->file);
    if (!program)
        return ExitUsage;
    QString out;
    for (const PeriodSchedule &schedule : ProgramSchedule(*program)) {
        const QString period = QStringLiteral("perioda %1").arg(schedule.period + 1);
        for (const ScheduleRow &row : ScheduleRows(schedule, options->format)) {
            QStringList fields{period, row.clock, row.state};
            if (!row.delay.isEmpty())
                fields << row.delay;
            else if (schedule.randomDelays)
                fields << RandomDelaysText;
            out += fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
        }
    }
    print(out.toUtf8());
    return ExitOk;
}

// report FILE.plm -o OUT.pdf [--wording N] [--on WORD --off WORD]
int reportCommand(QStringList args)
{
    const qsizetype o = args.indexOf(QStringLiteral("-o"));
    if (o < 0 || o + 1 >= args.size())
        return usageOf("report FILE.plm -o OUT.pdf [--wording 1..4] [--on WORD --off WORD]");
    const QString output = args.takeAt(o + 1);
    args.removeAt(o);
    const std::optional<ShowOptions> options = showOptions(args);
    if (!options)
        return usageOf("report FILE.plm -o OUT.pdf [--wording 1..4] [--on WORD --off WORD]");
    const std::optional<Program> program = readProgram(options->file);
    if (!program)
        return ExitUsage;
    const report::ReportInput input{program->image, options->format, QFileInfo(options->file).fileName(),
                                    QDate::currentDate()};
    if (const FileReplacement written = report::WriteReportPdf(output, input); !written) {
        QTextStream(stderr) << output << ": cannot be written: " << written.reason << "\n";
        return ExitRefused;
    }
    return ExitOk;
}

int exportCommand(const QStringList &args)
{
    if (args.size() != 1 || args[0].startsWith(QLatin1String("--")))
        return usageOf("export FILE.plm");
    const std::optional<DeviceImage> image = readImage(args[0]);
    if (!image)
        return ExitUsage;
    QStringList leftOut;
    const QByteArray text = WriteProgramText(*image, leftOut);
    print(text);
    warn(args[0], leftOut, QStringLiteral("left out "));
    return ExitOk;
}

std::optional<QByteArray> readText(const QString &path)
{
    if (path == QLatin1String("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return std::nullopt;
        return in.read(MaxProgramTextBytes + 1);
    }
    return storage::readFileHead(path, MaxProgramTextBytes + 1);
}

// import TEXTFILE|- -o FILE.plm
int importCommand(QStringList args)
{
    const qsizetype o = args.indexOf(QStringLiteral("-o"));
    if (args.size() != 3 || o < 0 || o == 2)
        return usageOf("import TEXTFILE|- -o FILE.plm");
    const QString output = args.takeAt(o + 1);
    args.removeAt(o);
    const QString input = args[0];
    const QString inputName = input == QLatin1String("-") ? QStringLiteral("<stdin>") : input;

    const std::optional<QByteArray> text = readText(input);
    if (!text)
        return refuse(QStringLiteral("%1: cannot be read").arg(inputName));
    if (text->size() > MaxProgramTextBytes)
        return refuse(QStringLiteral("%1: over %2 bytes, not a program text").arg(inputName).arg(MaxProgramTextBytes));
    Program program;
    ProgramTextError error;
    if (!ParseProgramText(*text, program, error))
        return refuse(QStringLiteral("%1:%2: %3").arg(inputName).arg(error.line).arg(error.reason));
    if (const FileReplacement written = WriteProgramFile(output, program.image); !written) {
        QTextStream(stderr) << output << ": cannot be written: " << written.reason << "\n";
        return ExitRefused;
    }
    return ExitOk;
}

} // namespace

QList<Command> programFileCommands()
{
    return {
        {QStringLiteral("show"), showCommand},
        {QStringLiteral("export"), exportCommand},
        {QStringLiteral("import"), importCommand},
        {QStringLiteral("schedule"), scheduleCommand},
        {QStringLiteral("report"), reportCommand},
    };
}

} // namespace pellmora::cli
