#include "connection/CommandLine.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace pellmora::connection {

namespace {

// The options of `arguments` (the program's name first) up to "--", which
// ends them.
QStringList optionArguments(const QStringList &arguments)
{
    const QStringList after = arguments.mid(1);
    const qsizetype end = after.indexOf(u"--"_s);
    QStringList options;
    for (const QString &argument : after.mid(0, end))
        if (argument.startsWith(u'-') && argument.size() > 1)
            options << argument;
    return options;
}

// An option as it was typed, without its value: "--frob" or "-frob" for the
// name "frob".
QString typedOption(const QStringList &arguments, const QString &name)
{
    for (const QString &option : optionArguments(arguments)) {
        const QString spelt = option.section(u'=', 0, 0);
        if (QStringView(spelt).mid(spelt.startsWith(u"--") ? 2 : 1) == name)
            return spelt;
    }
    return u"--"_s + name;
}

// Qt's parser names an unknown option without its dashes and words its
// other two complaints on its own: these say which argument, as typed. The
// parser is used to tell the complaints apart, so it holds nothing useful
// afterwards.
QString wrongArgument(QCommandLineParser &parser, const QStringList &arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return u"unknown option "_s + typedOption(arguments, unknown.constFirst());
    for (const QString &option : optionArguments(arguments)) {
        if (option.contains(u'=') && !parser.parse({arguments.constFirst(), option}))
            return option.section(u'=', 0, 0) + u" takes no value"_s;
    }
    // Only the last argument can lack the value it takes.
    if (parser.parse(arguments.mid(0, arguments.size() - 1)))
        return arguments.constLast() + u" needs a value"_s;
    return parser.errorText();
}

} // namespace

void prepareParser(QCommandLineParser &parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    parser.addOption(QCommandLineOption({u"h"_s, u"help"_s}, u"Show this help."_s));
    parser.addOption(QCommandLineOption({u"v"_s, u"version"_s}, u"Show the version."_s));
}

CommandLineRequest parseArguments(QCommandLineParser &parser, const QStringList &arguments, QString *error)
{
    if (!parser.parse(arguments)) {
        *error = wrongArgument(parser, arguments);
        return CommandLineRequest::Wrong;
    }
    if (parser.isSet(u"help"_s))
        return CommandLineRequest::Help;
    if (parser.isSet(u"version"_s))
        return CommandLineRequest::Version;
    return CommandLineRequest::Run;
}

QString helpText(const QCommandLineParser &parser, const QString &usage)
{
    const QString text = parser.helpText();
    return usage + text.mid(text.indexOf(u'\n'));
}

QString versionText()
{
    return QCoreApplication::applicationName() + u' ' + QStringLiteral(PELLMORA_VERSION);
}

} // namespace pellmora::connection
