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

#include <optional>

using namespace pellmora::model;
using namespace pellmora::storage;

using namespace Qt::StringLiterals;

namespace pellmora::cli {

namespace {

// A program text is small; anything longer is not one.
constexpr qint64 MaxProgramTextBytes = 1 << 20;

int refuse(const QString &reason)
{
    QTextStream(stderr) << reason << "\n";
    return ExitUsage;
}

void warn(const QString &file, const QStringList &lines, const QString &prefix = {})
{
    QTextStream err(stderr);
    for (const QString &line : lines)
        err << file << ": warning: " << prefix << line << "\n";
}

// The first 512 bytes of a program file, or the reason it has none.
std::optional<DeviceImage> readProgramImage(const QString &path)
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

void addOutputOption(QCommandLineParser &parser, const QString &file)
{
    parser.addOption({u"o"_s, u"The file to write."_s, file});
}

// The program of a file with its header unpacked, warning of a period code
// the program cannot hold.
std::optional<Program> readProgram(const QString &path)
{
    const std::optional<DeviceImage> image = readProgramImage(path);
    if (!image)
        return std::nullopt;
    Program program;
    program.image = *image;
    if (UnpackHeader(program))
        warn(path, {QStringLiteral("period code beyond 4, shown as one period")});
    return program;
}

// The program of the command's file and the wording of its options.
struct WordedProgram {
    QString file;
    Program program;
    InstructionFormat format;
};

// Runs `command` on the worded program of the arguments; a wrong wording or
// an unreadable file (told on stderr) ends in its exit status instead.
int withWordedProgram(const QCommandLineParser &parser, int (*command)(const QCommandLineParser &, WordedProgram &))
{
    QString error;
    const std::optional<InstructionFormat> format = wordingFrom(parser, &error);
    if (!format)
        return usageError(error);
    const QString file = parser.positionalArguments().constFirst();
    std::optional<Program> program = readProgram(file);
    if (!program)
        return ExitUsage;
    WordedProgram worded{file, std::move(*program), *format};
    return command(parser, worded);
}

int showProgram(const QCommandLineParser &, WordedProgram &worded)
{
    Program &program = worded.program;
    const InstructionFormat &format = worded.format;
    QString out;
    for (int p = 0; p <= program.settings.LastPeriod; ++p) {
        program.settings.CurrentPeriod = static_cast<quint8>(p);
        program.settings.SegmentStart = static_cast<quint16>(program.settings.SegmentCapacity * p);
        out += u"Perioda %1\n"_s.arg(p + 1);
        for (const QString &item : FillInstructionList(program, format))
            out += item + u'\n';
        out += UpdateEndTime(program) + u'\n';
    }
    printOut(out);
    return ExitOk;
}

int showSchedule(const QCommandLineParser &, WordedProgram &worded)
{
    QString out;
    for (const PeriodSchedule &schedule : ProgramSchedule(worded.program)) {
        const QString period = u"perioda %1"_s.arg(schedule.period + 1);
        for (const ScheduleRow &row : ScheduleRows(schedule, worded.format)) {
            QStringList fields{period, row.clock, row.state};
            if (!row.delay.isEmpty())
                fields << row.delay;
            else if (schedule.randomDelays)
                fields << RandomDelaysText;
            out += fields.join(u'\t') + u'\n';
        }
    }
    printOut(out);
    return ExitOk;
}

int writeReport(const QCommandLineParser &parser, WordedProgram &worded)
{
    const QString output = parser.value(u"o"_s);
    const report::ReportInput input{worded.program.image, worded.format, QFileInfo(worded.file).fileName(),
                                    QDate::currentDate()};
    if (const FileReplacement written = report::WriteReportPdf(output, input); !written) {
        QTextStream(stderr) << output << ": cannot be written: " << written.reason << "\n";
        return ExitFailed;
    }
    return ExitOk;
}

int exportCommand(const QCommandLineParser &parser)
{
    const QString file = parser.positionalArguments().constFirst();
    const std::optional<DeviceImage> image = readProgramImage(file);
    if (!image)
        return ExitUsage;
    QStringList leftOut;
    const QByteArray text = WriteProgramText(*image, leftOut);
    printOut(text);
    warn(file, leftOut, u"left out "_s);
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

int importCommand(const QCommandLineParser &parser)
{
    const QString input = parser.positionalArguments().constFirst();
    const QString output = parser.value(u"o"_s);
    const QString inputName = input == u"-" ? u"<stdin>"_s : input;

    const std::optional<QByteArray> text = readText(input);
    if (!text)
        return refuse(u"%1: cannot be read"_s.arg(inputName));
    if (text->size() > MaxProgramTextBytes)
        return refuse(u"%1: over %2 bytes, not a program text"_s.arg(inputName).arg(MaxProgramTextBytes));
    Program program;
    ProgramTextError error;
    if (!ParseProgramText(*text, program, error))
        return refuse(u"%1:%2: %3"_s.arg(inputName).arg(error.line).arg(error.reason));
    if (const FileReplacement written = WriteProgramFile(output, program.image); !written) {
        QTextStream(stderr) << output << ": cannot be written: " << written.reason << "\n";
        return ExitFailed;
    }
    return ExitOk;
}

} // namespace

QList<Command> programFileCommands()
{
    const QString wording = QLatin1String(WordingSynopsis);
    return {
        {.name = u"show"_s,
         .synopsis = u"FILE.plm "_s + wording,
         .summary = u"Lists each period's instructions as the instruction list words them, and when it ends."_s,
         .positionalCount = 1,
         .addOptions = addWordingOptions,
         .run = [](const QCommandLineParser &parser) { return withWordedProgram(parser, showProgram); }},
        {.name = u"export"_s,
         .synopsis = u"FILE.plm"_s,
         .summary = u"Prints a program file as a program text."_s,
         .positionalCount = 1,
         .run = exportCommand},
        {.name = u"import"_s,
         .synopsis = u"TEXTFILE|- -o FILE.plm"_s,
         .summary = u"Reads a program text (- for standard input) and writes the program file."_s,
         .positionalCount = 1,
         .requiredOptions = {u"o"_s},
         .addOptions = [](QCommandLineParser &parser) { addOutputOption(parser, u"FILE.plm"_s); },
         .run = importCommand},
        {.name = u"schedule"_s,
         .synopsis = u"FILE.plm "_s + wording,
         .summary = u"Says when the light switches, period by period."_s,
         .positionalCount = 1,
         .addOptions = addWordingOptions,
         .run = [](const QCommandLineParser &parser) { return withWordedProgram(parser, showSchedule); }},
        {.name = u"report"_s,
         .synopsis = u"FILE.plm -o OUT.pdf "_s + wording,
         .summary = u"Writes the report to hand to the customer, one A4 page in PDF."_s,
         .positionalCount = 1,
         .requiredOptions = {u"o"_s},
         .addOptions =
             [](QCommandLineParser &parser) {
                 addOutputOption(parser, u"OUT.pdf"_s);
                 addWordingOptions(parser);
             },
         .run = [](const QCommandLineParser &parser) { return withWordedProgram(parser, writeReport); }},
    };
}

} // namespace pellmora::cli
