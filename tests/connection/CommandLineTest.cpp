#include "connection/CommandLine.h"

#include <gtest/gtest.h>

using namespace pellmora::connection;
using namespace Qt::StringLiterals;

namespace {

// What a command line asks for, and a wrong argument named as it was typed.
TEST(CommandLine, AsksForHelpVersionOrRunAndNamesAWrongArgument)
{
    struct Case {
        QStringList args;
        CommandLineRequest request;
        QString error;
        QStringList positional;
    };
    const QList<Case> cases = {
        {{u"a.plm"_s, u"--trace"_s, u"t.vcd"_s}, CommandLineRequest::Run, {}, {u"a.plm"_s}},
        {{u"--"_s, u"--frob"_s}, CommandLineRequest::Run, {}, {u"--frob"_s}},
        {{u"x"_s, u"--help"_s}, CommandLineRequest::Help, {}, {u"x"_s}},
        {{u"-h"_s}, CommandLineRequest::Help, {}, {}},
        {{u"-v"_s}, CommandLineRequest::Version, {}, {}},
        {{u"--frob"_s, u"--trace"_s, u"t.vcd"_s}, CommandLineRequest::Wrong, u"unknown option --frob"_s, {}},
        {{u"-frob=1"_s}, CommandLineRequest::Wrong, u"unknown option -frob"_s, {}},
        {{u"--help=yes"_s}, CommandLineRequest::Wrong, u"--help takes no value"_s, {}},
        {{u"a.plm"_s, u"--trace"_s}, CommandLineRequest::Wrong, u"--trace needs a value"_s, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        QCommandLineParser parser;
        prepareParser(parser);
        parser.addOption({u"trace"_s, u"A file."_s, u"PATH"_s});
        QString error;
        EXPECT_EQ(parseArguments(parser, QStringList{u"pellmora"_s} + c.args, &error), c.request);
        EXPECT_EQ(error, c.error);
        if (c.request != CommandLineRequest::Wrong) {
            EXPECT_EQ(parser.positionalArguments(), c.positional);
        }
    }
}

} // namespace
