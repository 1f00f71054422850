// --help, --version and wrong arguments of both programs, run as a user would.

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct CommandCase {
    const char *program;
    QStringList args;
    int exitCode;
    QString out; // a part of standard output; empty: nothing printed there
    QString err; // a part of standard error; empty: nothing printed there
};

TEST(CommandLine, HelpAndVersionOnStandardOutputAWrongArgumentNamed)
{
    const QString version = QStringLiteral(PELLMORA_VERSION);
    const QList<CommandCase> cases = {
        {PELLMORA_CLI, {u"--help"_s}, 0, u"  pellmora-cli verify FILE.plm [--wording 1..4]"_s, {}},
        {PELLMORA_CLI, {u"read"_s, u"-h"_s}, 0, u"Usage: pellmora-cli read -o FILE.plm [options]\n"_s, {}},
        {PELLMORA_CLI, {u"--version"_s}, 0, u"pellmora-cli "_s + version + u'\n', {}},
        {PELLMORA_CLI, {}, 2, {}, u"Usage: pellmora-cli COMMAND [ARGUMENTS]"_s},
        {PELLMORA_CLI, {u"frob"_s}, 2, {}, u"pellmora-cli: unknown command frob\n"_s},
        {PELLMORA_CLI, {u"test"_s, u"--frob"_s}, 2, {}, u"pellmora-cli: unknown option --frob\n"_s},
        {PELLMORA_CLI, {u"show"_s, u"a.plm"_s, u"--wording"_s, u"5"_s}, 2, {},
         u"pellmora-cli: --wording must be 1..4\n"_s},
#ifdef PELLMORA_APP
        {PELLMORA_APP, {u"--help"_s}, 0, u"--user-folder"_s, {}},
        {PELLMORA_APP, {u"--version"_s}, 0, u"Pellmora "_s + version + u'\n', {}},
        {PELLMORA_APP, {u"--frob"_s}, 2, {}, u"pellmora: unknown option --frob\n"_s},
        {PELLMORA_APP, {u"--link"_s, u"usb"_s}, 2, {}, u"pellmora: --link: expected sim, ioport, tty or ftdi, not 'usb'\n"_s},
#endif
    };
    // The windows' program on the offscreen platform, with a runtime folder
    // of its own so that Qt has nothing to say on standard error.
    QTemporaryDir runtime;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    for (const CommandCase &c : cases) {
        SCOPED_TRACE((QString::fromUtf8(c.program) + u' ' + c.args.join(u' ')).toStdString());
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QString::fromUtf8(c.program), c.args);
        ASSERT_TRUE(process.waitForFinished(30000));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_EQ(process.exitCode(), c.exitCode);
        EXPECT_EQ(out.isEmpty(), c.out.isEmpty()) << out.toStdString();
        EXPECT_TRUE(out.contains(c.out)) << out.toStdString();
        EXPECT_EQ(err.isEmpty(), c.err.isEmpty()) << err.toStdString();
        EXPECT_TRUE(err.contains(c.err)) << err.toStdString();
    }
}

// No command ends as a success when what it printed was lost: a full disk
// under its standard output ends it with 1 and the reason.
TEST(CommandLine, OutputLostOnTheWayEndsWithOne)
{
    const QString example = QStringLiteral(PELLMORA_EXAMPLES "/chodba.plm");
    const QList<QStringList> cases = {
        {u"export"_s, example},
        {u"show"_s, example},
        {u"schedule"_s, example},
        {u"config"_s, u"check"_s, u"/dev/null"_s},
        {u"db"_s, u"list"_s, u"/dev/null"_s},
        {u"--help"_s},
        {u"clock"_s, u"--link"_s, u"sim"_s, u"--sim-memory"_s, u"none"_s},
    };
    QTemporaryDir configHome;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_CONFIG_HOME"_s, configHome.path());
    for (const QStringList &args : cases) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setStandardOutputFile(u"/dev/full"_s);
        process.start(QStringLiteral(PELLMORA_CLI), args);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 1);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_TRUE(err.contains(u"pellmora-cli: standard output: cannot be written: No space left on device\n"_s))
            << err.toStdString();
    }
}

} // namespace
