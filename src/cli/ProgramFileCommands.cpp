#include "cli/Commands.h"
#include "cli/ProgramText.h"

#include "model/InstructionFormat.h"
#include "model/ProgramHeader.h"
#include "model/TimeText.h"
#include "storage/FileText.h"
#include "storage/ProgramFile.h"

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
    ShowOptions options;
    int wording = 0;
    std::optional<QString> on;
    std::optional<QString> off;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        const bool hasValue = !args.isEmpty();
        if (arg == QLatin1String("--wording") && hasValue) {
            bool ok = false;
            wording = args.takeFirst().toInt(&ok);
            if (!ok || wording < 1 || wording > 4)
                return std::nullopt;
        } else if (arg == QLatin1String("--on") && hasValue) {
            on = args.takeFirst();
        } else if (arg == QLatin1String("--off") && hasValue) {
            off = args.takeFirst();
        } else if (options.file.isEmpty() && !arg.startsWith(QLatin1String("--"))) {
            options.file = arg;
        } else {
            return std::nullopt;
        }
    }
    const bool userWords = on || off;
    if (wording == 0)
        wording = userWords ? UserFormatCode : 3;
    if (options.file.isEmpty() || (userWords && wording != UserFormatCode))
        return std::nullopt;
    if (on.value_or(QString()).size() > FormatWordMaxLength || off.value_or(QString()).size() > FormatWordMaxLength)
        return std::nullopt;
    // Without words of their own, the user format shows the dialog's defaults.
    options.format.SetCurrentInstrFormat(wording, on.value_or(QStringLiteral("Rozsviť na")),
                                         off.value_or(QStringLiteral("Zhasni na")));
    return options;
}

int showCommand(const QStringList &args)
{
    const std::optional<ShowOptions> options = showOptions(args);
    if (!options)
        return usageOf("show FILE.plm [--wording 1..4] [--on WORD --off WORD] (words of at most 15 characters)");
    const std::optional<DeviceImage> image = readImage(options->file);
    if (!image)
        return ExitUsage;
    Program program;
    program.image = *image;
    if (UnpackHeader(program))
        warn(options->file, {QStringLiteral("period code beyond 4, shown as one period")});
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
    if (!WriteProgramFile(output, program.image)) {
        QTextStream(stderr) << output << ": cannot be written\n";
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
    };
}

} // namespace pellmora::cli
