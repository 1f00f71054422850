#include "cli/Commands.h"

#include "connection/StartupPrivileges.h"
#include "link/IoPortBackend.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <memory>

using namespace pellmora::cli;
using namespace Qt::StringLiterals;

namespace {

int usage()
{
    QTextStream err(stderr);
    err << "usage: pellmora-cli COMMAND [ARGUMENTS]\n"
           "program files:  show FILE.plm [--wording N] [--on WORD --off WORD]\n"
           "                export FILE.plm\n"
           "                import TEXTFILE|- -o FILE.plm\n"
           "                schedule FILE.plm [--wording N] [--on WORD --off WORD]\n"
           "                report FILE.plm -o OUT.pdf [--wording N] [--on WORD --off WORD]\n"
           "settings:       config check FILE\n"
           "database:       db list FILE\n"
           "device:         test | program FILE.plm [--strict] | read -o FILE.plm\n"
           "                verify FILE.plm [--wording N] [--on WORD --off WORD]\n"
           "                clock [--set HH:MM[:SS] | --sync]\n"
           "device options: --link sim|ioport|tty --port COMn --eeprom-speed N --pic-speed N\n"
           "                --sim-port COMn --sim-memory PATH|none --sim-fault NAME\n"
           "                --tty-device PATH --trace PATH.vcd --verbose\n";
    return ExitUsage;
}

// The report draws text, which needs a QGuiApplication; without a display
// it draws on the offscreen platform. The other commands need no GUI.
std::unique_ptr<QCoreApplication> application(int &argc, char *argv[])
{
    if (argc < 2 || std::strcmp(argv[1], "report") != 0)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char *argv[])
{
    // Privileges first, before any Qt object exists.
    const pellmora::connection::StartupPrivileges privileges = pellmora::connection::TakeStartupPrivileges(
        pellmora::connection::StartupArguments(argc, argv), pellmora::link::RealIoPortSystem());
    if (!privileges.error.isEmpty()) {
        std::fputs(qPrintable(u"pellmora-cli: "_s + privileges.error + u'\n'), stderr);
        return ExitRefused;
    }

    const std::unique_ptr<QCoreApplication> app = application(argc, argv);
    QStringList args = app->arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();
    for (const Command &c : commands(privileges.ioPorts)) {
        if (c.name == command)
            return c.run(args);
    }
    return usage();
}
