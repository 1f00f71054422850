// pellmora-help-pages: writes the manual pages of pellmora and pellmora-cli
// and the bash completion of pellmora-cli from what the programs themselves
// answer to --help, so that they name every command and option the parsers
// know, and no other:
//
//   pellmora-help-pages APP CLI TEMPLATE_FOLDER OUTPUT_FOLDER VERSION
//
// The templates (pellmora.1.in, pellmora-cli.1.in, pellmora-cli.bash.in)
// hold the written prose; their @NAME@ placeholders take the generated parts.
// The values offered for --sim-fault and COMn come from the code's own tables.

#include "connection/LinkOptions.h"
#include "sim/SimOptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void fail(const QString &text)
{
    throw std::runtime_error(text.toStdString());
}

// One option as --help lists it.
struct Option {
    QStringList names;   // "h", "help"
    QString value;       // "sim|ioport|tty|ftdi"; empty when it takes none
    QString description; // its wrapped lines joined

    bool operator==(const Option &) const = default;
};

// One --help answer: "Usage: ..." (without "Usage: "), the paragraphs under
// it and the options.
struct Help {
    QString usage;
    QString description;
    QList<Option> options;
};

// A command of pellmora-cli: its name, its arguments as the usage line shows
// them and its own --help.
struct Command {
    QString name;
    QString synopsis;
    Help help;
};

QString spelling(const QString &name)
{
    return (name.size() == 1 ? u"-"_s : u"--"_s) + name;
}

QStringList spellings(const Option &option)
{
    QStringList all;
    for (const QString &name : option.names)
        all << spelling(name);
    return all;
}

// --help of `program` with `arguments`. HOME is "~", so that the folders the
// texts name read as a user's, not as those of the machine that builds.
QString helpOutput(const QString &program, QStringList arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(u"HOME"_s, u"~"_s);
    QProcess process;
    process.setProcessEnvironment(environment);
    arguments << u"--help"_s;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        fail(u"%1 %2 failed: %3"_s.arg(program, arguments.join(u' '), QString::fromUtf8(process.readAllStandardError())));
    return QString::fromUtf8(process.readAllStandardOutput());
}

// "-h, --help" or "--link <sim|ioport|tty|ftdi>" into names and value.
Option optionOf(const QString &namesText)
{
    Option option;
    const qsizetype open = namesText.indexOf(u" <"_s);
    if (open >= 0) {
        if (!namesText.endsWith(u'>'))
            fail(u"unreadable option '%1'"_s.arg(namesText));
        option.value = namesText.mid(open + 2, namesText.size() - open - 3);
    }
    for (const QString &spelt : namesText.left(open).split(u", "_s)) {
        if (!spelt.startsWith(u'-'))
            fail(u"unreadable option '%1'"_s.arg(namesText));
        option.names << spelt.mid(spelt.startsWith(u"--"_s) ? 2 : 1);
    }
    return option;
}

// Qt's help layout: the usage line, the description, "Options:" and one
// option a line indented by two blanks, its description wrapped onto lines
// indented further.
Help parseHelp(const QString &text)
{
    const QStringList lines = text.split(u'\n');
    if (!lines.constFirst().startsWith(u"Usage: "_s))
        fail(u"no usage line in:\n"_s + text);
    Help help;
    help.usage = lines.constFirst().mid(7);
    const qsizetype options = lines.indexOf(u"Options:"_s);
    if (options < 0)
        fail(u"no options in:\n"_s + text);
    help.description = lines.mid(1, options - 1).join(u'\n').trimmed();
    for (const QString &line : lines.mid(options + 1)) {
        if (line.startsWith(u"  -"_s)) {
            const qsizetype gap = line.indexOf(u"  "_s, 2);
            help.options << optionOf(line.mid(2, gap < 0 ? -1 : gap - 2));
            help.options.last().description = gap < 0 ? QString() : line.mid(gap).trimmed();
        } else if (line.startsWith(u"   "_s) && !help.options.isEmpty()) {
            help.options.last().description += u' ' + line.trimmed();
        } else {
            break;
        }
    }
    return help;
}

// The commands pellmora-cli's --help lists, each with its own --help.
QList<Command> commandsOf(const QString &cli, const Help &top)
{
    static const QRegularExpression listed(u"^  pellmora-cli (\\S+) ?(.*)$"_s, QRegularExpression::MultilineOption);
    QList<Command> commands;
    for (auto match = listed.globalMatch(top.description); match.hasNext();) {
        const QRegularExpressionMatch command = match.next();
        commands.append({command.captured(1), command.captured(2), parseHelp(helpOutput(cli, {command.captured(1)}))});
    }
    if (commands.isEmpty())
        fail(u"pellmora-cli --help lists no command"_s);
    return commands;
}

// ---- Manual pages ----

// Text for troff: backslashes escaped, the dashes of options and of
// "pellmora-cli" and a lone "-" written as minus signs (typed as they read),
// a hyphen inside a word left as it is, a line never starting with a control
// character.
QString roff(const QString &text)
{
    QString escaped;
    bool option = false; // within a word that starts with a dash
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const QChar before = i > 0 ? text.at(i - 1) : u' ';
        const QChar after = i + 1 < text.size() ? text.at(i + 1) : u' ';
        if (c == u'-' && !before.isLetterOrNumber() && before != u'-')
            option = true;
        else if (!c.isLetterOrNumber() && c != u'-')
            option = false;
        const bool hyphen = before.isLetter() && after.isLetter() && !option && !text.mid(0, i).endsWith(u"pellmora"_s);
        if (c == u'\\')
            escaped += u"\\e"_s;
        else if (c == u'-' && !hyphen)
            escaped += u"\\-"_s;
        else
            escaped += c;
    }
    escaped.replace(u"\n."_s, u"\n\\&."_s).replace(u"\n'"_s, u"\n\\&'"_s);
    if (escaped.startsWith(u'.') || escaped.startsWith(u'\''))
        escaped.prepend(u"\\&"_s);
    return escaped;
}

// Arguments of a usage line: options bold, placeholders (FILE.plm, COMn)
// italic, the rest as it stands.
QString roffArguments(const QString &arguments)
{
    static const QRegularExpression word(u"(--?[a-z][a-z0-9-]*)|([A-Z]{2,}[A-Za-z0-9]*(?:\\.[a-z0-9]+)?)"_s);
    QString text;
    qsizetype done = 0;
    for (auto match = word.globalMatch(arguments); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        text += roff(arguments.mid(done, m.capturedStart() - done));
        text += (m.hasCaptured(1) ? u"\\fB"_s : u"\\fI"_s) + roff(m.captured()) + u"\\fR"_s;
        done = m.capturedEnd();
    }
    return text + roff(arguments.mid(done));
}

QString roffOption(const Option &option)
{
    QStringList names;
    for (const QString &spelt : spellings(option))
        names << u"\\fB"_s + roff(spelt) + u"\\fR"_s;
    QString entry = u".TP\n"_s + names.join(u", "_s);
    if (!option.value.isEmpty())
        entry += u" \\fI"_s + roff(option.value) + u"\\fR"_s;
    return entry + u'\n' + roff(option.description) + u'\n';
}

QString roffOptions(const QList<Option> &options)
{
    QString text;
    for (const Option &option : options)
        text += roffOption(option);
    return text;
}

// "a", "a and b", "a, b and c".
QString wordList(const QStringList &words)
{
    if (words.size() < 2)
        return words.join(QString());
    return words.mid(0, words.size() - 1).join(u", "_s) + u" and "_s + words.constLast();
}

// The option sections of pellmora-cli's page. An option that several
// commands take alike is described once, under the commands that take it
// ("test, program, read, verify and clock"); one only a single command takes
// is described under that command.
struct CliOptionSections {
    QHash<QString, QList<Option>> own; // by command
    QString shared;
};

CliOptionSections cliOptionSections(const QList<Command> &commands)
{
    QList<Option> options;
    QList<QStringList> takers;
    for (const Command &command : commands) {
        for (const Option &option : command.help.options) {
            const qsizetype known = options.indexOf(option);
            if (known < 0) {
                options << option;
                takers << QStringList{command.name};
            } else {
                takers[known] << command.name;
            }
        }
    }
    CliOptionSections sections;
    QList<QStringList> groups;
    QList<QList<Option>> grouped;
    for (qsizetype i = 0; i < options.size(); ++i) {
        if (takers[i].size() == 1) {
            sections.own[takers[i].constFirst()] << options[i];
            continue;
        }
        const qsizetype group = groups.indexOf(takers[i]);
        if (group < 0) {
            groups << takers[i];
            grouped << QList<Option>{options[i]};
        } else {
            grouped[group] << options[i];
        }
    }
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const QString heading = groups[i].size() == commands.size() ? u"Every command"_s : wordList(groups[i]);
        sections.shared += u".SS \""_s + roff(heading) + u"\"\n"_s + roffOptions(grouped[i]);
    }
    return sections;
}

QString cliSynopsis(const QList<Command> &commands)
{
    QString text;
    for (const Command &command : commands)
        text += u"\\fBpellmora\\-cli "_s + roff(command.name) + u"\\fR "_s + roffArguments(command.synopsis) + u"\n.br\n"_s;
    return text;
}

QString cliCommands(const QList<Command> &commands, const CliOptionSections &sections)
{
    QString text;
    for (const Command &command : commands) {
        text += u".TP\n\\fB"_s + roff(command.name) + u"\\fR "_s + roffArguments(command.synopsis) + u'\n'
                + roff(command.help.description) + u'\n';
        if (const QList<Option> own = sections.own.value(command.name); !own.isEmpty())
            text += u".RS\n"_s + roffOptions(own) + u".RE\n"_s;
    }
    return text;
}

// ---- Bash completion ----

// What completes the value of an option or a positional argument: fixed
// words, and files matching a pattern ("*" any file; empty none).
struct Completion {
    QStringList words;
    QString files;

    bool operator==(const Completion &) const = default;
};

// "*.[pP][lL][mM]": the extension in either case, as files copied from
// other systems come.
QString extensionPattern(const QString &extension)
{
    QString pattern = u"*."_s;
    for (const QChar c : extension)
        pattern += c.isLetter() ? u'[' + c.toLower() + c.toUpper() + u']' : QString(c);
    return pattern;
}

// A placeholder's alternatives ("PATH|none", "sim|ioport|tty|ftdi", "1..4",
// "COMn", "FILE.plm") as words and files.
Completion completionOf(const QString &placeholder)
{
    static const QRegularExpression literal(u"^[a-z0-9-]+$"_s);
    static const QRegularExpression range(u"^(\\d+)\\.\\.(\\d+)$"_s);
    static const QRegularExpression fileName(u"^[A-Z]+\\.([a-z0-9]+)$"_s);
    static const QRegularExpression repeated(u"\\.\\.\\.$"_s);
    static const QStringList anyFile = {u"FILE"_s, u"TEXTFILE"_s, u"PATH"_s, u"FOLDER"_s, u"DIR"_s};
    Completion completion;
    for (QString alternative : placeholder.split(u'|')) {
        alternative.remove(repeated); // "FILE.plm..." completes as "FILE.plm"
        if (const QRegularExpressionMatch r = range.match(alternative); r.hasMatch() && r.captured(2).toInt() <= 20) {
            for (int n = r.captured(1).toInt(); n <= r.captured(2).toInt(); ++n)
                completion.words << QString::number(n);
        } else if (literal.match(alternative).hasMatch()) {
            completion.words << alternative;
        } else if (alternative == u"COMn") {
            for (quint8 port = 0; port < 4; ++port)
                completion.words << pellmora::connection::portName(port);
        } else if (const QRegularExpressionMatch f = fileName.match(alternative); f.hasMatch()) {
            completion.files = completion.files.isEmpty() ? extensionPattern(f.captured(1)) : u"*"_s;
        } else if (anyFile.contains(alternative)) {
            completion.files = u"*"_s;
        }
    }
    return completion;
}

Completion valueCompletion(const Option &option)
{
    if (option.names.contains(u"sim-fault"_s))
        return {pellmora::sim::faultNames(), {}};
    return completionOf(option.value);
}

// The positional arguments of a usage line ("check FILE", "TEXTFILE|- -o
// FILE.plm [--wording 1..4]"): what is left without the bracketed parts and
// the options with their values.
QStringList positionals(const QString &synopsis, const QList<Option> &options)
{
    static const QRegularExpression bracketed(u"\\[[^\\[\\]]*\\]"_s);
    QString plain = synopsis;
    while (plain.contains(bracketed))
        plain.remove(bracketed);
    QStringList words = plain.split(u' ', Qt::SkipEmptyParts);
    QStringList result;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (!words[i].startsWith(u'-') || words[i] == u"-") {
            result << words[i];
            continue;
        }
        for (const Option &option : options) {
            if (spellings(option).contains(words[i]) && !option.value.isEmpty())
                ++i;
        }
    }
    return result;
}

QString shellWords(const QStringList &words)
{
    return u'"' + words.join(u' ') + u'"';
}

// One case branch a completion, its patterns joined:
// `"show 1"|"verify 1") words="..."; files='...' ;;`
QString completionCases(const QList<QPair<QString, Completion>> &keyed)
{
    QList<Completion> completions;
    QList<QStringList> keys;
    for (const auto &[key, completion] : keyed) {
        const qsizetype known = completions.indexOf(completion);
        if (known < 0) {
            completions << completion;
            keys << QStringList{key};
        } else {
            keys[known] << key;
        }
    }
    QString text;
    for (qsizetype i = 0; i < completions.size(); ++i)
        text += u"    "_s + keys[i].join(u'|') + u")\n        words="_s + shellWords(completions[i].words)
                + u"; files='"_s + completions[i].files + u"' ;;\n"_s;
    return text;
}

QHash<QString, QString> completionParts(const Help &top, const QList<Command> &commands)
{
    QStringList names;
    QString options = u"    \"\") echo "_s;
    QStringList topSpellings;
    for (const Option &option : top.options)
        topSpellings << spellings(option);
    options += shellWords(topSpellings) + u" ;;\n"_s;
    QList<QPair<QString, Completion>> values;
    QList<QPair<QString, Completion>> arguments;
    QList<QPair<QString, Completion>> repeats; // after every numbered argument
    for (const Command &command : commands) {
        names << command.name;
        QStringList all;
        for (const Option &option : command.help.options) {
            all << spellings(option);
            if (option.value.isEmpty())
                continue;
            for (const QString &spelt : spellings(option))
                values.append({u'"' + command.name + u' ' + spelt + u'"', valueCompletion(option)});
        }
        options += u"    "_s + command.name + u") echo "_s + shellWords(all) + u" ;;\n"_s;
        const QStringList placeholders = positionals(command.synopsis, command.help.options);
        for (qsizetype i = 0; i < placeholders.size(); ++i)
            arguments.append({u'"' + command.name + u' ' + QString::number(i + 1) + u'"', completionOf(placeholders[i])});
        // "FILE.plm...": as many as one likes.
        if (!placeholders.isEmpty() && placeholders.constLast().endsWith(u"..."_s))
            repeats.append({u'"' + command.name + u" \"*"_s, completionOf(placeholders.constLast())});
    }
    return {
        {u"COMMANDS"_s, names.join(u' ')},
        {u"OPTIONS"_s, options},
        {u"VALUES"_s, completionCases(values)},
        {u"ARGUMENTS"_s, completionCases(arguments) + completionCases(repeats)},
    };
}

// ---- Files ----

QString readTemplate(const QDir &folder, const QString &name)
{
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        fail(u"%1: %2"_s.arg(file.fileName(), file.errorString()));
    return QString::fromUtf8(file.readAll());
}

void writeFilled(const QDir &templates, const QString &name, const QDir &output,
                 const QHash<QString, QString> &parts)
{
    QString text = readTemplate(templates, name + u".in"_s);
    for (auto part = parts.begin(); part != parts.end(); ++part)
        text.replace(u'@' + part.key() + u'@', part.value());
    static const QRegularExpression left(u"@[A-Z_]+@"_s);
    if (const QRegularExpressionMatch unfilled = left.match(text); unfilled.hasMatch())
        fail(u"%1.in: nothing fills %2"_s.arg(name, unfilled.captured()));
    QSaveFile file(output.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        fail(u"%1: %2"_s.arg(file.fileName(), file.errorString()));
}

void generate(const QStringList &arguments)
{
    if (arguments.size() != 6)
        fail(u"usage: pellmora-help-pages APP CLI TEMPLATE_FOLDER OUTPUT_FOLDER VERSION"_s);
    const QString &app = arguments[1];
    const QString &cli = arguments[2];
    const QDir templates(arguments[3]);
    const QDir output(arguments[4]);
    const QString &version = arguments[5];

    const Help appHelp = parseHelp(helpOutput(app, {}));
    writeFilled(templates, u"pellmora.1"_s, output,
                {{u"VERSION"_s, version},
                 {u"DESCRIPTION"_s, roff(appHelp.description)},
                 {u"OPTIONS"_s, roffOptions(appHelp.options)}});

    const Help cliHelp = parseHelp(helpOutput(cli, {}));
    const QList<Command> commands = commandsOf(cli, cliHelp);
    const CliOptionSections sections = cliOptionSections(commands);
    writeFilled(templates, u"pellmora-cli.1"_s, output,
                {{u"VERSION"_s, version},
                 {u"SYNOPSIS"_s, cliSynopsis(commands)},
                 {u"COMMANDS"_s, cliCommands(commands, sections)},
                 {u"OPTIONS"_s, sections.shared}});

    QHash<QString, QString> completion = completionParts(cliHelp, commands);
    completion.insert(u"VERSION"_s, version);
    writeFilled(templates, u"pellmora-cli.bash"_s, output, completion);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    try {
        generate(QCoreApplication::arguments());
    } catch (const std::exception &error) {
        std::fprintf(stderr, "pellmora-help-pages: %s\n", error.what());
        return 1;
    }
    return 0;
}
